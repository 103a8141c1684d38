#include "VideoSourcePin.h"

#include <dshow.h>
#include <vfwmsgs.h>

#include <cmath>
#include <cstring>

#include "MediaTypeBuilder.h"

namespace {
// What a stream without a usable rate is played at.
const double kFallbackRate = 25.0;
}  // namespace

VideoSourcePin::VideoSourcePin(FilterBase* filter, const std::wstring& name, const std::wstring& path, int stream,
                               const MediaStream& info)
    : MediaSourcePin(filter, name, path, stream, info.length) {
  const VIDEOINFOHEADER* format = reinterpret_cast<const VIDEOINFOHEADER*>(info.type.Get().pbFormat);
  width_ = format->bmiHeader.biWidth;
  height_ = std::abs(format->bmiHeader.biHeight);
  rate_ = info.frameRate > 0                 ? info.frameRate
          : format->AvgTimePerFrame > 0 ? double(kUnitsPerSecond) / double(format->AvgTimePerFrame)
                                        : kFallbackRate;
  frames_ = std::llround(double(info.length) * rate_ / double(kUnitsPerSecond));
}

HRESULT VideoSourcePin::Accepts(const AM_MEDIA_TYPE& type) {
  if (type.majortype != MEDIATYPE_Video || type.subtype != MEDIASUBTYPE_RGB32 ||
      type.formattype != FORMAT_VideoInfo || type.cbFormat < sizeof(VIDEOINFOHEADER) || !type.pbFormat)
    return S_FALSE;
  const BITMAPINFOHEADER& bitmap = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
  bool same = bitmap.biWidth == width_ && bitmap.biHeight == height_ && bitmap.biBitCount == 32 &&
              bitmap.biCompression == BI_RGB;
  return same ? S_OK : S_FALSE;
}

HRESULT VideoSourcePin::TypeAt(int index, MediaType* type) {
  if (index > 0) return VFW_S_NO_MORE_ITEMS;
  return MediaTypeBuilder::Picture(width_, height_, std::llround(double(kUnitsPerSecond) / rate_), type);
}

HRESULT VideoSourcePin::BufferSize(ALLOCATOR_PROPERTIES* request) {
  if (request->cBuffers < 2) request->cBuffers = 2;
  if (request->cbBuffer < long(FrameBytes())) request->cbBuffer = long(FrameBytes());
  return S_OK;
}

REFERENCE_TIME VideoSourcePin::FrameStart(LONGLONG frame) const {
  return std::llround(double(frame) * double(kUnitsPerSecond) / rate_);
}

void VideoSourcePin::OnSeek(REFERENCE_TIME start) {
  // The rounded frame times decide, not the exact ones.
  LONGLONG frame = LONGLONG(double(start) * rate_ / double(kUnitsPerSecond));
  while (frame > 0 && FrameStart(frame) > start) --frame;
  while (FrameStart(frame + 1) <= start) ++frame;
  next_ = frame;
}

HRESULT VideoSourcePin::FillSample(IMediaSample* sample) {
  if (next_ >= frames_ || FrameStart(next_) >= StopPosition()) return S_FALSE;
  REFERENCE_TIME start = FrameStart(next_), stop = FrameStart(next_ + 1);
  // The middle of the frame, so the reader's rounding cannot pick its neighbour.
  HRESULT hr = Reader()->ReadFrame(Stream(), start + (stop - start) / 2, &pixels_);
  if (FAILED(hr)) return hr;
  BYTE* data = nullptr;
  if (pixels_.size() != FrameBytes() || sample->GetSize() < long(FrameBytes()) || FAILED(sample->GetPointer(&data)))
    return E_UNEXPECTED;
  size_t row = size_t(width_) * 4;
  for (LONG y = 0; y < height_; ++y) memcpy(data + (height_ - 1 - y) * row, &pixels_[y * row], row);
  sample->SetActualDataLength(long(FrameBytes()));
  sample->SetSyncPoint(TRUE);
  ++next_;
  return SetTimes(sample, start, stop);
}
