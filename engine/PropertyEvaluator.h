// The value of a property setter's parameters at a time, for rendering: works
// with any IPropertySetter, reading it once through GetProps.
//
// Times are relative to the object's start. Before the first listed time the
// first value holds, after the last the last. Between two listed values the
// earlier one holds, unless the later one is DEXTERF_INTERPOLATE and both are
// numbers (numeric VARIANTs, or strings that read fully as numbers in any
// regional setting): then the value moves linearly between them. Where
// several values share a time, the last of them holds from that time on.
#pragma once

#include <string>
#include <vector>

#include "ComPtr.h"
#include "EditingServices.h"

class PropertyEvaluator {
 public:
  PropertyEvaluator() = default;
  ~PropertyEvaluator();
  PropertyEvaluator(const PropertyEvaluator&) = delete;
  PropertyEvaluator& operator=(const PropertyEvaluator&) = delete;

  // Takes a snapshot of the setter's parameters; later changes to the
  // setter are not seen.
  HRESULT Load(IPropertySetter* setter);

  long ParamCount() const { return static_cast<long>(params_.size()); }
  const wchar_t* ParamName(long index) const { return params_[index].name.c_str(); }

  // A new value (the caller clears it): VT_R8 when interpolated, otherwise a
  // copy of the listed value. DISP_E_UNKNOWNNAME when there is no parameter
  // of that name (letter case ignored).
  HRESULT ValueAt(const wchar_t* name, REFERENCE_TIME time, VARIANT* value) const;
  // False when there is no such parameter or its value there is no number.
  bool NumberAt(const wchar_t* name, REFERENCE_TIME time, double* number) const;
  // The text of a string value that holds at time, kept by the evaluator
  // (no copy, for streaming threads); null for none.
  const wchar_t* TextAt(const wchar_t* name, REFERENCE_TIME time) const;

 private:
  struct Point {
    const VARIANT* value;
    REFERENCE_TIME time;
    bool interpolate;
    bool numeric;
    double number;
  };
  struct Param {
    std::wstring name;
    std::vector<Point> points;  // in time order, never empty
  };

  void Release();
  const Param* Find(const wchar_t* name) const;
  // The value there, or the number when interpolated.
  const Point* Evaluate(const Param& param, REFERENCE_TIME time, double* interpolated) const;

  ComPtr<IPropertySetter> setter_;
  LONG count_ = 0;
  DEXTER_PARAM* rawParams_ = nullptr;
  DEXTER_VALUE* rawValues_ = nullptr;
  std::vector<Param> params_;
};
