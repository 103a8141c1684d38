#include "ErrorLogSink.h"

#include <cstdio>

#include "AppGlobals.h"
#include "NumberText.h"
#include "Numbers.h"
#include "Text.h"

namespace {
constexpr size_t kExtraChars = 255;
}

STDMETHODIMP ErrorLogSink::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IAMErrorLog) {
    *object = static_cast<IAMErrorLog*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP ErrorLogSink::LogError(long severity, BSTR text, long, long result, VARIANT* extra) {
  if (!theLog) return result;
  wchar_t* line = FormatLine(severity, text, extra);
  LogLine(line);
  FreeText(line);
  return result;
}

wchar_t* ErrorLogSink::FormatLine(long severity, const wchar_t* text, const VARIANT* extra) {
  NumberText number(severity);
  const wchar_t* report = text ? text : L"";
  if (!extra) return Concat(nullptr, L"ERROR: severity=", number.AsText(), L"; ", report, nullptr);
  wchar_t extraText[kExtraChars + 1];
  ExtraText(extra, extraText, kExtraChars + 1);
  return Concat(nullptr, L"ERROR: severity=", number.AsText(), L"; ", report, L"; ExtraInfo: ",
                extraText, nullptr);
}

// A string longer than the buffer is cut at its end.
void ErrorLogSink::ExtraText(const VARIANT* extra, wchar_t* buffer, size_t size) {
  buffer[0] = 0;
  switch (extra->vt) {
    case VT_I4:
      IntToText(extra->lVal, buffer, 10);
      break;
    case VT_R8:
      swprintf(buffer, size, L"%.1f", extra->dblVal);
      break;
    case VT_BSTR:
      if (extra->bstrVal) CopyTextCut(extra->bstrVal, buffer, size);
      break;
    default:
      break;
  }
}
