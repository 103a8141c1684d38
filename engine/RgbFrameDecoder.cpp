#include "RgbFrameDecoder.h"

#include <vfwmsgs.h>

#include <cstring>

#include "PixelRows.h"

namespace {
const DWORD kOpaque = 0xFF000000;

// A field of a 16-bit pixel scaled to 8 bits; 0 for an empty mask.
DWORD Field(DWORD value, DWORD mask) {
  if (!mask) return 0;
  DWORD shift = 0;
  while (!(mask >> shift & 1)) ++shift;
  DWORD top = mask >> shift;
  return (((value & mask) >> shift) * 255 + top / 2) / top;
}
}  // namespace

HRESULT RgbFrameDecoder::Open(const BYTE* format, size_t size) {
  BITMAPINFOHEADER header;
  if (size < sizeof header) return E_INVALIDARG;
  memcpy(&header, format, sizeof header);
  width_ = header.biWidth;
  topDown_ = header.biHeight < 0;
  height_ = topDown_ ? -header.biHeight : header.biHeight;
  bits_ = header.biBitCount;
  if (width_ <= 0 || height_ <= 0 || width_ > 16384 || height_ > 16384) return E_INVALIDARG;
  stride_ = (size_t(width_) * bits_ + 31) / 32 * 4;
  const BYTE* extra = format + sizeof header;
  size_t extraSize = size - sizeof header;
  if (header.biCompression == BI_RGB && (bits_ == 1 || bits_ == 4 || bits_ == 8)) {
    return OpenPalette(extra, extraSize, header.biClrUsed ? header.biClrUsed : 1u << bits_);
  }
  if (header.biCompression == BI_RGB && bits_ == 16) {
    const DWORD masks[3] = {0x7C00, 0x03E0, 0x001F};
    OpenMasks(masks);
    return S_OK;
  }
  if (header.biCompression == BI_BITFIELDS && bits_ == 16 && extraSize >= 12) {
    DWORD masks[3];
    memcpy(masks, extra, sizeof masks);
    OpenMasks(masks);
    return S_OK;
  }
  // 32-bit bitfields are accepted only with the standard masks: the BI_RGB bytes.
  return bits_ == 24 || bits_ == 32 ? S_OK : E_INVALIDARG;
}

HRESULT RgbFrameDecoder::OpenPalette(const BYTE* colours, size_t size, DWORD count) {
  if (count > (1u << bits_) || size < count * sizeof(RGBQUAD)) return E_INVALIDARG;
  // Indices past the palette show black.
  colours_.assign(256, kOpaque);
  for (DWORD i = 0; i < count; ++i) {
    DWORD colour;
    memcpy(&colour, colours + i * 4, 4);
    colours_[i] = (colour & 0xFFFFFF) | kOpaque;
  }
  return S_OK;
}

void RgbFrameDecoder::SetPalette(const RGBQUAD* colours, size_t count) {
  if (bits_ > 8) return;
  for (size_t i = 0; i < count && i < colours_.size(); ++i) {
    colours_[i] = DWORD(colours[i].rgbBlue) | DWORD(colours[i].rgbGreen) << 8 | DWORD(colours[i].rgbRed) << 16 | kOpaque;
  }
}

void RgbFrameDecoder::OpenMasks(const DWORD* masks) {
  colours_.resize(65536);
  for (DWORD value = 0; value < 65536; ++value)
    colours_[value] = Field(value, masks[0]) << 16 | Field(value, masks[1]) << 8 | Field(value, masks[2]) | kOpaque;
}

void RgbFrameDecoder::ConvertRow(const BYTE* row, DWORD* out) const {
  switch (bits_) {
    case 1:
    case 4:
    case 8: {
      int perByte = 8 / bits_;
      BYTE mask = BYTE((1 << bits_) - 1);
      for (LONG x = 0; x < width_; ++x) {
        int shift = (perByte - 1 - x % perByte) * bits_;
        out[x] = colours_[row[x / perByte] >> shift & mask];
      }
      break;
    }
    case 16:
      for (LONG x = 0; x < width_; ++x) out[x] = colours_[row[2 * x] | row[2 * x + 1] << 8];
      break;
    case 24:
      PixelRows::Bgr24ToBgra(row, reinterpret_cast<BYTE*>(out), int(width_));
      break;
    default:
      for (LONG x = 0; x < width_; ++x, row += 4) {
        DWORD pixel;
        memcpy(&pixel, row, 4);
        out[x] = pixel | kOpaque;
      }
      break;
  }
}

HRESULT RgbFrameDecoder::Decode(const BYTE* frame, size_t size, bool, std::vector<BYTE>* pixels) {
  if (size < stride_ * size_t(height_)) return VFW_E_INVALID_FILE_FORMAT;
  if (!pixels) return S_OK;
  pixels->resize(size_t(width_) * size_t(height_) * 4);
  DWORD* out = reinterpret_cast<DWORD*>(pixels->data());
  for (LONG y = 0; y < height_; ++y) {
    const BYTE* row = frame + stride_ * size_t(topDown_ ? y : height_ - 1 - y);
    ConvertRow(row, out + size_t(y) * size_t(width_));
  }
  return S_OK;
}
