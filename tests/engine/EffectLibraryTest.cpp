#include <gtest/gtest.h>

#include <dshow.h>
#include <msxml2.h>
// msxml2.h renames the class to an id the import library lacks.
#undef CLSID_DOMDocument

#include <cwchar>
#include <map>
#include <string>

#include "EffectLibrary.h"
#include "EngineRegistration.h"
#include "EngineTestSupport.h"
#include "Paths.h"
#include "WipeShapes.h"

namespace {

constexpr CLSID kDomDocument = {0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};

std::wstring GuidText(const GUID& guid) {
  wchar_t text[40];
  StringFromGUID2(guid, text, 40);
  return text;
}

// Class id text -> friendly name of every filter listed in a category.
std::map<std::wstring, std::wstring> Listed(const GUID& category) {
  std::map<std::wstring, std::wstring> listed;
  ComPtr<ICreateDevEnum> devices;
  ComPtr<IEnumMoniker> monikers;
  EXPECT_EQ(S_OK, CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                   devices.ReceiveVoid()));
  if (devices->CreateClassEnumerator(category, monikers.Receive(), 0) != S_OK) return listed;
  ComPtr<IMoniker> moniker;
  while (monikers->Next(1, moniker.Receive(), nullptr) == S_OK) {
    ComPtr<IPropertyBag> bag;
    moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReceiveVoid());
    VARIANT clsid, name;
    VariantInit(&clsid);
    VariantInit(&name);
    if (bag && SUCCEEDED(bag->Read(L"CLSID", &clsid, nullptr)) &&
        SUCCEEDED(bag->Read(L"FriendlyName", &name, nullptr))) {
      ComPtr<IPersist> made;  // the moniker reaches the class object
      EXPECT_EQ(S_OK, moniker->BindToObject(nullptr, nullptr, IID_IPersist, made.ReceiveVoid())) << name.bstrVal;
      listed[clsid.bstrVal] = name.bstrVal;
    }
    VariantClear(&clsid);
    VariantClear(&name);
  }
  return listed;
}

class EffectLibraryTest : public EngineTest {};

TEST_F(EffectLibraryTest, EveryClassIsMadeAsItsKindCreatedAndListedByName) {
  for (int i = 0; i < EffectLibrary::ClassCount(); ++i) {
    const EffectClass& effect = EffectLibrary::ClassAt(i);
    const CLSID& clsid = *effect.clsid;
    EXPECT_EQ(effect.kind == EffectKind::kVideoEffect, !!EffectLibrary::NewVideoEffect(clsid)) << effect.name;
    EXPECT_EQ(effect.kind == EffectKind::kVideoTransition, !!EffectLibrary::NewVideoTransition(clsid)) << effect.name;
    EXPECT_EQ(effect.kind == EffectKind::kAudioEffect, !!EffectLibrary::NewAudioEffect(clsid)) << effect.name;
    EXPECT_EQ(effect.kind == EffectKind::kAudioTransition, !!EffectLibrary::NewAudioTransition(clsid)) << effect.name;

    ComPtr<IPersist> object;
    ASSERT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IPersist, object.ReceiveVoid()));
    CLSID answered = GUID_NULL;
    EXPECT_EQ(S_OK, object->GetClassID(&answered));
    EXPECT_TRUE(IsEqualGUID(clsid, answered)) << effect.name;

    EXPECT_EQ(effect.name, Listed(EffectLibrary::Category(effect.kind))[GuidText(clsid)]);
  }
  EXPECT_FALSE(EffectLibrary::NewVideoTransition(CLSID_AMTimeline));
  EXPECT_FALSE(EffectLibrary::NewAudioEffect(GUID_NULL));
}

TEST_F(EffectLibraryTest, AnEntryChangedSinceIsWrittenAgainAtTheNextStart) {
  const EffectClass& effect = EffectLibrary::ClassAt(0);
  const GUID& category = EffectLibrary::Category(effect.kind);
  const std::wstring key = L"CLSID\\" + GuidText(category) + L"\\Instance\\" + GuidText(*effect.clsid);
  HKEY instance = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_SET_VALUE, &instance));
  const wchar_t stale[] = L"Stale";
  RegSetValueExW(instance, L"FriendlyName", 0, REG_SZ, reinterpret_cast<const BYTE*>(stale), sizeof(stale));
  RegCloseKey(instance);
  ASSERT_EQ(L"Stale", Listed(category)[GuidText(*effect.clsid)]);
  RevokeEngineClasses();
  ASSERT_EQ(S_OK, RegisterEngineClasses());
  EXPECT_EQ(effect.name, Listed(category)[GuidText(*effect.clsid)]);
}

using Nodes = std::map<std::wstring, ComPtr<IXMLDOMNode>>;

// An attribute's text; empty when absent.
std::wstring Attribute(IXMLDOMNode* node, const wchar_t* name) {
  ComPtr<IXMLDOMElement> element = ComPtr<IXMLDOMNode>(node).As<IXMLDOMElement>(IID_IXMLDOMElement);
  VARIANT value;
  VariantInit(&value);
  BSTR key = SysAllocString(name);
  element->getAttribute(key, &value);
  SysFreeString(key);
  std::wstring text = value.vt == VT_BSTR ? value.bstrVal : L"";
  VariantClear(&value);
  return text;
}

// Calls visit(child) for each child element of node named name, in order.
template <class Visit>
void ForEachChild(IXMLDOMNode* node, const wchar_t* name, Visit visit) {
  ComPtr<IXMLDOMNode> child;
  for (node->get_firstChild(child.Receive()); child;) {
    BSTR nodeName = nullptr;
    child->get_nodeName(&nodeName);
    if (nodeName && std::wstring(nodeName) == name) visit(child.Get());
    SysFreeString(nodeName);
    ComPtr<IXMLDOMNode> next;
    child->get_nextSibling(next.Receive());
    child = next;
  }
}

// The catalog's root element, from beside the test program.
ComPtr<IXMLDOMNode> LoadCatalog() {
  wchar_t path[MAX_PATH];
  ResolvePath(L"DSF_desc.xml", kResolveProgramDir, path);
  ComPtr<IXMLDOMDocument> document;
  CoCreateInstance(kDomDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument, document.ReceiveVoid());
  document->put_async(VARIANT_FALSE);
  VARIANT file;
  file.vt = VT_BSTR;
  file.bstrVal = SysAllocString(path);
  VARIANT_BOOL loaded = VARIANT_FALSE;
  document->load(file, &loaded);
  VariantClear(&file);
  EXPECT_EQ(VARIANT_TRUE, loaded) << "well-formed";
  ComPtr<IXMLDOMElement> root;
  document->get_documentElement(root.Receive());
  return root ? root.As<IXMLDOMNode>(IID_IXMLDOMNode) : ComPtr<IXMLDOMNode>();
}

// Decimal or 0x-hexadecimal text as a number; false for anything else.
bool ReadNumber(const std::wstring& text, double* number) {
  wchar_t* end = nullptr;
  const bool hex = text.compare(0, 2, L"0x") == 0;
  *number = hex ? double(wcstoul(text.c_str() + 2, &end, 16)) : wcstod(text.c_str(), &end);
  return !text.empty() && *end == 0;
}

// A wipe code's entry names the code it is drawn as, when not drawn itself.
void CheckWipeCode(int code, const std::wstring& label) {
  const int drawn = SupportedWipeCode(code);
  const std::wstring note = drawn == code ? L"" : L" (shown as " + std::to_wstring(drawn) + L")";
  EXPECT_EQ(note, label.substr(label.size() - std::min(label.size(), note.size()))) << label;
  EXPECT_EQ(drawn == code, label.find(L"shown as") == std::wstring::npos) << label;
}

void CheckParameter(IXMLDOMNode* param, const ParameterInfo& parameter, Nodes& lists) {
  const std::wstring name = parameter.name;
  EXPECT_EQ(name, Attribute(param, L"Name"));
  const std::pair<const wchar_t*, double> numbers[] = {
      {L"Default", parameter.fallback}, {L"Min", parameter.low}, {L"Max", parameter.high}};
  for (const auto& number : numbers) {
    double read = 0;
    if (ReadNumber(Attribute(param, number.first), &read)) {
      EXPECT_EQ(number.second, read) << name << " " << number.first;
    }
  }
  const std::wstring listName = Attribute(param, L"ValuesList");
  if (listName.empty()) return;
  ASSERT_TRUE(lists[listName]) << listName;
  ForEachChild(lists[listName].Get(), L"Item", [&](IXMLDOMNode* item) {
    double value = 0;
    ASSERT_TRUE(ReadNumber(Attribute(item, L"Value"), &value)) << listName;
    EXPECT_TRUE(value >= parameter.low && value <= parameter.high) << listName << " " << value;
    if (name == L"MaskNum") CheckWipeCode(static_cast<int>(value), Attribute(item, L"Name"));
  });
}

TEST_F(EffectLibraryTest, CatalogDescribesExactlyTheLibrarysParameters) {
  ComPtr<IXMLDOMNode> root = LoadCatalog();
  ASSERT_TRUE(root);
  Nodes filters, lists;  // filters by "Effect" or "Transition" and GUID text
  for (const wchar_t* kind : {L"Effect", L"Transition"})
    ForEachChild(root.Get(), kind,
                 [&](IXMLDOMNode* node) { filters[kind + Attribute(node, L"GUID")] = ComPtr<IXMLDOMNode>(node); });
  ForEachChild(root.Get(), L"ValuesList",
               [&](IXMLDOMNode* node) { lists[Attribute(node, L"Name")] = ComPtr<IXMLDOMNode>(node); });
  EXPECT_EQ(static_cast<size_t>(EffectLibrary::ClassCount()), filters.size());
  for (int i = 0; i < EffectLibrary::ClassCount(); ++i) {
    const EffectClass& effect = EffectLibrary::ClassAt(i);
    const bool isEffect = effect.kind == EffectKind::kVideoEffect || effect.kind == EffectKind::kAudioEffect;
    ComPtr<IXMLDOMNode> element = filters[(isEffect ? L"Effect" : L"Transition") + GuidText(*effect.clsid)];
    ASSERT_TRUE(element) << effect.name;
    EXPECT_EQ(effect.name, Attribute(element.Get(), L"Title"));
    int index = 0;
    ForEachChild(element.Get(), L"Param", [&](IXMLDOMNode* param) {
      ASSERT_LT(index, effect.parameters.count) << effect.name;
      CheckParameter(param, effect.parameters.items[index++], lists);
    });
    EXPECT_EQ(effect.parameters.count, index) << effect.name;
  }
}

}  // namespace
