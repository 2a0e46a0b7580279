// Helpers shared by the tests: a fresh temporary folder per test and child processes whose
// output and exit code are collected.
#pragma once

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

std::string readWholeFile(const std::string& path);
void writeWholeFile(const std::string& path, const std::string& contents);
bool fileExists(const std::string& path);
// Folder of the test programs built for child-process tests.
std::string testProgramPath(const std::string& name);
// Built executables (build/bin).
std::string binaryPath(const std::string& name);

}  // namespace vantrel::test
