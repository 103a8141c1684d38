// One element of an MSXML DOM tree, read-only: its name, its attributes (read
// once, on first use) and its child elements.
#pragma once

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "ComPtr.h"

struct IXMLDOMNode;

class XmlElement {
 public:
  XmlElement() = default;
  explicit XmlElement(ComPtr<IXMLDOMNode> node);

  // The document element of an XML text; VFW_E_INVALID_FILE_FORMAT when the
  // bytes are not well-formed XML or the DOM is not available, with the line
  // of the error in *errorLine where the parser tells it (else 0).
  static HRESULT Parse(const std::string& bytes, XmlElement* root, long* errorLine = nullptr);
  // The element a caller hands over: a DOM document's root, or a DOM node;
  // null for anything else.
  static XmlElement FromUnknown(IUnknown* xml);

  bool IsNull() const { return !node_; }
  IXMLDOMNode* Node() const { return node_.Get(); }
  const std::wstring& Name() const { return name_; }
  // False when the attribute is absent; present but empty gives "".
  bool Attribute(const wchar_t* name, std::wstring* value) const;
  bool HasAttribute(const wchar_t* name) const;
  // Every attribute as (name, value), in document order.
  const std::vector<std::pair<std::wstring, std::wstring>>& Attributes() const;

  // Null elements when there are no more.
  XmlElement FirstChild() const;
  XmlElement NextSibling() const;

 private:
  // The node itself when it is an element, else the next element after it.
  static XmlElement ElementFrom(ComPtr<IXMLDOMNode> node);
  void LoadAttributes() const;

  ComPtr<IXMLDOMNode> node_;
  std::wstring name_;
  mutable bool attributesLoaded_ = false;
  mutable std::vector<std::pair<std::wstring, std::wstring>> attributes_;
};
