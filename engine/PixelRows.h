// Conversions of whole pixel rows between packed 24-bit BGR and 32-bit
// BGRA, the ones every frame of an RGB24 source or group goes through: with
// SSSE3 byte shuffles where the processor has them, else four pixels in
// three words at a time.
#pragma once

#include <windows.h>

class PixelRows {
 public:
  // width pixels of from (3 bytes each) into out, alpha 255.
  static void Bgr24ToBgra(const BYTE* from, BYTE* out, int width);
  // width pixels of from (4 bytes each) into out (3 bytes each), alpha dropped.
  static void BgraToBgr24(const BYTE* from, BYTE* out, int width);

 private:
  static bool HasSsse3();
  // Each converts the whole groups of 16 pixels and answers how many pixels it did.
  static int Bgr24ToBgraShuffled(const BYTE* from, BYTE* out, int width);
  static int BgraToBgr24Shuffled(const BYTE* from, BYTE* out, int width);
};
