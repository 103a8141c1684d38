#include "TimeLineMedia.h"

#include <vfw.h>

#include <algorithm>
#include <cstdlib>

#include "ComPtr.h"
#include "EditingServices.h"

namespace {

constexpr int kPeakWindow = 2048;  // sample frames read for each peak

struct SourceMedia {
  std::wstring path;
  long stream = 0;
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
};

bool ReadSource(IAMTimelineObj* object, SourceMedia* media) {
  ComPtr<IAMTimelineSrc> source = ComPtr<IAMTimelineObj>(object).As<IAMTimelineSrc>(IID_IAMTimelineSrc);
  BSTR name = nullptr;
  if (!source || FAILED(source->GetMediaName(&name)) || !name) return false;
  media->path = name;
  SysFreeString(name);
  source->GetStreamNumber(&media->stream);
  source->GetMediaTimes(&media->start, &media->stop);
  return !media->path.empty();
}

// The detector's index of the n-th stream of a major type, or -1.
long StreamOfType(IMediaDet* detector, const GUID& major, long n) {
  long count = 0;
  if (FAILED(detector->get_OutputStreams(&count))) return -1;
  for (long i = 0; i < count; ++i) {
    GUID type = GUID_NULL;
    if (FAILED(detector->put_CurrentStream(i)) || FAILED(detector->get_StreamType(&type))) continue;
    if (type == major && n-- == 0) return i;
  }
  return -1;
}

// Width for a height, after the stream's frame shape; 4:3 when unknown.
long WidthFor(IMediaDet* detector, long height) {
  AM_MEDIA_TYPE type = {};
  long width = height * 4 / 3;
  if (SUCCEEDED(detector->get_StreamMediaType(&type))) {
    if (type.formattype == FORMAT_VideoInfo && type.cbFormat >= sizeof(VIDEOINFOHEADER) && type.pbFormat) {
      const BITMAPINFOHEADER& header = reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
      long frameHeight = std::labs(header.biHeight);
      if (header.biWidth > 0 && frameHeight > 0) width = header.biWidth * height / frameHeight;
    }
    if (type.pbFormat) CoTaskMemFree(type.pbFormat);
    if (type.pUnk) type.pUnk->Release();
  }
  return std::clamp(width, 1L, height * 4);
}

int Peak(const BYTE* data, LONG frames, const WAVEFORMATEX& format) {
  int peak = 0;
  LONG values = frames * format.nChannels;
  for (LONG i = 0; i < values; ++i) {
    int level = format.wBitsPerSample == 8 ? std::abs(data[i] - 128) * 256
                                           : std::abs(static_cast<int>(reinterpret_cast<const INT16*>(data)[i]));
    peak = std::max(peak, level);
  }
  return std::min(255, peak / 128);
}

}  // namespace

TimeLineMedia::~TimeLineMedia() {
  for (auto& entry : entries_) {
    if (entry->picture) DeleteObject(entry->picture);
  }
}

const TLMediaEntry* TimeLineMedia::For(TLObjectItem* item, bool audio) {
  if (item->kind != kItemSource) return nullptr;
  if (item->media > 0) return entries_[item->media - 1].get();
  SourceMedia media;
  std::wstring key;
  if (ReadSource(item->object, &media)) {
    key = media.path + L'|' + std::to_wstring(media.stream) + L'|' + std::to_wstring(media.start) +
          (audio ? L'|' + std::to_wstring(media.stop) : std::wstring(L"|v"));
  }
  auto found = index_.find(key);
  if (found == index_.end()) {
    auto entry = std::make_unique<TLMediaEntry>();
    if (!key.empty() && audio) LoadPeaks(media.path, media.stream, media.start, media.stop, entry.get());
    if (!key.empty() && !audio) LoadPicture(media.path, media.stream, media.start, entry.get());
    entries_.push_back(std::move(entry));
    found = index_.emplace(key, static_cast<int>(entries_.size()) - 1).first;
  }
  item->media = found->second + 1;
  return entries_[found->second].get();
}

void TimeLineMedia::LoadPicture(const std::wstring& path, long stream, REFERENCE_TIME at,
                                TLMediaEntry* entry) const {
  ComPtr<IMediaDet> detector;
  if (FAILED(CoCreateInstance(CLSID_MediaDet, nullptr, CLSCTX_INPROC_SERVER, IID_IMediaDet,
                              reinterpret_cast<void**>(detector.Receive())))) {
    return;
  }
  BSTR name = SysAllocString(path.c_str());
  HRESULT opened = detector->put_Filename(name);
  SysFreeString(name);
  long index = SUCCEEDED(opened) ? StreamOfType(detector.Get(), MEDIATYPE_Video, stream) : -1;
  if (index < 0 || FAILED(detector->put_CurrentStream(index))) return;
  long height = pictureHeight_;
  long width = WidthFor(detector.Get(), height);
  long size = 0;
  double seconds = static_cast<double>(at) / 1e7;
  if (FAILED(detector->GetBitmapBits(seconds, &size, nullptr, width, height)) || size <= 0) return;
  std::vector<char> bits(size);
  if (FAILED(detector->GetBitmapBits(seconds, &size, bits.data(), width, height))) return;
  auto* info = reinterpret_cast<BITMAPINFO*>(bits.data());
  void* pixels = nullptr;
  HBITMAP picture = CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &pixels, nullptr, 0);
  if (!picture) return;
  size_t headerSize = info->bmiHeader.biSize;
  size_t rowBytes = ((static_cast<size_t>(width) * 3 + 3) & ~3u);
  size_t imageBytes = rowBytes * height;
  if (headerSize + imageBytes > static_cast<size_t>(size)) {
    DeleteObject(picture);
    return;
  }
  memcpy(pixels, bits.data() + headerSize, imageBytes);
  entry->picture = picture;
  entry->pictureWidth = width;
  entry->pictureHeight = height;
}

void TimeLineMedia::LoadPeaks(const std::wstring& path, long stream, REFERENCE_TIME start, REFERENCE_TIME stop,
                              TLMediaEntry* entry) const {
  AVIFileInit();
  PAVISTREAM audio = nullptr;
  if (AVIStreamOpenFromFileW(&audio, path.c_str(), streamtypeAUDIO, stream, OF_READ, nullptr) != 0) {
    AVIFileExit();
    return;
  }
  WAVEFORMATEX format = {};
  LONG formatSize = sizeof format;
  bool usable = AVIStreamReadFormat(audio, 0, &format, &formatSize) == 0 && formatSize >= 16 &&
                format.wFormatTag == WAVE_FORMAT_PCM && (format.wBitsPerSample == 8 || format.wBitsPerSample == 16) &&
                format.nChannels > 0 && format.nSamplesPerSec > 0;
  LONG first = usable ? static_cast<LONG>(start * format.nSamplesPerSec / 10000000) : 0;
  LONG last = usable ? static_cast<LONG>(stop * format.nSamplesPerSec / 10000000) : 0;
  last = std::min(last, AVIStreamEnd(audio));
  if (usable && last > first) {
    std::vector<BYTE> buffer(static_cast<size_t>(kPeakWindow) * format.nBlockAlign);
    entry->peaks.resize(kPeakCount);
    for (int i = 0; i < kPeakCount; ++i) {
      LONG at = first + static_cast<LONG>(static_cast<int64_t>(last - first) * i / kPeakCount);
      LONG frames = std::min<LONG>(kPeakWindow, last - at);
      LONG bytes = 0, read = 0;
      if (frames <= 0 ||
          AVIStreamRead(audio, at, frames, buffer.data(), static_cast<LONG>(buffer.size()), &bytes, &read) != 0) {
        continue;
      }
      entry->peaks[i] = static_cast<uint8_t>(Peak(buffer.data(), std::min(read, frames), format));
    }
  }
  AVIStreamRelease(audio);
  AVIFileExit();
}
