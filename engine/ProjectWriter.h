// Writes a timeline as a project document through the published timeline
// interfaces only, in the element and attribute names of the editing-services
// XML format. What that format cannot hold travels in attributes of its own:
// the exact group media type (see MediaTypeAttributes), sub-object GUIDs on
// groups, tracks and composites (clsid), exact frame rates where seven
// decimals are not enough (exactframerate), exact text where XML cannot carry
// it (see WriteTextAttribute), the timeline's insert mode (insertmode), and
// value types and first values of parameters (see ParamElements). A group
// without a media type is written without one. A group's frame rate equal to
// the timeline's and a transition's cut point in its middle are left out, so
// that they read back as the defaults that follow the timeline and the
// transition's times; so are a group's user name equal to its name, a
// clip's empty src when a source filter's class names it, and the root's
// labels that were never set. Times are seconds with seven decimals.
#pragma once

#include "EditingServices.h"
#include "XmlWriter.h"

class ProjectWriter {
 public:
  // Fails with the result of the first call that failed.
  HRESULT Write(IAMTimeline* timeline);
  const XmlWriter& Xml() const { return xml_; }

 private:
  HRESULT WriteTimelineAttributes(IAMTimeline* timeline);
  HRESULT WriteGroup(IAMTimelineObj* group);
  HRESULT WriteGroupAttributes(IAMTimelineObj* group);
  HRESULT WriteLayers(IAMTimelineObj* composition);
  HRESULT WriteLayer(IAMTimelineObj* layer);
  HRESULT WriteClips(IAMTimelineObj* track);
  HRESULT WriteClip(IAMTimelineObj* clip);
  HRESULT WriteEffects(IAMTimelineObj* parent);
  HRESULT WriteEffect(IAMTimelineObj* effect);
  HRESULT WriteTransitions(IAMTimelineObj* parent);
  HRESULT WriteTransition(IAMTimelineObj* transition);
  HRESULT WriteTimelineLabels(IAMTimelineObj* labels);
  HRESULT WriteGroupNames(IAMTimelineObj* object, IAMTimelineGroup* group);
  // The user name as nameAttribute (unless null), lock, mute, userid,
  // userdata, clsid.
  HRESULT WriteObjectAttributes(IAMTimelineObj* object, const wchar_t* nameAttribute);
  HRESULT WriteTimes(IAMTimelineObj* object);
  HRESULT WriteParams(IAMTimelineObj* object);
  // Effects, transitions and parameters that any object may carry.
  HRESULT WriteAttachments(IAMTimelineObj* object);
  void WriteRate(const wchar_t* name, double rate);

  XmlWriter xml_;
  double timelineFps_ = 0;
};
