#include "VariantText.h"

#include <charconv>
#include <cmath>

#include "Numbers.h"

namespace {

bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// Skips a run of digits; false when there is none.
bool SkipDigits(const wchar_t*& p) {
  const wchar_t* start = p;
  while (IsDigit(*p)) ++p;
  return p != start;
}

bool IsNumberSyntax(const wchar_t* p) {
  while (IsSpace(*p)) ++p;
  if (*p == L'+' || *p == L'-') ++p;
  bool whole = SkipDigits(p);
  bool fraction = false;
  if (*p == L'.') {
    ++p;
    fraction = SkipDigits(p);
  }
  if (!whole && !fraction) return false;
  if (*p == L'e' || *p == L'E') {
    ++p;
    if (*p == L'+' || *p == L'-') ++p;
    if (!SkipDigits(p)) return false;
  }
  while (IsSpace(*p)) ++p;
  return *p == 0;
}

bool IsNumericType(VARTYPE type) {
  switch (type) {
    case VT_I1: case VT_I2: case VT_I4: case VT_I8:
    case VT_UI1: case VT_UI2: case VT_UI4: case VT_UI8:
    case VT_INT: case VT_UINT: case VT_R4: case VT_R8:
    case VT_CY: case VT_DECIMAL:
      return true;
    default:
      return false;
  }
}

template <class T>
std::wstring ShortestText(T value) {
  char buffer[64];
  auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::wstring(buffer, result.ptr);
}

// Floating-point text read exactly, whatever the regional settings.
HRESULT ReadFloat(const wchar_t* text, VARTYPE type, VARIANT* value) {
  double number;
  if (!ReadNumberText(text, &number)) return DISP_E_TYPEMISMATCH;
  if (type == VT_R4) {
    if (std::fabs(number) > 3.402823466e38) return DISP_E_OVERFLOW;
    value->vt = VT_R4;
    value->fltVal = static_cast<float>(number);
  } else {
    value->vt = VT_R8;
    value->dblVal = number;
  }
  return S_OK;
}

}  // namespace

bool ReadNumberText(const wchar_t* text, double* number) {
  if (!text || !IsNumberSyntax(text)) return false;
  double value = TextToDouble(text);
  if (!std::isfinite(value)) return false;
  *number = value;
  return true;
}

bool ReadNumberVariant(const VARIANT& value, double* number) {
  if (value.vt == VT_BSTR) return ReadNumberText(value.bstrVal, number);
  if (!IsNumericType(value.vt)) return false;
  VARIANT converted;
  VariantInit(&converted);
  if (FAILED(VariantChangeTypeEx(&converted, const_cast<VARIANT*>(&value), LOCALE_INVARIANT, 0, VT_R8))) return false;
  if (!std::isfinite(converted.dblVal)) return false;
  *number = converted.dblVal;
  return true;
}

bool IsTextVariantType(VARTYPE type) {
  return type == VT_EMPTY || type == VT_NULL || type == VT_BSTR || type == VT_BOOL ||
         type == VT_DATE || IsNumericType(type);
}

bool HasExactText(const VARIANT& value) {
  switch (value.vt) {
    case VT_R4:
      return std::isfinite(value.fltVal);
    case VT_R8:
      return std::isfinite(value.dblVal);
    case VT_DATE:
      return std::isfinite(value.date);
    case VT_DECIMAL:
      return value.decVal.scale <= kLargestDecimalScale && (value.decVal.sign & ~DECIMAL_NEG) == 0;
    default:
      return IsTextVariantType(value.vt);
  }
}

bool VariantToText(const VARIANT& value, std::wstring* text) {
  text->clear();
  switch (value.vt) {
    case VT_EMPTY:
    case VT_NULL:
      return true;
    case VT_BSTR:
      if (value.bstrVal) text->assign(value.bstrVal, SysStringLen(value.bstrVal));
      return true;
    case VT_R8:
      *text = ShortestText(value.dblVal);
      return true;
    case VT_R4:
      *text = ShortestText(value.fltVal);
      return true;
    case VT_DATE:
      *text = ShortestText(value.date);
      return true;
    default:
      break;
  }
  if (!IsTextVariantType(value.vt)) return false;
  VARIANT converted;
  VariantInit(&converted);
  if (FAILED(VariantChangeTypeEx(&converted, const_cast<VARIANT*>(&value), LOCALE_INVARIANT, 0, VT_BSTR))) return false;
  if (converted.bstrVal) text->assign(converted.bstrVal, SysStringLen(converted.bstrVal));
  VariantClear(&converted);
  return true;
}

HRESULT TextToVariant(const std::wstring& text, VARTYPE type, VARIANT* value) {
  VariantInit(value);
  switch (type) {
    case VT_EMPTY:
      return S_OK;
    case VT_NULL:
      value->vt = VT_NULL;
      return S_OK;
    case VT_BSTR:
      value->bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
      if (!value->bstrVal) return E_OUTOFMEMORY;
      value->vt = VT_BSTR;
      return S_OK;
    case VT_R4:
    case VT_R8:
      return ReadFloat(text.c_str(), type, value);
    case VT_DATE:
      if (ReadNumberText(text.c_str(), &value->date)) {
        value->vt = VT_DATE;
        return S_OK;
      }
      break;  // a date as text, as older projects have it
    default:
      break;
  }
  if (!IsTextVariantType(type)) return DISP_E_BADVARTYPE;
  VARIANT source;
  source.vt = VT_BSTR;
  source.bstrVal = SysAllocString(text.c_str());
  if (!source.bstrVal) return E_OUTOFMEMORY;
  HRESULT hr = VariantChangeTypeEx(value, &source, LOCALE_INVARIANT, 0, type);
  VariantClear(&source);
  return hr;
}
