// A wipe drawn once for a frame size as the progress at which each pixel
// turns from the first picture to the second, then applied at any progress
// with a border and a soft edge.
#pragma once

#include <windows.h>

#include <vector>

#include "VideoFrame.h"

struct WipePattern {
  int code = 1;  // a code WipeDistance draws
  // The pattern's origin from the centre of its cell, in pixels.
  double offsetX = 0;
  double offsetY = 0;
  // Stretch factors (1 = as drawn) and the cells the frame is split into.
  double scaleX = 1;
  double scaleY = 1;
  int cellsX = 1;
  int cellsY = 1;

  bool operator==(const WipePattern& other) const;
};

struct WipeEdge {
  double border = 0;    // solid border width in pixels
  double softness = 0;  // width of the blended band at each edge, in pixels
  DWORD borderPixel = 0xFF000000;
};

class WipeMask {
 public:
  // Draws the pattern for a frame of that size, unless it already is.
  void Draw(const WipePattern& pattern, int width, int height);
  // Takes the progress from a picture's brightness (top-down BGRA): dark
  // parts turn first. The picture is stretched over the frame.
  void DrawPicture(const BYTE* pixels, int pictureWidth, int pictureHeight, int width, int height);

  // out = a where the wipe has not reached, b where it has passed, the border
  // between them. The mask must have been drawn for out's size; out may be a or b.
  void Blend(const VideoFrame& a, const VideoFrame& b, const VideoFrame& out, double progress,
             const WipeEdge& edge) const;

 private:
  static constexpr int kLevels = 65535;

  void Quantize(const std::vector<float>& distances, double maximum);
  void BlendRow(const DWORD* a, const DWORD* b, DWORD* out, const WORD* levels, int width, double edgeLevel,
                double border, double softness, DWORD borderPixel) const;

  std::vector<WORD> levels_;      // per pixel, 0 to kLevels
  std::vector<float> distances_;  // scratch while drawing
  int width_ = 0;
  int height_ = 0;
  double pixelsPerLevel_ = 1;
  WipePattern pattern_;
  bool patternDrawn_ = false;
};
