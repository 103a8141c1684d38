#include "CaptionIcon.h"

namespace {

// The icon's size, from its bitmaps (a colourless icon's mask is twice as high).
SIZE IconSize(HICON icon) {
  SIZE size = {0, 0};
  ICONINFO info;
  if (!GetIconInfo(icon, &info)) return size;
  BITMAP bitmap;
  if (info.hbmColor && GetObjectW(info.hbmColor, sizeof bitmap, &bitmap)) {
    size = {bitmap.bmWidth, bitmap.bmHeight};
  } else if (info.hbmMask && GetObjectW(info.hbmMask, sizeof bitmap, &bitmap)) {
    size = {bitmap.bmWidth, bitmap.bmHeight / 2};
  }
  if (info.hbmColor) DeleteObject(info.hbmColor);
  if (info.hbmMask) DeleteObject(info.hbmMask);
  return size;
}

}  // namespace

HICON MakeCaptionIcon(HICON icon, const wchar_t* caption) {
  if (!icon) return nullptr;
  const wchar_t* text = caption ? caption : L"";
  const UINT textFormat = DT_NOCLIP | DT_SINGLELINE | DT_VCENTER;
  SIZE iconSize = IconSize(icon);

  HDC screen = GetDC(nullptr);
  HDC dc = CreateCompatibleDC(screen);
  HDC maskDc = CreateCompatibleDC(screen);
  HGDIOBJ oldFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  RECT textRect = {0, 0, 0, 0};
  if (*text) DrawTextW(dc, text, -1, &textRect, DT_CALCRECT | textFormat);
  int width = textRect.right - textRect.left + iconSize.cx + 2;
  int height = textRect.bottom - textRect.top > iconSize.cy ? textRect.bottom - textRect.top : iconSize.cy;

  HBITMAP image = CreateCompatibleBitmap(screen, width, height);
  HBITMAP mask = CreateBitmap(width, height, 1, 1, nullptr);
  HICON result = nullptr;
  if (image && mask) {
    HGDIOBJ oldImage = SelectObject(dc, image);
    HGDIOBJ oldMask = SelectObject(maskDc, mask);
    COLORREF background = GetSysColor(COLOR_BTNFACE);
    RECT all = {0, 0, width, height};
    HBRUSH brush = CreateSolidBrush(background);
    FillRect(dc, &all, brush);
    DeleteObject(brush);
    DrawIconEx(dc, 0, 0, icon, iconSize.cx, iconSize.cy, 0, nullptr, DI_NORMAL);
    RECT textArea = {iconSize.cx + 2, 0, width, height};
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
    DrawTextW(dc, text, -1, &textArea, textFormat);
    // Background pixels become 1 in the mask, then black in the image, so the
    // icon draws them transparent.
    SetBkColor(dc, background);
    BitBlt(maskDc, 0, 0, width, height, dc, 0, 0, SRCCOPY);
    SetBkColor(dc, RGB(255, 255, 255));
    SetTextColor(dc, RGB(0, 0, 0));
    BitBlt(dc, 0, 0, width, height, maskDc, 0, 0, 0x00220326);
    SelectObject(maskDc, oldMask);
    SelectObject(dc, oldImage);
    ICONINFO info = {TRUE, 0, 0, mask, image};
    result = CreateIconIndirect(&info);
  }
  SelectObject(dc, oldFont);
  DeleteDC(maskDc);
  DeleteDC(dc);
  ReleaseDC(nullptr, screen);
  if (image) DeleteObject(image);
  if (mask) DeleteObject(mask);
  return result;
}
