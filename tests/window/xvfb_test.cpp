// The end keys on a real X window: Xvfb on a display number it picks itself, the probe program
// presenting frames, and xdotool pressing keys. Every wait is bounded; no sleeps.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/test_support.h"

extern char** environ;

namespace vantrel {
namespace {

constexpr int WAIT_MS = 30000;

std::string findProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string folders = path ? path : "/usr/bin:/bin";
  std::size_t start = 0;
  while (start <= folders.size()) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    std::string candidate = folders.substr(start, end - start) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return "";
}

// A child whose standard output is read line by line.
class Child {
 public:
  Child(const std::vector<std::string>& arguments, const std::vector<std::string>& environment) {
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<std::string> env;
    for (char** e = environ; *e; ++e) {
      std::string entry = *e;
      bool replaced = false;
      for (const std::string& extra : environment) {
        replaced |= entry.compare(0, extra.find('=') + 1, extra, 0, extra.find('=') + 1) == 0;
      }
      if (!replaced) env.push_back(entry);
    }
    env.insert(env.end(), environment.begin(), environment.end());
    std::vector<char*> argv, envp;
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    for (const std::string& e : env) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
    if (posix_spawn(&pid_, arguments[0].c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) pid_ = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(pipeEnds[1]);
    output_ = pipeEnds[0];
  }
  ~Child() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (output_ >= 0) close(output_);
  }
  bool started() const { return pid_ > 0; }

  // Reads until a line equal to `line` arrived; false on end of output or after the bound.
  bool waitForLine(const std::string& line, std::string* got = nullptr) {
    for (;;) {
      std::size_t end;
      while ((end = buffer_.find('\n')) != std::string::npos) {
        std::string next = buffer_.substr(0, end);
        buffer_.erase(0, end + 1);
        if (line.empty() || next == line) {
          if (got) *got = next;
          return true;
        }
      }
      if (!readMore()) return false;
    }
  }
  // Reads to the end of the output and reaps the child; -1 when it did not end in time.
  int waitForExit() {
    while (readMore()) {
    }
    if (!eof_) return -1;
    int status = 0;
    if (waitpid(pid_, &status, 0) != pid_) return -1;
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  void terminate() {
    if (pid_ > 0) kill(pid_, SIGTERM);
  }

 private:
  bool readMore() {
    if (eof_) return false;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(WAIT_MS);
    pollfd descriptor{output_, POLLIN, 0};
    int left = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count());
    if (poll(&descriptor, 1, left > 0 ? left : 0) <= 0) return false;
    char chunk[512];
    ssize_t got = read(output_, chunk, sizeof chunk);
    if (got <= 0) {
      eof_ = true;
      return false;
    }
    buffer_.append(chunk, static_cast<std::size_t>(got));
    return true;
  }

  pid_t pid_ = -1;
  int output_ = -1;
  bool eof_ = false;
  std::string buffer_;
};

class RealWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string xvfb = findProgram("Xvfb");
    xdotool = findProgram("xdotool");
    timeoutTool = findProgram("timeout");
    if (xvfb.empty() || xdotool.empty() || timeoutTool.empty()) GTEST_SKIP() << "Xvfb, xdotool or timeout missing";
    // Xvfb picks a free display number and prints it once it accepts clients.
    server = std::make_unique<Child>(
        std::vector<std::string>{xvfb, "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"},
        std::vector<std::string>{});
    std::string number;
    ASSERT_TRUE(server->started() && server->waitForLine("", &number)) << "Xvfb did not start";
    display = "DISPLAY=:" + number;
  }
  void TearDown() override {
    probe.reset();
    if (server) {
      server->terminate();
      server->waitForExit();
    }
  }
  test::ProcessResult xdo(const std::vector<std::string>& arguments) {
    std::vector<std::string> command = {timeoutTool, "20", xdotool};
    command.insert(command.end(), arguments.begin(), arguments.end());
    return test::runProcess(command, "", {display});
  }
  // Starts the probe, waits for its first frame and gives its window the keyboard focus.
  void startProbe(const std::string& mode) {
    test::TemporaryFolder* temporary = &logs;
    probe = std::make_unique<Child>(
        std::vector<std::string>{test::testProgramPath("window_probe"), "keys", mode},
        std::vector<std::string>{display, "SDL_VIDEODRIVER=x11", "TMPDIR=" + temporary->path()});
    ASSERT_TRUE(probe->started());
    ASSERT_TRUE(probe->waitForLine("presenting")) << "the probe never presented a frame";
    test::ProcessResult search = xdo({"search", "--sync", "--onlyvisible", "--name", "^Window probe$"});
    ASSERT_EQ(search.exitCode, 0) << "window not found";
    std::string window = search.standardOutput.substr(0, search.standardOutput.find('\n'));
    ASSERT_EQ(xdo({"windowfocus", "--sync", window}).exitCode, 0);
  }

  std::unique_ptr<Child> server, probe;
  std::string xdotool, timeoutTool, display;
  test::TemporaryFolder logs;
};

TEST_F(RealWindow, EscapeEndsTheProgram) {
  startProbe("esc");
  ASSERT_EQ(xdo({"keydown", "Escape"}).exitCode, 0);
  EXPECT_EQ(probe->waitForExit(), 0);
  EXPECT_NE(test::readWholeFile(logs.file("ErrorLog.txt")).find("qzr is shut down\n"), std::string::npos);
}

TEST_F(RealWindow, WithoutEscapeHandlingOnlyAltF4Ends) {
  startProbe("noesc");
  ASSERT_EQ(xdo({"keydown", "Escape"}).exitCode, 0);
  ASSERT_TRUE(probe->waitForLine("escape seen")) << "Escape was not seen or ended the program";
  ASSERT_TRUE(probe->waitForLine("still running"));
  ASSERT_EQ(xdo({"keydown", "alt+F4"}).exitCode, 0);
  EXPECT_EQ(probe->waitForExit(), 0);
}

}  // namespace
}  // namespace vantrel
