#include "WndTLEffectTransition.h"

#include "CheckBox.h"
#include "ComboBox.h"
#include "EditBox.h"
#include "FilterList.h"
#include "GridControl.h"
#include "PropertyWindowShape.h"
#include "StaticText.h"
#include "TimeEdit.h"
#include "TimelineOperations.h"

namespace {

constexpr int64_t kDefaultLength = 1000000;  // one second of interface time

// The index in effectFilters of a kind's filters for a group's media type; -1 for none.
int FilterListIndex(int kind, REFGUID mediaType) {
  if (kind != WndTLEffectTransition::kEffect && kind != WndTLEffectTransition::kTransition) return -1;
  int offset = kind == WndTLEffectTransition::kEffect ? 0 : 1;
  if (mediaType == MEDIATYPE_Video) return offset;
  if (mediaType == MEDIATYPE_Audio) return 2 + offset;
  return -1;
}

}  // namespace

WndTLEffectTransition::WndTLEffectTransition() : parameters_(&catalog_) {
  className_ = L"WndTLEffectTransition";
  ModifyStyle(WS_THICKFRAME, false, kStyleRemove);
  catalog_.Open();
}

WndTLEffectTransition::~WndTLEffectTransition() { ForgetRows(); }

// The grid outlives this object's members: its rows' records are freed here,
// while the observer still exists, and the grid is told to forget it.
void WndTLEffectTransition::ForgetRows() {
  if (!grid_) return;
  for (int row = 0; row < grid_->GetRowCount(); ++row) parameters_.OnRowDeleted(grid_, row);
  grid_->SetObserver(nullptr);
}

void WndTLEffectTransition::ChildRemoved(Window* child) {
  if (child == grid_) {
    ForgetRows();
    grid_ = nullptr;
  }
  DialogWindow::ChildRemoved(child);
}

DWORD WndTLEffectTransition::Create(HWND parent, HINSTANCE instance) {
  DWORD error = FrameWindow::Create(parent, instance);
  if (error) return error;
  SetSize(340, 200);
  SetText(L"Timeline effect/transition");
  BuildControls();
  ArrangeButtons(grid_);
  EnableOk(false);
  return 0;
}

void WndTLEffectTransition::BuildControls() {
  PropertyWindowShape shape(this);
  PlacementRows rows = shape.AddPlacementRows(L"Timeline object name:");
  groupChoice_ = rows.group;
  trackChoice_ = rows.track;
  nameField_ = rows.name;
  lockedBox_ = rows.locked;
  mutedBox_ = rows.muted;
  startField_ = rows.start;
  stopField_ = rows.stop;
  filterLabel_ = shape.AddLabel(L"DS filter:", 4);
  ComboBox* filters = new ComboBox();
  filters->ModifyStyle(CBS_SORT, false, kStyleAdd);
  filterChoice_ = shape.AddControl(filters, 0);
  GridControl* grid = new GridControl();
  grid_ = shape.AddControl(grid, 4, 160);
  parameters_.SetUp(grid_);
}

void WndTLEffectTransition::SetKind(int kind) {
  kind_ = kind;
  SetCaptions();
}

void WndTLEffectTransition::SetCaptions() {
  if (kind_ != kEffect && kind_ != kTransition) return;
  bool effect = kind_ == kEffect;
  if (filterLabel_) filterLabel_->SetText(effect ? L"Effect:" : L"Transition:");
  if (object_) SetText(effect ? L"Timeline effect" : L"Timeline transition");
  else SetText(effect ? L"New timeline effect" : L"New timeline transition");
}

void WndTLEffectTransition::SetObject(IAMTimeline* timeline, IAMTimelineObj* object, long groupIndex,
                                      long trackIndex) {
  timeline_ = timeline;
  object_ = ComPtr<IAMTimelineObj>(object);
  effect_.Reset();
  transition_.Reset();
  if (!timeline_ || !groupChoice_) return;
  if (object_) {
    LoadObject(groupIndex, trackIndex);
    return;
  }
  SetCaptions();
  FillGroupChoices(timeline_, *groupChoice_, GUID_NULL);
  groupChoice_->SetCurSel(0);
  OnGroupChange();
}

void WndTLEffectTransition::LoadObject(long groupIndex, long trackIndex) {
  effect_ = object_.As<IAMTimelineEffect>(IID_IAMTimelineEffect);
  if (!effect_) transition_ = object_.As<IAMTimelineTrans>(IID_IAMTimelineTrans);
  kind_ = effect_ ? kEffect : kTransition;
  SetCaptions();
  initialGroup_ = groupIndex;
  initialTrack_ = trackIndex;
  object_->GetSubObjectGUID(&objectFilter_);
  groupMediaType_ = GetGroupMajorType(timeline_, groupIndex);
  FillGroupChoices(timeline_, *groupChoice_, groupMediaType_);
  PropertyWindowShape::SelectByData(groupChoice_, groupIndex);
  OnGroupChange();
  PropertyWindowShape::LoadNameAndFlags(object_.Get(), nameField_, lockedBox_, mutedBox_);
  PropertyWindowShape::LoadStartStop(object_.Get(), startField_, stopField_);
}

void WndTLEffectTransition::SetDefaultTimes(int64_t time) {
  if (!startField_) return;
  startField_->SetValue(time);
  stopField_->SetValue(time + kDefaultLength);
}

void WndTLEffectTransition::OnGroupChange() {
  long group = PropertyWindowShape::SelectedData(groupChoice_, -1);
  // With no group chosen there is nothing to place the object on.
  int tracks = group < 0 ? -1 : FillTrackChoices(timeline_, group, *trackChoice_);
  if (tracks <= 0) {
    if (group < 0) trackChoice_->ResetContent();
    EnableOk(false);
    return;
  }
  groupMediaType_ = GetGroupMajorType(timeline_, group);
  // An object on the group itself (track -1) shows no track, so that OK
  // leaves it on the group unless a track is chosen.
  if (object_ && group == initialGroup_ && initialTrack_ < 0) trackChoice_->SetCurSel(-1);
  else if (group != initialGroup_ || !PropertyWindowShape::SelectByData(trackChoice_, initialTrack_))
    trackChoice_->SetCurSel(0);
  FillFilterChoice();
}

const FilterList* WndTLEffectTransition::OfferedFilters() const {
  int index = FilterListIndex(kind_, groupMediaType_);
  return index < 0 ? nullptr : &effectFilters[index];
}

void WndTLEffectTransition::FillFilterChoice() {
  filterList_ = OfferedFilters();
  filterChoice_->ResetContent();
  int current = -1;
  for (int i = 0; filterList_ && i < filterList_->Count(); ++i) {
    int at = filterChoice_->AddString((*filterList_)[i].name);
    filterChoice_->SetItemData(at, i);
    if (IsEqualGUID((*filterList_)[i].clsid, objectFilter_)) current = i;
  }
  // Selected by data once all are in: the sorted list moves entries as it grows.
  if (current < 0 || !PropertyWindowShape::SelectByData(filterChoice_, current)) {
    if (filterChoice_->GetCount() > 0) filterChoice_->SetCurSel(0);
  }
  OnFilterChange();
}

void WndTLEffectTransition::OnFilterChange() {
  grid_->DeleteAllRows();
  long index = PropertyWindowShape::SelectedData(filterChoice_, -1);
  if (!filterList_ || index < 0 || index >= filterList_->Count()) {
    EnableOk(false);
    return;
  }
  const CLSID& filter = (*filterList_)[index].clsid;
  catalog_.ListParameters(kind_, filter, *grid_);
  if (object_ && IsEqualGUID(filter, objectFilter_)) parameters_.LoadValues(grid_, object_.Get());
  EnableOk(trackChoice_->GetCount() > 0);
}

void WndTLEffectTransition::EnableOk(bool enable) {
  if (OkButton()) EnableWindow(OkButton()->Handle(), enable ? TRUE : FALSE);
}

bool WndTLEffectTransition::OkEnabled() const { return OkButton() && IsWindowEnabled(OkButton()->Handle()); }

LRESULT WndTLEffectTransition::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && HIWORD(wParam) == CBN_SELCHANGE && lParam) {
    HWND from = reinterpret_cast<HWND>(lParam);
    if (groupChoice_ && from == groupChoice_->Handle()) {
      OnGroupChange();
      return 0;
    }
    if (filterChoice_ && from == filterChoice_->Handle()) {
      OnFilterChange();
      return 0;
    }
  }
  return DialogWindow::WindowProc(hwnd, message, wParam, lParam);
}

int WndTLEffectTransition::QueryClose() {
  if (Result() != IDOK) return DialogWindow::QueryClose();
  // Enter reaches here also while OK is disabled: there is nothing valid to write then.
  if (!OkEnabled()) return -1;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  bool written = WriteObject();
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  return written ? DialogWindow::QueryClose() : -1;
}

bool WndTLEffectTransition::CreateObject() {
  TIMELINE_MAJOR_TYPE type = kind_ == kEffect ? TIMELINE_MAJOR_TYPE_EFFECT : TIMELINE_MAJOR_TYPE_TRANSITION;
  if ((kind_ != kEffect && kind_ != kTransition) || !timeline_) return false;
  if (FAILED(timeline_->CreateEmptyNode(object_.Receive(), type)) || !object_) return false;
  if (kind_ == kEffect) effect_ = object_.As<IAMTimelineEffect>(IID_IAMTimelineEffect);
  else transition_ = object_.As<IAMTimelineTrans>(IID_IAMTimelineTrans);
  return true;
}

bool WndTLEffectTransition::WriteObject() {
  bool created = !object_;
  if (created && !CreateObject()) {
    object_.Reset();
    return false;
  }
  if (!effect_ && !transition_) {
    if (created) object_.Reset();  // a node that cannot be used is not kept
    return false;
  }
  long group = PropertyWindowShape::SelectedData(groupChoice_, -1);
  long track = PropertyWindowShape::SelectedData(trackChoice_, -1);
  REFERENCE_TIME start = PropertyWindowShape::StoreTime(startField_);
  REFERENCE_TIME stop = PropertyWindowShape::StoreTime(stopField_);
  // The times go first: a track refuses a transition that would overlap
  // another, and then nothing is written and the window stays open.
  // A new object always goes onto its track, whatever the window showed before.
  bool placed = created || group != initialGroup_ || track != initialTrack_
                    ? PlaceOnTrack(group, track, !created, start, stop)
                    : SUCCEEDED(object_->SetStartStop(start, stop));
  if (!placed) {
    if (created) {
      effect_.Reset();
      transition_.Reset();
      object_.Reset();
    }
    MessageBeep(MB_ICONWARNING);
    return false;
  }
  long filter = PropertyWindowShape::SelectedData(filterChoice_, -1);
  if (filterList_ && filter >= 0 && filter < filterList_->Count())
    object_->SetSubObjectGUID((*filterList_)[filter].clsid);
  PropertyWindowShape::StoreNameAndFlags(object_.Get(), nameField_, lockedBox_, mutedBox_);
  PropertyWindowShape::StoreStartStop(object_.Get(), startField_, stopField_);
  parameters_.WriteValues(grid_, object_.Get());
  effect_.Reset();
  transition_.Reset();
  if (created) object_.Reset();  // the timeline holds it now
  return true;
}

namespace {

ComPtr<IAMTimelineObj> TrackAt(IAMTimeline* timeline, long groupIndex, long trackIndex) {
  ComPtr<IAMTimelineObj> group, track;
  if (!timeline || FAILED(timeline->GetGroup(group.Receive(), groupIndex)) || !group) return track;
  ComPtr<IAMTimelineComp> comp = group.As<IAMTimelineComp>(IID_IAMTimelineComp);
  if (comp) comp->GetVTrack(track.Receive(), trackIndex);
  return track;
}

}  // namespace

HRESULT WndTLEffectTransition::InsertOn(IAMTimelineObj* track) {
  if (!track) return E_INVALIDARG;
  if (effect_) {
    ComPtr<IAMTimelineEffectable> effectable =
        ComPtr<IAMTimelineObj>(track).As<IAMTimelineEffectable>(IID_IAMTimelineEffectable);
    return effectable ? effectable->EffectInsBefore(object_.Get(), -1) : E_NOINTERFACE;
  }
  ComPtr<IAMTimelineTransable> transable =
      ComPtr<IAMTimelineObj>(track).As<IAMTimelineTransable>(IID_IAMTimelineTransable);
  return transable ? transable->TransAdd(object_.Get()) : E_NOINTERFACE;
}

// The object leaves its old parent only once the new track is known, takes
// its new times while it belongs nowhere, and goes back where it was when the
// new track refuses it, so it is never left out of the timeline.
bool WndTLEffectTransition::PlaceOnTrack(long groupIndex, long trackIndex, bool takeOff,
                                         REFERENCE_TIME start, REFERENCE_TIME stop) {
  ComPtr<IAMTimelineObj> track = TrackAt(timeline_, groupIndex, trackIndex);
  if (!track) return false;
  REFERENCE_TIME oldStart = 0, oldStop = 0;
  object_->GetStartStop(&oldStart, &oldStop);
  if (takeOff) object_->Remove();
  if (SUCCEEDED(object_->SetStartStop(start, stop)) && SUCCEEDED(InsertOn(track.Get()))) return true;
  object_->SetStartStop(oldStart, oldStop);
  if (takeOff) InsertOn(TrackAt(timeline_, initialGroup_, initialTrack_).Get());
  return false;
}
