// One input of the AVI writer: takes what AviWriter stores and hands every
// sample, end of stream and flush to its filter. Each input has a receive
// lock of its own, so that one waiting for the others to catch up does not
// hold them back.
#pragma once

#include "InputPin.h"

class AviWriterFilter;

class AviWriterInput final : public InputPin {
 public:
  AviWriterInput(AviWriterFilter* filter, const wchar_t* name);
  ~AviWriterInput() override;

  HRESULT Accepts(const AM_MEDIA_TYPE& type) override;

  // The stream this input writes in the current run; -1 when unconnected.
  int Stream() const { return stream_; }
  void SetStream(int stream) { stream_ = stream; }

 protected:
  CRITICAL_SECTION* ReceiveLock() override { return &receiveLock_; }
  HRESULT OnConnect(IPin* peer, const AM_MEDIA_TYPE& type) override;
  HRESULT OnReceive(IMediaSample* sample) override;
  HRESULT OnEndOfStream() override;
  HRESULT OnBeginFlush() override;
  HRESULT OnEndFlush() override;

 private:
  AviWriterFilter* owner_;  // not owned: the pin lives inside it
  CRITICAL_SECTION receiveLock_;
  int stream_ = -1;
};
