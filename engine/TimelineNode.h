// One node of a timeline tree: group, composition, track, source, effect or
// transition. The node implements IAMTimelineObj itself and the interfaces of
// its kind through member facets. A parent holds one reference on each child.
#pragma once

#include <string>
#include <vector>

#include "EditingServices.h"
#include "NodeComposition.h"
#include "NodeEffect.h"
#include "NodeEffectable.h"
#include "NodeGroup.h"
#include "NodeSource.h"
#include "NodeSplittable.h"
#include "NodeTrack.h"
#include "NodeTransable.h"
#include "NodeTransition.h"
#include "NodeVirtualTrack.h"

class Timeline;

// The lists a node keeps its children in. Tracks and effects keep the order
// of their priorities; transitions and sources are kept in time order.
enum class ChildList { Tracks, Effects, Transitions, Sources, Count };

class TimelineNode final : public IAMTimelineObj {
 public:
  static bool IsValidKind(TIMELINE_MAJOR_TYPE kind);
  // A new node with one reference, owned by the caller.
  static TimelineNode* Create(TIMELINE_MAJOR_TYPE kind);
  // The node behind an interface pointer, or null when it is not one of ours.
  // Takes no reference.
  static TimelineNode* FromObject(IUnknown* object);
  // Gives the caller a reference to a node found, or S_FALSE and null.
  static HRESULT HandOut(TimelineNode* node, IAMTimelineObj** result);

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IAMTimelineObj
  STDMETHODIMP GetStartStop(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
  STDMETHODIMP GetStartStop2(REFTIME* start, REFTIME* stop) override;
  STDMETHODIMP FixTimes(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
  STDMETHODIMP FixTimes2(REFTIME* start, REFTIME* stop) override;
  STDMETHODIMP SetStartStop(REFERENCE_TIME start, REFERENCE_TIME stop) override;
  STDMETHODIMP SetStartStop2(REFTIME start, REFTIME stop) override;
  STDMETHODIMP GetPropertySetter(IPropertySetter** setter) override;
  STDMETHODIMP SetPropertySetter(IPropertySetter* setter) override;
  STDMETHODIMP GetSubObject(IUnknown** object) override;
  STDMETHODIMP SetSubObject(IUnknown* object) override;
  STDMETHODIMP SetSubObjectGUID(GUID guid) override;
  STDMETHODIMP SetSubObjectGUIDB(BSTR guid) override;
  STDMETHODIMP GetSubObjectGUID(GUID* guid) override;
  STDMETHODIMP GetSubObjectGUIDB(BSTR* guid) override;
  STDMETHODIMP GetSubObjectLoaded(BOOL* loaded) override;
  STDMETHODIMP GetTimelineType(TIMELINE_MAJOR_TYPE* type) override;
  STDMETHODIMP SetTimelineType(TIMELINE_MAJOR_TYPE type) override;
  STDMETHODIMP GetUserID(long* id) override;
  STDMETHODIMP SetUserID(long id) override;
  STDMETHODIMP GetGenID(long* id) override;
  STDMETHODIMP GetUserName(BSTR* name) override;
  STDMETHODIMP SetUserName(BSTR name) override;
  STDMETHODIMP GetUserData(BYTE* data, long* size) override;
  STDMETHODIMP SetUserData(BYTE* data, long size) override;
  STDMETHODIMP GetMuted(BOOL* muted) override;
  STDMETHODIMP SetMuted(BOOL muted) override;
  STDMETHODIMP GetLocked(BOOL* locked) override;
  STDMETHODIMP SetLocked(BOOL locked) override;
  STDMETHODIMP GetDirtyRange(REFERENCE_TIME* start, REFERENCE_TIME* stop) override;
  STDMETHODIMP GetDirtyRange2(REFTIME* start, REFTIME* stop) override;
  STDMETHODIMP SetDirtyRange(REFERENCE_TIME start, REFERENCE_TIME stop) override;
  STDMETHODIMP SetDirtyRange2(REFTIME start, REFTIME stop) override;
  STDMETHODIMP ClearDirty() override;
  STDMETHODIMP Remove() override;
  STDMETHODIMP RemoveAll() override;
  STDMETHODIMP GetTimelineNoRef(IAMTimeline** timeline) override;
  STDMETHODIMP GetGroupIBelongTo(IAMTimelineGroup** group) override;
  STDMETHODIMP GetEmbedDepth(long* depth) override;

  // For the facets and the timeline.
  TIMELINE_MAJOR_TYPE Kind() const { return kind_; }
  bool IsContainer() const;
  TimelineNode* Parent() const { return parent_; }
  bool IsAttached() const { return parent_ != nullptr || timeline_ != nullptr; }
  REFERENCE_TIME Start() const { return start_; }
  REFERENCE_TIME Stop() const { return stop_; }
  // The latest stop time of what this node holds, on its own time scale.
  REFERENCE_TIME ContentEnd() const;
  const std::vector<TimelineNode*>& Children(ChildList list) const;
  // Takes a reference on the child. position -1 appends; time-ordered lists
  // ignore it. E_INVALIDARG for a child already attached, one that holds
  // this node, or one that would sit deeper than kMaxEmbedDepth.
  HRESULT InsertChild(ChildList list, TimelineNode* child, long position);
  HRESULT SwapChildren(ChildList list, long a, long b);
  long IndexOf(const TimelineNode* child) const;
  // In a time-ordered list: the first child still running at *inOut, which
  // then becomes its stop time. Called again with that time, it goes on with
  // the next child, so a walk meets every child once.
  TimelineNode* NextAfter(ChildList list, REFERENCE_TIME* inOut) const;
  // The child covering a time; with DEXTERF_FORWARDS the first starting at or
  // after it; with DEXTERF_BOUNDING either of those.
  TimelineNode* FindAtTime(ChildList list, REFERENCE_TIME time, long direction) const;
  // Moves the children starting at or after a time; false when one would
  // start before 0 or stop after kLatestTime.
  bool ShiftChildren(REFERENCE_TIME from, REFERENCE_TIME by);
  // Groups are owned by the timeline instead of a parent.
  void SetOwnerTimeline(Timeline* timeline) { timeline_ = timeline; }
  Timeline* OwnerTimeline() const;
  TimelineNode* OwningGroup();

 private:
  explicit TimelineNode(TIMELINE_MAJOR_TYPE kind);
  ~TimelineNode();

  bool Exposes(REFIID iid) const;
  // The levels of nodes below this one.
  long Height() const;
  void* FacetFor(REFIID iid);
  // Drops this node from its parent's list or its timeline; the parent's
  // reference goes with it.
  void Detach();
  void DetachChild(TimelineNode* child);
  void ReleaseAllChildren();
  void Reposition();
  bool OverlapsSiblingTransition(REFERENCE_TIME start, REFERENCE_TIME stop) const;
  bool ShiftWouldOverlap(REFERENCE_TIME from, REFERENCE_TIME by) const;

  // Where the last walk through a time-ordered list stopped, so that the next
  // call goes on from there even among children that share their times.
  struct Walk {
    ChildList list = ChildList::Count;
    long index = -1;
    REFERENCE_TIME end = 0;
    unsigned long long version = 0;
  };
  mutable Walk walk_;
  unsigned long long version_ = 1;  // changes with every change of a child list

  volatile LONG references_ = 1;
  TIMELINE_MAJOR_TYPE kind_;
  long genId_;
  TimelineNode* parent_ = nullptr;
  ChildList parentList_ = ChildList::Count;
  unsigned long long order_ = 0;  // order of addition, breaks ties in time order
  Timeline* timeline_ = nullptr;  // groups only, no reference
  std::vector<TimelineNode*> children_[static_cast<int>(ChildList::Count)];

  REFERENCE_TIME start_ = 0;
  REFERENCE_TIME stop_ = 0;
  std::wstring name_;
  BOOL muted_ = FALSE;
  BOOL locked_ = FALSE;
  long userId_ = 0;
  std::vector<BYTE> userData_;
  GUID subObjectGuid_ = GUID_NULL;
  IUnknown* subObject_ = nullptr;
  IPropertySetter* propertySetter_ = nullptr;

  NodeGroup group_;
  NodeComposition composition_;
  NodeEffectable effectable_;
  NodeTransable transable_;
  NodeTrack track_;
  NodeVirtualTrack virtualTrack_;
  NodeSource source_;
  NodeSplittable splittable_;
  NodeEffect effect_;
  NodeTransition transition_;

  friend class NodeGroup;
  friend class NodeSource;
  friend class NodeSplittable;
  friend class NodeTransition;
};
