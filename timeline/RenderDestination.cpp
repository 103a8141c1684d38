#include "RenderDestination.h"

namespace {

// The partial name keeps the extension, so a player still opens it.
std::wstring PartialOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  size_t dot = path.rfind(L'.');
  if (dot == std::wstring::npos || (slash != std::wstring::npos && dot < slash)) return path + L".partial";
  return path.substr(0, dot) + L".partial" + path.substr(dot);
}

}  // namespace

const wchar_t* RenderDestination::Begin(const wchar_t* destination) {
  destination_ = destination ? destination : L"";
  partial_ = PartialOf(destination_);
  DeleteFileW(partial_.c_str());
  return partial_.c_str();
}

HRESULT RenderDestination::Finish() {
  if (MoveFileExW(partial_.c_str(), destination_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED))
    return S_OK;
  return HRESULT_FROM_WIN32(GetLastError());
}

void RenderDestination::Discard() { DeleteFileW(partial_.c_str()); }

int64_t RenderDestination::FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) return -1;
  return int64_t(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}
