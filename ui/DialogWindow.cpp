#include "DialogWindow.h"

#include "CaptionIcon.h"

namespace {

HICON dialogIcon = nullptr;
HICON okImage = nullptr;
HICON cancelImage = nullptr;

void ReplaceImage(HICON* slot, HICON image, const wchar_t* caption) {
  if (*slot) DestroyIcon(*slot);
  *slot = image ? MakeCaptionIcon(image, caption) : nullptr;
}

}  // namespace

void DialogWindow::SetDialogIcon(HICON icon) { dialogIcon = icon; }

HICON DialogWindow::DialogIcon() { return dialogIcon; }

void DialogWindow::SetDialogButtonImages(HICON ok, HICON cancel) {
  ReplaceImage(&okImage, ok, L"OK");
  ReplaceImage(&cancelImage, cancel, L"Cancel");
}

HICON DialogWindow::OkImage() { return okImage; }

HICON DialogWindow::CancelImage() { return cancelImage; }

DialogWindow::DialogWindow() {
  className_ = L"DialogWindow";
  style_ = WS_SYSMENU | WS_THICKFRAME;
}

void DialogWindow::ChildRemoved(Window* child) {
  if (child == okButton_) okButton_ = nullptr;
  if (child == cancelButton_) cancelButton_ = nullptr;
}

Button* DialogWindow::AddButton(int x, int y, uint32_t style, HICON image, const wchar_t* text) {
  Button* button = new Button();
  button->SetPosition(x, y);
  button->SetSize(kButtonWidth, kButtonHeight);
  if (image) button->ModifyStyle(style, false, kStyleAdd);
  button->Create(hwnd_, instance_);
  button->SetAnchor(kAnchorBottomRight);
  // A picture button keeps its words too, for screen readers and automation.
  button->SetText(text);
  if (image) button->SetImage(image, IMAGE_ICON);
  AddChild(button);
  return button;
}

void DialogWindow::ArrangeButtons(Window* content) {
  if (!hwnd_) return;
  if (dialogIcon) SetClassLongPtrW(hwnd_, GCLP_HICON, reinterpret_cast<LONG_PTR>(dialogIcon));
  // Called again, the new buttons replace the old.
  if (okButton_) RemoveChild(okButton_, true, true);
  if (cancelButton_) RemoveChild(cancelButton_, true, true);
  RECT client;
  GetClientRect(hwnd_, &client);
  int cancelX = client.right - kButtonWidth - kButtonGap;
  int y = client.bottom - kButtonHeight - kButtonGap;
  cancelButton_ = AddButton(cancelX, y, BS_ICON, cancelImage, L"Cancel");
  okButton_ = AddButton(cancelX - kButtonWidth - kButtonGap, y, BS_ICON | BS_DEFPUSHBUTTON, okImage, L"OK");
  SizeToContent(content);
}

void DialogWindow::SizeToContent(Window* content) {
  RECT outer, client;
  GetWindowRect(hwnd_, &outer);
  GetClientRect(hwnd_, &client);
  int frame = (outer.bottom - outer.top) - client.bottom;
  int clientHeight = (content ? content->Top() + content->Height() + 12 : 112) + kButtonHeight;
  SetSize(outer.right - outer.left, frame + clientHeight);
}

// An etched frame round the content area, ending just above the buttons.
void DialogWindow::PaintFrame(HWND hwnd) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  RECT frame;
  GetClientRect(hwnd, &frame);
  if (okButton_) frame.bottom = okButton_->Top() - kButtonGap;
  DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);
  EndPaint(hwnd, &paint);
}

bool DialogWindow::OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam) {
  int result = 0;
  if (lParam == 0 && (wParam == IDOK || wParam == IDCANCEL)) {  // Enter and Escape
    result = static_cast<int>(wParam);
  } else if (HIWORD(wParam) == BN_CLICKED && lParam) {
    HWND from = reinterpret_cast<HWND>(lParam);
    if (okButton_ && from == okButton_->Handle()) result = IDOK;
    else if (cancelButton_ && from == cancelButton_->Handle()) result = IDCANCEL;
  }
  if (!result) return false;
  result_ = result;
  SendMessageW(hwnd, WM_CLOSE, 0, 0);
  return true;
}

LRESULT DialogWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_PAINT) {
    PaintFrame(hwnd);
    return 0;
  }
  if (message == WM_COMMAND && OnCommand(hwnd, wParam, lParam)) return 0;
  return FrameWindow::WindowProc(hwnd, message, wParam, lParam);
}
