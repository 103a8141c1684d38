// Where a render writes: a partial file beside the destination, which
// replaces the destination only when the render has finished, so that an
// interrupted or failed render never destroys an earlier good file. The
// partial file of "out.avi" is "out.partial.avi".
#pragma once

#include <windows.h>

#include <string>

class RenderDestination {
 public:
  // Takes the destination and removes a partial file left by an earlier
  // render; answers the path to write.
  const wchar_t* Begin(const wchar_t* destination);
  // Moves the partial file over the destination. S_OK, or the failure
  // (then the partial file stays).
  HRESULT Finish();
  // Removes the partial file (nothing was rendered into it).
  void Discard();

  const std::wstring& Destination() const { return destination_; }
  const std::wstring& PartialPath() const { return partial_; }
  // The size in bytes of a file, -1 when it cannot be had.
  static int64_t FileSize(const std::wstring& path);

 private:
  std::wstring destination_;
  std::wstring partial_;
};
