#include "ParameterCatalog.h"

#include <msxml2.h>
// msxml2.h renames the class to an id the import library lacks.
#undef CLSID_DOMDocument

#include <string>

#include "ComboBox.h"
#include "GridControl.h"
#include "ParameterRecord.h"
#include "Paths.h"
#include "Text.h"
#include "Variants.h"

namespace {

constexpr wchar_t kFileName[] = L"DSF_desc.xml";

// The version-independent DOM document class.
constexpr CLSID kDomDocument = {0xF6D90F11, 0x9C73, 0x11D3, {0xB3, 0x2E, 0x00, 0xC0, 0x4F, 0x99, 0x0B, 0xB4}};

bool NameIs(IXMLDOMNode* node, const wchar_t* name) {
  BSTR text = nullptr;
  bool same = SUCCEEDED(node->get_nodeName(&text)) && text && lstrcmpW(text, name) == 0;
  SysFreeString(text);
  return same;
}

// A non-empty attribute value, else empty.
std::wstring Attribute(IXMLDOMNode* node, const wchar_t* name) {
  ComPtr<IXMLDOMNamedNodeMap> attributes;
  if (FAILED(node->get_attributes(attributes.Receive())) || !attributes) return std::wstring();
  wchar_t* text = AttributeText(attributes.Get(), name);
  std::wstring value = text ? text : L"";
  FreeText(text);
  return value;
}

// Calls visit(child) for each direct child named name, in document order.
template <class Visit>
void ForEachChild(IXMLDOMNode* parent, const wchar_t* name, Visit visit) {
  ComPtr<IXMLDOMNode> child;
  parent->get_firstChild(child.Receive());
  while (child) {
    if (NameIs(child.Get(), name)) visit(child.Get());
    ComPtr<IXMLDOMNode> next;
    child->get_nextSibling(next.Receive());
    child = next;
  }
}

}  // namespace

bool ParameterCatalog::NewDocument() {
  document_.Reset();
  if (FAILED(CoCreateInstance(kDomDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                              document_.ReceiveVoid())))
    return false;
  document_->put_async(VARIANT_FALSE);
  return true;
}

bool ParameterCatalog::OpenFile(const wchar_t* path) { return NewDocument() && path && Load(path); }

bool ParameterCatalog::Open() {
  if (!NewDocument()) return false;
  // The current folder first, then the program's, where the build puts it. Full
  // paths, since the platform may look for a bare name beside the program first.
  wchar_t path[MAX_PATH];
  if (!ResolvePath(kFileName, 0, path) || !Load(path)) {
    if (ResolvePath(kFileName, kResolveProgramDir, path)) Load(path);
  }
  return true;  // a failed load leaves an empty document: no parameters
}

bool ParameterCatalog::Load(const wchar_t* path) {
  VARIANT file;
  MakeBstrVariant(&file, path);
  VARIANT_BOOL loaded = VARIANT_FALSE;
  document_->load(file, &loaded);
  ClearBstrVariant(&file);
  return loaded == VARIANT_TRUE;
}

ComPtr<IXMLDOMNode> ParameterCatalog::Select(const wchar_t* element, const wchar_t* attribute,
                                             const wchar_t* value) const {
  ComPtr<IXMLDOMNode> node;
  if (!document_ || !value) return node;
  // A literal in the quotes the value lacks; none can hold both.
  const wchar_t* quote = wcschr(value, L'"') ? L"'" : L"\"";
  if (wcschr(value, quote[0])) return node;
  std::wstring path =
      std::wstring(L"DirectShowFilters/") + element + L"[@" + attribute + L"=" + quote + value + quote + L"]";
  BSTR query = SysAllocString(path.c_str());
  if (document_->selectSingleNode(query, node.Receive()) != S_OK) node.Reset();
  SysFreeString(query);
  return node;
}

std::vector<ParameterCatalog::Parameter> ParameterCatalog::Parameters(int kind, REFCLSID filter) const {
  std::vector<Parameter> parameters;
  wchar_t clsid[kTextSize];
  if ((kind != kEffect && kind != kTransition) || !StringFromGUID2(filter, clsid, kTextSize)) return parameters;
  ComPtr<IXMLDOMNode> element = Select(kind == kEffect ? L"Effect" : L"Transition", L"GUID", clsid);
  if (!element) return parameters;
  ForEachChild(element.Get(), L"Param", [&parameters](IXMLDOMNode* param) {
    Parameter parameter{Attribute(param, L"Name"), Attribute(param, L"ValuesList")};
    if (!parameter.name.empty()) parameters.push_back(std::move(parameter));
  });
  return parameters;
}

bool ParameterCatalog::Values(const wchar_t* listName, std::vector<Value>* values) const {
  values->clear();
  ComPtr<IXMLDOMNode> element = Select(L"ValuesList", L"Name", listName);
  if (!element) return false;
  ForEachChild(element.Get(), L"Item", [values](IXMLDOMNode* item) {
    Value value{Attribute(item, L"Value"), Attribute(item, L"Name")};
    if (!value.value.empty()) values->push_back(std::move(value));
  });
  return true;
}

int ParameterCatalog::ListParameters(int kind, REFCLSID filter, GridControl& grid) const {
  if (!document_) return -1;
  std::vector<Parameter> parameters = Parameters(kind, filter);
  if (parameters.empty()) return 0;
  grid.BeginUpdate();
  for (const Parameter& parameter : parameters) {
    grid.InsertRows(-1, 1, 0);
    int row = grid.GetRowCount() - 1;
    grid.SetCellText(0, row, parameter.name.c_str(), true);
    ParameterRecord* record = new ParameterRecord();
    record->valuesList = CopyNonEmpty(parameter.valuesList.c_str());
    grid.SetRowData(row, reinterpret_cast<intptr_t>(record));
  }
  grid.EndUpdate();
  return 0;
}

int ParameterCatalog::FillValueList(const wchar_t* listName, ComboBox& list) const {
  if (!document_) return -1;
  std::vector<Value> values;
  if (!Values(listName, &values)) return 0;
  list.ResetContent();
  for (const Value& value : values) {
    std::wstring text = value.label.empty() ? value.value : value.value + L": " + value.label;
    int index = list.AddString(text.c_str());
    if (index >= 0) list.SetItemData(index, value.label.empty() ? 0 : static_cast<LRESULT>(value.value.size()));
  }
  return 0;
}
