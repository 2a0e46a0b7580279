// FileReplacement: writes a file's new contents beside it and renames them over the old file,
// so that the name holds either the old or the new contents complete at every moment.
#pragma once

#include <cstdint>

#include "core/string_value.h"
#include "files/data_stream.h"

namespace vantrel {

class FileReplacement {
 public:
  // Creates the temporary file name + TEMPORARY_SUFFIX in the same folder; false when it
  // cannot be made (memory names and names too long for the suffix never can).
  bool begin(const char* name);
  // Keeps the first failure: once a write failed, commit refuses.
  void write(const void* bytes, int32_t n);
  void write(const char* text);
  // Forces the contents to the disk and renames them over the old file (an empty folder of
  // that name is removed first). On any failure the temporary file is removed, the old file
  // stays as it was, and the result is false.
  bool commit();
  // Drops an uncommitted replacement.
  ~FileReplacement();

  FileReplacement() = default;
  FileReplacement(const FileReplacement&) = delete;
  FileReplacement& operator=(const FileReplacement&) = delete;

  static constexpr const char* TEMPORARY_SUFFIX = ".vantrel-new";

 private:
  void abandon();

  DataStream stream_;
  StringValue target_;
  StringValue temporary_;
  bool failed_ = false;
};

}  // namespace vantrel
