// Takes the render plan of one group from a timeline through the timeline's
// published interfaces, on the caller's thread. What cannot play is
// reported (RenderProblems) and kept out of the picture: a source whose
// media is missing or unreadable stays as black or silence over its span;
// an effect or transition of a class the engine does not know is left out.
#pragma once

#include <memory>
#include <string>

#include "ComPtr.h"
#include "EditingServices.h"
#include "RenderPlan.h"
#include "RenderProblems.h"
#include "SourceChecks.h"

// Where missing media files are looked for (SetSourceNameValidation).
struct SourceLocator {
  ComPtr<IMediaLocator> locator;  // null: the engine's default one
  std::wstring filter;            // pairs of file dialog filters, nulls inside
  LONG flags = 0;                 // SFN_VALIDATEF_*; 1 (check) must be among them
};

class PlanBuilder {
 public:
  // None of them owned; all must outlive the builder.
  PlanBuilder(IAMTimeline* timeline, SourceChecks* checks, RenderProblems* problems, const SourceLocator* locator);

  // The plan of the group at index for timeline times [rangeStart,
  // rangeStop). VFW_E_INVALIDMEDIATYPE, reported, when the group's media
  // type is none the engine renders to.
  HRESULT Build(long index, REFERENCE_TIME rangeStart, REFERENCE_TIME rangeStop, std::unique_ptr<RenderPlan>* plan);

 private:
  HRESULT ReadFormat(IAMTimelineObj* group, long index, RenderPlan* plan);
  void AddLayers(IAMTimelineObj* composition, PlanLayer* into);
  void AddLayer(IAMTimelineObj* object, PlanLayer* into);
  void AddSources(IAMTimelineObj* track, PlanLayer* into);
  void AddSource(IAMTimelineObj* object, PlanLayer* into);
  void FindMedia(IAMTimelineSrc* source, PlanSource* into);
  // The locator's new path for a missing file, or empty.
  std::wstring Locate(const std::wstring& path);
  void AddEffects(IAMTimelineObj* parent, REFERENCE_TIME base, std::vector<PlanEffect>* into);
  void AddTransitions(IAMTimelineObj* layer, std::vector<PlanTransition>* into);
  void AddTransition(IAMTimelineObj* object, std::vector<PlanTransition>* into);
  // The span and values of an object whose times count from base; false
  // when it is muted or covers no unit.
  bool ReadObject(IAMTimelineObj* object, REFERENCE_TIME base, PlanObject* into);
  // The class an effect or transition names (or the timeline's default for
  // it); unknown classes are reported by the caller through ReportClass.
  CLSID ClassOf(IAMTimelineObj* object, bool transition, bool* fromDefault);
  void ReportClass(const CLSID& clsid, bool transition, bool fromDefault);

  IAMTimeline* timeline_;  // not owned: the render engine holds it
  SourceChecks* checks_;
  RenderProblems* problems_;
  const SourceLocator* locator_;
  bool video_ = true;
  GroupFormat format_;
  UnitClock clock_;
  BOOL effectsEnabled_ = TRUE;
  BOOL transitionsEnabled_ = TRUE;
};
