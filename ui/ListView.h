// A report-view list control with single selection.
#pragma once

#include "Window.h"

class ListView : public Window {
 public:
  ListView();
  ListView(HWND parent, HINSTANCE instance);
  void InitDefaults() override;
  DWORD Create(HWND parent, HINSTANCE instance) override;

  void SetExtendedStyle(DWORD style);
  int InsertColumn(const wchar_t* text, int index, int width);  // -1 without window
  bool DeleteColumn(int index);
  int GetItemCount() const;
  int InsertItem(const wchar_t* text, int index);  // -1 without window
  UINT GetItemState(int index, UINT mask) const;
  bool SetItemState(int index, UINT state, UINT mask);
  bool SetItemText(int index, int subitem, const wchar_t* text);
  bool DeleteItem(int index);
  bool DeleteAllItems();
  int GetSelectionMark() const;
};
