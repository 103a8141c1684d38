#include "MediaLocator.h"

#include <deque>
#include <mutex>

#include "ComPtr.h"
#include "Paths.h"

namespace {

std::mutex foldersLock;
std::deque<std::wstring> folders;  // the latest first

std::wstring FileNameOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool IsNetworkPath(const std::wstring& path) { return path.compare(0, 2, L"\\\\") == 0; }

}  // namespace

MediaLocator::MediaLocator(IUnknown* outer) : ComObject(outer) {}

STDMETHODIMP MediaLocator::FindMediaFile(BSTR input, BSTR, BSTR* output, long flags) {
  if (!output) return E_POINTER;
  *output = nullptr;
  if (!input || !input[0]) return E_INVALIDARG;
  if (FileExists(input)) return S_OK;
  if (flags & SFN_VALIDATEF_NOFIND) return E_FAIL;
  std::wstring found = Search(FileNameOf(input), (flags & SFN_VALIDATEF_USELOCAL) != 0);
  if (found.empty()) return E_FAIL;
  *output = SysAllocStringLen(found.data(), static_cast<UINT>(found.size()));
  return *output ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP MediaLocator::AddFoundLocation(BSTR directory) {
  if (!directory || !directory[0]) return E_INVALIDARG;
  Remember(directory);
  return S_OK;
}

void MediaLocator::Remember(const std::wstring& folder) {
  std::lock_guard<std::mutex> hold(foldersLock);
  for (auto at = folders.begin(); at != folders.end(); ++at) {
    if (CompareStringOrdinal(at->c_str(), -1, folder.c_str(), -1, TRUE) == CSTR_EQUAL) {
      folders.erase(at);
      break;
    }
  }
  folders.push_front(folder);
  if (folders.size() > kFolders) folders.pop_back();
}

std::wstring MediaLocator::Search(const std::wstring& name, bool localOnly) {
  std::deque<std::wstring> known;
  {
    std::lock_guard<std::mutex> hold(foldersLock);
    known = folders;
  }
  for (const std::wstring& folder : known) {
    if (localOnly && IsNetworkPath(folder)) continue;
    std::wstring candidate = folder;
    if (!candidate.empty() && candidate.back() != L'\\' && candidate.back() != L'/') candidate += L'\\';
    candidate += name;
    if (!FileExists(candidate.c_str())) continue;
    Remember(folder);
    return candidate;
  }
  return std::wstring();
}

std::wstring MediaLocator::Locate(IMediaLocator* locator, const std::wstring& path, const std::wstring& filter,
                                  long flags) {
  ComPtr<IMediaLocator> asked(locator);
  if (!asked && FAILED(CreateComObject<MediaLocator>(nullptr, IID_IMediaLocator, asked.ReceiveVoid()))) {
    return std::wstring();
  }
  BSTR input = SysAllocStringLen(path.data(), static_cast<UINT>(path.size()));
  BSTR filters = SysAllocStringLen(filter.data(), static_cast<UINT>(filter.size()));
  BSTR output = nullptr;
  HRESULT hr = input && filters ? asked->FindMediaFile(input, filters, &output, flags) : E_OUTOFMEMORY;
  std::wstring found = hr == S_OK && output ? std::wstring(output, SysStringLen(output)) : std::wstring();
  SysFreeString(input);
  SysFreeString(filters);
  SysFreeString(output);
  return found == path ? std::wstring() : found;
}
