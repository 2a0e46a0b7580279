// The line-file cache over resolveFileName and DataStream; write-back through FileReplacement.
#include "files/line_files.h"

#include <cmath>
#include <cstring>

#include "core/errors.h"
#include "files/appended_archive.h"
#include "files/data_stream.h"
#include "files/file_replacement.h"
#include "platform/files.h"

namespace vantrel {

namespace {

struct LineFileCache {
  StringValue fileName;  // empty: no file held
  StringValue lines[LINE_FILE_LINES];
  int32_t lastIndex = 0;  // the file has lastIndex + 1 lines
  uint8_t dirty = 0;
};

LineFileCache& cache() {
  static LineFileCache instance;
  return instance;
}

// The index as the commands take it: truncated, and -1 when outside 0 .. 255.
int lineIndex(double index) {
  double whole = std::trunc(index);
  return whole >= 0 && whole < LINE_FILE_LINES ? static_cast<int>(whole) : -1;
}

// Lines 0 .. lastIndex, each followed by "\r\n". A file that cannot be written is skipped.
void writeBack(const LineFileCache& held) {
  FileReplacement file;
  if (!file.begin(held.fileName.text())) return;
  for (int32_t i = 0; i <= held.lastIndex; ++i) {
    file.write(held.lines[i].text(), static_cast<int32_t>(held.lines[i].length));
    file.write("\r\n", 2);
  }
  file.commit();
}

void emptyCache(LineFileCache& held) {
  for (StringValue& line : held.lines) line.destroy();
  held.fileName.destroy();
  held.lastIndex = 0;
  held.dirty = 0;
}

// Makes name the held file (null: none), writing the previous one back if it changed.
// 3 with error code 3 when the new file cannot be read; the cache then holds it empty.
int selectLineFile(const char* name) {
  clearError();
  LineFileCache& held = cache();
  if (name && std::strcmp(name, held.fileName.text()) == 0) return 0;
  if (!held.fileName.isEmpty() && held.dirty) writeBack(held);
  emptyCache(held);
  if (!name) return 0;

  held.fileName = name;
  char resolved[platform::PATH_BUFFER_SIZE];
  // A name the lookup does not know (a memory name, for one) is opened as it was given.
  const char* source = resolveFileName(mainArchive(), name, resolved, true) ? resolved : name;
  DataStream stream;
  if (!stream.openRead(source)) {
    raiseError(ERR_NO_SUCH_FILE);
    return ERR_NO_SUCH_FILE;
  }
  char line[LINE_FILE_LINE_LIMIT + 1];
  int32_t count = 0;
  while (count < LINE_FILE_LINES && stream.readLine(line, LINE_FILE_LINE_LIMIT)) {
    held.lines[count++] = line;
  }
  held.lastIndex = count > 0 ? count - 1 : 0;
  return 0;
}

}  // namespace

StringValue getFileLine(const StringValue& file, double index) {
  int i = lineIndex(index);
  if (i < 0) {
    raiseError(ERR_OUT_OF_MEMORY);
    return StringValue("NO_DATA");
  }
  if (selectLineFile(file.text()) != 0) return StringValue("NO_FILE");
  const StringValue& stored = cache().lines[i];
  uint32_t length = stored.length;
  while (length > 0 && static_cast<unsigned char>(stored.buffer[length - 1]) < 32) --length;
  if (length == 0) return StringValue("NO_DATA");
  return StringValue(stored.buffer, length);
}

int getFileLineInt(const StringValue& file, double index) { return getFileLine(file, index).toInt(); }

double getFileLineFloat(const StringValue& file, double index) {
  return getFileLine(file, index).toDouble();
}

int putFileLine(const StringValue& file, double index, const StringValue& text) {
  int i = lineIndex(index);
  if (i < 0) {
    raiseError(ERR_OUT_OF_MEMORY);
    return ERR_OUT_OF_MEMORY;
  }
  selectLineFile(file.text());
  LineFileCache& held = cache();
  std::size_t length = cLength(text);
  if (length > LINE_FILE_LINE_LIMIT) length = LINE_FILE_LINE_LIMIT;
  held.lines[i] = StringValue(text.text(), length);
  if (i > held.lastIndex) held.lastIndex = i;
  held.dirty = 1;
  return 0;
}

int putFileLineFloat(const StringValue& file, double index, double number) {
  return putFileLine(file, index, numberToText(number));
}

void flushLineFile() {
  LineFileCache& held = cache();
  if (!held.fileName.isEmpty() && held.dirty) writeBack(held);
  emptyCache(held);
}

}  // namespace vantrel
