#include "MediaType.h"

#include <cstring>

MediaType::MediaType() { ZeroMemory(&type_, sizeof type_); }

MediaType::~MediaType() { Free(&type_); }

MediaType::MediaType(MediaType&& other) noexcept : type_(other.type_) {
  ZeroMemory(&other.type_, sizeof other.type_);
}

MediaType& MediaType::operator=(MediaType&& other) noexcept {
  if (this != &other) {
    Free(&type_);
    type_ = other.type_;
    ZeroMemory(&other.type_, sizeof other.type_);
  }
  return *this;
}

void MediaType::Free(AM_MEDIA_TYPE* type) {
  if (!type) return;
  if (type->pbFormat) CoTaskMemFree(type->pbFormat);
  if (type->pUnk) type->pUnk->Release();
  ZeroMemory(type, sizeof *type);
}

void MediaType::Delete(AM_MEDIA_TYPE* type) {
  Free(type);
  CoTaskMemFree(type);
}

AM_MEDIA_TYPE* MediaType::Receive() {
  Free(&type_);
  return &type_;
}

HRESULT MediaType::Set(const GUID& major, const GUID& subtype, const GUID& formatType, const void* format,
                       ULONG size) {
  Free(&type_);
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

HRESULT MediaType::CopyFrom(const AM_MEDIA_TYPE& type) {
  if (&type == &type_) return S_OK;
  AM_MEDIA_TYPE copy;
  HRESULT hr = MediaType::CopyOf(type, &copy);
  if (FAILED(hr)) return hr;
  Free(&type_);
  type_ = copy;
  return S_OK;
}

HRESULT MediaType::CopyTo(AM_MEDIA_TYPE* out) const {
  if (!out) return E_POINTER;
  return CopyOf(type_, out);
}

HRESULT MediaType::CopyToNew(AM_MEDIA_TYPE** out) const {
  if (!out) return E_POINTER;
  *out = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
  if (!*out) return E_OUTOFMEMORY;
  HRESULT hr = CopyOf(type_, *out);
  if (FAILED(hr)) {
    CoTaskMemFree(*out);
    *out = nullptr;
  }
  return hr;
}

HRESULT MediaType::CopyOf(const AM_MEDIA_TYPE& from, AM_MEDIA_TYPE* to) {
  *to = from;
  to->pbFormat = nullptr;
  if (from.cbFormat && from.pbFormat) {
    to->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(from.cbFormat));
    if (!to->pbFormat) {
      ZeroMemory(to, sizeof *to);
      return E_OUTOFMEMORY;
    }
    memcpy(to->pbFormat, from.pbFormat, from.cbFormat);
  } else {
    to->cbFormat = 0;
  }
  if (to->pUnk) to->pUnk->AddRef();
  return S_OK;
}

bool MediaType::Same(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b) {
  return a.majortype == b.majortype && a.subtype == b.subtype && a.formattype == b.formattype &&
         a.cbFormat == b.cbFormat && (a.cbFormat == 0 || memcmp(a.pbFormat, b.pbFormat, a.cbFormat) == 0);
}
