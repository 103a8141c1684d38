#include "WideText.h"

#include "Text.h"

WideText::~WideText() { FreeText(ansi_); }

const char* WideText::Ansi() {
  if (ansi_ || !wide_) return ansi_;
  int n = WideCharToMultiByte(CP_ACP, 0, wide_, -1, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return nullptr;
  ansi_ = AllocText<char>(n);
  WideCharToMultiByte(CP_ACP, 0, wide_, -1, ansi_, n, nullptr, nullptr);
  return ansi_;
}
