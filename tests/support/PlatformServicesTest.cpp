#include <gtest/gtest.h>

#include <string>

#include "CaptionIcon.h"
#include "SystemMessage.h"
#include "TempFolder.h"
#include "Text.h"
#include "VersionStrings.h"
#include "resource.h"

// Codes of the internet range (12000-12174) come from WinInet's table, others from the system's.
TEST(SystemMessage, TableByCodeRange) {
  for (uint32_t code : {2u, 11999u, 12000u, 12002u, 12174u, 12175u}) {
    bool internet = code >= 12000 && code <= 12174;
    SystemMessage message(code);
    EXPECT_EQ(internet ? 0x0900u : 0x1100u, message.Flags()) << code;
    EXPECT_EQ(internet, message.Module() != nullptr) << code;
    if (code == 2 || code == 12002) {
      ASSERT_NE(nullptr, message.Text()) << code;
      EXPECT_GT(wcslen(message.Text()), 5u) << code;
      EXPECT_NE(nullptr, message.Text());  // asking again is safe
    }
  }
  SystemMessageA narrow(ERROR_ACCESS_DENIED);
  ASSERT_NE(nullptr, narrow.Text());
  EXPECT_GT(strlen(narrow.Text()), 5u);

  // Reset follows a changed code both ways.
  SystemMessage message(12002);
  message.SetCode(2);
  EXPECT_EQ(nullptr, message.Module());
  EXPECT_NE(nullptr, message.Text());
  message.SetCode(12007);
  EXPECT_EQ(0x0900u, message.Flags());
}

TEST(VersionStrings, ReadsOwnRecordOnly) {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const wchar_t* names[] = {L"ProductVersion", L"LegalCopyright", L"Comments", L"NoSuchField", nullptr};
  wchar_t* results[4] = {nullptr, nullptr, nullptr, nullptr};
  ASSERT_TRUE(ReadVersionStrings(self, names, results));
  EXPECT_STREQ(L"0.1.0", results[0]);
  ASSERT_NE(nullptr, results[1]);
  EXPECT_NE(nullptr, wcsstr(results[1], L"Copyright"));
  ASSERT_NE(nullptr, results[2]);
  EXPECT_GT(wcslen(results[2]), 10u);
  EXPECT_EQ(nullptr, results[3]);
  for (wchar_t* r : results) FreeText(r);

  // A file without a record, or none at all, leaves the results alone.
  TempFolder folder;
  std::wstring file = folder.File(L"plain.txt");
  ASSERT_TRUE(WriteWholeFile(file, "no version record here"));
  wchar_t marker[] = L"kept";
  results[0] = marker;
  names[1] = nullptr;
  EXPECT_FALSE(ReadVersionStrings(file.c_str(), names, results));
  EXPECT_FALSE(ReadVersionStrings(folder.File(L"missing.exe").c_str(), names, results));
  EXPECT_EQ(marker, results[0]);
}

namespace {

COLORREF PixelOf(HBITMAP bitmap, int x, int y) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, bitmap);
  COLORREF colour = GetPixel(dc, x, y) & 0xFFFFFF;
  SelectObject(dc, old);
  DeleteDC(dc);
  return colour;
}

}  // namespace

TEST(CaptionIcon, SizeAndTransparentBackground) {
  HICON play = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_PLAY), IMAGE_ICON, 16,
                                             16, LR_DEFAULTCOLOR));
  ASSERT_NE(nullptr, play);
  HICON button = MakeCaptionIcon(play, L"OK");
  ASSERT_NE(nullptr, button);
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ font = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  RECT text = {0, 0, 0, 0};
  DrawTextW(dc, L"OK", -1, &text, DT_CALCRECT | DT_NOCLIP | DT_SINGLELINE | DT_VCENTER);
  SelectObject(dc, font);
  DeleteDC(dc);
  ICONINFO info;
  ASSERT_TRUE(GetIconInfo(button, &info));
  BITMAP bitmap;
  GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
  EXPECT_EQ(16 + 2 + text.right, bitmap.bmWidth);
  EXPECT_EQ(text.bottom > 16 ? text.bottom : 16, bitmap.bmHeight);

  // The gap between icon and caption, and the corner, are transparent (mask set) and black.
  for (int y = 0; y < bitmap.bmHeight; ++y) {
    EXPECT_NE(0u, PixelOf(info.hbmMask, 17, y)) << y;
    EXPECT_EQ(0u, PixelOf(info.hbmColor, 17, y)) << y;
  }
  EXPECT_NE(0u, PixelOf(info.hbmMask, bitmap.bmWidth - 1, 0));
  // The play triangle's middle and some caption pixels are opaque.
  EXPECT_EQ(0u, PixelOf(info.hbmMask, 8, 8));
  EXPECT_NE(0u, PixelOf(info.hbmColor, 8, 8));
  int opaqueText = 0;
  for (int y = 0; y < bitmap.bmHeight; ++y)
    for (int x = 18; x < bitmap.bmWidth; ++x) opaqueText += PixelOf(info.hbmMask, x, y) == 0;
  EXPECT_GT(opaqueText, 10);

  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  DestroyIcon(button);
  DestroyIcon(play);
  EXPECT_EQ(nullptr, MakeCaptionIcon(nullptr, L"OK"));
}
