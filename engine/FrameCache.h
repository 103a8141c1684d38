// The last few decoded frames of a reader, by a number of the reader's
// choosing, so that a frame asked for twice is decoded once. The least
// recently used frame makes room.
#pragma once

#include <windows.h>

#include <vector>

class FrameCache {
 public:
  explicit FrameCache(size_t capacity) : slots_(capacity) {}

  // Copies the frame stored under key into pixels; false when there is none.
  bool Get(UINT64 key, std::vector<BYTE>* pixels);
  // Stores a copy of pixels under key.
  void Put(UINT64 key, const std::vector<BYTE>& pixels);

 private:
  struct Slot {
    UINT64 key = 0;
    UINT64 used = 0;  // 0: empty
    std::vector<BYTE> pixels;
  };

  std::vector<Slot> slots_;
  UINT64 clock_ = 0;
};
