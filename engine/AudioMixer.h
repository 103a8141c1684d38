// Mixes an audio group's sound from its render plan, as the editing
// services' timeline model defines it: layers are summed from the lowest
// priority up, except where a layer runs a transition, which goes from the
// sum beneath it (a) to the layer's own sound (b; swapped with swapInputs;
// a hard cut at the cut point with cutsOnly). Each source is read at the
// group's rate and channel count (its speed changes the rate it is read
// at, and so its pitch), in float; effects apply over their spans, sample
// exact. Nothing sounding is silence. Mixing stays in float; Write converts
// to the group's PCM, clipping.
//
// One mixer per streaming thread: it keeps its buffers between calls.
#pragma once

#include <vector>

#include "ReaderSet.h"
#include "RenderPlan.h"

class AudioMixer {
 public:
  // Sample frames [first, first + count) of plan into out (count * channels
  // floats, full scale 1.0), read through readers.
  void Mix(const RenderPlan& plan, LONGLONG first, int count, ReaderSet* readers, float* out);
  // count frames of mixed into the group's PCM.
  static void Write(const GroupFormat& format, const float* mixed, int count, BYTE* out);

 private:
  // Where a call stands: the block being mixed.
  struct Block {
    LONGLONG first;
    int count;
  };

  void Layers(const std::vector<PlanLayer>& layers, int depth, float* out);
  void Layer(const PlanLayer& layer, int depth, float* out);
  void Source(const PlanSource& source, float* out);
  // Adds own into out over [from, to) (units), or runs the transition there.
  void Add(const float* own, LONGLONG from, LONGLONG to, float* out);
  void Transition(const PlanTransition& transition, const float* own, float* out);
  void Effects(const std::vector<PlanEffect>& effects, LONGLONG from, LONGLONG to, float* samples);
  float* Scratch(int depth);

  const RenderPlan* plan_ = nullptr;
  ReaderSet* readers_ = nullptr;
  Block block_ = {};
  int channels_ = 0;
  std::vector<std::vector<float>> scratch_;  // one block per nesting depth
  std::vector<float> piece_;                 // a source's samples
  std::vector<BYTE> pcm_;                    // as the reader gives them
};
