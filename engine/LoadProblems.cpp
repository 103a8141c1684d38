#include "LoadProblems.h"

LoadProblems::LoadProblems(IAMTimeline* timeline) {
  ComPtr<IAMSetErrorLog> setter;
  if (timeline && SUCCEEDED(timeline->QueryInterface(IID_IAMSetErrorLog, setter.ReceiveVoid())) && setter) {
    if (FAILED(setter->get_ErrorLog(log_.Receive()))) log_.Reset();
  }
}

void LoadProblems::Report(const std::wstring& text, HRESULT result) {
  ++count_;
  if (count_ < kMaxReports) {
    Send((L"Project file: " + text).c_str(), result);
  } else if (count_ == kMaxReports) {
    Send(L"Project file: further problems in this file are not reported", result);
  }
}

void LoadProblems::Send(const wchar_t* text, HRESULT result) {
  if (!log_) return;
  BSTR message = SysAllocString(text);
  if (message) log_->LogError(0, message, DEX_IDS_TIMELINE_PARSE, result, nullptr);
  SysFreeString(message);
}
