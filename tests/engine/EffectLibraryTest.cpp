#include <gtest/gtest.h>

#include <dshow.h>
#include <msxml2.h>
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
    if (bag && SUCCEEDED(bag->Read(L"CLSID", &clsid, nullptr)) && SUCCEEDED(bag->Read(L"FriendlyName", &name, nullptr))) {
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

class Catalog {
 public:
  Catalog() {
    wchar_t path[MAX_PATH];
    ResolvePath(L"DSF_desc.xml", kResolveProgramDir, path);
    EXPECT_EQ(S_OK, CoCreateInstance(kDomDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                     document_.ReceiveVoid()));
    document_->put_async(VARIANT_FALSE);
    VARIANT file;
    file.vt = VT_BSTR;
    file.bstrVal = SysAllocString(path);
    VARIANT_BOOL loaded = VARIANT_FALSE;
    EXPECT_EQ(S_OK, document_->load(file, &loaded));
    EXPECT_EQ(VARIANT_TRUE, loaded) << "well-formed";
    VariantClear(&file);
  }

  ComPtr<IXMLDOMNode> Select(const std::wstring& path) const {
    ComPtr<IXMLDOMNode> node;
    BSTR query = SysAllocString(path.c_str());
    if (document_->selectSingleNode(query, node.Receive()) != S_OK) node.Reset();
    SysFreeString(query);
    return node;
  }
  long Count(const std::wstring& path) const {
    ComPtr<IXMLDOMNodeList> nodes;
    BSTR query = SysAllocString(path.c_str());
    long count = -1;
    if (SUCCEEDED(document_->selectNodes(query, nodes.Receive()))) nodes->get_length(&count);
    SysFreeString(query);
    return count;
  }
  static std::wstring Attribute(IXMLDOMNode* node, const wchar_t* name) {
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
  static ComPtr<IXMLDOMNode> FirstChild(IXMLDOMNode* node) {
    ComPtr<IXMLDOMNode> child;
    node->get_firstChild(child.Receive());
    return child;
  }
  static ComPtr<IXMLDOMNode> Next(IXMLDOMNode* node) {
    ComPtr<IXMLDOMNode> next;
    node->get_nextSibling(next.Receive());
    return next;
  }

 private:
  ComPtr<IXMLDOMDocument> document_;
};

// Decimal or 0x-hexadecimal text as a number; false for anything else.
bool ReadNumber(const std::wstring& text, double* number) {
  wchar_t* end = nullptr;
  const bool hex = text.compare(0, 2, L"0x") == 0;
  *number = hex ? double(wcstoul(text.c_str() + 2, &end, 16)) : wcstod(text.c_str(), &end);
  return !text.empty() && *end == 0;
}

// Calls visit(child) for each child element of node named name.
template <class Visit>
void ForEachChild(IXMLDOMNode* node, const wchar_t* name, Visit visit) {
  for (ComPtr<IXMLDOMNode> child = Catalog::FirstChild(node); child; child = Catalog::Next(child.Get())) {
    BSTR nodeName = nullptr;
    child->get_nodeName(&nodeName);
    bool named = nodeName && std::wstring(nodeName) == name;
    SysFreeString(nodeName);
    if (named) visit(child.Get());
  }
}

// A value list entry of a wipe code names the code it is drawn as when not drawn itself.
void CheckWipeCode(int code, const std::wstring& label) {
  const int drawn = SupportedWipeCode(code);
  const std::wstring note = drawn == code ? L"" : L" (shown as " + std::to_wstring(drawn) + L")";
  EXPECT_EQ(note, label.substr(label.size() - std::min(label.size(), note.size()))) << label;
  EXPECT_EQ(drawn == code, label.find(L"shown as") == std::wstring::npos) << label;
}

void CheckParameter(const Catalog& catalog, IXMLDOMNode* param, const ParameterSpec& spec) {
  const std::wstring name = spec.name;
  EXPECT_EQ(name, Catalog::Attribute(param, L"Name"));
  double number = 0;
  if (ReadNumber(Catalog::Attribute(param, L"Default"), &number)) {
    EXPECT_EQ(spec.fallback, number) << name;
  }
  if (ReadNumber(Catalog::Attribute(param, L"Min"), &number)) {
    EXPECT_EQ(spec.low, number) << name;
  }
  if (ReadNumber(Catalog::Attribute(param, L"Max"), &number)) {
    EXPECT_EQ(spec.high, number) << name;
  }
  const std::wstring listName = Catalog::Attribute(param, L"ValuesList");
  if (listName.empty()) return;
  ComPtr<IXMLDOMNode> list = catalog.Select(L"DirectShowFilters/ValuesList[@Name=\"" + listName + L"\"]");
  ASSERT_TRUE(list) << listName;
  int items = 0;
  ForEachChild(list.Get(), L"Item", [&](IXMLDOMNode* item) {
    ++items;
    ASSERT_TRUE(ReadNumber(Catalog::Attribute(item, L"Value"), &number)) << listName;
    EXPECT_TRUE(number >= spec.low && number <= spec.high) << listName << " " << number;
    if (name == L"MaskNum") CheckWipeCode(static_cast<int>(number), Catalog::Attribute(item, L"Name"));
  });
  EXPECT_LT(0, items) << listName;
}

TEST_F(EffectLibraryTest, CatalogDescribesExactlyTheLibrarysParameters) {
  Catalog catalog;
  EXPECT_EQ(EffectLibrary::ClassCount(), catalog.Count(L"DirectShowFilters/*[@GUID]"));
  for (int i = 0; i < EffectLibrary::ClassCount(); ++i) {
    const EffectClass& effect = EffectLibrary::ClassAt(i);
    const bool isEffect = effect.kind == EffectKind::kVideoEffect || effect.kind == EffectKind::kAudioEffect;
    ComPtr<IXMLDOMNode> element = catalog.Select(std::wstring(L"DirectShowFilters/") +
                                                 (isEffect ? L"Effect" : L"Transition") + L"[@GUID=\"" +
                                                 GuidText(*effect.clsid) + L"\"]");
    ASSERT_TRUE(element) << effect.name;
    EXPECT_EQ(effect.name, Catalog::Attribute(element.Get(), L"Title"));
    int index = 0;
    ForEachChild(element.Get(), L"Param", [&](IXMLDOMNode* param) {
      ASSERT_LT(index, effect.parameters.count) << effect.name;
      CheckParameter(catalog, param, effect.parameters.items[index++]);
    });
    EXPECT_EQ(effect.parameters.count, index) << effect.name;
  }
}

}  // namespace
