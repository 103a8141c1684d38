// The modal window that adds a track to a group at a chosen priority level,
// or edits a track: its group, level, name and the Locked and Muted flags.
#pragma once

#include "ComPtr.h"
#include "DialogWindow.h"
#include "EditingServices.h"

class CheckBox;
class ComboBox;
class EditBox;

class WndTLTrack : public DialogWindow {
 public:
  static constexpr int kWidth = 300;

  WndTLTrack();
  DWORD Create(HWND parent, HINSTANCE instance) override;
  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
  // With result 1 writes the track; -1 keeps the window open when that fails.
  int QueryClose() override;

  // After Create. A null object makes a new track on OK; otherwise groupIndex
  // and trackIndex are where the track is now.
  void SetObject(IAMTimeline* timeline, IAMTimelineObj* object, long groupIndex, long trackIndex);

  ComboBox* GroupList() const { return groupList_; }
  ComboBox* LevelList() const { return levelList_; }
  EditBox* NameField() const { return nameField_; }
  CheckBox* LockedBox() const { return lockedBox_; }
  CheckBox* MutedBox() const { return mutedBox_; }
  long InitialGroup() const { return initialGroup_; }
  long InitialTrack() const { return initialTrack_; }

 private:
  void OnGroupChange();
  void EnableOk(bool enable);
  ComPtr<IAMTimelineComp> GroupComposition(long groupIndex) const;
  void Load();
  bool MoveToGroup(IAMTimelineComp* target, long groupIndex, long level);
  void ChangeLevel(long level);
  bool WriteTrack();

  IAMTimeline* timeline_ = nullptr;  // not owned
  ComPtr<IAMTimelineObj> object_;
  ComPtr<IAMTimelineTrack> track_;
  long initialGroup_ = -1;
  long initialTrack_ = -1;
  bool newTrack_ = true;
  bool nameTyped_ = false;
  ComboBox* groupList_ = nullptr;
  ComboBox* levelList_ = nullptr;
  EditBox* nameField_ = nullptr;
  CheckBox* lockedBox_ = nullptr;
  CheckBox* mutedBox_ = nullptr;
};
