#include "LoadProblems.h"

LoadProblems::LoadProblems(IAMTimeline* timeline) {
  ComPtr<IAMSetErrorLog> setter;
  if (timeline && SUCCEEDED(timeline->QueryInterface(IID_IAMSetErrorLog, setter.ReceiveVoid())) && setter) {
    if (FAILED(setter->get_ErrorLog(log_.Receive()))) log_.Reset();
  }
}

void LoadProblems::Report(long code, const std::wstring& text, HRESULT result, VARIANT* extra) {
  ++count_;
  if (!log_ || count_ > kMaxReports) return;
  std::wstring line = count_ < kMaxReports ? L"Project file: " + text
                                           : L"Project file: further problems in this file are not reported";
  BSTR message = SysAllocString(line.c_str());
  if (message) log_->LogError(0, message, count_ < kMaxReports ? code : DEX_IDS_INVALID_XML, result,
                              count_ < kMaxReports ? extra : nullptr);
  SysFreeString(message);
}

void LoadProblems::Report(long code, const std::wstring& text, HRESULT result, const std::wstring& extra) {
  VARIANT value;
  value.vt = VT_BSTR;
  value.bstrVal = SysAllocStringLen(extra.data(), static_cast<UINT>(extra.size()));
  Report(code, text, result, value.bstrVal ? &value : nullptr);
  VariantClear(&value);
}

void LoadProblems::Report(long code, const std::wstring& text, HRESULT result, long extra) {
  VARIANT value;
  value.vt = VT_I4;
  value.lVal = extra;
  Report(code, text, result, &value);
}
