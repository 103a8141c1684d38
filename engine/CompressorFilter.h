// A transform filter whose output formats depend on its connected input (the
// compressors), with IAMStreamConfig on the output pin: the formats with
// their capability structures, and SetFormat narrowing the offers to one.
// A compressor says which formats it makes (FormatAt) and how big their
// capability structure is (CapsSize); OutputTypeAt is answered here.
//
// IAMStreamConfig answers VFW_E_NOT_CONNECTED until the input is connected,
// since the formats follow from the input. SetFormat works only while
// stopped (VFW_E_NOT_STOPPED), takes exactly one of the offered formats
// (VFW_E_INVALIDMEDIATYPE otherwise; null goes back to offering them all),
// and reconnects a connected output whose type differs, when the peer takes
// the new type.
#pragma once

#include "TransformFilter.h"

class CompressorFilter : public TransformFilter {
 protected:
  CompressorFilter(IUnknown* outer, const CLSID& clsid);

  // The index-th format made from the connected input (Input().Type()),
  // and its VIDEO_ or AUDIO_STREAM_CONFIG_CAPS into caps when caps is not
  // null: S_OK, or VFW_S_NO_MORE_ITEMS past the last.
  virtual HRESULT FormatAt(int index, MediaType* type, BYTE* caps) = 0;
  virtual int CapsSize() = 0;

  HRESULT OutputTypeAt(int index, MediaType* type) override;
  // IAMStreamConfig; a compressor adding interfaces calls this for the rest.
  HRESULT QueryOutputPin(REFIID iid, void** out) override;

 private:
  class StreamConfig final : public Facet<IAMStreamConfig> {
   public:
    StreamConfig(IUnknown* pin, CompressorFilter* filter) : Facet(pin), filter_(filter) {}
    STDMETHODIMP SetFormat(AM_MEDIA_TYPE* type) override;
    STDMETHODIMP GetFormat(AM_MEDIA_TYPE** type) override;
    STDMETHODIMP GetNumberOfCapabilities(int* count, int* size) override;
    STDMETHODIMP GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* caps) override;

   private:
    CompressorFilter* filter_;  // not owned: the facet lives inside it
  };

  bool IsFormat(const AM_MEDIA_TYPE& type);
  HRESULT SetFormat(const AM_MEDIA_TYPE* type);
  HRESULT Reconnect(const AM_MEDIA_TYPE& type);

  StreamConfig streamConfig_;
  MediaType chosen_;  // from SetFormat, offered alone while it is one of FormatAt's
};
