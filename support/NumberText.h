// Owns the text of an integer in a radix (signed in radix 10).
#pragma once

#include <cstdint>

#include "Numbers.h"
#include "Text.h"

template <class C>
class BasicNumberText {
 public:
  explicit BasicNumberText(int32_t value, int32_t radix = 10) : value_(value), radix_(radix) {}
  ~BasicNumberText() { FreeText(text_); }
  BasicNumberText(const BasicNumberText&) = delete;
  BasicNumberText& operator=(const BasicNumberText&) = delete;

  C* AsText() {
    if (!text_) text_ = IntToText(value_, new C[kNumberTextSize](), radix_);
    return text_;
  }

 private:
  int32_t value_;
  int32_t radix_;
  C* text_ = nullptr;
};

using NumberText = BasicNumberText<wchar_t>;
using NumberTextA = BasicNumberText<char>;
