// Frames decoded per second from a 640x480 uncompressed AVI and a 640x480
// Motion JPEG AVI, each read frame by frame in order; part of the media
// benchmark, which fails when a frame reads back wrong.
#include <windows.h>
#include <wincodec.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "AviReader.h"
#include "RiffBytes.h"
#include "TempFolder.h"
#include "WicBytes.h"

namespace {

constexpr LONG kWidth = 640;
constexpr LONG kHeight = 480;
constexpr int kFrames = 120;

double Seconds() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return double(counter.QuadPart) / double(frequency.QuadPart);
}

// Pixel (x, y) of frame f, top-down BGR: smooth, so JPEG keeps it close.
BYTE Channel(int c, LONG x, LONG y, int f) {
  return BYTE(c == 0 ? x * 255 / (kWidth - 1) : c == 1 ? y * 255 / (kHeight - 1) : (f * 8) % 256);
}

// The frame as 24-bit rows, bottom-up when bottomUp.
std::string Rows(int f, bool bottomUp) {
  std::string rows;
  rows.reserve(size_t(kWidth) * kHeight * 3);
  for (LONG i = 0; i < kHeight; ++i) {
    LONG y = bottomUp ? kHeight - 1 - i : i;
    for (LONG x = 0; x < kWidth; ++x)
      for (int c = 0; c < 3; ++c) rows += char(Channel(c, x, y, f));
  }
  return rows;
}

// An AVI of the frames at 25 fps with an 'idx1' index.
std::string Avi(DWORD compression, const std::vector<std::string>& frames) {
  std::string format = Bytes(Bitmap(kWidth, kHeight, 24, compression));
  std::string video = List("LIST", "strl", StreamHeader("vids", 1, 25, DWORD(frames.size()), compression) +
                                               Chunk("strf", format));
  std::string headers = List("LIST", "hdrl", Chunk("avih", std::string(56, '\0')) + video);
  const char* id = compression == BI_RGB ? "00db" : "00dc";
  std::string movie, index;
  for (const std::string& frame : frames) {
    index += std::string(id, 4) + Dword(0x10) + Dword(DWORD(4 + movie.size())) + Dword(DWORD(frame.size()));
    movie += Chunk(id, frame);
  }
  return List("RIFF", "AVI ", headers + List("LIST", "movi", movie) + Chunk("idx1", index));
}

// Whether the sample points of frame f are within tolerance.
bool Right(const char* name, const std::vector<BYTE>& pixels, int f, int tolerance) {
  if (pixels.size() != size_t(kWidth) * kHeight * 4) return false;
  for (LONG y = 4; y < kHeight; y += 37) {
    for (LONG x = 4; x < kWidth; x += 41) {
      const BYTE* pixel = &pixels[(size_t(y) * kWidth + x) * 4];
      for (int c = 0; c < 3; ++c) {
        if (abs(pixel[c] - Channel(c, x, y, f)) > tolerance) {
          printf("%s: frame %d pixel (%ld, %ld) channel %d is %d, not %d\n", name, f, x, y, c, pixel[c],
                 Channel(c, x, y, f));
          return false;
        }
      }
    }
  }
  return true;
}

// Reads every frame in order into one buffer, as a source filter does, timing
// the reads alone; false when one fails or strays past tolerance.
bool Measure(const char* name, const std::wstring& path, int tolerance) {
  AviReader reader;
  if (FAILED(reader.Open(path.c_str()))) return false;
  std::vector<BYTE> pixels;
  double elapsed = 0;
  for (int f = 0; f < kFrames; ++f) {
    double start = Seconds();
    HRESULT hr = reader.ReadFrame(0, REFERENCE_TIME(f) * 400000, &pixels);
    elapsed += Seconds() - start;
    if (FAILED(hr)) printf("%s: frame %d failed: %08lx\n", name, f, hr);
    if (FAILED(hr) || !Right(name, pixels, f, tolerance)) return false;
  }
  printf("%s: %d frames of %ldx%ld in %.3f s, %.1f frames a second\n", name, kFrames, kWidth, kHeight, elapsed,
         kFrames / elapsed);
  return true;
}

}  // namespace

bool MeasureDecoding() {
  bool right = true;
  {
    TempFolder folder;
    std::vector<std::string> raw, jpeg;
    for (int f = 0; f < kFrames; ++f) {
      raw.push_back(Rows(f, true));
      jpeg.push_back(EncodeBgr(GUID_ContainerFormatJpeg, kWidth, kHeight, Rows(f, false)));
    }
    std::wstring rawPath = folder.File(L"raw.avi"), jpegPath = folder.File(L"mjpg.avi");
    right = WriteWholeFile(rawPath, Avi(BI_RGB, raw)) && WriteWholeFile(jpegPath, Avi(RiffId('M', 'J', 'P', 'G'), jpeg));
    // JPEG of a smooth picture stays within a few levels.
    right = right && Measure("uncompressed", rawPath, 0) && Measure("mjpeg", jpegPath, 6);
  }
  if (!right) printf("FAILED: a frame read back wrong\n");
  return right;
}
