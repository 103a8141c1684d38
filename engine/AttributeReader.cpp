#include "AttributeReader.h"

#include <dshow.h>

#include "LoadProblems.h"
#include "ProjectValues.h"
#include "XmlElement.h"

namespace {

// Damaged files can hold huge values; a report quotes only their start.
constexpr size_t kQuotedLength = 40;

}  // namespace

template <class T, class Parse>
bool AttributeReader::Read(const wchar_t* name, T* value, Parse parse) const {
  std::wstring text;
  if (!element_.Attribute(name, &text)) return false;
  if (parse(text.c_str(), value)) return true;
  ReportBad(name, text, VFW_E_INVALID_FILE_FORMAT);
  return false;
}

void AttributeReader::ReportBad(const wchar_t* name, const std::wstring& text, HRESULT result) const {
  std::wstring quoted = text.substr(0, kQuotedLength);
  if (text.size() > kQuotedLength) quoted += L"...";
  problems_.Report(L"unusable value " + std::wstring(name) + L"=\"" + quoted + L"\" of <" + element_.Name() +
                       L"> ignored",
                   result);
}

void AttributeReader::Reject(const wchar_t* name, HRESULT result) const {
  std::wstring text;
  element_.Attribute(name, &text);
  ReportBad(name, text, result);
}

const std::wstring& AttributeReader::ElementName() const { return element_.Name(); }

bool AttributeReader::Has(const wchar_t* name) const { return element_.HasAttribute(name); }

bool AttributeReader::Text(const wchar_t* name, std::wstring* value) const {
  std::wstring exactName = L"exact" + std::wstring(name);
  if (Has(exactName.c_str()) && Read(exactName.c_str(), value, ParseExactText)) return true;
  return element_.Attribute(name, value);
}

bool AttributeReader::Time(const wchar_t* name, REFERENCE_TIME* value) const {
  return Read(name, value, ParseTime);
}

bool AttributeReader::Flag(const wchar_t* name, BOOL* value) const { return Read(name, value, ParseFlag); }

bool AttributeReader::Rate(const wchar_t* name, double* value) const { return Read(name, value, ParseRate); }

bool AttributeReader::ExactRate(const wchar_t* name, const wchar_t* exactName, double* value) const {
  if (Has(exactName) && Rate(exactName, value)) return true;
  return Rate(name, value);
}

bool AttributeReader::Integer(const wchar_t* name, long lowest, long highest, long* value) const {
  return Read(name, value, [lowest, highest](const wchar_t* text, long* number) {
    return ParseInteger(text, lowest, highest, number);
  });
}

bool AttributeReader::Guid(const wchar_t* name, GUID* value) const { return Read(name, value, ParseGuid); }

bool AttributeReader::Hex(const wchar_t* name, std::vector<BYTE>* value) const {
  return Read(name, value, ParseHex);
}

bool AttributeReader::StretchMode(const wchar_t* name, int* value) const {
  return Read(name, value, ParseStretchMode);
}
