// The built-in audio effects and transition. Gains are evaluated every
// kGainStep sample frames and ramped linearly between, so an envelope is
// followed exactly along its straight pieces and a jump never clicks.
#pragma once

#include "AudioEffect.h"
#include "EffectParameters.h"

// The volume envelope (CLSID_AudMixer), published parameter Vol: a factor
// 0-10 of the sound, default 1; interpolated values make fades.
class VolumeEnvelope final : public AudioEffect {
 public:
  static constexpr ParameterInfo kVol = {L"Vol", 1, 0, 10};
  static constexpr ParameterInfo kParameters[] = {kVol};
  static ParameterList Parameters() { return ListOf(kParameters); }

  void Apply(const AudioBlock& block, REFERENCE_TIME time, REFERENCE_TIME length,
             const PropertyEvaluator& values) override;
};

// Pan -1 (left only) to 1 (right only), default 0: the far side of the first
// two channels is turned down; other channels and mono are left alone.
class AudioPan final : public AudioEffect {
 public:
  static constexpr ParameterInfo kPan = {L"Pan", 0, -1, 1};
  static constexpr ParameterInfo kParameters[] = {kPan};
  static ParameterList Parameters() { return ListOf(kParameters); }

  void Apply(const AudioBlock& block, REFERENCE_TIME time, REFERENCE_TIME length,
             const PropertyEvaluator& values) override;
};

// From a to b over the transition's span. Curve 0 (default) fades linearly,
// the sum constant for like sounds; 1 keeps the power constant (cosine and
// sine gains) for unlike ones.
class AudioCrossFade final : public AudioTransition {
 public:
  static constexpr ParameterInfo kCurve = {L"Curve", 0, 0, 1};
  static constexpr ParameterInfo kParameters[] = {kCurve};
  static ParameterList Parameters() { return ListOf(kParameters); }

  void Apply(const AudioBlock& a, const AudioBlock& b, const AudioBlock& out, REFERENCE_TIME time,
             REFERENCE_TIME length, const PropertyEvaluator& values) override;
};
