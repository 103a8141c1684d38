// Frames of a source filter's video pin, taken through a graph of the
// detector's own: the pin feeds a GrabberFilter (through whatever converter
// the graph inserts), and each grab seeks the paused graph through the
// pin's (or else the filter's) IMediaSeeking and waits for the first frame
// at the new position.
#pragma once

#include <dshow.h>

#include "BitmapBits.h"
#include "ComPtr.h"

class GrabberFilter;

class FrameGrabber {
 public:
  FrameGrabber() = default;
  ~FrameGrabber();
  FrameGrabber(const FrameGrabber&) = delete;
  FrameGrabber& operator=(const FrameGrabber&) = delete;

  // source: a filter in no other graph; pin: one of its video output pins.
  HRESULT Open(IBaseFilter* source, IPin* pin);
  // The frame shown at time (the last one past the end); VFW_E_TIME_EXPIRED
  // when none comes within seconds.
  HRESULT Grab(REFERENCE_TIME time, FramePixels* frame);

 private:
  ComPtr<IGraphBuilder> graph_;
  ComPtr<IBaseFilter> source_;
  ComPtr<IBaseFilter> sink_;
  GrabberFilter* grabber_ = nullptr;  // sink_'s object
  ComPtr<IMediaSeeking> seeking_;     // null for a source that cannot seek
  REFERENCE_TIME duration_ = 0;
  bool paused_ = false;
};
