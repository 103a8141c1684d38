// Owns the concatenation of a list of strings that ends at a null argument:
// JoinedString(L"Exit code: ", number, nullptr).Get()
#pragma once

#include "Text.h"

template <class C>
class BasicJoinedString {
 public:
  template <class... Rest>
  explicit BasicJoinedString(const C* first, Rest... rest) : text_(Concat(static_cast<C*>(nullptr), first, rest...)) {}
  ~BasicJoinedString() { FreeText(text_); }
  BasicJoinedString(const BasicJoinedString&) = delete;
  BasicJoinedString& operator=(const BasicJoinedString&) = delete;

  // Null when the first string was null.
  C* Get() const { return text_; }

 private:
  C* text_;
};

using JoinedString = BasicJoinedString<wchar_t>;
using JoinedStringA = BasicJoinedString<char>;
