// Line-addressed text files: lines 0 to 255 of one file held in memory, read and written by
// index as text or numbers, written back when another file is selected and at program end.
#pragma once

#include "core/string_value.h"

namespace vantrel {

constexpr int LINE_FILE_LINES = 256;
// A line keeps at most this many characters; a longer one read from a file is split there.
constexpr int LINE_FILE_LINE_LIMIT = 1023;

// The line without its line end; "NO_FILE" (error code 3) when the file cannot be read;
// "NO_DATA" for an empty line, or with error code 7 for an index outside 0 to 255.
StringValue getFileLine(const StringValue& file, double index);
int getFileLineInt(const StringValue& file, double index);
double getFileLineFloat(const StringValue& file, double index);
// Stores text as line index (cut to LINE_FILE_LINE_LIMIT); 0, or 7 with error code 7 for an
// index outside 0 to 255. A file that cannot be read starts out empty.
int putFileLine(const StringValue& file, double index, const StringValue& text);
// Stores the number with 10 significant digits and no trailing point.
int putFileLineFloat(const StringValue& file, double index, double number);
// Writes the held file back when a line was stored since it was read, and empties the cache.
void flushLineFile();

}  // namespace vantrel
