// The engine's file source played through the platform's filter graph into
// a collecting sink: every frame and sample with its bytes and times, seeks
// paused and running, stop positions, and the published IFileSourceFilter
// results.
#include <evcode.h>
#include <vfwmsgs.h>

#include <functional>
#include <vector>

#include "EngineFilters.h"
#include "EngineTestSupport.h"
#include "GraphTesting.h"
#include "InputPin.h"
#include "MediaSourceFilter.h"
#include "TempFolder.h"
#include "TestMedia.h"

namespace {

const CLSID kSinkClsid = {0x1c0a2b01, 0x7e55, 0x4d0b, {0x9a, 0x11, 0x52, 0x4e, 0x0f, 0x61, 0x70, 0x11}};

struct Sample {
  REFERENCE_TIME start, stop;
  std::string bytes;
  bool operator==(const Sample& other) const {
    return start == other.start && stop == other.stop && bytes == other.bytes;
  }
};

void PrintTo(const Sample& sample, std::ostream* out) {
  *out << "[" << sample.start << ", " << sample.stop << ") " << sample.bytes.size() << " bytes";
}

// Takes any type and keeps every sample; holds the stream at sample holdAt
// (as a paused renderer would) until a flush or stop lets it go.
class Sink final : public FilterBase {
 public:
  explicit Sink(IUnknown* outer) : FilterBase(outer, kSinkClsid), pin_(this) {
    held = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    release_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  }
  ~Sink() override {
    CloseHandle(held);
    CloseHandle(release_);
  }
  int PinCount() override { return 1; }
  PinBase* PinAt(int index) override { return index == 0 ? &pin_ : nullptr; }

  std::vector<Sample> samples;
  std::vector<REFERENCE_TIME> segments;
  int flushes = 0;
  size_t holdAt = 0;  // 0: never
  HANDLE held;

 protected:
  HRESULT OnInitStream() override {
    pin_.Active();
    return S_OK;
  }
  HRESULT OnCleanup() override { return SetEvent(release_) ? S_OK : E_FAIL; }
  ULONG MiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

 private:
  class Pin final : public InputPin {
   public:
    explicit Pin(Sink* sink) : InputPin(sink, L"In"), sink_(sink) {}
    HRESULT Accepts(const AM_MEDIA_TYPE&) override { return S_OK; }

   protected:
    HRESULT OnReceive(IMediaSample* sample) override {
      BYTE* data = nullptr;
      sample->GetPointer(&data);
      Sample kept = {};
      sample->GetTime(&kept.start, &kept.stop);
      kept.bytes.assign(reinterpret_cast<char*>(data), sample->GetActualDataLength());
      sink_->samples.push_back(kept);
      if (sink_->samples.size() == sink_->holdAt) {
        SetEvent(sink_->held);
        WaitForSingleObject(sink_->release_, INFINITE);
      }
      return S_OK;
    }
    HRESULT OnEndOfStream() override {
      return sink_->NotifyEvent(EC_COMPLETE, S_OK, reinterpret_cast<LONG_PTR>(static_cast<IBaseFilter*>(sink_)));
    }
    HRESULT OnBeginFlush() override {
      ++sink_->flushes;
      return SetEvent(sink_->release_) ? S_OK : E_FAIL;
    }
    HRESULT OnEndFlush() override {
      sink_->samples.clear();
      return ResetEvent(sink_->release_) ? S_OK : E_FAIL;
    }
    HRESULT OnNewSegment(REFERENCE_TIME start, REFERENCE_TIME, double) override {
      sink_->segments.push_back(start);
      return S_OK;
    }

   private:
    Sink* sink_;  // the filter this pin lives in
  };

  Pin pin_;
  HANDLE release_;
};

const REFERENCE_TIME kAviFrame = 400000;  // 25 fps
const DWORD kWavRate = 22050;
const int kWavFrames = 5000;

// IndexedAvi(24, false)'s frame f as the source sends it: RGB32, bottom row first.
std::string AviFrame(int f) {
  std::string pixels;
  for (int y = 2; y >= 0; --y)
    for (int x = 0; x < 5; ++x) pixels += std::string{char(10 * f), char(y), char(x), char(255)};
  return pixels;
}

std::vector<int> WavValues() {
  std::vector<int> values;
  for (int i = 0; i < kWavFrames; ++i) values.push_back(i * 7 - 17500);
  return values;
}

std::vector<Sample> AviSamples(int from, int to, REFERENCE_TIME segment) {
  std::vector<Sample> samples;
  for (int f = from; f < to; ++f)
    samples.push_back({f * kAviFrame - segment, (f + 1) * kAviFrame - segment, AviFrame(f)});
  return samples;
}

// Sample frames first..last in blocks ending at the given frames.
std::vector<Sample> WavSamples(int first, const std::vector<int>& ends, REFERENCE_TIME segment) {
  std::vector<int> values = WavValues();
  std::vector<Sample> samples;
  auto time = [](int frame) { return (REFERENCE_TIME(frame) * kUnitsPerSecond + kWavRate / 2) / kWavRate; };
  for (int end : ends) {
    std::string bytes;
    for (int i = first; i < end; ++i) bytes += Bytes(INT16(values[i]));
    samples.push_back({time(first) - segment, time(end) - segment, bytes});
    first = end;
  }
  return samples;
}

// A 4x2 still, red over blue, at 30 fps for its 5 s.
std::vector<Sample> StillSamples() {
  std::string blue = std::string("\xff\0\0\xff", 4), red = std::string("\0\0\xff\xff", 4);
  std::string picture;
  for (int i = 0; i < 4; ++i) picture += blue;
  for (int i = 0; i < 4; ++i) picture += red;
  std::vector<Sample> samples;
  for (int n = 0; n < 150; ++n) samples.push_back({(n * kUnitsPerSecond + 15) / 30, ((n + 1) * kUnitsPerSecond + 15) / 30, picture});
  return samples;
}

class MediaSourceFilterTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                     graph.ReceiveVoid()));
    ASSERT_EQ(S_OK, CreateComObject<Sink>(nullptr, IID_IBaseFilter, sink.ReceiveVoid()));
    ASSERT_TRUE(WriteWholeFile(folder.File(L"clip.avi"), IndexedAvi(24, false)));
    ASSERT_TRUE(WriteWholeFile(folder.File(L"tone.wav"), PcmWav(16, 1, kWavRate, WavValues())));
    EncodeImage(folder.File(L"still.bmp"), GUID_ContainerFormatBmp, 4, 2);
  }
  void TearDown() override {
    if (graph) graph.As<IMediaControl>(IID_IMediaControl)->Stop();
    graph.Reset();
    source.Reset();
    sink.Reset();
    EngineTest::TearDown();
  }

  HRESULT Load(const std::wstring& path) {
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_EngineMediaSource, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                     source.ReceiveVoid()));
    return source.As<IFileSourceFilter>(IID_IFileSourceFilter)->Load(path.c_str(), nullptr);
  }
  // Connects the pin named pinName to the sink in a paused graph.
  ComPtr<IMediaSeeking> Connect(const wchar_t* pinName) {
    ComPtr<IPin> out;
    EXPECT_EQ(S_OK, source->FindPin(pinName, out.Receive()));
    EXPECT_EQ(S_OK, graph->AddFilter(source.Get(), L"source"));
    EXPECT_EQ(S_OK, graph->AddFilter(sink.Get(), L"sink"));
    EXPECT_EQ(S_OK, graph->ConnectDirect(out.Get(), PinOf(sink.Get(), PINDIR_INPUT).Get(), nullptr));
    EXPECT_TRUE(SUCCEEDED(graph.As<IMediaControl>(IID_IMediaControl)->Pause()));
    return out.As<IMediaSeeking>(IID_IMediaSeeking);
  }
  Sink* Collected() { return static_cast<Sink*>(sink.Get()); }

  TempFolder folder;
  ComPtr<IGraphBuilder> graph;
  ComPtr<IBaseFilter> source, sink;
};

TEST_F(MediaSourceFilterTest, LoadAndGetCurFileAnswerThePublishedResults) {
  ASSERT_TRUE(WriteWholeFile(folder.File(L"noise.avi"), std::string(300, 'x')));
  const std::pair<std::wstring, HRESULT> loads[] = {
      {folder.File(L"missing.avi"), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND)},
      {folder.File(L"noise.avi"), VFW_E_INVALID_FILE_FORMAT},
      {L"", E_INVALIDARG},
  };
  for (const auto& [path, expected] : loads) {
    SCOPED_TRACE(testing::Message() << std::string(path.begin(), path.end()));
    EXPECT_EQ(expected, Load(path));
    ComPtr<IFileSourceFilter> file = source.As<IFileSourceFilter>(IID_IFileSourceFilter);
    LPOLESTR name = reinterpret_cast<LPOLESTR>(1);
    AM_MEDIA_TYPE type;
    memset(&type, 0xcc, sizeof type);
    EXPECT_EQ(E_FAIL, file->GetCurFile(&name, &type));
    EXPECT_EQ(nullptr, name);
    EXPECT_EQ(nullptr, type.pbFormat);
    EXPECT_EQ(E_POINTER, file->GetCurFile(nullptr, nullptr));
    EXPECT_TRUE(PinsOf(source.Get()).empty());
    ExpectConformingFilter(source.Get(), CLSID_EngineMediaSource);
  }

  ASSERT_EQ(S_OK, Load(folder.File(L"clip.avi")));
  ComPtr<IFileSourceFilter> file = source.As<IFileSourceFilter>(IID_IFileSourceFilter);
  EXPECT_EQ(E_POINTER, file->Load(nullptr, nullptr));
  EXPECT_EQ(E_UNEXPECTED, file->Load(folder.File(L"tone.wav").c_str(), nullptr));
  LPOLESTR name = nullptr;
  AM_MEDIA_TYPE type;
  ASSERT_EQ(S_OK, file->GetCurFile(&name, &type));
  EXPECT_EQ(folder.File(L"clip.avi"), name);
  EXPECT_TRUE(type.majortype == MEDIATYPE_Stream);
  CoTaskMemFree(name);
  MediaType::Free(&type);
  std::vector<ComPtr<IPin>> pins = PinsOf(source.Get());
  ASSERT_EQ(2u, pins.size());
  ComPtr<IPin> found;
  EXPECT_EQ(S_OK, source->FindPin(L"Audio 0", found.Receive()));
  EXPECT_EQ(pins[0].Get(), found.Get());
  ExpectConformingFilter(source.Get(), CLSID_EngineMediaSource);
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
    EXPECT_EQ(play.expected(), Collected()->samples);
    EXPECT_EQ(play.start, Collected()->segments.back());
  }
}

TEST_F(MediaSourceFilterTest, ASeekWhileRunningRestartsDeliveryThere) {
  ASSERT_EQ(S_OK, Load(folder.File(L"clip.avi")));
  Collected()->holdAt = 3;
  ComPtr<IMediaSeeking> seeking = Connect(L"Video 1");
  ASSERT_TRUE(SUCCEEDED(graph.As<IMediaControl>(IID_IMediaControl)->Run()));
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(Collected()->held, 10000));
  Collected()->holdAt = 0;
  LONGLONG start = 6 * kAviFrame;
  ASSERT_EQ(S_OK, seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning));
  EXPECT_EQ(EC_COMPLETE, RunToEnd(graph.Get()));
  EXPECT_EQ(AviSamples(6, 10, 6 * kAviFrame), Collected()->samples);
  EXPECT_EQ(1, Collected()->flushes);
  EXPECT_EQ(E_NOTIMPL, seeking->SetRate(2.0));
}

}  // namespace
