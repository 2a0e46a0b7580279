// Helpers shared by the tests: a fresh temporary folder per test and child processes whose
// output and exit code are collected.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace vantrel::test {

// A new empty folder under the system's temporary folder, removed with everything in it when
// the object goes out of scope.
class TemporaryFolder {
 public:
  TemporaryFolder();
  ~TemporaryFolder();
  TemporaryFolder(const TemporaryFolder&) = delete;
  TemporaryFolder& operator=(const TemporaryFolder&) = delete;
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

struct ProcessResult {
  int exitCode = -1;  // 128 + signal when killed by a signal
  std::string standardOutput;
  std::string standardError;
};

// Runs program with arguments (argv[0] is program) in folder, with extra "NAME=value"
// environment entries, and waits for it. Standard input is /dev/null.
ProcessResult runProcess(const std::vector<std::string>& arguments, const std::string& folder = "",
                         const std::vector<std::string>& environment = {});

// A child whose standard output is read line by line, every wait bounded; standard input and
// error are /dev/null. Killed and reaped when dropped.
class LineReadingChild {
 public:
  LineReadingChild(const std::vector<std::string>& arguments, const std::vector<std::string>& environment,
                   int boundMs = 30000);
  ~LineReadingChild();
  LineReadingChild(const LineReadingChild&) = delete;
  LineReadingChild& operator=(const LineReadingChild&) = delete;
  bool started() const { return pid_ > 0; }
  // The next line of output; false at its end or when none came within the bound.
  bool readLine(std::string* line);
  // Reads until a line equal to line arrived (any line when it is empty).
  bool waitForLine(const std::string& line, std::string* got = nullptr);
  // Reads to the end of the output and reaps the child: its exit code, -1 when it did not end.
  int waitForExit();
  void terminate();

 private:
  bool readMore();
  int pid_ = -1;
  int output_ = -1;
  int boundMs_;
  bool ended_ = false;
  std::string buffer_;
};

// Runs one test of the current test program again in a child with a private 64 KiB tmpfs
// mounted over folder (its own mount namespace), with VANTREL_FULL_DISK_FOLDER=folder.
// mounted is false when no such mount can be made here (no privileges, no unshare).
ProcessResult runTestOnSmallTmpfs(const std::string& folder, const std::string& testName, bool* mounted);

// Fills the file system that holds folder with one file, folder + "/filler", until a write is
// refused; false when the file cannot be made.
bool fillFileSystem(const std::string& folder);

// The full path of a program found on PATH, or "" when there is none.
std::string findProgram(const std::string& name);

// Xvfb on a display number it picks itself, for as long as the object lives.
class VirtualDisplay {
 public:
  explicit VirtualDisplay(const std::string& screen = "1280x1024x24");
  ~VirtualDisplay();
  // "DISPLAY=:n", or "" when Xvfb is missing or did not start.
  const std::string& variable() const { return variable_; }

 private:
  std::unique_ptr<LineReadingChild> server_;
  std::string variable_;
};

std::string readWholeFile(const std::string& path);
void writeWholeFile(const std::string& path, const std::string& contents);
bool fileExists(const std::string& path);
// Folder of the test programs built for child-process tests.
std::string testProgramPath(const std::string& name);
// Built executables (build/bin).
std::string binaryPath(const std::string& name);

}  // namespace vantrel::test
