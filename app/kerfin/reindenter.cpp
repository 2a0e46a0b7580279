// Kerfin's process-wide values and steps, written as the dialect's translator writes programs:
// every operation is one of the runtime's commands.
#include "app/kerfin/reindenter.h"

#include "files/file_channels.h"
#include "gfx2d/text_output.h"
#include "vantrel.h"

namespace vantrel::kerfin {

namespace {

StringValue sourceFileName;
TextArray commandWords;
TextArray rules;
TextArray sourceLines;
TextArray lineWords;
TextArray ruleWords;
// Every rule split once after reading: its number of words, its first word and its action
// (empty for a rule of one word).
IntArray ruleWordCounts;
TextArray ruleFirstWords;
TextArray ruleActions;
StringValue indentPrefix;
double indentWidth = 4.0;
double lineHandled = 0;
double lineY = 0;

const char* const WHITE_SPACE = " \t\r\n\v\f";

void shortenPrefix() {
  indentPrefix = midText(indentPrefix, 0, static_cast<int>(indentPrefix.length - indentWidth));
}

void lengthenPrefix() {
  for (int i = 0; i < static_cast<int>(indentWidth); ++i) indentPrefix += " ";
}

// Reads every line of a channel into lines; with skipComments, lines starting with "#" are left out.
void readLines(int channel, const StringValue& name, TextArray& lines, bool skipComments) {
  openFile(channel, name, 1);
  StringValue line;
  while (!endOfFile(channel)) {
    readFileLine(channel, line);
    if (skipComments && midText(line, 0, 1) == "#") continue;
    append(lines, line);
  }
  closeFile(channel);
}

void applyRule(StringValue& line, const StringValue& action) {
  if (action == "<<") {
    indentPrefix = "";
    lineHandled = 0;
  } else if (action == "<") {
    shortenPrefix();
    line = indentPrefix + line;
    lineHandled = 1;
  } else if (action == ">") {
    line = indentPrefix + line;
    lengthenPrefix();
    lineHandled = 1;
    // A one-line IF inside a block keeps the level.
    if (findText(line, StringValue("IF "), 0) > 0 && findText(line, StringValue("THEN "), 0) > 0) shortenPrefix();
  } else if (action == "<>") {
    shortenPrefix();
    line = indentPrefix + line;
    lengthenPrefix();
    lineHandled = 1;
  } else if (action == "<<>") {
    indentPrefix = "";
    line = indentPrefix + line;
    lengthenPrefix();
    lineHandled = 1;
  }
}

}  // namespace

void setUp() {
  lineY = 0;
  indentPrefix = "";
  lineHandled = 0;
  indentWidth = 4.0;
  dimension(commandWords, 0);
  dimension(rules, 0);
  dimension(sourceLines, 0);
  dimension(lineWords, 0);
  dimension(ruleWords, 0);
  dimension(ruleWordCounts, 0);
  dimension(ruleFirstWords, 0);
  dimension(ruleActions, 0);
  splitString(getCommandLine(), commandWords, " ", 1);
  sourceFileName = dimensionSize(commandWords, 0) < 2 ? StringValue("testmy.qsrc") : element(commandWords, 1);
}

void readRules() {
  readLines(2, StringValue("Kerfin.keys"), rules, true);
  // A rule does not change while the lines are re-indented, so its words are split once here
  // rather than again for every line.
  const int ruleCount = dimensionSize(rules, 0);
  dimension(ruleWordCounts, ruleCount);
  dimension(ruleFirstWords, ruleCount);
  dimension(ruleActions, ruleCount);
  for (int r = 0; r < ruleCount; ++r) {
    const int words = splitString(element(rules, r), ruleWords, " ", 1);
    element(ruleWordCounts, r) = words;
    if (words >= 1) element(ruleFirstWords, r) = element(ruleWords, 0);
    if (words >= 2) element(ruleActions, r) = element(ruleWords, 1);
  }
}

void readSource() { readLines(1, sourceFileName, sourceLines, false); }

void trimLines() {
  const int count = dimensionSize(sourceLines, 0);
  for (int i = 0; i < count; ++i) element(sourceLines, i) = trimLeft(element(sourceLines, i), WHITE_SPACE);
}

int lineCount() { return dimensionSize(sourceLines, 0); }

void reindentLine(int index) {
  StringValue& line = element(sourceLines, index);
  lineHandled = 0;
  splitString(line, lineWords, " ", 1);
  if (dimensionSize(lineWords, 0) >= 1) {
    const int ruleCount = dimensionSize(rules, 0);
    for (int r = 0; r < ruleCount; ++r) {
      const int words = element(ruleWordCounts, r);
      if (words == 0) continue;
      if (element(ruleFirstWords, r) == element(lineWords, 0)) {
        if (words >= 2) {
          applyRule(line, element(ruleActions, r));
        } else {
          // A rule without an action word ends the program here: its word 1 is out of bounds.
          splitString(element(rules, r), ruleWords, " ", 1);
          applyRule(line, element(ruleWords, 1));
        }
      }
    }
  }
  if (lineHandled == 0) line = indentPrefix + line;
}

void drawLine(int index) {
  lineY = lineY + 20;
  printText(element(sourceLines, index), 0, lineY, 0);
}

void writeOutput() {
  openFile(1, StringValue("KerfinOut.qsrc"), 0);
  const int count = dimensionSize(sourceLines, 0);
  for (int i = 0; i < count; ++i) writeLine(1, element(sourceLines, i));
  closeFile(1);
}

int fillZero() {
  indentPrefix = "";
  return 0;
}

int fillLess() {
  shortenPrefix();
  return 0;
}

int fillMore() {
  lengthenPrefix();
  return 0;
}

}  // namespace vantrel::kerfin
