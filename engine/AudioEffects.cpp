#include "AudioEffects.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr int kGainStep = 64;
constexpr double kHalfPi = 1.57079632679489661923;

// The time of a sample frame of block.
REFERENCE_TIME FrameTime(const AudioBlock& block, REFERENCE_TIME start, int frame) {
  return start + static_cast<REFERENCE_TIME>(std::llround(frame * 10000000.0 / block.rate));
}

// For every stretch of kGainStep frames: gain(time) -> float at both ends,
// then visit(frame, gain) for each frame of the stretch.
template <class Gain, class Visit>
void RampGains(const AudioBlock& block, REFERENCE_TIME start, Gain gain, Visit visit) {
  if (block.rate == 0) return;
  double from = gain(FrameTime(block, start, 0));
  for (int first = 0; first < block.frames; first += kGainStep) {
    const int count = std::min(kGainStep, block.frames - first);
    const double to = gain(FrameTime(block, start, first + count));
    for (int i = 0; i < count; ++i) visit(first + i, static_cast<float>(from + (to - from) * i / count));
    from = to;
  }
}

}  // namespace

void VolumeEnvelope::Apply(const AudioBlock& block, REFERENCE_TIME time, REFERENCE_TIME,
                           const PropertyEvaluator& values) {
  auto vol = [&values](REFERENCE_TIME t) { return EffectParameters(values, t).Number(kVol); };
  const int channels = block.channels;
  RampGains(block, time, vol, [&](int frame, float gain) {
    float* sample = block.samples + static_cast<size_t>(frame) * channels;
    for (int c = 0; c < channels; ++c) sample[c] *= gain;
  });
}

void AudioPan::Apply(const AudioBlock& block, REFERENCE_TIME time, REFERENCE_TIME, const PropertyEvaluator& values) {
  if (block.channels < 2) return;
  auto pan = [&values](REFERENCE_TIME t) { return EffectParameters(values, t).Number(kPan); };
  const int channels = block.channels;
  RampGains(block, time, pan, [&](int frame, float position) {
    float* sample = block.samples + static_cast<size_t>(frame) * channels;
    sample[0] *= std::min(1.0f, 1 - position);
    sample[1] *= std::min(1.0f, 1 + position);
  });
}

void AudioCrossFade::Apply(const AudioBlock& a, const AudioBlock& b, const AudioBlock& out, REFERENCE_TIME time,
                           REFERENCE_TIME length, const PropertyEvaluator& values) {
  const bool equalPower = EffectParameters(values, time).Integer(kCurve) == 1;
  auto progress = [length](REFERENCE_TIME t) {
    return length > 0 ? std::clamp(double(t) / double(length), 0.0, 1.0) : 1.0;
  };
  const int channels = out.channels;
  RampGains(out, time, progress, [&](int frame, float p) {
    const float toB = equalPower ? static_cast<float>(std::sin(p * kHalfPi)) : p;
    const float toA = equalPower ? static_cast<float>(std::cos(p * kHalfPi)) : 1 - p;
    const size_t first = static_cast<size_t>(frame) * channels;
    for (int c = 0; c < channels; ++c) out.samples[first + c] = a.samples[first + c] * toA + b.samples[first + c] * toB;
  });
}
