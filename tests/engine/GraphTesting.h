// Driving filters through the platform's filter graph.
#pragma once

#include <gtest/gtest.h>

#include <dshow.h>
#include <evcode.h>

#include <string>
#include <vector>

#include "ComPtr.h"
#include "EngineTestSupport.h"
#include "FilterConformance.h"
#include "InputPin.h"

// A filter of the test's own, as its IBaseFilter.
template <class T, class... Args>
ComPtr<IBaseFilter> Make(Args... args) {
  ComPtr<IBaseFilter> filter;
  EXPECT_EQ(S_OK, CreateComObject<T>(nullptr, IID_IBaseFilter, filter.ReceiveVoid(), args...));
  return filter;
}

// Runs graph and answers its first completion event (EC_COMPLETE or
// EC_ERRORABORT), or 0 when none comes. Events left from an earlier run are
// drained first. GetEvent may give up early when the queue runs empty, so it
// is asked until the deadline, which only keeps a broken run from hanging.
inline long RunToEnd(IGraphBuilder* graph) {
  ComPtr<IMediaEvent> events = ComPtr<IGraphBuilder>(graph).As<IMediaEvent>(IID_IMediaEvent);
  long code = 0;
  LONG_PTR first, second;
  while (events->GetEvent(&code, &first, &second, 0) == S_OK) events->FreeEventParams(code, first, second);
  EXPECT_TRUE(SUCCEEDED(ComPtr<IGraphBuilder>(graph).As<IMediaControl>(IID_IMediaControl)->Run()));
  for (DWORD deadline = GetTickCount() + 10000; GetTickCount() < deadline;) {
    if (events->GetEvent(&code, &first, &second, 100) != S_OK) continue;
    events->FreeEventParams(code, first, second);
    if (code == EC_COMPLETE || code == EC_ERRORABORT) return code;
  }
  return 0;
}


struct Sample {
  REFERENCE_TIME start, stop;
  std::string bytes;
  bool operator==(const Sample& other) const {
    return start == other.start && stop == other.stop && bytes == other.bytes;
  }
};

// A renderer that takes any type of major type accepted (any when null)
// and keeps every sample and segment start; a flush forgets the samples.
// Like the platform's renderers, while paused it holds the stream at the
// sample it has until it runs (so a stream cannot end, and its EC_COMPLETE
// be dropped by the graph, before the graph runs); cueing false turns that
// off. It also holds the stream at sample holdAt until a flush or stop.
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
  bool cueing = true;
  volatile bool ended = false;
  GUID accepted = GUID_NULL;
  HANDLE held = CreateEventW(nullptr, TRUE, FALSE, nullptr);

 protected:
  HRESULT OnInitStream() override {
    ResetEvent(running_);
    return ResetEvent(release_) ? S_OK : E_FAIL;
  }
  HRESULT OnStart(REFERENCE_TIME) override { return SetEvent(running_) ? S_OK : E_FAIL; }
  HRESULT OnStop() override { return ResetEvent(running_) ? S_OK : E_FAIL; }
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
      BYTE* data = nullptr;
      sample->GetPointer(&data);
      Sample kept = {};
      sample->GetTime(&kept.start, &kept.stop);
      kept.bytes.assign(reinterpret_cast<char*>(data), sample->GetActualDataLength());
      sink_->samples.push_back(kept);
      HANDLE until[] = {sink_->release_, sink_->running_};
      if (sink_->samples.size() == sink_->holdAt && SetEvent(sink_->held)) {
        WaitForSingleObject(sink_->release_, INFINITE);
      } else if (sink_->cueing) {
        WaitForMultipleObjects(2, until, FALSE, INFINITE);
      }
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
  HANDLE release_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);  // a flush or stop
  HANDLE running_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
};

// An engine test with the platform's filter graph, a source and a
// collecting sink, released (graph stopped first) before the leak check.
class GraphTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                     graph.ReceiveVoid()));
    ASSERT_EQ(S_OK, CreateComObject<CollectingSink>(nullptr, IID_IBaseFilter, sink.ReceiveVoid()));
  }
  CollectingSink* Sink() { return static_cast<CollectingSink*>(sink.Get()); }
  void TearDown() override {
    if (graph) graph.As<IMediaControl>(IID_IMediaControl)->Stop();
    graph.Reset();
    source.Reset();
    sink.Reset();
    EngineTest::TearDown();
  }

  ComPtr<IGraphBuilder> graph;
  ComPtr<IBaseFilter> source, sink;
};
