// Reads typed attribute values of one project element. Each getter answers
// false when the attribute is absent or unreadable; an unreadable value is
// also reported, and Has tells the two apart.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <string>
#include <vector>

class LoadProblems;
class XmlElement;

class AttributeReader {
 public:
  AttributeReader(const XmlElement& element, LoadProblems& problems)
      : element_(element), problems_(problems) {}

  const std::wstring& ElementName() const;
  bool Has(const wchar_t* name) const;
  // The exact text in "exact" + name when that is present (see
  // WriteTextAttribute), else the attribute itself.
  bool Text(const wchar_t* name, std::wstring* value) const;
  bool Time(const wchar_t* name, REFERENCE_TIME* value) const;
  bool Flag(const wchar_t* name, BOOL* value) const;
  bool Rate(const wchar_t* name, double* value) const;
  // A rate written with at most seven decimals, made exact by the extra
  // attribute exactName when that is present.
  bool ExactRate(const wchar_t* name, const wchar_t* exactName, double* value) const;
  bool Integer(const wchar_t* name, long lowest, long highest, long* value) const;
  bool Guid(const wchar_t* name, GUID* value) const;
  bool Hex(const wchar_t* name, std::vector<BYTE>* value) const;
  bool StretchMode(const wchar_t* name, int* value) const;

  // Reports a value that was read but could not be used.
  void Reject(const wchar_t* name, HRESULT result) const;

 private:
  template <class T, class Parse>
  bool Read(const wchar_t* name, T* value, Parse parse) const;
  void ReportBad(const wchar_t* name, const std::wstring& text, HRESULT result) const;

  const XmlElement& element_;
  LoadProblems& problems_;
};
