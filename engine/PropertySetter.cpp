#include "PropertySetter.h"

#include <algorithm>
#include <new>

#include "ComPtr.h"
#include "EngineLimits.h"
#include "EngineObjects.h"
#include "PropertyEvaluator.h"
#include "VariantText.h"

HRESULT PropertySetter::CreateInstance(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  PropertySetter* setter = new (std::nothrow) PropertySetter();
  if (!setter) return E_OUTOFMEMORY;
  HRESULT hr = setter->QueryInterface(iid, object);
  setter->Release();
  return hr;
}

PropertySetter::PropertySetter() { EngineObjectCreated(); }

PropertySetter::~PropertySetter() {
  ClearProps();
  EngineObjectDestroyed();
}

STDMETHODIMP PropertySetter::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IPropertySetter) {
    *object = static_cast<IPropertySetter*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) PropertySetter::AddRef() { return InterlockedIncrement(&references_); }

STDMETHODIMP_(ULONG) PropertySetter::Release() {
  ULONG count = InterlockedDecrement(&references_);
  if (count == 0) delete this;
  return count;
}

// --- Adding and clearing ---

HRESULT PropertySetter::CheckValues(const DEXTER_PARAM& param, const DEXTER_VALUE* values) {
  if (!param.Name || !param.Name[0] || param.nValues <= 0) return E_INVALIDARG;
  if (!values) return E_POINTER;
  for (LONG i = 0; i < param.nValues; ++i) {
    if (values[i].rt < 0 || values[i].rt > kLatestTime) return E_INVALIDARG;
    if (!IsTextVariantType(values[i].v.vt)) return DISP_E_BADVARTYPE;
    if (!HasExactText(values[i].v)) return E_INVALIDARG;
    if (values[i].dwInterp != DEXTERF_JUMP && values[i].dwInterp != DEXTERF_INTERPOLATE) return E_INVALIDARG;
  }
  return S_OK;
}

HRESULT PropertySetter::CopyValues(const DEXTER_VALUE* values, LONG count, std::vector<DEXTER_VALUE>* copies) {
  copies->reserve(count);
  for (LONG i = 0; i < count; ++i) {
    DEXTER_VALUE copy = values[i];
    VariantInit(&copy.v);
    HRESULT hr = VariantCopy(&copy.v, const_cast<VARIANT*>(&values[i].v));
    if (FAILED(hr)) {
      ClearValues(copies);
      return hr;
    }
    copies->push_back(copy);
  }
  std::stable_sort(copies->begin(), copies->end(),
                   [](const DEXTER_VALUE& a, const DEXTER_VALUE& b) { return a.rt < b.rt; });
  return S_OK;
}

void PropertySetter::ClearValues(std::vector<DEXTER_VALUE>* values) {
  for (DEXTER_VALUE& value : *values) VariantClear(&value.v);
  values->clear();
}

PropertySetter::Param* PropertySetter::Find(const wchar_t* name) {
  for (Param& param : params_) {
    if (CompareStringOrdinal(param.name.c_str(), -1, name, -1, TRUE) == CSTR_EQUAL) return &param;
  }
  return nullptr;
}

STDMETHODIMP PropertySetter::AddProp(DEXTER_PARAM param, DEXTER_VALUE* values) {
  HRESULT hr = CheckValues(param, values);
  if (FAILED(hr)) return hr;
  std::vector<DEXTER_VALUE> copies;
  hr = CopyValues(values, param.nValues, &copies);
  if (FAILED(hr)) return hr;
  Param* existing = Find(param.Name);
  if (!existing) {
    params_.emplace_back();
    existing = &params_.back();
  }
  ClearValues(&existing->values);
  existing->name = param.Name;  // up to the first zero: plain strings work too
  existing->dispId = param.dispID;
  existing->values = std::move(copies);
  return S_OK;
}

STDMETHODIMP PropertySetter::ClearProps() {
  for (Param& param : params_) ClearValues(&param.values);
  params_.clear();
  return S_OK;
}

// --- Reading back ---

STDMETHODIMP PropertySetter::GetProps(LONG* count, DEXTER_PARAM** params, DEXTER_VALUE** values) {
  if (!count || !params || !values) return E_POINTER;
  *count = 0;
  *params = nullptr;
  *values = nullptr;
  if (params_.empty()) return S_OK;
  size_t total = 0;
  for (const Param& param : params_) total += param.values.size();
  auto* outParams = static_cast<DEXTER_PARAM*>(CoTaskMemAlloc(params_.size() * sizeof(DEXTER_PARAM)));
  auto* outValues = static_cast<DEXTER_VALUE*>(CoTaskMemAlloc(total * sizeof(DEXTER_VALUE)));
  if (!outParams || !outValues) {
    CoTaskMemFree(outParams);
    CoTaskMemFree(outValues);
    return E_OUTOFMEMORY;
  }
  // Filled so that FreeProps can undo any prefix of the work.
  LONG made = 0;
  size_t next = 0;
  HRESULT hr = S_OK;
  for (const Param& param : params_) {
    DEXTER_PARAM& out = outParams[made];
    out.Name = SysAllocStringLen(param.name.data(), static_cast<UINT>(param.name.size()));
    out.dispID = param.dispId;
    out.nValues = 0;
    ++made;
    if (!out.Name) hr = E_OUTOFMEMORY;
    for (const DEXTER_VALUE& value : param.values) {
      if (FAILED(hr)) break;
      DEXTER_VALUE& copy = outValues[next];
      copy = value;
      VariantInit(&copy.v);
      hr = VariantCopy(&copy.v, const_cast<VARIANT*>(&value.v));
      if (FAILED(hr)) break;
      ++next;
      ++out.nValues;
    }
    if (FAILED(hr)) break;
  }
  if (FAILED(hr)) {
    FreeProps(made, outParams, outValues);
    return hr;
  }
  *count = made;
  *params = outParams;
  *values = outValues;
  return S_OK;
}

STDMETHODIMP PropertySetter::FreeProps(LONG count, DEXTER_PARAM* params, DEXTER_VALUE* values) {
  LONG next = 0;
  for (LONG i = 0; params && i < count; ++i) {
    SysFreeString(params[i].Name);
    for (LONG j = 0; values && j < params[i].nValues; ++j) VariantClear(&values[next + j].v);
    next += std::max<LONG>(params[i].nValues, 0);
  }
  CoTaskMemFree(params);
  CoTaskMemFree(values);
  return S_OK;
}

// --- Cloning ---

HRESULT PropertySetter::CloneParam(const Param& param, const PropertyEvaluator& evaluator,
                                   REFERENCE_TIME start, REFERENCE_TIME stop, IPropertySetter* target) {
  std::vector<DEXTER_VALUE> values(1);
  values[0].rt = 0;
  values[0].dwInterp = DEXTERF_JUMP;
  HRESULT hr = evaluator.ValueAt(param.name.c_str(), start, &values[0].v);
  for (const DEXTER_VALUE& value : param.values) {
    if (FAILED(hr)) break;
    if (value.rt <= start || (stop > start && value.rt >= stop)) continue;
    DEXTER_VALUE shifted = value;  // shares the VARIANT: AddProp copies it
    shifted.rt = value.rt - start;
    values.push_back(shifted);
  }
  if (SUCCEEDED(hr)) {
    BSTR name = SysAllocStringLen(param.name.data(), static_cast<UINT>(param.name.size()));
    DEXTER_PARAM out = {name, param.dispId, static_cast<LONG>(values.size())};
    hr = name ? target->AddProp(out, values.data()) : E_OUTOFMEMORY;
    SysFreeString(name);
  }
  VariantClear(&values[0].v);
  return hr;
}

STDMETHODIMP PropertySetter::CloneProps(IPropertySetter** setter, REFERENCE_TIME start,
                                        REFERENCE_TIME stop) {
  if (!setter) return E_POINTER;
  *setter = nullptr;
  if (start < 0) return E_INVALIDARG;
  PropertyEvaluator evaluator;
  HRESULT hr = evaluator.Load(this);
  ComPtr<IPropertySetter> clone;
  if (SUCCEEDED(hr)) hr = CreateInstance(IID_IPropertySetter, clone.ReceiveVoid());
  for (const Param& param : params_) {
    if (FAILED(hr)) break;
    hr = CloneParam(param, evaluator, start, stop, clone.Get());
  }
  if (FAILED(hr)) return hr;
  *setter = clone.Detach();
  return S_OK;
}

// --- Not offered ---

STDMETHODIMP PropertySetter::LoadXML(IUnknown*) { return E_NOTIMPL; }
STDMETHODIMP PropertySetter::PrintXML(char*, int, int*, int) { return E_NOTIMPL; }
STDMETHODIMP PropertySetter::PrintXMLW(WCHAR*, int, int*, int) { return E_NOTIMPL; }
STDMETHODIMP PropertySetter::SaveToBlob(LONG*, BYTE**) { return E_NOTIMPL; }
STDMETHODIMP PropertySetter::LoadFromBlob(LONG, BYTE*) { return E_NOTIMPL; }
STDMETHODIMP PropertySetter::SetProps(IUnknown*, REFERENCE_TIME) { return E_NOTIMPL; }
