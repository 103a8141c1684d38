#include "WndTLTrack.h"

#include "CheckBox.h"
#include "ComboBox.h"
#include "EditBox.h"
#include "JoinedString.h"
#include "NumberText.h"
#include "PropertyWindowShape.h"
#include "StaticText.h"
#include "TimelineOperations.h"

WndTLTrack::WndTLTrack() {
  className_ = L"WndTLTrack";
  ModifyStyle(WS_THICKFRAME, false, kStyleRemove);
}

DWORD WndTLTrack::Create(HWND parent, HINSTANCE instance) {
  DWORD error = FrameWindow::Create(parent, instance);
  if (error) return error;
  SetSize(kWidth, 200);
  SetText(L"Timeline track");
  PropertyWindowShape shape(this);
  groupList_ = shape.AddLabeled(L"Timeline parent group:", new ComboBox(), 4);
  StaticText* levelLabel = new StaticText();
  levelList_ = new ComboBox();
  shape.AddPair(levelLabel, levelList_, 4, PropertyWindowShape::kControlHeight);
  levelLabel->SetText(L"Track priority level:");
  levelLabel->SetSize(shape.HalfWidth(), PropertyWindowShape::kLabelHeight);
  nameField_ = shape.AddLabeled(L"Timeline track name:", new EditBox(), 4);
  lockedBox_ = new CheckBox();
  mutedBox_ = new CheckBox();
  shape.AddCheckPair(lockedBox_, L"Locked", mutedBox_, L"Muted", 4);
  ArrangeButtons(mutedBox_);
  EnableOk(false);
  return 0;
}

LRESULT WndTLTrack::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && lParam) {
    HWND from = reinterpret_cast<HWND>(lParam);
    if (HIWORD(wParam) == CBN_SELCHANGE && groupList_ && from == groupList_->Handle()) {
      OnGroupChange();
      return 0;
    }
    if (HIWORD(wParam) == EN_CHANGE && nameField_ && from == nameField_->Handle()) nameTyped_ = true;
  }
  return DialogWindow::WindowProc(hwnd, message, wParam, lParam);
}

void WndTLTrack::SetObject(IAMTimeline* timeline, IAMTimelineObj* object, long groupIndex, long trackIndex) {
  timeline_ = timeline;
  object_ = ComPtr<IAMTimelineObj>(object);
  track_.Reset();
  newTrack_ = object == nullptr;
  groupList_->ResetContent();
  FillGroupChoices(timeline_, *groupList_, GUID_NULL);
  if (object) {
    SetText(L"Timeline track");
    track_ = object_.As<IAMTimelineTrack>(IID_IAMTimelineTrack);
    initialGroup_ = groupIndex;
    initialTrack_ = trackIndex;
    nameTyped_ = true;
    Load();
  } else {
    SetText(L"New timeline track");
    initialGroup_ = initialTrack_ = -1;
    nameTyped_ = false;
    groupList_->SetCurSel(0);
    OnGroupChange();
  }
}

void WndTLTrack::EnableOk(bool enable) {
  if (OkButton()) EnableWindow(OkButton()->Handle(), enable ? TRUE : FALSE);
}

ComPtr<IAMTimelineComp> WndTLTrack::GroupComposition(long groupIndex) const {
  ComPtr<IAMTimelineObj> group;
  if (!timeline_ || groupIndex < 0 || FAILED(timeline_->GetGroup(group.Receive(), groupIndex))) {
    return ComPtr<IAMTimelineComp>();
  }
  return group.As<IAMTimelineComp>(IID_IAMTimelineComp);
}

void WndTLTrack::OnGroupChange() {
  levelList_->ResetContent();
  ComPtr<IAMTimelineComp> group = GroupComposition(PropertyWindowShape::SelectedData(groupList_, -1));
  long count = 0;
  if (!group || FAILED(group->VTrackGetCount(&count))) {
    EnableOk(false);
    return;
  }
  // A new track may also go after the last one.
  long levels = newTrack_ ? count + 1 : count;
  for (long level = 0; level < levels; ++level) {
    NumberText text(level);
    levelList_->AddString(text.AsText());
  }
  if (!nameTyped_) {
    NumberText number(count);
    JoinedString name(L"Track_", number.AsText(), nullptr);
    nameField_->SetText(name.Get());
    nameTyped_ = false;  // the proposal follows the group until the user types
  }
  EnableOk(true);
}

void WndTLTrack::Load() {
  PropertyWindowShape::SelectByData(groupList_, initialGroup_);
  OnGroupChange();
  levelList_->SetCurSel(initialTrack_);
  PropertyWindowShape::LoadNameAndFlags(object_.Get(), nameField_, lockedBox_, mutedBox_);
}

// Level -1 appends after the group's last track.
bool WndTLTrack::MoveToGroup(IAMTimelineComp* target, long groupIndex, long level) {
  ComPtr<IAMTimelineComp> old = GroupComposition(initialGroup_);
  if (initialGroup_ >= 0) object_->Remove();
  if (FAILED(target->VTrackInsBefore(object_.Get(), level))) {
    // Put it back rather than leave it out of the timeline.
    if (old) old->VTrackInsBefore(object_.Get(), initialTrack_);
    return false;
  }
  long count = 0;
  target->VTrackGetCount(&count);
  initialGroup_ = groupIndex;
  initialTrack_ = level >= 0 ? level : count - 1;
  return true;
}

void WndTLTrack::ChangeLevel(long level) {
  // No level chosen (the group was chosen again) leaves the level as it is.
  if (level < 0 || level == initialTrack_ || initialTrack_ < 0) return;
  ComPtr<IAMTimelineComp> group = GroupComposition(initialGroup_);
  if (group && SUCCEEDED(group->VTrackSwapPriorities(initialTrack_, level))) initialTrack_ = level;
}

bool WndTLTrack::WriteTrack() {
  long groupIndex = PropertyWindowShape::SelectedData(groupList_, -1);
  ComPtr<IAMTimelineComp> target = GroupComposition(groupIndex);
  // Enter still reaches here while OK is disabled for want of a group.
  if (!target) return false;
  if (newTrack_ && !object_) {
    if (FAILED(timeline_->CreateEmptyNode(object_.Receive(), TIMELINE_MAJOR_TYPE_TRACK))) object_.Reset();
  }
  track_ = object_.As<IAMTimelineTrack>(IID_IAMTimelineTrack);
  if (!track_) return false;
  long level = levelList_->GetCurSel();
  if (groupIndex != initialGroup_) {
    if (!MoveToGroup(target.Get(), groupIndex, level)) {
      if (newTrack_) object_.Reset();
      return false;
    }
  } else {
    ChangeLevel(level);
  }
  PropertyWindowShape::StoreNameAndFlags(object_.Get(), nameField_, lockedBox_, mutedBox_);
  return true;
}

int WndTLTrack::QueryClose() {
  if (result_ == IDOK) {
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    bool written = WriteTrack();
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    if (!written) return -1;
  }
  track_.Reset();
  // The group holds a track made here; shown again, the window makes another.
  if (newTrack_) {
    object_.Reset();
    initialGroup_ = initialTrack_ = -1;
  }
  return DialogWindow::QueryClose();
}
