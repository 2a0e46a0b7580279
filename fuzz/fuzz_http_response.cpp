// Fuzzes the HTTP response scanner: a response cut into reads of any size, with a text limit,
// checked against a one-pass reading of the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "net/web_requests.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  // First byte: the text room; second: the size of each read.
  const int64_t room = data[0];
  const size_t step = 1 + data[1];
  const char* response = reinterpret_cast<const char*>(data + 2);
  const size_t length = size - 2;

  ResponseReader pieces(nullptr, room);
  for (size_t at = 0; at < length && !pieces.textFinished(); at += step) {
    size_t count = length - at < step ? length - at : step;
    if (!pieces.take(response + at, static_cast<int>(count))) std::abort();
  }
  ResponseReader whole(nullptr, room);
  if (!whole.take(response, static_cast<int>(length))) std::abort();

  if (pieces.text() != whole.text()) std::abort();
  if (room >= 1 && static_cast<int64_t>(whole.text().size()) > room - 1) std::abort();
  if (whole.text().find('\0') != std::string::npos) std::abort();
  return 0;
}
