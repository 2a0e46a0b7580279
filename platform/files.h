// Operating-system file, folder and process services. Every name handed to these calls goes
// through toNativePath first: a 1024-byte copy with '\' turned into '/' and each component
// matched without regard to ASCII case when the exact spelling does not exist.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vantrel::platform {

constexpr std::size_t PATH_BUFFER_SIZE = 1024;

// The path as the OS should see it (see the header comment). Names longer than the buffer
// are cut to 1023 bytes, as the runtime's fixed buffers do. Components after the first one
// that matches nothing are kept as given (a file about to be created).
std::string toNativePath(const char* name);

// An open OS file; -1 when none. Files are opened without sharing rules (POSIX has none).
using FileHandle = int;
constexpr FileHandle NO_FILE = -1;

FileHandle openFileForReading(const char* name);    // existing files only
FileHandle createFileForWriting(const char* name);  // read/write, truncated or created
FileHandle openFileForAppending(const char* name);  // write, created if needed, at the end
// Exact-count transfers: the number of bytes moved, or -1 on an OS failure.
long readFile(FileHandle file, void* destination, std::size_t count);
long writeFile(FileHandle file, const void* source, std::size_t count);
// Reads at an absolute offset without moving the file pointer; the count read, or -1.
long readFileAt(FileHandle file, void* destination, std::size_t count, long offset);
enum class SeekOrigin { Start, Current, End };
long seekFile(FileHandle file, long offset, SeekOrigin origin);  // new position or -1
long fileSize(FileHandle file);                                   // -1 on failure
void closeFile(FileHandle file);

enum class PathKind { Missing, File, Folder };
PathKind pathKind(const char* name);  // symbolic links are followed
bool deleteFile(const char* name);
bool removeFolder(const char* name);  // empty folders only
bool createFolder(const char* name);

struct FolderEntry {
  std::string name;
  bool isFolder;
};
// Every entry of a folder, "." and ".." included, in the order the OS gives them.
bool listFolder(const char* folder, std::vector<FolderEntry>& entries);

std::string temporaryFolder();  // $TMPDIR or /tmp, always ending in '/'
std::string currentFolder();
bool setCurrentFolder(const char* folder);
std::string executablePath();  // the resolved /proc/self/exe

// Runs "/bin/sh -c commandLine". With wait, the exit status (128 + signal when killed by a
// signal); without, 0 once started. -1 when the process could not be started.
int runProcess(const char* commandLine, bool wait);
bool openWithDesktop(const char* target);  // xdg-open, not waited for

const char* getEnvironmentVariable(const char* name);  // null when unset
bool setEnvironmentVariable(const char* name, const char* value);
std::vector<std::string> environmentEntries();  // "NAME=value" each

}  // namespace vantrel::platform
