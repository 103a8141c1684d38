// Builds XML text element by element, two spaces of indent a level, one tag a
// line, so the same calls always give the same bytes.
#pragma once

#include <string>
#include <vector>

class XmlWriter {
 public:
  // Elements start `level` indents in (for text placed inside other text).
  explicit XmlWriter(int level = 0) : level_(level) {}

  // Starts an element; attributes follow until its first child or its end.
  void Begin(const wchar_t* name);
  void Attribute(const wchar_t* name, const wchar_t* value);
  void Attribute(const wchar_t* name, const std::wstring& value) { Attribute(name, value.c_str()); }
  // Ends the innermost open element ("/>" when it has no children).
  void End();

  const std::wstring& Text() const { return text_; }
  // Whether an attribute carries the text exactly: Attribute ends it at a
  // zero and writes characters XML 1.0 cannot hold (other control characters,
  // lone surrogates, U+FFFE and U+FFFF) as U+FFFD.
  static bool CarriesExactly(const std::wstring& text);
  // The text in UTF-8 after an XML declaration that says so.
  std::string Utf8Document() const;

 private:
  void CloseStartTag();
  void Indent();
  void AppendEscaped(const wchar_t* value);

  struct Open {
    const wchar_t* name;
    bool hasChildren;
  };
  int level_;
  std::wstring text_;
  std::vector<Open> open_;
};
