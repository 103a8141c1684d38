#include "PcmDecoder.h"

#include <mmreg.h>
#include <vfwmsgs.h>

#include <cmath>
#include <cstring>

namespace {
const float kIntegerScale = 1.0f / 2147483648.0f;
// Louder float samples are damage, not headroom; they must not overflow mixing.
const double kFloatLimit = 64.0;

// Integer samples of n bytes, moved to the top of 32 bits so that one scale fits all widths.
template <int n>
void DecodeIntegers(const BYTE* in, size_t samples, float* out) {
  for (size_t i = 0; i < samples; ++i, in += n) {
    UINT32 value = 0;
    for (int b = 0; b < n; ++b) value |= UINT32(in[b]) << (8 * (4 - n + b));
    if (n == 1) value ^= 0x80000000u;  // 8-bit PCM is unsigned
    out[i] = float(INT32(value)) * kIntegerScale;
  }
}

template <class T>
void DecodeFloats(const BYTE* in, size_t samples, float* out) {
  for (size_t i = 0; i < samples; ++i, in += sizeof(T)) {
    T value;
    memcpy(&value, in, sizeof value);
    double clamped = std::isnan(value) ? 0 : value < -kFloatLimit ? -kFloatLimit : value > kFloatLimit ? kFloatLimit : value;
    out[i] = float(clamped);
  }
}
}  // namespace

HRESULT PcmDecoder::Open(const AudioFormat& format) {
  if (format.tag != WAVE_FORMAT_PCM && format.tag != WAVE_FORMAT_IEEE_FLOAT) return S_FALSE;
  float_ = format.tag == WAVE_FORMAT_IEEE_FLOAT;
  bool sized = float_ ? format.bits == 32 || format.bits == 64
                      : format.bits == 8 || format.bits == 16 || format.bits == 24 || format.bits == 32;
  bytes_ = format.bits / 8;
  if (!sized || format.blockAlign != DWORD(format.channels) * bytes_) return VFW_E_INVALID_FILE_FORMAT;
  blockAlign_ = format.blockAlign;
  return S_OK;
}

HRESULT PcmDecoder::Decode(const BYTE* data, DWORD count, bool, float* out) {
  size_t samples = size_t(count) * (blockAlign_ / bytes_);
  if (float_) {
    if (bytes_ == 4) DecodeFloats<float>(data, samples, out);
    else DecodeFloats<double>(data, samples, out);
    return S_OK;
  }
  switch (bytes_) {
    case 1: DecodeIntegers<1>(data, samples, out); break;
    case 2: DecodeIntegers<2>(data, samples, out); break;
    case 3: DecodeIntegers<3>(data, samples, out); break;
    default: DecodeIntegers<4>(data, samples, out); break;
  }
  return S_OK;
}
