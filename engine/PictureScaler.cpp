#include "PictureScaler.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "EditingServices.h"

namespace {

const UINT32 kBlack = 0xFF000000;  // B, G, R 0; alpha 255

void FillPixels(BYTE* row, int count) { std::fill_n(reinterpret_cast<UINT32*>(row), count, kBlack); }

// a * b / c rounded, for sizes.
int Scaled(int a, int b, int c) { return int((LONGLONG(a) * b + c / 2) / c); }

}  // namespace

void PictureScaler::Fill(const VideoFrame& out) {
  for (int y = 0; y < out.height; ++y) FillPixels(out.Row(y), out.width);
}

PictureScaler::Placement PictureScaler::Place(const VideoFrame& picture, int stretchMode, const VideoFrame& out) {
  int w = picture.width, h = picture.height, width = out.width, height = out.height;
  // Whether the frame is wider, for its height, than the picture.
  bool wider = LONGLONG(width) * h > LONGLONG(height) * w;
  switch (stretchMode) {
    case RESIZEF_CROP:
      break;
    case RESIZEF_PRESERVEASPECTRATIO:
      if (wider) w = Scaled(w, height, h), h = height;
      else h = Scaled(h, width, w), w = width;
      break;
    case RESIZEF_PRESERVEASPECTRATIO_NOLETTERBOX:
      if (wider) h = Scaled(h, width, w), w = width;
      else w = Scaled(w, height, h), h = height;
      break;
    default:
      w = width, h = height;
      break;
  }
  return {(width - w) / 2, (height - h) / 2, std::max(w, 1), std::max(h, 1)};
}

void PictureScaler::Draw(const VideoFrame& picture, int stretchMode, const VideoFrame& out) {
  if (picture.width <= 0 || picture.height <= 0) return Fill(out);
  Placement place = Place(picture, stretchMode, out);
  FillOutside(place, out);
  if (place.width == picture.width && place.height == picture.height) Copy(picture, place, out);
  else Scale(picture, place, out);
}

void PictureScaler::FillOutside(const Placement& place, const VideoFrame& out) {
  int top = std::clamp(place.top, 0, out.height), bottom = std::clamp(place.top + place.height, 0, out.height);
  int left = std::clamp(place.left, 0, out.width), right = std::clamp(place.left + place.width, 0, out.width);
  for (int y = 0; y < out.height; ++y) {
    if (y < top || y >= bottom) {
      FillPixels(out.Row(y), out.width);
      continue;
    }
    FillPixels(out.Row(y), left);
    FillPixels(out.Row(y) + right * 4, out.width - right);
  }
}

void PictureScaler::Copy(const VideoFrame& picture, const Placement& place, const VideoFrame& out) {
  int left = std::max(place.left, 0), right = std::min(place.left + place.width, out.width);
  int top = std::max(place.top, 0), bottom = std::min(place.top + place.height, out.height);
  if (left >= right) return;
  for (int y = top; y < bottom; ++y)
    memcpy(out.Row(y) + left * 4, picture.Row(y - place.top) + (left - place.left) * 4, size_t(right - left) * 4);
}

PictureScaler::Tap PictureScaler::TapAt(int position, int size, int sourceSize) {
  double at = (position + 0.5) * sourceSize / size - 0.5;
  if (at <= 0) return {0, 0, 0};
  int index = int(at);
  if (index >= sourceSize - 1) return {sourceSize - 1, sourceSize - 1, 0};
  return {index, index + 1, int(std::lround((at - index) * 256))};
}

void PictureScaler::Scale(const VideoFrame& picture, const Placement& place, const VideoFrame& out) {
  int left = std::max(place.left, 0), right = std::min(place.left + place.width, out.width);
  int top = std::max(place.top, 0), bottom = std::min(place.top + place.height, out.height);
  if (left >= right) return;
  columns_.resize(size_t(right - left));
  for (int x = left; x < right; ++x) columns_[x - left] = TapAt(x - place.left, place.width, picture.width);
  int rowValues = picture.width * 4;
  row_.resize(size_t(rowValues));
  for (int y = top; y < bottom; ++y) {
    Tap tap = TapAt(y - place.top, place.height, picture.height);
    const BYTE* above = picture.Row(tap.index);
    const BYTE* below = picture.Row(tap.next);
    for (int i = 0; i < rowValues; ++i)
      row_[i] = (unsigned short)(above[i] * (256 - tap.weight) + below[i] * tap.weight);
    BYTE* target = out.Row(y) + left * 4;
    for (const Tap& column : columns_) {
      const unsigned short* a = &row_[column.index * 4];
      const unsigned short* b = &row_[column.next * 4];
      for (int c = 0; c < 4; ++c) target[c] = BYTE((a[c] * (256 - column.weight) + b[c] * column.weight + 32768) >> 16);
      target += 4;
    }
  }
}
