#include "XmlWriter.h"

#include <windows.h>

namespace {

constexpr wchar_t kReplacement = 0xFFFD;

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLowSurrogate(wchar_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Characters XML 1.0 cannot carry even as references.
bool IsUnwritable(wchar_t c) {
  return (c < 0x20 && c != L'\t' && c != L'\n' && c != L'\r') || c == 0xFFFE || c == 0xFFFF;
}

}  // namespace

void XmlWriter::Indent() { text_.append((level_ + open_.size()) * 2, L' '); }

void XmlWriter::CloseStartTag() {
  if (open_.empty() || open_.back().hasChildren) return;
  open_.back().hasChildren = true;
  text_ += L">\n";
}

void XmlWriter::Begin(const wchar_t* name) {
  CloseStartTag();
  Indent();
  text_ += L'<';
  text_ += name;
  open_.push_back({name, false});
}

void XmlWriter::Attribute(const wchar_t* name, const wchar_t* value) {
  text_ += L' ';
  text_ += name;
  text_ += L"=\"";
  AppendEscaped(value ? value : L"");
  text_ += L'"';
}

void XmlWriter::End() {
  if (open_.empty()) return;
  Open element = open_.back();
  open_.pop_back();
  if (!element.hasChildren) {
    text_ += L"/>\n";
    return;
  }
  Indent();
  text_ += L"</";
  text_ += element.name;
  text_ += L">\n";
}

// Characters XML 1.0 cannot carry at all (most control characters, unpaired
// surrogates) become U+FFFD so that the file always reads back; white space
// is escaped so attribute normalisation keeps it.
void XmlWriter::AppendEscaped(const wchar_t* value) {
  for (const wchar_t* p = value; *p; ++p) {
    wchar_t c = *p;
    switch (c) {
      case L'&': text_ += L"&amp;"; continue;
      case L'<': text_ += L"&lt;"; continue;
      case L'>': text_ += L"&gt;"; continue;
      case L'"': text_ += L"&quot;"; continue;
      case L'\t': text_ += L"&#9;"; continue;
      case L'\n': text_ += L"&#10;"; continue;
      case L'\r': text_ += L"&#13;"; continue;
      default: break;
    }
    if (IsHighSurrogate(c) && IsLowSurrogate(p[1])) {
      text_ += c;
      text_ += *++p;
    } else if (IsUnwritable(c) || IsHighSurrogate(c) || IsLowSurrogate(c)) {
      text_ += kReplacement;
    } else {
      text_ += c;
    }
  }
}

bool XmlWriter::CarriesExactly(const std::wstring& text) {
  for (size_t i = 0; i < text.size(); ++i) {
    wchar_t c = text[i];
    if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      ++i;
    } else if (IsUnwritable(c) || IsHighSurrogate(c) || IsLowSurrogate(c)) {
      return false;
    }
  }
  return true;
}

std::string XmlWriter::Utf8Document() const {
  std::string document = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
  if (text_.empty()) return document;
  int length = WideCharToMultiByte(CP_UTF8, 0, text_.data(), static_cast<int>(text_.size()), nullptr, 0,
                                   nullptr, nullptr);
  size_t header = document.size();
  document.resize(header + length);
  WideCharToMultiByte(CP_UTF8, 0, text_.data(), static_cast<int>(text_.size()), &document[header], length,
                      nullptr, nullptr);
  return document;
}
