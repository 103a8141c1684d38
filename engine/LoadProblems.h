// Reports what went wrong while a project loaded to the error log registered
// on the timeline (IAMSetErrorLog), if any. A damaged file could hold
// millions of bad elements, so only the first kMaxReports are passed on.
#pragma once

#include <string>

#include "ComPtr.h"
#include "EditingServices.h"

class LoadProblems {
 public:
  static constexpr long kMaxReports = 100;

  explicit LoadProblems(IAMTimeline* timeline);

  void Report(const std::wstring& text, HRESULT result);
  long Count() const { return count_; }

 private:
  void Send(const wchar_t* text, HRESULT result);

  ComPtr<IAMErrorLog> log_;
  long count_ = 0;
};
