// A resizable top-level window with OK and Cancel buttons at its bottom right;
// every property and configuration window derives from it.
#pragma once

#include "Button.h"
#include "FrameWindow.h"

class DialogWindow : public FrameWindow {
 public:
  static constexpr int kButtonWidth = 80;
  static constexpr int kButtonHeight = 25;
  static constexpr int kButtonGap = 4;

  DialogWindow();
  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;

  // Creates and places the OK and Cancel buttons and sizes the window so that
  // its client area ends below content (the last content control, or null).
  void ArrangeButtons(Window* content);
  Button* OkButton() const { return okButton_; }
  Button* CancelButton() const { return cancelButton_; }

  // Process-wide, set once at start-up: the icon of every dialog.
  static void SetDialogIcon(HICON icon);
  static HICON DialogIcon();
  // Process-wide button images: each made from the given image with the caption
  // "OK" or "Cancel" beside it; a null image means a text button.
  static void SetDialogButtonImages(HICON okImage, HICON cancelImage);
  static HICON OkImage();
  static HICON CancelImage();

 protected:
  void ChildRemoved(Window* child) override;

 private:
  Button* AddButton(int x, int y, uint32_t style, HICON image, const wchar_t* text);
  void SizeToContent(Window* content);
  void PaintFrame(HWND hwnd);
  bool OnCommand(HWND hwnd, WPARAM wParam, LPARAM lParam);

  // Both are in the children list, which owns them.
  Button* okButton_ = nullptr;
  Button* cancelButton_ = nullptr;
};
