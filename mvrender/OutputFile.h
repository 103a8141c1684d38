// The file a render writes first: beside the destination under a name of
// its own, so that the destination is replaced only by a complete file and
// an earlier one survives a failed render. Removed unless committed.
#pragma once

#include <windows.h>

#include <string>

class OutputFile {
 public:
  OutputFile() = default;
  ~OutputFile() { Discard(); }
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  // destination: a full path. Creates the temporary file, which also shows
  // that the folder can be written; fails for a destination that is a folder.
  HRESULT Create(const std::wstring& destination);
  const std::wstring& Path() const { return path_; }
  // Puts the temporary file in the destination's place.
  HRESULT Commit();
  void Discard();

 private:
  std::wstring destination_;
  std::wstring path_;  // empty once committed or discarded
};
