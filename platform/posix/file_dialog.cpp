// The file dialog through "zenity --file-selection", its standard output read over a pipe.
#include "platform/file_dialog.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace vantrel::platform {

namespace {

// zenity separates the patterns of one filter by blanks where the runtime's filters use ';'.
std::string filterArgument(const FileFilter& filter) {
  std::string patterns = filter.patterns;
  for (char& c : patterns) {
    if (c == ';') c = ' ';
  }
  return "--file-filter=" + filter.description + " | " + patterns;
}

}  // namespace

bool runFileDialog(bool save, const std::vector<FileFilter>& filters, const std::string& initialFolder,
                   std::string* chosenPath) {
  chosenPath->clear();
  std::vector<std::string> arguments = {"zenity", "--file-selection"};
  if (save) {
    arguments.push_back("--save");
    arguments.push_back("--confirm-overwrite");
  }
  if (!initialFolder.empty()) {
    std::string folder = initialFolder;
    if (folder.back() != '/') folder.push_back('/');
    arguments.push_back("--filename=" + folder);
  }
  for (const FileFilter& filter : filters) arguments.push_back(filterArgument(filter));
  std::vector<char*> argv;
  for (std::string& argument : arguments) argv.push_back(argument.data());
  argv.push_back(nullptr);

  int pipeEnds[2];
  // Close-on-exec, so no other child inherits the pipe; dup2 clears it on standard output.
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) return false;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  pid_t child = 0;
  int spawned = posix_spawnp(&child, "zenity", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  if (spawned != 0) {
    close(pipeEnds[0]);
    return false;
  }
  std::string output;
  char buffer[1024];
  for (;;) {
    ssize_t got = read(pipeEnds[0], buffer, sizeof buffer);
    if (got > 0) {
      output.append(buffer, static_cast<std::size_t>(got));
    } else if (got == 0 || errno != EINTR) {
      break;
    }
  }
  close(pipeEnds[0]);
  int status = 0;
  while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return false;
  while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
  // zenity prints one path; a name with a line break in it is not one the runtime could use.
  std::size_t lineEnd = output.find('\n');
  if (lineEnd != std::string::npos) output.resize(lineEnd);
  *chosenPath = output;
  return !output.empty();
}

}  // namespace vantrel::platform
