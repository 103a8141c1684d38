#include "BstrVariant.h"

#include "Variants.h"

BstrVariant::BstrVariant(const wchar_t* text) { MakeBstrVariant(&variant_, text); }

BstrVariant::BstrVariant(const char* text) {
  VariantInit(&variant_);
  variant_.vt = VT_BSTR;
  variant_.bstrVal = nullptr;
  if (!text) return;
  int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
  if (n <= 0) return;
  variant_.bstrVal = SysAllocStringLen(nullptr, n - 1);
  if (variant_.bstrVal) MultiByteToWideChar(CP_ACP, 0, text, -1, variant_.bstrVal, n);
}

BstrVariant::~BstrVariant() { ClearBstrVariant(&variant_); }
