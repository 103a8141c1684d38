#include "GrabberFilter.h"

#include <vfwmsgs.h>

#include <cstdlib>
#include <cstring>

#include "Locked.h"

namespace {
// Private to the detector's graphs, never registered.
const CLSID kGrabberClsid = {0x0b7d6e41, 0x92c3, 0x4a8e, {0xb1, 0x5f, 0x6c, 0x20, 0xd9, 0x3e, 0x87, 0x14}};
const LONG kMaxDimension = 16384;
}  // namespace

GrabberFilter::GrabberFilter(IUnknown* outer) : FilterBase(outer, kGrabberClsid), pin_(this) {
  InitializeCriticalSection(&frameLock_);
  ready_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  release_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
}

GrabberFilter::~GrabberFilter() {
  if (ready_) CloseHandle(ready_);
  if (release_) CloseHandle(release_);
  DeleteCriticalSection(&frameLock_);
}

PinBase* GrabberFilter::PinAt(int index) { return index == 0 ? &pin_ : nullptr; }

HRESULT GrabberFilter::Pin::Accepts(const AM_MEDIA_TYPE& type) {
  if (type.majortype != MEDIATYPE_Video || type.formattype != FORMAT_VideoInfo || !type.pbFormat ||
      type.cbFormat < sizeof(VIDEOINFOHEADER))
    return S_FALSE;
  const BITMAPINFOHEADER& bitmap = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
  WORD bits = type.subtype == MEDIASUBTYPE_RGB32 ? 32 : type.subtype == MEDIASUBTYPE_RGB24 ? 24 : 0;
  bool usable = bits && bitmap.biBitCount == bits && bitmap.biCompression == BI_RGB && bitmap.biWidth > 0 &&
                bitmap.biWidth <= kMaxDimension && bitmap.biHeight != 0 && std::abs(bitmap.biHeight) <= kMaxDimension;
  return usable ? S_OK : S_FALSE;
}

HRESULT GrabberFilter::Pin::OnEndOfStream() {
  Locked lock(&grabber_->frameLock_);
  grabber_->ended_ = true;
  SetEvent(grabber_->ready_);
  return S_OK;
}

HRESULT GrabberFilter::Pin::OnBeginFlush() {
  SetEvent(grabber_->release_);
  return S_OK;
}

HRESULT GrabberFilter::Pin::OnEndFlush() {
  grabber_->Forget();
  return S_OK;
}

HRESULT GrabberFilter::OnInitStream() {
  pin_.Active();
  Forget();
  return S_OK;
}

HRESULT GrabberFilter::OnCleanup() {
  SetEvent(release_);
  return S_OK;
}

void GrabberFilter::Forget() {
  Locked lock(&frameLock_);
  kept_ = false;
  ended_ = false;
  ResetEvent(ready_);
  ResetEvent(release_);
}

HRESULT GrabberFilter::Keep(IMediaSample* sample) {
  const BITMAPINFOHEADER& bitmap = reinterpret_cast<const VIDEOINFOHEADER*>(pin_.Type().pbFormat)->bmiHeader;
  FramePixels frame;
  frame.width = bitmap.biWidth;
  frame.height = std::abs(bitmap.biHeight);
  frame.pixelBytes = bitmap.biBitCount / 8;
  frame.stride = (size_t(frame.width) * bitmap.biBitCount + 31) / 32 * 4;
  frame.bottomUp = bitmap.biHeight > 0;
  BYTE* data = nullptr;
  size_t bytes = frame.stride * size_t(frame.height);
  if (FAILED(sample->GetPointer(&data)) || size_t(sample->GetActualDataLength()) < bytes) return E_FAIL;
  frame.bytes.assign(data, data + bytes);
  {
    Locked lock(&frameLock_);
    if (kept_) return S_OK;
    frame_ = std::move(frame);
    kept_ = true;
    SetEvent(ready_);
  }
  WaitForSingleObject(release_, INFINITE);
  return S_OK;
}

HRESULT GrabberFilter::WaitForFrame(DWORD timeout, FramePixels* frame) {
  if (WaitForSingleObject(ready_, timeout) != WAIT_OBJECT_0) return VFW_E_TIME_EXPIRED;
  Locked lock(&frameLock_);
  if (!kept_) return E_FAIL;
  *frame = frame_;
  return S_OK;
}
