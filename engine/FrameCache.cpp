#include "FrameCache.h"

bool FrameCache::Get(UINT64 key, std::vector<BYTE>* pixels) {
  for (Slot& slot : slots_) {
    if (slot.used && slot.key == key) {
      slot.used = ++clock_;
      *pixels = slot.pixels;
      return true;
    }
  }
  return false;
}

void FrameCache::Put(UINT64 key, const std::vector<BYTE>& pixels) {
  if (slots_.empty()) return;
  Slot* oldest = &slots_[0];
  for (Slot& slot : slots_) {
    if (slot.used && slot.key == key) {
      oldest = &slot;
      break;
    }
    if (slot.used < oldest->used) oldest = &slot;
  }
  oldest->key = key;
  oldest->used = ++clock_;
  oldest->pixels = pixels;
}
