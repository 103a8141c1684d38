#include "TgaImage.h"

#include <vfwmsgs.h>

#include <cstring>

namespace {
const LONG kMaxPixels = 64 * 1024 * 1024;

WORD Word(const BYTE* p) { return WORD(p[0] | p[1] << 8); }

BYTE Expand5(int value) { return BYTE(value << 3 | value >> 2); }
}  // namespace

namespace {
constexpr int kMaxSide = 16384;  // as every picture the engine takes
}  // namespace

HRESULT TgaImage::ReadHeader(const BYTE* bytes, size_t size) {
  if (size < 18) return VFW_E_INVALID_FILE_FORMAT;
  int imageType = bytes[2], depth = bytes[16], descriptor = bytes[17];
  bool grey = imageType == 3 || imageType == 11;
  bool colour = imageType == 2 || imageType == 10;
  if (bytes[1] > 1 || !(grey || colour)) return VFW_E_INVALID_FILE_FORMAT;
  if (grey ? depth != 8 : depth != 16 && depth != 24 && depth != 32) return VFW_E_INVALID_FILE_FORMAT;
  width_ = Word(bytes + 12);
  height_ = Word(bytes + 14);
  if (width_ == 0 || height_ == 0 || width_ > kMaxSide || height_ > kMaxSide ||
      size_t(width_) * size_t(height_) > size_t(kMaxPixels)) {
    return VFW_E_INVALID_FILE_FORMAT;
  }
  bytesPerPixel_ = depth / 8;
  alphaBits_ = descriptor & 15;
  runLength_ = imageType >= 9;
  topDown_ = (descriptor & 0x20) != 0;
  // A colour map a true-colour image carries anyway is skipped.
  size_t mapBytes = bytes[1] ? size_t(Word(bytes + 5)) * ((bytes[7] + 7) / 8) : 0;
  dataOffset_ = 18 + bytes[0] + mapBytes;
  // A run-length packet of 1 + bytesPerPixel bytes gives at most 128 pixels,
  // so a file too short for its size is refused before anything is unpacked.
  size_t pixels = size_t(width_) * height_;
  size_t needed = runLength_ ? (pixels + 127) / 128 * (1 + bytesPerPixel_) : pixels * bytesPerPixel_;
  return dataOffset_ <= size && size - dataOffset_ >= needed ? S_OK : VFW_E_FILE_TOO_SHORT;
}

HRESULT TgaImage::Unpack(const BYTE* bytes, size_t size, std::vector<BYTE>* packed) const {
  size_t total = size_t(width_) * height_ * bytesPerPixel_;
  if (!runLength_) {
    packed->assign(bytes + dataOffset_, bytes + dataOffset_ + total);
    return S_OK;
  }
  packed->clear();
  packed->reserve(total);
  size_t at = dataOffset_;
  while (packed->size() < total) {
    if (at >= size) return VFW_E_FILE_TOO_SHORT;
    int header = bytes[at++];
    size_t count = size_t(header & 0x7f) + 1;
    size_t literal = header & 0x80 ? 1 : count;
    if (literal * bytesPerPixel_ > size - at) return VFW_E_FILE_TOO_SHORT;
    if (packed->size() + count * bytesPerPixel_ > total) return VFW_E_INVALID_FILE_FORMAT;
    if (header & 0x80) {
      for (size_t i = 0; i < count; ++i) packed->insert(packed->end(), bytes + at, bytes + at + bytesPerPixel_);
    } else {
      packed->insert(packed->end(), bytes + at, bytes + at + count * bytesPerPixel_);
    }
    at += literal * bytesPerPixel_;
  }
  return S_OK;
}

void TgaImage::Store(const BYTE* source, BYTE* target) const {
  switch (bytesPerPixel_) {
    case 1:
      target[0] = target[1] = target[2] = source[0];
      target[3] = 255;
      break;
    case 2: {
      int value = Word(source);
      target[0] = Expand5(value & 31);
      target[1] = Expand5(value >> 5 & 31);
      target[2] = Expand5(value >> 10 & 31);
      target[3] = alphaBits_ && !(value & 0x8000) ? 0 : 255;
      break;
    }
    default:
      memcpy(target, source, 3);
      target[3] = bytesPerPixel_ == 4 && alphaBits_ ? source[3] : 255;
  }
}

HRESULT TgaImage::Decode(const BYTE* bytes, size_t size, std::vector<BYTE>* pixels) const {
  std::vector<BYTE> packed;
  HRESULT hr = Unpack(bytes, size, &packed);
  if (FAILED(hr)) return hr;
  pixels->resize(size_t(width_) * height_ * 4);
  for (LONG y = 0; y < height_; ++y) {
    LONG row = topDown_ ? y : height_ - 1 - y;
    const BYTE* source = packed.data() + size_t(y) * width_ * bytesPerPixel_;
    BYTE* target = pixels->data() + size_t(row) * width_ * 4;
    for (LONG x = 0; x < width_; ++x) Store(source + size_t(x) * bytesPerPixel_, target + size_t(x) * 4);
  }
  return S_OK;
}
