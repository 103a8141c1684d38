// Media the tests make themselves: pictures in a DIB's layout, tones,
// pictures through the WIC encoders and decoders, and AVI files through the
// engine's own writer (hand-built RIFF bytes: RiffBytes.h). Needs COM.
#pragma once

#include <windows.h>
#include <dshow.h>

#include <string>
#include <vector>

#include "AviWriter.h"
#include "MediaType.h"

// width x |height| pixels of 3 or 4 bytes (the fourth 255) in a DIB's
// layout: bottom-up when height > 0, rows padded to 4 bytes. The colours
// change smoothly across and, differently, down, so a picture turned upside
// down or mirrored is far from it; frame f moves the green by 4 * (f % 12).
std::string TestFrame(LONG width, LONG height, int bytesPerPixel, int f = 0);
// A frame laid out as TestFrame's, as the readers give it: top-down BGRA.
std::vector<BYTE> AsRead(const std::string& frame, LONG width, LONG height, int bytesPerPixel);
// FORMAT_VideoInfo of subtype RGB24, RGB32 or ARGB32.
MediaType RgbType(const GUID& subtype, LONG width, LONG height, REFERENCE_TIME timePerFrame);
MediaType WaveType(const WAVEFORMATEX& wave);
// Interleaved 16-bit samples: channel c a sine of (440 + 220 * c) Hz.
std::vector<INT16> Sine(DWORD frames, WORD channels, DWORD rate, double amplitude);
std::string AsBytes(const std::vector<INT16>& samples);

struct Difference {
  double mean = 1e9;   // per channel
  int largest = 256;   // both stay at these when the sizes differ
};
// Between 3-channel pixels of a and b, each of bytes a pixel (3 or 4).
Difference Compare(const BYTE* a, int aBytes, const BYTE* b, int bBytes, size_t pixels);
Difference Compare(const std::vector<BYTE>& a, const std::vector<BYTE>& b);
// How far jpeg, decoded by WIC, is from frame (laid out as TestFrame's).
Difference CompareJpeg(const std::string& jpeg, const std::string& frame, LONG width, LONG height,
                       int bytesPerPixel);

// Top-down 24-bit rows through a WIC encoder (GIF through a palette of the
// colours used); empty when encoding fails.
std::string EncodePicture(const GUID& container, UINT width, UINT height, const std::string& rows);
// Top half red, bottom half blue.
std::string RedOverBlue(const GUID& container, UINT width, UINT height);

// An AVI through the engine's writer. A stream's format is its 'strf': a
// BITMAPINFOHEADER (with any palette or masks; video at 25 fps unless told) or a
// WAVEFORMATEX. Chunk i of every stream is written before chunk i + 1 of any.
struct AviStream {
  std::string format;
  std::vector<std::string> chunks = {};
  std::vector<bool> deltas = {};  // compressed frames that are not key frames
  REFERENCE_TIME timePerFrame = 400000;  // of video
};
HRESULT WriteAvi(const std::wstring& path, const std::vector<AviStream>& streams,
                 const AviWriter::Options& options = AviWriter::Options());
// Stream 0: 3 bytes of 8 kHz 8-bit mono PCM; stream 1: 10 frames of 5 x 3
// RGB24 at 25 fps, frame f TestFrame(5, 3, 3, f).
HRESULT WriteClip(const std::wstring& path);
