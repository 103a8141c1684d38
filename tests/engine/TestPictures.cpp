#include "TestPictures.h"

#include <wincodec.h>

#include <cstdlib>

#include "ComPtr.h"

namespace {
LONG Stride(LONG width, int bytesPerPixel) { return (width * bytesPerPixel + 3) / 4 * 4; }

// Top-down 24-bit rows of a JPEG; empty when it does not decode to width x height.
std::vector<BYTE> Decode(const std::vector<BYTE>& jpeg, UINT width, UINT height) {
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  UINT decodedWidth = 0, decodedHeight = 0;
  std::vector<BYTE> pixels(size_t(width) * height * 3);
  if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                              factory.ReceiveVoid())) ||
      FAILED(factory->CreateStream(stream.Receive())) ||
      FAILED(stream->InitializeFromMemory(const_cast<BYTE*>(jpeg.data()), DWORD(jpeg.size()))) ||
      FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                              decoder.Receive())) ||
      FAILED(decoder->GetFrame(0, frame.Receive())) || FAILED(frame->GetSize(&decodedWidth, &decodedHeight)) ||
      decodedWidth != width || decodedHeight != height ||
      FAILED(frame->CopyPixels(nullptr, width * 3, UINT(pixels.size()), pixels.data())))
    pixels.clear();
  return pixels;
}
}  // namespace

std::vector<BYTE> TestFrame(LONG width, LONG height, int bytesPerPixel) {
  LONG rows = labs(height), stride = Stride(width, bytesPerPixel);
  std::vector<BYTE> bytes(size_t(stride) * rows);
  for (LONG y = 0; y < rows; ++y) {
    BYTE* pixel = bytes.data() + (height > 0 ? rows - 1 - y : y) * stride;
    for (LONG x = 0; x < width; ++x, pixel += bytesPerPixel) {
      pixel[0] = BYTE(40 + 150 * x / width);
      pixel[1] = BYTE(30 + 180 * y / rows);
      pixel[2] = BYTE(200 - 120 * (x + y) / (width + rows));
    }
  }
  return bytes;
}

MediaType RgbType(const GUID& subtype, LONG width, LONG height, REFERENCE_TIME timePerFrame) {
  WORD bits = subtype == MEDIASUBTYPE_RGB24 ? 24 : 32;
  VIDEOINFOHEADER format = {};
  format.AvgTimePerFrame = timePerFrame;
  format.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, bits, BI_RGB, 0, 0, 0, 0, 0};
  format.bmiHeader.biSizeImage = DWORD(Stride(width, bits / 8) * labs(height));
  MediaType type;
  type.Set(MEDIATYPE_Video, subtype, FORMAT_VideoInfo, &format, sizeof format);
  type.Edit().bFixedSizeSamples = TRUE;
  type.Edit().lSampleSize = LONG(format.bmiHeader.biSizeImage);
  return type;
}

Difference CompareJpeg(const std::vector<BYTE>& jpeg, const std::vector<BYTE>& frame, LONG width, LONG height,
                       int bytesPerPixel) {
  LONG rows = labs(height), stride = Stride(width, bytesPerPixel);
  std::vector<BYTE> decoded = Decode(jpeg, UINT(width), UINT(rows));
  Difference difference;
  if (decoded.empty()) return difference;
  double total = 0;
  difference.largest = 0;
  for (LONG y = 0; y < rows; ++y) {
    const BYTE* pixel = frame.data() + (height > 0 ? rows - 1 - y : y) * stride;
    for (LONG i = 0; i < width * 3; ++i) {
      int miss = abs(int(decoded[y * width * 3 + i]) - int(pixel[i / 3 * bytesPerPixel + i % 3]));
      total += miss;
      difference.largest = miss > difference.largest ? miss : difference.largest;
    }
  }
  difference.mean = total / (double(width) * rows * 3);
  return difference;
}
