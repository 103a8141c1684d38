#include "RenderProblems.h"

#include <vfwmsgs.h>

#include <cwchar>

#include "SystemMessage.h"

RenderProblems::RenderProblems(IAMTimeline* timeline, IAMErrorLog* engineLog) : log_(engineLog) {
  ComPtr<IAMSetErrorLog> setter;
  if (log_) return;
  if (timeline && SUCCEEDED(timeline->QueryInterface(IID_IAMSetErrorLog, setter.ReceiveVoid())) && setter) {
    if (FAILED(setter->get_ErrorLog(log_.Receive()))) log_.Reset();
  }
}

bool RenderProblems::IsNew(const std::wstring& text) { return reported_.insert(text).second; }

void RenderProblems::Report(long code, const std::wstring& text, HRESULT result, const std::wstring& extra) {
  if (!IsNew(text) || !log_) return;
  BSTR message = SysAllocString(text.c_str());
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_BSTR;
  value.bstrVal = SysAllocString(extra.c_str());
  if (message && value.bstrVal) log_->LogError(0, message, code, result, &value);
  VariantClear(&value);
  SysFreeString(message);
}

void RenderProblems::Report(long code, const std::wstring& text, HRESULT result, long extra) {
  if (!IsNew(text) || !log_) return;
  BSTR message = SysAllocString(text.c_str());
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_I4;
  value.lVal = extra;
  if (message) log_->LogError(0, message, code, result, &value);
  SysFreeString(message);
}

std::wstring RenderProblems::Reason(HRESULT result) {
  switch (result) {
    case HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND):
    case HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND):
      return L"the file does not exist";
    case VFW_E_INVALID_FILE_FORMAT:
      return L"it is no media file the engine reads";
    case VFW_E_FILE_TOO_SHORT:
      return L"the file is cut short";
    case VFW_E_UNSUPPORTED_VIDEO:
      return L"no decoder for its video";
    case VFW_E_UNSUPPORTED_AUDIO:
      return L"no decoder for its audio";
    default:
      break;
  }
  SystemMessage message(uint32_t(HRESULT_FACILITY(result) == FACILITY_WIN32 ? HRESULT_CODE(result) : result));
  if (message.Text()) {
    std::wstring text = message.Text();
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L'.')) text.pop_back();
    return text;
  }
  wchar_t code[32];
  swprintf(code, 32, L"error 0x%08lx", static_cast<unsigned long>(result));
  return code;
}
