// Reports what went wrong while a project loaded (or saved) to the error log
// registered on the timeline (IAMSetErrorLog), if any, with the published DEX_IDS_*
// code and the extra value that code carries. A damaged file could hold
// millions of bad elements, so only the first kMaxReports are passed on; all
// are counted.
#pragma once

#include <string>

#include "ComPtr.h"
#include "EditingServices.h"

class LoadProblems {
 public:
  static constexpr long kMaxReports = 100;

  explicit LoadProblems(IAMTimeline* timeline);

  // Something in the file that cannot be read as the format says.
  void Report(const std::wstring& text, HRESULT result) { Report(DEX_IDS_INVALID_XML, text, result); }
  void Report(long code, const std::wstring& text, HRESULT result, VARIANT* extra = nullptr);
  // With a name, class id or value as text, or a number, as the code's extra value.
  void Report(long code, const std::wstring& text, HRESULT result, const std::wstring& extra);
  void Report(long code, const std::wstring& text, HRESULT result, long extra);
  long Count() const { return count_; }

 private:
  ComPtr<IAMErrorLog> log_;
  long count_ = 0;
};
