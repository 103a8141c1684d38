#include "MediaReaders.h"

#include <new>

#include "AviReader.h"
#include "RiffFile.h"
#include "StillImageReader.h"
#include "WavReader.h"

namespace {
// The RIFF form type, or 0; the file's error when it cannot be opened.
HRESULT FormType(const wchar_t* path, DWORD* formType) {
  *formType = 0;
  RiffFile file;
  HRESULT hr = file.Open(path);
  if (FAILED(hr)) return hr;
  DWORD header[3];
  if (SUCCEEDED(file.Read(0, header, sizeof header)) && header[0] == RiffId('R', 'I', 'F', 'F'))
    *formType = header[2];
  return S_OK;
}

MediaReader* NewReader(DWORD formType) {
  if (formType == RiffId('A', 'V', 'I', ' ')) return new (std::nothrow) AviReader();
  if (formType == RiffId('W', 'A', 'V', 'E')) return new (std::nothrow) WavReader();
  return new (std::nothrow) StillImageReader();
}
}  // namespace

HRESULT MediaReaders::Open(const wchar_t* path, std::unique_ptr<MediaReader>* reader) {
  reader->reset();
  if (!path || !path[0]) return E_INVALIDARG;
  DWORD formType = 0;
  HRESULT hr = FormType(path, &formType);
  if (FAILED(hr)) return hr;
  std::unique_ptr<MediaReader> opened(NewReader(formType));
  if (!opened) return E_OUTOFMEMORY;
  hr = opened->Open(path);
  if (FAILED(hr)) return hr;
  *reader = std::move(opened);
  return S_OK;
}
