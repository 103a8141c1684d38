// An error log that counts what the engine reports and keeps the first
// report, for programs that check a run was free of problems. Class ids the
// engine lacks are a matter of this machine, not of the file: they are
// counted apart. It lives on the stack: declare it before the timeline it is
// set on.
#pragma once

#include <string>

#include "EditingServices.h"

class CountingErrorLog final : public IAMErrorLog {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = iid == IID_IUnknown || iid == IID_IAMErrorLog ? this : nullptr;
    return *object ? S_OK : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP LogError(long, BSTR text, long code, long, VARIANT*) override {
    if (code == DEX_IDS_INVALID_DXT || code == DEX_IDS_INVALID_DEFAULT_DXT || code == DEX_IDS_UNKNOWN_SOURCE) {
      ++missingClasses;
    } else if (reports++ == 0) {
      first = text ? text : L"";
    }
    return S_OK;
  }

  long reports = 0;
  long missingClasses = 0;
  std::wstring first;
};
