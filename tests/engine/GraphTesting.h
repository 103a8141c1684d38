// Driving filters through the platform's filter graph: a source of given
// samples, a renderer keeping what reaches it, and a fixture with a graph.
#pragma once

#include <gtest/gtest.h>

#include <dshow.h>
#include <evcode.h>

#include <cstring>
#include <string>
#include <vector>

#include "ComPtr.h"
#include "EngineTestSupport.h"
#include "FilterConformance.h"
#include "InputPin.h"
#include "SourcePin.h"
#include "SourceSeeking.h"

// A filter of the test's own, as its IBaseFilter.
template <class T, class... Args>
ComPtr<IBaseFilter> Make(Args... args) {
  ComPtr<IBaseFilter> filter;
  EXPECT_EQ(S_OK, CreateComObject<T>(nullptr, IID_IBaseFilter, filter.ReceiveVoid(), args...));
  return filter;
}

// Runs graph and answers its first completion event (EC_COMPLETE or
// EC_ERRORABORT; *param gets its first parameter), or 0 when none comes.
// Events left from an earlier run are drained first. GetEvent may give up
// early when the queue runs empty, so it is asked until the deadline, which
// only keeps a broken run from hanging.
inline long RunToEnd(IGraphBuilder* graph, LONG_PTR* param = nullptr, DWORD timeout = 10000) {
  ComPtr<IMediaEvent> events = ComPtr<IGraphBuilder>(graph).As<IMediaEvent>(IID_IMediaEvent);
  long code = 0;
  LONG_PTR first, second;
  while (events->GetEvent(&code, &first, &second, 0) == S_OK) events->FreeEventParams(code, first, second);
  if (FAILED(ComPtr<IGraphBuilder>(graph).As<IMediaControl>(IID_IMediaControl)->Run())) return 0;
  for (DWORD deadline = GetTickCount() + timeout; GetTickCount() < deadline;) {
    if (events->GetEvent(&code, &first, &second, 100) != S_OK) continue;
    events->FreeEventParams(code, first, second);
    if (param) *param = first;
    if (code == EC_COMPLETE || code == EC_ERRORABORT) return code;
  }
  return 0;
}

// Connects from's output to the first free input of to, first adding
// either filter to the graph when it is in none.
inline HRESULT Join(IGraphBuilder* graph, IBaseFilter* from, IBaseFilter* to) {
  for (IBaseFilter* filter : {from, to}) {
    FILTER_INFO info = {};
    filter->QueryFilterInfo(&info);
    if (info.pGraph) info.pGraph->Release();
    else if (FAILED(graph->AddFilter(filter, nullptr))) return E_FAIL;
  }
  for (ComPtr<IPin>& in : PinsOf(to)) {
    PIN_DIRECTION direction;
    ComPtr<IPin> peer;
    if (in->QueryDirection(&direction) == S_OK && direction == PINDIR_INPUT &&
        in->ConnectedTo(peer.Receive()) == VFW_E_NOT_CONNECTED)
      return graph->ConnectDirect(PinOf(from, PINDIR_OUTPUT).Get(), in.Get(), nullptr);
  }
  return VFW_E_NOT_FOUND;
}

struct Sample {
  std::string bytes;
  REFERENCE_TIME start = 0, stop = 0;
  bool sync = true;
  bool discontinuity = false;
  bool operator==(const Sample& other) const {
    return start == other.start && stop == other.stop && bytes == other.bytes;
  }
};

// Plays its samples rounds times, each round's times after the last's; its
// pin's IMediaSeeking gives their duration. Before sample holdAt it signals
// reached and waits until the filter stops.
class TestSource final : public FilterBase {
 public:
  static constexpr CLSID kClsid = {0x1c0a2b01, 0x7e55, 0x4d0b, {0x9a, 0x11, 0x52, 0x4e, 0x0f, 0x61, 0x70, 0x01}};

  TestSource(IUnknown* outer, const AM_MEDIA_TYPE* type, std::vector<Sample> samples, int rounds = 1)
      : FilterBase(outer, kClsid), samples_(std::move(samples)), rounds_(rounds), pin_(this) {
    type_.CopyFrom(*type);
    pin_.seeking.SetDuration(samples_.empty() ? 0 : samples_.back().stop * rounds);
  }
  ~TestSource() override {
    CloseHandle(reached);
    CloseHandle(release_);
  }
  int PinCount() override { return 1; }
  PinBase* PinAt(int index) override { return index == 0 ? &pin_ : nullptr; }

  size_t holdAt = SIZE_MAX;
  HANDLE reached = CreateEventW(nullptr, TRUE, FALSE, nullptr);

 protected:
  void OnRelease() override { SetEvent(release_); }

 private:
  class Pin final : public SourcePin {
   public:
    explicit Pin(TestSource* filter) : SourcePin(filter, L"Out"), seeking(this), owner_(filter) {}
    HRESULT Accepts(const AM_MEDIA_TYPE& type) override {
      return MediaType::Same(type, owner_->type_.Get()) ? S_OK : S_FALSE;
    }
    HRESULT TypeAt(int index, MediaType* type) override {
      return index > 0 ? VFW_S_NO_MORE_ITEMS : type->CopyFrom(owner_->type_.Get());
    }

    SourceSeeking seeking;

   protected:
    HRESULT QueryOwn(REFIID iid, void** out) override {
      return iid == IID_IMediaSeeking ? HandOut<IMediaSeeking>(&seeking, out) : SourcePin::QueryOwn(iid, out);
    }
    HRESULT BufferSize(ALLOCATOR_PROPERTIES* request) override {
      request->cBuffers = 4;
      request->cbBuffer = 1;
      for (const Sample& sample : owner_->samples_)
        if (LONG(sample.bytes.size()) > request->cbBuffer) request->cbBuffer = LONG(sample.bytes.size());
      return S_OK;
    }
    HRESULT OnThreadStart(REFERENCE_TIME* start, REFERENCE_TIME* stop, double* rate) override {
      ResetEvent(owner_->release_);
      seeking.Positions(start, stop, rate);
      next_ = 0;
      return S_OK;
    }
    HRESULT FillSample(IMediaSample* sample) override {
      const std::vector<Sample>& samples = owner_->samples_;
      if (next_ >= samples.size() * owner_->rounds_) return S_FALSE;
      if (next_ == owner_->holdAt && SetEvent(owner_->reached)) WaitForSingleObject(owner_->release_, INFINITE);
      const Sample& from = samples[next_ % samples.size()];
      REFERENCE_TIME offset = REFERENCE_TIME(next_++ / samples.size()) * samples.back().stop;
      REFERENCE_TIME start = from.start + offset, stop = from.stop + offset;
      BYTE* data = nullptr;
      sample->GetPointer(&data);
      memcpy(data, from.bytes.data(), from.bytes.size());
      sample->SetActualDataLength(LONG(from.bytes.size()));
      sample->SetTime(&start, &stop);
      sample->SetSyncPoint(from.sync);
      return sample->SetDiscontinuity(from.discontinuity);
    }

   private:
    TestSource* owner_;
    size_t next_ = 0;
  };

  MediaType type_;
  std::vector<Sample> samples_;
  int rounds_;
  Pin pin_;
  HANDLE release_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);  // the filter stops
};

// A renderer that takes any type of major type accepted (any when null)
// and keeps every sample of a run and segment start; a flush forgets the
// samples.
// Like the platform's renderers, while paused it holds the stream at the
// sample it has until it runs (so a stream cannot end, and its EC_COMPLETE
// be dropped by the graph, before the graph runs); cueing false turns that
// off. It also holds the stream at sample holdAt until a flush or stop,
// then lingers lingerMs before it lets the sample go.
class CollectingSink final : public FilterBase {
 public:
  static constexpr CLSID kClsid = {0x1c0a2b01, 0x7e55, 0x4d0b, {0x9a, 0x11, 0x52, 0x4e, 0x0f, 0x61, 0x70, 0x02}};

  explicit CollectingSink(IUnknown* outer) : FilterBase(outer, kClsid), pin_(this) {}
  ~CollectingSink() override {
    CloseHandle(held);
    CloseHandle(release_);
    CloseHandle(running_);
  }
  int PinCount() override { return 1; }
  PinBase* PinAt(int index) override { return index == 0 ? &pin_ : nullptr; }

  std::vector<Sample> samples;
  std::vector<REFERENCE_TIME> segments;
  int flushes = 0;
  size_t holdAt = 0;  // 0: never
  DWORD lingerMs = 0;
  bool cueing = true;
  volatile bool ended = false;
  bool cleanedUpInside = false;  // OnCleanup came while a sample was inside
  GUID accepted = GUID_NULL;
  HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr);

 protected:
  HRESULT OnInitStream() override {
    samples.clear();
    ResetEvent(running_);
    return ResetEvent(release_) ? S_OK : E_FAIL;
  }
  HRESULT OnStart(REFERENCE_TIME) override { return SetEvent(running_) ? S_OK : E_FAIL; }
  HRESULT OnStop() override { return ResetEvent(running_) ? S_OK : E_FAIL; }
  HRESULT OnCleanup() override {
    cleanedUpInside = cleanedUpInside || inside_;
    return S_OK;
  }
  void OnRelease() override { SetEvent(release_); }
  ULONG MiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

 private:
  class Pin final : public InputPin {
   public:
    explicit Pin(CollectingSink* sink) : InputPin(sink, L"In"), sink_(sink) {}
    HRESULT Accepts(const AM_MEDIA_TYPE& type) override {
      return sink_->accepted == GUID_NULL || sink_->accepted == type.majortype ? S_OK : S_FALSE;
    }

   protected:
    HRESULT OnReceive(IMediaSample* sample) override {
      InterlockedExchange(&sink_->inside_, 1);
      BYTE* data = nullptr;
      sample->GetPointer(&data);
      Sample kept;
      sample->GetTime(&kept.start, &kept.stop);
      kept.bytes.assign(reinterpret_cast<char*>(data), sample->GetActualDataLength());
      kept.sync = sample->IsSyncPoint() == S_OK;
      kept.discontinuity = sample->IsDiscontinuity() == S_OK;
      sink_->samples.push_back(kept);
      HANDLE until[] = {sink_->release_, sink_->running_};
      if (sink_->samples.size() == sink_->holdAt && SetEvent(sink_->held)) {
        WaitForSingleObject(sink_->release_, INFINITE);
        Sleep(sink_->lingerMs);
      } else if (sink_->cueing) {
        WaitForMultipleObjects(2, until, FALSE, INFINITE);
      }
      InterlockedExchange(&sink_->inside_, 0);
      return S_OK;
    }
    HRESULT OnEndOfStream() override {
      sink_->ended = true;
      sink_->NotifyComplete();
      return S_OK;
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
    CollectingSink* sink_;  // the filter this pin lives in
  };

  Pin pin_;
  volatile LONG inside_ = 0;
  HANDLE release_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);  // a flush or stop
  HANDLE running_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
};

// An engine test with the platform's filter graph, a source and a
// collecting sink, released (graph stopped first) before the leak check.
class GraphTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    NewGraph();
  }
  void TearDown() override {
    Release();
    EngineTest::TearDown();
  }
  // Filters paused by hand leave the graph thinking itself stopped: each is stopped too.
  void Release() {
    if (graph) graph.As<IMediaControl>(IID_IMediaControl)->Stop();
    for (ComPtr<IBaseFilter>* filter : {&source, &tested, &sink}) {
      if (*filter) (*filter)->Stop();
      filter->Reset();
    }
    graph.Reset();
  }
  void NewGraph() {
    Release();
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                     graph.ReceiveVoid()));
    ASSERT_EQ(S_OK, CreateComObject<CollectingSink>(nullptr, IID_IBaseFilter, sink.ReceiveVoid()));
  }
  CollectingSink* Sink() { return static_cast<CollectingSink*>(sink.Get()); }
  const std::vector<Sample>& Collected() { return Sink()->samples; }

  ComPtr<IGraphBuilder> graph;
  ComPtr<IBaseFilter> source, tested, sink;  // tested: the filter under test
};
