#include "AudioMixer.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

const DWORD kMinReadRate = 1000;
const DWORD kMaxReadRate = 1000000;

// A sample scaled to full and clipped into [-full, full - 1].
LONG Clip(float sample, double full) {
  double value = std::floor(double(sample) * full + 0.5);
  return LONG(std::min(std::max(value, -full), full - 1));
}

}  // namespace

void AudioMixer::Mix(const RenderPlan& plan, LONGLONG first, int count, ReaderSet* readers, float* out) {
  plan_ = &plan;
  readers_ = readers;
  block_ = {first, count};
  channels_ = plan.format.channels;
  std::fill_n(out, size_t(count) * channels_, 0.0f);
  Layers(plan.root.layers, 0, out);
  Effects(plan.root.effects, first, first + count, out);
}

float* AudioMixer::Scratch(int depth) {
  if (scratch_.size() <= size_t(depth)) scratch_.resize(size_t(depth) + 1);
  scratch_[depth].assign(size_t(block_.count) * channels_, 0.0f);
  return scratch_[depth].data();
}

void AudioMixer::Layers(const std::vector<PlanLayer>& layers, int depth, float* out) {
  LONGLONG end = block_.first + block_.count;
  for (const PlanLayer& layer : layers) {
    float* own = Scratch(depth);
    Layer(layer, depth + 1, own);
    LONGLONG at = block_.first;
    for (const PlanTransition& transition : layer.transitions) {
      LONGLONG from = std::max(transition.span.first, at), to = std::min(transition.span.end, end);
      if (from >= to) continue;
      Add(own, at, from, out);
      Transition(transition, own, out);
      at = to;
    }
    Add(own, at, end, out);
  }
}

void AudioMixer::Layer(const PlanLayer& layer, int depth, float* out) {
  if (layer.composition) {
    Layers(layer.layers, depth, out);
  } else {
    for (const PlanSource& source : layer.sources) Source(source, out);
  }
  Effects(layer.effects, block_.first, block_.first + block_.count, out);
}

void AudioMixer::Source(const PlanSource& source, float* out) {
  LONGLONG from = std::max(source.span.first, block_.first);
  LONGLONG to = std::min(source.span.end, block_.first + block_.count);
  MediaReader* reader = from < to && source.stream >= 0 ? readers_->Get(source.path) : nullptr;
  if (!reader) return;
  // Read at the rate that plays the media at the source's speed.
  double rate = std::round(plan_->clock.Rate() / source.speed);
  WAVEFORMATEX format = {WAVE_FORMAT_PCM, WORD(channels_), DWORD(std::min(std::max(rate, double(kMinReadRate)),
                                                                          double(kMaxReadRate))),
                         0, WORD(channels_ * 2), 16, 0};
  format.nAvgBytesPerSec = format.nSamplesPerSec * format.nBlockAlign;
  DWORD frames = DWORD(to - from);
  REFERENCE_TIME time = std::llround(source.MediaTime(from, plan_->clock));
  if (FAILED(reader->ReadAudio(source.stream, time, format, frames, &pcm_))) return;
  size_t samples = size_t(frames) * channels_;
  if (pcm_.size() < samples * 2) return;
  piece_.resize(samples);
  const INT16* pcm = reinterpret_cast<const INT16*>(pcm_.data());
  for (size_t i = 0; i < samples; ++i) piece_[i] = pcm[i] * (1.0f / 32768.0f);
  Effects(source.effects, from, to, piece_.data());
  float* target = out + size_t(from - block_.first) * channels_;
  for (size_t i = 0; i < samples; ++i) target[i] += piece_[i];
}

void AudioMixer::Add(const float* own, LONGLONG from, LONGLONG to, float* out) {
  size_t offset = size_t(from - block_.first) * channels_;
  for (size_t i = offset, end = size_t(to - block_.first) * channels_; i < end; ++i) out[i] += own[i];
}

void AudioMixer::Transition(const PlanTransition& transition, const float* own, float* out) {
  LONGLONG from = std::max(transition.span.first, block_.first);
  LONGLONG to = std::min(transition.span.end, block_.first + block_.count);
  if (transition.cutsOnly) {
    // Beneath until the cut, the layer's own sound from it.
    LONGLONG cut = std::max(transition.cut, from);
    size_t start = size_t(cut - block_.first) * channels_, end = size_t(to - block_.first) * channels_;
    if (start < end) memcpy(out + start, own + start, (end - start) * sizeof(float));
    return;
  }
  size_t offset = size_t(from - block_.first) * channels_;
  AudioBlock beneath = {out + offset, int(to - from), channels_, DWORD(plan_->clock.Rate())};
  AudioBlock layer = beneath;
  layer.samples = const_cast<float*>(own) + offset;
  const AudioBlock& a = transition.swapInputs ? layer : beneath;
  const AudioBlock& b = transition.swapInputs ? beneath : layer;
  transition.audio->Apply(a, b, beneath, plan_->clock.Time(from) - transition.start, transition.length,
                          *transition.values);
}

void AudioMixer::Effects(const std::vector<PlanEffect>& effects, LONGLONG from, LONGLONG to, float* samples) {
  for (const PlanEffect& effect : effects) {
    LONGLONG start = std::max(effect.span.first, from), stop = std::min(effect.span.end, to);
    if (start >= stop) continue;
    AudioBlock block = {samples + size_t(start - from) * channels_, int(stop - start), channels_,
                        DWORD(plan_->clock.Rate())};
    effect.audio->Apply(block, plan_->clock.Time(start) - effect.start, effect.length, *effect.values);
  }
}

void AudioMixer::Write(const GroupFormat& format, const float* mixed, int count, BYTE* out) {
  size_t samples = size_t(count) * format.channels;
  for (size_t i = 0; i < samples; ++i) {
    switch (format.sampleBits) {
      case 8:
        *out++ = BYTE(Clip(mixed[i], 128.0) + 128);
        break;
      case 16: {
        INT16 value = INT16(Clip(mixed[i], 32768.0));
        memcpy(out, &value, 2);
        out += 2;
        break;
      }
      case 24: {
        LONG value = Clip(mixed[i], 8388608.0);
        out[0] = BYTE(value), out[1] = BYTE(value >> 8), out[2] = BYTE(value >> 16);
        out += 3;
        break;
      }
      default: {
        LONG value = Clip(mixed[i], 2147483648.0);
        memcpy(out, &value, 4);
        out += 4;
        break;
      }
    }
  }
}
