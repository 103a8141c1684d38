// Small filters for running a filter under test in the platform's graph: a
// source pushing given buffers of one media type, and a renderer keeping
// what reaches it.
#pragma once

#include <gtest/gtest.h>

#include <dshow.h>

#include <vector>

#include "FilterBase.h"
#include "InputPin.h"
#include "SourcePin.h"

struct TestChunk {
  std::vector<BYTE> bytes;
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  bool timed = true;
  bool sync = true;
  bool discontinuity = false;
};

class BufferSource final : public FilterBase {
 public:
  // The chunks play rounds times, each round's times after the last's.
  BufferSource(IUnknown* outer, const AM_MEDIA_TYPE* type, std::vector<TestChunk> chunks, int rounds = 1);
  int PinCount() override { return 1; }
  PinBase* PinAt(int index) override;

 protected:
  HRESULT OnInitStream() override { return pin_.StartStreaming(); }
  HRESULT OnCleanup() override { return pin_.StopStreaming(); }

 private:
  class Pin final : public SourcePin {
   public:
    Pin(BufferSource* filter) : SourcePin(filter, L"Out"), owner_(filter) {}
    HRESULT Accepts(const AM_MEDIA_TYPE& type) override;
    HRESULT TypeAt(int index, MediaType* type) override;

   protected:
    HRESULT BufferSize(ALLOCATOR_PROPERTIES* request) override;
    HRESULT OnThreadStart(REFERENCE_TIME* start, REFERENCE_TIME* stop, double* rate) override;
    HRESULT FillSample(IMediaSample* sample) override;

   private:
    BufferSource* owner_;
    size_t next_ = 0;
  };

  MediaType type_;
  std::vector<TestChunk> chunks_;
  int rounds_;
  Pin pin_;
};

// Takes any type of its major type and keeps every sample.
class SampleSink final : public FilterBase {
 public:
  SampleSink(IUnknown* outer, const GUID& major);
  int PinCount() override { return 1; }
  PinBase* PinAt(int index) override;

  std::vector<TestChunk> samples;
  volatile bool ended = false;  // the end of stream came

 protected:
  HRESULT OnInitStream() override;
  ULONG MiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

 private:
  class Pin final : public InputPin {
   public:
    Pin(SampleSink* filter) : InputPin(filter, L"In"), owner_(filter) {}
    HRESULT Accepts(const AM_MEDIA_TYPE& type) override;

   protected:
    HRESULT OnReceive(IMediaSample* sample) override;
    HRESULT OnEndOfStream() override;

   private:
    SampleSink* owner_;
  };

  GUID major_;
  Pin pin_;
};

// A filter of the test's own, as its IBaseFilter.
template <class T, class... Args>
ComPtr<IBaseFilter> Make(Args... args) {
  ComPtr<IBaseFilter> filter;
  EXPECT_EQ(S_OK, CreateComObject<T>(nullptr, IID_IBaseFilter, filter.ReceiveVoid(), args...));
  return filter;
}

// Runs the graph and waits for the first completion event of the run
// (events left from an earlier run are drained first): EC_COMPLETE,
// EC_ERRORABORT, or 0 when none came within 10 s.
long RunToEnd(IGraphBuilder* graph);
