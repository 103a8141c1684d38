// What a group renders to, read from its media type: uncompressed RGB 555,
// RGB 565, RGB24, RGB32 or ARGB32 frames (FORMAT_VideoInfo) of any size up
// to 16384 a side, bottom-up or top-down as the height's sign says; or
// integer PCM (FORMAT_WaveFormatEx) of 8, 16, 24 or 32 bits, 1 to 8
// channels, 1 kHz to 384 kHz.
#pragma once

#include <windows.h>
#include <strmif.h>

#include "MediaType.h"

struct GroupFormat {
  bool video = false;
  // Video: the frame, rows padded to 4 bytes.
  int width = 0;
  int height = 0;  // always positive
  int bits = 0;    // 16, 24 or 32
  bool rgb565 = false;
  bool topDown = false;
  int stride = 0;
  // Audio.
  int channels = 0;
  DWORD rate = 0;
  int sampleBits = 0;

  // False for a type the engine cannot render to.
  static bool Read(const AM_MEDIA_TYPE& type, GroupFormat* format);
  // Bytes of one frame, or of one sample frame of audio.
  DWORD UnitBytes() const;
  // What the group's output pin offers: the group's type with its sizes
  // made consistent and, for video, AvgTimePerFrame from fps.
  HRESULT PinType(const AM_MEDIA_TYPE& groupType, double fps, MediaType* type) const;
};
