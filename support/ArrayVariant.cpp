#include "ArrayVariant.h"

namespace {

size_t ElementSize(VARTYPE type) {
  switch (type) {
    case VT_I2: return sizeof(SHORT);
    case VT_I4: return sizeof(LONG);
    case VT_R8: return sizeof(double);
    case VT_VARIANT: return sizeof(VARIANT);
    default: return 0;
  }
}

bool Creatable(VARTYPE type) { return type >= VT_I2 && type <= VT_VARIANT; }

// Copies count elements; VARIANT elements are deep copies (destinations must be
// initialised or safe to clear).
bool CopyElements(void* to, const void* from, LONG count, VARTYPE type) {
  if (type != VT_VARIANT) {
    memcpy(to, from, ElementSize(type) * count);
    return true;
  }
  auto* target = static_cast<VARIANT*>(to);
  auto* source = static_cast<const VARIANT*>(from);
  for (LONG i = 0; i < count; ++i)
    if (FAILED(VariantCopy(&target[i], const_cast<VARIANT*>(&source[i])))) return false;
  return true;
}

SAFEARRAY* MakeArray(const void* data, LONG count, VARTYPE type) {
  if (!data || count < 0 || !Creatable(type)) return nullptr;
  SAFEARRAYBOUND bound = {ULONG(count), 0};
  SAFEARRAY* array = SafeArrayCreate(type, 1, &bound);
  if (!array) return nullptr;
  if (ElementSize(type) == 0) return array;
  void* elements = nullptr;
  if (FAILED(SafeArrayAccessData(array, &elements))) {
    SafeArrayDestroy(array);
    return nullptr;
  }
  bool copied = CopyElements(elements, data, count, type);
  SafeArrayUnaccessData(array);
  if (!copied) {
    SafeArrayDestroy(array);
    return nullptr;
  }
  return array;
}

// A by-reference array (pparray) is the caller's, and parray would misread it.
bool HoldsArray(const VARIANT* variant) {
  return variant && (variant->vt & VT_ARRAY) && !(variant->vt & VT_BYREF) && variant->parray;
}

LONG ElementCount(SAFEARRAY* array) { return LONG(array->rgsabound[0].cElements); }

}  // namespace

ArrayVariant::ArrayVariant(const void* data, LONG count, VARTYPE elementType) {
  VariantInit(&variant_);
  MakeArrayVariant(data, count, elementType, &variant_);
}

ArrayVariant::~ArrayVariant() { ClearArrayVariant(&variant_); }

VARIANT* MakeArrayVariant(const void* data, LONG count, VARTYPE elementType, VARIANT* target) {
  SAFEARRAY* array = MakeArray(data, count, elementType);
  if (!array) return nullptr;
  VARIANT* result = target ? target : new VARIANT;
  VariantInit(result);
  result->vt = VARTYPE(elementType | VT_ARRAY);
  result->parray = array;
  return result;
}

bool FillArray(VARIANT* variant, const void* data) {
  if (!data || !HoldsArray(variant)) return false;
  VARTYPE type = VARTYPE(variant->vt & VT_TYPEMASK);
  if (ElementSize(type) == 0) return false;
  void* elements = nullptr;
  if (FAILED(SafeArrayAccessData(variant->parray, &elements))) return false;
  bool copied = CopyElements(elements, data, ElementCount(variant->parray), type);
  SafeArrayUnaccessData(variant->parray);
  return copied;
}

void* ExtractArray(VARIANT* variant, bool destroy, LONG* count) {
  if (count) *count = 0;
  if (!HoldsArray(variant)) return nullptr;
  VARTYPE type = VARTYPE(variant->vt & VT_TYPEMASK);
  size_t size = ElementSize(type);
  if (size == 0) return nullptr;
  LONG n = ElementCount(variant->parray);
  void* result = CoTaskMemAlloc(size * (n ? n : 1));
  if (!result) return nullptr;
  if (type == VT_VARIANT)
    for (LONG i = 0; i < n; ++i) VariantInit(&static_cast<VARIANT*>(result)[i]);
  void* elements = nullptr;
  bool copied = SUCCEEDED(SafeArrayAccessData(variant->parray, &elements)) && elements;
  if (copied) {
    copied = CopyElements(result, elements, n, type);
    SafeArrayUnaccessData(variant->parray);
  }
  if (!copied) {
    if (type == VT_VARIANT)
      for (LONG i = 0; i < n; ++i) VariantClear(&static_cast<VARIANT*>(result)[i]);
    CoTaskMemFree(result);
    return nullptr;
  }
  if (destroy) ClearArrayVariant(variant);
  if (count) *count = n;
  return result;
}

bool ClearArrayVariant(VARIANT* variant) {
  if (!variant || !(variant->vt & VT_ARRAY) || (variant->vt & VT_BYREF)) return false;
  if (variant->parray) SafeArrayDestroy(variant->parray);
  variant->parray = nullptr;
  variant->vt = VT_EMPTY;
  return true;
}
