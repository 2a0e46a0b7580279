// The dialect's file-system and process commands: test, delete, copy and size files, folders
// and the current folder, filtered listings, the environment, starting other programs.
#pragma once

#include "core/array_value.h"
#include "core/string_value.h"

namespace vantrel {

// Every '\' becomes '/'; the result is the text's length.
int toForwardSlashes(StringValue& path);
// A folder is removed (empty ones only), anything else deleted; non-zero on success.
int deleteFile(const StringValue& path);
int createDirectory(const StringValue& path);  // one folder, no parents; 1 on success
// Copies source (a file or a memory name) to destination, which is created anew. Error code 3
// when either cannot be opened; a copy that breaks off leaves no destination behind.
void copyFile(const StringValue& source, const StringValue& destination);
int fileExists(const StringValue& path);       // 1 for anything but a folder
int directoryExists(const StringValue& path);  // 1 for a folder
// Size in bytes (the block size of a memory name); 0 and error code 3 when it cannot be opened.
int getFileSize(const StringValue& path);
// The current folder with '/' separators, always ending in '/'; empty when the OS cannot tell.
StringValue getCurrentDirectory();
int setCurrentDirectory(const StringValue& path);  // 1, or 0 with error code 3

// Fills out with the current folder's subfolders ("." and ".." included), then the files that
// match pattern, each group sorted without regard to case. Result: files + 65536 x folders.
int listDirectory(const StringValue& pattern, TextArray& out);
// "*.*" matches every name; otherwise '*' matches any run, '?' one character that is not '.',
// anything else itself without regard to ASCII case. 1 on a match.
int wildcardMatch(const StringValue& pattern, const StringValue& text);
bool matchesWildcard(const char* pattern, const char* text);

// The variable's value ("" when unset); for the empty name every "NAME=value" entry followed
// by "\n".
StringValue getEnvironment(const StringValue& name);
// Sets the variable; name reads "NAME=value" afterwards.
void setEnvironment(StringValue& name, const StringValue& value);

// Opens a document, folder or address with the desktop's handler. While the escape keys end
// the program, the runtime is shut down first and the program ends after the call.
void shellOpen(const StringValue& target);
// Runs commandLine through the shell. With wait, exitCode receives the exit status (128 +
// signal number when it was killed); without, it stays 0. 1 when the program started.
int runProgram(const StringValue& commandLine, int wait, int show, double& exitCode);
// Shuts the runtime down, then starts commandLine without waiting; the process ends with 0.
void endAndRun(const StringValue& commandLine);
void sleepMilliseconds(int milliseconds);
// The process already has its standard streams, which the text input and output use.
void openConsole();

// What these commands ask of the window subsystem, which sits above this library and fills
// the slots in at start-up. A null slot means there is no window to act on.
struct ProcessWindowHooks {
  void (*enterWindowedMode)() = nullptr;   // before another program runs
  void (*activateMainWindow)() = nullptr;  // front and keyboard focus after runProgram
  // The escape-ends-program switch; while no subsystem reports it, it keeps its initial 1.
  bool (*escapeEndsProgram)() = nullptr;
};
ProcessWindowHooks& processWindowHooks();

}  // namespace vantrel
