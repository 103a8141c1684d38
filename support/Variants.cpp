#include "Variants.h"

#include <msxml2.h>

#include "Text.h"

BSTR MakeBstrVariant(VARIANT* variant, const wchar_t* text) {
  VariantInit(variant);
  variant->vt = VT_BSTR;
  variant->bstrVal = AllocBstr(text);
  return variant->bstrVal;
}

void ClearBstrVariant(VARIANT* variant) {
  if (variant->vt == VT_BSTR) SysFreeString(variant->bstrVal);
  variant->vt = VT_EMPTY;
  variant->bstrVal = nullptr;
}

wchar_t* VariantText(const VARIANT* variant, wchar_t* buffer) {
  if (!variant || variant->vt != VT_BSTR) return nullptr;
  return CopyNonEmpty(variant->bstrVal, buffer);
}

VARIANT* MissingArgument(VARIANT* variant) {
  VariantInit(variant);
  variant->vt = VT_ERROR;
  variant->scode = DISP_E_PARAMNOTFOUND;
  return variant;
}

VARIANT* MakeVariant(VARIANT* variant, int32_t value, VARTYPE type) {
  VariantInit(variant);
  variant->vt = type;
  variant->lVal = value;
  return variant;
}

BSTR AllocBstr(const wchar_t* text) { return text ? SysAllocString(text) : nullptr; }

wchar_t* AttributeText(IXMLDOMNamedNodeMap* attributes, const wchar_t* name, wchar_t* buffer) {
  if (buffer) buffer[0] = 0;
  if (!attributes || !name) return nullptr;
  BSTR key = SysAllocString(name);
  IXMLDOMNode* item = nullptr;
  HRESULT hr = attributes->getNamedItem(key, &item);
  SysFreeString(key);
  if (hr != S_OK || !item) return nullptr;
  VARIANT value;
  VariantInit(&value);
  wchar_t* text = nullptr;
  if (SUCCEEDED(item->get_nodeValue(&value))) text = VariantText(&value, buffer);
  VariantClear(&value);
  item->Release();
  return text;
}
