// The parameters of effect and transition filters and their offered values,
// read from "DSF_desc.xml" in the current directory or, when that cannot be
// read, beside the program. A missing or malformed file is normal: every
// filter then has no parameters.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ComPtr.h"

struct IXMLDOMDocument;
struct IXMLDOMNode;
class ComboBox;
class GridControl;

class ParameterCatalog {
 public:
  static constexpr int kEffect = 1;
  static constexpr int kTransition = 2;
  static constexpr size_t kTextSize = 256;

  ParameterCatalog() = default;
  ParameterCatalog(const ParameterCatalog&) = delete;
  ParameterCatalog& operator=(const ParameterCatalog&) = delete;

  // Reads the file anew; false when no document object can be made.
  bool Open();
  // Reads that file only; false when no document object can be made or the
  // file is missing or malformed (then the catalog is empty, as with Open).
  bool OpenFile(const wchar_t* path);
  bool IsOpen() const { return static_cast<bool>(document_); }

  struct Parameter {
    std::wstring name;        // never empty
    std::wstring valuesList;  // empty when none
  };
  struct Value {
    std::wstring value;  // never empty
    std::wstring label;
  };
  // The named Params of the first Effect or Transition whose GUID is the filter's.
  std::vector<Parameter> Parameters(int kind, REFCLSID filter) const;
  // The Items with a value of the first ValuesList of that name; false when
  // there is no such list.
  bool Values(const wchar_t* listName, std::vector<Value>* values) const;

  // Appends one row (name in column 0, a ParameterRecord as row data) per
  // parameter. -1 without a document, else 0.
  int ListParameters(int kind, REFCLSID filter, GridControl& grid) const;
  // Replaces the entries with the values of the list, when there is one:
  // "value" or "value: label", item data the length of the value text when a
  // label follows. -1 without a document, else 0.
  int FillValueList(const wchar_t* listName, ComboBox& list) const;

 private:
  bool NewDocument();
  // False when the file is missing or malformed.
  bool Load(const wchar_t* path);
  ComPtr<IXMLDOMNode> Select(const wchar_t* element, const wchar_t* attribute, const wchar_t* value) const;

  ComPtr<IXMLDOMDocument> document_;
};
