// Byte builders for the RIFF files (AVI, WAV) that engine tests write.
#pragma once

#include <windows.h>
#include <mmreg.h>

#include <string>

inline std::string Dword(DWORD value) { return std::string(reinterpret_cast<const char*>(&value), 4); }

template <class T>
std::string Bytes(const T& value) {
  return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

inline std::string Chunk(const char* id, const std::string& content) {
  std::string chunk = std::string(id, 4) + Dword(DWORD(content.size())) + content;
  if (content.size() & 1) chunk += '\0';
  return chunk;
}

inline std::string List(const char* id, const char* type, const std::string& content) {
  return Chunk(id, std::string(type, 4) + content);
}

inline WAVEFORMATEX Wave(WORD tag, WORD channels, DWORD rate, WORD bits, WORD blockAlign) {
  WAVEFORMATEX wave = {};
  wave.wFormatTag = tag;
  wave.nChannels = channels;
  wave.nSamplesPerSec = rate;
  wave.wBitsPerSample = bits;
  wave.nBlockAlign = blockAlign;
  wave.nAvgBytesPerSec = rate * blockAlign;
  return wave;
}

// An AVI 'strh' chunk of the given kind ("vids", "auds") and codec code.
inline std::string StreamHeader(const char* type, DWORD scale, DWORD rate, DWORD length, DWORD handler = 0,
                                DWORD sampleSize = 0) {
  std::string header = std::string(type, 4) + Dword(handler) + std::string(12, '\0') + Dword(scale) + Dword(rate) +
                       Dword(0) + Dword(length) + Dword(0) + Dword(0) + Dword(sampleSize) + std::string(8, '\0');
  return Chunk("strh", header);
}

inline BITMAPINFOHEADER Bitmap(LONG width, LONG height, WORD bits, DWORD compression = BI_RGB) {
  BITMAPINFOHEADER bitmap = {};
  bitmap.biSize = sizeof bitmap;
  bitmap.biWidth = width;
  bitmap.biHeight = height;
  bitmap.biPlanes = 1;
  bitmap.biBitCount = bits;
  bitmap.biCompression = compression;
  return bitmap;
}
