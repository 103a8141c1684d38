// IAMTimelineSrc: the media a source plays and how.
//
// ModifyStopTime is SetStartStop with the start kept. SpliceWithNext joins a
// match frame to this source (same file, its media start at this media stop,
// the same rate; else E_INVALIDARG): this source grows by its length and
// takes its media stop, and it leaves its parent with its effects.
#pragma once

#include <string>

#include "EditingServices.h"
#include "NodeFacet.h"

class NodeSource : public NodeFacet<IAMTimelineSrc> {
 public:
  using NodeFacet::NodeFacet;

  STDMETHODIMP GetMediaTimes(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
  STDMETHODIMP GetMediaTimes2(REFTIME* start, REFTIME* stop) override;
  STDMETHODIMP ModifyStopTime(REFERENCE_TIME stop) override;
  STDMETHODIMP ModifyStopTime2(REFTIME stop) override;
  STDMETHODIMP FixMediaTimes(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
  STDMETHODIMP FixMediaTimes2(REFTIME* start, REFTIME* stop) override;
  STDMETHODIMP SetMediaTimes(REFERENCE_TIME start, REFERENCE_TIME stop) override;
  STDMETHODIMP SetMediaTimes2(REFTIME start, REFTIME stop) override;
  STDMETHODIMP SetMediaLength(REFERENCE_TIME length) override;
  STDMETHODIMP SetMediaLength2(REFTIME length) override;
  STDMETHODIMP GetMediaLength(REFERENCE_TIME* length) override;
  STDMETHODIMP GetMediaLength2(REFTIME* length) override;
  STDMETHODIMP GetMediaName(BSTR* name) override;
  STDMETHODIMP SetMediaName(BSTR name) override;
  STDMETHODIMP SpliceWithNext(IAMTimelineObj* next) override;
  STDMETHODIMP GetStreamNumber(long* stream) override;
  STDMETHODIMP SetStreamNumber(long stream) override;
  STDMETHODIMP IsNormalRate(BOOL* normal) override;
  STDMETHODIMP GetDefaultFPS(double* fps) override;
  STDMETHODIMP SetDefaultFPS(double fps) override;
  STDMETHODIMP GetStretchMode(int* mode) override;
  STDMETHODIMP SetStretchMode(int mode) override;

 private:
  friend class NodeSplittable;

  bool IsMatchFrame(const TimelineNode& next) const;

  std::wstring mediaName_;
  REFERENCE_TIME mediaStart_ = 0;
  REFERENCE_TIME mediaStop_ = 0;
  REFERENCE_TIME mediaLength_ = 0;
  long stream_ = 0;
  double defaultFps_ = 0.0;
  int stretchMode_ = RESIZEF_STRETCH;
};
