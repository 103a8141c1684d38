// A stream's encoded audio as one contiguous run of bytes, wherever the file
// keeps them (a WAV 'data' chunk, an AVI stream's chunks).
#pragma once

#include <windows.h>

class AudioBytes {
 public:
  virtual ~AudioBytes() = default;
  virtual UINT64 Size() const = 0;
  // size bytes from offset; VFW_E_FILE_TOO_SHORT when they reach past Size().
  virtual HRESULT Read(UINT64 offset, void* buffer, DWORD size) = 0;
};
