// The parameters of a built-in effect or transition: each declared once with
// its default and range, and read at one time from the object's property
// setter values. A parameter that is missing, empty or not a number (the
// property window stores every catalog row, filled or not) takes its default;
// a number outside the range is clamped into it.
#pragma once

#include <string>

#include "PropertyEvaluator.h"

struct ParameterInfo {
  const wchar_t* name;
  double fallback;
  double low;
  double high;
};

struct ParameterList {
  const ParameterInfo* items;
  int count;
};

template <int N>
constexpr ParameterList ListOf(const ParameterInfo (&items)[N]) {
  return ParameterList{items, N};
}

// Overrides the progress the compositor gives a transition (0 to 1), so that
// a transition can move back and forth; -1 means absent.
inline constexpr ParameterInfo kProgressParameter = {L"Progress", -1, 0, 1};

class EffectParameters {
 public:
  // values must outlive this reader.
  EffectParameters(const PropertyEvaluator& values, REFERENCE_TIME time) : values_(values), time_(time) {}

  double Number(const ParameterInfo& parameter) const;
  int Integer(const ParameterInfo& parameter) const;
  // A colour 0xRRGGBB from a number or from text in hexadecimal ("0xRRGGBB",
  // "#RRGGBB", "&HRRGGBB").
  DWORD Color(const ParameterInfo& parameter) const;
  // The text of a string value, kept by the values; empty when there is none.
  const wchar_t* Text(const ParameterInfo& parameter) const;
  // The Progress parameter where it is a number, else given; 0 to 1.
  double Progress(double given) const;

 private:
  bool Read(const ParameterInfo& parameter, double* number) const;

  const PropertyEvaluator& values_;
  REFERENCE_TIME time_;
};
