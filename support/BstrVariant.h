// A VT_BSTR VARIANT that owns its string, made from UTF-16 or ANSI text.
#pragma once

#include <windows.h>
#include <oleauto.h>

class BstrVariant {
 public:
  explicit BstrVariant(const wchar_t* text);
  explicit BstrVariant(const char* text);  // converted from the ANSI code page
  ~BstrVariant();
  BstrVariant(const BstrVariant&) = delete;
  BstrVariant& operator=(const BstrVariant&) = delete;

  BSTR Bstr() const { return variant_.bstrVal; }
  VARIANT& Variant() { return variant_; }

 private:
  VARIANT variant_;
};
