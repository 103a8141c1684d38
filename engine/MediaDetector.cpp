#include "MediaDetector.h"

#include <new>

#include "EngineObjects.h"
#include "MediaReaders.h"

HRESULT MediaDetector::CreateInstance(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  MediaDetector* detector = new (std::nothrow) MediaDetector();
  if (!detector) return E_OUTOFMEMORY;
  HRESULT hr = detector->QueryInterface(iid, object);
  detector->Release();
  return hr;
}

MediaDetector::MediaDetector() { EngineObjectCreated(); }

MediaDetector::~MediaDetector() { EngineObjectDestroyed(); }

STDMETHODIMP MediaDetector::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IMediaDet) {
    *object = static_cast<IMediaDet*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) MediaDetector::AddRef() { return InterlockedIncrement(&references_); }

STDMETHODIMP_(ULONG) MediaDetector::Release() {
  ULONG count = InterlockedDecrement(&references_);
  if (count == 0) delete this;
  return count;
}

const MediaStream* MediaDetector::Current() const {
  if (!reader_ || current_ < 0 || size_t(current_) >= reader_->Streams().size()) return nullptr;
  return &reader_->Streams()[current_];
}

STDMETHODIMP MediaDetector::put_Filename(BSTR name) {
  reader_.reset();
  filename_.clear();
  current_ = 0;
  if (!name || !name[0]) return E_INVALIDARG;
  std::unique_ptr<MediaReader> reader;
  HRESULT hr = MediaReaders::Open(name, &reader);
  if (FAILED(hr)) return hr;
  reader_ = std::move(reader);
  filename_ = name;
  return S_OK;
}

STDMETHODIMP MediaDetector::get_Filename(BSTR* name) {
  if (!name) return E_POINTER;
  *name = nullptr;
  if (!reader_) return S_OK;
  *name = SysAllocString(filename_.c_str());
  return *name ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP MediaDetector::get_OutputStreams(long* count) {
  if (!count) return E_POINTER;
  *count = reader_ ? long(reader_->Streams().size()) : 0;
  return S_OK;
}

STDMETHODIMP MediaDetector::get_CurrentStream(long* stream) {
  if (!stream) return E_POINTER;
  *stream = current_;
  return S_OK;
}

STDMETHODIMP MediaDetector::put_CurrentStream(long stream) {
  if (!reader_ || stream < 0 || size_t(stream) >= reader_->Streams().size()) return E_INVALIDARG;
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
  *rate = 0;
  const MediaStream* stream = Current();
  if (!stream) return E_INVALIDARG;
  if (stream->type.Get().majortype != MEDIATYPE_Video) return VFW_E_INVALIDMEDIATYPE;
  *rate = stream->frameRate;
  return S_OK;
}

STDMETHODIMP MediaDetector::get_Filter(IUnknown**) { return E_NOTIMPL; }

STDMETHODIMP MediaDetector::put_Filter(IUnknown*) { return E_NOTIMPL; }

STDMETHODIMP MediaDetector::GetBitmapBits(double, long*, char*, long, long) { return E_NOTIMPL; }

STDMETHODIMP MediaDetector::WriteBitmapBits(double, long, long, BSTR) { return E_NOTIMPL; }

STDMETHODIMP MediaDetector::GetSampleGrabber(ISampleGrabber**) { return E_NOTIMPL; }

STDMETHODIMP MediaDetector::EnterBitmapGrabMode(double) { return E_NOTIMPL; }
