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
#include "RiffBytes.h"
#include "TempFolder.h"
#include "TestMedia.h"

namespace {

const LONG kWidth = 64, kHeight = 48;
const int kFrames = 12;
const REFERENCE_TIME kFrameTime = 400000;  // 25 fps
const DWORD kRate = 22050;
const DWORD kAudioFrames = kRate / 2;
const DWORD kChunkFrames = kRate / 10;

std::vector<BYTE> Shown(int f) { return AsRead(TestFrame(kWidth, kHeight, 3, f), kWidth, kHeight, 3); }

// RIFF forms in the file: 'AVI ' and its 'AVIX' extensions, walked by size.
int Forms(const std::string& file) {
  int forms = 0;
  for (size_t at = 0; at + 12 <= file.size() && file.compare(at, 4, "RIFF") == 0; ++forms)
    at += 8 + *reinterpret_cast<const DWORD*>(&file[at + 4]);
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
  // A source into the next free input of the writer, through a compressor
  // of class compressor unless it is null.
  void Feed(const MediaType& type, std::vector<Sample> samples, const CLSID* compressor) {
    ComPtr<IBaseFilter> from = Make<TestSource>(&type.Get(), std::move(samples)), filter;
    if (compressor) {
      ASSERT_EQ(S_OK, CoCreateInstance(*compressor, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                       filter.ReceiveVoid()));
      ASSERT_EQ(S_OK, Join(graph.Get(), from.Get(), filter.Get()));
      from = filter;
    }
    ASSERT_EQ(S_OK, Join(graph.Get(), from.Get(), writer.Get()));
  }

  void Write(const Case& row) {
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_EngineAviWriter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                     writer.ReceiveVoid()));
    AviWriter::Options options;
    options.riffLimit = row.riffLimit;
    static_cast<AviWriterFilter*>(writer.Get())->SetWriterOptions(options);
    ASSERT_EQ(S_OK, writer.As<IFileSinkFilter>(IID_IFileSinkFilter)->SetFileName(path.c_str(), nullptr));

    std::vector<Sample> frames;
    for (int f = 0; f < kFrames; ++f) frames.push_back({TestFrame(kWidth, kHeight, 3, f), f * kFrameTime, (f + 1) * kFrameTime});
    ASSERT_NO_FATAL_FAILURE(Feed(RgbType(MEDIASUBTYPE_RGB24, kWidth, kHeight, kFrameTime), std::move(frames),
                                 row.mjpeg ? &CLSID_EngineMjpegCompressor : nullptr));
    std::string tone = AsBytes(Sine(kAudioFrames, 2, kRate, 16000));
    std::vector<Sample> blocks;
    for (DWORD first = 0; first < kAudioFrames; first += kChunkFrames)
      blocks.push_back({tone.substr(first * 4, kChunkFrames * 4), first * 10000000LL / kRate,
                        (first + kChunkFrames) * 10000000LL / kRate});
    ASSERT_NO_FATAL_FAILURE(
        Feed(WaveType(Pcm16(2, kRate)), std::move(blocks), row.adpcm ? &CLSID_EngineImaAdpcmCompressor : nullptr));

    ASSERT_EQ(EC_COMPLETE, RunToEnd(graph.Get()));
    graph.As<IMediaControl>(IID_IMediaControl)->Stop();  // finishes the file
  }

  TempFolder folder;
  std::wstring path = folder.File(L"written.avi");
  ComPtr<IBaseFilter>& writer = tested;
};

TEST_P(MediaRoundTripTest, WhatIsWrittenIsDetectedAndDecoded) {
  const Case& row = GetParam();
  ASSERT_NO_FATAL_FAILURE(Write(row));
  EXPECT_GE(Forms(ReadWholeFile(path)), row.riffLimit < 100000 ? 3 : 1);

  ComPtr<IMediaDet> detector;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_MediaDet, nullptr, CLSCTX_INPROC_SERVER, IID_IMediaDet,
                                   detector.ReceiveVoid()));
  BSTR name = SysAllocString(path.c_str());
  ASSERT_EQ(S_OK, detector->put_Filename(name));
  SysFreeString(name);
  long streams = 0, current = -1;
  ASSERT_EQ(S_OK, detector->get_OutputStreams(&streams));
  ASSERT_EQ(2, streams);
  double seconds = 0, rate = 0;
  AM_MEDIA_TYPE type = {};
  ASSERT_EQ(S_OK, detector->put_CurrentStream(0));
  EXPECT_EQ(S_OK, detector->get_StreamLength(&seconds));
  EXPECT_DOUBLE_EQ(kFrames * 0.04, seconds);
  EXPECT_EQ(S_OK, detector->get_FrameRate(&rate));
  EXPECT_DOUBLE_EQ(25.0, rate);
  ASSERT_EQ(S_OK, detector->get_StreamMediaType(&type));
  const VIDEOINFOHEADER* info = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
  EXPECT_TRUE(type.subtype == (row.mjpeg ? MEDIASUBTYPE_MJPG : MEDIASUBTYPE_RGB24) && type.formattype == FORMAT_VideoInfo);
  EXPECT_TRUE(info->bmiHeader.biWidth == kWidth && info->bmiHeader.biHeight == kHeight && info->bmiHeader.biBitCount == 24);
  EXPECT_EQ(kFrameTime, info->AvgTimePerFrame);
  MediaType::Free(&type);

  ASSERT_EQ(S_OK, detector->put_CurrentStream(1));
  EXPECT_EQ(S_OK, detector->get_StreamLength(&seconds));
  // IMA ADPCM pads its last block: at most one block (1017 frames) more.
  EXPECT_NEAR(0.5, seconds, row.adpcm ? 1017.0 / kRate : 1e-9);
  ASSERT_EQ(S_OK, detector->get_StreamMediaType(&type));
  const WAVEFORMATEX* format = reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat);
  EXPECT_EQ(row.adpcm ? WAVE_FORMAT_IMA_ADPCM : WAVE_FORMAT_PCM, format->wFormatTag);
  EXPECT_EQ(MediaTypeBuilder::FourccSubtype(format->wFormatTag), type.subtype);
  EXPECT_TRUE(format->nSamplesPerSec == kRate && format->nChannels == 2);
  MediaType::Free(&type);
  BSTR text = nullptr;
  EXPECT_EQ(S_OK, detector->get_StreamTypeB(&text));
  EXPECT_STREQ(L"{73647561-0000-0010-8000-00AA00389B71}", text);  // MEDIATYPE_Audio
  SysFreeString(text);
  EXPECT_EQ(S_OK, detector->get_Filename(&text));
  EXPECT_EQ(path, text);
  SysFreeString(text);
  EXPECT_EQ(S_OK, detector->get_CurrentStream(&current));
  EXPECT_EQ(1, current);
  detector.Reset();

  std::unique_ptr<MediaReader> reader;
  ASSERT_EQ(S_OK, MediaReaders::Open(path.c_str(), &reader));
  std::vector<BYTE> pixels;
  for (int f = 0; f < kFrames; ++f) {
    ASSERT_EQ(S_OK, reader->ReadFrame(0, f * kFrameTime + kFrameTime / 2, &pixels)) << f;
    double difference = Compare(pixels, Shown(f)).mean;
    if (row.mjpeg) {
      EXPECT_LT(difference, 2.0) << f;
      if (f > 0) {
        EXPECT_GT(Compare(pixels, Shown(f - 1)).mean, difference) << f;
      }
    } else {
      EXPECT_EQ(0.0, difference) << f;
    }
  }
  std::vector<BYTE> pcm;
  ASSERT_EQ(S_OK, reader->ReadAudio(1, 0, Pcm16(2, kRate), kAudioFrames, &pcm));
  std::vector<INT16> tone = Sine(kAudioFrames, 2, kRate, 16000);
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
