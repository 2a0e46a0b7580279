// encryptText and the Blowfish engine beside OpenSSL's BF_ecb_encrypt doing the same work:
// key schedule, zero-filled last block, halves byte-swapped to this engine's order, hex text.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/blowfish.h>

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "core/string_commands.h"
#include "transforms/encryption.h"

using namespace vantrel;

namespace {

const char KEY[] = "a bench password";

std::string sampleText(std::size_t bytes) {
  std::string text;
  unsigned seed = 7;
  while (text.size() < bytes) {
    seed = seed * 1103515245u + 12345u;
    text.push_back(static_cast<char>(' ' + (seed >> 16) % 95));
  }
  return text;
}

inline uint32_t byteSwap(uint32_t w) { return __builtin_bswap32(w); }

void encryptTextVantrel(benchmark::State& state) {
  const StringValue key(KEY);
  const StringValue text(sampleText(static_cast<std::size_t>(state.range(0))).c_str());
  for (auto _ : state) benchmark::DoNotOptimize(encryptText(key, text));
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

// The same result as encryptText, produced with OpenSSL's engine.
void encryptTextPlain(benchmark::State& state) {
  const std::string text = sampleText(static_cast<std::size_t>(state.range(0)));
  const int padded = static_cast<int>((text.size() + 7) / 8 * 8);
  std::vector<unsigned char> buffer(static_cast<std::size_t>(padded));
  for (auto _ : state) {
    BF_KEY key;
    BF_set_key(&key, sizeof KEY - 1, reinterpret_cast<const unsigned char*>(KEY));
    std::memset(buffer.data() + padded - 8, 0, 8);
    std::memcpy(buffer.data(), text.data(), text.size());
    for (int offset = 0; offset < padded; offset += 8) {
      uint32_t halves[2];
      std::memcpy(halves, buffer.data() + offset, 8);
      halves[0] = byteSwap(halves[0]);
      halves[1] = byteSwap(halves[1]);
      unsigned char block[8];
      std::memcpy(block, halves, 8);
      BF_ecb_encrypt(block, block, &key, BF_ENCRYPT);
      std::memcpy(halves, block, 8);
      halves[0] = byteSwap(halves[0]);
      halves[1] = byteSwap(halves[1]);
      std::memcpy(buffer.data() + offset, halves, 8);
    }
    benchmark::DoNotOptimize(hexEncode(buffer.data(), padded, 0));
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

// The block loop alone, key already set up: encryptBuffer against plain BF_ecb_encrypt.
void encryptBlocksVantrel(benchmark::State& state) {
  BlowfishKey key;
  setKey(key, reinterpret_cast<const uint8_t*>(KEY), sizeof KEY - 1);
  const std::string text = sampleText(static_cast<std::size_t>(state.range(0)));
  std::vector<uint8_t> out(text.size());
  for (auto _ : state) {
    encryptBuffer(key, reinterpret_cast<const uint8_t*>(text.data()), out.data(),
                  static_cast<int>(text.size()));
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

void encryptBlocksPlain(benchmark::State& state) {
  BF_KEY key;
  BF_set_key(&key, sizeof KEY - 1, reinterpret_cast<const unsigned char*>(KEY));
  const std::string text = sampleText(static_cast<std::size_t>(state.range(0)));
  std::vector<unsigned char> out(text.size());
  for (auto _ : state) {
    for (std::size_t offset = 0; offset < text.size(); offset += 8) {
      BF_ecb_encrypt(reinterpret_cast<const unsigned char*>(text.data()) + offset,
                     out.data() + offset, &key, BF_ENCRYPT);
    }
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(state.iterations() * state.range(0));
}

void keySetupVantrel(benchmark::State& state) {
  BlowfishKey key;
  for (auto _ : state) {
    setKey(key, reinterpret_cast<const uint8_t*>(KEY), sizeof KEY - 1);
    benchmark::DoNotOptimize(key.p[0]);
  }
}

void keySetupPlain(benchmark::State& state) {
  BF_KEY key;
  for (auto _ : state) {
    BF_set_key(&key, sizeof KEY - 1, reinterpret_cast<const unsigned char*>(KEY));
    benchmark::DoNotOptimize(key.P[0]);
  }
}

// Prints, for each "X/vantrel/N" beside "X/openssl/N", the runtime's speed as a percentage of
// OpenSSL's, by CPU time (steadier than wall time on a shared machine) and by wall time.
class SpeedReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median") continue;
      std::string name = run.run_name.str();
      times_[name] = {run.GetAdjustedCPUTime(), run.GetAdjustedRealTime()};
    }
  }
  void Finalize() override {
    ConsoleReporter::Finalize();
    std::printf("\nvantrel speed as %% of OpenSSL (openssl time / vantrel time):\n");
    std::printf("  %-24s %8s %8s\n", "", "cpu", "wall");
    for (const auto& [name, time] : times_) {
      const std::size_t cut = name.find("/vantrel");
      if (cut == std::string::npos) continue;
      const std::string other = name.substr(0, cut) + "/openssl" + name.substr(cut + 8);
      const auto found = times_.find(other);
      if (found == times_.end()) continue;
      std::printf("  %-24s %7.1f%% %7.1f%%\n", (name.substr(0, cut) + name.substr(cut + 8)).c_str(),
                  100 * found->second.first / time.first, 100 * found->second.second / time.second);
    }
  }

 private:
  std::map<std::string, std::pair<double, double>> times_;
};

void registerAll() {
  for (int bytes : {64, 4096, 65536, 1 << 20}) {
    benchmark::RegisterBenchmark("EncryptText/vantrel", encryptTextVantrel)->Arg(bytes);
    benchmark::RegisterBenchmark("EncryptText/openssl", encryptTextPlain)->Arg(bytes);
  }
  for (int bytes : {4096, 1 << 20}) {
    benchmark::RegisterBenchmark("EncryptBlocks/vantrel", encryptBlocksVantrel)->Arg(bytes);
    benchmark::RegisterBenchmark("EncryptBlocks/openssl", encryptBlocksPlain)->Arg(bytes);
  }
  benchmark::RegisterBenchmark("KeySetup/vantrel", keySetupVantrel);
  benchmark::RegisterBenchmark("KeySetup/openssl", keySetupPlain);
}

}  // namespace

int main(int argc, char** argv) {
  registerAll();
  benchmark::Initialize(&argc, argv);
  SpeedReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return 0;
}
