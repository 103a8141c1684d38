// The built-in audio effects and transitions as the mixer drives them:
// interleaved float samples (full scale 1.0) at the group's rate and
// channel count. Times are relative to the object's start; parameters are
// its property-setter values, evaluated at any time through the evaluator.
#pragma once

#include "PropertyEvaluator.h"

struct AudioBlock {
  float* samples = nullptr;  // frames * channels, interleaved
  int frames = 0;
  int channels = 0;
  DWORD rate = 0;
};

class AudioEffect {
 public:
  virtual ~AudioEffect() = default;
  // Changes block in place; its first frame is at time.
  virtual void Apply(const AudioBlock& block, REFERENCE_TIME time, REFERENCE_TIME length,
                     const PropertyEvaluator& values) = 0;
};

// From a (what lies beneath) to b (the track's own sound) over the
// transition's span; the result goes into out, which may be a or b.
class AudioTransition {
 public:
  virtual ~AudioTransition() = default;
  virtual void Apply(const AudioBlock& a, const AudioBlock& b, const AudioBlock& out, REFERENCE_TIME time,
                     REFERENCE_TIME length, const PropertyEvaluator& values) = 0;
};
