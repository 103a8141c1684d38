#include "AviVideoStream.h"

#include <vfwmsgs.h>

#include <cstring>

#include "FrameDecoders.h"

namespace {
// A stored frame may be larger than its raw picture (a poorly compressing
// codec) but not by much; more is a lying index.
const UINT64 kSlack = 1024 * 1024;
}  // namespace

AviVideoStream::AviVideoStream(RiffFile* file, const AviIndex* index, int stream, const BYTE* format, size_t size,
                               DWORD handler)
    : file_(file), index_(index), stream_(stream), format_(format, format + size), handler_(handler) {
  BITMAPINFOHEADER header;
  if (size >= sizeof header) {
    memcpy(&header, format, sizeof header);
    width_ = header.biWidth;
    height_ = header.biHeight < 0 ? -header.biHeight : header.biHeight;
  }
}

HRESULT AviVideoStream::MakeDecoder() {
  if (!decoder_ && decoderError_ == S_OK) {
    decoderError_ = FrameDecoders::Create(format_.data(), format_.size(), handler_, &decoder_);
  }
  return decoderError_;
}

void AviVideoStream::Black(std::vector<BYTE>* pixels) const {
  pixels->assign(size_t(width_) * size_t(height_) * 4, 0);
  for (size_t i = 3; i < pixels->size(); i += 4) (*pixels)[i] = 255;
}

HRESULT AviVideoStream::Frame(size_t n, std::vector<BYTE>* pixels) {
  if (n >= index_->Count()) return VFW_E_INVALID_FILE_FORMAT;
  size_t shown = 0;
  if (!index_->Shown(n, &shown)) {
    Black(pixels);
    return S_OK;
  }
  if (cache_.Get(shown, pixels)) return S_OK;
  HRESULT hr = MakeDecoder();
  if (FAILED(hr)) return hr;
  hr = decoder_->Temporal() ? DecodeTemporal(shown, pixels) : DecodeChunk(shown, false, pixels);
  if (FAILED(hr)) return hr;
  cache_.Put(shown, *pixels);
  return S_OK;
}

HRESULT AviVideoStream::DecodeChunk(size_t n, bool start, std::vector<BYTE>* pixels) {
  const AviIndex::Entry& entry = index_->At(n);
  if (entry.size > UINT64(width_) * UINT64(height_) * 4 + kSlack) return VFW_E_INVALID_FILE_FORMAT;
  chunk_.resize(entry.size);
  HRESULT hr = index_->Read(file_, stream_, n, 0, chunk_.data(), entry.size);
  if (FAILED(hr)) return hr;
  return decoder_->Decode(chunk_.data(), chunk_.size(), entry.key || start, pixels);
}

// Going on from the chunk decoded last needs only the chunks after it, or
// from the last key frame among them; looking no further back keeps reading
// in order linear even where no frame is marked a key frame.
size_t AviVideoStream::StartFor(size_t n) const {
  if (decoded_ == kNone || decoded_ >= n) return index_->KeyAtOrBefore(n);
  for (size_t i = n; i > decoded_; --i) {
    if (index_->At(i).key) return i;
  }
  return decoded_ + 1;
}

HRESULT AviVideoStream::DecodeTemporal(size_t n, std::vector<BYTE>* pixels) {
  size_t from = StartFor(n);
  bool restart = decoded_ == kNone || from != decoded_ + 1;
  decoded_ = kNone;
  for (size_t i = from; i <= n; ++i) {
    if (index_->At(i).size == 0) continue;  // a dropped frame changes nothing
    HRESULT hr = DecodeChunk(i, restart && i == from, i == n ? pixels : nullptr);
    if (FAILED(hr)) return hr;
  }
  decoded_ = n;
  return S_OK;
}
