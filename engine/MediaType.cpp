#include "MediaType.h"

#include <cstring>

MediaType::MediaType() { ZeroMemory(&type_, sizeof type_); }

MediaType::~MediaType() { Free(); }

MediaType::MediaType(MediaType&& other) noexcept : type_(other.type_) {
  ZeroMemory(&other.type_, sizeof other.type_);
}

MediaType& MediaType::operator=(MediaType&& other) noexcept {
  if (this != &other) {
    Free();
    type_ = other.type_;
    ZeroMemory(&other.type_, sizeof other.type_);
  }
  return *this;
}

void MediaType::Free() {
  if (type_.pbFormat) CoTaskMemFree(type_.pbFormat);
  if (type_.pUnk) type_.pUnk->Release();
  ZeroMemory(&type_, sizeof type_);
}

HRESULT MediaType::Set(const GUID& major, const GUID& subtype, const GUID& formatType, const void* format,
                       ULONG size) {
  Free();
  if (size) {
    type_.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(size));
    if (!type_.pbFormat) return E_OUTOFMEMORY;
    memcpy(type_.pbFormat, format, size);
  }
  type_.majortype = major;
  type_.subtype = subtype;
  type_.formattype = formatType;
  type_.cbFormat = size;
  return S_OK;
}

HRESULT MediaType::CopyTo(AM_MEDIA_TYPE* out) const {
  if (!out) return E_POINTER;
  *out = type_;
  out->pUnk = nullptr;
  out->pbFormat = nullptr;
  if (type_.cbFormat) {
    out->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(type_.cbFormat));
    if (!out->pbFormat) {
      out->cbFormat = 0;
      return E_OUTOFMEMORY;
    }
    memcpy(out->pbFormat, type_.pbFormat, type_.cbFormat);
  }
  return S_OK;
}
