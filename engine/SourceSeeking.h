// IMediaSeeking in TIME_FORMAT_MEDIA_TIME, for a pin or filter it lives in
// (a Facet: it shares the owner's identity and count). It keeps the
// duration, start, stop and rate; an owner deriving from it hears of changes
// through OnPositions and OnRate, called after its lock is left so that the
// owner may flush and restart its stream.
#pragma once

#include <dshow.h>

#include "ComObject.h"

class SourceSeeking : public Facet<IMediaSeeking> {
 public:
  explicit SourceSeeking(IUnknown* owner);
  ~SourceSeeking();

  STDMETHODIMP GetCapabilities(DWORD* capabilities) override;
  STDMETHODIMP CheckCapabilities(DWORD* capabilities) override;
  STDMETHODIMP IsFormatSupported(const GUID* format) override;
  STDMETHODIMP QueryPreferredFormat(GUID* format) override;
  STDMETHODIMP GetTimeFormat(GUID* format) override;
  STDMETHODIMP IsUsingTimeFormat(const GUID* format) override;
  STDMETHODIMP SetTimeFormat(const GUID* format) override;
  STDMETHODIMP GetDuration(LONGLONG* duration) override;
  STDMETHODIMP GetStopPosition(LONGLONG* stop) override;
  STDMETHODIMP GetCurrentPosition(LONGLONG* current) override;
  STDMETHODIMP ConvertTimeFormat(LONGLONG* target, const GUID* targetFormat, LONGLONG source,
                                 const GUID* sourceFormat) override;
  STDMETHODIMP SetPositions(LONGLONG* current, DWORD currentFlags, LONGLONG* stop, DWORD stopFlags) override;
  STDMETHODIMP GetPositions(LONGLONG* current, LONGLONG* stop) override;
  STDMETHODIMP GetAvailable(LONGLONG* earliest, LONGLONG* latest) override;
  STDMETHODIMP SetRate(double rate) override;
  STDMETHODIMP GetRate(double* rate) override;
  STDMETHODIMP GetPreroll(LONGLONG* preroll) override;

  // A new duration also moves the stop position to it.
  void SetDuration(REFERENCE_TIME duration);
  void Positions(REFERENCE_TIME* start, REFERENCE_TIME* stop, double* rate);

 protected:
  // After SetPositions changed the start (also when set to the same value,
  // which is a seek) or the stop.
  virtual void OnPositions(bool startChanged, bool stopChanged) { (void)startChanged, (void)stopChanged; }
  // Before a new rate is kept; a failure refuses it.
  virtual HRESULT OnRate(double) { return S_OK; }
  // Seeking capabilities; an owner that cannot seek backwards drops those
  // bits. What an owner lacks answers E_NOTIMPL: SetPositions without any
  // seeking bit, the positions and duration without their Get bits.
  virtual DWORD Capabilities();

  CRITICAL_SECTION lock_;

 private:
  REFERENCE_TIME duration_ = 0;
  REFERENCE_TIME start_ = 0;
  REFERENCE_TIME stop_ = 0;
  double rate_ = 1.0;
};
