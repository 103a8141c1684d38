#include "ImaAdpcm.h"

#include <cstdlib>
#include <cstring>

namespace {
const int kStepTable[ImaAdpcm::kMaxStepIndex + 1] = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
const int kIndexTable[16] = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};

const DWORD kHeaderBytes = 4;   // per channel
const DWORD kGroupBytes = 4;    // per channel, 8 samples
const int kFramesJudged = 64;   // how far into a block a header's step index is judged

struct Coder {
  int sample;
  int index;

  // Applies one code as a decoder does.
  int Step(int code) {
    int step = kStepTable[index];
    int diff = step >> 3;
    if (code & 4) diff += step;
    if (code & 2) diff += step >> 1;
    if (code & 1) diff += step >> 2;
    sample += code & 8 ? -diff : diff;
    sample = sample < -32768 ? -32768 : sample > 32767 ? 32767 : sample;
    index += kIndexTable[code];
    index = index < 0 ? 0 : index > ImaAdpcm::kMaxStepIndex ? ImaAdpcm::kMaxStepIndex : index;
    return sample;
  }
  // The code that brings the decoder nearest target, applied.
  int Encode(int target) {
    int diff = target - sample;
    int code = diff < 0 ? 8 : 0;
    diff = std::abs(diff);
    int step = kStepTable[index];
    for (int bit = 4; bit; bit >>= 1, step >>= 1) {
      if (diff >= step) {
        code |= bit;
        diff -= step;
      }
    }
    Step(code);
    return code;
  }
};

DWORD Groups(DWORD blockBytes, WORD channels) {
  DWORD headers = kHeaderBytes * channels;
  return blockBytes < headers ? 0 : (blockBytes - headers) / (kGroupBytes * channels);
}

// Channel c's frame i of the frames given, the last one repeated past them.
int SampleAt(const INT16* pcm, DWORD frames, WORD channels, WORD c, DWORD i) {
  if (frames == 0) return 0;
  return pcm[size_t(i < frames ? i : frames - 1) * channels + c];
}

// Squared error of coding channel c's first frames from a header with index.
double TrialError(const INT16* pcm, DWORD frames, WORD channels, WORD c, int index) {
  Coder coder = {SampleAt(pcm, frames, channels, c, 0), index};
  double error = 0;
  for (DWORD i = 1; i < frames && i < kFramesJudged; ++i) {
    int target = SampleAt(pcm, frames, channels, c, i);
    coder.Encode(target);
    double miss = double(target - coder.sample);
    error += miss * miss;
  }
  return error;
}

// The step index whose step best matches the channel's opening differences.
int EstimatedIndex(const INT16* pcm, DWORD frames, WORD channels, WORD c) {
  int total = 0, count = 0;
  for (DWORD i = 1; i < frames && i <= 8; ++i, ++count)
    total += std::abs(SampleAt(pcm, frames, channels, c, i) - SampleAt(pcm, frames, channels, c, i - 1));
  int typical = count ? total / count : 0;
  int index = 0;
  while (index < ImaAdpcm::kMaxStepIndex && kStepTable[index] < typical) ++index;
  return index;
}

int HeaderIndex(const INT16* pcm, DWORD frames, WORD channels, WORD c, int carried) {
  int estimate = EstimatedIndex(pcm, frames, channels, c);
  if (estimate == carried) return carried;
  return TrialError(pcm, frames, channels, c, estimate) < TrialError(pcm, frames, channels, c, carried) ? estimate
                                                                                                       : carried;
}
}  // namespace

DWORD ImaAdpcm::SamplesPerBlock(DWORD blockBytes, WORD channels) {
  if (channels == 0 || blockBytes < kHeaderBytes * channels) return 0;
  return 1 + Groups(blockBytes, channels) * 8;
}

WORD ImaAdpcm::BlockBytes(WORD channels, DWORD rate) {
  DWORD times = rate / 11025;
  times = times < 1 ? 1 : times > 4 ? 4 : times;
  DWORD bytes = 256 * times * channels;
  return bytes > 0xFFFF ? 0 : WORD(bytes);
}

void ImaAdpcm::DecodeBlock(const BYTE* block, DWORD blockBytes, WORD channels, DWORD frames, INT16* out) {
  DWORD available = SamplesPerBlock(blockBytes, channels);
  if (frames > available) frames = available;
  if (frames == 0) return;
  for (WORD c = 0; c < channels; ++c) {
    const BYTE* header = block + kHeaderBytes * c;
    Coder coder = {INT16(header[0] | header[1] << 8), header[2] > kMaxStepIndex ? kMaxStepIndex : header[2]};
    out[c] = INT16(coder.sample);
    const BYTE* group = block + kHeaderBytes * channels + kGroupBytes * c;
    for (DWORD i = 1; i < frames; group += kGroupBytes * channels) {
      for (DWORD b = 0; b < 8 && i < frames; ++b, ++i) {
        int code = b & 1 ? group[b / 2] >> 4 : group[b / 2] & 15;
        out[size_t(i) * channels + c] = INT16(coder.Step(code));
      }
    }
  }
}

void ImaAdpcm::EncodeBlock(const INT16* pcm, DWORD frames, WORD channels, BYTE* stepIndices, BYTE* block,
                           DWORD blockBytes) {
  memset(block, 0, blockBytes);
  DWORD groups = Groups(blockBytes, channels);
  if (SamplesPerBlock(blockBytes, channels) == 0) return;
  for (WORD c = 0; c < channels; ++c) {
    int carried = stepIndices[c] > kMaxStepIndex ? kMaxStepIndex : stepIndices[c];
    Coder coder = {SampleAt(pcm, frames, channels, c, 0), HeaderIndex(pcm, frames, channels, c, carried)};
    BYTE* header = block + kHeaderBytes * c;
    header[0] = BYTE(coder.sample);
    header[1] = BYTE(coder.sample >> 8);
    header[2] = BYTE(coder.index);
    BYTE* group = block + kHeaderBytes * channels + kGroupBytes * c;
    for (DWORD g = 0, i = 1; g < groups; ++g, group += kGroupBytes * channels) {
      for (DWORD b = 0; b < 8; ++b, ++i) {
        int code = coder.Encode(SampleAt(pcm, frames, channels, c, i));
        group[b / 2] |= BYTE(b & 1 ? code << 4 : code);
      }
    }
    stepIndices[c] = BYTE(coder.index);
  }
}
