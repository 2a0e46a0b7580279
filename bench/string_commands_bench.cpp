// splitString, findText, replaceText and appending beside the same work on std::string.
#include <string>
#include <vector>

#include "bench/ratio_reporter.h"
#include "core/string_commands.h"

using namespace vantrel;

namespace {

std::string sampleLine(int words) {
  std::string line;
  for (int i = 0; i < words; ++i) {
    line += "word" + std::to_string(i % 97);
    line += (i % 7 == 0) ? "  " : " ";
  }
  return line;
}

std::string sampleText(std::size_t bytes) {
  std::string text;
  unsigned seed = 1;
  while (text.size() < bytes) {
    seed = seed * 1103515245u + 12345u;
    text.push_back(static_cast<char>('a' + (seed >> 16) % 20));
  }
  return text;
}

void splitVantrel(benchmark::State& state) {
  StringValue line(sampleLine(static_cast<int>(state.range(0))).c_str());
  TextArray words;
  for (auto _ : state) benchmark::DoNotOptimize(splitString(line, words, " ", 1));
}

void splitPlain(benchmark::State& state) {
  std::string line = sampleLine(static_cast<int>(state.range(0)));
  std::vector<std::string> words;
  for (auto _ : state) {
    words.clear();
    std::size_t start = 0;
    while (start < line.size()) {
      start = line.find_first_not_of(' ', start);
      if (start == std::string::npos) break;
      std::size_t end = line.find(' ', start);
      if (end == std::string::npos) end = line.size();
      words.emplace_back(line, start, end - start);
      start = end + 1;
    }
    benchmark::DoNotOptimize(words.size());
  }
}

void findVantrel(benchmark::State& state) {
  std::string text = sampleText(static_cast<std::size_t>(state.range(0)));
  StringValue haystack((text + "needlexyz").c_str());
  StringValue needle("needlexyz");
  for (auto _ : state) benchmark::DoNotOptimize(findText(haystack, needle, 0));
}

void findPlain(benchmark::State& state) {
  std::string haystack = sampleText(static_cast<std::size_t>(state.range(0))) + "needlexyz";
  std::string needle = "needlexyz";
  for (auto _ : state) benchmark::DoNotOptimize(haystack.find(needle));
}

void replaceVantrel(benchmark::State& state) {
  StringValue text(sampleLine(static_cast<int>(state.range(0))).c_str());
  StringValue what("word1"), with("WORD-ONE");
  for (auto _ : state) {
    StringValue result = replaceText(text, what, with);
    benchmark::DoNotOptimize(result.length);
  }
}

void replacePlain(benchmark::State& state) {
  std::string text = sampleLine(static_cast<int>(state.range(0)));
  const std::string what = "word1", with = "WORD-ONE";
  for (auto _ : state) {
    std::string result;
    result.reserve(text.size());
    std::size_t position = 0, found;
    while ((found = text.find(what, position)) != std::string::npos) {
      result.append(text, position, found - position).append(with);
      position = found + what.size();
    }
    result.append(text, position, std::string::npos);
    benchmark::DoNotOptimize(result.size());
  }
}

void appendVantrel(benchmark::State& state) {
  for (auto _ : state) {
    StringValue text;
    for (int i = 0; i < state.range(0); ++i) text.append("piece ");
    benchmark::DoNotOptimize(text.length);
  }
}

void appendPlain(benchmark::State& state) {
  for (auto _ : state) {
    std::string text;
    for (int i = 0; i < state.range(0); ++i) text.append("piece ");
    benchmark::DoNotOptimize(text.size());
  }
}

}  // namespace

BENCHMARK(splitVantrel)->Name("split/vantrel")->Arg(16)->Arg(1000);
BENCHMARK(splitPlain)->Name("split/plain")->Arg(16)->Arg(1000);
BENCHMARK(findVantrel)->Name("find/vantrel")->Arg(64)->Arg(100000);
BENCHMARK(findPlain)->Name("find/plain")->Arg(64)->Arg(100000);
BENCHMARK(replaceVantrel)->Name("replace/vantrel")->Arg(16)->Arg(1000);
BENCHMARK(replacePlain)->Name("replace/plain")->Arg(16)->Arg(1000);
BENCHMARK(appendVantrel)->Name("append/vantrel")->Arg(16)->Arg(10000);
BENCHMARK(appendPlain)->Name("append/plain")->Arg(16)->Arg(10000);

int main(int argc, char** argv) { return vantrel::bench::runWithRatios(argc, argv); }
