// File-system and process commands over platform/files.h, with DataStream for copying and
// sizing (so memory names work as sources) and the window hooks for programs started.
#include "files/file_system_commands.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/string_commands.h"
#include "files/data_stream.h"
#include "platform/files.h"
#include "platform/threads.h"

namespace vantrel {

namespace {

constexpr int32_t COPY_CHUNK = 4096;
constexpr int FOLDER_COUNT_UNIT = 65536;

// Ascending without regard to ASCII case; names that differ only in case (possible on Linux)
// fall back to their byte order so the listing is the same every time.
bool lessIgnoringCase(const std::string& a, const std::string& b) {
  std::size_t n = std::min(a.size(), b.size());
  for (std::size_t i = 0; i < n; ++i) {
    unsigned char x = static_cast<unsigned char>(lowerAscii(a[i]));
    unsigned char y = static_cast<unsigned char>(lowerAscii(b[i]));
    if (x != y) return x < y;
  }
  if (a.size() != b.size()) return a.size() < b.size();
  return a < b;
}

// The program that endAndRun or shellOpen starts once the runtime has been shut down. The
// END path leaves through exit(), which runs this after the shutdown has finished.
std::string pendingCommandLine;
std::string pendingDocument;
bool launchRegistered = false;

void launchPendingProgram() {
  if (!pendingCommandLine.empty()) platform::runProcess(pendingCommandLine.c_str(), false);
  if (!pendingDocument.empty()) platform::openWithDesktop(pendingDocument.c_str());
}

void registerLaunchAtExit() {
  if (launchRegistered) return;
  launchRegistered = true;
  std::atexit(launchPendingProgram);
}

bool escapeEndsProgram() {
  ProcessWindowHooks& hooks = processWindowHooks();
  return hooks.escapeEndsProgram ? hooks.escapeEndsProgram() : true;
}

}  // namespace

ProcessWindowHooks& processWindowHooks() {
  static ProcessWindowHooks hooks;
  return hooks;
}

int toForwardSlashes(StringValue& path) {
  for (uint32_t i = 0; i < path.length; ++i)
    if (path.buffer[i] == '\\') path.buffer[i] = '/';
  return static_cast<int>(path.length);
}

int deleteFile(const StringValue& path) {
  if (platform::pathKind(path.text()) == platform::PathKind::File)
    return platform::deleteFile(path.text()) ? 1 : 0;
  // Folders, and missing paths, which fail here. A symbolic link to a folder counts as a
  // folder but cannot be removed as one: removing the link itself is what a junction gives.
  if (platform::removeFolder(path.text())) return 1;
  return platform::deleteFile(path.text()) ? 1 : 0;
}

int createDirectory(const StringValue& path) { return platform::createFolder(path.text()) ? 1 : 0; }

void copyFile(const StringValue& source, const StringValue& destination) {
  clearError();
  DataStream from;
  if (!from.openRead(source.text())) {
    raiseError(ERR_NO_SUCH_FILE);
    return;
  }
  DataStream to;
  if (!to.openWrite(destination.text())) {
    raiseError(ERR_NO_SUCH_FILE);
    return;
  }
  uint8_t chunk[COPY_CHUNK];
  int32_t remaining = from.streamSize();
  while (remaining > 0) {
    int32_t n = remaining < COPY_CHUNK ? remaining : COPY_CHUNK;
    int32_t before = from.position;
    if (!from.readBytes(chunk, n) || from.position - before != n || !to.writeBytes(chunk, n)) {
      from.close();
      to.close();
      platform::deleteFile(destination.text());
      return;
    }
    remaining -= n;
  }
}

int fileExists(const StringValue& path) {
  return platform::pathKind(path.text()) == platform::PathKind::File ? 1 : 0;
}

int directoryExists(const StringValue& path) {
  return platform::pathKind(path.text()) == platform::PathKind::Folder ? 1 : 0;
}

int getFileSize(const StringValue& path) {
  DataStream stream;
  if (!stream.openRead(path.text())) {
    raiseError(ERR_NO_SUCH_FILE);
    return 0;
  }
  return stream.streamSize();
}

StringValue getCurrentDirectory() {
  std::string folder = platform::currentFolder();
  if (folder.empty()) return StringValue();
  std::replace(folder.begin(), folder.end(), '\\', '/');
  if (folder.back() != '/') folder.push_back('/');
  return StringValue(folder.c_str(), folder.size());
}

int setCurrentDirectory(const StringValue& path) {
  clearError();
  if (platform::setCurrentFolder(path.text())) return 1;
  raiseError(ERR_NO_SUCH_FILE);
  return 0;
}

int listDirectory(const StringValue& pattern, TextArray& out) {
  std::vector<std::string> folders;
  std::vector<std::string> files;
  std::vector<platform::FolderEntry> entries;
  StringValue current = getCurrentDirectory();
  if (!current.isEmpty() && platform::listFolder(current.text(), entries)) {
    for (const platform::FolderEntry& entry : entries) {
      if (entry.isFolder) {
        folders.push_back(entry.name);
      } else if (matchesWildcard(pattern.text(), entry.name.c_str())) {
        files.push_back(entry.name);
      }
    }
  }
  std::sort(folders.begin(), folders.end(), lessIgnoringCase);
  std::sort(files.begin(), files.end(), lessIgnoringCase);
  const int32_t total = static_cast<int32_t>(folders.size() + files.size());
  dimension(out, total);
  int32_t index = 0;
  for (const std::string& name : folders) element(out, index++) = StringValue(name.c_str(), name.size());
  for (const std::string& name : files) element(out, index++) = StringValue(name.c_str(), name.size());
  return static_cast<int>(files.size()) + FOLDER_COUNT_UNIT * static_cast<int>(folders.size());
}

bool matchesWildcard(const char* pattern, const char* text) {
  if (!pattern || !text) return false;
  if (std::strcmp(pattern, "*.*") == 0) return true;
  const char* p = pattern;
  const char* t = text;
  const char* afterStar = nullptr;  // pattern just past the last run of '*'
  const char* retryText = nullptr;  // where that star's match would be tried next
  while (*t) {
    if (*p == '*') {
      while (*p == '*') ++p;
      if (!*p) return true;
      afterStar = p;
      retryText = t;
      continue;
    }
    bool same = *p == '?' ? *t != '.' : (*p && lowerAscii(*p) == lowerAscii(*t));
    if (same) {
      ++p;
      ++t;
      continue;
    }
    if (!afterStar) return false;
    // Only the last star backtracks: it swallows one more character and the rest restarts.
    p = afterStar;
    t = ++retryText;
  }
  while (*p == '*') ++p;
  return *p == 0;
}

int wildcardMatch(const StringValue& pattern, const StringValue& text) {
  return matchesWildcard(pattern.text(), text.text()) ? 1 : 0;
}

StringValue getEnvironment(const StringValue& name) {
  if (name.isEmpty()) {
    StringValue all;
    for (const std::string& entry : platform::environmentEntries()) {
      all.appendBytes(entry.data(), entry.size());
      all.appendByte('\n');
    }
    return all;
  }
  const char* value = platform::getEnvironmentVariable(name.text());
  return StringValue(value ? value : "");
}

void setEnvironment(StringValue& name, const StringValue& value) {
  StringValue variable = name;
  name.append("=");
  name.append(value);
  platform::setEnvironmentVariable(variable.text(), value.text());
}

void shellOpen(const StringValue& target) {
  if (!escapeEndsProgram()) {
    platform::openWithDesktop(target.text());
    return;
  }
  pendingDocument.assign(target.text(), target.length);
  registerLaunchAtExit();
  endProgram();
}

// The show flag has no meaning for a program started through the shell.
int runProgram(const StringValue& commandLine, int wait, int /*show*/, double& exitCode) {
  exitCode = 0;
  ProcessWindowHooks& hooks = processWindowHooks();
  if (hooks.enterWindowedMode) hooks.enterWindowedMode();
  int status = platform::runProcess(commandLine.text(), wait != 0);
  if (status >= 0 && wait) exitCode = status;
  if (hooks.activateMainWindow) hooks.activateMainWindow();
  return status >= 0 ? 1 : 0;
}

void endAndRun(const StringValue& commandLine) {
  pendingCommandLine.assign(commandLine.text(), commandLine.length);
  registerLaunchAtExit();
  endProgram();
}

void sleepMilliseconds(int milliseconds) {
  if (milliseconds > 0) platform::sleepThread(static_cast<uint32_t>(milliseconds));
}

void openConsole() {
  // Nothing to rebind: standard input and output already are the process's console.
}

}  // namespace vantrel
