// Temporary folders, child processes and whole-file helpers for the tests.
#include "tests/support/test_support.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <signal.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

extern char** environ;

namespace vantrel::test {

namespace {

std::vector<std::string> mergedEnvironment(const std::vector<std::string>& extra) {
  std::vector<std::string> env;
  for (char** e = environ; *e; ++e) {
    std::string entry = *e;
    bool replaced = false;
    for (const std::string& added : extra) {
      std::size_t name = added.find('=') + 1;
      replaced |= entry.compare(0, name, added, 0, name) == 0;
    }
    if (!replaced) env.push_back(entry);
  }
  env.insert(env.end(), extra.begin(), extra.end());
  return env;
}

}  // namespace

TemporaryFolder::TemporaryFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/vantrel-test-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back(0);
  if (!::mkdtemp(buffer.data())) std::abort();
  path_ = buffer.data();
}

TemporaryFolder::~TemporaryFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

ProcessResult runProcess(const std::vector<std::string>& arguments, const std::string& folder,
                         const std::vector<std::string>& environment) {
  ProcessResult result;
  int out[2], err[2];
  if (::pipe(out) != 0 || ::pipe(err) != 0) return result;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addclose(&actions, err[0]);
  std::string previous;
  if (!folder.empty()) {
    char cwd[4096];
    previous = ::getcwd(cwd, sizeof cwd) ? cwd : "";
    if (::chdir(folder.c_str()) != 0) return result;
  }
  std::vector<std::string> env = mergedEnvironment(environment);
  std::vector<char*> argv, envp;
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  pid_t pid;
  int spawned = ::posix_spawn(&pid, arguments[0].c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (!previous.empty() && ::chdir(previous.c_str()) != 0) std::abort();
  ::close(out[1]);
  ::close(err[1]);
  if (spawned != 0) {
    ::close(out[0]);
    ::close(err[0]);
    return result;
  }
  pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.standardOutput, &result.standardError};
  int open = 2;
  while (open > 0) {
    if (::poll(fds, 2, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
      char chunk[4096];
      ssize_t got = ::read(fds[i].fd, chunk, sizeof chunk);
      if (got > 0) {
        sinks[i]->append(chunk, static_cast<std::size_t>(got));
      } else {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}


LineReadingChild::LineReadingChild(const std::vector<std::string>& arguments,
                                   const std::vector<std::string>& environment, int boundMs)
    : boundMs_(boundMs) {
  int ends[2];
  if (::pipe2(ends, O_CLOEXEC) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, ends[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  std::vector<std::string> env = mergedEnvironment(environment);
  std::vector<char*> argv, envp;
  for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  pid_t pid;
  if (::posix_spawn(&pid, arguments[0].c_str(), &actions, nullptr, argv.data(), envp.data()) == 0) pid_ = pid;
  posix_spawn_file_actions_destroy(&actions);
  ::close(ends[1]);
  output_ = ends[0];
}

LineReadingChild::~LineReadingChild() {
  if (pid_ > 0) {
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
  }
  if (output_ >= 0) ::close(output_);
}

bool LineReadingChild::readMore() {
  if (ended_ || output_ < 0) return false;
  pollfd descriptor{output_, POLLIN, 0};
  if (::poll(&descriptor, 1, boundMs_) <= 0) return false;
  char chunk[512];
  ssize_t got = ::read(output_, chunk, sizeof chunk);
  if (got <= 0) {
    ended_ = true;
    return false;
  }
  buffer_.append(chunk, static_cast<std::size_t>(got));
  return true;
}

bool LineReadingChild::readLine(std::string* line) {
  for (;;) {
    std::size_t end = buffer_.find('\n');
    if (end != std::string::npos) {
      if (line) *line = buffer_.substr(0, end);
      buffer_.erase(0, end + 1);
      return true;
    }
    if (!readMore()) return false;
  }
}

bool LineReadingChild::waitForLine(const std::string& wanted, std::string* got) {
  std::string line;
  while (readLine(&line)) {
    if (wanted.empty() || line == wanted) {
      if (got) *got = line;
      return true;
    }
  }
  return false;
}

int LineReadingChild::waitForExit() {
  while (readMore()) {
  }
  if (!ended_ || pid_ <= 0) return -1;
  int status = 0;
  if (::waitpid(pid_, &status, 0) != pid_) return -1;
  pid_ = -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void LineReadingChild::terminate() {
  if (pid_ > 0) ::kill(pid_, SIGTERM);
}

ProcessResult runTestOnSmallTmpfs(const std::string& folder, const std::string& testName, bool* mounted) {
  char self[4096];
  ssize_t length = ::readlink("/proc/self/exe", self, sizeof self - 1);
  self[length > 0 ? length : 0] = 0;
  std::string script = "mount -t tmpfs -o size=64k tmpfs '" + folder + "' && exec '" + self +
                       "' --gtest_filter=" + testName;
  ProcessResult child =
      runProcess({"/usr/bin/unshare", "-m", "/bin/sh", "-c", script}, "", {"VANTREL_FULL_DISK_FOLDER=" + folder});
  *mounted = child.standardOutput.find("Running 1 test") != std::string::npos;
  return child;
}

bool fillFileSystem(const std::string& folder) {
  std::string filler = folder + "/filler";
  int fill = ::open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fill < 0) return false;
  char block[4096] = {};
  while (::write(fill, block, sizeof block) == static_cast<ssize_t>(sizeof block)) {
  }
  ::close(fill);
  return true;
}

std::string findProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string folders = path ? path : "/usr/bin:/bin";
  for (std::size_t start = 0; start <= folders.size();) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    std::string candidate = folders.substr(start, end - start) + "/" + name;
    if (::access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return "";
}

VirtualDisplay::VirtualDisplay(const std::string& screen) {
  std::string xvfb = findProgram("Xvfb");
  if (xvfb.empty()) return;
  // With -displayfd Xvfb chooses a free display and prints its number once it takes clients.
  server_ = std::make_unique<LineReadingChild>(
      std::vector<std::string>{xvfb, "-displayfd", "1", "-screen", "0", screen, "-nolisten", "tcp"},
      std::vector<std::string>{});
  std::string number;
  if (server_->started() && server_->readLine(&number)) variable_ = "DISPLAY=:" + number;
}

VirtualDisplay::~VirtualDisplay() {
  if (server_) {
    server_->terminate();
    server_->waitForExit();
  }
}

std::string readWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream contents;
  contents << in.rdbuf();
  return contents.str();
}

void writeWholeFile(const std::string& path, const std::string& contents) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(contents.data(), static_cast<std::streamsize>(contents.size()));
}

bool fileExists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

std::string testProgramPath(const std::string& name) {
  const char* dir = std::getenv("VANTREL_TEST_BIN_DIR");
  return std::string(dir ? dir : ".") + "/programs/" + name;
}

std::string binaryPath(const std::string& name) {
  const char* dir = std::getenv("VANTREL_BIN_DIR");
  return std::string(dir ? dir : ".") + "/" + name;
}

}  // namespace vantrel::test
