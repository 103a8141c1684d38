// A video stream of MediaSourceFilter as uncompressed RGB32 at the stream's
// size, bottom-up as DirectShow RGB is, one sample a frame at the stream's
// frame rate. Frame n lasts from n / rate to (n + 1) / rate (each rounded to
// 100 ns, so times never drift); a seek starts at the frame shown at the new
// position, and frames starting at or after the stop position are not sent.
#pragma once

#include <vector>

#include "MediaSourcePin.h"

class VideoSourcePin final : public MediaSourcePin {
 public:
  // info: a video stream of the file (FORMAT_VideoInfo).
  VideoSourcePin(FilterBase* filter, const std::wstring& name, const std::wstring& path, int stream,
                 const MediaStream& info);

  HRESULT Accepts(const AM_MEDIA_TYPE& type) override;
  HRESULT TypeAt(int index, MediaType* type) override;

 protected:
  HRESULT BufferSize(ALLOCATOR_PROPERTIES* request) override;
  void OnSeek(REFERENCE_TIME start) override;
  HRESULT FillSample(IMediaSample* sample) override;

 private:
  REFERENCE_TIME FrameStart(LONGLONG frame) const;
  DWORD FrameBytes() const { return DWORD(width_) * DWORD(height_) * 4; }

  LONG width_ = 0;
  LONG height_ = 0;
  double rate_ = 0;
  LONGLONG frames_ = 0;
  LONGLONG next_ = 0;
  std::vector<BYTE> pixels_;  // the reader's top-down frame
};
