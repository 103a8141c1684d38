#include "ListView.h"

#include <commctrl.h>

#include "CommonControls.h"

ListView::ListView() { ListView::InitDefaults(); }

ListView::ListView(HWND parent, HINSTANCE instance) : ListView() { Create(parent, instance); }

void ListView::InitDefaults() {
  SetDefaults(WS_EX_CLIENTEDGE, WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 0, 0);
}

DWORD ListView::Create(HWND parent, HINSTANCE instance) {
  EnsureCommonControls(ICC_LISTVIEW_CLASSES);
  return CreateWindowOfClass(WC_LISTVIEWW, instance, parent, 0, true);
}

void ListView::SetExtendedStyle(DWORD style) { Send(LVM_SETEXTENDEDLISTVIEWSTYLE, 0, style); }

int ListView::InsertColumn(const wchar_t* text, int index, int width) {
  if (!hwnd_) return -1;
  LVCOLUMNW column = {};
  column.mask = LVCF_WIDTH | LVCF_TEXT;
  column.cx = width;
  column.pszText = const_cast<wchar_t*>(text ? text : L"");
  return static_cast<int>(Send(LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column)));
}

bool ListView::DeleteColumn(int index) { return Send(LVM_DELETECOLUMN, index) != 0; }

int ListView::GetItemCount() const { return static_cast<int>(Send(LVM_GETITEMCOUNT)); }

int ListView::InsertItem(const wchar_t* text, int index) {
  if (!hwnd_) return -1;
  LVITEMW item = {};
  item.mask = LVIF_TEXT;
  item.iItem = index;
  item.pszText = const_cast<wchar_t*>(text ? text : L"");
  return static_cast<int>(Send(LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

UINT ListView::GetItemState(int index, UINT mask) const {
  return static_cast<UINT>(Send(LVM_GETITEMSTATE, index, mask));
}

bool ListView::SetItemState(int index, UINT state, UINT mask) {
  LVITEMW item = {};
  item.state = state;
  item.stateMask = mask;
  return Send(LVM_SETITEMSTATE, index, reinterpret_cast<LPARAM>(&item)) != 0;
}

bool ListView::SetItemText(int index, int subitem, const wchar_t* text) {
  LVITEMW item = {};
  item.mask = LVIF_TEXT;
  item.iItem = index;
  item.iSubItem = subitem;
  item.pszText = const_cast<wchar_t*>(text ? text : L"");
  return Send(LVM_SETITEMW, 0, reinterpret_cast<LPARAM>(&item)) != 0;
}

bool ListView::DeleteItem(int index) { return Send(LVM_DELETEITEM, index) != 0; }

bool ListView::DeleteAllItems() { return Send(LVM_DELETEALLITEMS) != 0; }

int ListView::GetSelectionMark() const { return static_cast<int>(Send(LVM_GETSELECTIONMARK)); }
