// Draws per second from the process-wide generator: each draw is a whole 256-word ISAAC step.
#include <benchmark/benchmark.h>

#include "core/math_commands.h"
#include "transforms/random.h"

namespace {

void nextRandomWordDraws(benchmark::State& state) {
  vantrel::seedGenerator(12345);
  for (auto _ : state) benchmark::DoNotOptimize(vantrel::nextRandomWord());
  state.counters["draws_per_second"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(nextRandomWordDraws);

void randomIntDraws(benchmark::State& state) {
  vantrel::seedRandom(12345);
  for (auto _ : state) benchmark::DoNotOptimize(vantrel::randomInt(99));
  state.counters["draws_per_second"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(randomIntDraws);

void seedGeneratorCalls(benchmark::State& state) {
  uint32_t seed = 0;
  for (auto _ : state) vantrel::seedGenerator(seed++);
  state.counters["seeds_per_second"] =
      benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(seedGeneratorCalls);

}  // namespace

BENCHMARK_MAIN();
