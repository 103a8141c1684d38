#include "MediaSourceFilter.h"

#include <vfwmsgs.h>

#include <cstring>

#include "AudioSourcePin.h"
#include "EngineFilters.h"
#include "Locked.h"
#include "MediaReaders.h"
#include "VideoSourcePin.h"

namespace {
// Answered with the object itself, inside the engine only.
const IID kSelfIid = {0x5d0c1e7a, 0x3b92, 0x4f61, {0x8a, 0x4d, 0x27, 0xe0, 0x91, 0x6b, 0xc3, 0x58}};

const std::vector<MediaStream> kNoStreams;
}  // namespace

HRESULT MediaSourceFilter::CreateInstance(IUnknown* outer, REFIID iid, void** object) {
  return CreateComObject<MediaSourceFilter>(outer, iid, object);
}

MediaSourceFilter::MediaSourceFilter(IUnknown* outer) : FilterBase(outer, CLSID_EngineMediaSource) {}

MediaSourceFilter::~MediaSourceFilter() = default;

MediaSourceFilter* MediaSourceFilter::FromObject(IUnknown* object) {
  void* self = nullptr;
  if (!object || FAILED(object->QueryInterface(kSelfIid, &self)) || !self) return nullptr;
  MediaSourceFilter* filter = static_cast<MediaSourceFilter*>(static_cast<IBaseFilter*>(self));
  filter->Release();
  return filter;
}

HRESULT MediaSourceFilter::QueryOwn(REFIID iid, void** out) {
  if (iid == IID_IFileSourceFilter) return HandOut<IFileSourceFilter>(this, out);
  if (iid == kSelfIid) return HandOut<IBaseFilter>(this, out);
  return FilterBase::QueryOwn(iid, out);
}

STDMETHODIMP MediaSourceFilter::Load(LPCOLESTR name, const AM_MEDIA_TYPE* type) {
  if (!name) return E_POINTER;
  Locked lock(StateLock());
  if (State() != State_Stopped) return VFW_E_NOT_STOPPED;
  if (reader_) return E_UNEXPECTED;
  std::unique_ptr<MediaReader> reader;
  HRESULT hr = MediaReaders::Open(name, &reader);
  if (SUCCEEDED(hr))
    hr = type ? fileType_.CopyFrom(*type) : fileType_.Set(MEDIATYPE_Stream, GUID_NULL, GUID_NULL, nullptr, 0);
  if (FAILED(hr)) return hr;
  reader_ = std::move(reader);
  path_ = name;
  hr = MakePins();
  PinsChanged();
  return hr;
}

HRESULT MediaSourceFilter::MakePins() {
  const std::vector<MediaStream>& streams = reader_->Streams();
  for (size_t i = 0; i < streams.size(); ++i) {
    bool video = streams[i].type.Get().majortype == MEDIATYPE_Video;
    std::wstring name = (video ? L"Video " : L"Audio ") + std::to_wstring(i);
    MediaSourcePin* pin = video ? static_cast<MediaSourcePin*>(new (std::nothrow) VideoSourcePin(
                                      this, name, path_, int(i), streams[i]))
                                : new (std::nothrow) AudioSourcePin(this, name, path_, int(i), streams[i]);
    if (!pin) return E_OUTOFMEMORY;
    pins_.emplace_back(pin);
  }
  return S_OK;
}

STDMETHODIMP MediaSourceFilter::GetCurFile(LPOLESTR* name, AM_MEDIA_TYPE* type) {
  if (!name) return E_POINTER;
  *name = nullptr;
  if (type) ZeroMemory(type, sizeof *type);
  Locked lock(StateLock());
  if (!reader_) return E_FAIL;
  size_t bytes = (path_.size() + 1) * sizeof(wchar_t);
  *name = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
  if (!*name) return E_OUTOFMEMORY;
  memcpy(*name, path_.c_str(), bytes);
  HRESULT hr = type ? fileType_.CopyTo(type) : S_OK;
  if (FAILED(hr)) {
    CoTaskMemFree(*name);
    *name = nullptr;
  }
  return hr;
}

int MediaSourceFilter::PinCount() { return int(pins_.size()); }

PinBase* MediaSourceFilter::PinAt(int index) {
  return index >= 0 && size_t(index) < pins_.size() ? pins_[index].get() : nullptr;
}

const std::vector<MediaStream>& MediaSourceFilter::Streams() const {
  return reader_ ? reader_->Streams() : kNoStreams;
}

HRESULT MediaSourceFilter::OnInitStream() {
  HRESULT hr = S_OK;
  for (size_t i = 0; i < pins_.size() && SUCCEEDED(hr); ++i) hr = pins_[i]->StartStreaming();
  if (FAILED(hr)) OnCleanup();
  return hr;
}

HRESULT MediaSourceFilter::OnCleanup() {
  HRESULT result = S_OK;
  for (auto& pin : pins_) {
    HRESULT hr = pin->StopStreaming();
    if (FAILED(hr)) result = hr;
  }
  return result;
}
