// The compositor transition (CLSID_DxtCompositor): a rectangle of the track's
// picture (b) stretched into a rectangle over what lies beneath (a), which
// shows everywhere else. Published parameters, all pixels, default 0:
//   OffsetX, OffsetY, Width, Height               the target rectangle
//   SrcOffsetX, SrcOffsetY, SrcWidth, SrcHeight   the rectangle taken from b
// A width or height of 0 (or less) reaches to the frame's right or bottom
// edge. The target may lie partly outside the frame; the source is clipped
// to b. Scaling is bilinear; the progress is not used.
#pragma once

#include <vector>

#include "EffectParameters.h"
#include "VideoEffect.h"

class CompositorTransition final : public VideoTransition {
 public:
  static constexpr ParameterInfo kOffsetX = {L"OffsetX", 0, -100000, 100000};
  static constexpr ParameterInfo kOffsetY = {L"OffsetY", 0, -100000, 100000};
  static constexpr ParameterInfo kWidth = {L"Width", 0, 0, 100000};
  static constexpr ParameterInfo kHeight = {L"Height", 0, 0, 100000};
  static constexpr ParameterInfo kSrcOffsetX = {L"SrcOffsetX", 0, 0, 100000};
  static constexpr ParameterInfo kSrcOffsetY = {L"SrcOffsetY", 0, 0, 100000};
  static constexpr ParameterInfo kSrcWidth = {L"SrcWidth", 0, 0, 100000};
  static constexpr ParameterInfo kSrcHeight = {L"SrcHeight", 0, 0, 100000};
  static constexpr ParameterInfo kParameters[] = {kOffsetX,    kOffsetY,    kWidth,    kHeight,
                                                  kSrcOffsetX, kSrcOffsetY, kSrcWidth, kSrcHeight};
  static ParameterList Parameters() { return ListOf(kParameters); }

  void Apply(const VideoFrame& a, const VideoFrame& b, const VideoFrame& out, double progress, REFERENCE_TIME time,
             const PropertyEvaluator& values) override;

 private:
  struct Rect {
    int left, top, width, height;
  };
  // Where each target column or row samples the source: the first of two
  // neighbours and the second one's weight, 0-256.
  struct Tap {
    int index;
    int weight;
  };

  static void MakeTaps(int sourceStart, int sourceLength, int sourceLimit, int targetLength, std::vector<Tap>* taps);
  // b unchanged when it cannot be overwritten on the way, else a copy of it.
  VideoFrame Source(const VideoFrame& b, const VideoFrame& out);
  void Stretch(const VideoFrame& source, const VideoFrame& out, const Rect& target) const;

  std::vector<Tap> columns_;
  std::vector<Tap> rows_;
  std::vector<BYTE> copy_;
};
