#include "VfwFrameDecoder.h"

#include <vfwmsgs.h>

#include <cstring>

namespace {
// Stored frames past this are hostile (a raw 8K frame is 150 MB).
const size_t kMaxFrame = 256 * 1024 * 1024;
}  // namespace

VfwFrameDecoder::~VfwFrameDecoder() {
  if (codec_) {
    ICDecompressEnd(codec_);
    ICClose(codec_);
  }
}

HIC VfwFrameDecoder::Locate(BITMAPINFOHEADER* input, const BITMAPINFOHEADER& output, DWORD handler) {
  BITMAPINFOHEADER wanted = output;
  HIC codec = handler ? ICLocate(ICTYPE_VIDEO, handler, input, &wanted, ICMODE_DECOMPRESS) : nullptr;
  return codec ? codec : ICLocate(ICTYPE_VIDEO, 0, input, &wanted, ICMODE_DECOMPRESS);
}

void VfwFrameDecoder::SetOutput(WORD bits) {
  BITMAPINFOHEADER* input = reinterpret_cast<BITMAPINFOHEADER*>(input_.data());
  output_ = BITMAPINFOHEADER();
  output_.biSize = sizeof output_;
  output_.biWidth = input->biWidth;
  output_.biHeight = input->biHeight < 0 ? -input->biHeight : input->biHeight;
  output_.biPlanes = 1;
  output_.biBitCount = bits;
  output_.biCompression = BI_RGB;
  output_.biSizeImage = DWORD((output_.biWidth * bits + 31) / 32 * 4) * DWORD(output_.biHeight);
}

HRESULT VfwFrameDecoder::Open(const BYTE* format, size_t size, DWORD handler) {
  if (size < sizeof(BITMAPINFOHEADER)) return E_INVALIDARG;
  input_.assign(format, format + size);
  BITMAPINFOHEADER* input = reinterpret_cast<BITMAPINFOHEADER*>(input_.data());
  for (WORD bits : {WORD(32), WORD(24)}) {
    SetOutput(bits);
    codec_ = Locate(input, output_, handler);
    if (codec_) break;
  }
  if (!codec_) return VFW_E_UNSUPPORTED_VIDEO;
  if (ICDecompressBegin(codec_, input, &output_) != ICERR_OK) return VFW_E_UNSUPPORTED_VIDEO;
  picture_.assign(output_.biSizeImage, 0);
  ICINFO info = {};
  info.dwSize = sizeof info;
  if (output_.biBitCount == 24 && ICGetInfo(codec_, &info, sizeof info)) swapped_ = SwapsRedAndBlue(info.fccHandler);
  return S_OK;
}

// Decodes a 4x4 MS Video 1 frame of one red block (a single 15-bit colour
// with the top bit set) and looks where red lands.
bool VfwFrameDecoder::SwapsRedAndBlue(DWORD handler) {
  if (handler != mmioFOURCC('C', 'R', 'A', 'M') && handler != mmioFOURCC('M', 'S', 'V', 'C')) return false;
  BITMAPINFOHEADER input = {sizeof input, 4, 4, 1, 16, mmioFOURCC('C', 'R', 'A', 'M'), 2, 0, 0, 0, 0};
  BITMAPINFOHEADER output = {sizeof output, 4, 4, 1, 24, BI_RGB, 48, 0, 0, 0, 0};
  HIC codec = ICLocate(ICTYPE_VIDEO, handler, &input, &output, ICMODE_DECOMPRESS);
  if (!codec) return false;
  WORD red = 0x8000 | 0x1F << 10;
  BYTE picture[48] = {};
  bool swapped = false;
  if (ICDecompressBegin(codec, &input, &output) == ICERR_OK &&
      LONG(ICDecompress(codec, 0, &input, &red, &output, picture)) >= 0)
    swapped = picture[0] == 0xFF && picture[2] == 0;
  ICDecompressEnd(codec);
  ICClose(codec);
  return swapped;
}

// Codecs take the input palette at the start of decompression.
void VfwFrameDecoder::SetPalette(const RGBQUAD* colours, size_t count) {
  BITMAPINFOHEADER* input = reinterpret_cast<BITMAPINFOHEADER*>(input_.data());
  if (input->biBitCount > 8) return;
  size_t room = (input_.size() - sizeof *input) / sizeof(RGBQUAD);
  memcpy(input_.data() + sizeof *input, colours, (count < room ? count : room) * sizeof(RGBQUAD));
  ICDecompressEnd(codec_);
  ICDecompressBegin(codec_, input, &output_);
}

HRESULT VfwFrameDecoder::Decode(const BYTE* frame, size_t size, bool key, std::vector<BYTE>* pixels) {
  if (size > kMaxFrame) return VFW_E_INVALID_FILE_FORMAT;
  BITMAPINFOHEADER* input = reinterpret_cast<BITMAPINFOHEADER*>(input_.data());
  input->biSizeImage = DWORD(size);
  DWORD flags = key ? 0 : ICDECOMPRESS_NOTKEYFRAME;
  // The codec only reads the frame.
  if (LONG(ICDecompress(codec_, flags, input, const_cast<BYTE*>(frame), &output_, picture_.data())) < 0)
    return VFW_E_INVALID_FILE_FORMAT;
  if (pixels) ToBgra(pixels);
  return S_OK;
}

void VfwFrameDecoder::ToBgra(std::vector<BYTE>* pixels) const {
  size_t width = size_t(output_.biWidth), height = size_t(output_.biHeight);
  size_t bytes = output_.biBitCount / 8;
  size_t stride = (width * bytes + 3) / 4 * 4;
  pixels->resize(width * height * 4);
  BYTE* out = pixels->data();
  int red = swapped_ ? 0 : 2, blue = swapped_ ? 2 : 0;
  for (size_t y = 0; y < height; ++y) {
    const BYTE* row = picture_.data() + stride * (height - 1 - y);
    for (size_t x = 0; x < width; ++x, out += 4, row += bytes) {
      out[0] = row[blue];
      out[1] = row[1];
      out[2] = row[red];
      out[3] = 255;
    }
  }
}
