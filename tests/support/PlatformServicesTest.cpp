#include <gtest/gtest.h>

#include <string>

#include "CaptionIcon.h"
#include "SystemMessage.h"
#include "TempFolder.h"
#include "Text.h"
#include "VersionStrings.h"
#include "resource.h"

TEST(SystemMessage, SystemTableForOrdinaryCodes) {
  SystemMessage message(ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(0x1100u, message.Flags());
  EXPECT_EQ(nullptr, message.Module());
  const wchar_t* text = message.Text();
  ASSERT_NE(nullptr, text);
  EXPECT_GT(wcslen(text), 5u);
  EXPECT_NE(nullptr, message.Text());  // asking again is safe

  SystemMessageA narrow(ERROR_ACCESS_DENIED);
  ASSERT_NE(nullptr, narrow.Text());
  EXPECT_GT(strlen(narrow.Text()), 5u);
}

TEST(SystemMessage, InternetRangeComesFromWinInet) {
  for (uint32_t code : {12000u, 12002u, 12174u}) {
    SystemMessage message(code);
    EXPECT_EQ(0x0900u, message.Flags()) << code;
    EXPECT_NE(nullptr, message.Module()) << code;
  }
  SystemMessage timeout(12002);
  ASSERT_NE(nullptr, timeout.Text());
  EXPECT_GT(wcslen(timeout.Text()), 5u);

  for (uint32_t code : {11999u, 12175u}) {
    SystemMessage message(code);
    EXPECT_EQ(0x1100u, message.Flags()) << code;
    EXPECT_EQ(nullptr, message.Module()) << code;
  }

  // Reset follows a changed code both ways.
  SystemMessage message(12002);
  message.SetCode(2);
  EXPECT_EQ(nullptr, message.Module());
  EXPECT_NE(nullptr, message.Text());
  message.SetCode(12007);
  EXPECT_EQ(0x0900u, message.Flags());
}

TEST(VersionStrings, ReadsOwnRecord) {
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
}

TEST(VersionStrings, FileWithoutRecordLeavesResults) {
  TempFolder folder;
  std::wstring file = folder.File(L"plain.txt");
  ASSERT_TRUE(WriteWholeFile(file, "no version record here"));
  const wchar_t* names[] = {L"ProductVersion", nullptr};
  wchar_t marker[] = L"kept";
  wchar_t* results[1] = {marker};
  EXPECT_FALSE(ReadVersionStrings(file.c_str(), names, results));
  EXPECT_EQ(marker, results[0]);
  EXPECT_FALSE(ReadVersionStrings(folder.File(L"missing.exe").c_str(), names, results));
  EXPECT_EQ(marker, results[0]);
}

namespace {

struct IconPixels {
  int width = 0, height = 0;
  std::vector<COLORREF> colour;
  std::vector<bool> transparent;  // mask bit set
};

IconPixels ReadIcon(HICON icon) {
  IconPixels pixels;
  ICONINFO info;
  if (!GetIconInfo(icon, &info)) return pixels;
  BITMAP bitmap;
  GetObjectW(info.hbmColor, sizeof bitmap, &bitmap);
  pixels.width = bitmap.bmWidth;
  pixels.height = bitmap.bmHeight;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, info.hbmColor);
  for (int y = 0; y < pixels.height; ++y)
    for (int x = 0; x < pixels.width; ++x) pixels.colour.push_back(GetPixel(dc, x, y));
  SelectObject(dc, info.hbmMask);
  for (int y = 0; y < pixels.height; ++y)
    for (int x = 0; x < pixels.width; ++x) pixels.transparent.push_back(GetPixel(dc, x, y) != 0);
  SelectObject(dc, old);
  DeleteDC(dc);
  DeleteObject(info.hbmColor);
  DeleteObject(info.hbmMask);
  return pixels;
}

SIZE CaptionSize(const wchar_t* caption) {
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  RECT r = {0, 0, 0, 0};
  DrawTextW(dc, caption, -1, &r, DT_CALCRECT | DT_NOCLIP | DT_SINGLELINE | DT_VCENTER);
  SelectObject(dc, old);
  DeleteDC(dc);
  return {r.right - r.left, r.bottom - r.top};
}

}  // namespace

TEST(CaptionIcon, SizeAndTransparentBackground) {
  HICON play = static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_PLAY), IMAGE_ICON, 16,
                                             16, LR_DEFAULTCOLOR));
  ASSERT_NE(nullptr, play);
  HICON button = MakeCaptionIcon(play, L"OK");
  ASSERT_NE(nullptr, button);
  SIZE text = CaptionSize(L"OK");
  IconPixels pixels = ReadIcon(button);
  EXPECT_EQ(16 + 2 + text.cx, pixels.width);
  EXPECT_EQ(text.cy > 16 ? text.cy : 16, pixels.height);

  auto at = [&](int x, int y) { return size_t(y * pixels.width + x); };
  // The gap between icon and caption, and the corner, are transparent and black.
  for (int y = 0; y < pixels.height; ++y) {
    EXPECT_TRUE(pixels.transparent[at(17, y)]) << y;
    EXPECT_EQ(0u, pixels.colour[at(17, y)] & 0xFFFFFF) << y;
  }
  EXPECT_TRUE(pixels.transparent[at(pixels.width - 1, 0)]);
  // The play triangle's middle and some caption pixels are opaque.
  EXPECT_FALSE(pixels.transparent[at(8, 8)]);
  EXPECT_NE(0u, pixels.colour[at(8, 8)] & 0xFFFFFF);
  int opaqueText = 0;
  for (int y = 0; y < pixels.height; ++y)
    for (int x = 18; x < pixels.width; ++x) opaqueText += !pixels.transparent[at(x, y)];
  EXPECT_GT(opaqueText, 10);

  DestroyIcon(button);
  DestroyIcon(play);
  EXPECT_EQ(nullptr, MakeCaptionIcon(nullptr, L"OK"));
}
