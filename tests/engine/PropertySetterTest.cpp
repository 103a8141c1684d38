#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "PropertyEvaluator.h"

namespace {

constexpr REFERENCE_TIME kSecond = 10000000;

DEXTER_VALUE Number(double number, REFERENCE_TIME time, DWORD interp = DEXTERF_JUMP) {
  DEXTER_VALUE value = {};
  value.v.vt = VT_R8;
  value.v.dblVal = number;
  value.rt = time;
  value.dwInterp = interp;
  return value;
}

std::wstring TextOf(const VARIANT& value) {
  if (value.vt == VT_BSTR) return value.bstrVal ? value.bstrVal : L"";
  VARIANT text;
  VariantInit(&text);
  VariantChangeTypeEx(&text, const_cast<VARIANT*>(&value), LOCALE_INVARIANT, 0, VT_BSTR);
  std::wstring result = text.bstrVal ? text.bstrVal : L"";
  VariantClear(&text);
  return result;
}

class PropertySetterTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_PropertySetter, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertySetter,
                                     setter.ReceiveVoid()));
  }
  void TearDown() override {
    setter.Reset();
    EngineTest::TearDown();
  }

  // Adds the values and frees the caller's copies, as the application does.
  HRESULT Add(const wchar_t* name, std::vector<DEXTER_VALUE> values) {
    BSTR text = SysAllocString(name);
    DEXTER_PARAM param = {text, 0, static_cast<LONG>(values.size())};
    HRESULT hr = setter->AddProp(param, values.data());
    SysFreeString(text);
    for (DEXTER_VALUE& value : values) VariantClear(&value.v);
    return hr;
  }

  // "name: value@time/flag ..." for every parameter, through GetProps.
  std::wstring Dump() {
    LONG count = 0;
    DEXTER_PARAM* params = nullptr;
    DEXTER_VALUE* values = nullptr;
    EXPECT_EQ(S_OK, setter->GetProps(&count, &params, &values));
    std::wstring dump;
    for (LONG i = 0, next = 0; i < count; ++i) {
      dump += std::wstring(params[i].Name) + L":";
      for (LONG j = 0; j < params[i].nValues; ++j, ++next) {
        dump += L" " + TextOf(values[next].v) + L"@" + std::to_wstring(values[next].rt) + L"/" +
                std::to_wstring(values[next].dwInterp);
      }
      dump += L"\n";
    }
    setter->FreeProps(count, params, values);
    return dump;
  }

  std::wstring ValueAt(const PropertyEvaluator& evaluator, const wchar_t* name, REFERENCE_TIME time) {
    VARIANT value;
    EXPECT_EQ(S_OK, evaluator.ValueAt(name, time, &value));
    std::wstring text = TextOf(value);
    VariantClear(&value);
    return text;
  }

  ComPtr<IPropertySetter> setter;
};

TEST_F(PropertySetterTest, KeepsDeepCopiesInTimeOrderAndReplacesAParameterByName) {
  ASSERT_EQ(S_OK, Add(L"Progress", {TextValue(L"1", 20), TextValue(L"0", 0), TextValue(L"0.5", 10, DEXTERF_INTERPOLATE)}));
  DEXTER_VALUE red = TextValue(L"red", 5 * kSecond);
  // A plain string for a name works too: it is read up to its zero.
  wchar_t name[] = L"Color";
  ASSERT_EQ(S_OK, setter->AddProp(DEXTER_PARAM{name, 0, 1}, &red));
  red.v.bstrVal[0] = L'R';  // the setter holds its own copy
  VariantClear(&red.v);
  EXPECT_EQ(L"Progress: 0@0/0 0.5@10/1 1@20/0\nColor: red@50000000/0\n", Dump());

  // Letter case does not make a new parameter; the new values and spelling replace the old in place.
  ASSERT_EQ(S_OK, Add(L"PROGRESS", {TextValue(L"9", 0)}));
  EXPECT_EQ(L"PROGRESS: 9@0/0\nColor: red@50000000/0\n", Dump());

  EXPECT_EQ(E_INVALIDARG, Add(L"Color", {TextValue(L"blue", -1)}));
  EXPECT_EQ(E_INVALIDARG, Add(L"Color", {TextValue(L"blue", 0, 7)}));
  EXPECT_EQ(E_INVALIDARG, Add(L"", {TextValue(L"blue", 0)}));
  EXPECT_EQ(L"PROGRESS: 9@0/0\nColor: red@50000000/0\n", Dump());

  ASSERT_EQ(S_OK, setter->ClearProps());
  LONG count = -1;
  DEXTER_PARAM* params = nullptr;
  DEXTER_VALUE* values = nullptr;
  ASSERT_EQ(S_OK, setter->GetProps(&count, &params, &values));
  EXPECT_EQ(0, count);
  setter->FreeProps(count, params, values);
}

TEST_F(PropertySetterTest, NumbersInterpolateAndTextJumpsBetweenListedTimes) {
  // A comma-decimal locale must not change how "2.5" reads.
  LCID locale = GetThreadLocale();
  SetThreadLocale(MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT));
  ASSERT_EQ(S_OK, Add(L"Level", {TextValue(L"0", 10), TextValue(L" 1e1 ", 110, DEXTERF_INTERPOLATE), TextValue(L"4", 200),
                                 TextValue(L"abc", 300, DEXTERF_INTERPOLATE), TextValue(L"8", 400, DEXTERF_INTERPOLATE),
                                 TextValue(L"1,5", 500, DEXTERF_INTERPOLATE), TextValue(L"x", 600), TextValue(L"y", 600)}));
  ASSERT_EQ(S_OK, Add(L"Mix", {Number(1, 0), Number(2, 100, DEXTERF_INTERPOLATE)}));
  PropertyEvaluator evaluator;
  ASSERT_EQ(S_OK, evaluator.Load(setter.Get()));
  SetThreadLocale(locale);

  EXPECT_EQ(L"0", ValueAt(evaluator, L"Level", 0));     // before the first time: the first value
  EXPECT_EQ(L"2.5", ValueAt(evaluator, L"level", 35));  // a quarter of the way from 0 to 10
  EXPECT_EQ(L" 1e1 ", ValueAt(evaluator, L"Level", 199));  // the next value jumps: no ramp towards it
  EXPECT_EQ(L"4", ValueAt(evaluator, L"Level", 299));   // text is no number: no ramp either
  EXPECT_EQ(L"abc", ValueAt(evaluator, L"Level", 399));
  EXPECT_EQ(L"8", ValueAt(evaluator, L"Level", 499));   // "1,5" is text in every locale
  EXPECT_EQ(L"y", ValueAt(evaluator, L"Level", 600));   // the last of values sharing a time
  EXPECT_EQ(L"y", ValueAt(evaluator, L"Level", 99 * kSecond));

  double number = 0;
  EXPECT_TRUE(evaluator.NumberAt(L"Mix", 50, &number));
  EXPECT_DOUBLE_EQ(1.5, number);
  EXPECT_FALSE(evaluator.NumberAt(L"Level", 350, &number));
  VARIANT value;
  EXPECT_EQ(DISP_E_UNKNOWNNAME, evaluator.ValueAt(L"Missing", 0, &value));
}

TEST_F(PropertySetterTest, ClonesTheValuesFromAStartTimeOnShiftedToIt) {
  ASSERT_EQ(S_OK, Add(L"Level", {TextValue(L"0", 0), TextValue(L"10", 100, DEXTERF_INTERPOLATE), TextValue(L"20", 200),
                                 TextValue(L"30", 300)}));
  ComPtr<IPropertySetter> original = setter;
  ASSERT_EQ(S_OK, original->CloneProps(setter.Receive(), 50, 300));
  // The value at the start opens the copy; values from the stop on are left out.
  EXPECT_EQ(L"Level: 5@0/0 10@50/1 20@150/0\n", Dump());
}

}  // namespace
