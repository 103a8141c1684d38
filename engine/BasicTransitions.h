// The engine's own video transitions from a (beneath) to b (the track's
// picture). Progress 0-1 overrides the compositor's progress in each.
#pragma once

#include "EffectParameters.h"
#include "VideoEffect.h"
#include "WipeMask.h"

// Directions: 0 left to right (the default), 1 right to left, 2 top to bottom, 3 bottom to top.
inline constexpr ParameterInfo kDirectionParameter = {L"Direction", 0, 0, 3};

// Every pixel moves from a to b in step.
class CrossFade final : public VideoTransition {
 public:
  static constexpr ParameterInfo kParameters[] = {kProgressParameter};
  static ParameterList Parameters() { return ListOf(kParameters); }

  void Apply(const VideoFrame& a, const VideoFrame& b, const VideoFrame& out, double progress, REFERENCE_TIME time,
             const PropertyEvaluator& values) override;
};

// A straight edge crosses the frame in the Direction; Softness 0-1000 pixels
// (default 0) blends a band that wide around it.
class EdgeWipe final : public VideoTransition {
 public:
  static constexpr ParameterInfo kSoftness = {L"Softness", 0, 0, 1000};
  static constexpr ParameterInfo kParameters[] = {kDirectionParameter, kSoftness, kProgressParameter};
  static ParameterList Parameters() { return ListOf(kParameters); }

  void Apply(const VideoFrame& a, const VideoFrame& b, const VideoFrame& out, double progress, REFERENCE_TIME time,
             const PropertyEvaluator& values) override;

 private:
  WipeMask mask_;
};

// b slides in over a, moving in the Direction; with Push 1 (default 0) it
// pushes a out ahead of it.
class Slide final : public VideoTransition {
 public:
  static constexpr ParameterInfo kPush = {L"Push", 0, 0, 1};
  static constexpr ParameterInfo kParameters[] = {kDirectionParameter, kPush, kProgressParameter};
  static ParameterList Parameters() { return ListOf(kParameters); }

  void Apply(const VideoFrame& a, const VideoFrame& b, const VideoFrame& out, double progress, REFERENCE_TIME time,
             const PropertyEvaluator& values) override;

 private:
  // A part of the output taken from one picture, shifted by (dx, dy).
  struct Part {
    int left, top, right, bottom, dx, dy;
  };
  static void Split(int direction, bool push, int width, int height, double progress, Part* fromA, Part* fromB);
};
