// VARIANT and BSTR helpers for automation calls and the XML DOM.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <cstdint>

struct IXMLDOMNamedNodeMap;

// VT_BSTR holding a copy of text (a null string for null text); returns the string.
BSTR MakeBstrVariant(VARIANT* variant, const wchar_t* text);
// Frees the string and leaves the variant VT_EMPTY.
void ClearBstrVariant(VARIANT* variant);
// A copy of the variant's string; null unless it is VT_BSTR, and null (with an
// empty buffer) when the string is empty.
wchar_t* VariantText(const VARIANT* variant, wchar_t* buffer = nullptr);
// The value of an omitted optional argument: VT_ERROR, DISP_E_PARAMNOTFOUND.
VARIANT* MissingArgument(VARIANT* variant);
// A 32-bit value with the given type.
VARIANT* MakeVariant(VARIANT* variant, int32_t value, VARTYPE type);
// SysAllocString; null for null text.
BSTR AllocBstr(const wchar_t* text);
// The text of one attribute of an element's attribute map; null when absent or
// not a string.
wchar_t* AttributeText(IXMLDOMNamedNodeMap* attributes, const wchar_t* name, wchar_t* buffer = nullptr);
