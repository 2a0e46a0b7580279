// Array-bounds diagnostics and sorting of text arrays.
#include "core/array_value.h"

#include <algorithm>

#include "core/string_commands.h"

namespace vantrel {

namespace detail {

void reportBounds(const int32_t sizes[4], const int32_t indices[4]) {
  StringValue bounds = "bounds: ";
  StringValue access = "access: ";
  for (int d = 0; d < 4; ++d) {
    if (d > 0 && sizes[d] == 0) continue;
    bounds += "[";
    bounds += formatNumber(4, 0, sizes[d]);
    bounds += "]";
    access += "[";
    access += formatNumber(4, 0, indices[d]);
    access += "]";
  }
  bounds += "\n";
  access += "\n";
  debugOutput(bounds.text());
  debugOutput(access.text());
  printError(bounds.text());
  printError(access.text());
}

}  // namespace detail

void sortTextArray(TextArray& a, bool (*less)(const StringValue&, const StringValue&)) {
  if (!a.elements || a.sizes[0] < 2) return;
  std::sort(a.elements, a.elements + a.sizes[0], less);
}

}  // namespace vantrel
