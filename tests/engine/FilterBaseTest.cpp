// The filter base through small filters of the test's own, run in the
// platform's filter graph: negotiation, allocators, streaming, seeking,
// flushing, end of stream, and the published codes of each state.
#include <evcode.h>

#include <vector>

#include "EngineTestSupport.h"
#include "FilterConformance.h"
#include "GraphTesting.h"
#include "SourcePin.h"
#include "SourceSeeking.h"
#include "TestStreamFilters.h"
#include "TransformFilter.h"

namespace {

const CLSID kTickClsid = {0x1c0a2b01, 0x7e55, 0x4d0b, {0x9a, 0x11, 0x52, 0x4e, 0x0f, 0x61, 0x70, 0x01}};
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
      segment_ = *start;
      return S_OK;
    }
    HRESULT FillSample(IMediaSample* sample) override {
      if (next_ >= frames_) return S_FALSE;
      BYTE* data = nullptr;
      sample->GetPointer(&data);
      memcpy(data, &next_, 4);
      sample->SetActualDataLength(4);
      REFERENCE_TIME start = next_ * kPeriod - segment_, stop = start + kPeriod;
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
    REFERENCE_TIME segment_ = 0;
  };

  Pin pin_;
};

// Ticks in, ticks out with their bytes inverted and their subtype changed.
// Frame refuseAt gets refusal from Transform.
class Invert final : public TransformFilter {
 public:
  explicit Invert(IUnknown* outer, int refuseAt = -1, HRESULT refusal = S_OK)
      : TransformFilter(outer, kInvertClsid), refuseAt_(refuseAt), refusal_(refusal) {}

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
    if (*reinterpret_cast<int*>(from) == refuseAt_) return refusal_;
    for (int i = 0; i < 4; ++i) to[i] = BYTE(~from[i]);
    return out->SetActualDataLength(4);
  }

 private:
  int refuseAt_;
  HRESULT refusal_;
};


class FilterBaseTest : public GraphTest {
 protected:
  void SetUp() override {
    GraphTest::SetUp();
    source = Make<TickSource>(10);
    Sink()->accepted = MEDIATYPE_Stream;
    ASSERT_EQ(S_OK, graph->AddFilter(source.Get(), L"ticks"));
    ASSERT_EQ(S_OK, graph->AddFilter(sink.Get(), L"collector"));
  }
  // The frame numbers the sink has kept.
  std::vector<int> Frames() {
    std::vector<int> frames;
    for (const Sample& sample : Sink()->samples) frames.push_back(*reinterpret_cast<const int*>(sample.bytes.data()));
    return frames;
  }
  long RunToEnd() { return ::RunToEnd(graph.Get()); }
};

TEST_F(FilterBaseTest, EveryFilterConforms) {
  ExpectConformingFilter(source.Get(), kTickClsid);
  ExpectConformingFilter(sink.Get(), CollectingSink::kClsid);
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
  EXPECT_EQ(expected, Frames());
  EXPECT_EQ(9 * kPeriod, Sink()->samples.back().start);

  // A second run starts over.
  graph.As<IMediaControl>(IID_IMediaControl)->Stop();
  Sink()->samples.clear();
  EXPECT_EQ(EC_COMPLETE, RunToEnd());
  EXPECT_EQ(expected, Frames());
}

TEST_F(FilterBaseTest, AnEndReachedWhilePausedCompletesTheRun) {
  ASSERT_EQ(S_OK, graph->ConnectDirect(PinOf(source.Get(), PINDIR_OUTPUT).Get(),
                                       PinOf(sink.Get(), PINDIR_INPUT).Get(), nullptr));
  Sink()->cueing = false;
  ASSERT_TRUE(SUCCEEDED(graph.As<IMediaControl>(IID_IMediaControl)->Pause()));
  // The source pushes while paused; the graph's Run forgets completions sent before it.
  for (DWORD deadline = GetTickCount() + 5000; !Sink()->ended && GetTickCount() < deadline;) Sleep(10);
  ASSERT_TRUE(Sink()->ended);
  EXPECT_EQ(EC_COMPLETE, RunToEnd());
  EXPECT_EQ(10u, Frames().size());
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
  EXPECT_EQ((std::vector<int>{6, 7, 8, 9}), Frames());
  EXPECT_EQ(6 * kPeriod, Sink()->segments.back());
  EXPECT_EQ(0, Sink()->samples.front().start);  // times count from the segment
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

  Sink()->cueing = false;  // so Receive on this thread returns while paused
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
  EXPECT_EQ(2 * kPeriod, stop);  // incremental: from the new start
  EXPECT_EQ(S_FALSE, seeking->SetPositions(nullptr, AM_SEEKING_NoPositioning, nullptr, AM_SEEKING_NoPositioning));
  EXPECT_EQ(S_OK, seeking->GetDuration(&duration));
  EXPECT_EQ(10 * kPeriod, duration);
  DWORD capabilities = AM_SEEKING_CanSeekAbsolute | AM_SEEKING_CanDoSegments;
  EXPECT_EQ(S_FALSE, seeking->CheckCapabilities(&capabilities));
  EXPECT_EQ(DWORD(AM_SEEKING_CanSeekAbsolute), capabilities);
  EXPECT_EQ(S_FALSE, seeking->IsFormatSupported(&TIME_FORMAT_FRAME));
  EXPECT_EQ(E_INVALIDARG, seeking->SetTimeFormat(&TIME_FORMAT_FRAME));
  EXPECT_EQ(E_INVALIDARG, seeking->SetRate(0));
  EXPECT_EQ(E_NOTIMPL, seeking->SetRate(2.0));
  EXPECT_EQ(E_NOTIMPL, seeking->GetCurrentPosition(&at));
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
  ASSERT_EQ(10u, Frames().size());
  EXPECT_EQ(~4, Frames()[4]);
  EXPECT_EQ(4 * kPeriod, Sink()->samples[4].start);
}

TEST_F(FilterBaseTest, ATransformDropsOnSFalseAndAbortsOnFailure) {
  for (HRESULT refusal : {S_FALSE, E_FAIL}) {
    SCOPED_TRACE(refusal);
    ComPtr<IBaseFilter> invert = Make<Invert>(3, refusal);
    ASSERT_EQ(S_OK, graph->AddFilter(invert.Get(), L"invert"));
    ASSERT_EQ(S_OK, graph->ConnectDirect(PinOf(source.Get(), PINDIR_OUTPUT).Get(),
                                         PinOf(invert.Get(), PINDIR_INPUT).Get(), nullptr));
    ASSERT_EQ(S_OK, graph->ConnectDirect(PinOf(invert.Get(), PINDIR_OUTPUT).Get(),
                                         PinOf(sink.Get(), PINDIR_INPUT).Get(), nullptr));
    Sink()->samples.clear();
    EXPECT_EQ(refusal == S_FALSE ? EC_COMPLETE : EC_ERRORABORT, RunToEnd());
    EXPECT_EQ(refusal == S_FALSE ? 9u : 3u, Frames().size());
    graph.As<IMediaControl>(IID_IMediaControl)->Stop();
    graph->RemoveFilter(invert.Get());
  }
}

// A sink whose samples take a while: Stop must not clean up under one.
class SlowSink final : public FilterBase {
 public:
  explicit SlowSink(IUnknown* outer) : FilterBase(outer, kInvertClsid), pin_(this) {}
  ~SlowSink() override { CloseHandle(entered); }
  int PinCount() override { return 1; }
  PinBase* PinAt(int index) override { return index == 0 ? &pin_ : nullptr; }
  HANDLE entered = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  volatile LONG receiving = 0;
  LONG cleanedDuringReceive = -1;

 protected:
  HRESULT OnCleanup() override {
    cleanedDuringReceive = receiving;
    return S_OK;
  }

 private:
  class Pin final : public InputPin {
   public:
    explicit Pin(SlowSink* sink) : InputPin(sink, L"In"), sink_(sink) {}
    HRESULT Accepts(const AM_MEDIA_TYPE&) override { return S_OK; }

   protected:
    HRESULT OnReceive(IMediaSample*) override {
      InterlockedExchange(&sink_->receiving, 1);
      SetEvent(sink_->entered);
      Sleep(200);
      InterlockedExchange(&sink_->receiving, 0);
      return S_OK;
    }

   private:
    SlowSink* sink_;
  };
  Pin pin_;
};

TEST_F(FilterBaseTest, StopWaitsForASampleInsideTheFilter) {
  ComPtr<IBaseFilter> slow = Make<SlowSink>();
  ASSERT_EQ(S_OK, graph->AddFilter(slow.Get(), L"slow"));
  ComPtr<IPin> in = PinOf(slow.Get(), PINDIR_INPUT);
  ASSERT_EQ(S_OK, graph->ConnectDirect(PinOf(source.Get(), PINDIR_OUTPUT).Get(), in.Get(), nullptr));
  ASSERT_EQ(S_OK, slow->Pause());
  ASSERT_EQ(S_OK, source->Pause());
  SlowSink* filter = static_cast<SlowSink*>(slow.Get());
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(filter->entered, 5000));
  ASSERT_EQ(S_OK, slow->Stop());
  EXPECT_EQ(0, filter->cleanedDuringReceive);
  ASSERT_EQ(S_OK, source->Stop());
}

}  // namespace
