// The per-pixel video effects. Each changes the frame in place.
#pragma once

#include "EffectParameters.h"
#include "VideoEffect.h"

// Brightness -1 to 1 (added, as a fraction of full scale), default 0;
// Contrast 0 to 4 (a factor around mid-grey), default 1.
class BrightnessContrast final : public VideoEffect {
 public:
  static constexpr ParameterInfo kBrightness = {L"Brightness", 0, -1, 1};
  static constexpr ParameterInfo kContrast = {L"Contrast", 1, 0, 4};
  static constexpr ParameterInfo kParameters[] = {kBrightness, kContrast};
  static ParameterList Parameters() { return ListOf(kParameters); }

  void Apply(const VideoFrame& frame, REFERENCE_TIME time, REFERENCE_TIME length,
             const PropertyEvaluator& values) override;

 private:
  void MakeTable(double brightness, double contrast);

  BYTE table_[256];
  int offset_ = 0;
  bool pureOffset_ = false;  // table_[i] is i + offset_, clamped
  double brightness_ = 0;
  double contrast_ = -1;  // no table yet
};

// Amount 0 to 1 (how far towards grey), default 1; grey is Rec. 601 luma.
class Grayscale final : public VideoEffect {
 public:
  static constexpr ParameterInfo kAmount = {L"Amount", 1, 0, 1};
  static constexpr ParameterInfo kParameters[] = {kAmount};
  static ParameterList Parameters() { return ListOf(kParameters); }

  void Apply(const VideoFrame& frame, REFERENCE_TIME time, REFERENCE_TIME length,
             const PropertyEvaluator& values) override;
};

// Fades the picture to a colour over the effect's span (Direction 0, the
// default) or from it (Direction 1). Color 0xRRGGBB, default 0 (black);
// Progress 0-1 overrides how far the fade has gone. Alpha is kept.
class ColorFade final : public VideoEffect {
 public:
  static constexpr ParameterInfo kColor = {L"Color", 0, 0, 0xFFFFFF};
  static constexpr ParameterInfo kDirection = {L"Direction", 0, 0, 1};
  static constexpr ParameterInfo kParameters[] = {kColor, kDirection, kProgressParameter};
  static ParameterList Parameters() { return ListOf(kParameters); }

  void Apply(const VideoFrame& frame, REFERENCE_TIME time, REFERENCE_TIME length,
             const PropertyEvaluator& values) override;
};

// The alpha setter effect (CLSID_DxtAlphaSetter), published parameters:
// Alpha 0-255 sets every pixel's alpha; else AlphaRamp 0-1 scales it. A
// negative value (the default -1 of both) means unset.
class AlphaSetter final : public VideoEffect {
 public:
  static constexpr ParameterInfo kAlpha = {L"Alpha", -1, -1, 255};
  static constexpr ParameterInfo kAlphaRamp = {L"AlphaRamp", -1, -1, 1};
  static constexpr ParameterInfo kParameters[] = {kAlpha, kAlphaRamp};
  static ParameterList Parameters() { return ListOf(kParameters); }

  void Apply(const VideoFrame& frame, REFERENCE_TIME time, REFERENCE_TIME length,
             const PropertyEvaluator& values) override;
};
