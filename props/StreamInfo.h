// One stream of an examined media file, as the source window lists it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

struct StreamInfo {
  GUID majorType = GUID_NULL;
  int64_t length = 0;        // interface time (microseconds)
  std::wstring description;  // subtype and format details, without the kind
};
