// The data of one parameter row of the parameter grid.
#pragma once

#include <cstdint>

struct ParameterRecord {
  wchar_t* valuesList = nullptr;  // owned (AllocText); the catalog list of offered values, or null
  int32_t valueCount = 1;         // values the row starts; 0 for a row continuing the one above

  ParameterRecord() = default;
  ParameterRecord(const ParameterRecord&) = delete;
  ParameterRecord& operator=(const ParameterRecord&) = delete;
};
