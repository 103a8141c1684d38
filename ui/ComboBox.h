// A drop-down list whose list widens to its widest text.
#pragma once

#include "Window.h"

class ComboBox : public Window {
 public:
  ComboBox();
  ComboBox(HWND parent, HINSTANCE instance);
  void InitDefaults() override;
  // After the default handling, a layout change sizes the control again to its
  // widest text and its dropped height.
  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
  DWORD Create(HWND parent, HINSTANCE instance) override;

  int GetCount() const;  // 0 also when the control answers CB_ERR
  int AddString(const wchar_t* text);
  int InsertString(const wchar_t* text);  // always at the top
  // A new heap string (FreeText); null when index is not below the count.
  wchar_t* GetString(int index) const;
  bool DeleteString(int index);
  bool ResetContent();
  LRESULT GetItemData(int index) const;
  bool SetItemData(int index, LRESULT value);
  int GetCurSel() const;
  void SetCurSel(int index);
  bool GetDroppedState() const;
  void ShowDropDown(bool show);
  // 0 on success, 1 on failure, -1 without a list window.
  int SetDroppedHeight(int height);
  int FindString(const wchar_t* text, int start, bool exact) const;

  int DroppedHeight() const { return droppedHeight_; }
  int WidestText() const { return widestText_; }
  HWND EditWindow() const { return editWindow_; }
  HWND ListWindow() const { return listWindow_; }

 private:
  bool IndexValid(int index) const { return index >= 0 && index < GetCount(); }
  int Inserted(int result, const wchar_t* text);
  int MeasureText(const wchar_t* text) const;
  void FitControl();

  int droppedHeight_ = 100;
  int widestText_ = 0;
  HWND editWindow_ = nullptr;
  HWND listWindow_ = nullptr;
  bool fitting_ = false;  // sizing from inside WM_WINDOWPOSCHANGED
};
