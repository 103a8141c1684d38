#include "SourceChecks.h"

#include <dshow.h>
#include <vfwmsgs.h>

#include <memory>
#include <vector>

#include "MediaReaders.h"

namespace {

// The reader's index of the number-th stream of the kind, or -1.
int StreamIndex(const MediaReader& reader, bool video, long number) {
  const GUID& major = video ? MEDIATYPE_Video : MEDIATYPE_Audio;
  long seen = 0;
  for (size_t i = 0; i < reader.Streams().size(); ++i) {
    if (reader.Streams()[i].type.Get().majortype != major) continue;
    if (seen++ == number) return int(i);
  }
  return -1;
}

}  // namespace

SourceChecks::Result SourceChecks::Probe(const std::wstring& path, bool video, long number) {
  Result result;
  std::unique_ptr<MediaReader> reader;
  result.result = MediaReaders::Open(path.c_str(), &reader);
  if (FAILED(result.result)) return result;
  result.stream = StreamIndex(*reader, video, number);
  if (result.stream < 0) {
    result.result = VFW_E_INVALIDMEDIATYPE;
    return result;
  }
  std::vector<BYTE> bytes;
  if (video) {
    const AM_MEDIA_TYPE& type = reader->Streams()[result.stream].type.Get();
    const BITMAPINFOHEADER& bitmap = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
    result.width = bitmap.biWidth;
    result.height = bitmap.biHeight < 0 ? -bitmap.biHeight : bitmap.biHeight;
    result.rgbBits = bitmap.biCompression == BI_RGB ? bitmap.biBitCount : 0;
    result.topDown = bitmap.biHeight < 0;
    result.result = reader->ReadFrame(result.stream, 0, &bytes);
  } else {
    WAVEFORMATEX probe = {WAVE_FORMAT_PCM, 1, 8000, 16000, 2, 16, 0};
    result.result = reader->ReadAudio(result.stream, 0, probe, 1, &bytes);
  }
  return result;
}

SourceChecks::Result SourceChecks::Check(const std::wstring& path, bool video, long number) {
  WIN32_FILE_ATTRIBUTE_DATA data;
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data)) {
    Result missing;
    missing.result = HRESULT_FROM_WIN32(GetLastError());
    return missing;
  }
  ULONGLONG size = (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  Key key(path, video ? number : -1 - number);
  auto found = entries_.find(key);
  if (found != entries_.end() && found->second.size == size &&
      CompareFileTime(&found->second.written, &data.ftLastWriteTime) == 0)
    return found->second.result;
  Entry entry;
  entry.result = Probe(path, video, number);
  entry.written = data.ftLastWriteTime;
  entry.size = size;
  entries_[key] = entry;
  return entry.result;
}
