// Fuzzes the reader of the XDG user-dirs file behind the "DOCUMENTS" folder over arbitrary text.
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/system_info.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::string folder = vantrel::platform::userDirectoryFromText(text, "XDG_DOCUMENTS_DIR", "/home/fuzz");
  // Whatever comes out is an absolute path without a trailing separator.
  if (!folder.empty() && (folder[0] != '/' || (folder.size() > 1 && folder.back() == '/'))) __builtin_trap();
  return 0;
}
