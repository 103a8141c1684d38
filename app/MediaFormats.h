// The output formats a group can have, and the description of a group to make.
#pragma once

#include <windows.h>

#include <cstdint>

struct MediaFormat {
  const GUID* subtype;
  WORD bitCount;
  const wchar_t* description;
};

struct MediaKind {
  const GUID* majorType;
  const wchar_t* name;
  int formatCount;
  MediaFormat formats[3];
};

constexpr int kMediaKindCount = 2;
extern const MediaKind kMediaKinds[kMediaKindCount];

// size: video height in the low 16 bits and width in the high 16 bits; audio
// the sample rate in Hz.
struct GroupFormat {
  int32_t kindIndex;
  int32_t formatIndex;
  uint32_t size;
};

struct GroupSettings {
  bool locked;
  bool muted;
  int32_t trackCount;
  const wchar_t* name;  // not owned; null or empty for no name
  GroupFormat format;
};

constexpr uint32_t VideoSize(uint32_t width, uint32_t height) {
  return (width & 0xFFFF) << 16 | (height & 0xFFFF);
}
