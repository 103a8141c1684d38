#include "ConsoleErrorLog.h"

#include "ConsoleText.h"
#include "ErrorLogSink.h"
#include "Text.h"

STDMETHODIMP ConsoleErrorLog::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IAMErrorLog) {
    *object = static_cast<IAMErrorLog*>(this);
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP ConsoleErrorLog::LogError(long severity, BSTR text, long, long result, VARIANT* extra) {
  InterlockedIncrement(&count_);
  wchar_t* line = ErrorLogSink::FormatLine(severity, text, extra);
  if (line) ConsoleText::Error(std::wstring(line) + L"\n");
  FreeText(line);
  return result;
}
