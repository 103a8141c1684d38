// A stream's encoded audio bytes as one contiguous run, wherever the
// container keeps them.
#pragma once

#include <windows.h>

class AudioBytes {
 public:
  virtual ~AudioBytes() = default;
  virtual UINT64 Size() const = 0;
  virtual HRESULT Read(UINT64 offset, void* buffer, DWORD size) = 0;
};
