#include "SourcePin.h"

#include <evcode.h>

SourcePin::~SourcePin() { JoinThread(); }

HRESULT SourcePin::StartStreaming() {
  if (!IsConnected()) return S_OK;
  HRESULT hr = Active();
  if (SUCCEEDED(hr)) hr = StartThread();
  return hr;
}

HRESULT SourcePin::StopStreaming() {
  InterlockedExchange(&stopping_, 1);
  HRESULT hr = Inactive();  // a thread waiting for a buffer wakes with an error
  JoinThread();
  return hr;
}

HRESULT SourcePin::Restart() {
  if (!thread_) return S_OK;
  DeliverBeginFlush();  // releases a thread blocked downstream
  InterlockedExchange(&stopping_, 1);
  JoinThread();
  DeliverEndFlush();
  return StartThread();
}

HRESULT SourcePin::StartThread() {
  InterlockedExchange(&stopping_, 0);
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
      hr = Deliver(sample);
      sample->Release();
      if (hr != S_OK) return;  // downstream is flushing or stopping, or failed and says so itself
      continue;
    }
    sample->Release();
    if (hr == S_FALSE) {
      DeliverEndOfStream();
      return;
    }
  }
  if (FAILED(hr) && !stopping_) {
    DeliverEndOfStream();
    filter_->NotifyEvent(EC_ERRORABORT, hr, 0);
  }
}
