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

// A heap copy of a non-empty attribute value (FreeText), else null.
wchar_t* Attribute(IXMLDOMNode* node, const wchar_t* name) {
  ComPtr<IXMLDOMNamedNodeMap> attributes;
  if (FAILED(node->get_attributes(attributes.Receive())) || !attributes) return nullptr;
  return AttributeText(attributes.Get(), name);
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

void AppendParameter(GridControl& grid, IXMLDOMNode* param) {
  wchar_t* name = Attribute(param, L"Name");
  if (!name) return;
  grid.InsertRows(-1, 1, 0);
  int row = grid.GetRowCount() - 1;
  grid.SetCellText(0, row, name, false);
  ParameterRecord* record = new ParameterRecord();
  record->valuesList = Attribute(param, L"ValuesList");
  grid.SetRowData(row, reinterpret_cast<intptr_t>(record));
}

void AppendItem(ComboBox& list, IXMLDOMNode* item) {
  wchar_t* value = Attribute(item, L"Value");
  if (!value) return;
  wchar_t* label = Attribute(item, L"Name");
  std::wstring text = value;
  LRESULT valueLength = 0;
  if (label) {
    valueLength = static_cast<LRESULT>(text.size());
    text += L": ";
    text += label;
  }
  int index = list.AddString(text.c_str());
  if (index >= 0) list.SetItemData(index, valueLength);
  FreeText(label);
  FreeText(value);
}

}  // namespace

bool ParameterCatalog::Open() {
  document_.Reset();
  if (FAILED(CoCreateInstance(kDomDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                              document_.ReceiveVoid())))
    return false;
  document_->put_async(VARIANT_FALSE);
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
  std::wstring path = std::wstring(L"DirectShowFilters/") + element + L"[@" + attribute + L"=\"" + value + L"\"]";
  BSTR query = SysAllocString(path.c_str());
  if (document_->selectSingleNode(query, node.Receive()) != S_OK) node.Reset();
  SysFreeString(query);
  return node;
}

int ParameterCatalog::ListParameters(int kind, REFCLSID filter, GridControl& grid) const {
  if (!document_) return -1;
  if (kind != kEffect && kind != kTransition) return 0;
  wchar_t clsid[kTextSize];
  if (!StringFromGUID2(filter, clsid, kTextSize)) return 0;
  ComPtr<IXMLDOMNode> element = Select(kind == kEffect ? L"Effect" : L"Transition", L"GUID", clsid);
  if (!element) return 0;
  grid.BeginUpdate();
  ForEachChild(element.Get(), L"Param", [&grid](IXMLDOMNode* param) { AppendParameter(grid, param); });
  grid.EndUpdate();
  return 0;
}

int ParameterCatalog::FillValueList(const wchar_t* listName, ComboBox& list) const {
  if (!document_) return -1;
  ComPtr<IXMLDOMNode> element = Select(L"ValuesList", L"Name", listName);
  if (!element) return 0;
  list.ResetContent();
  ForEachChild(element.Get(), L"Item", [&list](IXMLDOMNode* item) { AppendItem(list, item); });
  return 0;
}
