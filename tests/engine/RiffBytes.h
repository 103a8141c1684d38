// RIFF files (WAV, AVI) byte by byte, for media the tests damage or the
// engine does not write (AVIs it writes: TestMedia.h).
#pragma once

#include <windows.h>
#include <mmreg.h>

#include <cstring>
#include <string>
#include <vector>

inline std::string Dword(DWORD value) { return std::string(reinterpret_cast<const char*>(&value), 4); }

template <class T>
std::string Bytes(const T& value) {
  return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

// A chunk with its size and, after odd content, the pad byte.
inline std::string Chunk(const char* id, const std::string& content) {
  std::string chunk = std::string(id, 4) + Dword(DWORD(content.size())) + content;
  if (content.size() & 1) chunk += '\0';
  return chunk;
}

inline std::string List(const char* id, const char* type, const std::string& content) {
  return Chunk(id, std::string(type, 4) + content);
}

// The bytes with the size field of the first chunk called id set to size.
inline std::string WithSize(std::string bytes, const char* id, DWORD size) {
  memcpy(&bytes[bytes.find(std::string(id, 4)) + 4], &size, 4);
  return bytes;
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

inline WAVEFORMATEX Pcm16(WORD channels, DWORD rate) {
  return Wave(WAVE_FORMAT_PCM, channels, rate, 16, WORD(channels * 2));
}

// A WAVE_FORMAT_EXTENSIBLE block whose sub-format is the GUID of tag.
inline WAVEFORMATEXTENSIBLE Extensible(WORD tag, WORD channels, DWORD rate, WORD bits, DWORD mask) {
  WAVEFORMATEXTENSIBLE format = {};
  format.Format = Wave(WAVE_FORMAT_EXTENSIBLE, channels, rate, bits, WORD(channels * bits / 8));
  format.Format.cbSize = sizeof format - sizeof format.Format;
  format.Samples.wValidBitsPerSample = bits;
  format.dwChannelMask = mask;
  format.SubFormat = {tag, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
  return format;
}

inline std::string WaveFile(const std::string& format, const std::string& data, const std::string& extra = "") {
  return List("RIFF", "WAVE", Chunk("fmt ", format) + extra + Chunk("data", data));
}

// 16-bit values as PCM samples of bits bits: 8-bit keeps the top byte,
// wider samples get low bytes of 0x55 (which rounding to 16 bits drops).
inline std::string PcmSamples(WORD bits, const std::vector<int>& samples) {
  std::string data;
  for (int sample : samples) {
    if (bits == 8) data += char((sample >> 8) + 128);
    if (bits >= 24) data += std::string(bits / 8 - 2, '\x55');
    if (bits >= 16) data += Bytes(INT16(sample));
  }
  return data;
}

inline std::string PcmWav(WORD bits, WORD channels, DWORD rate, const std::vector<int>& samples) {
  return WaveFile(Bytes(Wave(WAVE_FORMAT_PCM, channels, rate, bits, WORD(channels * bits / 8))),
                  PcmSamples(bits, samples));
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
