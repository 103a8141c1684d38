// Turns the editing services' error reports into lines of the log. Lives
// inside the main window, so it counts no references.
#pragma once

#include "EditingServices.h"

class ErrorLogSink final : public IAMErrorLog {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return 1; }
  STDMETHODIMP_(ULONG) Release() override { return 0; }
  // Writes "ERROR: severity=N; text[; ExtraInfo: extra]" and answers result.
  STDMETHODIMP LogError(long severity, BSTR text, long errorCode, long result,
                        VARIANT* extra) override;

  // The line for a report; the caller frees it with FreeText.
  static wchar_t* FormatLine(long severity, const wchar_t* text, const VARIANT* extra);

 private:
  static void ExtraText(const VARIANT* extra, wchar_t* buffer, size_t size);
};
