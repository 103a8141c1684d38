// Media files the tests write themselves: RIFF pieces, AVI and WAV files,
// and pictures through the WIC encoders.
#pragma once

#include <windows.h>
#include <mmreg.h>
#include <wincodec.h>

#include <string>
#include <vector>

std::string Dword(DWORD value);
std::string Chunk(const char* id, const std::string& content);
std::string List(const char* id, const char* type, const std::string& content);

template <class T>
std::string Bytes(const T& value) {
  return std::string(reinterpret_cast<const char*>(&value), sizeof value);
}

WAVEFORMATEX Wave(WORD tag, WORD channels, DWORD rate, WORD bits, WORD blockAlign);
std::string StreamHeader(const char* type, DWORD scale, DWORD rate, DWORD length);

// An AVI with 10 frames of 64x48 24-bit video at 25 fps and 0.5 s of 44.1 kHz
// stereo 16-bit PCM.
std::string Avi(DWORD videoRate = 25);

std::string Wav(const WAVEFORMATEX& wave, DWORD dataSize, const std::string& extra = "");

// Interleaved 16-bit values stored as PCM of bits bits (8-bit keeps the top byte).
std::string PcmWav(WORD bits, WORD channels, DWORD rate, const std::vector<int>& samples);

// 10 frames of 5x3 RGB at 25 fps as stream 01 behind a stream 00 of audio,
// whose odd chunk sits between frames 4 and 5; 'idx1' lists all 11 chunks.
// Pixel (x, y) of frame f, counted from the top: blue 10 * f, green y, red x.
std::string IndexedAvi(WORD bits, bool topDown);

// A width x height image through a WIC encoder: top half red, bottom half blue.
void EncodeImage(const std::wstring& path, const GUID& container, UINT width, UINT height);
