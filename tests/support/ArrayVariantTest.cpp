#include <gtest/gtest.h>

#include "ArrayVariant.h"

namespace {

template <class T>
void RoundTrip(VARTYPE type, std::initializer_list<T> values) {
  std::vector<T> data(values);
  ArrayVariant holder(data.data(), LONG(data.size()), type);
  ASSERT_EQ(VARTYPE(type | VT_ARRAY), holder.Variant().vt);
  LONG count = 0;
  T* back = static_cast<T*>(ExtractArray(&holder.Variant(), false, &count));
  ASSERT_NE(nullptr, back);
  ASSERT_EQ(LONG(data.size()), count);
  for (size_t i = 0; i < data.size(); ++i) EXPECT_EQ(data[i], back[i]);
  CoTaskMemFree(back);
}

}  // namespace

TEST(ArrayVariant, NumberRoundTrips) {
  RoundTrip<SHORT>(VT_I2, {-32768, 0, 32767});
  RoundTrip<LONG>(VT_I4, {-7, 1 << 30, 42});
  RoundTrip<double>(VT_R8, {29.97, -0.5, 1e300});
}

TEST(ArrayVariant, VariantElementsAreDeepCopies) {
  VARIANT data[2];
  VariantInit(&data[0]);
  data[0].vt = VT_BSTR;
  data[0].bstrVal = SysAllocString(L"first");
  VariantInit(&data[1]);
  data[1].vt = VT_R8;
  data[1].dblVal = 2.5;
  VARIANT* made = MakeArrayVariant(data, 2, VT_VARIANT);
  ASSERT_NE(nullptr, made);
  LONG count = 0;
  auto* back = static_cast<VARIANT*>(ExtractArray(made, true, &count));
  ASSERT_NE(nullptr, back);
  EXPECT_EQ(VT_EMPTY, made->vt);  // destroyed with the array
  ASSERT_EQ(2, count);
  EXPECT_STREQ(L"first", back[0].bstrVal);
  EXPECT_NE(data[0].bstrVal, back[0].bstrVal);
  EXPECT_DOUBLE_EQ(2.5, back[1].dblVal);
  EXPECT_STREQ(L"first", data[0].bstrVal);  // the caller's own survived the array
  for (VARIANT& v : data) VariantClear(&v);
  for (LONG i = 0; i < count; ++i) VariantClear(&back[i]);
  CoTaskMemFree(back);
  delete made;
}

TEST(ArrayVariant, FillAndClear) {
  LONG zeros[3] = {0, 0, 0}, values[3] = {4, 5, 6};
  ArrayVariant holder(zeros, 3, VT_I4);
  EXPECT_TRUE(FillArray(&holder.Variant(), values));
  LONG* back = static_cast<LONG*>(ExtractArray(&holder.Variant(), false));
  ASSERT_NE(nullptr, back);
  EXPECT_EQ(6, back[2]);
  CoTaskMemFree(back);
  EXPECT_TRUE(ClearArrayVariant(&holder.Variant()));
  EXPECT_FALSE(ClearArrayVariant(&holder.Variant()));
  EXPECT_FALSE(FillArray(&holder.Variant(), values));
  EXPECT_FALSE(FillArray(nullptr, values));
}

TEST(ArrayVariant, UnhandledTypesFailCleanly) {
  LONG values[2] = {1, 2};
  EXPECT_TRUE(ArrayVariant(nullptr, 2, VT_I4).IsEmpty());
  EXPECT_TRUE(ArrayVariant(values, 2, VT_UI8).IsEmpty());
  EXPECT_EQ(nullptr, MakeArrayVariant(values, 2, VT_UI8));

  // Strings: the array is made, but nothing is copied in or out.
  ArrayVariant strings(values, 2, VT_BSTR);
  ASSERT_EQ(VARTYPE(VT_BSTR | VT_ARRAY), strings.Variant().vt);
  EXPECT_FALSE(FillArray(&strings.Variant(), values));
  EXPECT_EQ(nullptr, ExtractArray(&strings.Variant(), true));
  EXPECT_EQ(VARTYPE(VT_BSTR | VT_ARRAY), strings.Variant().vt);  // untouched on failure

  // By reference the variant holds a SAFEARRAY**: never taken for the array.
  ArrayVariant owner(values, 2, VT_I4);
  VARIANT byRef;
  VariantInit(&byRef);
  byRef.vt = VT_ARRAY | VT_I4 | VT_BYREF;
  byRef.pparray = &owner.Variant().parray;
  LONG count = -1;
  EXPECT_EQ(nullptr, ExtractArray(&byRef, true, &count));
  EXPECT_EQ(0, count);
  EXPECT_FALSE(FillArray(&byRef, values));
  EXPECT_FALSE(ClearArrayVariant(&byRef));
  EXPECT_FALSE(owner.IsEmpty());
  VARIANT number;
  VariantInit(&number);
  number.vt = VT_I4;
  EXPECT_EQ(nullptr, ExtractArray(&number, false));
}
