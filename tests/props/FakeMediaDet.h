// A media detector for CLSID_MediaDet that knows only the files a test names,
// each with the streams the test gives it, so the source window's tests need
// no media files. Registered in-process before the engine's classes, it wins
// (Wine answers with the first registration); revoked when the object goes.
#pragma once

#include <windows.h>

#include <map>
#include <string>
#include <vector>

#include "EditingServices.h"

struct FakeStream {
  GUID majorType;
  double seconds;
};

// What every fake detector answers: the known files and the count alive.
struct FakeMediaCatalog {
  static std::map<std::wstring, std::vector<FakeStream>>& Files() {
    static std::map<std::wstring, std::vector<FakeStream>> files;
    return files;
  }
  static long& Live() {
    static long live = 0;
    return live;
  }
};

// A YUY2 320x240 25 fps video type or a PCM 2-channel 44100 Hz audio type.
inline void FillFakeType(REFGUID majorType, AM_MEDIA_TYPE* type) {
  *type = {};
  type->majortype = majorType;
  if (majorType == MEDIATYPE_Video) {
    type->subtype = MEDIASUBTYPE_YUY2;
    type->formattype = FORMAT_VideoInfo;
    type->cbFormat = sizeof(VIDEOINFOHEADER);
    auto* info = static_cast<VIDEOINFOHEADER*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
    *info = {};
    info->AvgTimePerFrame = 400000;
    info->bmiHeader.biWidth = 320;
    info->bmiHeader.biHeight = 240;
    type->pbFormat = reinterpret_cast<BYTE*>(info);
  } else {
    type->subtype = MEDIASUBTYPE_PCM;
    type->formattype = FORMAT_WaveFormatEx;
    type->cbFormat = sizeof(WAVEFORMATEX);
    auto* wave = static_cast<WAVEFORMATEX*>(CoTaskMemAlloc(sizeof(WAVEFORMATEX)));
    *wave = {};
    wave->wFormatTag = WAVE_FORMAT_PCM;
    wave->nChannels = 2;
    wave->nSamplesPerSec = 44100;
    type->pbFormat = reinterpret_cast<BYTE*>(wave);
  }
}

class FakeMediaDet final : public IMediaDet {
 public:
  FakeMediaDet() { ++FakeMediaCatalog::Live(); }
  ~FakeMediaDet() { --FakeMediaCatalog::Live(); }

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IMediaDet) return E_NOINTERFACE;
    *object = static_cast<IMediaDet*>(this);
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override {
    ULONG left = --references_;
    if (!left) delete this;
    return left;
  }

  STDMETHODIMP put_Filename(BSTR name) override {
    auto found = FakeMediaCatalog::Files().find(name ? name : L"");
    if (found == FakeMediaCatalog::Files().end()) return VFW_E_INVALID_FILE_FORMAT;
    streams_ = found->second;
    return S_OK;
  }
  STDMETHODIMP get_OutputStreams(long* count) override {
    *count = static_cast<long>(streams_.size());
    return S_OK;
  }
  STDMETHODIMP put_CurrentStream(long stream) override {
    if (stream < 0 || stream >= static_cast<long>(streams_.size())) return E_INVALIDARG;
    current_ = stream;
    return S_OK;
  }
  STDMETHODIMP get_StreamMediaType(AM_MEDIA_TYPE* type) override {
    FillFakeType(streams_[current_].majorType, type);
    return S_OK;
  }
  STDMETHODIMP get_StreamLength(double* seconds) override {
    *seconds = streams_[current_].seconds;
    return S_OK;
  }

  STDMETHODIMP get_Filter(IUnknown**) override { return E_NOTIMPL; }
  STDMETHODIMP put_Filter(IUnknown*) override { return E_NOTIMPL; }
  STDMETHODIMP get_CurrentStream(long* stream) override {
    *stream = current_;
    return S_OK;
  }
  STDMETHODIMP get_StreamType(GUID*) override { return E_NOTIMPL; }
  STDMETHODIMP get_StreamTypeB(BSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP get_Filename(BSTR*) override { return E_NOTIMPL; }
  STDMETHODIMP GetBitmapBits(double, long*, char*, long, long) override { return E_NOTIMPL; }
  STDMETHODIMP WriteBitmapBits(double, long, long, BSTR) override { return E_NOTIMPL; }
  STDMETHODIMP GetSampleGrabber(ISampleGrabber**) override { return E_NOTIMPL; }
  STDMETHODIMP get_FrameRate(double*) override { return E_NOTIMPL; }
  STDMETHODIMP EnterBitmapGrabMode(double) override { return E_NOTIMPL; }

 private:
  ULONG references_ = 1;
  std::vector<FakeStream> streams_;
  long current_ = 0;
};

class FakeMediaDetFactory final : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) return E_NOINTERFACE;
    *object = static_cast<IClassFactory*>(this);
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }  // lives in the registration
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (outer) return CLASS_E_NOAGGREGATION;
    FakeMediaDet* detector = new FakeMediaDet();
    HRESULT hr = detector->QueryInterface(iid, object);
    detector->Release();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

class FakeMediaDetRegistration {
 public:
  FakeMediaDetRegistration() {
    result_ = CoRegisterClassObject(CLSID_MediaDet, &factory_, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie_);
  }
  ~FakeMediaDetRegistration() {
    CoRevokeClassObject(cookie_);
    FakeMediaCatalog::Files().clear();
  }
  FakeMediaDetRegistration(const FakeMediaDetRegistration&) = delete;
  FakeMediaDetRegistration& operator=(const FakeMediaDetRegistration&) = delete;
  HRESULT Result() const { return result_; }

 private:
  FakeMediaDetFactory factory_;
  DWORD cookie_ = 0;
  HRESULT result_ = E_FAIL;
};
