// Builds a timeline from a project document through the published timeline
// interfaces, and the engine's own timeline for the labels of the root
// element. Unknown elements and attributes, unusable values and class ids
// the engine lacks (whose objects are kept) are reported; unknown elements
// and unusable values are skipped; an object whose times cannot be read, or
// that its parent refuses, is skipped with everything inside it. A group whose media type cannot be
// used is kept without one. Only a failure of the machinery itself (memory,
// node creation) stops the load, and then every group this reader added is
// taken out again.
#pragma once

#include <string>
#include <vector>

#include "ComPtr.h"
#include "EditingServices.h"
#include "EngineLimits.h"

class AttributeReader;
class LoadProblems;
class XmlElement;

class ProjectReader {
 public:
  // Objects deeper than a timeline may hold (groups are at depth 1 below the
  // root) are skipped.
  static constexpr int kMaxDepth = kMaxEmbedDepth + 1;

  ProjectReader(IAMTimeline* timeline, LoadProblems& problems) : timeline_(timeline), problems_(problems) {}

  // root is the document's <timeline> element.
  HRESULT Read(const XmlElement& root);

 private:
  HRESULT ReadChildren(const XmlElement& element, IAMTimelineObj* object, TIMELINE_MAJOR_TYPE type, int depth);
  HRESULT ReadObject(const XmlElement& element, TIMELINE_MAJOR_TYPE type, IAMTimelineObj* parent, int depth);
  // S_FALSE when the object cannot be placed and is to be skipped.
  HRESULT ApplyAttributes(const XmlElement& element, TIMELINE_MAJOR_TYPE type, IAMTimelineObj* object);
  // username, lock, mute, userid, userdata.
  void ApplyLabels(const AttributeReader& reader, IAMTimelineObj* object);
  // Reports a class id the engine cannot render.
  void CheckClass(const std::wstring& element, TIMELINE_MAJOR_TYPE type, const GUID& clsid);
  void CheckDefaultClass(const GUID& clsid, bool transition);
  HRESULT ApplyGroup(const XmlElement& element, IAMTimelineObj* object);
  HRESULT ApplyMediaType(const XmlElement& element, IAMTimelineGroup* group);
  HRESULT ApplySpan(const AttributeReader& reader, IAMTimelineObj* object);
  HRESULT ApplyClip(const AttributeReader& reader, IAMTimelineObj* object);
  HRESULT ApplyTransition(const AttributeReader& reader, IAMTimelineObj* object);
  HRESULT ApplyParams(const XmlElement& element, IAMTimelineObj* object);
  HRESULT Attach(const XmlElement& element, IAMTimelineObj* parent, IAMTimelineObj* child,
                 TIMELINE_MAJOR_TYPE type);
  void ApplyTimelineAttributes(const XmlElement& root);
  void RemoveAddedGroups();
  // Reports a value the object refused.
  void Check(HRESULT hr, const AttributeReader& reader, const wchar_t* name);
  void ReportSkipped(const std::wstring& element, const wchar_t* reason, HRESULT hr);
  // Skips an object a call refused (S_FALSE), unless memory ran out.
  HRESULT Refused(const std::wstring& element, const wchar_t* reason, HRESULT hr);

  IAMTimeline* timeline_;
  LoadProblems& problems_;
  std::vector<ComPtr<IAMTimelineObj>> addedGroups_;
};
