// Line reading through a file channel beside std::getline on the same file, and lookups in
// an appended archive of 1000 entries. The ratio printed at the end is std::getline's time over
// readFileLine's ("Lines/plain" against "Lines/vantrel").
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "bench/ratio_reporter.h"
#include "files/appended_archive.h"
#include "files/file_channels.h"
#include "transforms/pack_codec.h"

namespace {

namespace fs = std::filesystem;
using namespace vantrel;

constexpr int LINE_COUNT = 200000;
constexpr int ENTRY_COUNT = 1000;

struct Fixture {
  fs::path folder;
  std::string linesPath;
  std::string carrierPath;
  int64_t lineBytes = 0;

  Fixture() {
    std::mt19937 random(7);
    folder = fs::temp_directory_path() / ("vantrel-bench-" + std::to_string(random()));
    fs::create_directories(folder);
    linesPath = (folder / "lines.txt").string();
    std::string text;
    for (int i = 0; i < LINE_COUNT; ++i) {
      // Source-like lines: 0 to 120 bytes, CR LF ends.
      text.append(random() % 121, static_cast<char>('a' + i % 26));
      text += "\r\n";
    }
    std::ofstream(linesPath, std::ios::binary) << text;
    lineBytes = static_cast<int64_t>(text.size());

    // A carrier of 1000 small entries behind 64 KiB of "program".
    std::string carrier(65536, 'P');
    struct Entry {
      std::string name;
      int32_t offset;
      int32_t size;
    };
    std::vector<Entry> entries;
    for (int i = 0; i < ENTRY_COUNT; ++i) {
      std::string contents = "entry " + std::to_string(i) + "\n" + std::string(200 + i % 300, 'x');
      std::vector<uint8_t> stored;
      PackCodec::encodeEntry(reinterpret_cast<const uint8_t*>(contents.data()), contents.size(), stored);
      entries.push_back({"file" + std::to_string(i) + ".dat", static_cast<int32_t>(carrier.size()),
                         static_cast<int32_t>(stored.size())});
      carrier.append(stored.begin(), stored.end());
    }
    auto word = [&carrier](int32_t value) {
      for (int i = 0; i < 4; ++i) carrier.push_back(static_cast<char>(static_cast<uint32_t>(value) >> (8 * i)));
    };
    const int32_t directory = static_cast<int32_t>(carrier.size());
    for (const Entry& entry : entries) {
      carrier.push_back(static_cast<char>(entry.name.size()));
      carrier += entry.name;
      word(entry.offset);
      word(entry.size);
    }
    carrier.push_back(0);
    carrier += "sbX";
    word(directory);
    carrierPath = (folder / "carrier.bin").string();
    std::ofstream(carrierPath, std::ios::binary) << carrier;
    createArchives();
    setArchiveFiles(carrierPath.c_str(), carrierPath.c_str());
  }
  ~Fixture() {
    releaseArchives();
    std::error_code ignored;
    fs::remove_all(folder, ignored);
  }
};

Fixture& fixture() {
  static Fixture instance;
  return instance;
}

void BM_ReadFileLine(benchmark::State& state) {
  Fixture& f = fixture();
  const StringValue name = f.linesPath.c_str();
  for (auto _ : state) {
    openFile(0, name, 1);
    StringValue line;
    int64_t lines = 0;
    while (!endOfFile(0)) {
      readFileLine(0, line);
      ++lines;
    }
    closeFile(0);
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(state.iterations() * f.lineBytes);
  state.counters["lines/s"] = benchmark::Counter(double(LINE_COUNT) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_ReadFileLine)->Name("Lines/vantrel")->Unit(benchmark::kMillisecond);

void BM_StdGetline(benchmark::State& state) {
  Fixture& f = fixture();
  for (auto _ : state) {
    std::ifstream in(f.linesPath, std::ios::binary);
    std::string line;
    int64_t lines = 0;
    while (std::getline(in, line)) ++lines;
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(state.iterations() * f.lineBytes);
  state.counters["lines/s"] = benchmark::Counter(double(LINE_COUNT) * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_StdGetline)->Name("Lines/plain")->Unit(benchmark::kMillisecond);

// Lookups scan the directory from the carrier file each time: first, last and absent names.
void BM_ArchiveLookup(benchmark::State& state) {
  fixture();
  const int which = static_cast<int>(state.range(0));
  const std::string request = which < 0 ? std::string("Media/absent.dat")
                                        : "Media/FILE" + std::to_string(which) + ".DAT";
  char out[1024];
  for (auto _ : state) {
    int found = resolveFileName(mainArchive(), request.c_str(), out, true);
    benchmark::DoNotOptimize(found);
  }
  state.SetLabel(which < 0 ? "absent" : "entry " + std::to_string(which));
}
BENCHMARK(BM_ArchiveLookup)->Arg(0)->Arg(ENTRY_COUNT - 1)->Arg(-1)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) { return vantrel::bench::runWithRatios(argc, argv); }
