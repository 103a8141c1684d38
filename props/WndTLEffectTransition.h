// The modal property window that creates an effect or transition on a track or
// edits one: parent group and track, name, Locked and Muted, start and stop,
// the filter and its parameter values. OK writes; Cancel writes nothing.
//
// Calling pattern: construct; ModifyStyle to remove WS_VISIBLE; Create;
// SetKind; SetObject; SetDefaultTimes for a new object; CenterOn; ShowModal;
// result 1 means the timeline was changed; Destroy(true).
#pragma once

#include <cstdint>

#include "ComPtr.h"
#include "DialogWindow.h"
#include "EditingServices.h"
#include "ParameterCatalog.h"
#include "ParameterGrid.h"

class CheckBox;
class ComboBox;
class EditBox;
class FilterList;
class GridControl;
class StaticText;
class TimeEdit;

class WndTLEffectTransition : public DialogWindow {
 public:
  static constexpr int kEffect = ParameterCatalog::kEffect;
  static constexpr int kTransition = ParameterCatalog::kTransition;

  // Reads the parameter catalog from the current directory.
  WndTLEffectTransition();
  ~WndTLEffectTransition() override;
  DWORD Create(HWND parent, HINSTANCE instance) override;
  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
  // On OK writes the timeline; -1 keeps the window open.
  int QueryClose() override;

  // 1 effect, 2 transition; sets the captions.
  void SetKind(int kind);
  // object null for a new one; groupIndex and trackIndex where the object is
  // (-1 when unknown). Fills every control.
  void SetObject(IAMTimeline* timeline, IAMTimelineObj* object, long groupIndex, long trackIndex);
  // A new object's start (interface time) and a stop one second later.
  void SetDefaultTimes(int64_t time);

  int Kind() const { return kind_; }
  ComboBox* GroupChoice() const { return groupChoice_; }
  ComboBox* TrackChoice() const { return trackChoice_; }
  ComboBox* FilterChoice() const { return filterChoice_; }
  EditBox* NameField() const { return nameField_; }
  CheckBox* LockedBox() const { return lockedBox_; }
  CheckBox* MutedBox() const { return mutedBox_; }
  TimeEdit* StartField() const { return startField_; }
  TimeEdit* StopField() const { return stopField_; }
  GridControl* Grid() const { return grid_; }

 protected:
  void ChildRemoved(Window* child) override;

 private:
  void BuildControls();
  void SetCaptions();
  void LoadObject(long groupIndex, long trackIndex);
  void OnGroupChange();
  void FillFilterChoice();
  void OnFilterChange();
  void EnableOk(bool enable);
  bool OkEnabled() const;
  const FilterList* OfferedFilters() const;
  bool WriteObject();
  bool CreateObject();
  bool PlaceOnTrack(long groupIndex, long trackIndex, bool takeOff, REFERENCE_TIME start, REFERENCE_TIME stop);
  HRESULT InsertOn(IAMTimelineObj* track);
  void ForgetRows();

  ParameterCatalog catalog_;
  ParameterGrid parameters_;
  IAMTimeline* timeline_ = nullptr;  // the project's; not owned
  ComPtr<IAMTimelineObj> object_;
  ComPtr<IAMTimelineEffect> effect_;
  ComPtr<IAMTimelineTrans> transition_;
  int kind_ = -1;
  const FilterList* filterList_ = nullptr;
  long initialGroup_ = -1;
  long initialTrack_ = -1;
  GUID groupMediaType_ = GUID_NULL;
  GUID objectFilter_ = GUID_NULL;

  // Children of the window, which owns them.
  StaticText* filterLabel_ = nullptr;
  ComboBox* groupChoice_ = nullptr;
  ComboBox* trackChoice_ = nullptr;
  EditBox* nameField_ = nullptr;
  CheckBox* lockedBox_ = nullptr;
  CheckBox* mutedBox_ = nullptr;
  TimeEdit* startField_ = nullptr;
  TimeEdit* stopField_ = nullptr;
  ComboBox* filterChoice_ = nullptr;
  GridControl* grid_ = nullptr;
};
