#include "Text.h"

#include <cstring>

namespace {

template <class C>
size_t Length(const C* text) {
  size_t n = 0;
  if (text)
    while (text[n]) ++n;
  return n;
}

template <class C>
C* Copy(const C* text, C* buffer) {
  size_t n = Length(text);
  if (!buffer) {
    if (!text) return nullptr;
    buffer = AllocText<C>(n + 1);
  }
  if (buffer != text) memmove(buffer, text ? text : buffer, n * sizeof(C));
  buffer[n] = 0;
  return buffer;
}

template <class C>
C* CopyCut(const C* text, C* buffer, size_t size) {
  if (!buffer || !size) return buffer;
  if (text == buffer) {
    buffer[size - 1] = 0;
    return buffer;
  }
  size_t n = 0;
  for (; text && n + 1 < size && text[n]; ++n) buffer[n] = text[n];
  buffer[n] = 0;
  return buffer;
}

template <class C>
C* CopyNonEmptyT(const C* text, C* buffer) {
  if (Length(text) == 0) {
    if (buffer) buffer[0] = 0;
    return nullptr;
  }
  return Copy(text, buffer);
}

template <class C>
C* JoinT(C* buffer, const C* const* strings, int count, const C* separator) {
  if (!strings) return nullptr;
  int total = 0;
  size_t n = 0;
  for (; count > 0 ? total < count : strings[total] != nullptr; ++total) n += Length(strings[total]);
  if (n == 0) {
    if (buffer) buffer[0] = 0;
    return nullptr;
  }
  size_t sepLength = Length(separator);
  if (!buffer) buffer = AllocText<C>(n + sepLength * (total - 1) + 1);
  C* out = buffer;
  for (int i = 0; i < total; ++i) {
    if (i > 0 && sepLength) {
      memcpy(out, separator, sepLength * sizeof(C));
      out += sepLength;
    }
    size_t len = Length(strings[i]);
    if (len) memcpy(out, strings[i], len * sizeof(C));
    out += len;
  }
  *out = 0;
  return buffer;
}

template <class C>
C* ConcatT(C* buffer, const C* const* parts) {
  if (!parts || !parts[0]) return nullptr;
  size_t n = 0;
  for (int i = 0; parts[i]; ++i) n += Length(parts[i]);
  if (!buffer) buffer = AllocText<C>(n + 1);
  C* out = buffer;
  // Appending in place: the first string already sits at the start of the buffer.
  int i = 0;
  if (buffer == parts[0]) {
    out += Length(parts[0]);
    i = 1;
  }
  for (; parts[i]; ++i) {
    size_t len = Length(parts[i]);
    memmove(out, parts[i], len * sizeof(C));
    out += len;
  }
  *out = 0;
  return buffer;
}

template <class C>
const C* Find(const C* text, const C* part) {
  if (!text) return nullptr;
  if (!part || !*part) return text;
  for (const C* t = text; *t; ++t) {
    size_t i = 0;
    while (part[i] && t[i] == part[i]) ++i;
    if (!part[i]) return t;
  }
  return nullptr;
}

template <class C>
C* Upper(C* text) {
  if (text)
    for (C* t = text; *t; ++t)
      if (*t >= 'a' && *t <= 'z') *t = C(*t - 'a' + 'A');
  return text;
}

template <class C>
int Split(C* text, int* count, C separator, C** parts, bool skipEmpty, int maxLength) {
  int limit = count ? *count : -1;
  int found = 0;
  if (text && parts && limit != 0) {
    // Never read past the bound, nor past the text's terminating zero (for a
    // multi-string: past the empty piece that ends it).
    size_t end = maxLength > 0 ? size_t(maxLength) : size_t(-1);
    size_t pos = 0;
    auto keep = [&](size_t start) {
      if (!(skipEmpty && text[start] == 0)) parts[found++] = text + start;
    };
    while (limit < 0 || found < limit - 1) {
      size_t i = pos;
      while (i < end && text[i] != 0 && text[i] != separator) ++i;
      if (i >= end || (separator != 0 && text[i] == 0) || (separator == 0 && i == pos)) break;
      text[i] = 0;
      keep(pos);
      pos = i + 1;
    }
    if (pos < end && (limit < 0 || found < limit)) keep(pos);
  }
  if (count) *count = found;
  return 0;
}

}  // namespace

void FreeText(wchar_t* text) { delete[] text; }
void FreeText(char* text) { delete[] text; }
size_t TextLength(const wchar_t* text) { return Length(text); }
size_t TextLength(const char* text) { return Length(text); }

wchar_t* CopyText(const wchar_t* text, wchar_t* buffer) { return Copy(text, buffer); }
char* CopyText(const char* text, char* buffer) { return Copy(text, buffer); }
wchar_t* CopyTextCut(const wchar_t* text, wchar_t* buffer, size_t size) { return CopyCut(text, buffer, size); }
char* CopyTextCut(const char* text, char* buffer, size_t size) { return CopyCut(text, buffer, size); }
wchar_t* CopyNonEmpty(const wchar_t* text, wchar_t* buffer) { return CopyNonEmptyT(text, buffer); }
char* CopyNonEmpty(const char* text, char* buffer) { return CopyNonEmptyT(text, buffer); }

wchar_t* JoinStrings(wchar_t* buffer, const wchar_t* const* strings, int count, const wchar_t* separator) {
  return JoinT(buffer, strings, count, separator);
}
char* JoinStrings(char* buffer, const char* const* strings, int count, const char* separator) {
  return JoinT(buffer, strings, count, separator);
}

wchar_t* ConcatList(wchar_t* buffer, const wchar_t* const* parts) { return ConcatT(buffer, parts); }
char* ConcatList(char* buffer, const char* const* parts) { return ConcatT(buffer, parts); }

wchar_t* FindText(wchar_t* text, const wchar_t* part) { return const_cast<wchar_t*>(Find<wchar_t>(text, part)); }
const wchar_t* FindText(const wchar_t* text, const wchar_t* part) { return Find(text, part); }
char* FindText(char* text, const char* part) { return const_cast<char*>(Find<char>(text, part)); }
const char* FindText(const char* text, const char* part) { return Find(text, part); }

wchar_t* UpperText(wchar_t* text) { return Upper(text); }
char* UpperText(char* text) { return Upper(text); }

int SplitText(wchar_t* text, int* count, wchar_t separator, wchar_t** parts, bool skipEmpty, int maxLength) {
  return Split(text, count, separator, parts, skipEmpty, maxLength);
}
int SplitText(char* text, int* count, char separator, char** parts, bool skipEmpty, int maxLength) {
  return Split(text, count, separator, parts, skipEmpty, maxLength);
}
