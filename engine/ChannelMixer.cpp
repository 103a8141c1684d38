#include "ChannelMixer.h"

#include <mmreg.h>
#include <ks.h>
#include <ksmedia.h>

#include <cstring>

namespace {
const float kMinus3dB = 0.70710678f;
const int kPositions = 18;  // the speaker bits WAVEFORMATEXTENSIBLE defines

// Left and right weights of each speaker bit, in bit order.
const float kStereoWeights[kPositions][2] = {
    {1, 0},                  // front left
    {0, 1},                  // front right
    {kMinus3dB, kMinus3dB},  // front centre
    {0, 0},                  // low frequency
    {kMinus3dB, 0},          // back left
    {0, kMinus3dB},          // back right
    {1, 0},                  // front left of centre
    {0, 1},                  // front right of centre
    {kMinus3dB, kMinus3dB},  // back centre
    {kMinus3dB, 0},          // side left
    {0, kMinus3dB},          // side right
    {kMinus3dB, kMinus3dB},  // top centre
    {kMinus3dB, 0},          // top front left
    {kMinus3dB, kMinus3dB},  // top front centre
    {0, kMinus3dB},          // top front right
    {kMinus3dB, 0},          // top back left
    {kMinus3dB, kMinus3dB},  // top back centre
    {0, kMinus3dB},          // top back right
};

DWORD CommonLayout(WORD channels) {
  switch (channels) {
    case 3: return SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT | SPEAKER_FRONT_CENTER;
    case 4: return KSAUDIO_SPEAKER_QUAD;
    case 5: return KSAUDIO_SPEAKER_QUAD | SPEAKER_FRONT_CENTER;
    case 6: return KSAUDIO_SPEAKER_5POINT1;
    case 7: return KSAUDIO_SPEAKER_5POINT1_SURROUND | SPEAKER_BACK_CENTER;
    default: return KSAUDIO_SPEAKER_7POINT1_SURROUND;
  }
}
}  // namespace

void ChannelMixer::Configure(WORD inChannels, DWORD mask, WORD outChannels) {
  in_ = inChannels;
  out_ = outChannels;
  copy_ = in_ == out_;
  weights_.assign(size_t(in_) * out_, 0.0f);
  if (in_ == 1 || out_ == 1) {
    float weight = out_ == 1 ? 1.0f / in_ : 1.0f;
    weights_.assign(weights_.size(), weight);
  } else if (out_ == 2 && in_ > 2) {
    Downmix(mask);
  } else {
    for (WORD c = 0; c < in_ && c < out_; ++c) weights_[size_t(c) * in_ + c] = 1.0f;
  }
}

void ChannelMixer::Downmix(DWORD mask) {
  if (mask == 0) mask = CommonLayout(in_);
  WORD channel = 0;
  for (int bit = 0; bit < kPositions && channel < in_; ++bit) {
    if (!(mask & (1u << bit))) continue;
    weights_[channel] = kStereoWeights[bit][0];
    weights_[in_ + channel] = kStereoWeights[bit][1];
    ++channel;
  }
  for (; channel < in_; ++channel) {  // channels the layout does not name: centre
    weights_[channel] = kMinus3dB;
    weights_[in_ + channel] = kMinus3dB;
  }
  for (int side = 0; side < 2; ++side) {
    float* row = &weights_[size_t(side) * in_];
    float sum = 0;
    for (WORD c = 0; c < in_; ++c) sum += row[c];
    for (WORD c = 0; c < in_ && sum > 1; ++c) row[c] /= sum;
  }
}

void ChannelMixer::Mix(const float* in, size_t frames, float* out) const {
  if (copy_) {
    memcpy(out, in, frames * in_ * sizeof(float));
    return;
  }
  for (size_t f = 0; f < frames; ++f, in += in_) {
    const float* weight = weights_.data();
    for (WORD o = 0; o < out_; ++o) {
      float sum = 0;
      for (WORD i = 0; i < in_; ++i) sum += *weight++ * in[i];
      *out++ = sum;
    }
  }
}
