// The modal window that makes a timeline group or edits one: its name, the
// Locked and Muted flags, the output media type and subtype, and the video
// frame size or audio sample rate. On OK it writes through AddOrUpdateGroup.
#pragma once

#include <cstdint>

#include "ComPtr.h"
#include "DialogWindow.h"
#include "EditingServices.h"
#include "MediaFormats.h"

class CheckBox;
class ComboBox;
class EditBox;
class StaticText;

class WndTLGroup : public DialogWindow {
 public:
  static constexpr int kWidth = 300;

  WndTLGroup();
  DWORD Create(HWND parent, HINSTANCE instance) override;
  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
  // With result 1 writes the group; -1 keeps the window open when that fails.
  int QueryClose() override;

  // After Create. A null object makes a new group on OK; the media type of an
  // existing one cannot be changed here.
  void SetObject(IAMTimeline* timeline, IAMTimelineObj* object);

  EditBox* NameField() const { return nameField_; }
  CheckBox* LockedBox() const { return lockedBox_; }
  CheckBox* MutedBox() const { return mutedBox_; }
  ComboBox* TypeList() const { return typeList_; }
  ComboBox* SubtypeList() const { return subtypeList_; }
  // Exist only while the Video type is selected.
  EditBox* WidthField() const { return widthField_; }
  EditBox* HeightField() const { return heightField_; }
  // Exists only while the Audio type is selected.
  ComboBox* RateList() const { return rateList_; }

 private:
  void OnTypeChange();
  void MakeVideoControls();
  void MakeAudioControls();
  template <class T>
  void RemoveControl(T*& control) {
    if (control) RemoveChild(control, true, true);
    control = nullptr;
  }
  int AddRate(uint32_t rate);
  void Load();
  void LoadFormat(const AM_MEDIA_TYPE& type);
  bool FillSize(GroupFormat* format);
  bool WriteGroup();

  IAMTimeline* timeline_ = nullptr;  // not owned
  ComPtr<IAMTimelineObj> object_;
  ComPtr<IAMTimelineGroup> group_;
  bool openedWithGroup_ = false;
  EditBox* nameField_ = nullptr;
  CheckBox* lockedBox_ = nullptr;
  CheckBox* mutedBox_ = nullptr;
  ComboBox* typeList_ = nullptr;
  ComboBox* subtypeList_ = nullptr;
  StaticText* sizeLabel_ = nullptr;
  EditBox* widthField_ = nullptr;
  EditBox* heightField_ = nullptr;
  StaticText* rateLabel_ = nullptr;
  ComboBox* rateList_ = nullptr;
  int optionalTop_ = 0;  // where the video or audio controls go
};
