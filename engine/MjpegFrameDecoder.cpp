#include "MjpegFrameDecoder.h"

#include <vfwmsgs.h>

#include <cstring>
#include <iterator>

#include "RiffFile.h"

namespace {
// The DHT segment of the four tables of ITU T.81 Annex K.3: for each, its
// class and id, the count of codes of each length 1..16, then the values.
const BYTE kStandardTables[] = {
    0xFF, 0xC4, 0x01, 0xA2,
    // Luminance DC
    0x00, 0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0,
    0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11,
    // Luminance AC
    0x10, 0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7D,
    0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61, 0x07,
    0x22, 0x71, 0x14, 0x32, 0x81, 0x91, 0xA1, 0x08, 0x23, 0x42, 0xB1, 0xC1, 0x15, 0x52, 0xD1, 0xF0,
    0x24, 0x33, 0x62, 0x72, 0x82, 0x09, 0x0A, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x25, 0x26, 0x27, 0x28,
    0x29, 0x2A, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49,
    0x4A, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69,
    0x6A, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89,
    0x8A, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9A, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7,
    0xA8, 0xA9, 0xAA, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xC2, 0xC3, 0xC4, 0xC5,
    0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xDA, 0xE1, 0xE2,
    0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xEA, 0xF1, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8,
    0xF9, 0xFA,
    // Chrominance DC
    0x01, 0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0,
    0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11,
    // Chrominance AC
    0x11, 0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77,
    0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61, 0x71,
    0x13, 0x22, 0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xA1, 0xB1, 0xC1, 0x09, 0x23, 0x33, 0x52, 0xF0,
    0x15, 0x62, 0x72, 0xD1, 0x0A, 0x16, 0x24, 0x34, 0xE1, 0x25, 0xF1, 0x17, 0x18, 0x19, 0x1A, 0x26,
    0x27, 0x28, 0x29, 0x2A, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48,
    0x49, 0x4A, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59, 0x5A, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68,
    0x69, 0x6A, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7A, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87,
    0x88, 0x89, 0x8A, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9A, 0xA2, 0xA3, 0xA4, 0xA5,
    0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xC2, 0xC3,
    0xC4, 0xC5, 0xC6, 0xC7, 0xC8, 0xC9, 0xCA, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7, 0xD8, 0xD9, 0xDA,
    0xE2, 0xE3, 0xE4, 0xE5, 0xE6, 0xE7, 0xE8, 0xE9, 0xEA, 0xF2, 0xF3, 0xF4, 0xF5, 0xF6, 0xF7, 0xF8,
    0xF9, 0xFA,
};
// The segment's length field counts everything after the marker.
static_assert(sizeof kStandardTables == 2 + 0x01A2, "DHT length");

const BYTE kMarker = 0xFF, kStartOfImage = 0xD8, kHuffmanTables = 0xC4, kStartOfScan = 0xDA;

// Markers without a length: TEM, the restart markers, start and end of image.
bool Standalone(BYTE marker) { return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD9); }

DWORD Fourcc(DWORD code) {
  // Upper-cased, so 'mjpg' and 'MJPG' match alike.
  DWORD upper = 0;
  for (int i = 0; i < 4; ++i) {
    BYTE c = BYTE(code >> (8 * i));
    if (c >= 'a' && c <= 'z') c = BYTE(c - 'a' + 'A');
    upper |= DWORD(c) << (8 * i);
  }
  return upper;
}
}  // namespace

bool MjpegFrameDecoder::Handles(DWORD compression) {
  static const char* const kCodes[] = {"MJPG", "AVRN", "AVDJ", "DMB1", "JPEG", "IJPG", "JPGL", "SLMJ", "QIVG", "CJPG", "MMJP"};
  if (compression == 4) return true;  // BI_JPEG
  DWORD code = Fourcc(compression);
  for (const char* known : kCodes) {
    if (code == Fourcc(RiffId(known[0], known[1], known[2], known[3]))) return true;
  }
  return false;
}

bool MjpegFrameDecoder::AddStandardTables(const BYTE* frame, size_t size, std::vector<BYTE>* completed) {
  if (size < 4 || frame[0] != kMarker || frame[1] != kStartOfImage) return false;
  size_t at = 2;
  while (at + 4 <= size) {
    if (frame[at] != kMarker) return false;
    BYTE marker = frame[at + 1];
    if (marker == kMarker) {  // fill byte
      ++at;
      continue;
    }
    if (marker == kHuffmanTables) return false;
    if (marker == kStartOfScan) {
      completed->assign(frame, frame + at);
      completed->insert(completed->end(), std::begin(kStandardTables), std::end(kStandardTables));
      completed->insert(completed->end(), frame + at, frame + size);
      return true;
    }
    at += Standalone(marker) ? 2 : 2 + (size_t(frame[at + 2]) << 8 | frame[at + 3]);
  }
  return false;
}

HRESULT MjpegFrameDecoder::Decode(const BYTE* frame, size_t size, bool, std::vector<BYTE>* pixels) {
  if (!pixels) return S_OK;
  if (AddStandardTables(frame, size, &completed_)) return DecodeJpeg(completed_.data(), completed_.size(), pixels);
  return DecodeJpeg(frame, size, pixels);
}

HRESULT MjpegFrameDecoder::OpenPicture(const BYTE* jpeg, size_t size, ComPtr<IWICBitmapFrameDecode>* picture) {
  if (size > MAXDWORD) return VFW_E_INVALID_FILE_FORMAT;
  HRESULT hr = S_OK;
  if (!factory_) {
    hr = CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                          factory_.ReceiveVoid());
    if (FAILED(hr)) return hr;
  }
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapDecoder> decoder;
  hr = factory_->CreateStream(stream.Receive());
  if (SUCCEEDED(hr)) hr = stream->InitializeFromMemory(const_cast<BYTE*>(jpeg), DWORD(size));
  if (SUCCEEDED(hr)) hr = factory_->CreateDecoder(GUID_ContainerFormatJpeg, nullptr, decoder.Receive());
  if (FAILED(hr)) return hr;
  // Whatever the decoder makes of the bytes, a frame it cannot read is a damaged frame.
  hr = decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand);
  if (SUCCEEDED(hr)) hr = decoder->GetFrame(0, picture->Receive());
  UINT width = 0, height = 0;
  if (SUCCEEDED(hr)) hr = (*picture)->GetSize(&width, &height);
  return FAILED(hr) || width != UINT(width_) || height != UINT(height_) ? VFW_E_INVALID_FILE_FORMAT : S_OK;
}

HRESULT MjpegFrameDecoder::DecodeJpeg(const BYTE* jpeg, size_t size, std::vector<BYTE>* pixels) {
  ComPtr<IWICBitmapFrameDecode> picture;
  HRESULT hr = OpenPicture(jpeg, size, &picture);
  if (FAILED(hr)) return hr;
  // JPEG decodes to 24-bit BGR (or 8-bit grey); widening here is much
  // faster than a WIC converter.
  WICPixelFormatGUID format;
  hr = picture->GetPixelFormat(&format);
  if (SUCCEEDED(hr) && format == GUID_WICPixelFormat24bppBGR) return CopyWidened(picture.Get(), pixels);
  ComPtr<IWICBitmapSource> converted;
  if (SUCCEEDED(hr)) hr = WICConvertBitmapSource(GUID_WICPixelFormat32bppBGRA, picture.Get(), converted.Receive());
  if (FAILED(hr)) return VFW_E_INVALID_FILE_FORMAT;
  pixels->resize(size_t(width_) * size_t(height_) * 4);
  hr = converted->CopyPixels(nullptr, UINT(width_) * 4, UINT(pixels->size()), pixels->data());
  return FAILED(hr) ? VFW_E_INVALID_FILE_FORMAT : S_OK;
}

HRESULT MjpegFrameDecoder::CopyWidened(IWICBitmapSource* picture, std::vector<BYTE>* pixels) {
  size_t stride = (size_t(width_) * 3 + 3) / 4 * 4;
  rows_.resize(stride * size_t(height_));
  HRESULT hr = picture->CopyPixels(nullptr, UINT(stride), UINT(rows_.size()), rows_.data());
  if (FAILED(hr)) return VFW_E_INVALID_FILE_FORMAT;
  pixels->resize(size_t(width_) * size_t(height_) * 4);
  BYTE* out = pixels->data();
  for (LONG y = 0; y < height_; ++y) {
    const BYTE* row = rows_.data() + stride * size_t(y);
    for (LONG x = 0; x < width_; ++x, out += 4, row += 3) {
      out[0] = row[0];
      out[1] = row[1];
      out[2] = row[2];
      out[3] = 255;
    }
  }
  return S_OK;
}
