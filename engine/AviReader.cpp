#include "AviReader.h"

#include <mmsystem.h>
#include <aviriff.h>
#include <dshow.h>
#include <vfwmsgs.h>

#include <cstring>

#include "MediaTypeBuilder.h"

namespace {
const DWORD kVids = RiffId('v', 'i', 'd', 's');
const DWORD kAuds = RiffId('a', 'u', 'd', 's');
const size_t kMaxStreams = 100;
// Real header lists hold a few chunks per stream.
const int kMaxHeaderChunks = 1000;
// Past 8K a frame is hostile, not real; this bounds both buffers.
const UINT64 kMaxPixels = 8192 * 4608;

// length * scale / rate seconds, in REFERENCE_TIME; -1 when that does not fit
// (past 100,000 hours no real stream goes).
REFERENCE_TIME UnitsToTime(UINT64 count, DWORD scale, DWORD rate) {
  double time = double(count) * double(scale) * double(kUnitsPerSecond) / double(rate) + 0.5;
  return time >= 0 && time < 3.6e15 ? REFERENCE_TIME(time) : -1;
}

// The frame shown at time, clamped to the first and last of count; exact, as
// time * rate overflows 64 bits.
size_t FrameAt(REFERENCE_TIME time, DWORD scale, DWORD rate, size_t count) {
  if (time <= 0) return 0;
  unsigned __int128 frame = (unsigned __int128)time * rate / ((unsigned __int128)scale * kUnitsPerSecond);
  return frame < count ? size_t(frame) : count - 1;
}

// Rows of 24- or 32-bit BGR, stored bottom-up when the height is positive,
// to top-down BGRA. The fourth byte of BI_RGB 32-bit is not alpha.
void ToBgra(const BYTE* stored, const BITMAPINFOHEADER& bitmap, size_t stride, BYTE* out) {
  size_t width = size_t(bitmap.biWidth);
  size_t height = size_t(bitmap.biHeight < 0 ? -bitmap.biHeight : bitmap.biHeight);
  size_t bytes = bitmap.biBitCount / 8;
  for (size_t y = 0; y < height; ++y) {
    const BYTE* row = stored + stride * (bitmap.biHeight < 0 ? y : height - 1 - y);
    for (size_t x = 0; x < width; ++x, out += 4, row += bytes) {
      out[0] = row[0];
      out[1] = row[1];
      out[2] = row[2];
      out[3] = 255;
    }
  }
}
}  // namespace

HRESULT AviReader::Open(const wchar_t* path) {
  HRESULT hr = file_.Open(path);
  if (FAILED(hr)) return hr;
  RiffChunk form, headers, list;
  hr = file_.OpenForm(RiffId('A', 'V', 'I', ' '), &form);
  if (FAILED(hr)) return hr;
  hr = file_.Find(form, RiffId('L', 'I', 'S', 'T'), RiffId('h', 'd', 'r', 'l'), &headers);
  if (hr != S_OK) return FAILED(hr) ? hr : VFW_E_INVALID_FILE_FORMAT;
  hr = file_.Find(form, RiffId('L', 'I', 'S', 'T'), RiffId('m', 'o', 'v', 'i'), &movie_);
  if (hr != S_OK) return FAILED(hr) ? hr : VFW_E_INVALID_FILE_FORMAT;
  hr = file_.Find(form, RiffId('i', 'd', 'x', '1'), 0, &index_);
  if (FAILED(hr)) return hr;
  if (hr != S_OK) index_ = RiffChunk();
  UINT64 offset = headers.data;
  int number = 0;
  for (int walked = 0; walked < kMaxHeaderChunks; ++walked, offset = list.next) {
    hr = file_.Next(headers, offset, &list);
    if (hr != S_OK) break;
    if (list.listType != RiffId('s', 't', 'r', 'l')) continue;
    if (streams_.size() >= kMaxStreams) return VFW_E_INVALID_FILE_FORMAT;
    hr = ReadStreamList(list, number++);
    if (FAILED(hr)) return hr;
  }
  if (FAILED(hr)) return hr;
  if (hr == S_OK) return VFW_E_INVALID_FILE_FORMAT;  // too many chunks
  return streams_.empty() ? VFW_E_INVALID_FILE_FORMAT : S_OK;
}

HRESULT AviReader::ReadStreamList(const RiffChunk& list, int number) {
  RiffChunk headerChunk, formatChunk;
  HRESULT hr = file_.Find(list, RiffId('s', 't', 'r', 'h'), 0, &headerChunk);
  if (hr == S_OK) hr = file_.Find(list, RiffId('s', 't', 'r', 'f'), 0, &formatChunk);
  if (hr != S_OK) return FAILED(hr) ? hr : VFW_E_INVALID_FILE_FORMAT;
  AVISTREAMHEADER header = {};
  // Older writers leave out rcFrame; what is there is read.
  DWORD headerSize = headerChunk.size < sizeof header - 8 ? DWORD(headerChunk.size) : DWORD(sizeof header - 8);
  if (headerSize < offsetof(AVISTREAMHEADER, dwSuggestedBufferSize) - 8) return VFW_E_INVALID_FILE_FORMAT;
  hr = file_.Read(headerChunk.data, &header.fccType, headerSize);
  if (FAILED(hr)) return hr;
  if (header.fccType != kVids && header.fccType != kAuds) return S_OK;
  if (header.dwRate == 0 || header.dwScale == 0) return VFW_E_INVALID_FILE_FORMAT;

  std::vector<BYTE> format;
  hr = file_.ReadContent(formatChunk, 64 * 1024, &format);
  if (FAILED(hr)) return hr;
  MediaStream stream;
  if (header.fccType == kVids)
    hr = MediaTypeBuilder::Video(format.data(), format.size(), UnitsToTime(1, header.dwScale, header.dwRate),
                                 &stream.type);
  else
    hr = MediaTypeBuilder::Audio(format.data(), format.size(), &stream.type);
  if (FAILED(hr)) return hr;
  stream.length = UnitsToTime(header.dwLength, header.dwScale, header.dwRate);
  if (header.fccType == kVids) stream.frameRate = double(header.dwRate) / double(header.dwScale);
  if (stream.length < 0) return VFW_E_INVALID_FILE_FORMAT;
  streams_.push_back(std::move(stream));
  Track track;
  track.number = number;
  track.scale = header.dwScale;
  track.rate = header.dwRate;
  tracks_.push_back(std::move(track));
  return S_OK;
}

HRESULT AviReader::ReadFrame(int stream, REFERENCE_TIME time, std::vector<BYTE>* pixels) {
  if (stream < 0 || size_t(stream) >= streams_.size() || !pixels) return E_INVALIDARG;
  const AM_MEDIA_TYPE& type = streams_[stream].type.Get();
  if (type.majortype != MEDIATYPE_Video) return VFW_E_INVALIDMEDIATYPE;
  // RGB32 also covers bitfields with the standard masks: the same bytes.
  if (type.subtype != MEDIASUBTYPE_RGB24 && type.subtype != MEDIASUBTYPE_RGB32) return E_NOTIMPL;
  const BITMAPINFOHEADER& bitmap = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
  UINT64 width = UINT64(bitmap.biWidth);
  UINT64 height = UINT64(bitmap.biHeight < 0 ? -bitmap.biHeight : bitmap.biHeight);
  if (width * height > kMaxPixels) return E_OUTOFMEMORY;
  RiffChunk chunk;
  HRESULT hr = FrameChunk(stream, time, &chunk);
  if (FAILED(hr)) return hr;
  UINT64 stride = (width * bitmap.biBitCount + 31) / 32 * 4;
  if (chunk.size < stride * height) return VFW_E_INVALID_FILE_FORMAT;
  std::vector<BYTE> stored(size_t(stride * height));
  hr = file_.Read(chunk.data, stored.data(), DWORD(stored.size()));
  if (FAILED(hr)) return hr;
  pixels->resize(size_t(width * height * 4));
  ToBgra(stored.data(), bitmap, size_t(stride), pixels->data());
  return S_OK;
}

HRESULT AviReader::FrameChunk(int stream, REFERENCE_TIME time, RiffChunk* chunk) {
  Track& track = tracks_[stream];
  if (index_.size == 0) return E_NOTIMPL;  // finding frames by walking 'movi': not yet
  if (!track.indexed) {
    HRESULT hr = track.index.Load(&file_, index_, track.number);
    if (FAILED(hr)) return hr;
    track.indexed = true;
  }
  if (track.index.Count() == 0) return VFW_E_INVALID_FILE_FORMAT;
  return track.index.Locate(&file_, movie_, FrameAt(time, track.scale, track.rate, track.index.Count()), chunk);
}

HRESULT AviReader::ReadAudio(int, REFERENCE_TIME, const WAVEFORMATEX&, DWORD, std::vector<BYTE>*) {
  return E_NOTIMPL;
}
