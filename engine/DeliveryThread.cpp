#include "DeliveryThread.h"

#include <strmif.h>
#include <vfwmsgs.h>

#include "Locked.h"
#include "OutputPin.h"

DeliveryThread::DeliveryThread(OutputPin* pin) : pin_(pin) {
  InitializeCriticalSection(&lock_);
  InitializeConditionVariable(&changed_);
}

DeliveryThread::~DeliveryThread() {
  Stop();
  DeleteCriticalSection(&lock_);
}

HRESULT DeliveryThread::Start() {
  Locked lock(&lock_);
  if (thread_) return S_OK;
  stopping_ = false;
  result_ = S_OK;
  thread_ = CreateThread(nullptr, 0, &DeliveryThread::ThreadMain, this, 0, nullptr);
  return thread_ ? S_OK : HRESULT_FROM_WIN32(GetLastError());
}

HRESULT DeliveryThread::Put(IMediaSample* sample) {
  Locked lock(&lock_);
  if (result_ != S_OK || !thread_) return result_ != S_OK ? result_ : VFW_E_NOT_COMMITTED;
  if (sample) sample->AddRef();
  queue_.push_back(sample);
  WakeAllConditionVariable(&changed_);
  return S_OK;
}

void DeliveryThread::DropQueued() {
  for (IMediaSample* sample : queue_) {
    if (sample) sample->Release();
  }
  queue_.clear();
}

void DeliveryThread::Flush() {
  Locked lock(&lock_);
  DropQueued();
  while (busy_) SleepConditionVariableCS(&changed_, &lock_, INFINITE);
  result_ = S_OK;
}

void DeliveryThread::Stop() {
  HANDLE thread = nullptr;
  {
    Locked lock(&lock_);
    DropQueued();
    stopping_ = true;
    thread = thread_;
    thread_ = nullptr;
    WakeAllConditionVariable(&changed_);
  }
  if (!thread) return;
  WaitForSingleObject(thread, INFINITE);
  CloseHandle(thread);
}

DWORD WINAPI DeliveryThread::ThreadMain(void* delivery) {
  HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
  static_cast<DeliveryThread*>(delivery)->Run();
  if (SUCCEEDED(com)) CoUninitialize();
  return 0;
}

void DeliveryThread::Run() {
  EnterCriticalSection(&lock_);
  while (!stopping_) {
    if (queue_.empty()) {
      SleepConditionVariableCS(&changed_, &lock_, INFINITE);
      continue;
    }
    IMediaSample* sample = queue_.front();
    queue_.pop_front();
    busy_ = true;
    LeaveCriticalSection(&lock_);
    HRESULT hr = sample ? pin_->Deliver(sample) : pin_->DeliverEndOfStream();
    if (sample) sample->Release();
    EnterCriticalSection(&lock_);
    busy_ = false;
    if (hr != S_OK && result_ == S_OK && sample) {
      result_ = hr;
      DropQueued();
    }
    WakeAllConditionVariable(&changed_);
  }
  LeaveCriticalSection(&lock_);
}
