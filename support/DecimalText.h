// Owns the fixed-point text of a double (see FormatDecimal).
#pragma once

#include <cstdint>

#include "Numbers.h"
#include "Text.h"

template <class C>
class BasicDecimalText {
 public:
  BasicDecimalText(double value, int32_t digits) : value_(value), digits_(digits) {}
  ~BasicDecimalText() { FreeText(text_); }
  BasicDecimalText(const BasicDecimalText&) = delete;
  BasicDecimalText& operator=(const BasicDecimalText&) = delete;

  C* AsText() {
    if (!text_) text_ = FormatDecimal(static_cast<C*>(nullptr), digits_, value_);
    return text_;
  }

 private:
  double value_;
  int32_t digits_;
  C* text_ = nullptr;
};

using DecimalText = BasicDecimalText<wchar_t>;
using DecimalTextA = BasicDecimalText<char>;
