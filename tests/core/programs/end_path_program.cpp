// A program that exercises the END path according to its first argument.
#include <cstdio>
#include <cstring>
#include <string>

#include "vantrel.h"

using namespace vantrel;

namespace {

int quitCalls = 0;

const char* scenario() {
  static StringValue word;
  TextArray words;
  splitString(getCommandLine(), words, " ", 1);
  word = words.sizes[0] > 1 ? element(words, 1) : StringValue("normal");
  return word.text();
}

int onQuit() {
  ++quitCalls;
  std::printf("quit %d code %d\n", quitCalls, errorState().errorCode);
  std::fflush(stdout);
  if (std::strcmp(scenario(), "nested-end") == 0) endProgram();  // returns at once
  if (std::strcmp(scenario(), "fatal-in-quit") == 0) {
    IntArray a;
    element(a, 3) = 1;
  }
  return 0;
}

}  // namespace

namespace vantrel::application {

void applyProjectSettings() {
  projectSettings().debugMode = std::strcmp(scenario(), "debug-bounds") == 0 ? 1 : 0;
  windowTitle() = "End path";
}

int applicationMain() {
  std::string which = scenario();
  std::printf("main %s\n", getErrorText().text());
  if (which == "text-bounds" || which == "debug-bounds") {
    setSourcePosition(2, 17);
    TextArray a;
    dimension(a, 5);
    element(a, 7) = "x";
  } else if (which == "numeric-bounds") {
    DoubleArray a;
    dimension(a, 5);
    element(a, 5) = 1;
  } else if (which == "two-dim-bounds") {
    IntArray a;
    dimension(a, 3, 2);
    element(a, 1, 2) = 1;
  } else if (which == "push-multi") {
    TextArray a;
    dimension(a, 3, 2);
    append(a, StringValue("x"));
  } else if (which == "assert") {
    assertValue(1);
    std::printf("assert 1 passed\n");
    assertValue(0);
  } else if (which == "end") {
    endCommand();
  } else if (which == "call-by-name") {
    std::printf("fillZero %d missing %d\n", callByName("fillZero"), callByName("missing"));
  }
  std::printf("main returns\n");
  return 7;
}

int fillZero() { return 0; }

const NamedFunction namedFunctions[] = {
    {fillZero, "fillZero"}, {onQuit, "QZR_ON_QUIT"}, {nullptr, nullptr}};
StringValue buildStamp() { return StringValue("Oct  8 2012-11:44:04"); }
StringValue buildIdentifier() { return StringValue("test"); }
StringValue buildVersion() { return StringValue("000.001"); }

}  // namespace vantrel::application
