// Kerfin: re-indents a source file of the dialect by the rules in "Kerfin.keys", draws the
// re-indented lines and writes them to "KerfinOut.qsrc". Written as the dialect's translator
// writes programs: process-wide values and the runtime's commands.
#include "files/file_channels.h"
#include "gfx2d/text_output.h"
#include "vantrel.h"

namespace vantrel::application {

namespace {

StringValue sourceFileName;
TextArray commandWords;
TextArray rules;
TextArray sourceLines;
TextArray lineWords;
TextArray ruleWords;
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

void applyProjectSettings() {
  ProjectSettings& settings = projectSettings();
  settings.screenWidth = 640;
  settings.screenHeight = 480;
  settings.framesPerSecond = 60;
  settings.fullScreen = 0;
  settings.windowOption = 0;
  settings.inputOption = 0;
  settings.debugMode = 0;
  windowTitle() = "Kerfin";
}

int applicationMain() {
  lineY = 0;
  indentPrefix = "";
  lineHandled = 0;
  indentWidth = 4.0;
  dimension(commandWords, 0);
  dimension(rules, 0);
  dimension(sourceLines, 0);
  dimension(lineWords, 0);
  dimension(ruleWords, 0);

  splitString(getCommandLine(), commandWords, " ", 1);
  sourceFileName = dimensionSize(commandWords, 0) < 2 ? StringValue("testmy.qsrc") : element(commandWords, 1);

  readLines(2, StringValue("Kerfin.keys"), rules, true);
  readLines(1, sourceFileName, sourceLines, false);

  const int lineCount = dimensionSize(sourceLines, 0);
  for (int i = 0; i < lineCount; ++i) element(sourceLines, i) = trimLeft(element(sourceLines, i), WHITE_SPACE);

  const int ruleCount = dimensionSize(rules, 0);
  for (int i = 0; i < lineCount; ++i) {
    StringValue& line = element(sourceLines, i);
    lineHandled = 0;
    splitString(line, lineWords, " ", 1);
    if (dimensionSize(lineWords, 0) >= 1) {
      for (int r = 0; r < ruleCount; ++r) {
        splitString(element(rules, r), ruleWords, " ", 1);
        if (dimensionSize(ruleWords, 0) == 0) continue;
        if (element(ruleWords, 0) == element(lineWords, 0)) applyRule(line, element(ruleWords, 1));
      }
    }
    if (lineHandled == 0) line = indentPrefix + line;
    lineY = lineY + 20;
    printText(StringValue(line), 0, lineY, 0);
  }

  openFile(1, StringValue("KerfinOut.qsrc"), 0);
  for (int i = 0; i < lineCount; ++i) writeLine(1, element(sourceLines, i));
  closeFile(1);
  return 0;
}

namespace {

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

}  // namespace

const NamedFunction namedFunctions[] = {
    {fillLess, "fillLess"}, {fillMore, "fillMore"}, {fillZero, "fillZero"}, {nullptr, nullptr}};

StringValue buildStamp() { return StringValue("Oct  8 2012") + "-" + "11:44:04"; }
StringValue buildIdentifier() { return StringValue("ec2bb9fd"); }
StringValue buildVersion() { return StringValue("000.001"); }

}  // namespace vantrel::application
