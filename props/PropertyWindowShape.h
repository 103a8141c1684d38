// What the property windows of timeline objects have in common: controls laid
// out top to bottom under caption labels, the name and Locked/Muted fields of
// an IAMTimelineObj, time fields in interface time, and the parent choices.
//
// Layout: a cursor down the client area of a dialog window. Every control is
// placed at x = client left + 4, as wide as the client width - 8 (a pair
// sharing a row takes two halves), created on the window and added with
// AddChild, unanchored. Each Add takes the gap above the row it makes.
#pragma once

#include <windows.h>

#include "EditingServices.h"

class CheckBox;
class ComboBox;
class DialogWindow;
class EditBox;
class StaticText;
class TimeEdit;
class Window;

// The rows every window of a placed object starts with.
struct PlacementRows {
  ComboBox* group;
  ComboBox* track;
  EditBox* name;
  CheckBox* locked;
  CheckBox* muted;
  TimeEdit* start;
  TimeEdit* stop;
};

class PropertyWindowShape {
 public:
  static constexpr int kMargin = 4;
  static constexpr int kLabelHeight = 15;
  static constexpr int kControlHeight = 20;

  // Starts at the client top of window, which must exist.
  explicit PropertyWindowShape(DialogWindow* window);

  int Left() const { return left_; }
  int Width() const { return width_; }
  int HalfWidth() const { return width_ / 2; }
  // Where the next row begins before its gap.
  int Bottom() const { return bottom_; }

  // A caption label at full width, height 15.
  StaticText* AddLabel(const wchar_t* text, int gap);
  // A control at full width; the window takes it whether or not it was created.
  template <class T>
  T* AddControl(T* control, int gap, int height = kControlHeight) {
    bottom_ += gap;
    Place(control, left_, width_, height);
    bottom_ += height;
    return control;
  }
  // A caption label with the control it names directly below it.
  template <class T>
  T* AddLabeled(const wchar_t* caption, T* control, int gap, int height = kControlHeight) {
    AddLabel(caption, gap);
    return AddControl(control, 0, height);
  }
  // Two controls sharing a row, each half the width.
  void AddPair(Window* left, Window* right, int gap, int height);
  // Two captioned check boxes sharing a row (the flags row), height 15.
  // Parent group and track, the name under nameCaption, Locked and Muted, and
  // the start and stop times.
  PlacementRows AddPlacementRows(const wchar_t* nameCaption);
  void AddCheckPair(CheckBox* left, const wchar_t* leftText, CheckBox* right, const wchar_t* rightText,
                    int gap);

  // Name field, Locked and Muted from an object (any may be null). A box is
  // ticked when the object's flag is non-zero.
  static void LoadNameAndFlags(IAMTimelineObj* object, EditBox* name, CheckBox* locked, CheckBox* muted);
  // The name (a null name when the field is empty) and the flags 1 or 0.
  static void StoreNameAndFlags(IAMTimelineObj* object, EditBox* name, CheckBox* locked, CheckBox* muted);

  // REFERENCE_TIME (100 ns) to and from a field of interface time (1 us).
  static void LoadTime(TimeEdit* field, REFERENCE_TIME time);
  static REFERENCE_TIME StoreTime(const TimeEdit* field);
  static void LoadStartStop(IAMTimelineObj* object, TimeEdit* start, TimeEdit* stop);
  static void StoreStartStop(IAMTimelineObj* object, TimeEdit* start, TimeEdit* stop);

  // The item data of the selected entry, or fallback when nothing is selected.
  static long SelectedData(const ComboBox* list, long fallback);
  // Selects the entry whose item data is value; false when there is none.
  static bool SelectByData(ComboBox* list, LRESULT value);

 private:
  // Sets place and size at the current bottom, creates control on the window
  // and adds it as a child.
  void Place(Window* control, int x, int width, int height);

  DialogWindow* window_;
  int left_ = kMargin;
  int width_ = 0;
  int bottom_ = 0;
};
