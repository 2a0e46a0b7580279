// Volume serial, battery, user folders and locale, and atomic file replacement over POSIX,
// sysfs and the XDG base and user directories.
#include "platform/system_info.h"

#include <dirent.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

namespace vantrel::platform {

namespace {

std::string environmentValue(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

// The first line of a small sysfs file, without its line end; false when it cannot be read.
bool readFirstLine(const std::string& path, std::string& line) {
  std::ifstream file(path);
  if (!file || !std::getline(file, line)) return false;
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r' || line.back() == ' '))
    line.pop_back();
  return true;
}

std::string withoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// base + "/" + name, with no doubled separator when base is "/" or ends in '/'.
std::string joinPath(const std::string& base, const char* name) {
  std::string folder = withoutTrailingSlashes(base);
  if (folder == "/") folder.clear();
  return folder + "/" + name;
}

}  // namespace

bool rootVolumeSerial(uint32_t* serial) {
  struct statvfs info;
  if (::statvfs("/", &info) != 0) return false;
  *serial = static_cast<uint32_t>(info.f_fsid & 0xffffffffu);
  return true;
}

int batteryCapacity(const char* folder) {
  DIR* dir = ::opendir(folder);
  if (!dir) return -1;
  std::vector<std::string> names;
  while (dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
  }
  ::closedir(dir);
  std::sort(names.begin(), names.end());
  for (const std::string& name : names) {
    std::string base = std::string(folder) + "/" + name + "/";
    std::string type, capacity;
    if (!readFirstLine(base + "type", type) || type != "Battery") continue;
    if (!readFirstLine(base + "capacity", capacity) || capacity.empty()) continue;
    char* end = nullptr;
    errno = 0;
    long percent = std::strtol(capacity.c_str(), &end, 10);
    if (errno != 0 || *end != 0 || percent < 0) continue;
    return static_cast<int>(std::min(percent, 100L));
  }
  return -1;
}

std::string userLocaleName() {
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    std::string value = environmentValue(name);
    if (!value.empty()) return value;
  }
  return std::string();
}

std::string userDirectoryFromText(const std::string& text, const std::string& key,
                                  const std::string& home) {
  std::istringstream lines(text);
  std::string line;
  while (std::getline(lines, line)) {
    std::size_t start = line.find_first_not_of(" \t");
    if (start == std::string::npos || line[start] == '#') continue;
    if (line.compare(start, key.size(), key) != 0) continue;
    std::size_t at = line.find_first_not_of(" \t", start + key.size());
    if (at == std::string::npos || line[at] != '=') continue;
    at = line.find_first_not_of(" \t", at + 1);
    if (at == std::string::npos || line[at] != '"') return std::string();
    std::size_t close = line.find('"', at + 1);
    if (close == std::string::npos) return std::string();
    std::string value = line.substr(at + 1, close - at - 1);
    if (value.compare(0, 5, "$HOME") == 0 && (value.size() == 5 || value[5] == '/')) {
      if (home.empty()) return std::string();
      std::string base = withoutTrailingSlashes(home);
      value = (base == "/" ? std::string() : base) + value.substr(5);
    } else if (value.empty() || value[0] != '/') {
      return std::string();
    }
    return withoutTrailingSlashes(value);
  }
  return std::string();
}

std::string documentsFolder() {
  std::string home = environmentValue("HOME");
  std::string config = environmentValue("XDG_CONFIG_HOME");
  if (config.empty() || config[0] != '/') config = home.empty() ? std::string() : joinPath(home, ".config");
  if (!config.empty()) {
    std::ifstream file(joinPath(config, "user-dirs.dirs"));
    if (file) {
      std::ostringstream text;
      text << file.rdbuf();
      std::string folder = userDirectoryFromText(text.str(), "XDG_DOCUMENTS_DIR", home);
      if (!folder.empty()) return folder;
    }
  }
  if (home.empty()) return std::string();
  return joinPath(home, "Documents");
}

std::string userDataFolder() {
  std::string data = environmentValue("XDG_DATA_HOME");
  if (!data.empty() && data[0] == '/') return withoutTrailingSlashes(data);
  std::string home = environmentValue("HOME");
  if (home.empty()) return std::string();
  return joinPath(home, ".local/share");
}

bool syncFile(FileHandle file) {
  while (::fsync(file) != 0) {
    if (errno != EINTR) return false;
  }
  return true;
}

bool replaceFile(const char* source, const char* destination) {
  std::string from = toNativePath(source);
  std::string to = toNativePath(destination);
  return std::rename(from.c_str(), to.c_str()) == 0;
}

}  // namespace vantrel::platform
