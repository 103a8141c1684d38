#include "AudioFormat.h"

#include <mmreg.h>
#include <vfwmsgs.h>

#include <cstring>

namespace {
// Format blocks above this are hostile, not real.
const size_t kMaxFormatSize = 64 * 1024;
const size_t kWaveFormatSize = 14;  // WAVEFORMAT: no bits per sample, no cbSize
// {XXXXXXXX-0000-0010-8000-00AA00389B71}: the GUID that carries a format tag.
const BYTE kTagGuidTail[12] = {0x00, 0x00, 0x10, 0x00, 0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71};

WORD SubFormatTag(const GUID& subFormat) {
  if (subFormat.Data1 > 0xFFFF || memcmp(&subFormat.Data2, kTagGuidTail, sizeof kTagGuidTail) != 0) return 0;
  return WORD(subFormat.Data1);
}
}  // namespace

HRESULT AudioFormat::Parse(const BYTE* format, size_t size, AudioFormat* parsed) {
  WAVEFORMATEX wave = {};
  if (!format || size < kWaveFormatSize || size > kMaxFormatSize) return VFW_E_INVALID_FILE_FORMAT;
  memcpy(&wave, format, size < sizeof wave ? size : sizeof wave);
  if (size < sizeof wave) wave.cbSize = 0;
  if (wave.nChannels == 0 || wave.nSamplesPerSec == 0 || wave.nBlockAlign == 0) return VFW_E_INVALID_FILE_FORMAT;
  size_t extra = size > sizeof wave ? size - sizeof wave : 0;
  if (wave.cbSize < extra) extra = wave.cbSize;
  const BYTE* extraBytes = format + sizeof wave;

  AudioFormat result;
  result.tag = wave.wFormatTag;
  result.channels = wave.nChannels;
  result.rate = wave.nSamplesPerSec;
  result.blockAlign = wave.nBlockAlign;
  result.bits = wave.wBitsPerSample;
  if (wave.wFormatTag == WAVE_FORMAT_EXTENSIBLE) {
    WAVEFORMATEXTENSIBLE extensible;
    if (extra < sizeof extensible - sizeof wave) return VFW_E_INVALID_FILE_FORMAT;
    memcpy(&extensible, format, sizeof extensible);
    result.tag = SubFormatTag(extensible.SubFormat);
    result.channelMask = extensible.dwChannelMask;
    extra = 0;  // the extensible fields mean nothing to a codec of the plain tag
  } else if (extra >= sizeof(WORD)) {
    memcpy(&result.samplesPerBlock, extraBytes, sizeof(WORD));
  }
  wave.wFormatTag = result.tag;
  wave.cbSize = WORD(extra);
  result.wave.resize(sizeof wave + extra);
  memcpy(result.wave.data(), &wave, sizeof wave);
  if (extra) memcpy(result.wave.data() + sizeof wave, extraBytes, extra);
  *parsed = std::move(result);
  return S_OK;
}
