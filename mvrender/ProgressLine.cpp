#include "ProgressLine.h"

#include <algorithm>
#include <cwchar>

#include "ConsoleText.h"

namespace {

constexpr double kUnitsPerSecond = 1e7;

std::wstring Clock(double seconds) {
  long whole = long(seconds + 0.5);
  wchar_t text[32];
  swprintf(text, 32, L"%ld:%02ld:%02ld", whole / 3600, whole / 60 % 60, whole % 60);
  return text;
}

}  // namespace

ProgressLine::ProgressLine(REFERENCE_TIME total, double fps)
    : total_(total), fps_(fps), terminal_(ConsoleText::ErrorIsTerminal()), start_(Now()) {}

double ProgressLine::Now() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return double(counter.QuadPart) / double(frequency.QuadPart);
}

std::wstring ProgressLine::Text(REFERENCE_TIME position, REFERENCE_TIME total, double fps, double elapsed,
                               bool left) {
  position = std::clamp<REFERENCE_TIME>(position, 0, total);
  double done = double(position) / kUnitsPerSecond;
  double share = total > 0 ? double(position) / double(total) : 1;
  double speed = elapsed > 0 ? done / elapsed : 0;  // stream seconds a second
  wchar_t text[128];
  if (fps > 0) swprintf(text, 128, L"%5.1f%%  %6.1f fps", share * 100, speed * fps);
  else swprintf(text, 128, L"%5.1f%%  %5.1fx real time", share * 100, speed);
  std::wstring line = text;
  if (left && speed > 0) line += L"  " + Clock(double(total - position) / kUnitsPerSecond / speed) + L" left";
  return line;
}

void ProgressLine::Update(REFERENCE_TIME position) {
  double now = Now();
  if (now - shown_ < (terminal_ ? 0.25 : 1.0)) return;
  shown_ = now;
  std::wstring text = Text(position, total_, fps_, now - start_, true);
  if (!terminal_) return ConsoleText::Error(text + L"\n");
  size_t width = text.size();
  text.append(width_ > width ? width_ - width : 0, L' ');
  width_ = width;
  ConsoleText::Error(L"\r" + text);
}

void ProgressLine::Finish(REFERENCE_TIME position) {
  double elapsed = Now() - start_;
  wchar_t took[64];
  swprintf(took, 64, L"  in %.2f s", elapsed);
  std::wstring text = Text(position, total_, fps_, elapsed, false) + took;
  text.append(width_ > text.size() ? width_ - text.size() : 0, L' ');
  ConsoleText::Error((terminal_ ? L"\r" : L"") + text + L"\n");
}
