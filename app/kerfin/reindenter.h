// Kerfin's steps: set-up, reading, re-indenting, drawing and writing, over its process-wide
// values. The application runs them in order; the benchmark times them one by one.
#pragma once

namespace vantrel::kerfin {

void setUp();            // values, arrays and the source name from the command line
void readRules();        // "Kerfin.keys" through channel 2, comment lines left out
void readSource();       // the source through channel 1
void trimLines();        // leading white space removed from every line
int lineCount();
void reindentLine(int index);  // the rules applied to one line and the prefix carried on
void drawLine(int index);      // one line drawn 20 pixels below the previous one
void writeOutput();      // "KerfinOut.qsrc" through channel 1

int fillZero();
int fillLess();
int fillMore();

}  // namespace vantrel::kerfin
