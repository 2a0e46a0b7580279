// Write-then-rename replacement of a file through DataStream and platform/system_info.h.
#include "files/file_replacement.h"

#include <cstring>

#include "platform/files.h"
#include "platform/system_info.h"

namespace vantrel {

bool FileReplacement::begin(const char* name) {
  abandon();
  failed_ = false;
  if (!name || !*name || isMemoryName(name)) return false;
  // A temporary name cut short by the OS name buffer could be the target itself.
  if (std::strlen(name) + std::strlen(TEMPORARY_SUFFIX) >= platform::PATH_BUFFER_SIZE) return false;
  target_ = name;
  temporary_ = joinText(name, TEMPORARY_SUFFIX);
  // openWrite clears away a temporary file (or empty folder) that an earlier run left.
  if (stream_.openWrite(temporary_.text())) return true;
  temporary_ = StringValue();
  return false;
}

void FileReplacement::write(const void* bytes, int32_t n) {
  if (failed_ || !stream_.isOpen()) {
    failed_ = true;
    return;
  }
  if (!stream_.writeBytes(bytes, n)) failed_ = true;
}

void FileReplacement::write(const char* text) {
  write(text, static_cast<int32_t>(std::strlen(text)));
}

bool FileReplacement::commit() {
  if (failed_ || !stream_.isOpen() || !platform::syncFile(stream_.file)) {
    abandon();
    return false;
  }
  stream_.close();
  if (platform::pathKind(target_.text()) == platform::PathKind::Folder)
    platform::removeFolder(target_.text());
  if (!platform::replaceFile(temporary_.text(), target_.text())) {
    abandon();
    return false;
  }
  temporary_ = StringValue();
  return true;
}

FileReplacement::~FileReplacement() { abandon(); }

void FileReplacement::abandon() {
  stream_.close();
  if (!temporary_.isEmpty()) platform::deleteFile(temporary_.text());
  temporary_ = StringValue();
}

}  // namespace vantrel
