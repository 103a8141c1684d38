// The AVI multiplexer and file writer in one filter (CLSID_EngineAviWriter).
// Inputs "Input 01", "Input 02", ...: a new unconnected one appears when the
// last is connected; each connected input is one stream, in pin order. The
// file named through IFileSinkFilter is created at Pause; the filter writes
// in time order, an input running more than the interleaving window ahead
// waiting in Receive (INTERLEAVE_FULL, the default; the other modes write as
// samples come). Audio goes out in chunks of about the window. The file is
// finished when every input has ended (then EC_COMPLETE, once running), or
// at Stop with what was written; a failed write ends the writing with
// EC_ERRORABORT and a file valid up to what reached the disk.
// IMediaSeeking: GetCurrentPosition is the time written by every input,
// GetDuration the longest input's as its upstream pin knows it.
//
// Inputs of one filter must be delivered from threads of their own in
// INTERLEAVE_FULL, as every source does here: one thread feeding two
// inputs would wait on itself.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "AviMultiplexer.h"
#include "AviWriterInput.h"
#include "FilterBase.h"
#include "SourceSeeking.h"

class AviWriterFilter final : public FilterBase, public IFileSinkFilter, public IConfigInterleaving, public IConfigAviMux {
 public:
  COM_DELEGATE_IUNKNOWN

  explicit AviWriterFilter(IUnknown* outer);
  ~AviWriterFilter() override;

  // IFileSinkFilter. A name is needed before Pause when inputs are
  // connected; type, when given, must be a MEDIATYPE_Stream type.
  STDMETHODIMP SetFileName(LPCOLESTR name, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP GetCurFile(LPOLESTR* name, AM_MEDIA_TYPE* type) override;
  // IConfigInterleaving. Changes only while stopped (VFW_E_NOT_STOPPED).
  STDMETHODIMP put_Mode(InterleavingMode mode) override;
  STDMETHODIMP get_Mode(InterleavingMode* mode) override;
  // A null pointer keeps that value; the window must be positive, the preroll not negative.
  STDMETHODIMP put_Interleaving(const REFERENCE_TIME* window, const REFERENCE_TIME* preroll) override;
  STDMETHODIMP get_Interleaving(REFERENCE_TIME* window, REFERENCE_TIME* preroll) override;
  // IConfigAviMux: a master among the connected inputs, or -1; whether 'idx1' is written.
  STDMETHODIMP SetMasterStream(LONG stream) override;
  STDMETHODIMP GetMasterStream(LONG* stream) override;
  STDMETHODIMP SetOutputCompatibilityIndex(BOOL legacyIndex) override;
  STDMETHODIMP GetOutputCompatibilityIndex(BOOL* legacyIndex) override;

  int PinCount() override { return int(inputs_.size()); }
  PinBase* PinAt(int index) override;

  // The file layout of the next run (a small RIFF limit for tests); the
  // index and interleaving settings still come from the interfaces.
  void SetWriterOptions(const AviWriter::Options& options);

  // From the inputs.
  HRESULT InputConnected();
  HRESULT Receive(AviWriterInput* input, IMediaSample* sample);
  HRESULT EndOfInput(AviWriterInput* input);
  HRESULT HoldInput(AviWriterInput* input, bool held);

 protected:
  HRESULT QueryOwn(REFIID iid, void** out) override;
  HRESULT OnInitStream() override;
  void OnRelease() override { multiplexer_.Release(); }
  HRESULT OnCleanup() override;
  ULONG MiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

 private:
  class Seeking final : public SourceSeeking {
   public:
    Seeking(IUnknown* owner, AviWriterFilter* filter) : SourceSeeking(owner), filter_(filter) {}
    STDMETHODIMP GetCurrentPosition(LONGLONG* current) override;
    STDMETHODIMP GetDuration(LONGLONG* duration) override;

   protected:
    DWORD Capabilities() override { return AM_SEEKING_CanGetCurrentPos | AM_SEEKING_CanGetDuration; }

   private:
    AviWriterFilter* filter_;  // not owned: the facet lives inside it
  };

  void AddInput();
  std::vector<AviWriterInput*> ConnectedInputs();
  void Report(HRESULT hr);
  template <class Change>
  HRESULT WhileStopped(Change change);
  REFERENCE_TIME InputsDuration();

  std::vector<std::unique_ptr<AviWriterInput>> inputs_;
  Seeking seeking_;
  std::wstring fileName_;
  InterleavingMode mode_ = INTERLEAVE_FULL;
  REFERENCE_TIME window_ = 10000000;
  REFERENCE_TIME preroll_ = 0;
  LONG master_ = -1;
  BOOL legacyIndex_ = TRUE;
  AviWriter::Options options_;
  AviMultiplexer multiplexer_;
};
