#include <gtest/gtest.h>

#include "EngineTestSupport.h"
#include "PropertyEvaluator.h"
#include "XmlElement.h"

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

std::string Utf8(const std::wstring& text) {
  std::string bytes(4 * text.size() + 1, '\0');
  bytes.resize(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &bytes[0], int(bytes.size()), nullptr, nullptr) - 1);
  return bytes;
}

// An effect's automation side: records every property put as "name=value".
class RecordingTarget final : public IDispatch {
 public:
  std::vector<std::wstring> names = {L"Mix", L"Level"};
  std::wstring puts;

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    *object = iid == IID_IUnknown || iid == IID_IDispatch ? this : nullptr;
    return *object ? S_OK : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* name, UINT, LCID, DISPID* id) override {
    for (size_t i = 0; i < names.size(); ++i) {
      if (_wcsicmp(names[i].c_str(), *name) == 0) return *id = DISPID(i + 1), S_OK;
    }
    return DISP_E_UNKNOWNNAME;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* args, VARIANT*, EXCEPINFO*, UINT*) override {
    if (flags != DISPATCH_PROPERTYPUT || args->cArgs != 1 || args->rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) {
      return DISP_E_MEMBERNOTFOUND;
    }
    puts += names[id - 1] + L"=" + TextOf(args->rgvarg[0]) + L" ";
    return S_OK;
  }
};

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

// XML and blobs keep every value as it was, names of any length included.
TEST_F(PropertySetterTest, PrintsLoadsAndBlobsEveryValueAsItWas) {
  ASSERT_EQ(S_OK, Add(L"Mix", {Number(0.25, 0), Number(1, 2 * kSecond, DEXTERF_INTERPOLATE)}));
  ASSERT_EQ(S_OK, Add(L"A name longer than forty characters, \u00e9t\u00e9 & <more>",
                      {TextValue(L"text \u4e2d longer than forty characters as well, & <tags>", kSecond)}));
  std::wstring original = Dump();

  wchar_t text[4096];
  int printed = -1;
  ASSERT_EQ(S_OK, setter->PrintXMLW(text, 4096, &printed, 2));
  EXPECT_EQ(wcslen(text), size_t(printed));
  EXPECT_EQ(0, wcsncmp(text, L"    <param name=\"Mix\"", 21)) << text;
  std::wstring wrapped = L"<effect>" + std::wstring(text) + L"</effect>";
  XmlElement element;
  ASSERT_EQ(S_OK, XmlElement::Parse(Utf8(wrapped), &element));
  ComPtr<IPropertySetter> printedCopy = setter;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_PropertySetter, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertySetter,
                                   setter.ReceiveVoid()));
  EXPECT_EQ(S_OK, setter->LoadXML(element.Node()));
  EXPECT_EQ(original, Dump());

  LONG size = 0;
  BYTE* blob = nullptr;
  ASSERT_EQ(S_OK, printedCopy->SaveToBlob(&size, &blob));
  ASSERT_EQ(S_OK, Add(L"Gone", {Number(1, 0)}));
  EXPECT_EQ(S_OK, setter->LoadFromBlob(size, blob));
  CoTaskMemFree(blob);
  EXPECT_EQ(original, Dump());  // loading a blob replaces what was there

  char narrow[64] = "unchanged";
  EXPECT_EQ(E_OUTOFMEMORY, setter->PrintXML(narrow, 64, &printed, 0));
  EXPECT_EQ(0, printed);
  EXPECT_EQ('\0', narrow[0]);
}

TEST_F(PropertySetterTest, BadArgumentsAndUnreadableDataChangeNothing) {
  ASSERT_EQ(S_OK, Add(L"Mix", {Number(0.5, 0)}));
  std::wstring before = Dump();
  XmlElement noParams;
  ASSERT_EQ(S_OK, XmlElement::Parse("<effect><other/></effect>", &noParams));
  XmlElement badParam;
  ASSERT_EQ(S_OK, XmlElement::Parse("<effect><param value=\"1\"/></effect>", &badParam));
  LONG size = 0;
  BYTE* blob = reinterpret_cast<BYTE*>(1);
  BYTE garbage[] = "<timeline/>";
  wchar_t text[8];
  struct {
    HRESULT expected;
    HRESULT actual;
  } cases[] = {
      {E_POINTER, setter->PrintXMLW(nullptr, 8, nullptr, 0)},
      {E_POINTER, setter->LoadXML(nullptr)},
      {VFW_E_INVALID_FILE_FORMAT, setter->LoadXML(setter.Get())},
      {S_FALSE, setter->LoadXML(noParams.Node())},
      {VFW_E_INVALID_FILE_FORMAT, setter->LoadXML(badParam.Node())},
      {E_OUTOFMEMORY, setter->PrintXMLW(text, 0, nullptr, 0)},
      {E_POINTER, setter->SaveToBlob(nullptr, &blob)},
      {E_INVALIDARG, setter->LoadFromBlob(-1, garbage)},
      {E_POINTER, setter->LoadFromBlob(4, nullptr)},
      {VFW_E_INVALID_FILE_FORMAT, setter->LoadFromBlob(sizeof garbage - 1, garbage)},
      {VFW_E_INVALID_FILE_FORMAT, setter->LoadFromBlob(5, garbage + 3)},
      {E_POINTER, setter->SetProps(nullptr, 0)},
      {E_NOINTERFACE, setter->SetProps(setter.Get(), 0)},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) EXPECT_EQ(cases[i].expected, cases[i].actual) << i;
  EXPECT_EQ(nullptr, blob);
  EXPECT_EQ(0, size);
  EXPECT_EQ(before, Dump());
}

// Effects get their values through automation, at a time or only the fixed ones.
TEST_F(PropertySetterTest, SetPropsPutsEachValueAtTheTimeThroughAutomation) {
  ASSERT_EQ(S_OK, Add(L"Mix", {Number(0, 0), Number(1, 2 * kSecond, DEXTERF_INTERPOLATE)}));
  ASSERT_EQ(S_OK, Add(L"level", {TextValue(L"7", 0)}));
  RecordingTarget target;
  EXPECT_EQ(S_OK, setter->SetProps(&target, kSecond));
  EXPECT_EQ(L"Mix=0.5 Level=7 ", target.puts);
  target.puts.clear();
  EXPECT_EQ(S_OK, setter->SetProps(&target, -1));
  EXPECT_EQ(L"Level=7 ", target.puts);
  ASSERT_EQ(S_OK, Add(L"Unknown", {Number(1, 0)}));
  EXPECT_EQ(DISP_E_UNKNOWNNAME, setter->SetProps(&target, 0));
}

}  // namespace

