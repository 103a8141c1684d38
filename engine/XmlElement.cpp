#include "XmlElement.h"

#include <msxml2.h>
// msxml2.h renames the class to an id the import library lacks; use the plain DOM document.
#undef CLSID_DOMDocument

#include <dshow.h>

#include <cstring>

namespace {

constexpr long kMaxElementDepth = 256;
// The toolchain's import libraries lack this published id.
constexpr IID kIXMLDOMDocument2 = {0x2933bf95, 0x7b36, 0x11d2, {0xb2, 0x0e, 0x00, 0xc0, 0x4f, 0x98, 0x3e, 0x60}};

void SetOptionalProperty(IXMLDOMDocument* document, const wchar_t* name, VARIANT value) {
  ComPtr<IXMLDOMDocument2> options;
  if (FAILED(document->QueryInterface(kIXMLDOMDocument2, options.ReceiveVoid()))) return;
  BSTR key = SysAllocString(name);
  if (key) options->setProperty(key, value);  // older parsers lack some: not needed there
  SysFreeString(key);
}

// A parser that reads only the bytes given: no DTDs, no external entities,
// and a bounded depth where the parser supports one.
HRESULT CreateDocument(ComPtr<IXMLDOMDocument>* document) {
  HRESULT hr = CoCreateInstance(CLSID_DOMDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                document->ReceiveVoid());
  if (FAILED(hr)) return hr;
  (*document)->put_async(VARIANT_FALSE);
  (*document)->put_validateOnParse(VARIANT_FALSE);
  (*document)->put_resolveExternals(VARIANT_FALSE);
  VARIANT flag;
  flag.vt = VT_BOOL;
  flag.boolVal = VARIANT_TRUE;
  SetOptionalProperty(document->Get(), L"ProhibitDTD", flag);
  VARIANT depth;
  depth.vt = VT_I4;
  depth.lVal = kMaxElementDepth;
  SetOptionalProperty(document->Get(), L"MaxElementDepth", depth);
  return S_OK;
}

long ErrorLine(IXMLDOMDocument* document) {
  ComPtr<IXMLDOMParseError> error;
  long line = 0;
  if (document->get_parseError(error.Receive()) != S_OK || !error || FAILED(error->get_line(&line))) return 0;
  return line;
}

HRESULT LoadBytes(IXMLDOMDocument* document, const std::string& bytes) {
  SAFEARRAY* array = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(bytes.size()));
  if (!array) return E_OUTOFMEMORY;
  void* data = nullptr;
  if (SUCCEEDED(SafeArrayAccessData(array, &data))) {
    memcpy(data, bytes.data(), bytes.size());
    SafeArrayUnaccessData(array);
  }
  VARIANT source;
  source.vt = VT_ARRAY | VT_UI1;
  source.parray = array;
  VARIANT_BOOL loaded = VARIANT_FALSE;
  HRESULT hr = document->load(source, &loaded);
  SafeArrayDestroy(array);
  return hr == S_OK && loaded == VARIANT_TRUE ? S_OK : VFW_E_INVALID_FILE_FORMAT;
}

}  // namespace

XmlElement::XmlElement(ComPtr<IXMLDOMNode> node) : node_(std::move(node)) {
  BSTR name = nullptr;
  if (node_ && SUCCEEDED(node_->get_nodeName(&name)) && name) name_.assign(name, SysStringLen(name));
  SysFreeString(name);
}

XmlElement XmlElement::FromUnknown(IUnknown* xml) {
  if (!xml) return XmlElement();
  ComPtr<IXMLDOMDocument> document;
  if (SUCCEEDED(xml->QueryInterface(IID_IXMLDOMDocument, document.ReceiveVoid()))) {
    ComPtr<IXMLDOMElement> root;
    if (document->get_documentElement(root.Receive()) != S_OK || !root) return XmlElement();
    return XmlElement(root.As<IXMLDOMNode>(IID_IXMLDOMNode));
  }
  ComPtr<IXMLDOMNode> node;
  xml->QueryInterface(IID_IXMLDOMNode, node.ReceiveVoid());
  DOMNodeType type = NODE_INVALID;
  if (!node || FAILED(node->get_nodeType(&type)) || type != NODE_ELEMENT) return XmlElement();
  return XmlElement(node);
}

HRESULT XmlElement::Parse(const std::string& bytes, XmlElement* root, long* errorLine) {
  *root = XmlElement();
  if (errorLine) *errorLine = 0;
  if (bytes.empty()) return VFW_E_INVALID_FILE_FORMAT;
  ComPtr<IXMLDOMDocument> document;
  if (FAILED(CreateDocument(&document))) return VFW_E_INVALID_FILE_FORMAT;
  HRESULT hr = LoadBytes(document.Get(), bytes);
  if (FAILED(hr) && errorLine) *errorLine = ErrorLine(document.Get());
  if (FAILED(hr)) return hr;
  ComPtr<IXMLDOMElement> element;
  if (FAILED(document->get_documentElement(element.Receive())) || !element) return VFW_E_INVALID_FILE_FORMAT;
  *root = XmlElement(element.As<IXMLDOMNode>(IID_IXMLDOMNode));
  return root->IsNull() ? VFW_E_INVALID_FILE_FORMAT : S_OK;
}

XmlElement XmlElement::ElementFrom(ComPtr<IXMLDOMNode> node) {
  while (node) {
    DOMNodeType type;
    if (SUCCEEDED(node->get_nodeType(&type)) && type == NODE_ELEMENT) return XmlElement(node);
    ComPtr<IXMLDOMNode> next;
    if (node->get_nextSibling(next.Receive()) != S_OK) next.Reset();
    node = next;
  }
  return XmlElement();
}

XmlElement XmlElement::FirstChild() const {
  ComPtr<IXMLDOMNode> child;
  if (!node_ || node_->get_firstChild(child.Receive()) != S_OK) return XmlElement();
  return ElementFrom(child);
}

XmlElement XmlElement::NextSibling() const {
  ComPtr<IXMLDOMNode> next;
  if (!node_ || node_->get_nextSibling(next.Receive()) != S_OK) return XmlElement();
  return ElementFrom(next);
}

void XmlElement::LoadAttributes() const {
  attributesLoaded_ = true;
  ComPtr<IXMLDOMNamedNodeMap> map;
  long count = 0;
  if (!node_ || node_->get_attributes(map.Receive()) != S_OK || !map || FAILED(map->get_length(&count))) return;
  for (long i = 0; i < count; ++i) {
    ComPtr<IXMLDOMNode> item;
    if (map->get_item(i, item.Receive()) != S_OK || !item) continue;
    // The value exactly as written: the text property would trim white space.
    BSTR name = nullptr;
    VARIANT value;
    VariantInit(&value);
    if (SUCCEEDED(item->get_nodeName(&name)) && name && SUCCEEDED(item->get_nodeValue(&value))) {
      std::wstring text;
      if (value.vt == VT_BSTR && value.bstrVal) text.assign(value.bstrVal, SysStringLen(value.bstrVal));
      attributes_.emplace_back(std::wstring(name, SysStringLen(name)), std::move(text));
    }
    VariantClear(&value);
    SysFreeString(name);
  }
}

bool XmlElement::Attribute(const wchar_t* name, std::wstring* value) const {
  if (!attributesLoaded_) LoadAttributes();
  for (const auto& attribute : attributes_) {
    if (attribute.first == name) {
      if (value) *value = attribute.second;
      return true;
    }
  }
  return false;
}

bool XmlElement::HasAttribute(const wchar_t* name) const { return Attribute(name, nullptr); }

const std::vector<std::pair<std::wstring, std::wstring>>& XmlElement::Attributes() const {
  if (!attributesLoaded_) LoadAttributes();
  return attributes_;
}
