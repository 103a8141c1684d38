// An owned AM_MEDIA_TYPE: frees its format block, hands out deep copies.
#pragma once

#include <windows.h>
#include <strmif.h>

class MediaType {
 public:
  MediaType();
  ~MediaType();
  MediaType(MediaType&& other) noexcept;
  MediaType& operator=(MediaType&& other) noexcept;
  MediaType(const MediaType&) = delete;
  MediaType& operator=(const MediaType&) = delete;

  // Copies size bytes of format into a new block.
  HRESULT Set(const GUID& major, const GUID& subtype, const GUID& formatType, const void* format, ULONG size);
  const AM_MEDIA_TYPE& Get() const { return type_; }
  AM_MEDIA_TYPE& Edit() { return type_; }
  // A deep copy; the caller frees pbFormat with CoTaskMemFree.
  HRESULT CopyTo(AM_MEDIA_TYPE* out) const;

 private:
  void Free();

  AM_MEDIA_TYPE type_;
};
