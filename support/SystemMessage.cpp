#include "SystemMessage.h"

namespace {

constexpr uint32_t kInternetFirst = 12000;
constexpr uint32_t kInternetLast = 12174;

DWORD Format(DWORD flags, HMODULE module, DWORD code, wchar_t** text) {
  return FormatMessageW(flags, module, code, 0, reinterpret_cast<wchar_t*>(text), 0, nullptr);
}
DWORD Format(DWORD flags, HMODULE module, DWORD code, char** text) {
  return FormatMessageA(flags, module, code, 0, reinterpret_cast<char*>(text), 0, nullptr);
}

}  // namespace

template <class C>
BasicSystemMessage<C>::BasicSystemMessage(uint32_t code) : code_(code) {
  Reset();
}

template <class C>
BasicSystemMessage<C>::~BasicSystemMessage() {
  FreeText();
  if (module_) FreeLibrary(module_);
}

template <class C>
void BasicSystemMessage<C>::FreeText() {
  if (text_) LocalFree(text_);
  text_ = nullptr;
}

template <class C>
void BasicSystemMessage<C>::Reset() {
  if (module_) FreeLibrary(module_);
  module_ = nullptr;
  flags_ = kSystemFlags;
  if (code_ >= kInternetFirst && code_ <= kInternetLast) {
    module_ = LoadLibraryW(L"WinInet.dll");
    if (module_) flags_ = kModuleFlags;
  }
}

template <class C>
const C* BasicSystemMessage<C>::Text() {
  FreeText();
  if (Format(flags_ | FORMAT_MESSAGE_IGNORE_INSERTS, module_, code_, &text_) == 0) text_ = nullptr;
  return text_;
}

template class BasicSystemMessage<wchar_t>;
template class BasicSystemMessage<char>;
