// A filter with one input and one output whose output is made from its
// input (the compressors). A filter says which inputs it takes, which
// outputs it makes for the connected input, and how a sample is transformed;
// one that does not make one output sample per input (an audio encoder
// filling blocks) overrides Process and Drain instead of Transform.
#pragma once

#include "FilterBase.h"
#include "InputPin.h"
#include "OutputPin.h"

class TransformFilter : public FilterBase {
 public:
  int PinCount() override { return 2; }
  PinBase* PinAt(int index) override;

 protected:
  TransformFilter(IUnknown* outer, const CLSID& clsid);

  // S_OK when the filter takes this input type.
  virtual HRESULT AcceptInput(const AM_MEDIA_TYPE& type) = 0;
  // The index-th output type for the connected input (Input().Type()):
  // S_OK, or VFW_S_NO_MORE_ITEMS past the last.
  virtual HRESULT OutputTypeAt(int index, MediaType* type) = 0;
  // S_OK when the filter makes this output for the connected input; by
  // default, when it equals one of OutputTypeAt's.
  virtual HRESULT AcceptOutput(const AM_MEDIA_TYPE& type);
  // Fills out (data, length) from in; times and flags are copied by Process.
  // S_FALSE drops the sample; a failure ends the stream with EC_ERRORABORT.
  virtual HRESULT Transform(IMediaSample* in, IMediaSample* out);
  // Buffers for the connected output type; by default two of its sample size.
  virtual HRESULT OutputBufferSize(ALLOCATOR_PROPERTIES* request);
  // One input sample, under the stream lock.
  virtual HRESULT Process(IMediaSample* in);
  // At end of stream, before it is passed on: deliver what is held back.
  virtual HRESULT Drain() { return S_OK; }
  // At the end of a flush, before it is passed on: drop what is held back.
  // Under the stream lock, like Process and Drain.
  virtual void Discard() {}
  // Interfaces of the output pin beyond IPin (IAMStreamConfig ...), as
  // facets whose owner is Output().
  virtual HRESULT QueryOutputPin(REFIID, void**) { return E_NOINTERFACE; }

  InputPin& Input();
  OutputPin& Output();
  // What Process answers upstream for a Transform result other than S_OK.
  HRESULT Dropped(HRESULT hr);

 private:
  // Members, not pointers: the pins live and die with the filter.
  class Sink final : public InputPin {
   public:
    explicit Sink(TransformFilter* filter) : InputPin(filter, L"In"), owner_(filter) {}
    HRESULT Accepts(const AM_MEDIA_TYPE& type) override { return owner_->AcceptInput(type); }

   protected:
    HRESULT OnReceive(IMediaSample* sample) override { return owner_->Process(sample); }
    HRESULT OnEndOfStream() override;
    HRESULT OnBeginFlush() override;
    HRESULT OnEndFlush() override;
    HRESULT OnNewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

   private:
    TransformFilter* owner_;
  };

  class Source final : public OutputPin {
   public:
    explicit Source(TransformFilter* filter) : OutputPin(filter, L"Out"), owner_(filter) {}
    HRESULT Accepts(const AM_MEDIA_TYPE& type) override;
    HRESULT TypeAt(int index, MediaType* type) override;

   protected:
    HRESULT QueryOwn(REFIID iid, void** out) override { return owner_->QueryOutputPin(iid, out); }
    HRESULT BufferSize(ALLOCATOR_PROPERTIES* request) override { return owner_->OutputBufferSize(request); }

   private:
    TransformFilter* owner_;
  };

  Sink input_;
  Source output_;
};
