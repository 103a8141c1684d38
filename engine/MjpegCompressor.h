// The Motion JPEG compressor (CLSID_EngineMjpegCompressor): uncompressed
// RGB24, RGB32 or ARGB32 frames (FORMAT_VideoInfo, either row order, alpha
// ignored) in, one baseline JPEG per frame out as MEDIASUBTYPE_MJPG of the
// same size and frame rate, every frame a key frame. Its output pin has
// IAMVideoCompression (quality, IntraFrameSettings) and IAMStreamConfig
// (the one format it makes from the connected input).
#pragma once

#include "CompressorFilter.h"
#include "IntraFrameSettings.h"
#include "JpegEncoder.h"

class MjpegCompressor final : public CompressorFilter {
 public:
  explicit MjpegCompressor(IUnknown* outer);

  static constexpr double kDefaultQuality = 0.75;

 protected:
  HRESULT AcceptInput(const AM_MEDIA_TYPE& type) override;
  HRESULT FormatAt(int index, MediaType* type, BYTE* caps) override;
  int CapsSize() override { return sizeof(VIDEO_STREAM_CONFIG_CAPS); }
  HRESULT OutputBufferSize(ALLOCATOR_PROPERTIES* request) override;
  HRESULT Transform(IMediaSample* in, IMediaSample* out) override;
  HRESULT QueryOutputPin(REFIID iid, void** out) override;
  HRESULT OnInitStream() override;

 private:
  HRESULT Encode(const JpegPicture& picture, BYTE* out, size_t capacity, size_t* written);

  IntraFrameSettings settings_;
  volatile LONG streamQuality_ = 0;  // 1..100, taken from the settings as a run starts
  JpegEncoder encoder_;              // under the stream lock
};
