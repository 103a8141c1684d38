// Zero-terminated text helpers, in a UTF-16 and an 8-bit (ANSI code page) form.
//
// A helper that produces text takes an optional caller buffer last: with one it
// writes there and returns it; without one it returns a new heap string that the
// caller releases with FreeText. A null text argument stands for no text.
#pragma once

#include <cstddef>

// Heap strings of these helpers: n characters, the first set to zero.
template <class C>
C* AllocText(size_t n) {
  C* text = new C[n ? n : 1];
  text[0] = 0;
  return text;
}
void FreeText(wchar_t* text);
void FreeText(char* text);

size_t TextLength(const wchar_t* text);  // 0 for null
size_t TextLength(const char* text);

wchar_t* CopyText(const wchar_t* text, wchar_t* buffer = nullptr);
char* CopyText(const char* text, char* buffer = nullptr);

// Copies at most size - 1 characters of text (null: none) into buffer and
// terminates it; text and buffer may be the same. Returns buffer.
wchar_t* CopyTextCut(const wchar_t* text, wchar_t* buffer, size_t size);
char* CopyTextCut(const char* text, char* buffer, size_t size);

// As CopyText, but an empty (or null) text gives null and, with a buffer, an empty buffer.
wchar_t* CopyNonEmpty(const wchar_t* text, wchar_t* buffer = nullptr);
char* CopyNonEmpty(const char* text, char* buffer = nullptr);

// Joins count strings (all up to a null entry when count is 0) with separator
// between them. Null when their total length is 0.
wchar_t* JoinStrings(wchar_t* buffer, const wchar_t* const* strings, int count, const wchar_t* separator);
char* JoinStrings(char* buffer, const char* const* strings, int count, const char* separator);

// Concatenates a list of strings that ends at its first null entry. Null when the
// first entry is null. buffer may be the first string itself: the rest is appended.
wchar_t* ConcatList(wchar_t* buffer, const wchar_t* const* parts);
char* ConcatList(char* buffer, const char* const* parts);

// Concat(buffer, first, second, ..., nullptr).
template <class... Rest>
wchar_t* Concat(wchar_t* buffer, const wchar_t* first, Rest... rest) {
  const wchar_t* parts[] = {first, rest..., nullptr};
  return ConcatList(buffer, parts);
}
template <class... Rest>
char* Concat(char* buffer, const char* first, Rest... rest) {
  const char* parts[] = {first, rest..., nullptr};
  return ConcatList(buffer, parts);
}

// First occurrence of part in text, or null; an empty part finds text itself.
wchar_t* FindText(wchar_t* text, const wchar_t* part);
const wchar_t* FindText(const wchar_t* text, const wchar_t* part);
char* FindText(char* text, const char* part);
const char* FindText(const char* text, const char* part);

// Upper-cases the letters a to z in place; other characters are kept.
wchar_t* UpperText(wchar_t* text);
char* UpperText(char* text);

// Splits text in place at separator (0 splits a multi-string: an empty piece,
// that is two zeros in a row, ends it). count, when given, holds the most parts
// to return and receives the number returned; the last part is the unsplit
// rest. maxLength, when non-zero, bounds the scan from the start of the text.
// parts must hold *count entries. Returns 0.
int SplitText(wchar_t* text, int* count, wchar_t separator, wchar_t** parts, bool skipEmpty, int maxLength);
int SplitText(char* text, int* count, char separator, char** parts, bool skipEmpty, int maxLength);
