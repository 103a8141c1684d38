// What the engine writes, it reads back: files of the AVI writer, with and
// without the compressors and past the OpenDML limit, detected with the
// streams, lengths and rates written and decoded to the frames and samples
// that went in (exactly when uncompressed, within the codec's loss else).
#include <cmath>
#include <cstdlib>

#include "AviWriterFilter.h"
#include "EngineFilters.h"
#include "GraphTesting.h"
#include "MediaReaders.h"
#include "MediaTypeBuilder.h"
#include "TempFolder.h"
#include "TestPictures.h"
#include "TestStreamFilters.h"

namespace {

const LONG kWidth = 64, kHeight = 48;
const int kFrames = 12;
const REFERENCE_TIME kFrameTime = 400000;  // 25 fps
const DWORD kRate = 22050;
const DWORD kAudioFrames = kRate / 2;
const DWORD kChunkFrames = kRate / 10;

// Frame f: the test picture with its green moved by f, so frames differ.
std::vector<BYTE> Frame(int f) {
  std::vector<BYTE> frame = TestFrame(kWidth, kHeight, 3);
  for (size_t i = 1; i < frame.size(); i += 3) frame[i] = BYTE(frame[i] + 4 * f);
  return frame;
}

// The same frame as the readers give it: top-down BGRA.
std::vector<BYTE> AsRead(const std::vector<BYTE>& frame) {
  std::vector<BYTE> pixels;
  for (LONG y = kHeight - 1; y >= 0; --y)
    for (LONG x = 0; x < kWidth; ++x) {
      const BYTE* p = &frame[size_t(y * kWidth + x) * 3];
      pixels.insert(pixels.end(), {p[0], p[1], p[2], 255});
    }
  return pixels;
}

double MeanDifference(const std::vector<BYTE>& a, const std::vector<BYTE>& b) {
  if (a.size() != b.size()) return 1e9;
  double total = 0;
  for (size_t i = 0; i < a.size(); ++i) total += std::abs(int(a[i]) - int(b[i]));
  return total / double(a.size());
}

// Stereo: a 440 Hz sine on the left, 660 Hz on the right, at half scale.
std::vector<INT16> Tone() {
  std::vector<INT16> samples;
  for (DWORD i = 0; i < kAudioFrames; ++i)
    for (double hz : {440.0, 660.0}) samples.push_back(INT16(16000 * std::sin(6.283185307 * hz * i / kRate)));
  return samples;
}

WAVEFORMATEX Pcm16() {
  WAVEFORMATEX wave = {WAVE_FORMAT_PCM, 2, kRate, kRate * 4, 4, 16, 0};
  return wave;
}

// RIFF forms in the file: 'AVI ' and its 'AVIX' extensions, walked by size.
int Forms(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  int forms = 0;
  DWORD header[3], got = 0;
  while (ReadFile(file, header, sizeof header, &got, nullptr) && got == sizeof header && header[0] == 0x46464952) {
    ++forms;
    LARGE_INTEGER next;
    next.QuadPart = LONGLONG(header[1]) - 4 + (header[1] & 1);
    SetFilePointerEx(file, next, nullptr, FILE_CURRENT);
  }
  CloseHandle(file);
  return forms;
}

struct Case {
  const char* name;
  bool mjpeg;
  bool adpcm;
  UINT64 riffLimit;
};

class MediaRoundTripTest : public GraphTest, public ::testing::WithParamInterface<Case> {
 protected:
  void TearDown() override {
    if (graph) graph.As<IMediaControl>(IID_IMediaControl)->Stop();
    writer.Reset();
    GraphTest::TearDown();
  }

  // Source into the next free input of the writer, through a compressor
  // of class compressor unless it is null.
  void Feed(const MediaType& type, std::vector<TestChunk> chunks, const CLSID* compressor) {
    ComPtr<IBaseFilter> from = Make<BufferSource>(&type.Get(), std::move(chunks));
    ASSERT_EQ(S_OK, graph->AddFilter(from.Get(), nullptr));
    ComPtr<IPin> out = PinOf(from.Get(), PINDIR_OUTPUT);
    if (compressor) {
      ComPtr<IBaseFilter> filter;
      ASSERT_EQ(S_OK, CoCreateInstance(*compressor, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                       filter.ReceiveVoid()));
      ASSERT_EQ(S_OK, graph->AddFilter(filter.Get(), nullptr));
      ASSERT_EQ(S_OK, graph->ConnectDirect(out.Get(), PinOf(filter.Get(), PINDIR_INPUT).Get(), nullptr));
      out = PinOf(filter.Get(), PINDIR_OUTPUT);
    }
    for (ComPtr<IPin>& in : PinsOf(writer.Get())) {
      ComPtr<IPin> peer;
      if (in->ConnectedTo(peer.Receive()) == VFW_E_NOT_CONNECTED) {
        ASSERT_EQ(S_OK, graph->ConnectDirect(out.Get(), in.Get(), nullptr));
        return;
      }
    }
    FAIL() << "no free input";
  }

  void Write(const Case& row) {
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_EngineAviWriter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                     writer.ReceiveVoid()));
    AviWriter::Options options;
    options.riffLimit = row.riffLimit;
    static_cast<AviWriterFilter*>(writer.Get())->SetWriterOptions(options);
    ASSERT_EQ(S_OK, writer.As<IFileSinkFilter>(IID_IFileSinkFilter)->SetFileName(path.c_str(), nullptr));
    ASSERT_EQ(S_OK, graph->AddFilter(writer.Get(), L"writer"));

    std::vector<TestChunk> frames;
    for (int f = 0; f < kFrames; ++f) frames.push_back({Frame(f), f * kFrameTime, (f + 1) * kFrameTime});
    ASSERT_NO_FATAL_FAILURE(Feed(RgbType(MEDIASUBTYPE_RGB24, kWidth, kHeight, kFrameTime), std::move(frames),
                                 row.mjpeg ? &CLSID_EngineMjpegCompressor : nullptr));
    std::vector<INT16> tone = Tone();
    std::vector<TestChunk> blocks;
    for (DWORD first = 0; first < kAudioFrames; first += kChunkFrames) {
      const BYTE* bytes = reinterpret_cast<const BYTE*>(&tone[first * 2]);
      blocks.push_back({std::vector<BYTE>(bytes, bytes + kChunkFrames * 4), first * 10000000LL / kRate,
                        (first + kChunkFrames) * 10000000LL / kRate});
    }
    WAVEFORMATEX wave = Pcm16();
    MediaType audio;
    ASSERT_EQ(S_OK, MediaTypeBuilder::Audio(reinterpret_cast<const BYTE*>(&wave), sizeof wave, &audio));
    ASSERT_NO_FATAL_FAILURE(Feed(audio, std::move(blocks), row.adpcm ? &CLSID_EngineImaAdpcmCompressor : nullptr));

    ASSERT_EQ(EC_COMPLETE, RunToEnd(graph.Get()));
    graph.As<IMediaControl>(IID_IMediaControl)->Stop();  // finishes the file
  }

  TempFolder folder;
  std::wstring path = folder.File(L"written.avi");
  ComPtr<IBaseFilter> writer;
};

TEST_P(MediaRoundTripTest, WhatIsWrittenIsDetectedAndDecoded) {
  const Case& row = GetParam();
  ASSERT_NO_FATAL_FAILURE(Write(row));
  if (row.riffLimit < 100000) {
    EXPECT_GE(Forms(path), 3);
  }

  ComPtr<IMediaDet> detector;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_MediaDet, nullptr, CLSCTX_INPROC_SERVER, IID_IMediaDet,
                                   detector.ReceiveVoid()));
  BSTR name = SysAllocString(path.c_str());
  ASSERT_EQ(S_OK, detector->put_Filename(name));
  SysFreeString(name);
  long streams = 0;
  ASSERT_EQ(S_OK, detector->get_OutputStreams(&streams));
  ASSERT_EQ(2, streams);
  double seconds = 0, rate = 0;
  ASSERT_EQ(S_OK, detector->put_CurrentStream(0));
  EXPECT_EQ(S_OK, detector->get_StreamLength(&seconds));
  EXPECT_DOUBLE_EQ(kFrames * 0.04, seconds);
  EXPECT_EQ(S_OK, detector->get_FrameRate(&rate));
  EXPECT_DOUBLE_EQ(25.0, rate);
  ASSERT_EQ(S_OK, detector->put_CurrentStream(1));
  EXPECT_EQ(S_OK, detector->get_StreamLength(&seconds));
  // IMA ADPCM pads its last block: at most one block (1017 frames) more.
  EXPECT_NEAR(0.5, seconds, row.adpcm ? 1017.0 / kRate : 1e-9);
  AM_MEDIA_TYPE type = {};
  ASSERT_EQ(S_OK, detector->get_StreamMediaType(&type));
  const WAVEFORMATEX* format = reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat);
  EXPECT_EQ(row.adpcm ? WAVE_FORMAT_IMA_ADPCM : WAVE_FORMAT_PCM, format->wFormatTag);
  EXPECT_EQ(kRate, format->nSamplesPerSec);
  EXPECT_EQ(2, format->nChannels);
  MediaType::Free(&type);
  detector.Reset();

  std::unique_ptr<MediaReader> reader;
  ASSERT_EQ(S_OK, MediaReaders::Open(path.c_str(), &reader));
  std::vector<BYTE> pixels;
  for (int f = 0; f < kFrames; ++f) {
    ASSERT_EQ(S_OK, reader->ReadFrame(0, f * kFrameTime + kFrameTime / 2, &pixels)) << f;
    double difference = MeanDifference(pixels, AsRead(Frame(f)));
    if (row.mjpeg) {
      EXPECT_LT(difference, 2.0) << f;
      if (f > 0) {
        EXPECT_GT(MeanDifference(pixels, AsRead(Frame(f - 1))), difference) << f;
      }
    } else {
      EXPECT_EQ(0.0, difference) << f;
    }
  }
  std::vector<BYTE> pcm;
  ASSERT_EQ(S_OK, reader->ReadAudio(1, 0, Pcm16(), kAudioFrames, &pcm));
  std::vector<INT16> tone = Tone();
  ASSERT_EQ(tone.size() * 2, pcm.size());
  const INT16* read = reinterpret_cast<const INT16*>(pcm.data());
  double error = 0;
  for (size_t i = 0; i < tone.size(); ++i) error += std::abs(int(read[i]) - int(tone[i]));
  // IMA ADPCM keeps a half-scale tone within about 0.6% of full scale.
  EXPECT_LE(error / double(tone.size()), row.adpcm ? 200.0 : 0.0);
}

INSTANTIATE_TEST_SUITE_P(Files, MediaRoundTripTest,
                         ::testing::Values(Case{"Uncompressed", false, false, UINT64(1) << 30},
                                           Case{"MotionJpegAndImaAdpcm", true, true, UINT64(1) << 30},
                                           Case{"OpenDml", false, false, 40000}),
                         [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
