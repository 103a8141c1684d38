// Mixes interleaved float frames from a source's channels to the channels
// asked for:
// - the same count: unchanged;
// - mono to any count: the one channel on every output channel;
// - any count to mono: the average of all channels;
// - more than two to stereo: the ITU-R BS.775 downmix by speaker position
//   (from the channel mask, else the common layout for the count: 3 = L R C,
//   4 = quad, 5 = 5.0, 6 = 5.1, 7 = 6.1, 8 = 7.1; channels past those
//   positions count as centre): centre channels at -3 dB to
//   both sides, surround and rear at -3 dB to their side, LFE dropped, then
//   each side scaled down by the sum of its weights so that it cannot clip;
// - otherwise: channel i to channel i, extra inputs dropped, extra outputs silent.
#pragma once

#include <windows.h>

#include <vector>

class ChannelMixer {
 public:
  // mask: the speaker positions of a WAVEFORMATEXTENSIBLE, 0 when unknown.
  void Configure(WORD inChannels, DWORD mask, WORD outChannels);
  // frames frames at in to frames frames at out.
  void Mix(const float* in, size_t frames, float* out) const;

 private:
  void Downmix(DWORD mask);

  WORD in_ = 0;
  WORD out_ = 0;
  bool copy_ = false;
  std::vector<float> weights_;  // out_ rows of in_
};
