// The times of a group's units, frames at its frame rate or sample frames
// at its sample rate: unit n starts at n / rate seconds, rounded to 100 ns,
// so that times never drift.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <cmath>

class UnitClock {
 public:
  // rate: units a second, positive.
  explicit UnitClock(double rate = 1.0) : rate_(rate) {}

  double Rate() const { return rate_; }
  double ExactTime(LONGLONG unit) const { return double(unit) * 1e7 / rate_; }
  REFERENCE_TIME Time(LONGLONG unit) const { return std::llround(ExactTime(unit)); }
  // The unit whose start is nearest to time (where DES places object edges).
  LONGLONG Nearest(REFERENCE_TIME time) const { return std::llround(double(time) * rate_ / 1e7); }
  // The unit shown at time: the last one starting at or before it.
  LONGLONG UnitAt(REFERENCE_TIME time) const {
    LONGLONG unit = LONGLONG(std::floor(double(time) * rate_ / 1e7));
    while (Time(unit) > time) --unit;
    while (Time(unit + 1) <= time) ++unit;
    return unit;
  }
  // The first unit starting at or after time.
  LONGLONG UnitFrom(REFERENCE_TIME time) const {
    LONGLONG unit = UnitAt(time);
    return Time(unit) < time ? unit + 1 : unit;
  }

 private:
  double rate_;
};
