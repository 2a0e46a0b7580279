// Files, folders, processes and the environment over POSIX.
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <strings.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

extern char** environ;

namespace vantrel::platform {

namespace {

bool exists(const std::string& path) {
  struct stat info;
  return ::stat(path.c_str(), &info) == 0;
}

// Finds an entry of folder whose name equals component without regard to ASCII case.
bool findEntryIgnoringCase(const std::string& folder, const std::string& component,
                           std::string& found) {
  DIR* dir = ::opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return false;
  bool matched = false;
  while (dirent* entry = ::readdir(dir)) {
    if (::strcasecmp(entry->d_name, component.c_str()) == 0) {
      found = entry->d_name;
      matched = true;
      break;
    }
  }
  ::closedir(dir);
  return matched;
}

}  // namespace

std::string toNativePath(const char* name) {
  if (!name) return std::string();
  std::string path;
  for (std::size_t i = 0; name[i] && i < PATH_BUFFER_SIZE - 1; ++i)
    path.push_back(name[i] == '\\' ? '/' : name[i]);
  if (path.empty() || exists(path)) return path;

  // Walk the components, keeping the existing spelling of each one that matches. From the
  // first component that matches nothing on, the rest is used as given, so a new file can be
  // created in a folder spelt with the wrong case.
  std::string resolved;
  std::size_t start = 0;
  if (path[0] == '/') {
    resolved = "/";
    start = 1;
  }
  while (start <= path.size()) {
    std::size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    std::string component = path.substr(start, end - start);
    std::string candidate = resolved + component;
    if (!component.empty() && component != "." && component != ".." && !exists(candidate)) {
      std::string found;
      if (!findEntryIgnoringCase(resolved, component, found)) return resolved + path.substr(start);
      candidate = resolved + found;
    }
    resolved = candidate;
    if (end == path.size()) break;
    resolved.push_back('/');
    start = end + 1;
  }
  return resolved;
}

FileHandle openFileForReading(const char* name) {
  std::string path = toNativePath(name);
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return NO_FILE;
  struct stat info;
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd);
    return NO_FILE;
  }
  return fd;
}

FileHandle createFileForWriting(const char* name) {
  std::string path = toNativePath(name);
  int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  return fd < 0 ? NO_FILE : fd;
}

FileHandle openFileForAppending(const char* name) {
  std::string path = toNativePath(name);
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) return NO_FILE;
  ::lseek(fd, 0, SEEK_END);
  return fd;
}

long readFile(FileHandle file, void* destination, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    ssize_t got = ::read(file, static_cast<char*>(destination) + done, count - done);
    if (got < 0) {
      if (errno == EINTR) continue;
      return done ? static_cast<long>(done) : -1;
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<long>(done);
}

long readFileAt(FileHandle file, void* destination, std::size_t count, long offset) {
  std::size_t done = 0;
  while (done < count) {
    ssize_t got = ::pread(file, static_cast<char*>(destination) + done, count - done,
                          static_cast<off_t>(offset) + static_cast<off_t>(done));
    if (got < 0) {
      if (errno == EINTR) continue;
      return done ? static_cast<long>(done) : -1;
    }
    if (got == 0) break;
    done += static_cast<std::size_t>(got);
  }
  return static_cast<long>(done);
}

long writeFile(FileHandle file, const void* source, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    ssize_t put = ::write(file, static_cast<const char*>(source) + done, count - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      return done ? static_cast<long>(done) : -1;
    }
    done += static_cast<std::size_t>(put);
  }
  return static_cast<long>(done);
}

long seekFile(FileHandle file, long offset, SeekOrigin origin) {
  int whence = origin == SeekOrigin::Start ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
  off_t result = ::lseek(file, offset, whence);
  return result < 0 ? -1 : static_cast<long>(result);
}

long fileSize(FileHandle file) {
  struct stat info;
  if (::fstat(file, &info) != 0) return -1;
  return static_cast<long>(info.st_size);
}

void closeFile(FileHandle file) {
  if (file >= 0) ::close(file);
}

PathKind pathKind(const char* name) {
  std::string path = toNativePath(name);
  struct stat info;
  if (path.empty() || ::stat(path.c_str(), &info) != 0) return PathKind::Missing;
  return S_ISDIR(info.st_mode) ? PathKind::Folder : PathKind::File;
}

bool deleteFile(const char* name) {
  std::string path = toNativePath(name);
  struct stat info;
  if (::lstat(path.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return false;
  return ::unlink(path.c_str()) == 0;
}

bool removeFolder(const char* name) { return ::rmdir(toNativePath(name).c_str()) == 0; }

bool createFolder(const char* name) { return ::mkdir(toNativePath(name).c_str(), 0755) == 0; }

bool listFolder(const char* folder, std::vector<FolderEntry>& entries) {
  entries.clear();
  std::string path = toNativePath(folder);
  DIR* dir = ::opendir(path.empty() ? "." : path.c_str());
  if (!dir) return false;
  while (dirent* entry = ::readdir(dir)) {
    std::string full = (path.empty() ? std::string(".") : path) + "/" + entry->d_name;
    struct stat info;
    bool isFolder = ::stat(full.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    entries.push_back({entry->d_name, isFolder});
  }
  ::closedir(dir);
  return true;
}

std::string temporaryFolder() {
  const char* tmp = std::getenv("TMPDIR");
  std::string folder = (tmp && *tmp) ? tmp : "/tmp";
  if (folder.back() != '/') folder.push_back('/');
  return folder;
}

std::string currentFolder() {
  char buffer[PATH_MAX];
  return ::getcwd(buffer, sizeof buffer) ? std::string(buffer) : std::string();
}

bool setCurrentFolder(const char* folder) { return ::chdir(toNativePath(folder).c_str()) == 0; }

std::string executablePath() {
  char buffer[PATH_MAX];
  ssize_t length = ::readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  if (length <= 0) return std::string();
  return std::string(buffer, static_cast<std::size_t>(length));
}

namespace {

// Spawns /bin/sh with arguments and, when wait is set, returns its exit status (128 + signal
// number when a signal ended it); without wait, 0 once started. -1 when nothing started.
int spawnShell(const char* const* argv, bool wait) {
  pid_t pid;
  if (::posix_spawn(&pid, "/bin/sh", nullptr, nullptr, const_cast<char* const*>(argv), environ) != 0)
    return -1;
  if (!wait) return 0;
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0) {
    if (errno != EINTR) return -1;
  }
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

}  // namespace

int runProcess(const char* commandLine, bool wait) {
  const char* line = commandLine ? commandLine : "";
  if (wait) {
    const char* argv[] = {"/bin/sh", "-c", line, nullptr};
    return spawnShell(argv, true);
  }
  // A program that is not waited for runs under a short-lived intermediate shell that is
  // reaped at once, so no zombie is left behind; the command itself is then owned by init.
  const char* argv[] = {"/bin/sh", "-c", "/bin/sh -c \"$1\" &", "sh", line, nullptr};
  return spawnShell(argv, true) == 0 ? 0 : -1;
}

bool openWithDesktop(const char* target) {
  // Fire and forget, as runProcess without wait; false when xdg-open is not installed.
  const char* argv[] = {"/bin/sh", "-c",
                        "command -v xdg-open >/dev/null 2>&1 || exit 127; "
                        "xdg-open \"$1\" >/dev/null 2>&1 &",
                        "sh", target ? target : "", nullptr};
  return spawnShell(argv, true) == 0;
}

const char* getEnvironmentVariable(const char* name) { return name ? std::getenv(name) : nullptr; }

bool setEnvironmentVariable(const char* name, const char* value) {
  if (!name || !*name || std::strchr(name, '=')) return false;
  return ::setenv(name, value ? value : "", 1) == 0;
}

std::vector<std::string> environmentEntries() {
  std::vector<std::string> entries;
  for (char** entry = environ; entry && *entry; ++entry) entries.emplace_back(*entry);
  return entries;
}

}  // namespace vantrel::platform
