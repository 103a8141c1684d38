#include "KeyTransition.h"

#include <algorithm>
#include <cmath>

namespace {

int Red(DWORD p) { return (p >> 16) & 0xFF; }
int Green(DWORD p) { return (p >> 8) & 0xFF; }
int Blue(DWORD p) { return p & 0xFF; }

// Degrees 0-360, or -1 for a pixel too grey to have a hue.
double HueOf(int r, int g, int b) {
  int high = std::max({r, g, b});
  int chroma = high - std::min({r, g, b});
  if (chroma * 10 < 255) return -1;
  double sector = high == r   ? double(g - b) / chroma
                  : high == g ? double(b - r) / chroma + 2
                              : double(r - g) / chroma + 4;
  double degrees = sector * 60;
  return degrees < 0 ? degrees + 360 : degrees;
}

double HueDistance(double h1, double h2) {
  double d = std::fabs(h1 - h2);
  return std::min(d, 360 - d);
}

}  // namespace

KeyTransition::Key KeyTransition::KeyOf(const EffectParameters& parameters) {
  Key key;
  key.type = parameters.Integer(kKeyType);
  DWORD rgb = parameters.Color(kRgb);
  key.red = Red(rgb);
  key.green = Green(rgb);
  key.blue = Blue(rgb);
  key.similarity = parameters.Integer(kSimilarity);
  key.tolerance = static_cast<int>(std::lround(key.similarity * 2.55));
  key.hue = parameters.Number(kHue);
  key.hueTolerance = std::max(15.0, key.similarity * 1.8);
  key.luminance = static_cast<int>(std::lround(parameters.Number(kLuminance) * 2.55));
  return key;
}

bool KeyTransition::Matches(DWORD pixel, const Key& key) {
  const int r = Red(pixel), g = Green(pixel), b = Blue(pixel);
  switch (key.type) {
    case kByRgb:
      return std::abs(r - key.red) <= key.tolerance && std::abs(g - key.green) <= key.tolerance &&
             std::abs(b - key.blue) <= key.tolerance;
    case kByNonRed: {
      int other = std::max(g, b);
      return other > r && r * 100 <= other * key.similarity;
    }
    case kByLuminance: return ((r * 77 + g * 150 + b * 29 + 128) >> 8) <= key.luminance;
    default: {  // kByHue
      double hue = HueOf(r, g, b);
      return hue >= 0 && HueDistance(hue, key.hue) <= key.hueTolerance;
    }
  }
}

void KeyTransition::AlphaBlendRow(const DWORD* a, const DWORD* b, DWORD* out, int width) {
  for (int x = 0; x < width; ++x) {
    const DWORD pa = a[x], pb = b[x];
    const DWORD alpha = pb >> 24;
    DWORD result = 0;
    for (int shift = 0; shift < 24; shift += 8) {
      DWORD ca = (pa >> shift) & 0xFF, cb = (pb >> shift) & 0xFF;
      result |= ((cb * alpha + ca * (255 - alpha) + 127) / 255) << shift;
    }
    DWORD outAlpha = alpha + ((pa >> 24) * (255 - alpha) + 127) / 255;  // b over a
    out[x] = result | (outAlpha << 24);
  }
}

void KeyTransition::Apply(const VideoFrame& a, const VideoFrame& b, const VideoFrame& out, double, REFERENCE_TIME time,
                          const PropertyEvaluator& values) {
  EffectParameters parameters(values, time);
  const Key key = KeyOf(parameters);
  const bool invert = parameters.Integer(kInvert) != 0;
  for (int y = 0; y < out.height; ++y) {
    const DWORD* ra = reinterpret_cast<const DWORD*>(a.Row(y));
    const DWORD* rb = reinterpret_cast<const DWORD*>(b.Row(y));
    DWORD* ro = reinterpret_cast<DWORD*>(out.Row(y));
    if (key.type == kByAlpha) {
      AlphaBlendRow(ra, rb, ro, out.width);
      continue;
    }
    for (int x = 0; x < out.width; ++x) ro[x] = Matches(rb[x], key) != invert ? ra[x] : rb[x];
  }
}
