#include "ColorEffects.h"

#include <algorithm>
#include <cmath>

#include "FrameOps.h"

namespace {

BYTE Clamp8(double value) { return static_cast<BYTE>(std::clamp(std::lround(value), 0L, 255L)); }

// The fraction of the effect's span reached at time.
double SpanProgress(REFERENCE_TIME time, REFERENCE_TIME length) {
  return length > 0 ? std::clamp(double(time) / double(length), 0.0, 1.0) : 1.0;
}

}  // namespace

void BrightnessContrast::MakeTable(double brightness, double contrast) {
  for (int i = 0; i < 256; ++i) table_[i] = Clamp8((i - 128) * contrast + 128 + brightness * 255);
  // Brightness alone is an offset for most values; the table says when.
  offset_ = table_[128] - 128;
  pureOffset_ = true;
  for (int i = 0; i < 256; ++i) pureOffset_ = pureOffset_ && table_[i] == std::clamp(i + offset_, 0, 255);
  brightness_ = brightness;
  contrast_ = contrast;
}

void BrightnessContrast::Apply(const VideoFrame& frame, REFERENCE_TIME time, REFERENCE_TIME,
                               const PropertyEvaluator& values) {
  EffectParameters parameters(values, time);
  double brightness = parameters.Number(kBrightness);
  double contrast = parameters.Number(kContrast);
  if (brightness != brightness_ || contrast != contrast_) MakeTable(brightness, contrast);
  if (brightness == 0 && contrast == 1) return;
  if (pureOffset_) return AddToColours(frame, offset_);
  for (int y = 0; y < frame.height; ++y) {
    BYTE* p = frame.Row(y);
    for (int x = 0; x < frame.width; ++x, p += 4) {
      p[0] = table_[p[0]];
      p[1] = table_[p[1]];
      p[2] = table_[p[2]];
    }
  }
}

void Grayscale::Apply(const VideoFrame& frame, REFERENCE_TIME time, REFERENCE_TIME, const PropertyEvaluator& values) {
  const unsigned weight = static_cast<unsigned>(std::lround(EffectParameters(values, time).Number(kAmount) * 256));
  if (weight == 0) return;
  for (int y = 0; y < frame.height; ++y) {
    BYTE* p = frame.Row(y);
    for (int x = 0; x < frame.width; ++x, p += 4) {
      const unsigned luma = (p[0] * 29u + p[1] * 150u + p[2] * 77u + 128) >> 8;
      if (weight == 256) {
        p[0] = p[1] = p[2] = static_cast<BYTE>(luma);
        continue;
      }
      for (int c = 0; c < 3; ++c) p[c] = static_cast<BYTE>((p[c] * (256 - weight) + luma * weight + 128) >> 8);
    }
  }
}

void ColorFade::Apply(const VideoFrame& frame, REFERENCE_TIME time, REFERENCE_TIME length,
                      const PropertyEvaluator& values) {
  EffectParameters parameters(values, time);
  double progress = parameters.Progress(SpanProgress(time, length));
  if (parameters.Integer(kDirection) == 1) progress = 1 - progress;
  const unsigned weight = static_cast<unsigned>(std::lround(progress * 256));
  if (weight == 0) return;
  const DWORD color = parameters.Color(kColor);
  const unsigned target[3] = {color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF};
  for (int y = 0; y < frame.height; ++y) {
    BYTE* p = frame.Row(y);
    for (int x = 0; x < frame.width; ++x, p += 4) {
      for (int c = 0; c < 3; ++c) p[c] = static_cast<BYTE>((p[c] * (256 - weight) + target[c] * weight + 128) >> 8);
    }
  }
}

void AlphaSetter::Apply(const VideoFrame& frame, REFERENCE_TIME time, REFERENCE_TIME, const PropertyEvaluator& values) {
  EffectParameters parameters(values, time);
  const int alpha = parameters.Integer(kAlpha);
  const double ramp = parameters.Number(kAlphaRamp);
  if (alpha < 0 && ramp < 0) return;
  BYTE table[256];
  for (int i = 0; i < 256; ++i) table[i] = alpha >= 0 ? static_cast<BYTE>(alpha) : Clamp8(i * ramp);
  for (int y = 0; y < frame.height; ++y) {
    BYTE* p = frame.Row(y) + 3;
    for (int x = 0; x < frame.width; ++x, p += 4) *p = table[*p];
  }
}
