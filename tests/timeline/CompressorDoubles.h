// Stand-ins for a compressor's output-pin interfaces that report what a test
// chooses and record what the windows set.
#pragma once

#include <windows.h>
#include <dshow.h>
#include <dvdmedia.h>

#include <cstring>
#include <vector>

#include "DirectShowHelpers.h"

template <class I>
class TestFace : public I {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == __uuidof(I)) {
      *object = static_cast<I*>(this);
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }  // lives on the test's stack
  STDMETHODIMP_(ULONG) Release() override { return 1; }
};

class FakeVideoCompression final : public TestFace<IAMVideoCompression> {
 public:
  HRESULT infoResult = S_OK;
  LONG capabilities = 0;
  LONG defaultKeyFrames = 5, defaultPFrames = 2;
  double defaultQuality = 0.5;
  LONG keyFrames = -1, pFrames = -1;  // current values; negative: none
  double quality = -1.0;
  // What the window set; -2 when not called.
  LONG putKeyFrames = -2, putPFrames = -2;
  double putQuality = -2.0;

  STDMETHODIMP put_KeyFrameRate(LONG rate) override { return putKeyFrames = rate, S_OK; }
  STDMETHODIMP get_KeyFrameRate(LONG* rate) override { return *rate = keyFrames, S_OK; }
  STDMETHODIMP put_PFramesPerKeyFrame(LONG frames) override { return putPFrames = frames, S_OK; }
  STDMETHODIMP get_PFramesPerKeyFrame(LONG* frames) override { return *frames = pFrames, S_OK; }
  STDMETHODIMP put_Quality(double value) override { return putQuality = value, S_OK; }
  STDMETHODIMP get_Quality(double* value) override { return *value = quality, S_OK; }
  STDMETHODIMP put_WindowSize(DWORDLONG) override { return E_NOTIMPL; }
  STDMETHODIMP get_WindowSize(DWORDLONG*) override { return E_NOTIMPL; }
  STDMETHODIMP GetInfo(LPWSTR version, int* versionBytes, LPWSTR description, int* descriptionBytes,
                       LONG* defaultKey, LONG* defaultP, double* defaultQ, LONG* caps) override {
    if (FAILED(infoResult)) return infoResult;
    wcsncpy(version, L"2.1", *versionBytes / 2);
    wcsncpy(description, L"Test codec", *descriptionBytes / 2);
    *defaultKey = defaultKeyFrames;
    *defaultP = defaultPFrames;
    *defaultQ = defaultQuality;
    *caps = capabilities;
    return S_OK;
  }
  STDMETHODIMP OverrideKeyFrame(LONG) override { return E_NOTIMPL; }
  STDMETHODIMP OverrideFrameSize(LONG, LONG) override { return E_NOTIMPL; }
};

// Capabilities given as media types; the present format is one of them or
// a type of its own.
class FakeStreamConfig final : public TestFace<IAMStreamConfig> {
 public:
  ~FakeStreamConfig() {
    for (AM_MEDIA_TYPE& type : caps) FreeMediaType(&type);
    FreeMediaType(&present);
  }
  // Takes the format block (from CoTaskMemAlloc).
  void AddCaps(const AM_MEDIA_TYPE& type) { caps.push_back(type); }

  std::vector<AM_MEDIA_TYPE> caps;
  AM_MEDIA_TYPE present = {};
  HRESULT countResult = S_OK;
  std::vector<int> set;  // per SetFormat, the capability it was given; -1 for another type

  STDMETHODIMP SetFormat(AM_MEDIA_TYPE* type) override {
    int found = -1;
    for (int i = 0; i < int(caps.size()) && found < 0; ++i) {
      if (caps[i].subtype == type->subtype && caps[i].formattype == type->formattype &&
          caps[i].cbFormat == type->cbFormat && memcmp(caps[i].pbFormat, type->pbFormat, type->cbFormat) == 0)
        found = i;
    }
    set.push_back(found);
    return S_OK;
  }
  STDMETHODIMP GetFormat(AM_MEDIA_TYPE** type) override {
    *type = Copy(present);
    return S_OK;
  }
  STDMETHODIMP GetNumberOfCapabilities(int* count, int* size) override {
    *count = int(caps.size());
    *size = sizeof(VIDEO_STREAM_CONFIG_CAPS);
    return countResult;
  }
  STDMETHODIMP GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE*) override {
    if (index < 0 || index >= int(caps.size())) return S_FALSE;
    *type = Copy(caps[index]);
    return S_OK;
  }

  static AM_MEDIA_TYPE* Copy(const AM_MEDIA_TYPE& from) {
    auto* type = static_cast<AM_MEDIA_TYPE*>(CoTaskMemAlloc(sizeof(AM_MEDIA_TYPE)));
    *type = from;
    if (from.cbFormat) {
      type->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(from.cbFormat));
      memcpy(type->pbFormat, from.pbFormat, from.cbFormat);
    }
    return type;
  }
};

inline AM_MEDIA_TYPE VideoCaps(DWORD compression, WORD bits, DWORD bitRate, const GUID& formatType = FORMAT_VideoInfo) {
  AM_MEDIA_TYPE type = {};
  type.majortype = MEDIATYPE_Video;
  type.subtype = MEDIASUBTYPE_RGB24;
  type.subtype.Data1 = compression ? compression : MEDIASUBTYPE_RGB24.Data1;
  type.formattype = formatType;
  if (formatType == GUID_NULL) return type;
  // VIDEOINFOHEADER2 is longer; its layout does not matter to the window.
  type.cbFormat = formatType == FORMAT_VideoInfo ? sizeof(VIDEOINFOHEADER) : sizeof(VIDEOINFOHEADER2);
  type.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(type.cbFormat));
  memset(type.pbFormat, 0, type.cbFormat);
  auto* info = reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat);
  info->dwBitRate = bitRate;
  info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info->bmiHeader.biCompression = compression;
  info->bmiHeader.biBitCount = bits;
  return type;
}

inline AM_MEDIA_TYPE AudioCaps(WORD tag, WORD channels, DWORD rate, DWORD bytesPerSecond, WORD bits,
                               const GUID& formatType = FORMAT_WaveFormatEx) {
  AM_MEDIA_TYPE type = {};
  type.majortype = MEDIATYPE_Audio;
  type.subtype = MEDIASUBTYPE_PCM;
  type.subtype.Data1 = tag;
  type.formattype = formatType;
  type.cbFormat = sizeof(WAVEFORMATEX);
  type.pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(type.cbFormat));
  WAVEFORMATEX wave = {tag, channels, rate, bytesPerSecond, WORD(channels * bits / 8), bits, 0};
  memcpy(type.pbFormat, &wave, sizeof wave);
  return type;
}
