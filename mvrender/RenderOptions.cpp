#include "RenderOptions.h"

#include <cwchar>

namespace {

constexpr REFERENCE_TIME kSecond = 10000000;
// The engine refuses times past 100,000 hours.
constexpr double kLongestSeconds = 100000.0 * 3600;

// A non-negative decimal number with '.' as the point, whatever the locale.
bool ParseNumber(const std::wstring& text, double* value) {
  if (text.empty() || text.size() > 32) return false;
  double whole = 0, scale = 0;
  bool digits = false;
  for (wchar_t c : text) {
    if (c == L'.' && scale == 0) {
      scale = 1;
    } else if (c >= L'0' && c <= L'9') {
      digits = true;
      if (scale == 0) whole = whole * 10 + (c - L'0');
      else whole += (c - L'0') * (scale /= 10);
    } else {
      return false;
    }
  }
  *value = whole;
  return digits;
}

}  // namespace

bool RenderOptions::ParseTime(const std::wstring& text, REFERENCE_TIME* time) {
  double seconds = 0;
  size_t start = 0;
  int fields = 0;
  for (;;) {
    size_t colon = text.find(L':', start);
    std::wstring field = text.substr(start, colon == std::wstring::npos ? std::wstring::npos : colon - start);
    double value = 0;
    if (!ParseNumber(field, &value) || ++fields > 3) return false;
    // Hours and minutes are whole numbers; minutes and seconds after a colon stay below 60.
    bool last = colon == std::wstring::npos;
    if (!last && field.find(L'.') != std::wstring::npos) return false;
    if (fields > 1 && value >= 60) return false;
    seconds = seconds * 60 + value;
    if (last) break;
    start = colon + 1;
  }
  if (seconds > kLongestSeconds) return false;
  *time = REFERENCE_TIME(seconds * kSecond + 0.5);
  return true;
}

bool RenderOptions::TakeOption(const std::wstring& name, const wchar_t* value, std::wstring* error) {
  if (!value) {
    *error = name + L" needs a value";
    return false;
  }
  if (name == L"--from" || name == L"--to") {
    REFERENCE_TIME time = 0;
    if (!ParseTime(value, &time)) {
      *error = name + L" takes a time in seconds or h:mm:ss, not \"" + value + L"\"";
      return false;
    }
    (name == L"--from" ? from : to) = time;
    return true;
  }
  wchar_t* end = nullptr;
  long number = std::wcstol(value, &end, 10);
  if (!*value || *end || number < 0 || number > 0x7FFF) {
    *error = L"--group takes a group number (0 is the first), not \"" + std::wstring(value) + L"\"";
    return false;
  }
  group = number;
  return true;
}

bool RenderOptions::Parse(int count, const wchar_t* const* args, std::wstring* error) {
  for (int i = 0; i < count; ++i) {
    std::wstring arg = args[i];
    if (arg == L"--help" || arg == L"-h" || arg == L"/?") {
      help = true;
      return true;
    }
    if (arg == L"--from" || arg == L"--to" || arg == L"--group") {
      if (!TakeOption(arg, i + 1 < count ? args[i + 1] : nullptr, error)) return false;
      ++i;
    } else if (arg.size() > 1 && arg[0] == L'-') {
      *error = L"unknown option " + arg;
      return false;
    } else if (project.empty()) {
      project = arg;
    } else if (output.empty()) {
      output = arg;
    } else {
      *error = L"one project and one output file, not \"" + arg + L"\" as well";
      return false;
    }
  }
  if (project.empty() || output.empty()) {
    *error = project.empty() ? L"no project named" : L"no output file named";
    return false;
  }
  if (from != kNone && to != kNone && to <= from) {
    *error = L"--to must be later than --from";
    return false;
  }
  return true;
}

const wchar_t* RenderOptions::HelpText() {
  return L"Usage: mvrender project.mvp out.avi [--from t] [--to t] [--group n]\n"
         L"\n"
         L"Renders a Morvik project (editing-services XML) into an AVI file, one\n"
         L"stream per group in the groups' own formats (uncompressed).\n"
         L"\n"
         L"  --from t    start at time t of the timeline (default: its start)\n"
         L"  --to t      end at time t (default: the timeline's end)\n"
         L"  --group n   render group n only (0 is the first; default: every group)\n"
         L"  --help      this text\n"
         L"\n"
         L"Times are seconds (12.5) or h:mm:ss (0:01:02.5). Media named by relative\n"
         L"paths are looked for beside the project. The file is written beside out.avi\n"
         L"under another name and takes its place only when complete, so an earlier\n"
         L"out.avi stays untouched by a failed render. Progress and the timeline's\n"
         L"error lines go to standard error.\n"
         L"\n"
         L"Exit codes: 0 rendered whole; 1 rendering or writing failed (nothing\n"
         L"replaced); 2 bad arguments; 3 the project cannot be read; 4 rendered, but\n"
         L"the timeline reported errors (missing media render black or silent).\n";
}
