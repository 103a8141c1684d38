#include "PropertyWindowShape.h"

#include "CheckBox.h"
#include "ComboBox.h"
#include "DialogWindow.h"
#include "EditBox.h"
#include "StaticText.h"
#include "Text.h"
#include "TimeEdit.h"

PropertyWindowShape::PropertyWindowShape(DialogWindow* window) : window_(window) {
  RECT client = {};
  if (window_ && window_->Handle()) GetClientRect(window_->Handle(), &client);
  left_ = client.left + kMargin;
  width_ = client.right - client.left - 2 * kMargin;
  bottom_ = client.top;
}

void PropertyWindowShape::Place(Window* control, int x, int width, int height) {
  control->SetPosition(x, bottom_);
  control->SetSize(width, height);
  control->Create(window_->Handle(), window_->Instance());
  window_->AddChild(control);
}

StaticText* PropertyWindowShape::AddLabel(const wchar_t* text, int gap) {
  StaticText* label = AddControl(new StaticText(), gap, kLabelHeight);
  label->SetText(text);
  return label;
}

void PropertyWindowShape::AddPair(Window* left, Window* right, int gap, int height) {
  int half = HalfWidth();
  bottom_ += gap;
  Place(left, left_, half, height);
  Place(right, left_ + half, half, height);
  bottom_ += height;
}

PlacementRows PropertyWindowShape::AddPlacementRows(const wchar_t* nameCaption) {
  PlacementRows rows;
  rows.group = AddLabeled(L"Timeline parent group and track:", new ComboBox(), 4);
  rows.track = AddControl(new ComboBox(), 2);
  rows.name = AddLabeled(nameCaption, new EditBox(), 4);
  rows.locked = new CheckBox();
  rows.muted = new CheckBox();
  AddCheckPair(rows.locked, L"Locked", rows.muted, L"Muted", 4);
  AddLabel(L"Timeline start and stop times:", 4);
  rows.start = new TimeEdit();
  rows.stop = new TimeEdit();
  AddPair(rows.start, rows.stop, 0, kControlHeight);
  return rows;
}

void PropertyWindowShape::AddCheckPair(CheckBox* left, const wchar_t* leftText, CheckBox* right,
                                       const wchar_t* rightText, int gap) {
  AddPair(left, right, gap, kLabelHeight);
  left->SetText(leftText);
  right->SetText(rightText);
}

void PropertyWindowShape::LoadNameAndFlags(IAMTimelineObj* object, EditBox* name, CheckBox* locked,
                                           CheckBox* muted) {
  if (!object) return;
  if (name) {
    BSTR text = nullptr;
    if (SUCCEEDED(object->GetUserName(&text))) name->SetText(text);
    SysFreeString(text);
  }
  BOOL flag = FALSE;
  if (locked && SUCCEEDED(object->GetLocked(&flag))) locked->SetCheck(flag ? BST_CHECKED : BST_UNCHECKED);
  flag = FALSE;
  if (muted && SUCCEEDED(object->GetMuted(&flag))) muted->SetCheck(flag ? BST_CHECKED : BST_UNCHECKED);
}

void PropertyWindowShape::StoreNameAndFlags(IAMTimelineObj* object, EditBox* name, CheckBox* locked,
                                            CheckBox* muted) {
  if (!object) return;
  if (name) {
    wchar_t* text = name->GetText();
    // An empty field clears the name rather than storing "".
    BSTR value = text && text[0] ? SysAllocString(text) : nullptr;
    object->SetUserName(value);
    SysFreeString(value);
    FreeText(text);
  }
  if (locked) object->SetLocked(locked->GetCheck() == BST_CHECKED ? TRUE : FALSE);
  if (muted) object->SetMuted(muted->GetCheck() == BST_CHECKED ? TRUE : FALSE);
}

void PropertyWindowShape::LoadTime(TimeEdit* field, REFERENCE_TIME time) {
  if (field) field->SetValue(time / 10);
}

REFERENCE_TIME PropertyWindowShape::StoreTime(const TimeEdit* field) {
  return field ? field->GetValue() * 10 : 0;
}

void PropertyWindowShape::LoadStartStop(IAMTimelineObj* object, TimeEdit* start, TimeEdit* stop) {
  REFERENCE_TIME first = 0, last = 0;
  if (!object || FAILED(object->GetStartStop(&first, &last))) return;
  LoadTime(start, first);
  LoadTime(stop, last);
}

void PropertyWindowShape::StoreStartStop(IAMTimelineObj* object, TimeEdit* start, TimeEdit* stop) {
  if (object) object->SetStartStop(StoreTime(start), StoreTime(stop));
}

long PropertyWindowShape::SelectedData(const ComboBox* list, long fallback) {
  int index = list ? list->GetCurSel() : -1;
  if (index < 0) return fallback;
  return static_cast<long>(list->GetItemData(index));
}

bool PropertyWindowShape::SelectByData(ComboBox* list, LRESULT value) {
  if (!list) return false;
  for (int i = 0; i < list->GetCount(); ++i) {
    if (list->GetItemData(i) == value) {
      list->SetCurSel(i);
      return true;
    }
  }
  return false;
}
