// A box blur: every pixel becomes the mean of the (2 Radius + 1)-pixel square
// around it, edges repeated outward, all four channels. Radius 0-100 pixels,
// default 2 (0 leaves the picture as it is).
#pragma once

#include <vector>

#include "EffectParameters.h"
#include "VideoEffect.h"

class BlurEffect final : public VideoEffect {
 public:
  static constexpr ParameterInfo kRadius = {L"Radius", 2, 0, 100};
  static constexpr ParameterInfo kParameters[] = {kRadius};
  static ParameterList Parameters() { return ListOf(kParameters); }

  void Apply(const VideoFrame& frame, REFERENCE_TIME time, REFERENCE_TIME length,
             const PropertyEvaluator& values) override;

 private:
  // One row across into to, from from (both width pixels).
  static void BlurRow(const BYTE* from, BYTE* to, int width, int radius, unsigned scale);
  // Every column down, from rows_ into frame.
  void BlurColumns(const VideoFrame& frame, int radius, unsigned scale);

  std::vector<BYTE> rows_;      // the frame blurred across
  std::vector<unsigned> sums_;  // per channel of a row
};
