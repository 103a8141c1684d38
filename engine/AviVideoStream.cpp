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

HRESULT AviVideoStream::StoredFrame(size_t n, std::vector<BYTE>* bytes) const {
  BITMAPINFOHEADER header;
  if (format_.size() < sizeof header) return S_FALSE;
  memcpy(&header, format_.data(), sizeof header);
  size_t shown = 0;
  if (header.biCompression != BI_RGB || header.biBitCount < 16 || n >= index_->Count() || !index_->Shown(n, &shown))
    return S_FALSE;
  UINT64 size = (UINT64(width_) * header.biBitCount + 31) / 32 * 4 * UINT64(height_);
  if (index_->At(shown).size != size) return S_FALSE;
  bytes->resize(size_t(size));
  return SUCCEEDED(index_->Read(file_, stream_, shown, 0, bytes->data(), DWORD(size))) ? S_OK : S_FALSE;
}

HRESULT AviVideoStream::DecodeChunk(size_t n, bool start, std::vector<BYTE>* pixels) {
  UsePaletteFor(n);
  const AviIndex::Entry& entry = index_->At(n);
  if (entry.size > UINT64(width_) * UINT64(height_) * 4 + kSlack) return VFW_E_INVALID_FILE_FORMAT;
  chunk_.resize(entry.size);
  HRESULT hr = index_->Read(file_, stream_, n, 0, chunk_.data(), entry.size);
  if (FAILED(hr)) return hr;
  return decoder_->Decode(chunk_.data(), chunk_.size(), entry.key || start, pixels);
}

void AviVideoStream::UsePaletteFor(size_t n) {
  const std::vector<AviIndex::PaletteChange>& changes = index_->PaletteChanges();
  size_t count = 0;
  while (count < changes.size() && changes[count].frame <= n) ++count;
  if (count == paletteChanges_) return;
  BITMAPINFOHEADER header;
  memcpy(&header, format_.data(), sizeof header);
  if (header.biBitCount > 8) return;
  RGBQUAD palette[256] = {};
  size_t colours = (format_.size() - sizeof header) / sizeof(RGBQUAD);
  memcpy(palette, format_.data() + sizeof header, (colours < 256 ? colours : 256) * sizeof(RGBQUAD));
  // A damaged change is passed over: the frames still show, in the colours before it.
  for (size_t i = 0; i < count; ++i) ApplyChange(changes[i], palette);
  decoder_->SetPalette(palette, 256);
  paletteChanges_ = count;
}

// An AVIPALCHANGE: first entry, count (0 for 256), flags, then the entries as
// PALETTEENTRY (red, green, blue, flags).
bool AviVideoStream::ApplyChange(const AviIndex::PaletteChange& change, RGBQUAD* palette) {
  BYTE bytes[4 + 256 * 4];
  DWORD header[2];
  if (change.size < 4 || change.size > sizeof bytes || change.offset < 8) return false;
  HRESULT hr = file_->Read(change.offset - 8, header, sizeof header);
  if (SUCCEEDED(hr)) hr = file_->Read(change.offset, bytes, change.size);
  if (FAILED(hr) || AviIndex::PaletteStreamOf(header[0]) != stream_ || header[1] != change.size) return false;
  size_t first = bytes[0], count = bytes[1] ? bytes[1] : 256;
  if (first + count > 256 || 4 + count * 4 > change.size) return false;
  for (size_t i = 0; i < count; ++i) {
    const BYTE* entry = bytes + 4 + i * 4;
    palette[first + i] = RGBQUAD{entry[2], entry[1], entry[0], 0};
  }
  return true;
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
