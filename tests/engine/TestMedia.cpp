#include "TestMedia.h"

#include <wincodec.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "ComPtr.h"
#include "MediaTypeBuilder.h"
#include "RiffBytes.h"

namespace {
LONG Stride(LONG width, int bytesPerPixel) { return (width * bytesPerPixel + 3) / 4 * 4; }

ComPtr<IWICImagingFactory> Factory() {
  ComPtr<IWICImagingFactory> factory;
  CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                   factory.ReceiveVoid());
  return factory;
}

// Top-down 24-bit rows of a picture; empty when it does not decode to width x height.
std::vector<BYTE> Decode(const std::string& bytes, UINT width, UINT height) {
  ComPtr<IWICImagingFactory> factory = Factory();
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapDecoder> decoder;
  ComPtr<IWICBitmapFrameDecode> frame;
  UINT decodedWidth = 0, decodedHeight = 0;
  std::vector<BYTE> pixels(size_t(width) * height * 3);
  if (!factory || FAILED(factory->CreateStream(stream.Receive())) ||
      FAILED(stream->InitializeFromMemory(reinterpret_cast<BYTE*>(const_cast<char*>(bytes.data())), DWORD(bytes.size()))) ||
      FAILED(factory->CreateDecoderFromStream(stream.Get(), nullptr, WICDecodeMetadataCacheOnDemand,
                                              decoder.Receive())) ||
      FAILED(decoder->GetFrame(0, frame.Receive())) || FAILED(frame->GetSize(&decodedWidth, &decodedHeight)) ||
      decodedWidth != width || decodedHeight != height ||
      FAILED(frame->CopyPixels(nullptr, width * 3, UINT(pixels.size()), pixels.data())))
    pixels.clear();
  return pixels;
}
}  // namespace

std::string TestFrame(LONG width, LONG height, int bytesPerPixel, int f) {
  LONG rows = labs(height), stride = Stride(width, bytesPerPixel);
  std::string bytes(size_t(stride) * rows, '\0');
  for (LONG y = 0; y < rows; ++y) {
    char* pixel = &bytes[size_t(height > 0 ? rows - 1 - y : y) * stride];
    for (LONG x = 0; x < width; ++x, pixel += bytesPerPixel) {
      pixel[0] = char(40 + 150 * x / width);
      pixel[1] = char(30 + 180 * y / rows + 4 * (f % 12));
      pixel[2] = char(200 - 120 * (x + y) / (width + rows));
      if (bytesPerPixel == 4) pixel[3] = char(255);
    }
  }
  return bytes;
}

std::vector<BYTE> AsRead(const std::string& frame, LONG width, LONG height, int bytesPerPixel) {
  LONG rows = labs(height), stride = Stride(width, bytesPerPixel);
  std::vector<BYTE> pixels;
  for (LONG y = 0; y < rows; ++y) {
    const char* pixel = &frame[size_t(height > 0 ? rows - 1 - y : y) * stride];
    for (LONG x = 0; x < width; ++x, pixel += bytesPerPixel)
      pixels.insert(pixels.end(), {BYTE(pixel[0]), BYTE(pixel[1]), BYTE(pixel[2]), 255});
  }
  return pixels;
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

MediaType WaveType(const WAVEFORMATEX& wave) {
  MediaType type;
  type.Set(MEDIATYPE_Audio, MediaTypeBuilder::FourccSubtype(wave.wFormatTag), FORMAT_WaveFormatEx, &wave,
           sizeof wave + wave.cbSize);
  return type;
}

std::vector<INT16> Sine(DWORD frames, WORD channels, DWORD rate, double amplitude) {
  std::vector<INT16> samples;
  for (DWORD f = 0; f < frames; ++f)
    for (WORD c = 0; c < channels; ++c)
      samples.push_back(INT16(std::lround(amplitude * std::sin(6.283185307179586 * (440 + 220 * c) * f / rate))));
  return samples;
}

std::string AsBytes(const std::vector<INT16>& samples) {
  return std::string(reinterpret_cast<const char*>(samples.data()), samples.size() * 2);
}

Difference Compare(const BYTE* a, int aBytes, const BYTE* b, int bBytes, size_t pixels) {
  Difference difference;
  double total = 0;
  difference.largest = 0;
  for (size_t i = 0; i < pixels * 3; ++i) {
    int miss = abs(int(a[i / 3 * aBytes + i % 3]) - int(b[i / 3 * bBytes + i % 3]));
    total += miss;
    difference.largest = miss > difference.largest ? miss : difference.largest;
  }
  difference.mean = pixels ? total / (double(pixels) * 3) : 0;
  return difference;
}

Difference Compare(const std::vector<BYTE>& a, const std::vector<BYTE>& b) {
  return a.size() == b.size() ? Compare(a.data(), 4, b.data(), 4, a.size() / 4) : Difference();
}

Difference CompareJpeg(const std::string& jpeg, const std::string& frame, LONG width, LONG height,
                       int bytesPerPixel) {
  std::vector<BYTE> decoded = Decode(jpeg, UINT(width), UINT(labs(height)));
  if (decoded.empty()) return Difference();
  std::vector<BYTE> expected = AsRead(frame, width, height, bytesPerPixel);
  return Compare(decoded.data(), 3, expected.data(), 4, decoded.size() / 3);
}

std::string EncodePicture(const GUID& container, UINT width, UINT height, const std::string& rows) {
  ComPtr<IWICImagingFactory> factory = Factory();
  ComPtr<IStream> memory;
  ComPtr<IWICStream> stream;
  ComPtr<IWICBitmapEncoder> encoder;
  ComPtr<IWICBitmapFrameEncode> frame;
  ComPtr<IWICPalette> palette;
  bool indexed = container == GUID_ContainerFormatGif;
  WICPixelFormatGUID format = indexed ? GUID_WICPixelFormat8bppIndexed : GUID_WICPixelFormat24bppBGR;
  const WICPixelFormatGUID wanted = format;
  std::string pixels = rows;
  std::vector<WICColor> colours;
  if (indexed) {
    pixels.clear();
    for (size_t i = 0; i + 2 < rows.size(); i += 3) {
      WICColor colour = 0xFF000000 | BYTE(rows[i + 2]) << 16 | BYTE(rows[i + 1]) << 8 | BYTE(rows[i]);
      size_t index = 0;
      while (index < colours.size() && colours[index] != colour) ++index;
      if (index == colours.size()) colours.push_back(colour);
      pixels += char(index);
    }
  }
  if (!factory || colours.size() > 256 || FAILED(CreateStreamOnHGlobal(nullptr, TRUE, memory.Receive())) ||
      FAILED(factory->CreateStream(stream.Receive())) || FAILED(stream->InitializeFromIStream(memory.Get())) ||
      FAILED(factory->CreateEncoder(container, nullptr, encoder.Receive())) ||
      FAILED(encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache)) ||
      FAILED(encoder->CreateNewFrame(frame.Receive(), nullptr)) || FAILED(frame->Initialize(nullptr)) ||
      FAILED(frame->SetSize(width, height)) || FAILED(frame->SetPixelFormat(&format)) || format != wanted ||
      (indexed && (FAILED(factory->CreatePalette(palette.Receive())) ||
                   FAILED(palette->InitializeCustom(colours.data(), UINT(colours.size()))) ||
                   FAILED(frame->SetPalette(palette.Get())))) ||
      FAILED(frame->WritePixels(height, UINT(pixels.size() / height), UINT(pixels.size()),
                                reinterpret_cast<BYTE*>(&pixels[0]))) ||
      FAILED(frame->Commit()) || FAILED(encoder->Commit()))
    return "";
  HGLOBAL global = nullptr;
  STATSTG stat = {};
  if (FAILED(GetHGlobalFromStream(memory.Get(), &global)) || FAILED(memory->Stat(&stat, STATFLAG_NONAME))) return "";
  std::string bytes(static_cast<const char*>(GlobalLock(global)), size_t(stat.cbSize.QuadPart));
  GlobalUnlock(global);
  return bytes;
}

std::string RedOverBlue(const GUID& container, UINT width, UINT height) {
  std::string rows;
  for (UINT y = 0; y < height; ++y)
    for (UINT x = 0; x < width; ++x) rows += y < height / 2 ? std::string("\0\0\xff", 3) : std::string("\xff\0\0", 3);
  return EncodePicture(container, width, height, rows);
}

HRESULT WriteAvi(const std::wstring& path, const std::vector<AviStream>& streams, const AviWriter::Options& options) {
  AviWriter writer;
  size_t longest = 0;
  for (const AviStream& stream : streams) {
    const BYTE* format = reinterpret_cast<const BYTE*>(stream.format.data());
    MediaType type;
    HRESULT hr = stream.format.size() >= 40 && *reinterpret_cast<const DWORD*>(format) == 40
                     ? MediaTypeBuilder::Video(format, stream.format.size(), stream.timePerFrame, &type)
                     : MediaTypeBuilder::Audio(format, stream.format.size(), &type);
    if (FAILED(hr) || FAILED(hr = writer.AddStream(type.Get()))) return hr;
    longest = stream.chunks.size() > longest ? stream.chunks.size() : longest;
  }
  HRESULT hr = writer.Create(path.c_str(), options);
  for (size_t i = 0; i < longest && SUCCEEDED(hr); ++i)
    for (size_t s = 0; s < streams.size() && SUCCEEDED(hr); ++s)
      if (i < streams[s].chunks.size())
        hr = writer.WriteChunk(int(s), reinterpret_cast<const BYTE*>(streams[s].chunks[i].data()),
                               DWORD(streams[s].chunks[i].size()),
                               i >= streams[s].deltas.size() || !streams[s].deltas[i]);
  HRESULT finished = writer.Finish();
  return FAILED(hr) ? hr : finished;
}

HRESULT WriteClip(const std::wstring& path) {
  std::vector<std::string> frames;
  for (int f = 0; f < 10; ++f) frames.push_back(TestFrame(5, 3, 3, f));
  return WriteAvi(path, {{Bytes(Wave(WAVE_FORMAT_PCM, 1, 8000, 8, 1)), {"abc"}}, {Bytes(Bitmap(5, 3, 24)), frames}});
}
