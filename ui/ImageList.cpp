#include "ImageList.h"

ImageList::ImageList(int cx, int cy, int initial, int grow) { list_ = ImageList_Create(cx, cy, 0, initial, grow); }

ImageList::~ImageList() { Free(); }

void ImageList::Free() {
  if (list_) ImageList_Destroy(list_);
  list_ = nullptr;
}

bool ImageList::LoadBitmap(HINSTANCE instance, const wchar_t* resource, int cx, int grow, bool fromFile) {
  Free();
  list_ = ImageList_LoadImageW(instance, resource, cx, grow, CLR_DEFAULT, IMAGE_BITMAP,
                               fromFile ? LR_LOADFROMFILE : 0);
  return list_ != nullptr;
}

HICON ImageList::GetIcon(int index, UINT flags) const {
  return list_ ? ImageList_GetIcon(list_, index, flags) : nullptr;
}
