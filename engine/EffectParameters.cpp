#include "EffectParameters.h"

#include <algorithm>
#include <cmath>
#include <cwchar>

namespace {

bool ReadHexColor(const wchar_t* text, DWORD* color) {
  while (*text == L' ') ++text;
  if (text[0] == L'#') {
    text += 1;
  } else if (text[0] == L'0' && (text[1] == L'x' || text[1] == L'X')) {
    text += 2;
  } else if (text[0] == L'&' && (text[1] == L'h' || text[1] == L'H')) {
    text += 2;
  } else {
    return false;
  }
  wchar_t* end = nullptr;
  unsigned long value = wcstoul(text, &end, 16);
  if (end == text) return false;
  while (*end == L' ') ++end;
  if (*end) return false;
  *color = value & 0xFFFFFF;
  return true;
}

}  // namespace

bool EffectParameters::Read(const ParameterInfo& parameter, double* number) const {
  if (!values_.NumberAt(parameter.name, time_, number) || std::isnan(*number)) return false;
  *number = std::clamp(*number, parameter.low, parameter.high);
  return true;
}

double EffectParameters::Number(const ParameterInfo& parameter) const {
  double number = 0;
  return Read(parameter, &number) ? number : parameter.fallback;
}

int EffectParameters::Integer(const ParameterInfo& parameter) const {
  return static_cast<int>(std::lround(Number(parameter)));
}

DWORD EffectParameters::Color(const ParameterInfo& parameter) const {
  double number = 0;
  if (Read(parameter, &number)) return static_cast<DWORD>(std::lround(number)) & 0xFFFFFF;
  DWORD color = static_cast<DWORD>(parameter.fallback);
  ReadHexColor(Text(parameter), &color);
  return color;
}

const wchar_t* EffectParameters::Text(const ParameterInfo& parameter) const {
  const wchar_t* text = values_.TextAt(parameter.name, time_);
  return text ? text : L"";
}

double EffectParameters::Progress(double given) const {
  double number = 0;
  return Read(kProgressParameter, &number) ? number : std::clamp(given, 0.0, 1.0);
}
