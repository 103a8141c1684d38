// Reports what keeps part of a timeline from rendering to the render
// engine's own error log, else the one registered on the timeline
// (IAMSetErrorLog), on the thread building the
// render plan: one line per distinct problem, with the DEX_IDS_* code and
// the extra value the published rendering errors carry (a name or a number).
#pragma once

#include <windows.h>

#include <set>
#include <string>

#include "ComPtr.h"
#include "EditingServices.h"

class RenderProblems {
 public:
  // engineLog: the render engine's own log, or null.
  RenderProblems(IAMTimeline* timeline, IAMErrorLog* engineLog);

  // extra: the file name or class id the line is about.
  void Report(long code, const std::wstring& text, HRESULT result, const std::wstring& extra);
  void Report(long code, const std::wstring& text, HRESULT result, long extra);
  // Why a file cannot be read, in words.
  static std::wstring Reason(HRESULT result);

 private:
  bool IsNew(const std::wstring& text);

  ComPtr<IAMErrorLog> log_;
  std::set<std::wstring> reported_;
};
