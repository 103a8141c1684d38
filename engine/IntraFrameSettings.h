// IAMVideoCompression on the output pin of a compressor that makes only key
// frames and whose one setting is its quality (Motion JPEG).
//
// GetInfo reports CompressionCaps_CanQuality alone, a default key-frame
// rate of 1 (every frame) and no P frames. The key-frame rate, P frames,
// window size and frame sizes cannot be set, so their methods answer
// E_NOTIMPL, as the reference has it for methods the capabilities leave
// out; OverrideKeyFrame succeeds, every frame being one already. Quality is
// 0.0 (worst) to 1.0 (best), a negative value meaning the default; it can be
// changed while connected but not while paused or running
// (VFW_E_NOT_STOPPED), so a stream is made at one quality.
#pragma once

#include <dshow.h>

#include "ComObject.h"
#include "FilterBase.h"

class IntraFrameSettings final : public Facet<IAMVideoCompression> {
 public:
  // pin: the output pin the interface is found on; filter: its filter.
  IntraFrameSettings(IUnknown* pin, FilterBase* filter, const wchar_t* description, double defaultQuality);

  // The quality in effect: the default when none was set.
  double Quality();

  STDMETHODIMP put_KeyFrameRate(LONG rate) override;
  STDMETHODIMP get_KeyFrameRate(LONG* rate) override;
  STDMETHODIMP put_PFramesPerKeyFrame(LONG frames) override;
  STDMETHODIMP get_PFramesPerKeyFrame(LONG* frames) override;
  STDMETHODIMP put_Quality(double quality) override;
  STDMETHODIMP get_Quality(double* quality) override;
  STDMETHODIMP put_WindowSize(DWORDLONG frames) override;
  STDMETHODIMP get_WindowSize(DWORDLONG* frames) override;
  // Sizes are in bytes and include the terminating zero. A string whose
  // size pointer is null is written whole, as the reference's example
  // expects after asking for the sizes first; one with a size is cut to it.
  STDMETHODIMP GetInfo(LPWSTR version, int* versionBytes, LPWSTR description, int* descriptionBytes,
                       LONG* defaultKeyFrameRate, LONG* defaultPFramesPerKey, double* defaultQuality,
                       LONG* capabilities) override;
  STDMETHODIMP OverrideKeyFrame(LONG frame) override;
  STDMETHODIMP OverrideFrameSize(LONG frame, LONG size) override;

 private:
  FilterBase* filter_;  // not owned: the pin holding this lives inside it
  const wchar_t* description_;
  double default_;
  double quality_;  // under the filter's state lock
};
