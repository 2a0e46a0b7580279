// Window start-up and frame pacing: the time from process start to the first line a program
// prints in its main (offscreen and under Xvfb), and how close 600 presents at 60 frames per
// second return to their frame slots under Xvfb (median and 99th percentile, goal p99 < 1 ms).
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "core/errors.h"
#include "core/project_settings.h"
#include "platform/files.h"
#include "window/engine.h"
#include "window/frame_loop.h"
#include "window/runtime_startup.h"

extern char** environ;

namespace {

using Clock = std::chrono::steady_clock;
constexpr int BOUND_MS = 30000;

// A child with its standard output on a pipe; killed and reaped when dropped.
struct Child {
  pid_t pid = -1;
  int output = -1;
  std::string buffer;

  Child(const std::vector<std::string>& arguments, const std::vector<std::string>& environment) {
    int ends[2];
    if (pipe2(ends, O_CLOEXEC) != 0) return;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, ends[1], 1);
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
    if (posix_spawn(&pid, arguments[0].c_str(), &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
    posix_spawn_file_actions_destroy(&actions);
    close(ends[1]);
    output = ends[0];
  }
  ~Child() {
    if (pid > 0) {
      kill(pid, SIGKILL);
      waitpid(pid, nullptr, 0);
    }
    if (output >= 0) close(output);
  }
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  // The next line of output; false at its end or after the bound.
  bool readLine(std::string* line) {
    for (;;) {
      std::size_t end = buffer.find('\n');
      if (end != std::string::npos) {
        *line = buffer.substr(0, end);
        buffer.erase(0, end + 1);
        return true;
      }
      pollfd descriptor{output, POLLIN, 0};
      if (poll(&descriptor, 1, BOUND_MS) <= 0) return false;
      char chunk[512];
      ssize_t got = read(output, chunk, sizeof chunk);
      if (got <= 0) return false;
      buffer.append(chunk, static_cast<std::size_t>(got));
    }
  }
  void finish() {
    std::string rest;
    while (readLine(&rest)) {
    }
    if (pid > 0 && waitpid(pid, nullptr, 0) == pid) pid = -1;
  }
};

std::string executableFolder() {
  std::string path = vantrel::platform::executablePath();
  return path.substr(0, path.find_last_of('/'));
}

std::string findProgram(const char* name) {
  const char* path = std::getenv("PATH");
  std::string folders = path ? path : "/usr/bin:/bin";
  for (std::size_t start = 0; start <= folders.size();) {
    std::size_t end = folders.find(':', start);
    if (end == std::string::npos) end = folders.size();
    std::string candidate = folders.substr(start, end - start) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return "";
}

// Xvfb on a display number of its own choosing, for as long as the object lives.
struct VirtualDisplay {
  std::unique_ptr<Child> server;
  std::string variable;  // "DISPLAY=:n", empty when Xvfb could not be started
  VirtualDisplay() {
    std::string xvfb = findProgram("Xvfb");
    if (xvfb.empty()) return;
    server = std::make_unique<Child>(
        std::vector<std::string>{xvfb, "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"},
        std::vector<std::string>{});
    std::string number;
    if (server->pid > 0 && server->readLine(&number)) variable = "DISPLAY=:" + number;
  }
};

// Spawns the example program and waits for the first line its main prints.
void measureStartup(benchmark::State& state, const std::vector<std::string>& environment) {
  std::string program = executableFolder() + "/../bin/hello";
  if (access(program.c_str(), X_OK) != 0) {
    state.SkipWithError("build the hello example first (bin/hello)");
    return;
  }
  char folder[] = "/tmp/vantrel-bench-XXXXXX";
  if (!mkdtemp(folder)) {
    state.SkipWithError("no temporary folder");
    return;
  }
  std::vector<std::string> env = environment;
  env.push_back(std::string("TMPDIR=") + folder);
  std::vector<double> times;
  for (auto _ : state) {
    auto start = Clock::now();
    Child child({program, "bench"}, env);
    std::string line;
    bool got = child.readLine(&line);
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    child.finish();
    if (!got) {
      state.SkipWithError("the program printed nothing");
      break;
    }
    times.push_back(seconds * 1000);
    state.SetIterationTime(seconds);
  }
  if (!times.empty()) {
    std::sort(times.begin(), times.end());
    state.counters["median_ms"] = times[times.size() / 2];
  }
  std::string log = std::string(folder) + "/ErrorLog.txt";
  unlink(log.c_str());
  rmdir(folder);
}

void BM_StartupToMain_Offscreen(benchmark::State& state) {
  measureStartup(state, {"SDL_VIDEODRIVER=offscreen", "DISPLAY=", "WAYLAND_DISPLAY="});
}
BENCHMARK(BM_StartupToMain_Offscreen)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_StartupToMain_Xvfb(benchmark::State& state) {
  VirtualDisplay display;
  if (display.variable.empty()) {
    state.SkipWithError("Xvfb is missing");
    return;
  }
  measureStartup(state, {"SDL_VIDEODRIVER=x11", display.variable});
}
BENCHMARK(BM_StartupToMain_Xvfb)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(20);

// The pacing figures come from a child (this program with --pacing-child) that starts the
// runtime on the display and presents 600 frames.
void measurePacing(benchmark::State& state, const std::vector<std::string>& environment) {
  char folder[] = "/tmp/vantrel-bench-XXXXXX";
  if (!mkdtemp(folder)) {
    state.SkipWithError("no temporary folder");
    return;
  }
  std::vector<std::string> env = environment;
  env.push_back(std::string("TMPDIR=") + folder);
  for (auto _ : state) {
    Child child({vantrel::platform::executablePath(), "--pacing-child"}, env);
    std::string line;
    double medianAbs = 0, p99Abs = 0, medianLate = 0, p99Late = 0, worst = 0;
    bool parsed = false;
    while (child.readLine(&line)) {
      if (std::sscanf(line.c_str(), "pacing %lf %lf %lf %lf %lf", &medianAbs, &p99Abs, &medianLate, &p99Late,
                      &worst) == 5) {
        parsed = true;
      }
    }
    child.finish();
    if (!parsed) {
      state.SkipWithError("the pacing child reported nothing (no window?)");
      break;
    }
    state.counters["median_abs_ms"] = medianAbs;
    state.counters["p99_abs_ms"] = p99Abs;
    state.counters["median_late_ms"] = medianLate;
    state.counters["p99_late_ms"] = p99Late;
    state.counters["worst_abs_ms"] = worst;
    state.counters["p99_goal_met"] = p99Abs < 1.0 ? 1 : 0;
  }
  std::string log = std::string(folder) + "/ErrorLog.txt";
  unlink(log.c_str());
  rmdir(folder);
}

void BM_FramePacing60_Xvfb(benchmark::State& state) {
  VirtualDisplay display;
  if (display.variable.empty()) {
    state.SkipWithError("Xvfb is missing");
    return;
  }
  measurePacing(state, {"SDL_VIDEODRIVER=x11", display.variable});
}
BENCHMARK(BM_FramePacing60_Xvfb)->Unit(benchmark::kMillisecond)->Iterations(1);

void BM_FramePacing60_Offscreen(benchmark::State& state) {
  measurePacing(state, {"SDL_VIDEODRIVER=offscreen", "DISPLAY=", "WAYLAND_DISPLAY="});
}
BENCHMARK(BM_FramePacing60_Offscreen)->Unit(benchmark::kMillisecond)->Iterations(1);

double percentile(std::vector<double> values, double fraction) {
  std::sort(values.begin(), values.end());
  std::size_t index = static_cast<std::size_t>(std::ceil(fraction * values.size())) - 1;
  return values[std::min(index, values.size() - 1)];
}

// 600 presents at 60 frames per second; for each, how far its return lies from the slot it
// waited for (negative: before the slot).
int runPacingChild() {
  using namespace vantrel;
  ProjectSettings& settings = projectSettings();
  settings.screenWidth = 640;
  settings.screenHeight = 480;
  settings.framesPerSecond = 60;
  startRuntime(1, "Pacing");
  OpenGLVerivure* e = engine();
  if (!e || !e->window) return 1;
  std::vector<double> lateness, distance;
  for (int frame = 0; frame < 600; ++frame) {
    double slot = e->nextFrameTime;
    presentFrame();
    double late = elapsedMs() - slot;
    lateness.push_back(late);
    distance.push_back(std::fabs(late));
  }
  std::printf("pacing %.4f %.4f %.4f %.4f %.4f\n", percentile(distance, 0.5), percentile(distance, 0.99),
              percentile(lateness, 0.5), percentile(lateness, 0.99), percentile(distance, 1.0));
  std::fflush(stdout);
  destroyEngine();
  destroyMainWindow();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1 && std::strcmp(argv[1], "--pacing-child") == 0) return runPacingChild();
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
