#include "MjpegCompressor.h"

#include <vfwmsgs.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "EngineFilters.h"

namespace {
const LONG kMaxDimension = 16384;
// Three bytes a pixel hold any frame but noise at the highest qualities,
// which Encode makes again coarser.
const size_t kSlackBytes = 16384;

const VIDEOINFOHEADER* VideoInfo(const AM_MEDIA_TYPE& type) {
  if (type.formattype != FORMAT_VideoInfo || !type.pbFormat || type.cbFormat < sizeof(VIDEOINFOHEADER)) return nullptr;
  return reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
}

WORD BitsOf(const GUID& subtype) {
  if (subtype == MEDIASUBTYPE_RGB24) return 24;
  if (subtype == MEDIASUBTYPE_RGB32 || subtype == MEDIASUBTYPE_ARGB32) return 32;
  return 0;
}

LONG Stride(LONG width, WORD bits) { return (width * bits + 31) / 32 * 4; }

// Empty, or the whole frame: the compressor neither crops nor stretches.
bool WholeFrame(const RECT& rect, LONG width, LONG height) {
  return IsRectEmpty(&rect) || (rect.left == 0 && rect.top == 0 && rect.right == width && rect.bottom == height);
}

size_t FrameCapacity(const BITMAPINFOHEADER& header) {
  return size_t(header.biWidth) * size_t(labs(header.biHeight)) * 3 + kSlackBytes;
}

JpegPicture Layout(const BITMAPINFOHEADER& header, const BYTE* pixels) {
  LONG height = labs(header.biHeight);
  ptrdiff_t stride = Stride(header.biWidth, header.biBitCount);
  bool bottomUp = header.biHeight > 0;
  return {bottomUp ? pixels + (height - 1) * stride : pixels, bottomUp ? -stride : stride, int(header.biWidth),
          int(height), header.biBitCount / 8};
}

VIDEO_STREAM_CONFIG_CAPS CapsOf(const VIDEOINFOHEADER& format) {
  VIDEO_STREAM_CONFIG_CAPS caps = {};
  caps.guid = FORMAT_VideoInfo;
  SIZE size = {format.bmiHeader.biWidth, format.bmiHeader.biHeight};
  caps.InputSize = caps.MinCroppingSize = caps.MaxCroppingSize = caps.MinOutputSize = caps.MaxOutputSize = size;
  caps.CropGranularityX = caps.CropGranularityY = caps.CropAlignX = caps.CropAlignY = 1;
  caps.OutputGranularityX = caps.OutputGranularityY = 1;
  caps.MinFrameInterval = caps.MaxFrameInterval = format.AvgTimePerFrame;
  if (format.AvgTimePerFrame > 0) {
    LONGLONG most = LONGLONG(format.bmiHeader.biSizeImage) * 8 * 10000000 / format.AvgTimePerFrame;
    caps.MaxBitsPerSecond = most > LONG_MAX ? LONG_MAX : LONG(most);
  }
  return caps;
}

int Percent(double quality) { return int(quality * 99 + 1.5); }
}  // namespace

MjpegCompressor::MjpegCompressor(IUnknown* outer)
    : CompressorFilter(outer, CLSID_EngineMjpegCompressor),
      settings_(static_cast<IPin*>(&Output()), this, L"Morvik Motion JPEG", kDefaultQuality) {}

HRESULT MjpegCompressor::AcceptInput(const AM_MEDIA_TYPE& type) {
  const VIDEOINFOHEADER* format = VideoInfo(type);
  if (type.majortype != MEDIATYPE_Video || !format) return S_FALSE;
  const BITMAPINFOHEADER& header = format->bmiHeader;
  LONG width = header.biWidth, height = labs(header.biHeight);
  WORD bits = BitsOf(type.subtype);
  bool usable = bits && bits == header.biBitCount && header.biCompression == BI_RGB && width > 0 &&
                width <= kMaxDimension && height > 0 && height <= kMaxDimension &&
                WholeFrame(format->rcSource, width, height) && WholeFrame(format->rcTarget, width, height);
  return usable ? S_OK : S_FALSE;
}

HRESULT MjpegCompressor::FormatAt(int index, MediaType* type, BYTE* caps) {
  const VIDEOINFOHEADER* input = VideoInfo(Input().Type());
  if (index > 0 || !input) return VFW_S_NO_MORE_ITEMS;
  VIDEOINFOHEADER format = {};
  format.AvgTimePerFrame = input->AvgTimePerFrame;
  BITMAPINFOHEADER& header = format.bmiHeader;
  header.biSize = sizeof header;
  header.biWidth = input->bmiHeader.biWidth;
  header.biHeight = labs(input->bmiHeader.biHeight);
  header.biPlanes = 1;
  header.biBitCount = 24;
  header.biCompression = MEDIASUBTYPE_MJPG.Data1;  // 'MJPG'
  header.biSizeImage = DWORD(FrameCapacity(header));
  HRESULT hr = type->Set(MEDIATYPE_Video, MEDIASUBTYPE_MJPG, FORMAT_VideoInfo, &format, sizeof format);
  if (FAILED(hr)) return hr;
  type->Edit().bFixedSizeSamples = FALSE;
  type->Edit().bTemporalCompression = FALSE;
  type->Edit().lSampleSize = 0;
  if (caps) {
    VIDEO_STREAM_CONFIG_CAPS described = CapsOf(format);
    memcpy(caps, &described, sizeof described);
  }
  return S_OK;
}

HRESULT MjpegCompressor::OutputBufferSize(ALLOCATOR_PROPERTIES* request) {
  const VIDEOINFOHEADER* input = VideoInfo(Input().Type());
  if (!input) return VFW_E_NOT_CONNECTED;
  LONG size = LONG(FrameCapacity(input->bmiHeader));
  if (request->cBuffers < 2) request->cBuffers = 2;
  if (request->cbBuffer < size) request->cbBuffer = size;
  return S_OK;
}

HRESULT MjpegCompressor::QueryOutputPin(REFIID iid, void** out) {
  if (iid == IID_IAMVideoCompression) return HandOut<IAMVideoCompression>(&settings_, out);
  return CompressorFilter::QueryOutputPin(iid, out);
}

HRESULT MjpegCompressor::OnInitStream() {
  InterlockedExchange(&streamQuality_, Percent(settings_.Quality()));
  return CompressorFilter::OnInitStream();
}

// The connected input type stays as it is while samples arrive, so the
// layout is read from it for each frame without a lock.
HRESULT MjpegCompressor::Transform(IMediaSample* in, IMediaSample* out) {
  AM_MEDIA_TYPE* changed = nullptr;
  if (in->GetMediaType(&changed) == S_OK && changed) {
    bool same = MediaType::Same(*changed, Input().Type());
    MediaType::Delete(changed);
    if (!same) return VFW_E_INVALIDMEDIATYPE;
  }
  const BITMAPINFOHEADER& header = VideoInfo(Input().Type())->bmiHeader;
  BYTE *pixels = nullptr, *data = nullptr;
  HRESULT hr = in->GetPointer(&pixels);
  if (SUCCEEDED(hr)) hr = out->GetPointer(&data);
  if (FAILED(hr)) return hr;
  if (in->GetActualDataLength() < Stride(header.biWidth, header.biBitCount) * labs(header.biHeight))
    return E_INVALIDARG;  // a short frame would be read past its end
  size_t written = 0;
  hr = Encode(Layout(header, pixels), data, size_t(out->GetSize()), &written);
  if (FAILED(hr)) return hr;
  out->SetSyncPoint(TRUE);
  return out->SetActualDataLength(LONG(written));
}

HRESULT MjpegCompressor::Encode(const JpegPicture& picture, BYTE* out, size_t capacity, size_t* written) {
  const HRESULT tooSmall = HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
  for (int quality = streamQuality_;; quality /= 2) {
    if (encoder_.Quality() != quality) encoder_.SetQuality(quality);
    HRESULT hr = encoder_.Encode(picture, out, capacity, written);
    if (hr != tooSmall || quality <= 1) return hr;
  }
}
