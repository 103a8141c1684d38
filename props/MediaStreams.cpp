#include "MediaStreams.h"

#include <cstdint>
#include <cstring>

#include "ComPtr.h"
#include "DirectShowHelpers.h"

namespace {

constexpr int64_t kMaxLength = INT64_MAX / 10;  // so that length x 10 is a REFERENCE_TIME

// A file read as a picture: it opens and is no RIFF file. One that cannot be
// opened here is taken as timed, so its length is still checked.
bool IsPictureFile(const wchar_t* path) {
  HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  char head[4] = {};
  DWORD read = 0;
  bool riff = ReadFile(file, head, 4, &read, nullptr) && read == 4 && memcmp(head, "RIFF", 4) == 0;
  CloseHandle(file);
  return !riff;
}

}  // namespace

const wchar_t* MediaStreams::Reason(HRESULT result) {
  switch (result) {
    case HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND):
    case HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND):
      return L"The file does not exist.";
    case HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED):
    case HRESULT_FROM_WIN32(ERROR_SHARING_VIOLATION):
      return L"The file cannot be opened: access is denied or another program holds it.";
    case VFW_E_INVALID_FILE_FORMAT:
    case VFW_E_UNKNOWN_FILE_TYPE:
      return L"It holds no media Morvik can read: AVI and WAV files and BMP, PNG, JPEG, GIF, TIFF and TGA "
             L"pictures can be used.";
    case E_OUTOFMEMORY:
      return L"There is not enough memory to read it.";
    case REGDB_E_CLASSNOTREG:
      return L"The media detector is not available.";
    default:
      return L"Its content is damaged or in a form Morvik cannot decode.";
  }
}

const StreamInfo* MediaStreams::At(long index) const {
  if (index < 0 || index >= Count()) return nullptr;
  return &streams_[static_cast<size_t>(index)];
}

int64_t MediaStreams::LengthFromSeconds(double seconds) {
  // Also false for NaN.
  if (!(seconds > 0)) return 0;
  double microseconds = seconds * 1000000.0;
  if (microseconds >= static_cast<double>(kMaxLength)) return kMaxLength;
  return static_cast<int64_t>(microseconds);
}

HRESULT MediaStreams::DetectMedia(const wchar_t* path) {
  Clear();
  ComPtr<IMediaDet> detector;
  HRESULT hr = CoCreateInstance(CLSID_MediaDet, nullptr, CLSCTX_INPROC_SERVER, IID_IMediaDet,
                                detector.ReceiveVoid());
  if (FAILED(hr)) return hr;
  BSTR name = SysAllocString(path ? path : L"");
  hr = detector->put_Filename(name);
  SysFreeString(name);
  if (hr != S_OK) return hr;
  still_ = IsPictureFile(path);
  long count = 0;
  hr = detector->get_OutputStreams(&count);
  if (FAILED(hr)) return hr;
  for (long i = 0; i < count; ++i) streams_.push_back(ReadStream(detector.Get(), i));
  return S_OK;
}

// A stream the detector cannot switch to stays empty (no major type), so it
// is never offered, rather than repeating the previous stream's answers.
StreamInfo MediaStreams::ReadStream(IMediaDet* detector, long index) {
  StreamInfo info;
  if (FAILED(detector->put_CurrentStream(index))) return info;
  AM_MEDIA_TYPE type = {};
  if (SUCCEEDED(detector->get_StreamMediaType(&type))) {
    info.majorType = type.majortype;
    wchar_t text[256];
    info.description = DescribeMediaType(&type, text, 256, kDescribeSubtype | kDescribeFormat);
    FreeMediaType(&type);
  }
  double seconds = 0;
  if (SUCCEEDED(detector->get_StreamLength(&seconds))) info.length = LengthFromSeconds(seconds);
  return info;
}
