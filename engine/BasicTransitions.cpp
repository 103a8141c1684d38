#include "BasicTransitions.h"

#include <cmath>

#include "FrameOps.h"
#include "WipeShapes.h"

void CrossFade::Apply(const VideoFrame& a, const VideoFrame& b, const VideoFrame& out, double progress,
                      REFERENCE_TIME time, const PropertyEvaluator& values) {
  progress = EffectParameters(values, time).Progress(progress);
  BlendFrames(a, b, out, static_cast<int>(std::lround(progress * 256)));
}

void EdgeWipe::Apply(const VideoFrame& a, const VideoFrame& b, const VideoFrame& out, double progress,
                     REFERENCE_TIME time, const PropertyEvaluator& values) {
  static constexpr int kCodes[] = {1, kWipeRightToLeft, 2, kWipeBottomToTop};
  EffectParameters parameters(values, time);
  WipePattern pattern;
  pattern.code = kCodes[parameters.Integer(kDirectionParameter)];
  mask_.Draw(pattern, out.width, out.height);
  WipeEdge edge;
  edge.softness = parameters.Number(kSoftness);
  mask_.Blend(a, b, out, parameters.Progress(progress), edge);
}

void Slide::Split(int direction, bool push, int width, int height, double progress, Part* fromA, Part* fromB) {
  const bool across = direction < 2;
  const int extent = across ? width : height;
  const int shown = static_cast<int>(std::lround(progress * extent));  // of b
  const bool forward = direction == 0 || direction == 2;               // b enters at the left or top
  const int edge = forward ? shown : extent - shown;                   // where b meets a
  const int bShift = forward ? shown - extent : edge;
  const int aShift = push ? (forward ? shown : -shown) : 0;
  int bStart = forward ? 0 : edge, bEnd = forward ? edge : extent;
  int aStart = forward ? edge : 0, aEnd = forward ? extent : edge;
  if (across) {
    *fromB = Part{bStart, 0, bEnd, height, bShift, 0};
    *fromA = Part{aStart, 0, aEnd, height, aShift, 0};
  } else {
    *fromB = Part{0, bStart, width, bEnd, 0, bShift};
    *fromA = Part{0, aStart, width, aEnd, 0, aShift};
  }
}

void Slide::Apply(const VideoFrame& a, const VideoFrame& b, const VideoFrame& out, double progress, REFERENCE_TIME time,
                  const PropertyEvaluator& values) {
  EffectParameters parameters(values, time);
  Part fromA, fromB;
  Split(parameters.Integer(kDirectionParameter), parameters.Integer(kPush) != 0, out.width, out.height,
        parameters.Progress(progress), &fromA, &fromB);
  auto copy = [&out](const VideoFrame& from, const Part& part) {
    CopyShifted(from, out, part.dx, part.dy, part.left, part.top, part.right, part.bottom);
  };
  // Whichever picture out is must be moved before the other is written over it.
  if (FramesOverlap(out, a)) {
    copy(a, fromA);
    copy(b, fromB);
  } else {
    copy(b, fromB);
    copy(a, fromA);
  }
}
