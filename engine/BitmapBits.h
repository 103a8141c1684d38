// Video frames as the media detector hands them out: a BITMAPINFOHEADER
// followed by 24-bit bottom-up pixels, scaled to the size asked for by
// averaging the source pixels each output pixel covers.
#pragma once

#include <windows.h>

#include <vector>

// One frame's pixels: rows of 3- or 4-byte BGR pixels, stride bytes apart,
// the top row first or (bottomUp) last. bytes holds stride * height.
struct FramePixels {
  std::vector<BYTE> bytes;
  LONG width = 0;
  LONG height = 0;
  int pixelBytes = 4;
  size_t stride = 0;
  bool bottomUp = false;
};

class BitmapBits {
 public:
  // The bytes a width x height bitmap takes, header included; E_INVALIDARG
  // for sizes that are not positive or whose bytes do not fit in a long.
  static HRESULT Size(long width, long height, long* bytes);
  // Writes frame scaled to width x height (Size bytes) into out;
  // E_UNEXPECTED, writing nothing, for a frame whose bytes do not hold it.
  static HRESULT Write(const FramePixels& frame, long width, long height, BYTE* out);
  // The same as a .bmp file at path, written whole or not at all (a partial
  // file is removed); STG_E_ACCESSDENIED when the file cannot be written over.
  static HRESULT WriteFile(const FramePixels& frame, long width, long height, const wchar_t* path);

 private:
  static size_t Stride(long width) { return (size_t(width) * 3 + 3) & ~size_t(3); }
  // Whether frame's bytes hold the rows its geometry says.
  static bool Holds(const FramePixels& frame);
  // One output row from the source rows [top, bottom), each output pixel
  // the mean of its columns' span.
  static void WriteRow(const FramePixels& frame, const LONG* columns, long width, LONG top, LONG bottom, BYTE* row);
  // The source span [first, end) output index i of count covers in size.
  static void Span(long i, long count, LONG size, LONG* first, LONG* end);
};
