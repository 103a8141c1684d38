#include "AviReader.h"

#include <mmsystem.h>
#include <aviriff.h>
#include <vfwmsgs.h>

#include <cstring>

#include "MediaTypeBuilder.h"

namespace {
const DWORD kVids = RiffId('v', 'i', 'd', 's');
const DWORD kAuds = RiffId('a', 'u', 'd', 's');
const size_t kMaxStreams = 100;
// Real header lists hold a few chunks per stream.
const int kMaxHeaderChunks = 1000;

// length * scale / rate seconds, in REFERENCE_TIME; -1 when that does not fit
// (past 100,000 hours no real stream goes).
REFERENCE_TIME UnitsToTime(UINT64 count, DWORD scale, DWORD rate) {
  double time = double(count) * double(scale) * double(kUnitsPerSecond) / double(rate) + 0.5;
  return time >= 0 && time < 3.6e15 ? REFERENCE_TIME(time) : -1;
}
}  // namespace

HRESULT AviReader::Open(const wchar_t* path) {
  HRESULT hr = file_.Open(path);
  if (FAILED(hr)) return hr;
  RiffChunk form, headers, movie, list;
  hr = file_.OpenForm(RiffId('A', 'V', 'I', ' '), &form);
  if (FAILED(hr)) return hr;
  hr = file_.Find(form, RiffId('L', 'I', 'S', 'T'), RiffId('h', 'd', 'r', 'l'), &headers);
  if (hr != S_OK) return FAILED(hr) ? hr : VFW_E_INVALID_FILE_FORMAT;
  hr = file_.Find(form, RiffId('L', 'I', 'S', 'T'), RiffId('m', 'o', 'v', 'i'), &movie);
  if (hr != S_OK) return FAILED(hr) ? hr : VFW_E_INVALID_FILE_FORMAT;
  UINT64 offset = headers.data;
  for (int walked = 0; walked < kMaxHeaderChunks; ++walked, offset = list.next) {
    hr = file_.Next(headers, offset, &list);
    if (hr != S_OK) break;
    if (list.listType != RiffId('s', 't', 'r', 'l')) continue;
    if (streams_.size() >= kMaxStreams) return VFW_E_INVALID_FILE_FORMAT;
    hr = ReadStreamList(list);
    if (FAILED(hr)) return hr;
  }
  if (FAILED(hr)) return hr;
  if (hr == S_OK) return VFW_E_INVALID_FILE_FORMAT;  // too many chunks
  return streams_.empty() ? VFW_E_INVALID_FILE_FORMAT : S_OK;
}

HRESULT AviReader::ReadStreamList(const RiffChunk& list) {
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
  if (stream.length < 0) return VFW_E_INVALID_FILE_FORMAT;
  streams_.push_back(std::move(stream));
  return S_OK;
}

HRESULT AviReader::ReadFrame(int, REFERENCE_TIME, std::vector<BYTE>*) { return E_NOTIMPL; }

HRESULT AviReader::ReadAudio(int, REFERENCE_TIME, const WAVEFORMATEX&, DWORD, std::vector<BYTE>*) {
  return E_NOTIMPL;
}
