// GUIDs in their "{...}" text form as BSTRs.
#pragma once

#include <windows.h>
#include <objbase.h>

inline HRESULT GuidFromBstr(BSTR text, GUID* guid) {
  GUID value;
  if (!text || FAILED(CLSIDFromString(text, &value))) return E_INVALIDARG;
  *guid = value;
  return S_OK;
}

inline HRESULT GuidToBstr(const GUID& guid, BSTR* text) {
  if (!text) return E_POINTER;
  wchar_t buffer[40];
  StringFromGUID2(guid, buffer, 40);
  *text = SysAllocString(buffer);
  return *text ? S_OK : E_OUTOFMEMORY;
}
