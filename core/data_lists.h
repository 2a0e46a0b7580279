// Inline data lists: the constant tables that generated code emits, the current list with its
// read position, and the reads that convert between numbers and text.
#pragma once

#include <cstdint>

#include "core/string_value.h"

namespace vantrel {

// One item: a number, or a text when text is not null (the value is then unused).
struct DataItem {
  double value;
  const char* text;
};

struct DataList {
  const DataItem* items;
  int32_t itemCount;
  int32_t readPosition;  // index of the next item to read
};

// The list being read; null until the first restoreData.
DataList* currentDataList();

// Makes list the current list and starts it from its first item. A null list leaves no list
// current, so the next read runs out of data.
void restoreData(DataList* list);

// The next item of the current list; reading past its end (or with no list) ends the program
// with ERR_OUT_OF_DATA.
void readDataText(StringValue& out);  // numbers by numberToText
void readDataNumber(double& out);     // texts by atof
void readDataInt(int& out);           // texts by atoi, numbers truncated toward zero

}  // namespace vantrel
