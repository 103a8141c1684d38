#include <wincodec.h>
#include <mmreg.h>
#include <vfwmsgs.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "AviReader.h"
#include "EngineTestSupport.h"
#include "MediaTypeBuilder.h"
#include "RiffBytes.h"
#include "StillImageReader.h"
#include "TempFolder.h"

namespace {

// --- Media the tests write themselves ---

std::string StreamHeader(const char* type, DWORD scale, DWORD rate, DWORD length) {
  std::string header = std::string(type, 4) + std::string(16, '\0') + Dword(scale) + Dword(rate) + Dword(0) +
                       Dword(length) + std::string(20, '\0');
  return Chunk("strh", header);
}

// An AVI with 10 frames of 64x48 24-bit video at 25 fps and 0.5 s of 44.1 kHz
// stereo 16-bit PCM.
std::string Avi(DWORD videoRate = 25) {
  BITMAPINFOHEADER bitmap = {};
  bitmap.biSize = sizeof bitmap;
  bitmap.biWidth = 64;
  bitmap.biHeight = 48;
  bitmap.biPlanes = 1;
  bitmap.biBitCount = 24;
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
std::string IndexedAvi(WORD bits, bool topDown) {
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

// The avi with field (0 id, 2 offset, 3 size) of 'idx1' entry n set to value.
std::string DamagedIndex(std::string avi, int n, int field, DWORD value) {
  memcpy(&avi[avi.find("idx1") + 8 + n * 16 + field * 4], &value, 4);
  return avi;
}

// An uncompressed 24-bit TGA, width x height, top rows red, bottom rows blue,
// stored bottom-up; or a run-length 32-bit one stored top-down.
std::string Tga(WORD width, WORD height, bool runLength) {
  BYTE header[18] = {};
  header[2] = runLength ? 10 : 2;
  memcpy(header + 12, &width, 2);
  memcpy(header + 14, &height, 2);
  header[16] = runLength ? 32 : 24;
  header[17] = runLength ? 0x28 : 0;  // top-down with 8 alpha bits
  std::string tga(reinterpret_cast<char*>(header), 18);
  const std::string red = runLength ? std::string("\0\0\xff\xff", 4) : std::string("\0\0\xff", 3);
  const std::string blue = runLength ? std::string("\xff\0\0\xff", 4) : std::string("\xff\0\0", 3);
  for (int row = 0; row < height; ++row) {
    bool top = runLength ? row < height / 2 : row >= height / 2;
    if (runLength) {
      tga += char(0x80 | (width - 1));
      tga += top ? red : blue;
    } else {
      for (int x = 0; x < width; ++x) tga += top ? red : blue;
    }
  }
  return tga;
}

// A width x height image through a WIC encoder: top half red, bottom half blue.
void EncodeImage(const std::wstring& path, const GUID& container, UINT width, UINT height) {
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

// Top half red, bottom half blue, in top-down BGRA (JPEG within a margin).
void ExpectRedOverBlue(const std::vector<BYTE>& pixels, UINT width, UINT height) {
  ASSERT_EQ(size_t(width) * height * 4, pixels.size());
  const BYTE* first = pixels.data();
  const BYTE* last = pixels.data() + pixels.size() - 4;
  EXPECT_NEAR(255, first[2], 12);
  EXPECT_NEAR(0, first[0], 12);
  EXPECT_NEAR(255, last[0], 12);
  EXPECT_NEAR(0, last[2], 12);
  EXPECT_EQ(255, first[3]);
}

class MediaDetectorTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_MediaDet, nullptr, CLSCTX_INPROC_SERVER, IID_IMediaDet,
                                     detector.ReceiveVoid()));
  }
  void TearDown() override {
    detector.Reset();
    EngineTest::TearDown();
  }

  HRESULT Detect(const std::wstring& path) {
    BSTR name = SysAllocString(path.c_str());
    HRESULT hr = detector->put_Filename(name);
    SysFreeString(name);
    return hr;
  }
  HRESULT DetectBytes(const wchar_t* name, const std::string& bytes) {
    std::wstring path = folder.File(name);
    EXPECT_TRUE(WriteWholeFile(path, bytes));
    return Detect(path);
  }
  long Streams() {
    long count = -1;
    EXPECT_EQ(S_OK, detector->get_OutputStreams(&count));
    return count;
  }
  double Length(long stream) {
    double seconds = -1;
    EXPECT_EQ(S_OK, detector->put_CurrentStream(stream));
    EXPECT_EQ(S_OK, detector->get_StreamLength(&seconds));
    return seconds;
  }
  // The current stream's type; its format block stays in the test's hands.
  AM_MEDIA_TYPE Type(long stream) {
    AM_MEDIA_TYPE type = {};
    EXPECT_EQ(S_OK, detector->put_CurrentStream(stream));
    EXPECT_EQ(S_OK, detector->get_StreamMediaType(&type));
    return type;
  }
  void ExpectNoFile() {
    EXPECT_EQ(0, Streams());
    BSTR name = reinterpret_cast<BSTR>(1);
    EXPECT_EQ(S_OK, detector->get_Filename(&name));
    EXPECT_EQ(nullptr, name);
    GUID major;
    EXPECT_EQ(E_INVALIDARG, detector->get_StreamType(&major));
  }

  // One 32-bit video stream of width x height whose frame is red over blue.
  void ExpectPicture(const std::wstring& path, LONG width, LONG height) {
    ASSERT_EQ(1, Streams());
    AM_MEDIA_TYPE type = Type(0);
    EXPECT_TRUE(type.majortype == MEDIATYPE_Video);
    const VIDEOINFOHEADER* info = reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat);
    EXPECT_EQ(width, info->bmiHeader.biWidth);
    EXPECT_EQ(height, info->bmiHeader.biHeight);
    EXPECT_EQ(32, info->bmiHeader.biBitCount);
    CoTaskMemFree(type.pbFormat);
    StillImageReader reader;
    ASSERT_EQ(S_OK, reader.Open(path.c_str()));
    std::vector<BYTE> pixels;
    ASSERT_EQ(S_OK, reader.ReadFrame(0, 12345678, &pixels));
    ExpectRedOverBlue(pixels, width, height);
  }

  TempFolder folder;
  ComPtr<IMediaDet> detector;
};

TEST_F(MediaDetectorTest, AviListsVideoAndAudioWithTheirFormatsAndLengths) {
  ASSERT_EQ(S_OK, DetectBytes(L"clip.avi", Avi()));
  ASSERT_EQ(2, Streams());

  AM_MEDIA_TYPE video = Type(0);
  EXPECT_TRUE(video.majortype == MEDIATYPE_Video);
  EXPECT_TRUE(video.subtype == MEDIASUBTYPE_RGB24);
  ASSERT_TRUE(video.formattype == FORMAT_VideoInfo);
  ASSERT_GE(video.cbFormat, sizeof(VIDEOINFOHEADER));
  const VIDEOINFOHEADER* info = reinterpret_cast<VIDEOINFOHEADER*>(video.pbFormat);
  EXPECT_EQ(64, info->bmiHeader.biWidth);
  EXPECT_EQ(48, info->bmiHeader.biHeight);
  EXPECT_EQ(24, info->bmiHeader.biBitCount);
  EXPECT_EQ(400000, info->AvgTimePerFrame);
  CoTaskMemFree(video.pbFormat);
  EXPECT_DOUBLE_EQ(0.4, Length(0));
  double rate = 0;
  EXPECT_EQ(S_OK, detector->get_FrameRate(&rate));
  EXPECT_DOUBLE_EQ(25, rate);

  AM_MEDIA_TYPE audio = Type(1);
  EXPECT_TRUE(audio.majortype == MEDIATYPE_Audio);
  EXPECT_TRUE(audio.subtype == MEDIASUBTYPE_PCM);
  ASSERT_TRUE(audio.formattype == FORMAT_WaveFormatEx);
  const WAVEFORMATEX* wave = reinterpret_cast<WAVEFORMATEX*>(audio.pbFormat);
  EXPECT_EQ(2, wave->nChannels);
  EXPECT_EQ(44100u, wave->nSamplesPerSec);
  EXPECT_EQ(16, wave->wBitsPerSample);
  CoTaskMemFree(audio.pbFormat);
  EXPECT_DOUBLE_EQ(0.5, Length(1));
  EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, detector->get_FrameRate(&rate));

  BSTR major = nullptr;
  EXPECT_EQ(S_OK, detector->get_StreamTypeB(&major));
  EXPECT_STREQ(L"{73647561-0000-0010-8000-00AA00389B71}", major);
  SysFreeString(major);
  BSTR name = nullptr;
  EXPECT_EQ(S_OK, detector->get_Filename(&name));
  EXPECT_EQ(folder.File(L"clip.avi"), name);
  SysFreeString(name);

  long current = -1;
  EXPECT_EQ(E_INVALIDARG, detector->put_CurrentStream(2));
  EXPECT_EQ(E_INVALIDARG, detector->put_CurrentStream(-1));
  EXPECT_EQ(S_OK, detector->get_CurrentStream(&current));
  EXPECT_EQ(1, current);
}

TEST_F(MediaDetectorTest, DamagedAndForeignFilesAreRefusedAndLeaveNoFile) {
  const std::string avi = Avi();
  ASSERT_EQ(S_OK, DetectBytes(L"good.avi", avi));
  for (size_t cut : {size_t(11), size_t(40), size_t(150), size_t(300), avi.size() / 2, avi.size() - 1}) {
    SCOPED_TRACE(cut);
    HRESULT hr = DetectBytes(L"cut.avi", avi.substr(0, cut));
    EXPECT_TRUE(hr == VFW_E_FILE_TOO_SHORT || hr == VFW_E_INVALID_FILE_FORMAT) << std::hex << hr;
    ExpectNoFile();
  }
  // A stream list claiming 2 GB, and a video rate of 0.
  std::string lying = avi;
  size_t strl = lying.find("strl") - 4;
  memcpy(&lying[strl], "\xff\xff\xff\x7f", 4);
  EXPECT_EQ(VFW_E_FILE_TOO_SHORT, DetectBytes(L"lying.avi", lying));
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, DetectBytes(L"rate.avi", Avi(0)));
  // A length that does not fit in time, and a paletted picture without its palette.
  std::string endless = avi;
  size_t scale = endless.find("vids") + 20;
  memcpy(&endless[scale], "\xff\xff\xff\xff\x01\0\0\0\0\0\0\0\xff\xff\xff\xff", 16);
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, DetectBytes(L"endless.avi", endless));
  std::string paletted = avi;
  size_t bits = paletted.find("strf") + 8 + 14;
  paletted[bits] = 8;
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, DetectBytes(L"paletted.avi", paletted));

  std::mt19937 random(7);
  std::string noise(4096, '\0');
  for (char& c : noise) c = char(random());
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, DetectBytes(L"noise.dat", noise));
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, DetectBytes(L"noise.png", noise));
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, DetectBytes(L"empty.avi", ""));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), Detect(folder.File(L"missing.avi")));
  ExpectNoFile();
}

TEST_F(MediaDetectorTest, WavLengthsFollowTheFormatTag) {
  WAVEFORMATEX pcm = Wave(WAVE_FORMAT_PCM, 1, 22050, 16, 2);
  ASSERT_EQ(S_OK, DetectBytes(L"pcm.wav", Wav(pcm, 22050)));
  ASSERT_EQ(1, Streams());
  EXPECT_DOUBLE_EQ(0.5, Length(0));
  AM_MEDIA_TYPE type = Type(0);
  EXPECT_TRUE(type.subtype == MEDIASUBTYPE_PCM);
  EXPECT_EQ(22050u, reinterpret_cast<WAVEFORMATEX*>(type.pbFormat)->nSamplesPerSec);
  CoTaskMemFree(type.pbFormat);

  // IMA ADPCM (7 blocks of 505 samples): the 'fact' sample count when the
  // blocks hold it, else the whole blocks.
  WAVEFORMATEX adpcm = Wave(WAVE_FORMAT_IMA_ADPCM, 1, 8000, 4, 256);
  adpcm.nAvgBytesPerSec = 4055;
  ASSERT_EQ(S_OK, DetectBytes(L"fact.wav", Wav(adpcm, 2000, Chunk("fact", Dword(3500)))));
  EXPECT_DOUBLE_EQ(0.4375, Length(0));
  type = Type(0);
  EXPECT_TRUE(type.subtype == MediaTypeBuilder::FourccSubtype(WAVE_FORMAT_IMA_ADPCM));
  CoTaskMemFree(type.pbFormat);
  ASSERT_EQ(S_OK, DetectBytes(L"nofact.wav", Wav(adpcm, 2000)));
  EXPECT_DOUBLE_EQ(0.441875, Length(0));
  ASSERT_EQ(S_OK, DetectBytes(L"longfact.wav", Wav(adpcm, 2000, Chunk("fact", Dword(16000)))));
  EXPECT_DOUBLE_EQ(0.441875, Length(0));

  std::string wav = Wav(pcm, 1000);
  ASSERT_EQ(S_OK, DetectBytes(L"cut.wav", wav.substr(0, wav.size() - 11)));
  EXPECT_NEAR(494.0 / 22050, Length(0), 1e-7);  // in 100-ns units
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, DetectBytes(L"zero.wav", Wav(Wave(1, 0, 22050, 16, 2), 100)));
  // PCM whose block size is not what its samples take would be read wrongly.
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, DetectBytes(L"block.wav", Wav(Wave(1, 2, 22050, 16, 1), 100)));
}

struct ImageKind {
  const wchar_t* name;
  const GUID* container;
};

class StillImageTest : public MediaDetectorTest, public ::testing::WithParamInterface<ImageKind> {};

TEST_P(StillImageTest, IsOneVideoStreamOfFiveSecondsReadTopDown) {
  std::wstring path = folder.File(GetParam().name);
  EncodeImage(path, *GetParam().container, 37, 20);
  ASSERT_EQ(S_OK, Detect(path));
  ExpectPicture(path, 37, 20);
  EXPECT_DOUBLE_EQ(5.0, Length(0));
  double rate = 0;
  EXPECT_EQ(S_OK, detector->get_FrameRate(&rate));
  EXPECT_EQ(30.0, rate);
}

INSTANTIATE_TEST_SUITE_P(Formats, StillImageTest,
                         ::testing::Values(ImageKind{L"a.bmp", &GUID_ContainerFormatBmp},
                                           ImageKind{L"a.png", &GUID_ContainerFormatPng},
                                           ImageKind{L"a.jpg", &GUID_ContainerFormatJpeg},
                                           ImageKind{L"a.gif", &GUID_ContainerFormatGif}));

TEST_F(MediaDetectorTest, TgaPlainAndRunLengthReadTopDown) {
  for (bool runLength : {false, true}) {
    SCOPED_TRACE(runLength);
    std::wstring path = folder.File(L"a.tga");
    ASSERT_TRUE(WriteWholeFile(path, Tga(33, 10, runLength)));
    ASSERT_EQ(S_OK, Detect(path));
    ExpectPicture(path, 33, 10);
  }
  std::string plain = Tga(33, 10, false);
  EXPECT_EQ(VFW_E_FILE_TOO_SHORT, DetectBytes(L"cut.tga", plain.substr(0, plain.size() - 1)));
  // 65535 x 65535 must not slip through a product that wraps.
  std::string huge = Tga(1, 1, true);
  memcpy(&huge[12], "\xff\xff\xff\xff", 4);
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, DetectBytes(L"huge.tga", huge));
  // A run reaching past the picture's last pixel.
  std::string overrun = Tga(33, 10, true);
  overrun[overrun.size() - 5] = char(0xff);
  StillImageReader reader;
  ASSERT_TRUE(WriteWholeFile(folder.File(L"over.tga"), overrun));
  ASSERT_EQ(S_OK, reader.Open(folder.File(L"over.tga").c_str()));
  std::vector<BYTE> pixels;
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, reader.ReadFrame(0, 0, &pixels));
}

class MediaReadingTest : public ::testing::Test {
 protected:
  std::wstring Write(const std::string& bytes) {
    std::wstring path = folder.File(L"media");
    EXPECT_TRUE(WriteWholeFile(path, bytes));
    return path;
  }
  // Frame f as a reader must return it: top-down BGRA, opaque.
  static std::vector<BYTE> Expected(int f) {
    std::vector<BYTE> pixels;
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) pixels.insert(pixels.end(), {BYTE(10 * f), BYTE(y), BYTE(x), 255});
    return pixels;
  }

  TempFolder folder;
};

class AviFrameTest : public MediaReadingTest, public ::testing::WithParamInterface<std::tuple<WORD, bool>> {};

TEST_P(AviFrameTest, UncompressedFramesAreFoundByTimeAndReadTopDown) {
  AviReader reader;
  ASSERT_EQ(S_OK, reader.Open(Write(IndexedAvi(std::get<0>(GetParam()), std::get<1>(GetParam()))).c_str()));
  std::vector<BYTE> pixels;
  const std::pair<REFERENCE_TIME, int> times[] = {{0, 0},       {399999, 0},  {400000, 1},        {2000001, 5},
                                                  {3600000, 9}, {-400000, 0}, {kUnitsPerSecond, 9}};
  for (const auto& [time, frame] : times) {
    SCOPED_TRACE(time);
    ASSERT_EQ(S_OK, reader.ReadFrame(1, time, &pixels));
    EXPECT_EQ(Expected(frame), pixels);
  }
  EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, reader.ReadFrame(0, 0, &pixels));
}

INSTANTIATE_TEST_SUITE_P(Layouts, AviFrameTest,
                         ::testing::Combine(::testing::Values(WORD(24), WORD(32)), ::testing::Bool()));

TEST_F(MediaReadingTest, DamagedIndexEntryFailsOnlyItsFrame) {
  const std::string avi = IndexedAvi(24, false);
  DWORD toAudio;  // entry 5 is the audio chunk
  memcpy(&toAudio, &avi[avi.find("idx1") + 8 + 5 * 16 + 8], 4);
  // Offsets past the file, before the list and at the audio chunk; a size
  // and an id the chunk does not have; an empty entry, a dropped frame.
  const std::tuple<int, DWORD, int> damages[] = {{2, 0x7fffff00, -1}, {2, 0, -1},  {2, toAudio, -1},
                                                 {3, 49, -1}, {0, RiffId('0', '1', 'd', 'c'), -1}, {3, 0, 2}};
  for (const auto& [field, value, shown] : damages) {
    SCOPED_TRACE(testing::Message() << field << " " << value);
    AviReader reader;
    ASSERT_EQ(S_OK, reader.Open(Write(DamagedIndex(avi, 3, field, value)).c_str()));
    std::vector<BYTE> pixels;
    EXPECT_EQ(shown < 0 ? VFW_E_INVALID_FILE_FORMAT : S_OK, reader.ReadFrame(1, 3 * 400000, &pixels));
    if (shown >= 0) {
      EXPECT_EQ(Expected(shown), pixels);
    }
    ASSERT_EQ(S_OK, reader.ReadFrame(1, 4 * 400000, &pixels));
    EXPECT_EQ(Expected(4), pixels);
  }
}

}  // namespace
