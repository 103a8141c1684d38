// IAMTimelineGroup of a group node: its output media type, frame rate and
// preview mode. SetMediaType takes the uncompressed types the published
// reference lists (RGB 555, 24 or ARGB 32 frames in a VIDEOINFOHEADER, 16-bit
// stereo PCM) with a format block of up to kLargestGroupFormat bytes, and
// keeps no pUnk. A new group has no media type: GetMediaType gives a type of
// all zeros until one is set. The group name is a value of its own once set;
// until then it is the group's user name.
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
  MediaType type_;
  double outputFps_ = 0;  // 0 until set: the timeline's default rate applies
  BOOL preview_ = FALSE;
  int buffering_ = 30;
  std::wstring name_;
  bool named_ = false;
};
