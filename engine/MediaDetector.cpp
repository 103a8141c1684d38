#include "MediaDetector.h"

#include <vfwmsgs.h>

#include <cmath>
#include <cstdlib>

#include "MediaReaders.h"
#include "MediaSourceFilter.h"

namespace {
// Past 100,000 hours no stream goes.
const double kMaxSeconds = 3.6e8;
// A filter listing more pins than this lists them without end.
const int kMaxPins = 1000;

HRESULT ToTime(double seconds, REFERENCE_TIME* time) {
  if (!std::isfinite(seconds) || seconds < 0 || seconds > kMaxSeconds) return E_INVALIDARG;
  *time = std::llround(seconds * double(kUnitsPerSecond));
  return S_OK;
}

const BITMAPINFOHEADER& Bitmap(const MediaStream& stream) {
  return reinterpret_cast<const VIDEOINFOHEADER*>(stream.type.Get().pbFormat)->bmiHeader;
}

std::wstring FileNameOf(IBaseFilter* filter) {
  ComPtr<IFileSourceFilter> file = ComPtr<IBaseFilter>(filter).As<IFileSourceFilter>(IID_IFileSourceFilter);
  LPOLESTR name = nullptr;
  if (!file || FAILED(file->GetCurFile(&name, nullptr)) || !name) return std::wstring();
  std::wstring result = name;
  CoTaskMemFree(name);
  return result;
}

// What a foreign output pin offers first, when that is video or audio.
HRESULT FirstType(IPin* pin, MediaType* type) {
  ComPtr<IEnumMediaTypes> types;
  AM_MEDIA_TYPE* offered = nullptr;
  if (FAILED(pin->EnumMediaTypes(types.Receive())) || types->Next(1, &offered, nullptr) != S_OK || !offered)
    return S_FALSE;
  HRESULT hr = type->CopyFrom(*offered);
  MediaType::Delete(offered);
  if (FAILED(hr)) return hr;
  const GUID& major = type->Get().majortype;
  return major == MEDIATYPE_Video || major == MEDIATYPE_Audio ? S_OK : S_FALSE;
}

REFERENCE_TIME DurationOf(IPin* pin, IBaseFilter* filter) {
  ComPtr<IMediaSeeking> seeking = ComPtr<IPin>(pin).As<IMediaSeeking>(IID_IMediaSeeking);
  if (!seeking) seeking = ComPtr<IBaseFilter>(filter).As<IMediaSeeking>(IID_IMediaSeeking);
  REFERENCE_TIME duration = 0;
  if (!seeking || seeking->IsUsingTimeFormat(&TIME_FORMAT_MEDIA_TIME) != S_OK ||
      FAILED(seeking->GetDuration(&duration)) || duration < 0)
    return 0;
  return duration;
}

double FrameRateOf(const AM_MEDIA_TYPE& type) {
  if (type.majortype != MEDIATYPE_Video || type.formattype != FORMAT_VideoInfo ||
      type.cbFormat < sizeof(VIDEOINFOHEADER) || !type.pbFormat)
    return 0;
  REFERENCE_TIME perFrame = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->AvgTimePerFrame;
  return perFrame > 0 ? double(kUnitsPerSecond) / double(perFrame) : 0;
}
}  // namespace

HRESULT MediaDetector::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
  return CreateComObject<MediaDetector>(outer, iid, object);
}

MediaDetector::MediaDetector(IUnknown* outer) : ComObject(outer) {}

MediaDetector::~MediaDetector() = default;

// --- The source ---

void MediaDetector::Clear() {
  grabber_.reset();
  frames_.reset();
  grabStream_ = -1;
  source_.Reset();
  ownSource_ = false;
  streams_.clear();
  pins_.clear();
  filename_.clear();
  current_ = 0;
}

STDMETHODIMP MediaDetector::put_Filename(BSTR name) {
  Clear();
  if (!name || !name[0]) return E_INVALIDARG;
  ComPtr<IBaseFilter> filter;
  HRESULT hr = MediaSourceFilter::CreateInstance(nullptr, IID_IBaseFilter, filter.ReceiveVoid());
  if (SUCCEEDED(hr)) hr = filter.As<IFileSourceFilter>(IID_IFileSourceFilter)->Load(name, nullptr);
  return SUCCEEDED(hr) ? Use(filter.Get()) : hr;
}

STDMETHODIMP MediaDetector::put_Filter(IUnknown* object) {
  if (!object) return E_POINTER;
  ComPtr<IBaseFilter> filter;
  if (FAILED(object->QueryInterface(IID_IBaseFilter, filter.ReceiveVoid()))) return E_NOINTERFACE;
  Clear();
  return Use(filter.Get());
}

HRESULT MediaDetector::Use(IBaseFilter* filter) {
  MediaSourceFilter* own = MediaSourceFilter::FromObject(filter);
  HRESULT hr = own ? CopyStreams(own->Streams()) : ReadPins(filter);
  if (FAILED(hr)) {
    Clear();
    return hr;
  }
  source_ = ComPtr<IBaseFilter>(filter);
  ownSource_ = own != nullptr;
  filename_ = own ? own->Path() : FileNameOf(filter);
  return S_OK;
}

HRESULT MediaDetector::CopyStreams(const std::vector<MediaStream>& streams) {
  for (const MediaStream& stream : streams) {
    MediaStream copy;
    HRESULT hr = copy.type.CopyFrom(stream.type.Get());
    if (FAILED(hr)) return hr;
    copy.length = stream.length;
    copy.frameRate = stream.frameRate;
    streams_.push_back(std::move(copy));
  }
  return S_OK;
}

HRESULT MediaDetector::ReadPins(IBaseFilter* filter) {
  ComPtr<IEnumPins> pins;
  HRESULT hr = filter->EnumPins(pins.Receive());
  if (FAILED(hr)) return hr;
  IPin* next = nullptr;
  for (int listed = 0; listed < kMaxPins && pins->Next(1, &next, nullptr) == S_OK; ++listed) {
    ComPtr<IPin> pin = ComPtr<IPin>::Adopt(next);
    PIN_DIRECTION direction;
    MediaStream stream;
    if (FAILED(pin->QueryDirection(&direction)) || direction != PINDIR_OUTPUT) continue;
    hr = FirstType(pin.Get(), &stream.type);
    if (FAILED(hr)) return hr;
    if (hr != S_OK) continue;
    stream.length = DurationOf(pin.Get(), filter);
    stream.frameRate = FrameRateOf(stream.type.Get());
    streams_.push_back(std::move(stream));
    pins_.push_back(pin);
  }
  return S_OK;
}

STDMETHODIMP MediaDetector::get_Filter(IUnknown** filter) {
  if (!filter) return E_POINTER;
  *filter = nullptr;
  return source_ ? source_->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(filter)) : S_OK;
}

STDMETHODIMP MediaDetector::get_Filename(BSTR* name) {
  if (!name) return E_POINTER;
  *name = nullptr;
  if (filename_.empty()) return S_OK;
  *name = SysAllocString(filename_.c_str());
  return *name ? S_OK : E_OUTOFMEMORY;
}

// --- Streams ---

const MediaStream* MediaDetector::Current() const {
  if (!source_ || grabStream_ >= 0 || current_ < 0 || size_t(current_) >= streams_.size()) return nullptr;
  return &streams_[current_];
}

STDMETHODIMP MediaDetector::get_OutputStreams(long* count) {
  if (!count) return E_POINTER;
  if (!source_ || grabStream_ >= 0) return E_INVALIDARG;
  *count = long(streams_.size());
  return S_OK;
}

STDMETHODIMP MediaDetector::get_CurrentStream(long* stream) {
  if (!stream) return E_POINTER;
  if (!source_) return E_INVALIDARG;
  *stream = current_;
  return S_OK;
}

STDMETHODIMP MediaDetector::put_CurrentStream(long stream) {
  if (!source_ || grabStream_ >= 0 || stream < 0 || size_t(stream) >= streams_.size()) return E_INVALIDARG;
  current_ = stream;
  return S_OK;
}

STDMETHODIMP MediaDetector::get_StreamType(GUID* majorType) {
  if (!majorType) return E_POINTER;
  const MediaStream* stream = Current();
  if (!stream) return E_INVALIDARG;
  *majorType = stream->type.Get().majortype;
  return S_OK;
}

STDMETHODIMP MediaDetector::get_StreamTypeB(BSTR* majorType) {
  if (!majorType) return E_POINTER;
  *majorType = nullptr;
  GUID type;
  HRESULT hr = get_StreamType(&type);
  if (FAILED(hr)) return hr;
  wchar_t text[40];
  StringFromGUID2(type, text, 40);
  *majorType = SysAllocString(text);
  return *majorType ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP MediaDetector::get_StreamMediaType(AM_MEDIA_TYPE* type) {
  if (!type) return E_POINTER;
  ZeroMemory(type, sizeof *type);
  const MediaStream* stream = Current();
  if (!stream) return E_INVALIDARG;
  return stream->type.CopyTo(type);
}

STDMETHODIMP MediaDetector::get_StreamLength(double* seconds) {
  if (!seconds) return E_POINTER;
  const MediaStream* stream = Current();
  if (!stream) return E_INVALIDARG;
  *seconds = double(stream->length) / double(kUnitsPerSecond);
  return S_OK;
}

STDMETHODIMP MediaDetector::get_FrameRate(double* rate) {
  if (!rate) return E_POINTER;
  const MediaStream* stream = Current();
  if (!stream) return E_INVALIDARG;
  if (stream->type.Get().majortype != MEDIATYPE_Video) return VFW_E_INVALIDMEDIATYPE;
  *rate = stream->frameRate;
  return stream->frameRate > 0 ? S_OK : S_FALSE;
}

// --- Frames ---

long MediaDetector::FirstVideoStream() const {
  if (size_t(current_) < streams_.size() && streams_[current_].type.Get().majortype == MEDIATYPE_Video)
    return current_;
  for (size_t i = 0; i < streams_.size(); ++i)
    if (streams_[i].type.Get().majortype == MEDIATYPE_Video) return long(i);
  return -1;
}

HRESULT MediaDetector::EnterGrabMode() {
  if (!source_) return E_INVALIDARG;
  if (grabStream_ >= 0) return S_OK;
  long stream = FirstVideoStream();
  if (stream < 0) return VFW_E_INVALIDMEDIATYPE;
  HRESULT hr;
  if (ownSource_) {
    hr = MediaReaders::Open(filename_.c_str(), &frames_);
  } else {
    grabber_.reset(new (std::nothrow) FrameGrabber());
    hr = grabber_ ? grabber_->Open(source_.Get(), pins_[stream].Get()) : E_OUTOFMEMORY;
  }
  if (FAILED(hr)) {
    frames_.reset();
    grabber_.reset();
    return hr;
  }
  grabStream_ = stream;
  return S_OK;
}

HRESULT MediaDetector::ReadFrame(REFERENCE_TIME time, FramePixels* frame) {
  if (grabber_) return grabber_->Grab(time, frame);
  const BITMAPINFOHEADER& bitmap = Bitmap(streams_[grabStream_]);
  frame->width = bitmap.biWidth;
  frame->height = std::abs(bitmap.biHeight);
  frame->pixelBytes = 4;
  frame->stride = size_t(frame->width) * 4;
  frame->bottomUp = false;
  return frames_->ReadFrame(grabStream_, time, &frame->bytes);
}

STDMETHODIMP MediaDetector::EnterBitmapGrabMode(double seconds) {
  REFERENCE_TIME time;
  HRESULT hr = ToTime(seconds, &time);
  if (SUCCEEDED(hr)) hr = EnterGrabMode();
  FramePixels frame;
  return SUCCEEDED(hr) ? ReadFrame(time, &frame) : hr;
}

STDMETHODIMP MediaDetector::GetBitmapBits(double seconds, long* size, char* buffer, long width, long height) {
  if (!size && !buffer) return E_POINTER;
  long bytes = 0;
  REFERENCE_TIME time;
  HRESULT hr = BitmapBits::Size(width, height, &bytes);
  if (SUCCEEDED(hr)) hr = ToTime(seconds, &time);
  if (SUCCEEDED(hr)) hr = EnterGrabMode();
  if (FAILED(hr)) return hr;
  if (!buffer) {
    *size = bytes;
    return S_OK;
  }
  FramePixels frame;
  hr = ReadFrame(time, &frame);
  return SUCCEEDED(hr) ? BitmapBits::Write(frame, width, height, reinterpret_cast<BYTE*>(buffer)) : hr;
}

STDMETHODIMP MediaDetector::WriteBitmapBits(double seconds, long width, long height, BSTR name) {
  if (!name || !name[0]) return E_INVALIDARG;
  long bytes = 0;
  REFERENCE_TIME time;
  HRESULT hr = BitmapBits::Size(width, height, &bytes);
  if (SUCCEEDED(hr)) hr = ToTime(seconds, &time);
  if (SUCCEEDED(hr)) hr = EnterGrabMode();
  FramePixels frame;
  if (SUCCEEDED(hr)) hr = ReadFrame(time, &frame);
  return SUCCEEDED(hr) ? BitmapBits::WriteFile(frame, width, height, name) : hr;
}

STDMETHODIMP MediaDetector::GetSampleGrabber(ISampleGrabber** grabber) {
  if (!grabber) return E_POINTER;
  *grabber = nullptr;
  return E_NOINTERFACE;
}
