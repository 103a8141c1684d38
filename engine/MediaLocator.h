// The default media locator (CLSID_MediaLocator), and how the engine asks a
// locator about a source's file.
//
// FindMediaFile answers S_OK for a file that opens as named (with no other
// path given back), or for one of the same file name in a folder where files
// were found before (its path in *output), and E_FAIL when neither, or with
// SFN_VALIDATEF_NOFIND for a file that is missing. SFN_VALIDATEF_USELOCAL
// leaves network folders out. The engine shows no windows, so
// SFN_VALIDATEF_POPUP and SFN_VALIDATEF_TELLME change nothing. E_POINTER
// without output, E_INVALIDARG for an empty name. AddFoundLocation adds a
// folder (E_INVALIDARG for an empty name). The folders are kept for the
// process, the latest first, at most kFolders of them.
#pragma once

#include <string>

#include "ComObject.h"
#include "EditingServices.h"

class MediaLocator final : public ComObject<IMediaLocator> {
 public:
  // Through CreateComObject.
  explicit MediaLocator(IUnknown* outer);

  STDMETHODIMP FindMediaFile(BSTR input, BSTR filter, BSTR* output, long flags) override;
  STDMETHODIMP AddFoundLocation(BSTR directory) override;

  // The path a locator (the default one when null) gives for a file, or
  // empty when it gives none: the file is where it was, or nowhere.
  static std::wstring Locate(IMediaLocator* locator, const std::wstring& path, const std::wstring& filter,
                             long flags);

  static constexpr size_t kFolders = 16;

 private:
  static void Remember(const std::wstring& folder);
  static std::wstring Search(const std::wstring& name, bool localOnly);
};
