// The timeline's error log for mvrender: each report becomes a line on
// standard error, as Morvik writes it to its log, and is counted. Reports
// may come from any thread. Lives for the whole run on the stack of main,
// so it counts no references.
#pragma once

#include "EditingServices.h"

class ConsoleErrorLog final : public IAMErrorLog {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return 1; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP LogError(long severity, BSTR text, long errorCode, long result, VARIANT* extra) override;

  long Count() const { return count_; }

 private:
  volatile long count_ = 0;
};
