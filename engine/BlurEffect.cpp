#include "BlurEffect.h"

#include <algorithm>
#include <cmath>

namespace {

// Sums of up to 201 pixels times 2^16 / 201 fit 32 bits; a flat picture stays exact.
constexpr int kScaleBits = 16;

BYTE Scaled(unsigned sum, unsigned scale) {
  return static_cast<BYTE>((sum * scale + (1u << (kScaleBits - 1))) >> kScaleBits);
}

}  // namespace

void BlurEffect::BlurRow(const BYTE* from, BYTE* to, int width, int radius, unsigned scale) {
  unsigned sum[4] = {};
  for (int i = -radius; i <= radius; ++i) {
    const BYTE* p = from + std::clamp(i, 0, width - 1) * 4;
    for (int c = 0; c < 4; ++c) sum[c] += p[c];
  }
  for (int x = 0; x < width; ++x) {
    for (int c = 0; c < 4; ++c) to[x * 4 + c] = Scaled(sum[c], scale);
    const BYTE* leaving = from + std::max(x - radius, 0) * 4;
    const BYTE* entering = from + std::min(x + radius + 1, width - 1) * 4;
    for (int c = 0; c < 4; ++c) sum[c] += entering[c] - leaving[c];
  }
}

void BlurEffect::BlurColumns(const VideoFrame& frame, int radius, unsigned scale) {
  const int bytes = frame.width * 4;
  auto row = [&](int y) { return rows_.data() + static_cast<size_t>(std::clamp(y, 0, frame.height - 1)) * bytes; };
  sums_.assign(bytes, 0);
  for (int i = -radius; i <= radius; ++i) {
    const BYTE* r = row(i);
    for (int k = 0; k < bytes; ++k) sums_[k] += r[k];
  }
  for (int y = 0; y < frame.height; ++y) {
    BYTE* out = frame.Row(y);
    const BYTE* leaving = row(y - radius);
    const BYTE* entering = row(y + radius + 1);
    for (int k = 0; k < bytes; ++k) {
      out[k] = Scaled(sums_[k], scale);
      sums_[k] += entering[k] - leaving[k];
    }
  }
}

void BlurEffect::Apply(const VideoFrame& frame, REFERENCE_TIME time, REFERENCE_TIME, const PropertyEvaluator& values) {
  const int radius = EffectParameters(values, time).Integer(kRadius);
  if (radius <= 0 || frame.width <= 0 || frame.height <= 0) return;
  const unsigned scale = static_cast<unsigned>(std::lround(double(1u << kScaleBits) / (2 * radius + 1)));
  const int bytes = frame.width * 4;
  rows_.resize(static_cast<size_t>(bytes) * frame.height);
  for (int y = 0; y < frame.height; ++y)
    BlurRow(frame.Row(y), rows_.data() + static_cast<size_t>(y) * bytes, frame.width, radius, scale);
  BlurColumns(frame, radius, scale);
}
