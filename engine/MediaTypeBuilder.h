// Media types from the format blocks files carry, checked for sizes and
// values a reader can rely on.
#pragma once

#include <windows.h>

#include "MediaType.h"

class MediaTypeBuilder {
 public:
  // A BITMAPINFOHEADER (and any palette or codec data after it) as
  // FORMAT_VideoInfo; subtype from the compression and bit count.
  static HRESULT Video(const BYTE* header, size_t size, REFERENCE_TIME timePerFrame, MediaType* type);
  // A WAVEFORMAT, PCMWAVEFORMAT or WAVEFORMATEX (with its extra bytes) as
  // FORMAT_WaveFormatEx; subtype from the format tag.
  static HRESULT Audio(const BYTE* format, size_t size, MediaType* type);
  // Uncompressed 32-bit frames of the given size.
  static HRESULT Picture(LONG width, LONG height, REFERENCE_TIME timePerFrame, MediaType* type);
  // The subtype GUID that carries a four-character code or format tag.
  static GUID FourccSubtype(DWORD code);

 private:
  static GUID VideoSubtype(const BITMAPINFOHEADER& header, const DWORD* masks);
};
