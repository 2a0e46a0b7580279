// Window start-up and frame pacing: the time from process start to the first line a program
// prints in its main (offscreen and under Xvfb), and how close 600 presents at 60 frames per
// second return to their frame slots under Xvfb (median and 99th percentile, goal p99 < 1 ms).
#include <benchmark/benchmark.h>
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
#include "tests/support/test_support.h"
#include "window/engine.h"
#include "window/frame_loop.h"
#include "window/runtime_startup.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string executableFolder() {
  std::string path = vantrel::platform::executablePath();
  return path.substr(0, path.find_last_of('/'));
}

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
    vantrel::test::LineReadingChild child({program, "bench"}, env);
    std::string line;
    bool got = child.readLine(&line);
    double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    child.waitForExit();
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
  vantrel::test::VirtualDisplay display;
  if (display.variable().empty()) {
    state.SkipWithError("Xvfb is missing");
    return;
  }
  measureStartup(state, {"SDL_VIDEODRIVER=x11", display.variable()});
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
    vantrel::test::LineReadingChild child({vantrel::platform::executablePath(), "--pacing-child"}, env);
    std::string line;
    double medianAbs = 0, p99Abs = 0, medianLate = 0, p99Late = 0, worst = 0;
    bool parsed = false;
    while (child.readLine(&line)) {
      if (std::sscanf(line.c_str(), "pacing %lf %lf %lf %lf %lf", &medianAbs, &p99Abs, &medianLate, &p99Late,
                      &worst) == 5) {
        parsed = true;
      }
    }
    child.waitForExit();
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
  vantrel::test::VirtualDisplay display;
  if (display.variable().empty()) {
    state.SkipWithError("Xvfb is missing");
    return;
  }
  measurePacing(state, {"SDL_VIDEODRIVER=x11", display.variable()});
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
