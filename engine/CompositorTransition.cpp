#include "CompositorTransition.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "FrameOps.h"

namespace {

DWORD Lerp(DWORD p, DWORD q, int weight) {
  DWORD rb = (((p & 0x00FF00FF) * (256 - weight) + (q & 0x00FF00FF) * weight + 0x00800080) >> 8) & 0x00FF00FF;
  DWORD ag =
      ((((p >> 8) & 0x00FF00FF) * (256 - weight) + ((q >> 8) & 0x00FF00FF) * weight + 0x00800080) >> 8) & 0x00FF00FF;
  return rb | (ag << 8);
}

}  // namespace

void CompositorTransition::MakeTaps(int sourceStart, int sourceLength, int sourceLimit, int targetLength,
                                    std::vector<Tap>* taps) {
  taps->resize(targetLength);
  const double step = double(sourceLength) / targetLength;
  for (int i = 0; i < targetLength; ++i) {
    double at = std::clamp(sourceStart + (i + 0.5) * step - 0.5, double(sourceStart),
                           double(std::min(sourceStart + sourceLength, sourceLimit) - 1));
    int index = static_cast<int>(at);
    int weight = static_cast<int>(std::lround((at - index) * 256));
    if (index + 1 >= sourceLimit) weight = 0;
    (*taps)[i] = Tap{index, weight};
  }
}

VideoFrame CompositorTransition::Source(const VideoFrame& b, const VideoFrame& out) {
  if (!FramesOverlap(b, out)) return b;
  copy_.resize(static_cast<size_t>(b.width) * b.height * 4);
  VideoFrame copy{copy_.data(), b.width, b.height, static_cast<ptrdiff_t>(b.width) * 4};
  CopyFrame(b, copy);
  return copy;
}

void CompositorTransition::Stretch(const VideoFrame& source, const VideoFrame& out, const Rect& target) const {
  const int left = std::max(0, target.left), right = std::min(out.width, target.left + target.width);
  const int top = std::max(0, target.top), bottom = std::min(out.height, target.top + target.height);
  for (int y = top; y < bottom; ++y) {
    const Tap& row = rows_[y - target.top];
    const DWORD* upper = reinterpret_cast<const DWORD*>(source.Row(row.index));
    const DWORD* lower = row.weight ? reinterpret_cast<const DWORD*>(source.Row(row.index + 1)) : upper;
    DWORD* o = reinterpret_cast<DWORD*>(out.Row(y));
    for (int x = left; x < right; ++x) {
      const Tap& column = columns_[x - target.left];
      const int next = column.weight ? 1 : 0;
      DWORD above = Lerp(upper[column.index], upper[column.index + next], column.weight);
      DWORD below = Lerp(lower[column.index], lower[column.index + next], column.weight);
      o[x] = Lerp(above, below, row.weight);
    }
  }
}

void CompositorTransition::Apply(const VideoFrame& a, const VideoFrame& b, const VideoFrame& out, double,
                                 REFERENCE_TIME time, const PropertyEvaluator& values) {
  EffectParameters parameters(values, time);
  Rect target{parameters.Integer(kOffsetX), parameters.Integer(kOffsetY), parameters.Integer(kWidth),
              parameters.Integer(kHeight)};
  if (target.width <= 0) target.width = out.width - target.left;
  if (target.height <= 0) target.height = out.height - target.top;
  Rect from{std::min(parameters.Integer(kSrcOffsetX), b.width - 1),
            std::min(parameters.Integer(kSrcOffsetY), b.height - 1), parameters.Integer(kSrcWidth),
            parameters.Integer(kSrcHeight)};
  if (from.width <= 0 || from.left + from.width > b.width) from.width = b.width - from.left;
  if (from.height <= 0 || from.top + from.height > b.height) from.height = b.height - from.top;

  VideoFrame source = Source(b, out);
  CopyFrame(a, out);
  if (target.width <= 0 || target.height <= 0) return;
  MakeTaps(from.left, from.width, b.width, target.width, &columns_);
  MakeTaps(from.top, from.height, b.height, target.height, &rows_);
  Stretch(source, out, target);
}
