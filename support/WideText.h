// A UTF-16 text (not owned) with its ANSI form made on first use (owned).
#pragma once

#include <windows.h>
#include <oleauto.h>

class WideText {
 public:
  explicit WideText(const wchar_t* text) : wide_(text) {}
  explicit WideText(const VARIANT& variant) : wide_(variant.vt == VT_BSTR ? variant.bstrVal : nullptr) {}
  ~WideText();
  WideText(const WideText&) = delete;
  WideText& operator=(const WideText&) = delete;

  const wchar_t* Wide() const { return wide_; }
  // Null when there is no text.
  const char* Ansi();

 private:
  const wchar_t* wide_;
  char* ansi_ = nullptr;
};
