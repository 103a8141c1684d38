// Conversions between REFERENCE_TIME (100-ns units) and REFTIME (seconds).
#pragma once

#include <cmath>

#include <windows.h>
#include <strmif.h>

constexpr double kUnitsPerSecond = 10000000.0;

inline double UnitsToSeconds(REFERENCE_TIME units) { return units / kUnitsPerSecond; }

// False when the seconds are not finite or do not fit.
inline bool SecondsToUnits(double seconds, REFERENCE_TIME* units) {
  double scaled = std::round(seconds * kUnitsPerSecond);
  if (!std::isfinite(scaled) || std::fabs(scaled) >= 9.2e18) return false;
  *units = static_cast<REFERENCE_TIME>(scaled);
  return true;
}

// The frame boundary nearest to a time at a frame rate; the time itself when
// the rate is not positive.
inline REFERENCE_TIME NearestFrameTime(REFERENCE_TIME units, double fps) {
  if (!(fps > 0)) return units;
  double frame = std::round(units * fps / kUnitsPerSecond);
  return static_cast<REFERENCE_TIME>(std::llround(frame * kUnitsPerSecond / fps));
}
