// The system's message text for a Win32 error code; codes of the Internet error
// range (12000 to 12174) come from WinInet.dll's message table.
#pragma once

#include <windows.h>

#include <cstdint>

template <class C>
class BasicSystemMessage {
 public:
  static constexpr uint32_t kSystemFlags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM;
  static constexpr uint32_t kModuleFlags = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_HMODULE;

  explicit BasicSystemMessage(uint32_t code = 0);
  ~BasicSystemMessage();
  BasicSystemMessage(const BasicSystemMessage&) = delete;
  BasicSystemMessage& operator=(const BasicSystemMessage&) = delete;

  // The text, null when the source has none for the code. Asked again, the
  // text is looked up again (after a Reset the code may differ).
  const C* Text();
  // Decides the message source again for Code().
  void Reset();
  void SetCode(uint32_t code) { code_ = code; Reset(); }

  uint32_t Code() const { return code_; }
  uint32_t Flags() const { return flags_; }
  HMODULE Module() const { return module_; }

 private:
  void FreeText();

  uint32_t code_;
  C* text_ = nullptr;
  uint32_t flags_ = kSystemFlags;
  HMODULE module_ = nullptr;
};

using SystemMessage = BasicSystemMessage<wchar_t>;
using SystemMessageA = BasicSystemMessage<char>;
