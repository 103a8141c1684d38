// Conversions between plain arrays and one-dimensional, zero-based safe arrays
// in VARIANTs. Element types copied: VT_I2, VT_I4, VT_R8 and VT_VARIANT (each
// element a deep copy, so caller and array never share strings or interfaces).
// Other types from VT_I2 to VT_VARIANT make the array but copy nothing.
// Arrays held by reference (VT_BYREF) are neither read nor freed.
#pragma once

#include <windows.h>
#include <oleauto.h>

// Owns a VT_ARRAY VARIANT; empty (VT_EMPTY) when data is null or the array
// could not be made.
class ArrayVariant {
 public:
  ArrayVariant(const void* data, LONG count, VARTYPE elementType);
  ~ArrayVariant();
  ArrayVariant(const ArrayVariant&) = delete;
  ArrayVariant& operator=(const ArrayVariant&) = delete;

  VARIANT& Variant() { return variant_; }
  bool IsEmpty() const { return variant_.vt == VT_EMPTY; }

 private:
  VARIANT variant_;
};

// Fills target (a new heap VARIANT, freed with delete, when null). Null when
// data is null or the array cannot be made.
VARIANT* MakeArrayVariant(const void* data, LONG count, VARTYPE elementType, VARIANT* target = nullptr);
// Copies the array's element count from data into the variant's array.
bool FillArray(VARIANT* variant, const void* data);
// A new plain array (CoTaskMemFree; VT_VARIANT elements are copies to
// VariantClear first) with the array's elements; count receives their number.
// With destroy, the safe array is destroyed and the variant left VT_EMPTY.
void* ExtractArray(VARIANT* variant, bool destroy, LONG* count = nullptr);
// Destroys the variant's array and leaves it VT_EMPTY; false without an array.
bool ClearArrayVariant(VARIANT* variant);
