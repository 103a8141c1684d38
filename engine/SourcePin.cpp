#include "SourcePin.h"

#include <evcode.h>

#include "Locked.h"

SourcePin::SourcePin(FilterBase* filter, const wchar_t* name) : OutputPin(filter, name) {
  InitializeCriticalSection(&threadLock_);
}

SourcePin::~SourcePin() {
  JoinThread();
  DeleteCriticalSection(&threadLock_);
}

HRESULT SourcePin::Active() {
  Locked lock(&threadLock_);
  if (streaming_ || !IsConnected()) return S_OK;
  HRESULT hr = OutputPin::Active();
  if (SUCCEEDED(hr)) hr = StartThread();
  streaming_ = SUCCEEDED(hr);
  return hr;
}

HRESULT SourcePin::Inactive() {
  Locked lock(&threadLock_);
  streaming_ = false;
  InterlockedExchange(&stopping_, 1);
  WakeThread();
  HRESULT hr = OutputPin::Inactive();  // a thread waiting for a buffer wakes with an error
  JoinThread();
  if (delivery_) delivery_->Stop();
  return hr;
}

HRESULT SourcePin::Restart() {
  Locked lock(&threadLock_);
  if (!streaming_) return S_OK;
  DeliverBeginFlush();  // releases a thread blocked downstream
  InterlockedExchange(&stopping_, 1);
  WakeThread();
  JoinThread();
  if (delivery_) delivery_->Flush();
  DeliverEndFlush();
  return StartThread();
}

HRESULT SourcePin::StartThread() {
  InterlockedExchange(&stopping_, 0);
  if (delivery_) {
    HRESULT hr = delivery_->Start();
    if (FAILED(hr)) return hr;
  }
  thread_ = CreateThread(nullptr, 0, &SourcePin::ThreadMain, this, 0, nullptr);
  return thread_ ? S_OK : HRESULT_FROM_WIN32(GetLastError());
}

void SourcePin::JoinThread() {
  if (!thread_) return;
  WaitForSingleObject(thread_, INFINITE);
  CloseHandle(thread_);
  thread_ = nullptr;
}

DWORD WINAPI SourcePin::ThreadMain(void* pin) {
  HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  static_cast<SourcePin*>(pin)->Stream();
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}

void SourcePin::Stream() {
  REFERENCE_TIME start = 0, stop = 0;
  double rate = 1.0;
  HRESULT hr = OnThreadStart(&start, &stop, &rate);
  if (SUCCEEDED(hr)) DeliverNewSegment(start, stop, rate);
  while (SUCCEEDED(hr) && !stopping_) {
    IMediaSample* sample = nullptr;
    hr = GetDeliveryBuffer(&sample);
    if (FAILED(hr) || stopping_) {
      if (sample) sample->Release();
      return;  // decommitted: the filter is stopping
    }
    hr = FillSample(sample);
    if (hr == S_OK) {
      hr = Send(sample);
      sample->Release();
      if (hr != S_OK) return;  // downstream is flushing or stopping, or failed and says so itself
      continue;
    }
    sample->Release();
    if (hr == S_FALSE) {
      SendEndOfStream();
      return;
    }
  }
  if (FAILED(hr) && !stopping_) {
    SendEndOfStream();
    filter_->NotifyEvent(EC_ERRORABORT, hr, 0);
  }
}
