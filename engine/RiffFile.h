// Bounds-checked walking of a RIFF file's chunks. Every chunk must lie inside
// its parent and the file; anything else is VFW_E_FILE_TOO_SHORT or
// VFW_E_INVALID_FILE_FORMAT, never a read past the end.
#pragma once

#include <windows.h>

#include <vector>

struct RiffChunk {
  DWORD id = 0;
  DWORD listType = 0;  // for 'RIFF' and 'LIST'
  UINT64 data = 0;     // content offset (after the list type)
  UINT64 size = 0;     // content size
  UINT64 next = 0;     // offset of the following sibling
};

constexpr DWORD RiffId(char a, char b, char c, char d) {
  return DWORD(BYTE(a)) | DWORD(BYTE(b)) << 8 | DWORD(BYTE(c)) << 16 | DWORD(BYTE(d)) << 24;
}

class RiffFile {
 public:
  RiffFile() = default;
  ~RiffFile();
  RiffFile(const RiffFile&) = delete;
  RiffFile& operator=(const RiffFile&) = delete;

  HRESULT Open(const wchar_t* path);
  // For files written to a pipe or cut short: from then on a form whose size
  // is 0 or reaches past the file runs to the end of the file, a chunk that
  // reaches past its parent ends with it, and a few bytes too short for a
  // chunk header end the parent.
  void AcceptTruncated() { truncated_ = true; }
  // The first RIFF chunk, which must be of formType and fit the file.
  HRESULT OpenForm(DWORD formType, RiffChunk* form);
  // The first chunk with id (and list type, for lists) among the children of
  // parent; S_FALSE when there is none.
  HRESULT Find(const RiffChunk& parent, DWORD id, DWORD listType, RiffChunk* found);
  // The next child of parent at or after offset; S_FALSE at the end.
  HRESULT Next(const RiffChunk& parent, UINT64 offset, RiffChunk* chunk);
  // A chunk's whole content, refused above maxSize.
  HRESULT ReadContent(const RiffChunk& chunk, DWORD maxSize, std::vector<BYTE>* bytes);
  HRESULT Read(UINT64 offset, void* buffer, DWORD size);

 private:
  HANDLE file_ = INVALID_HANDLE_VALUE;
  UINT64 size_ = 0;
  bool truncated_ = false;
};
