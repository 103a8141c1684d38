// The filter base through small filters of the test's own, run in the
// platform's filter graph: negotiation, allocators, streaming, seeking,
// flushing, end of stream, and the published codes of each state.
#include <evcode.h>

#include <vector>

#include "EngineTestSupport.h"
#include "FilterConformance.h"
#include "GraphTesting.h"
#include "TransformFilter.h"

namespace {

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

ComPtr<IBaseFilter> Ticks(int frames) {
  std::vector<Sample> ticks;
  for (int f = 0; f < frames; ++f) ticks.push_back({std::string(reinterpret_cast<char*>(&f), 4), f * kPeriod, (f + 1) * kPeriod});
  return Make<TestSource>(&TickType(kTicks).Get(), ticks);
}

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
    source = Ticks(10);
    Sink()->accepted = MEDIATYPE_Stream;
  }
  // The frame numbers the sink has kept.
  std::vector<int> Frames() {
    std::vector<int> frames;
    for (const Sample& sample : Collected()) frames.push_back(*reinterpret_cast<const int*>(sample.bytes.data()));
    return frames;
  }
};

TEST_F(FilterBaseTest, StreamsEveryFrameInOrderAndCompletesAlsoWhenTheEndCameWhilePaused) {
  ASSERT_EQ(S_OK, Join(graph.Get(), source.Get(), sink.Get()));
  AM_MEDIA_TYPE type;
  ASSERT_EQ(S_OK, PinOf(sink.Get(), PINDIR_INPUT)->ConnectionMediaType(&type));
  EXPECT_TRUE(type.subtype == kTicks);
  MediaType::Free(&type);
  EXPECT_EQ(EC_COMPLETE, RunToEnd(graph.Get()));
  const std::vector<int> expected = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9};
  EXPECT_EQ(expected, Frames());
  EXPECT_EQ(9 * kPeriod, Collected().back().start);

  // A second run starts over. The source pushes while paused, and the
  // graph's Run forgets completions sent before it.
  graph.As<IMediaControl>(IID_IMediaControl)->Stop();
  Sink()->ended = false;
  Sink()->cueing = false;
  ASSERT_TRUE(SUCCEEDED(graph.As<IMediaControl>(IID_IMediaControl)->Pause()));
  for (DWORD deadline = GetTickCount() + 5000; !Sink()->ended && GetTickCount() < deadline;) Sleep(10);
  ASSERT_TRUE(Sink()->ended);
  EXPECT_EQ(EC_COMPLETE, RunToEnd(graph.Get()));
  EXPECT_EQ(expected, Frames());
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

// Frame 3 refused with S_FALSE is dropped; with a failure it aborts the run.
TEST_F(FilterBaseTest, ATransformConnectsAfterItsInputKeepsTimesAndDropsOrAbortsOnRefusal) {
  for (HRESULT refusal : {S_OK, S_FALSE, E_FAIL}) {
    SCOPED_TRACE(refusal);
    NewGraph();
    source = Ticks(10);
    tested = Make<Invert>(refusal == S_OK ? -1 : 3, refusal);
    ASSERT_EQ(S_OK, graph->AddFilter(tested.Get(), L"invert"));
    EXPECT_EQ(VFW_E_NO_ACCEPTABLE_TYPES, PinOf(tested.Get(), PINDIR_OUTPUT)->Connect(PinOf(sink.Get(), PINDIR_INPUT).Get(), nullptr));
    ASSERT_EQ(S_OK, Join(graph.Get(), source.Get(), tested.Get()));
    ASSERT_EQ(S_OK, Join(graph.Get(), tested.Get(), sink.Get()));
    EXPECT_EQ(refusal == E_FAIL ? EC_ERRORABORT : EC_COMPLETE, RunToEnd(graph.Get()));
    std::vector<int> expected;
    for (int f = 0; f < (refusal == E_FAIL ? 3 : 10); ++f)
      if (f != 3 || refusal == S_OK) expected.push_back(~f);
    EXPECT_EQ(expected, Frames());
    EXPECT_EQ(~expected.back() * kPeriod, Collected().back().start);
  }
}

TEST_F(FilterBaseTest, StopWaitsForASampleInsideTheFilter) {
  Sink()->cueing = false;
  Sink()->holdAt = 1;
  Sink()->lingerMs = 200;
  ASSERT_EQ(S_OK, Join(graph.Get(), source.Get(), sink.Get()));
  ASSERT_EQ(S_OK, sink->Pause());
  ASSERT_EQ(S_OK, source->Pause());
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(Sink()->held, 5000));
  ASSERT_EQ(S_OK, sink->Stop());
  EXPECT_FALSE(Sink()->cleanedUpInside);
  ASSERT_EQ(S_OK, source->Stop());
}

}  // namespace
