#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include "BuildMenu.h"
#include "CheckBox.h"
#include "ComboBox.h"
#include "ListView.h"
#include "StatusBar.h"
#include "TestWindows.h"
#include "Text.h"

namespace {

struct ControlsOnFrame : ::testing::Test {
  void SetUp() override {
    frame = MakeFrame(nullptr, 30, 30, 500, 300);
    ASSERT_NE(nullptr, frame);
  }
  void TearDown() override { frame->Destroy(true); }
  template <class Control>
  Control* Add(int x, int y, int width, int height) {
    Control* control = new Control();
    control->SetPosition(x, y);
    control->SetSize(width, height);
    EXPECT_EQ(0u, control->Create(frame->Handle(), TestInstance()));
    frame->AddChild(control);
    return control;
  }
  TestFrame* frame = nullptr;
};

std::wstring Take(wchar_t* text) {
  std::wstring copy = text ? text : L"(null)";
  FreeText(text);
  return copy;
}

MENUITEMINFOW Item(const wchar_t* text, UINT id, bool opensSubmenu = false) {
  MENUITEMINFOW item = {};
  item.cbSize = sizeof item;
  item.fMask = MIIM_STRING | MIIM_ID | (opensSubmenu ? MIIM_SUBMENU : 0);
  item.wID = id;
  item.dwTypeData = const_cast<wchar_t*>(text);
  return item;
}

std::wstring MenuText(HMENU menu, int position) {
  wchar_t text[64] = {};
  GetMenuStringW(menu, position, text, 64, MF_BYPOSITION);
  return text;
}

}  // namespace

using ComboBoxTest = ControlsOnFrame;

TEST_F(ComboBoxTest, WideTextWidensListAndControlAtNextLayout) {
  ComboBox* combo = Add<ComboBox>(10, 10, 120, 20);
  ASSERT_NE(nullptr, combo->ListWindow());
  combo->AddString(L"short");
  EXPECT_LT(combo->WidestText(), 120);
  EXPECT_EQ(120, SendMessageW(combo->Handle(), CB_GETDROPPEDWIDTH, 0, 0));

  const wchar_t* wide = L"A text much wider than the combo box itself, with more words";
  combo->AddString(wide);
  int widest = combo->WidestText();
  EXPECT_GT(widest, 200);
  EXPECT_EQ(widest, SendMessageW(combo->Handle(), CB_GETDROPPEDWIDTH, 0, 0));
  EXPECT_EQ(120, combo->Width());

  RECT before, after;
  SendMessageW(combo->Handle(), CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&before));
  EXPECT_GT(before.bottom - before.top, 60);  // sized to the dropped height, not the closed one
  combo->SetPosition(12, 10);  // the next layout
  EXPECT_EQ(widest, combo->Width());
  SendMessageW(combo->Handle(), CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&after));
  EXPECT_EQ(before.bottom - before.top, after.bottom - after.top);

  combo->ResetContent();
  EXPECT_EQ(0, combo->WidestText());
  EXPECT_EQ(0, combo->GetCount());
}

TEST_F(ComboBoxTest, IndexesInsertAtTopAndOutOfRange) {
  ComboBox* combo = Add<ComboBox>(10, 10, 120, 20);
  combo->AddString(L"one");
  combo->AddString(L"two");
  EXPECT_EQ(0, combo->InsertString(L"zero"));
  EXPECT_EQ(0, combo->InsertString(L"top"));
  EXPECT_EQ(4, combo->GetCount());
  EXPECT_EQ(L"top", Take(combo->GetString(0)));
  EXPECT_EQ(L"zero", Take(combo->GetString(1)));
  EXPECT_EQ(L"two", Take(combo->GetString(3)));
  EXPECT_EQ(nullptr, combo->GetString(4));
  EXPECT_EQ(nullptr, combo->GetString(-1));
  EXPECT_FALSE(combo->DeleteString(4));
  EXPECT_EQ(0, combo->GetItemData(4));
  EXPECT_TRUE(combo->DeleteString(0));
  EXPECT_EQ(L"zero", Take(combo->GetString(0)));
}

TEST(Wrappers, WithoutWindowAnswerNeutrally) {
  ComboBox combo;
  EXPECT_EQ(0, combo.GetCount());
  EXPECT_EQ(nullptr, combo.GetString(0));
  EXPECT_EQ(-1, combo.SetDroppedHeight(50));
  EXPECT_EQ(50, combo.DroppedHeight());
  ListView list;
  EXPECT_EQ(-1, list.InsertItem(L"x", 0));
  EXPECT_EQ(-1, list.InsertColumn(L"x", 0, 10));
  StatusBar bar;
  wchar_t buffer[8] = L"keep";
  EXPECT_EQ(nullptr, bar.GetText(0, buffer, 8));
  EXPECT_EQ(0, buffer[0]);
  CheckBox check;
  EXPECT_FALSE(check.SetCheck(BST_CHECKED));
  // Style changes before creation are what creation uses.
  check.ModifyStyle(WS_VISIBLE, false, kStyleRemove);
  EXPECT_EQ(static_cast<uint32_t>(WS_CHILD | WS_TABSTOP | BS_AUTOCHECKBOX), check.GetStyle(false));
}

using ControlTest = ControlsOnFrame;

TEST_F(ControlTest, StatusBarTextStaysInTheCallersBuffer) {
  StatusBar* bar = Add<StatusBar>(0, 0, 120, 20);
  int parts[] = {100, 250, -1};
  EXPECT_TRUE(bar->SetParts(3, parts));
  EXPECT_TRUE(bar->SetText(1, L"00:00:00"));
  EXPECT_EQ(L"00:00:00", Take(bar->GetText(1, nullptr, 0)));
  wchar_t small[4];
  EXPECT_STREQ(L"00:", bar->GetText(1, small, 4));
}

TEST(BuildMenuTest, SubmenusNestAndCloseWhereTheTableSays) {
  MENUITEMINFOW table[] = {
      Item(L"&File", 0, true), Item(L"&Open", 11), Item(L"Recent", 0, true), Item(L"a.mvp", 21), MenuEnd(),
      Item(L"&Save", 12),      MenuEnd(),          Item(L"&Help", 13),
  };
  HMENU bar = BuildMenu(table, sizeof table / sizeof table[0], false);
  ASSERT_NE(nullptr, bar);
  ASSERT_EQ(2, GetMenuItemCount(bar));
  EXPECT_EQ(L"&File", MenuText(bar, 0));
  EXPECT_EQ(L"&Help", MenuText(bar, 1));
  EXPECT_EQ(13u, GetMenuItemID(bar, 1));
  EXPECT_EQ(nullptr, GetSubMenu(bar, 1));
  HMENU file = GetSubMenu(bar, 0);
  ASSERT_NE(nullptr, file);
  ASSERT_EQ(3, GetMenuItemCount(file));
  EXPECT_EQ(11u, GetMenuItemID(file, 0));
  EXPECT_EQ(12u, GetMenuItemID(file, 2));
  HMENU recent = GetSubMenu(file, 1);
  ASSERT_NE(nullptr, recent);
  EXPECT_EQ(1, GetMenuItemCount(recent));
  EXPECT_EQ(L"a.mvp", MenuText(recent, 0));
  DestroyMenu(bar);

  // A table ending inside a submenu, and an empty table.
  MENUITEMINFOW open[] = {Item(L"&Edit", 0, true), Item(L"Cut", 1)};
  HMENU popup = BuildMenu(open, 2, true);
  ASSERT_EQ(1, GetMenuItemCount(popup));
  EXPECT_EQ(1, GetMenuItemCount(GetSubMenu(popup, 0)));
  DestroyMenu(popup);
  popup = BuildMenu(nullptr, 0, true);
  ASSERT_NE(nullptr, popup);
  EXPECT_EQ(0, GetMenuItemCount(popup));
  DestroyMenu(popup);
}
