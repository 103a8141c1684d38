// What decoding needs of a stream's format block (WAVEFORMAT, PCMWAVEFORMAT,
// WAVEFORMATEX or WAVEFORMATEXTENSIBLE), read without trusting its sizes.
// An extensible block stands for the format tag of its sub-format.
#pragma once

#include <windows.h>

#include <vector>

struct AudioFormat {
  WORD tag = 0;  // WAVE_FORMAT_PCM, _IEEE_FLOAT, _IMA_ADPCM, another codec's, or 0 for an unknown sub-format
  WORD channels = 0;
  DWORD rate = 0;
  WORD blockAlign = 0;
  WORD bits = 0;             // bits per sample (a PCM sample's container)
  DWORD channelMask = 0;     // speaker positions of an extensible block, else 0
  WORD samplesPerBlock = 0;  // the first extra WORD of a compressed format, 0 without one
  // The block as WAVEFORMATEX and extra bytes with the tag resolved: what a platform codec takes.
  std::vector<BYTE> wave;

  // VFW_E_INVALID_FILE_FORMAT for a block too short or too long, with no
  // channels, rate or block size, or an extensible one without its fields.
  static HRESULT Parse(const BYTE* format, size_t size, AudioFormat* parsed);
};
