#include "WipeMask.h"

#include <algorithm>
#include <cmath>

#include "FrameOps.h"
#include "WipeShapes.h"

bool WipePattern::operator==(const WipePattern& other) const {
  return code == other.code && offsetX == other.offsetX && offsetY == other.offsetY && scaleX == other.scaleX &&
         scaleY == other.scaleY && cellsX == other.cellsX && cellsY == other.cellsY;
}

void WipeMask::Draw(const WipePattern& pattern, int width, int height) {
  if (patternDrawn_ && pattern == pattern_ && width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  pattern_ = pattern;
  patternDrawn_ = true;
  distances_.resize(static_cast<size_t>(width) * height);
  const double cellWidth = double(width) / pattern.cellsX;
  const double cellHeight = double(height) / pattern.cellsY;
  double maximum = 0;
  float* distance = distances_.data();
  for (int y = 0; y < height; ++y) {
    double dy = (std::fmod(y + 0.5, cellHeight) - cellHeight / 2 - pattern.offsetY) / pattern.scaleY;
    for (int x = 0; x < width; ++x) {
      double dx = (std::fmod(x + 0.5, cellWidth) - cellWidth / 2 - pattern.offsetX) / pattern.scaleX;
      double d = WipeDistance(pattern.code, dx, dy, cellWidth, cellHeight);
      *distance++ = static_cast<float>(d);
      maximum = std::max(maximum, d);
    }
  }
  // The corners, edge middles and centre of a cell too, so the wipe ends at the frame's edges.
  for (double fx : {0.0, 0.5, 1.0})
    for (double fy : {0.0, 0.5, 1.0}) {
      double dx = (fx * cellWidth - cellWidth / 2 - pattern.offsetX) / pattern.scaleX;
      double dy = (fy * cellHeight - cellHeight / 2 - pattern.offsetY) / pattern.scaleY;
      maximum = std::max(maximum, WipeDistance(pattern.code, dx, dy, cellWidth, cellHeight));
    }
  Quantize(distances_, maximum);
}

void WipeMask::DrawPicture(const BYTE* pixels, int pictureWidth, int pictureHeight, int width, int height) {
  width_ = width;
  height_ = height;
  patternDrawn_ = false;
  distances_.resize(static_cast<size_t>(width) * height);
  float* distance = distances_.data();
  for (int y = 0; y < height; ++y) {
    const BYTE* row = pixels + static_cast<size_t>(y * pictureHeight / height) * pictureWidth * 4;
    for (int x = 0; x < width; ++x) {
      const BYTE* p = row + (x * pictureWidth / width) * 4;
      *distance++ = static_cast<float>(p[0] * 29 + p[1] * 150 + p[2] * 77);
    }
  }
  Quantize(distances_, 255.0 * 256);
  // The darkest to the brightest level spans the frame's longer side.
  pixelsPerLevel_ = double(std::max(width, height)) / kLevels;
}

void WipeMask::Quantize(const std::vector<float>& distances, double maximum) {
  levels_.resize(distances.size());
  const double scale = maximum > 0 ? kLevels / maximum : 0;
  for (size_t i = 0; i < distances.size(); ++i) levels_[i] = static_cast<WORD>(std::lround(distances[i] * scale));
  pixelsPerLevel_ = maximum > 0 ? maximum / kLevels : 1;
}

void WipeMask::Blend(const VideoFrame& a, const VideoFrame& b, const VideoFrame& out, double progress,
                     const WipeEdge& edge) const {
  if (progress <= 0 || progress >= 1 || levels_.empty()) {
    CopyFrame(progress >= 1 ? b : a, out);
    return;
  }
  const double border = std::max(0.0, edge.border) / pixelsPerLevel_;
  const double softness = std::max(0.0, edge.softness) / pixelsPerLevel_;
  // The edge starts with border and soft band wholly before level 0 and ends past the last level.
  const double edgeLevel = -(border + softness / 2) + progress * (kLevels + border + softness);
  for (int y = 0; y < out.height; ++y) {
    BlendRow(reinterpret_cast<const DWORD*>(a.Row(y)), reinterpret_cast<const DWORD*>(b.Row(y)),
             reinterpret_cast<DWORD*>(out.Row(y)), levels_.data() + static_cast<size_t>(y) * width_, out.width,
             edgeLevel, border, softness, edge.borderPixel);
  }
}

namespace {

double Coverage(double signedDistance, double softness) {
  if (softness <= 0) return signedDistance > 0 ? 1 : 0;
  return std::clamp(signedDistance / softness + 0.5, 0.0, 1.0);
}

}  // namespace

void WipeMask::BlendRow(const DWORD* a, const DWORD* b, DWORD* out, const WORD* levels, int width, double edgeLevel,
                        double border, double softness, DWORD borderPixel) const {
  // Levels below first show b alone, from last on a alone; between lies the border band.
  const int first = static_cast<int>(std::clamp(std::ceil(edgeLevel - softness / 2), 0.0, kLevels + 1.0));
  const int last = static_cast<int>(std::clamp(std::ceil(edgeLevel + border + softness / 2), 0.0, kLevels + 1.0));
  for (int x = 0; x < width; ++x) {
    const int level = levels[x];
    if (level < first) {
      out[x] = b[x];
    } else if (level >= last) {
      out[x] = a[x];
    } else {
      double toB = Coverage(edgeLevel - level, softness);
      double toA = softness > 0 ? Coverage(level - edgeLevel - border, softness) : (level >= edgeLevel + border);
      int wb = static_cast<int>(std::lround(toB * 256));
      int wa = std::min(256 - wb, static_cast<int>(std::lround(toA * 256)));
      out[x] = MixPixels(b[x], wb, a[x], wa, borderPixel, 256 - wb - wa);
    }
  }
}
