// The filter base through small filters of the test's own, run in the
// platform's filter graph: negotiation, allocators, streaming, seeking,
// flushing, end of stream, and the published codes of each state.
#include <evcode.h>

#include <vector>

#include "EngineTestSupport.h"
#include "FilterConformance.h"
#include "InputPin.h"
#include "SourcePin.h"
#include "SourceSeeking.h"
#include "TestStreamFilters.h"
#include "TransformFilter.h"

namespace {

const CLSID kTickClsid = {0x1c0a2b01, 0x7e55, 0x4d0b, {0x9a, 0x11, 0x52, 0x4e, 0x0f, 0x61, 0x70, 0x01}};
const CLSID kCollectorClsid = {0x1c0a2b01, 0x7e55, 0x4d0b, {0x9a, 0x11, 0x52, 0x4e, 0x0f, 0x61, 0x70, 0x02}};
const CLSID kInvertClsid = {0x1c0a2b01, 0x7e55, 0x4d0b, {0x9a, 0x11, 0x52, 0x4e, 0x0f, 0x61, 0x70, 0x03}};
const REFERENCE_TIME kPeriod = 1000000;  // 10 frames a second

// 4-byte "frames" of a private subtype: the frame number, little-endian.
MediaType TickType(const GUID& subtype) {
  MediaType type;
  DWORD format = 0;
  type.Set(MEDIATYPE_Stream, subtype, FORMAT_None, &format, 0);
  type.Edit().lSampleSize = 4;
  type.Edit().bFixedSizeSamples = TRUE;
  return type;
}
const GUID kTicks = {0x7469636b, 0, 0x10, {0x80, 0, 0, 0xaa, 0, 0x38, 0x9b, 0x71}};
const GUID kInverted = {0x7469636c, 0, 0x10, {0x80, 0, 0, 0xaa, 0, 0x38, 0x9b, 0x71}};

class TickSource final : public FilterBase {
 public:
  TickSource(IUnknown* outer, int frames) : FilterBase(outer, kTickClsid), pin_(this, frames) {}
  int PinCount() override { return 1; }
  PinBase* PinAt(int index) override { return index == 0 ? &pin_ : nullptr; }

 protected:
  HRESULT OnInitStream() override { return pin_.StartStreaming(); }
  HRESULT OnCleanup() override { return pin_.StopStreaming(); }

 private:
  class Pin final : public SourcePin {
   public:
    Pin(TickSource* filter, int frames) : SourcePin(filter, L"Ticks"), seeking_(this, this), frames_(frames) {
      seeking_.SetDuration(frames * kPeriod);
    }
    HRESULT Accepts(const AM_MEDIA_TYPE& type) override { return type.subtype == kTicks ? S_OK : S_FALSE; }
    HRESULT TypeAt(int index, MediaType* type) override {
      if (index > 0) return VFW_S_NO_MORE_ITEMS;
      *type = TickType(kTicks);
      return S_OK;
    }

   protected:
    HRESULT QueryOwn(REFIID iid, void** out) override {
      if (iid == IID_IMediaSeeking) return HandOut<IMediaSeeking>(&seeking_, out);
      return SourcePin::QueryOwn(iid, out);
    }
    HRESULT BufferSize(ALLOCATOR_PROPERTIES* request) override {
      request->cBuffers = 2;
      request->cbBuffer = 4;
      return S_OK;
    }
    HRESULT OnThreadStart(REFERENCE_TIME* start, REFERENCE_TIME* stop, double* rate) override {
      seeking_.Positions(start, stop, rate);
      next_ = int((*start + kPeriod - 1) / kPeriod);
      return S_OK;
    }
    HRESULT FillSample(IMediaSample* sample) override {
      if (next_ >= frames_) return S_FALSE;
      BYTE* data = nullptr;
      sample->GetPointer(&data);
      memcpy(data, &next_, 4);
      sample->SetActualDataLength(4);
      REFERENCE_TIME start = next_ * kPeriod, stop = start + kPeriod;
      sample->SetTime(&start, &stop);
      sample->SetSyncPoint(TRUE);
      ++next_;
      return S_OK;
    }

   private:
    class Seeking final : public SourceSeeking {
     public:
      Seeking(IUnknown* owner, Pin* pin) : SourceSeeking(owner), pin_(pin) {}

     protected:
      void OnPositions(bool startChanged, bool) override {
        if (startChanged) pin_->Restart();
      }

     private:
      Pin* pin_;
    };

    Seeking seeking_;
    int frames_;
    int next_ = 0;
  };

  Pin pin_;
};

// Takes any ticks; keeps the frame numbers and segments; a renderer.
class Collector final : public FilterBase {
 public:
  explicit Collector(IUnknown* outer) : FilterBase(outer, kCollectorClsid), pin_(this) {}
  int PinCount() override { return 1; }
  PinBase* PinAt(int index) override { return index == 0 ? &pin_ : nullptr; }

  std::vector<int> frames;
  std::vector<REFERENCE_TIME> starts;
  std::vector<REFERENCE_TIME> segments;
  int flushes = 0;
  volatile bool ended = false;

 protected:
  HRESULT OnInitStream() override {
    pin_.Active();
    return S_OK;
  }
  ULONG MiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

 private:
  class Pin final : public InputPin {
   public:
    explicit Pin(Collector* filter) : InputPin(filter, L"In"), owner_(filter) {}
    HRESULT Accepts(const AM_MEDIA_TYPE& type) override {
      return type.majortype == MEDIATYPE_Stream ? S_OK : S_FALSE;
    }

   protected:
    HRESULT OnReceive(IMediaSample* sample) override {
      BYTE* data = nullptr;
      sample->GetPointer(&data);
      int frame;
      memcpy(&frame, data, 4);
      REFERENCE_TIME start = 0, stop = 0;
      sample->GetTime(&start, &stop);
      owner_->frames.push_back(frame);
      owner_->starts.push_back(start);
      return S_OK;
    }
    HRESULT OnEndOfStream() override {
      owner_->ended = true;
      owner_->NotifyComplete();
      return S_OK;
    }
    HRESULT OnBeginFlush() override {
      ++owner_->flushes;
      return S_OK;
    }
    HRESULT OnEndFlush() override {
      owner_->frames.clear();
      owner_->starts.clear();
      return S_OK;
    }
    HRESULT OnNewSegment(REFERENCE_TIME start, REFERENCE_TIME, double) override {
      owner_->segments.push_back(start);
      return S_OK;
    }

   private:
    Collector* owner_;
  };

  Pin pin_;
};

// Ticks in, ticks out with their bytes inverted and their subtype changed.
class Invert final : public TransformFilter {
 public:
  explicit Invert(IUnknown* outer) : TransformFilter(outer, kInvertClsid) {}

 protected:
  HRESULT AcceptInput(const AM_MEDIA_TYPE& type) override { return type.subtype == kTicks ? S_OK : S_FALSE; }
  HRESULT OutputTypeAt(int index, MediaType* type) override {
    if (index > 0) return VFW_S_NO_MORE_ITEMS;
    *type = TickType(kInverted);
    return S_OK;
  }
  HRESULT Transform(IMediaSample* in, IMediaSample* out) override {
    BYTE *from = nullptr, *to = nullptr;
    in->GetPointer(&from);
    out->GetPointer(&to);
    for (int i = 0; i < 4; ++i) to[i] = BYTE(~from[i]);
    return out->SetActualDataLength(4);
  }
};

class FilterBaseTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                     graph.ReceiveVoid()));
    source = Make<TickSource>(10);
    sink = Make<Collector>();
    ASSERT_EQ(S_OK, graph->AddFilter(source.Get(), L"ticks"));
    ASSERT_EQ(S_OK, graph->AddFilter(sink.Get(), L"collector"));
  }
  void TearDown() override {
    if (graph) graph.As<IMediaControl>(IID_IMediaControl)->Stop();
    graph.Reset();
    source.Reset();
    sink.Reset();
    EngineTest::TearDown();
  }
  Collector* Sink() { return static_cast<Collector*>(sink.Get()); }
  long RunToEnd() { return ::RunToEnd(graph.Get()); }

  ComPtr<IGraphBuilder> graph;
  ComPtr<IBaseFilter> source, sink;
};

TEST_F(FilterBaseTest, EveryFilterConforms) {
  ExpectConformingFilter(source.Get(), kTickClsid);
  ExpectConformingFilter(sink.Get(), kCollectorClsid);
  ComPtr<IBaseFilter> invert = Make<Invert>();
  ExpectConformingFilter(invert.Get(), kInvertClsid);
}

TEST_F(FilterBaseTest, StreamsEveryFrameInOrderAndCompletes) {
  ComPtr<IPin> out = PinOf(source.Get(), PINDIR_OUTPUT), in = PinOf(sink.Get(), PINDIR_INPUT);
  ASSERT_EQ(S_OK, graph->ConnectDirect(out.Get(), in.Get(), nullptr));
  AM_MEDIA_TYPE type;
  ASSERT_EQ(S_OK, in->ConnectionMediaType(&type));
  EXPECT_TRUE(type.subtype == kTicks);
  MediaType::Free(&type);
  EXPECT_EQ(EC_COMPLETE, RunToEnd());
  std::vector<int> expected = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  EXPECT_EQ(expected, Sink()->frames);
  ASSERT_EQ(10u, Sink()->starts.size());
  EXPECT_EQ(9 * kPeriod, Sink()->starts.back());

  // A second run starts over.
  graph.As<IMediaControl>(IID_IMediaControl)->Stop();
  Sink()->frames.clear();
  EXPECT_EQ(EC_COMPLETE, RunToEnd());
  EXPECT_EQ(expected, Sink()->frames);
}

TEST_F(FilterBaseTest, AnEndReachedWhilePausedCompletesTheRun) {
  ASSERT_EQ(S_OK, graph->ConnectDirect(PinOf(source.Get(), PINDIR_OUTPUT).Get(),
                                       PinOf(sink.Get(), PINDIR_INPUT).Get(), nullptr));
  ASSERT_TRUE(SUCCEEDED(graph.As<IMediaControl>(IID_IMediaControl)->Pause()));
  // The source pushes while paused; the graph's Run forgets completions sent before it.
  for (DWORD deadline = GetTickCount() + 5000; !Sink()->ended && GetTickCount() < deadline;) Sleep(10);
  ASSERT_TRUE(Sink()->ended);
  EXPECT_EQ(EC_COMPLETE, RunToEnd());
  EXPECT_EQ(10u, Sink()->frames.size());
}

TEST_F(FilterBaseTest, ASeekFlushesAndRestartsFromTheNewPosition) {
  ASSERT_EQ(S_OK, graph->ConnectDirect(PinOf(source.Get(), PINDIR_OUTPUT).Get(),
                                       PinOf(sink.Get(), PINDIR_INPUT).Get(), nullptr));
  ComPtr<IMediaSeeking> seeking = PinOf(source.Get(), PINDIR_OUTPUT).As<IMediaSeeking>(IID_IMediaSeeking);
  ASSERT_TRUE(seeking);
  ASSERT_TRUE(SUCCEEDED(graph.As<IMediaControl>(IID_IMediaControl)->Pause()));
  LONGLONG start = 6 * kPeriod;
  ASSERT_EQ(S_OK, seeking->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning));
  EXPECT_EQ(1, Sink()->flushes);
  EXPECT_EQ(EC_COMPLETE, RunToEnd());
  EXPECT_EQ((std::vector<int>{6, 7, 8, 9}), Sink()->frames);
  EXPECT_EQ(6 * kPeriod, Sink()->segments.back());
}

TEST_F(FilterBaseTest, ConnectionsFollowThePublishedRules) {
  ComPtr<IPin> out = PinOf(source.Get(), PINDIR_OUTPUT), in = PinOf(sink.Get(), PINDIR_INPUT);
  MediaType wrong = TickType(kTicks);
  wrong.Edit().majortype = MEDIATYPE_Video;
  wrong.Edit().formattype = FORMAT_VideoInfo;
  EXPECT_EQ(VFW_E_TYPE_NOT_ACCEPTED, out->Connect(in.Get(), &wrong.Get()));
  EXPECT_EQ(E_UNEXPECTED, in->Connect(out.Get(), nullptr));
  EXPECT_EQ(VFW_E_INVALID_DIRECTION, out->Connect(out.Get(), nullptr));
  ASSERT_EQ(S_OK, out->Connect(in.Get(), nullptr));
  EXPECT_EQ(VFW_E_ALREADY_CONNECTED, out->Connect(in.Get(), nullptr));
  EXPECT_EQ(VFW_E_ALREADY_CONNECTED, in->ReceiveConnection(out.Get(), &TickType(kTicks).Get()));
  ComPtr<IMemInputPin> memory = in.As<IMemInputPin>(IID_IMemInputPin);
  ComPtr<IMediaSample> sample;
  ComPtr<IMemAllocator> allocator;
  ASSERT_EQ(S_OK, memory->GetAllocator(allocator.Receive()));
  ALLOCATOR_PROPERTIES wanted = {1, 4, 1, 0}, actual;
  ASSERT_EQ(S_OK, allocator->SetProperties(&wanted, &actual));
  ASSERT_EQ(S_OK, allocator->Commit());
  ASSERT_EQ(S_OK, allocator->GetBuffer(sample.Receive(), nullptr, nullptr, 0));
  EXPECT_EQ(VFW_E_WRONG_STATE, memory->Receive(sample.Get()));

  ASSERT_EQ(S_OK, sink->Pause());
  EXPECT_EQ(VFW_E_NOT_STOPPED, in->Disconnect());
  EXPECT_EQ(S_OK, memory->Receive(sample.Get()));
  EXPECT_EQ(S_OK, in->EndOfStream());
  EXPECT_EQ(VFW_E_SAMPLE_REJECTED_EOS, memory->Receive(sample.Get()));
  EXPECT_EQ(S_OK, in->BeginFlush());
  EXPECT_EQ(S_FALSE, memory->Receive(sample.Get()));
  EXPECT_EQ(S_OK, in->EndFlush());
  EXPECT_EQ(S_OK, memory->Receive(sample.Get()));
  ASSERT_EQ(S_OK, sink->Stop());
  sample.Reset();
  allocator->Decommit();
  EXPECT_EQ(S_OK, in->Disconnect());
  EXPECT_EQ(S_OK, out->Disconnect());
  EXPECT_EQ(S_FALSE, out->Disconnect());
}

TEST_F(FilterBaseTest, SeekingAnswersThePublishedResults) {
  ComPtr<IMediaSeeking> seeking = PinOf(source.Get(), PINDIR_OUTPUT).As<IMediaSeeking>(IID_IMediaSeeking);
  LONGLONG at = 0, stop = 0, duration = 0;
  EXPECT_EQ(E_POINTER, seeking->SetPositions(nullptr, AM_SEEKING_AbsolutePositioning, nullptr, 0));
  EXPECT_EQ(E_INVALIDARG, seeking->SetPositions(&at, AM_SEEKING_IncrementalPositioning, nullptr, 0));
  at = 3 * kPeriod;
  stop = -kPeriod;
  EXPECT_EQ(S_OK, seeking->SetPositions(&at, AM_SEEKING_AbsolutePositioning | AM_SEEKING_ReturnTime, &stop,
                                        AM_SEEKING_IncrementalPositioning | AM_SEEKING_ReturnTime));
  EXPECT_EQ(3 * kPeriod, at);
  EXPECT_EQ(9 * kPeriod, stop);
  EXPECT_EQ(S_OK, seeking->GetDuration(&duration));
  EXPECT_EQ(10 * kPeriod, duration);
  DWORD capabilities = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanDoSegments;
  EXPECT_EQ(S_FALSE, seeking->CheckCapabilities(&capabilities));
  EXPECT_EQ(DWORD(AM_SEEKING_CanSeekAbsolute), capabilities);
  EXPECT_EQ(S_FALSE, seeking->IsFormatSupported(&TIME_FORMAT_FRAME));
  EXPECT_EQ(E_INVALIDARG, seeking->SetTimeFormat(&TIME_FORMAT_FRAME));
  EXPECT_EQ(E_INVALIDARG, seeking->SetRate(0));
  EXPECT_EQ(E_INVALIDARG, seeking->ConvertTimeFormat(&at, &TIME_FORMAT_FRAME, 0, nullptr));
}

TEST_F(FilterBaseTest, ATransformConnectsAfterItsInputAndKeepsTimes) {
  ComPtr<IBaseFilter> invert = Make<Invert>();
  ASSERT_EQ(S_OK, graph->AddFilter(invert.Get(), L"invert"));
  ComPtr<IPin> in = PinOf(invert.Get(), PINDIR_INPUT), out = PinOf(invert.Get(), PINDIR_OUTPUT);
  EXPECT_EQ(VFW_E_NO_ACCEPTABLE_TYPES, out->Connect(PinOf(sink.Get(), PINDIR_INPUT).Get(), nullptr));
  ASSERT_EQ(S_OK, graph->ConnectDirect(PinOf(source.Get(), PINDIR_OUTPUT).Get(), in.Get(), nullptr));
  ASSERT_EQ(S_OK, graph->ConnectDirect(out.Get(), PinOf(sink.Get(), PINDIR_INPUT).Get(), nullptr));
  EXPECT_EQ(EC_COMPLETE, RunToEnd());
  ASSERT_EQ(10u, Sink()->frames.size());
  EXPECT_EQ(~4, Sink()->frames[4]);
  EXPECT_EQ(4 * kPeriod, Sink()->starts[4]);
}

}  // namespace
