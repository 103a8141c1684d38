// Stand-ins for a compressor's output-pin interfaces: they report what a
// test chooses and record what the windows set.
#pragma once

#include <windows.h>
#include <dshow.h>

#include <cstring>
#include <vector>

template <class I>
struct TestFace : I {  // lives on the test's stack
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    *object = iid == IID_IUnknown || iid == __uuidof(I) ? static_cast<I*>(this) : nullptr;
    return *object ? S_OK : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
};

struct FakeVideoCompression final : TestFace<IAMVideoCompression> {
  HRESULT infoResult = S_OK;
  LONG capabilities = 0;
  LONG keyFrames = -1, pFrames = -1;  // current values; negative: none
  double quality = -1.0;
  LONG putKeyFrames = -2, putPFrames = -2;  // what was set; -2: nothing
  double putQuality = -2.0;

  STDMETHODIMP put_KeyFrameRate(LONG rate) override { return putKeyFrames = rate, S_OK; }
  STDMETHODIMP get_KeyFrameRate(LONG* rate) override { return *rate = keyFrames, S_OK; }
  STDMETHODIMP put_PFramesPerKeyFrame(LONG frames) override { return putPFrames = frames, S_OK; }
  STDMETHODIMP get_PFramesPerKeyFrame(LONG* frames) override { return *frames = pFrames, S_OK; }
  STDMETHODIMP put_Quality(double value) override { return putQuality = value, S_OK; }
  STDMETHODIMP get_Quality(double* value) override { return *value = quality, S_OK; }
  STDMETHODIMP put_WindowSize(DWORDLONG) override { return E_NOTIMPL; }
  STDMETHODIMP get_WindowSize(DWORDLONG*) override { return E_NOTIMPL; }
  STDMETHODIMP GetInfo(LPWSTR version, int* versionBytes, LPWSTR description, int* descriptionBytes, LONG* key,
                       LONG* p, double* q, LONG* caps) override {
    wcsncpy(version, L"2.1", *versionBytes / 2);
    wcsncpy(description, L"Test codec", *descriptionBytes / 2);
    *key = 5, *p = 2, *q = 0.5, *caps = capabilities;
    return infoResult;
  }
  STDMETHODIMP OverrideKeyFrame(LONG) override { return E_NOTIMPL; }
  STDMETHODIMP OverrideFrameSize(LONG, LONG) override { return E_NOTIMPL; }
};

// Capabilities as media types whose format blocks are the test's own
// buffers; SetFormat records which capability it was given (-1: another).
struct FakeStreamConfig final : TestFace<IAMStreamConfig> {
  std::vector<AM_MEDIA_TYPE> caps;
  AM_MEDIA_TYPE present = {};
  std::vector<int> set;

  STDMETHODIMP SetFormat(AM_MEDIA_TYPE* type) override {
    int found = -1;
    for (int i = int(caps.size()) - 1; i >= 0; --i)
      if (caps[i].cbFormat == type->cbFormat && !memcmp(caps[i].pbFormat, type->pbFormat, type->cbFormat)) found = i;
    set.push_back(found);
    return S_OK;
  }
  STDMETHODIMP GetFormat(AM_MEDIA_TYPE** type) override { return *type = Copy(present), S_OK; }
  STDMETHODIMP GetNumberOfCapabilities(int* count, int* size) override {
    *count = int(caps.size()), *size = 0;
    return caps.empty() ? E_FAIL : S_OK;
  }
  STDMETHODIMP GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE*) override {
    return *type = Copy(caps[index]), S_OK;
  }
  static AM_MEDIA_TYPE* Copy(const AM_MEDIA_TYPE& from) {
    auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    *type = from;
    type->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(from.cbFormat));
    memcpy(type->pbFormat, from.pbFormat, from.cbFormat);
    return type;
  }
};

// A media type over format, a block of the test's that must outlive it.
template <class Format>
AM_MEDIA_TYPE TypeOf(const GUID& major, DWORD subtype, const GUID& formatType, Format* format) {
  AM_MEDIA_TYPE type = {major, MEDIASUBTYPE_PCM, TRUE, FALSE, 0, formatType, nullptr, sizeof(Format),
                        reinterpret_cast<BYTE*>(format)};
  type.subtype.Data1 = subtype;
  return type;
}
