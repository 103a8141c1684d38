#include "PropertyEvaluator.h"

#include <algorithm>

#include "VariantText.h"

PropertyEvaluator::~PropertyEvaluator() { Release(); }

void PropertyEvaluator::Release() {
  params_.clear();
  if (setter_ && (rawParams_ || rawValues_)) setter_->FreeProps(count_, rawParams_, rawValues_);
  setter_.Reset();
  count_ = 0;
  rawParams_ = nullptr;
  rawValues_ = nullptr;
}

HRESULT PropertyEvaluator::Load(IPropertySetter* setter) {
  Release();
  if (!setter) return E_POINTER;
  HRESULT hr = setter->GetProps(&count_, &rawParams_, &rawValues_);
  if (FAILED(hr)) {
    count_ = 0;
    rawParams_ = nullptr;
    rawValues_ = nullptr;
    return hr;
  }
  setter_ = ComPtr<IPropertySetter>(setter);
  long first = 0;
  for (LONG i = 0; i < count_; ++i) {
    const DEXTER_PARAM& raw = rawParams_[i];
    Param param;
    if (raw.Name) param.name.assign(raw.Name, SysStringLen(raw.Name));
    for (LONG j = 0; j < raw.nValues; ++j) {
      const DEXTER_VALUE& value = rawValues_[first + j];
      Point point = {&value.v, value.rt, value.dwInterp == DEXTERF_INTERPOLATE, false, 0.0};
      point.numeric = ReadNumberVariant(value.v, &point.number);
      param.points.push_back(point);
    }
    first += std::max<LONG>(raw.nValues, 0);
    std::stable_sort(param.points.begin(), param.points.end(),
                     [](const Point& a, const Point& b) { return a.time < b.time; });
    if (!param.points.empty()) params_.push_back(std::move(param));
  }
  return S_OK;
}

const PropertyEvaluator::Param* PropertyEvaluator::Find(const wchar_t* name) const {
  if (!name) return nullptr;
  for (const Param& param : params_) {
    if (CompareStringOrdinal(param.name.c_str(), -1, name, -1, TRUE) == CSTR_EQUAL) return &param;
  }
  return nullptr;
}

// Null with the number in *interpolated when the value lies between two
// numbers; otherwise the listed value that holds at that time.
const PropertyEvaluator::Point* PropertyEvaluator::Evaluate(const Param& param, REFERENCE_TIME time,
                                                            double* interpolated) const {
  const std::vector<Point>& points = param.points;
  auto next = std::upper_bound(points.begin(), points.end(), time,
                               [](REFERENCE_TIME t, const Point& p) { return t < p.time; });
  if (next == points.begin()) return &points.front();
  if (next == points.end()) return &points.back();
  const Point& before = *(next - 1);
  const Point& after = *next;
  if (!after.interpolate || !before.numeric || !after.numeric) return &before;
  double fraction = double(time - before.time) / double(after.time - before.time);
  *interpolated = before.number + (after.number - before.number) * fraction;
  return nullptr;
}

HRESULT PropertyEvaluator::ValueAt(const wchar_t* name, REFERENCE_TIME time, VARIANT* value) const {
  if (!value) return E_POINTER;
  VariantInit(value);
  const Param* param = Find(name);
  if (!param) return DISP_E_UNKNOWNNAME;
  double number = 0.0;
  const Point* point = Evaluate(*param, time, &number);
  if (point) return VariantCopy(value, const_cast<VARIANT*>(point->value));
  value->vt = VT_R8;
  value->dblVal = number;
  return S_OK;
}

const wchar_t* PropertyEvaluator::TextAt(const wchar_t* name, REFERENCE_TIME time) const {
  const Param* param = Find(name);
  double number = 0.0;
  const Point* point = param ? Evaluate(*param, time, &number) : nullptr;
  return point && point->value->vt == VT_BSTR ? point->value->bstrVal : nullptr;
}

bool PropertyEvaluator::NumberAt(const wchar_t* name, REFERENCE_TIME time, double* number) const {
  const Param* param = Find(name);
  if (!param || !number) return false;
  const Point* point = Evaluate(*param, time, number);
  if (!point) return true;
  if (!point->numeric) return false;
  *number = point->number;
  return true;
}
