// The built-in video effects and transitions as the compositor drives them.
// Times are relative to the object's start; parameters are the object's
// property-setter values, evaluated at any time through the evaluator.
#pragma once

#include "PropertyEvaluator.h"
#include "VideoFrame.h"

class VideoEffect {
 public:
  virtual ~VideoEffect() = default;
  // Changes frame in place at time (0 <= time < length).
  virtual void Apply(const VideoFrame& frame, REFERENCE_TIME time, REFERENCE_TIME length,
                     const PropertyEvaluator& values) = 0;
};

// From what lies beneath the transition's track (a) to the track's own
// picture (b), progress going from 0 (all a) to 1 (all b) over its span; the
// result goes into out, which may be a or b itself.
class VideoTransition {
 public:
  virtual ~VideoTransition() = default;
  virtual void Apply(const VideoFrame& a, const VideoFrame& b, const VideoFrame& out, double progress,
                     REFERENCE_TIME time, const PropertyEvaluator& values) = 0;
};
