// Shows a dialog built from the wrappers with the image OK and Cancel buttons.
// Set MORVIK_SHOW_MS to keep it on screen that long (for a screenshot).
#include <gtest/gtest.h>

#include <cstdlib>

#include "CheckBox.h"
#include "ComboBox.h"
#include "DialogWindow.h"
#include "EditBox.h"
#include "GroupBox.h"
#include "ImageList.h"
#include "ListView.h"
#include "StaticText.h"
#include "TestWindows.h"
#include "TrackBar.h"
#include "resource.h"

namespace {

class SampleDialog : public DialogWindow {
 public:
  DWORD Create(HWND parent, HINSTANCE instance) override {
    DWORD error = DialogWindow::Create(parent, instance);
    if (error) return error;
    SetText(L"Sample properties");
    SetPosition(100, 100);
    SetSize(420, 300);
    Add(new StaticText(), 12, 14, 80, 15)->SetText(L"Name:");
    Add(new EditBox(), 96, 12, 300, 20)->SetText(L"Clip 1");
    Add(new StaticText(), 12, 42, 80, 15)->SetText(L"Stretch:");
    ComboBox* combo = static_cast<ComboBox*>(Add(new ComboBox(), 96, 40, 160, 20));
    for (const wchar_t* text : {L"Stretch", L"Crop", L"Preserve aspect ratio with letterbox"}) combo->AddString(text);
    combo->SetCurSel(0);
    CheckBox* muted = static_cast<CheckBox*>(Add(new CheckBox(), 96, 68, 120, 20));
    muted->SetText(L"Muted");
    muted->SetCheck(BST_CHECKED);
    Add(new TrackBar(), 96, 94, 300, 28);
    GroupBox* group = static_cast<GroupBox*>(Add(new GroupBox(), 12, 128, 384, 100));
    group->SetText(L"Streams");
    ListView* list = new ListView();
    list->SetPosition(8, 18);
    list->SetSize(368, 74);
    list->Create(group->Handle(), instance);
    group->AddChild(list);
    list->InsertColumn(L"Stream", 0, 120);
    list->InsertItem(L"Video 0", 0);
    ArrangeButtons(group);
    return 0;
  }

 private:
  Window* Add(Window* control, int x, int y, int width, int height) {
    control->SetPosition(x, y);
    control->SetSize(width, height);
    control->Create(hwnd_, instance_);
    AddChild(control);
    return control;
  }
};

// Whether some pixel of the window's client area is strongly of the given hue.
bool HasColour(HWND hwnd, bool green) {
  RECT r;
  GetClientRect(hwnd, &r);
  HDC dc = GetDC(hwnd);
  bool found = false;
  for (int y = 0; y < r.bottom && !found; ++y) {
    for (int x = 0; x < r.right && !found; ++x) {
      COLORREF c = GetPixel(dc, x, y);
      int red = GetRValue(c), grn = GetGValue(c), blue = GetBValue(c);
      found = green ? (grn > red + 60 && grn > blue + 40) : (red > grn + 100 && red > blue + 100);
    }
  }
  ReleaseDC(hwnd, dc);
  return found;
}

}  // namespace

TEST(DialogLook, ImageButtonsFromTheButtonStrip) {
  ImageList strip;
  ASSERT_TRUE(strip.LoadBitmap(TestInstance(), MAKEINTRESOURCEW(IDB_BUTTONS), 16, 0, false));
  HICON tick = strip.GetIcon(0, ILD_NORMAL);
  HICON cross = strip.GetIcon(1, ILD_NORMAL);
  ASSERT_NE(nullptr, tick);
  ASSERT_NE(nullptr, cross);
  DialogWindow::SetDialogButtonImages(tick, cross);
  DialogWindow::SetDialogIcon(LoadIconW(TestInstance(), MAKEINTRESOURCEW(IDI_MORVIK)));
  DestroyIcon(tick);
  DestroyIcon(cross);
  ASSERT_NE(nullptr, DialogWindow::OkImage());

  SampleDialog* dialog = new SampleDialog();
  dialog->ModifyStyle(WS_VISIBLE, false, kStyleRemove);
  ASSERT_EQ(0u, dialog->Create(nullptr, TestInstance()));
  dialog->CenterOn(nullptr);
  ShowWindow(dialog->Handle(), SW_SHOW);
  UpdateWindow(dialog->Handle());
  ShowFor(300);

  HWND ok = dialog->OkButton()->Handle();
  HWND cancel = dialog->CancelButton()->Handle();
  EXPECT_TRUE(GetWindowLongW(ok, GWL_STYLE) & BS_ICON);
  EXPECT_TRUE(GetWindowLongW(ok, GWL_STYLE) & BS_DEFPUSHBUTTON);
  EXPECT_EQ(reinterpret_cast<LRESULT>(DialogWindow::OkImage()), SendMessageW(ok, BM_GETIMAGE, IMAGE_ICON, 0));
  wchar_t name[8] = {};
  GetWindowTextW(ok, name, 8);
  EXPECT_STREQ(L"OK", name);
  EXPECT_TRUE(HasColour(ok, true));
  EXPECT_FALSE(HasColour(ok, false));
  EXPECT_TRUE(HasColour(cancel, false));
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(DialogWindow::DialogIcon()), GetClassLongPtrW(dialog->Handle(), GCLP_HICON));

  if (const char* show = std::getenv("MORVIK_SHOW_MS")) ShowFor(std::atoi(show));
  dialog->Destroy(true);
  DialogWindow::SetDialogButtonImages(nullptr, nullptr);
  EXPECT_EQ(nullptr, DialogWindow::OkImage());
}
