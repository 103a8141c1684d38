// The timeline: the root of the tree, holding its groups in order of addition,
// and the user name, flags, user id and user data of the timeline itself,
// which project files keep on their root element.
//
// ValidateSourceNames needs SFN_VALIDATEF_CHECK and SFN_VALIDATEF_REPLACE
// (else E_INVALIDARG); it asks the caller's media locator, or the default one
// (MediaLocator), once about each file that sources name (leaving out muted
// objects with SFN_VALIDATEF_IGNOREMUTED), renames the sources of the files
// it found elsewhere and then signals the event handle, when one is given.
// SetInterestRange, IsDirty and GetDirtyRange answer E_NOTIMPL.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "ComObject.h"
#include "EditingServices.h"

class TimelineNode;

class Timeline final : public ComObject<IAMTimeline, IAMSetErrorLog> {
 public:
  // outer: the aggregating object, or null (then iid is any of the two).
  static HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object);
  // Through CreateInstance only.
  explicit Timeline(IUnknown* outer);

  // IAMTimeline
  STDMETHODIMP CreateEmptyNode(IAMTimelineObj** node, TIMELINE_MAJOR_TYPE type) override;
  STDMETHODIMP AddGroup(IAMTimelineObj* group) override;
  STDMETHODIMP RemGroupFromList(IAMTimelineObj* group) override;
  STDMETHODIMP GetGroup(IAMTimelineObj** group, long which) override;
  STDMETHODIMP GetGroupCount(long* count) override;
  STDMETHODIMP ClearAllGroups() override;
  STDMETHODIMP GetInsertMode(long* mode) override;
  STDMETHODIMP SetInsertMode(long mode) override;
  STDMETHODIMP EnableTransitions(BOOL enabled) override;
  STDMETHODIMP TransitionsEnabled(BOOL* enabled) override;
  STDMETHODIMP EnableEffects(BOOL enabled) override;
  STDMETHODIMP EffectsEnabled(BOOL* enabled) override;
  STDMETHODIMP SetInterestRange(REFERENCE_TIME start, REFERENCE_TIME stop) override;
  STDMETHODIMP GetDuration(REFERENCE_TIME* duration) override;
  STDMETHODIMP GetDuration2(double* duration) override;
  STDMETHODIMP SetDefaultFPS(double fps) override;
  STDMETHODIMP GetDefaultFPS(double* fps) override;
  STDMETHODIMP IsDirty(BOOL* dirty) override;
  STDMETHODIMP GetDirtyRange(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
  STDMETHODIMP GetCountOfType(long group, long* count, long* countWithComps,
                              TIMELINE_MAJOR_TYPE type) override;
  STDMETHODIMP ValidateSourceNames(long flags, IMediaLocator* locator,
                                   LONG_PTR eventHandle) override;
  STDMETHODIMP SetDefaultTransition(GUID* guid) override;
  STDMETHODIMP GetDefaultTransition(GUID* guid) override;
  STDMETHODIMP SetDefaultEffect(GUID* guid) override;
  STDMETHODIMP GetDefaultEffect(GUID* guid) override;
  STDMETHODIMP SetDefaultTransitionB(BSTR guid) override;
  STDMETHODIMP GetDefaultTransitionB(BSTR* guid) override;
  STDMETHODIMP SetDefaultEffectB(BSTR guid) override;
  STDMETHODIMP GetDefaultEffectB(BSTR* guid) override;

  // IAMSetErrorLog
  STDMETHODIMP get_ErrorLog(IAMErrorLog** log) override;
  STDMETHODIMP put_ErrorLog(IAMErrorLog* log) override;

  long IndexOfGroup(const TimelineNode* group) const;

  // The timeline behind an interface pointer, or null when it is not one of
  // ours. Takes no reference.
  static Timeline* FromObject(IUnknown* object);
  // Keeps the timeline's own labels; its other settings mean nothing. No reference.
  IAMTimelineObj* Labels() const;

 private:
  // What ValidateSourceNames asks and has been answered.
  struct SourceNames {
    long flags;
    IMediaLocator* locator;  // the caller's, or null
    std::map<std::wstring, std::wstring> answers;
    bool IsLeftOut(TimelineNode* node) const;  // muted, when muted objects are left out
  };

  ~Timeline() override;
  static void ValidateNames(TimelineNode* node, SourceNames* names);
  static void ValidateName(TimelineNode* source, SourceNames* names);
  HRESULT QueryOwn(REFIID iid, void** out) override;

  std::vector<TimelineNode*> groups_;  // one reference each
  TimelineNode* labels_;               // one reference
  IAMErrorLog* errorLog_ = nullptr;
  double defaultFps_ = 15.0;
  long insertMode_ = TIMELINE_INSERT_MODE_OVERLAY;
  BOOL transitionsEnabled_ = TRUE;
  BOOL effectsEnabled_ = TRUE;
  GUID defaultTransition_ = GUID_NULL;
  GUID defaultEffect_ = GUID_NULL;
};
