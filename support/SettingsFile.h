// Typed access to the program's INI settings file through the profile functions.
// Every read falls back to its default (unbound object, missing file, section or
// key, empty value); every write answers false when it could not be made.
#pragma once

#include <cstdint>

template <class C>
class BasicSettingsFile {
 public:
  static constexpr int kStringChars = 4096;   // ReadString's buffer, terminator included
  static constexpr int kSectionChars = 4095;  // ReadSection's buffer

  // Takes ownership of path (a heap string of Text.h, or null) and binds to it,
  // creating an empty file when there is none. A path that is null, empty or
  // cannot be created leaves the object unbound.
  explicit BasicSettingsFile(C* path);
  ~BasicSettingsFile();
  BasicSettingsFile(const BasicSettingsFile&) = delete;
  BasicSettingsFile& operator=(const BasicSettingsFile&) = delete;

  bool IsBound() const { return path_ != nullptr; }
  const C* Path() const { return path_; }

  // Returns buffer (kStringChars) when given. Without one: a new heap copy of a
  // value that was found (caller frees it with FreeText), else defaultValue itself.
  const C* ReadString(const C* section, const C* key, const C* defaultValue, C* buffer = nullptr) const;
  bool WriteString(const C* section, const C* key, const C* value) const;
  // Text without leading digits reads as 0; a missing or empty value as the default.
  int32_t ReadInt(const C* section, const C* key, int32_t defaultValue) const;
  bool WriteInt(const C* section, const C* key, int32_t value) const;
  double ReadDouble(const C* section, const C* key, double defaultValue) const;
  // The section's "key=value" lines as a multi-string in buffer (kSectionChars;
  // a new heap block without one); an empty multi-string when there is no such
  // section; null when unbound.
  C* ReadSection(const C* section, C* buffer = nullptr) const;

 private:
  static constexpr int kNumberChars = 256;  // longer numeric values are cut
  // False when unbound or the value is missing or empty.
  bool ReadNumberText(const C* section, const C* key, C* text) const;

  C* path_ = nullptr;
};

using SettingsFile = BasicSettingsFile<wchar_t>;
using SettingsFileA = BasicSettingsFile<char>;
