// The current data list and its three reads.
#include "core/data_lists.h"

#include <climits>
#include <cstdlib>

#include "core/errors.h"
#include "core/math_commands.h"

namespace vantrel {

namespace {

DataList* current = nullptr;

// atoi without its undefined overflow: values beyond the int range saturate.
int textToInt(const char* text) {
  const long value = std::strtol(text, nullptr, 10);
  if (value > INT_MAX) return INT_MAX;
  if (value < INT_MIN) return INT_MIN;
  return static_cast<int>(value);
}

const DataItem& nextItem() {
  if (current == nullptr || current->readPosition < 0 ||
      current->readPosition >= current->itemCount) {
    failFatally(ERR_OUT_OF_DATA);
  }
  return current->items[current->readPosition++];
}

}  // namespace

DataList* currentDataList() { return current; }

void restoreData(DataList* list) {
  if (list != nullptr) list->readPosition = 0;
  current = list;
}

void readDataText(StringValue& out) {
  const DataItem& item = nextItem();
  StringValue result = item.text != nullptr ? StringValue(item.text) : numberToText(item.value);
  out.swap(result);
}

void readDataNumber(double& out) {
  const DataItem& item = nextItem();
  out = item.text != nullptr ? std::atof(item.text) : item.value;
}

void readDataInt(int& out) {
  const DataItem& item = nextItem();
  out = item.text != nullptr ? textToInt(item.text) : truncateToInt(item.value);
}

}  // namespace vantrel
