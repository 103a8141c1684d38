// Whole-row pixel operations the built-in video effects share. Frames are
// top-down BGRA; a pixel read as a DWORD is 0xAARRGGBB.
#pragma once

#include <windows.h>

#include "VideoFrame.h"

// Whether the two frames share any pixel memory.
bool FramesOverlap(const VideoFrame& a, const VideoFrame& b);

// to = from, row by row (nothing when they are the same); equal sizes.
void CopyFrame(const VideoFrame& from, const VideoFrame& to);

// out = a + (b - a) * weight / 256 in every channel, weight 0 to 256; out
// may be a or b.
void BlendFrames(const VideoFrame& a, const VideoFrame& b, const VideoFrame& out, int weight);

// Every colour channel plus offset, clamped to 0-255; alpha kept.
void AddToColours(const VideoFrame& frame, int offset);

// The opaque pixel of a colour 0xRRGGBB.
inline DWORD OpaquePixel(DWORD rgb) { return 0xFF000000u | (rgb & 0xFFFFFF); }

// Three pixels mixed by weights that add up to 256.
DWORD MixPixels(DWORD p, int wp, DWORD q, int wq, DWORD r, int wr);

// to(x, y) = from(x - dx, y - dy) for the pixels of to inside [left, right) x
// [top, bottom), which must map inside from. from and to may be one frame
// (the rows are walked in the order that reads each before it is written),
// but must not otherwise overlap.
void CopyShifted(const VideoFrame& from, const VideoFrame& to, int dx, int dy, int left, int top, int right,
                 int bottom);
