// An owned AM_MEDIA_TYPE: frees its format block and object, hands out deep
// copies. The one place the engine frees media types.
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
  // A deep copy of type (its object gets a reference of its own).
  HRESULT CopyFrom(const AM_MEDIA_TYPE& type);
  const AM_MEDIA_TYPE& Get() const { return type_; }
  AM_MEDIA_TYPE& Edit() { return type_; }
  // For out-parameters filled by a callee: frees what is held first.
  AM_MEDIA_TYPE* Receive();
  // A deep copy; the caller frees it with Free (or pbFormat with CoTaskMemFree).
  HRESULT CopyTo(AM_MEDIA_TYPE* out) const;
  // A deep copy in a CoTaskMemAlloc'd block, as IEnumMediaTypes hands them out.
  HRESULT CopyToNew(AM_MEDIA_TYPE** out) const;
  bool Empty() const { return type_.majortype == GUID_NULL; }

  // Major type, subtype, format type and format block all equal.
  static bool Same(const AM_MEDIA_TYPE& a, const AM_MEDIA_TYPE& b);
  // Frees what a type handed out by a callee holds, leaving it zeroed.
  static void Free(AM_MEDIA_TYPE* type);
  // Free, then the block itself (types from IEnumMediaTypes::Next).
  static void Delete(AM_MEDIA_TYPE* type);

 private:
  static HRESULT CopyOf(const AM_MEDIA_TYPE& from, AM_MEDIA_TYPE* to);

  AM_MEDIA_TYPE type_;
};
