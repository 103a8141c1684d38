// The engine's file source played through the platform's filter graph into
// a collecting sink: every frame and sample with its bytes and times, seeks
// paused and running, stop positions, and the published IFileSourceFilter
// results.
#include <wincodec.h>
#include <vfwmsgs.h>

#include <functional>

#include "EngineFilters.h"
#include "GraphTesting.h"
#include "MediaReader.h"
#include "TempFolder.h"
#include "RiffBytes.h"
#include "TestMedia.h"

namespace {

const REFERENCE_TIME kAviFrame = 400000;  // 25 fps
const DWORD kWavRate = 22050;

std::vector<int> WavValues() {
  std::vector<int> values;
  for (int i = 0; i < 5000; ++i) values.push_back(i * 7 - 17500);
  return values;
}

// Frames from..to-1 of WriteClip's as RGB32, bottom row first.
std::vector<Sample> AviSamples(int from, int to, REFERENCE_TIME segment) {
  std::vector<Sample> samples;
  for (int f = from; f < to; ++f)
    samples.push_back({TestFrame(5, 3, 4, f), f * kAviFrame - segment, (f + 1) * kAviFrame - segment});
  return samples;
}

// Sample frames from first on, in blocks ending at ends.
std::vector<Sample> WavSamples(int first, const std::vector<int>& ends, REFERENCE_TIME segment) {
  std::vector<int> values = WavValues();
  std::vector<Sample> samples;
  auto time = [](int frame) { return (REFERENCE_TIME(frame) * kUnitsPerSecond + kWavRate / 2) / kWavRate; };
  for (int end : ends) {
    std::string bytes;
    for (int i = first; i < end; ++i) bytes += Bytes(INT16(values[i]));
    samples.push_back({bytes, time(first) - segment, time(end) - segment});
    first = end;
  }
  return samples;
}

// The 4 x 2 still, blue row then red row, at 30 fps for its 5 s.
std::vector<Sample> StillSamples() {
  std::string picture;
  for (int i = 0; i < 8; ++i) picture += i < 4 ? std::string("\xff\0\0\xff", 4) : std::string("\0\0\xff\xff", 4);
  std::vector<Sample> samples;
  for (REFERENCE_TIME n = 0; n < 150; ++n)
    samples.push_back({picture, (n * kUnitsPerSecond + 15) / 30, ((n + 1) * kUnitsPerSecond + 15) / 30});
  return samples;
}

class MediaSourceFilterTest : public GraphTest {
 protected:
  void SetUp() override {
    GraphTest::SetUp();
    ASSERT_EQ(S_OK, WriteClip(folder.File(L"clip.avi")));
    ASSERT_TRUE(WriteWholeFile(folder.File(L"tone.wav"), PcmWav(16, 1, kWavRate, WavValues())));
    ASSERT_TRUE(WriteWholeFile(folder.File(L"still.bmp"), RedOverBlue(GUID_ContainerFormatBmp, 4, 2)));
  }
  HRESULT Load(const std::wstring& path) {
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_EngineMediaSource, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                     source.ReceiveVoid()));
    return source.As<IFileSourceFilter>(IID_IFileSourceFilter)->Load(path.c_str(), nullptr);
  }
  // Connects the pin named pinName to the sink and pauses the graph.
  ComPtr<IMediaSeeking> Connect(const wchar_t* pinName) {
    ComPtr<IPin> out;
    EXPECT_EQ(S_OK, source->FindPin(pinName, out.Receive()));
    EXPECT_EQ(S_OK, graph->AddFilter(source.Get(), L"source"));
    EXPECT_EQ(S_OK, graph->AddFilter(sink.Get(), L"sink"));
    EXPECT_EQ(S_OK, graph->ConnectDirect(out.Get(), PinOf(sink.Get(), PINDIR_INPUT).Get(), nullptr));
    EXPECT_TRUE(SUCCEEDED(graph.As<IMediaControl>(IID_IMediaControl)->Pause()));
    return out.As<IMediaSeeking>(IID_IMediaSeeking);
  }

  TempFolder folder;
};

TEST_F(MediaSourceFilterTest, LoadAndGetCurFileAnswerThePublishedResults) {
  ASSERT_TRUE(WriteWholeFile(folder.File(L"noise.avi"), std::string(300, 'x')));
  for (auto [name, expected] : {std::pair{L"missing.avi", HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)},
                                {L"noise.avi", VFW_E_INVALID_FILE_FORMAT}, {L"clip.avi", S_OK}}) {
    EXPECT_EQ(expected, Load(folder.File(name)));
    ComPtr<IFileSourceFilter> file = source.As<IFileSourceFilter>(IID_IFileSourceFilter);
    LPOLESTR path = reinterpret_cast<LPOLESTR>(1);
    AM_MEDIA_TYPE type;
    memset(&type, 0xcc, sizeof type);
    EXPECT_EQ(expected == S_OK ? S_OK : E_FAIL, file->GetCurFile(&path, &type));
    EXPECT_EQ(expected == S_OK ? folder.File(name) : L"", path ? path : L"");
    EXPECT_TRUE(type.majortype == (expected == S_OK ? MEDIATYPE_Stream : GUID_NULL));
    CoTaskMemFree(path);
    MediaType::Free(&type);
    EXPECT_EQ(expected == S_OK ? 2u : 0u, PinsOf(source.Get()).size());
    ExpectConformingFilter(source.Get(), CLSID_EngineMediaSource);
  }
  ComPtr<IFileSourceFilter> file = source.As<IFileSourceFilter>(IID_IFileSourceFilter);
  EXPECT_EQ(E_POINTER, file->Load(nullptr, nullptr));
  EXPECT_EQ(E_UNEXPECTED, file->Load(folder.File(L"tone.wav").c_str(), nullptr));
  EXPECT_EQ(E_POINTER, file->GetCurFile(nullptr, nullptr));
  ComPtr<IPin> audio;
  EXPECT_EQ(S_OK, source->FindPin(L"Audio 0", audio.Receive()));
  EXPECT_EQ(audio.Get(), PinsOf(source.Get())[0].Get());
}

struct Playback {
  const wchar_t* file;
  const wchar_t* pin;
  REFERENCE_TIME start, stop;  // stop -1: the stream's end
  std::function<std::vector<Sample>()> expected;
};

TEST_F(MediaSourceFilterTest, DeliversEveryFrameAndSampleWithExactTimesFromASeekToTheStop) {
  const Playback plays[] = {
      {L"clip.avi", L"Video 1", 0, -1, [] { return AviSamples(0, 10, 0); }},
      {L"clip.avi", L"Video 1", 1000000, 3000000, [] { return AviSamples(2, 8, 1000000); }},
      {L"tone.wav", L"Audio 0", 0, -1, [] { return WavSamples(0, {2205, 4410, 5000}, 0); }},
      // 0.1234 s is within frame 2720; blocks start on 20 ms (441 frame) bounds.
      {L"tone.wav", L"Audio 0", 1234000, 2000000, [] { return WavSamples(2646, {4410}, 1234000); }},
      {L"still.bmp", L"Video 0", 0, -1, StillSamples},
  };
  for (const Playback& play : plays) {
    SCOPED_TRACE(testing::Message() << std::string(play.file, play.file + wcslen(play.file)) << " " << play.start);
    TearDown();
    SetUp();
    ASSERT_EQ(S_OK, Load(folder.File(play.file)));
    ComPtr<IMediaSeeking> seeking = Connect(play.pin);
    LONGLONG start = play.start, stop = play.stop;
    ASSERT_EQ(S_OK, seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, &stop,
                                          stop < 0 ? AM_SEEKING_NoPositioning : AM_SEEKING_AbsolutePositioning));
    EXPECT_EQ(EC_COMPLETE, RunToEnd(graph.Get()));
    EXPECT_EQ(play.expected(), Sink()->samples);
    EXPECT_EQ(play.start, Sink()->segments.back());
  }
}

TEST_F(MediaSourceFilterTest, ASeekWhileRunningRestartsDeliveryThere) {
  ASSERT_EQ(S_OK, Load(folder.File(L"clip.avi")));
  Sink()->holdAt = 3;
  ComPtr<IMediaSeeking> seeking = Connect(L"Video 1");
  ASSERT_TRUE(SUCCEEDED(graph.As<IMediaControl>(IID_IMediaControl)->Run()));
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(Sink()->held, 10000));
  Sink()->holdAt = 0;
  LONGLONG start = 6 * kAviFrame;
  ASSERT_EQ(S_OK, seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning));
  EXPECT_EQ(EC_COMPLETE, RunToEnd(graph.Get()));
  EXPECT_EQ(AviSamples(6, 10, 6 * kAviFrame), Sink()->samples);
  EXPECT_EQ(1, Sink()->flushes);
  EXPECT_EQ(E_NOTIMPL, seeking->SetRate(2.0));
}

}  // namespace
