// Feeds arbitrary bytes to the text commands that take any text: the first byte picks the
// command, the rest is split into the command's arguments.
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/string_commands.h"

using namespace vantrel;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const uint8_t selector = data[0];
  std::string rest(reinterpret_cast<const char*>(data + 1), size - 1);
  std::size_t cut = rest.find('\x01');
  std::string first = rest.substr(0, cut);
  std::string second = cut == std::string::npos ? std::string() : rest.substr(cut + 1);
  std::size_t cut2 = second.find('\x01');
  std::string third = cut2 == std::string::npos ? std::string() : second.substr(cut2 + 1);
  if (cut2 != std::string::npos) second.resize(cut2);
  StringValue a(first.data(), first.size()), b(second.data(), second.size()), c(third.data(), third.size());
  int number = size > 1 ? static_cast<int8_t>(data[1]) : 0;

  switch (selector % 6) {
    case 0: urlDecode(a); break;
    case 1: utf8ToLatin1(a); break;
    case 2: {
      TextArray fields;
      splitString(a, fields, b.text(), number & 1);
      splitString(a, fields, "", 0);
      break;
    }
    case 3:
      findLastText(a, b, number);
      findText(a, b, number);
      break;
    case 4: replaceText(a, b, c); break;
    case 5: {
      double width = number * 37.0, decimals = (size > 2 ? static_cast<int8_t>(data[2]) : 0) * 11.0;
      double value = a.toDouble();
      formatNumber(width, decimals, value);
      formatNumber(1e300, -1e300, value);
      break;
    }
  }
  return 0;
}
