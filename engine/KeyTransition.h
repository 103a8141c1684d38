// The key transition (CLSID_DxtKey): the track's picture (b) over what lies
// beneath (a), with the pixels of b that match the key shown as a instead.
// Published parameters:
//   KeyType     0 colour (RGB), 1 non-red, 2 luminance, 3 alpha (default), 4 hue
//   RGB         the keyed colour 0xRRGGBB, default 0
//   Similarity  0-100 %, default 0: colour keys every channel within
//               Similarity % of 255; non-red keys pixels whose green or blue
//               exceeds red, with red at most Similarity % of it; hue keys
//               hues within 1.8 x Similarity degrees (at least 15)
//   Hue         0-360 degrees, default 0; pixels with chroma below 10 % have no hue
//   Luminance   0-100 %, default 0: keys pixels at most this bright
//   Invert      0 or 1, default 0: keys the pixels that do not match instead
// The alpha key blends b over a by b's alpha and ignores Invert.
#pragma once

#include "EffectParameters.h"
#include "VideoEffect.h"

class KeyTransition final : public VideoTransition {
 public:
  enum KeyType { kByRgb = 0, kByNonRed = 1, kByLuminance = 2, kByAlpha = 3, kByHue = 4 };

  static constexpr ParameterInfo kKeyType = {L"KeyType", kByAlpha, 0, 4};
  static constexpr ParameterInfo kRgb = {L"RGB", 0, 0, 0xFFFFFF};
  static constexpr ParameterInfo kSimilarity = {L"Similarity", 0, 0, 100};
  static constexpr ParameterInfo kHue = {L"Hue", 0, 0, 360};
  static constexpr ParameterInfo kLuminance = {L"Luminance", 0, 0, 100};
  static constexpr ParameterInfo kInvert = {L"Invert", 0, 0, 1};
  static constexpr ParameterInfo kParameters[] = {kKeyType, kRgb, kSimilarity, kHue, kLuminance, kInvert};
  static ParameterList Parameters() { return ListOf(kParameters); }

  void Apply(const VideoFrame& a, const VideoFrame& b, const VideoFrame& out, double progress, REFERENCE_TIME time,
             const PropertyEvaluator& values) override;

 private:
  struct Key {
    int type;
    int red, green, blue;  // the keyed colour
    int tolerance;         // per channel, 0-255
    int similarity;        // 0-100
    double hue;
    double hueTolerance;  // degrees
    int luminance;        // 0-255
  };

  static Key KeyOf(const EffectParameters& parameters);
  static bool Matches(DWORD pixel, const Key& key);
  static void AlphaBlendRow(const DWORD* a, const DWORD* b, DWORD* out, int width);
};
