#include "ComboBox.h"

#include "Text.h"

ComboBox::ComboBox() { ComboBox::InitDefaults(); }

ComboBox::ComboBox(HWND parent, HINSTANCE instance) : ComboBox() { Create(parent, instance); }

void ComboBox::InitDefaults() {
  SetDefaults(WS_EX_NOPARENTNOTIFY, WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST | CBS_AUTOHSCROLL | CBS_HASSTRINGS, 120, 20);
  droppedHeight_ = 100;
  widestText_ = 0;
}

DWORD ComboBox::Create(HWND parent, HINSTANCE instance) {
  editWindow_ = listWindow_ = nullptr;
  DWORD error = CreateWindowOfClass(L"COMBOBOX", instance, parent, 0, true);
  if (error) return error;
  COMBOBOXINFO info = {};
  info.cbSize = sizeof info;
  if (GetComboBoxInfo(hwnd_, &info)) {
    editWindow_ = info.hwndItem;
    listWindow_ = info.hwndList;
  }
  FitControl();  // the creation size was the closed height, not the dropped one
  return 0;
}

LRESULT ComboBox::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT result = Window::WindowProc(hwnd, message, wParam, lParam);
  if (message == WM_WINDOWPOSCHANGED && hwnd_) FitControl();
  return result;
}

// A combo box takes its window height as the height of the dropped list.
void ComboBox::FitControl() {
  if (fitting_ || !hwnd_) return;
  fitting_ = true;
  int width = width_ > widestText_ ? width_ : widestText_;
  SetWindowPos(hwnd_, nullptr, 0, 0, width, droppedHeight_, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  fitting_ = false;
}

int ComboBox::MeasureText(const wchar_t* text) const {
  HDC dc = GetDC(listWindow_);
  if (!dc) return 0;
  // Measure in the font the list draws with, not the device context's default.
  HGDIOBJ font = reinterpret_cast<HGDIOBJ>(Send(WM_GETFONT));
  HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
  SIZE size = {0, 0};
  GetTextExtentPoint32W(dc, text, static_cast<int>(TextLength(text)), &size);
  if (old) SelectObject(dc, old);
  ReleaseDC(listWindow_, dc);
  return size.cx;
}

int ComboBox::Inserted(int result, const wchar_t* text) {
  if (result == CB_ERR || result == CB_ERRSPACE || !listWindow_) return result;
  int textWidth = MeasureText(text);
  if (textWidth <= widestText_) return result;
  widestText_ = textWidth;
  int width = width_ > textWidth ? width_ : textWidth;
  Send(CB_SETDROPPEDWIDTH, width);
  SetWindowPos(listWindow_, nullptr, 0, 0, width, droppedHeight_ - 10, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return result;
}

int ComboBox::GetCount() const {
  LRESULT count = Send(CB_GETCOUNT);
  return count == CB_ERR ? 0 : static_cast<int>(count);
}

int ComboBox::AddString(const wchar_t* text) {
  if (!hwnd_) return CB_ERR;
  if (!text) text = L"";
  return Inserted(static_cast<int>(Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text))), text);
}

int ComboBox::InsertString(const wchar_t* text) {
  if (!hwnd_) return CB_ERR;
  if (!text) text = L"";
  return Inserted(static_cast<int>(Send(CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(text))), text);
}

wchar_t* ComboBox::GetString(int index) const {
  if (!IndexValid(index)) return nullptr;
  LRESULT length = Send(CB_GETLBTEXTLEN, index);
  if (length == CB_ERR) return nullptr;
  wchar_t* text = AllocText<wchar_t>(static_cast<size_t>(length) + 1);
  LRESULT copied = Send(CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text));
  text[copied == CB_ERR ? 0 : length] = 0;
  return text;
}

bool ComboBox::DeleteString(int index) {
  return IndexValid(index) && Send(CB_DELETESTRING, index) != CB_ERR;
}

bool ComboBox::ResetContent() {
  widestText_ = 0;
  if (!hwnd_) return false;
  Send(CB_RESETCONTENT);
  return true;
}

LRESULT ComboBox::GetItemData(int index) const { return IndexValid(index) ? Send(CB_GETITEMDATA, index) : 0; }

bool ComboBox::SetItemData(int index, LRESULT value) {
  return hwnd_ && Send(CB_SETITEMDATA, index, value) != CB_ERR;
}

int ComboBox::GetCurSel() const { return hwnd_ ? static_cast<int>(Send(CB_GETCURSEL)) : CB_ERR; }

void ComboBox::SetCurSel(int index) { Send(CB_SETCURSEL, index); }

bool ComboBox::GetDroppedState() const { return Send(CB_GETDROPPEDSTATE) != 0; }

void ComboBox::ShowDropDown(bool show) { Send(CB_SHOWDROPDOWN, show ? TRUE : FALSE); }

int ComboBox::SetDroppedHeight(int height) {
  droppedHeight_ = height;
  if (!listWindow_) return -1;
  FitControl();
  BOOL ok = SetWindowPos(listWindow_, nullptr, 0, 0, width_, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return ok ? 0 : 1;
}

int ComboBox::FindString(const wchar_t* text, int start, bool exact) const {
  if (!hwnd_) return CB_ERR;
  return static_cast<int>(
      Send(exact ? CB_FINDSTRINGEXACT : CB_FINDSTRING, start, reinterpret_cast<LPARAM>(text ? text : L"")));
}
