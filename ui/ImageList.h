// Owner of one image-list handle.
#pragma once

#include <windows.h>
#include <commctrl.h>

class ImageList {
 public:
  ImageList() = default;
  // Makes a list of cx x cy images at once (ImageList_Create, flags 0).
  ImageList(int cx, int cy, int initial, int grow);
  ~ImageList();
  ImageList(const ImageList&) = delete;
  ImageList& operator=(const ImageList&) = delete;

  // Loads a strip of cx-wide images, the top-left pixel's colour transparent.
  // With fromFile, resource is a file name. A previous list is destroyed first.
  bool LoadBitmap(HINSTANCE instance, const wchar_t* resource, int cx, int grow, bool fromFile);
  // A new icon the caller destroys; null without list or image.
  HICON GetIcon(int index, UINT flags) const;
  HIMAGELIST Handle() const { return list_; }

 private:
  void Free();

  HIMAGELIST list_ = nullptr;
};
