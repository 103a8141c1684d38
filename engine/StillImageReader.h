// A still image as one video stream of 32-bit frames. BMP, PNG, JPEG, GIF and
// TIFF go through WIC; ".tga" files through TgaImage, so they read the same
// where WIC has no TGA decoder. A still has no length of its own: it is
// reported as kStillLength (5 s) at kStillFrameRate (30 fps, the application's
// default), so a clip made from the whole stream is not empty. Every time
// reads the same picture, decoded at the first read and kept.
#pragma once

#include <string>

#include "FrameCache.h"
#include "MediaReader.h"

class StillImageReader final : public MediaReader {
 public:
  static constexpr REFERENCE_TIME kStillLength = 5 * kUnitsPerSecond;
  static constexpr int kStillFrameRate = 30;

  HRESULT Open(const wchar_t* path) override;
  HRESULT ReadFrame(int stream, REFERENCE_TIME time, std::vector<BYTE>* pixels) override;
  HRESULT ReadAudio(int stream, REFERENCE_TIME time, const WAVEFORMATEX& format, DWORD frames,
                    std::vector<BYTE>* pcm) override;

 private:
  static bool IsTga(const wchar_t* path);
  static HRESULT ReadWholeFile(const wchar_t* path, std::vector<BYTE>* bytes);
  HRESULT OpenTga(LONG* width, LONG* height);
  HRESULT OpenWic(LONG* width, LONG* height);
  HRESULT DecodeTga(std::vector<BYTE>* pixels);
  HRESULT DecodeWic(std::vector<BYTE>* pixels);

  std::wstring path_;
  bool tga_ = false;
  FrameCache cache_{1};
};
