// Media files the tests write themselves: AVI files and pictures through the
// WIC encoders (RIFF pieces and WAV files: RiffBytes.h).
#pragma once

#include <gtest/gtest.h>

#include <windows.h>
#include <mmreg.h>
#include <wincodec.h>

#include <string>
#include <vector>

#include "ComPtr.h"
#include "RiffBytes.h"

// An AVI with 10 frames of 64x48 24-bit video at 25 fps and 0.5 s of 44.1 kHz
// stereo 16-bit PCM.
inline std::string Avi(DWORD videoRate = 25) {
  BITMAPINFOHEADER bitmap = Bitmap(64, 48, 24);
  WAVEFORMATEX wave = Wave(WAVE_FORMAT_PCM, 2, 44100, 16, 4);
  std::string video = List("LIST", "strl", StreamHeader("vids", 1, videoRate, 10) + Chunk("strf", Bytes(bitmap)));
  std::string audio = List("LIST", "strl", StreamHeader("auds", 4, 176400, 22050) + Chunk("strf", Bytes(wave)));
  std::string headers = List("LIST", "hdrl", Chunk("avih", std::string(56, '\0')) + video + audio);
  std::string movie;
  for (int i = 0; i < 10; ++i) movie += Chunk("00db", std::string(64 * 48 * 3, char(i)));
  movie += Chunk("01wb", std::string(22050 * 4, '\0'));
  return List("RIFF", "AVI ", headers + List("LIST", "movi", movie));
}

// 10 frames of 5x3 RGB at 25 fps as stream 01 behind a stream 00 of audio,
// whose odd chunk sits between frames 4 and 5; 'idx1' lists all 11 chunks.
// Pixel (x, y) of frame f, counted from the top: blue 10 * f, green y, red x.
inline std::string IndexedAvi(WORD bits, bool topDown) {
  BITMAPINFOHEADER bitmap = {};
  bitmap.biSize = sizeof bitmap;
  bitmap.biWidth = 5;
  bitmap.biHeight = topDown ? -3 : 3;
  bitmap.biPlanes = 1;
  bitmap.biBitCount = bits;
  WAVEFORMATEX wave = Wave(WAVE_FORMAT_PCM, 1, 8000, 8, 1);
  std::string audio = List("LIST", "strl", StreamHeader("auds", 1, 8000, 3) + Chunk("strf", Bytes(wave)));
  std::string video = List("LIST", "strl", StreamHeader("vids", 1, 25, 10) + Chunk("strf", Bytes(bitmap)));
  std::string headers = List("LIST", "hdrl", Chunk("avih", std::string(56, '\0')) + audio + video);
  std::string movie, index;
  auto add = [&](const char* id, const std::string& content) {
    index += std::string(id, 4) + Dword(0x10) + Dword(DWORD(4 + movie.size())) + Dword(DWORD(content.size()));
    movie += Chunk(id, content);
  };
  for (int f = 0; f < 10; ++f) {
    if (f == 5) add("00wb", "abc");
    std::string frame;  // pixel (x, y): blue 10 * f, green y, red x
    for (int row = 0; row < 3; ++row) {
      std::string line;
      for (int x = 0; x < 5; ++x) line += std::string{char(10 * f), char(topDown ? row : 2 - row), char(x), 7}.substr(0, bits / 8);
      line.resize((line.size() + 3) / 4 * 4, '\0');
      frame += line;
    }
    add("01db", frame);
  }
  return List("RIFF", "AVI ", headers + List("LIST", "movi", movie) + Chunk("idx1", index));
}

// IndexedAvi's frame f as DirectShow RGB of pixelBytes 3 or 4 (opaque):
// bottom row first, rows padded to 4 bytes.
inline std::string IndexedAviFrame(int pixelBytes, int f) {
  std::string pixels;
  for (int y = 2; y >= 0; --y) {
    for (int x = 0; x < 5; ++x) pixels += std::string{char(10 * f), char(y), char(x), char(255)}.substr(0, pixelBytes);
    pixels.resize((pixels.size() + 3) / 4 * 4, '\0');
  }
  return pixels;
}

// A width x height image through a WIC encoder: top half red, bottom half blue.
inline void EncodeImage(const std::wstring& path, const GUID& container, UINT width, UINT height) {
  ComPtr<IWICImagingFactory> factory;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                   factory.ReceiveVoid()));
  ComPtr<IWICStream> stream;
  ASSERT_EQ(S_OK, factory->CreateStream(stream.Receive()));
  ASSERT_EQ(S_OK, stream->InitializeFromFilename(path.c_str(), GENERIC_WRITE));
  ComPtr<IWICBitmapEncoder> encoder;
  ASSERT_EQ(S_OK, factory->CreateEncoder(container, nullptr, encoder.Receive()));
  ASSERT_EQ(S_OK, encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache));
  ComPtr<IWICBitmapFrameEncode> frame;
  ASSERT_EQ(S_OK, encoder->CreateNewFrame(frame.Receive(), nullptr));
  ASSERT_EQ(S_OK, frame->Initialize(nullptr));
  ASSERT_EQ(S_OK, frame->SetSize(width, height));
  bool indexed = container == GUID_ContainerFormatGif;
  WICPixelFormatGUID format = indexed ? GUID_WICPixelFormat8bppIndexed : GUID_WICPixelFormat24bppBGR;
  const WICPixelFormatGUID wanted = format;
  ASSERT_EQ(S_OK, frame->SetPixelFormat(&format));
  ASSERT_TRUE(format == wanted);
  std::string pixels;
  if (indexed) {
    ComPtr<IWICPalette> palette;
    ASSERT_EQ(S_OK, factory->CreatePalette(palette.Receive()));
    WICColor colours[2] = {0xffff0000, 0xff0000ff};
    ASSERT_EQ(S_OK, palette->InitializeCustom(colours, 2));
    ASSERT_EQ(S_OK, frame->SetPalette(palette.Get()));
    for (UINT y = 0; y < height; ++y) pixels += std::string(width, char(y < height / 2 ? 0 : 1));
  } else {
    for (UINT y = 0; y < height; ++y)
      for (UINT x = 0; x < width; ++x) pixels += y < height / 2 ? std::string("\0\0\xff", 3) : std::string("\xff\0\0", 3);
  }
  UINT stride = UINT(pixels.size() / height);
  ASSERT_EQ(S_OK, frame->WritePixels(height, stride, UINT(pixels.size()), reinterpret_cast<BYTE*>(&pixels[0])));
  ASSERT_EQ(S_OK, frame->Commit());
  ASSERT_EQ(S_OK, encoder->Commit());
}
