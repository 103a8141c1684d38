// IAMTimelineGroup of a group node: its output media type, frame rate and
// preview mode. SetMediaType takes the uncompressed types the published
// reference lists (RGB 555, 24 or ARGB 32 frames in a VIDEOINFOHEADER, 16-bit
// stereo PCM) with a format block of up to kLargestGroupFormat bytes, and
// keeps no pUnk. A new group has no media type: GetMediaType gives a type of
// all zeros until one is set. The group name is a value of its own once set;
// until then it is the group's user name. SetMediaTypeForVB sets the default
// type of a project file's group element: 0 video, 1 audio, else
// E_INVALIDARG.
//
// Smart recompression formats (a video type, kept as a deep copy) are taken
// by video groups only, else VFW_E_INVALIDMEDIATYPE; SetSmartRecompressFormat
// answers E_INVALIDARG for an SCompFmt0 whose nFormatId is not 0.
// GetSmartRecompressFormat hands out a new SCompFmt0, all zeros while none is
// set. SetRecompFormatFromSource takes the type of the source file's first
// video stream (E_NO_TIMELINE for a group in no timeline, the file's error,
// or VFW_E_INVALIDMEDIATYPE for a file without video). The dirty flag
// methods, unsupported as published, answer E_NOTIMPL.
#pragma once

#include <string>

#include "EditingServices.h"
#include "MediaType.h"
#include "NodeFacet.h"

class NodeGroup : public NodeFacet<IAMTimelineGroup> {
 public:
  NodeGroup(TimelineNode& node, IUnknown& identity);
  ~NodeGroup();

  STDMETHODIMP SetTimeline(IAMTimeline* timeline) override;
  STDMETHODIMP GetTimeline(IAMTimeline** timeline) override;
  STDMETHODIMP GetPriority(long* priority) override;
  STDMETHODIMP GetMediaType(AM_MEDIA_TYPE* type) override;
  STDMETHODIMP SetMediaType(AM_MEDIA_TYPE* type) override;
  STDMETHODIMP SetOutputFPS(double fps) override;
  STDMETHODIMP GetOutputFPS(double* fps) override;
  STDMETHODIMP SetGroupName(BSTR name) override;
  STDMETHODIMP GetGroupName(BSTR* name) override;
  STDMETHODIMP SetPreviewMode(BOOL preview) override;
  STDMETHODIMP GetPreviewMode(BOOL* preview) override;
  STDMETHODIMP SetMediaTypeForVB(long type) override;
  STDMETHODIMP GetOutputBuffering(int* buffers) override;
  STDMETHODIMP SetOutputBuffering(int buffers) override;
  STDMETHODIMP SetSmartRecompressFormat(long* format) override;
  STDMETHODIMP GetSmartRecompressFormat(long** format) override;
  STDMETHODIMP IsSmartRecompressFormatSet(BOOL* set) override;
  STDMETHODIMP IsRecompressFormatDirty(BOOL* dirty) override;
  STDMETHODIMP ClearRecompressFormatDirty() override;
  STDMETHODIMP SetRecompFormatFromSource(IAMTimelineSrc* source) override;

 private:
  HRESULT KeepRecompressFormat(const AM_MEDIA_TYPE& type);
  static HRESULT FirstVideoType(BSTR file, MediaType* type);

  MediaType type_;
  MediaType recompress_;  // empty until set; not saved, as published
  double outputFps_ = 0;  // 0 until set: the timeline's default rate applies
  BOOL preview_ = FALSE;
  int buffering_ = 30;
  std::wstring name_;
  bool named_ = false;
};
