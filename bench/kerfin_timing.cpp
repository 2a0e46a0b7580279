// Kerfin's steps timed one by one on a source named on the command line, beside a plain C++
// re-indenter with std::string doing the same rules on the same input. A program on the
// runtime: the driver (scripts/bench-kerfin) starts it once per source size and passes the
// time it was started in VANTREL_BENCH_START_NS, so start-up is measured from process start.
#include <time.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/kerfin/reindenter.h"
#include "vantrel.h"

namespace {

double nowMs() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// The driver passes the wall-clock time it started the program at.
double wallClockMs() {
  timespec t;
  clock_gettime(CLOCK_REALTIME, &t);
  return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

std::vector<std::string> words(const std::string& line) {
  std::vector<std::string> out;
  std::size_t position = 0;
  while (position < line.size()) {
    position = line.find_first_not_of(' ', position);
    if (position == std::string::npos) break;
    std::size_t end = line.find(' ', position);
    if (end == std::string::npos) end = line.size();
    out.emplace_back(line, position, end - position);
    position = end + 1;
  }
  return out;
}

struct PlainTimes {
  double read, reindent, write;
};

// The plain version: getline, rules split once, std::string prefixes, one buffered write.
PlainTimes plainReindent(const std::string& rulesPath, const std::string& sourcePath, const std::string& outPath) {
  PlainTimes times{};
  double t0 = nowMs();
  std::vector<std::vector<std::string>> rules;
  {
    std::ifstream in(rulesPath, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty() && line[0] == '#') continue;
      std::vector<std::string> w = words(line);
      if (!w.empty()) rules.push_back(std::move(w));
    }
  }
  std::vector<std::string> lines;
  {
    std::ifstream in(sourcePath, std::ios::binary);
    for (std::string line; std::getline(in, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      lines.push_back(std::move(line));
    }
  }
  double t1 = nowMs();
  std::string prefix;
  auto shorten = [&] { prefix.resize(prefix.size() >= 4 ? prefix.size() - 4 : 0); };
  for (std::string& line : lines) {
    line.erase(0, line.find_first_not_of(" \t\r\n\v\f") == std::string::npos ? line.size() : line.find_first_not_of(" \t\r\n\v\f"));
    std::size_t firstStart = line.find_first_not_of(' ');
    bool handled = false;
    if (firstStart != std::string::npos) {
      std::size_t firstEnd = line.find(' ', firstStart);
      std::string first = line.substr(firstStart, firstEnd == std::string::npos ? std::string::npos : firstEnd - firstStart);
      for (const std::vector<std::string>& rule : rules) {
        if (rule[0] != first || rule.size() < 2) continue;
        const std::string& action = rule[1];
        if (action == "<<") { prefix.clear(); handled = false; }
        else if (action == "<") { shorten(); line = prefix + line; handled = true; }
        else if (action == ">") {
          line = prefix + line; prefix += "    "; handled = true;
          std::size_t i = line.find("IF "), t = line.find("THEN ");
          if (i != std::string::npos && i > 0 && t != std::string::npos && t > 0) shorten();
        } else if (action == "<>") { shorten(); line = prefix + line; prefix += "    "; handled = true; }
        else if (action == "<<>") { prefix.clear(); line = prefix + line; prefix += "    "; handled = true; }
      }
    }
    if (!handled) line = prefix + line;
  }
  double t2 = nowMs();
  {
    std::ofstream out(outPath, std::ios::binary | std::ios::trunc);
    for (const std::string& line : lines) out << line << "\r\n";
  }
  double t3 = nowMs();
  times.read = t1 - t0;
  times.reindent = t2 - t1;
  times.write = t3 - t2;
  return times;
}

std::string wholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

}  // namespace

namespace vantrel::application {

void applyProjectSettings() {
  ProjectSettings& settings = projectSettings();
  settings.screenWidth = 640;
  settings.screenHeight = 480;
  settings.framesPerSecond = 60;
  windowTitle() = "Kerfin";
}

int applicationMain() {
  const double entered = wallClockMs();
  const char* started = std::getenv("VANTREL_BENCH_START_NS");
  const double startup = started ? entered - std::atof(started) / 1e6 : 0;
  double t0 = nowMs();
  kerfin::setUp();
  kerfin::readRules();
  kerfin::readSource();
  double t1 = nowMs();
  kerfin::trimLines();
  const int count = kerfin::lineCount();
  for (int i = 0; i < count; ++i) kerfin::reindentLine(i);
  double t2 = nowMs();
  for (int i = 0; i < count; ++i) kerfin::drawLine(i);
  double t3 = nowMs();
  kerfin::writeOutput();
  double t4 = nowMs();

  TextArray words;
  splitString(getCommandLine(), words, " ", 1);
  std::string source = element(words, 1).text();
  PlainTimes plain = plainReindent("Kerfin.keys", source, "PlainOut.qsrc");
  const bool same = wholeFile("KerfinOut.qsrc") == wholeFile("PlainOut.qsrc");
  const double kerfinPast = (t1 - t0) + (t2 - t1) + (t3 - t2) + (t4 - t3);
  const double plainAll = plain.read + plain.reindent + plain.write;
  std::printf("%9d lines  start-up %7.1f  read %7.1f  reindent %7.1f  draw %7.1f  write %7.1f  | plain read %6.1f"
              "  reindent %6.1f  write %6.1f  | past start-up %.2fx plain  outputs %s\n",
              count, startup, t1 - t0, t2 - t1, t3 - t2, t4 - t3, plain.read, plain.reindent, plain.write,
              kerfinPast / plainAll, same ? "identical" : "DIFFER");
  return 0;
}

const NamedFunction namedFunctions[] = {{nullptr, nullptr}};
StringValue buildStamp() { return StringValue("Oct  8 2012-11:44:04"); }
StringValue buildIdentifier() { return StringValue("ec2bb9fd"); }
StringValue buildVersion() { return StringValue("000.001"); }

}  // namespace vantrel::application
