#include "PropertySetter.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "ComPtr.h"
#include "EngineLimits.h"
#include "EngineObjects.h"
#include "LoadProblems.h"
#include "ParamElements.h"
#include "PropertyEvaluator.h"
#include "VariantText.h"
#include "XmlElement.h"
#include "XmlWriter.h"

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
  if (count) *count = 0;
  if (params) *params = nullptr;
  if (values) *values = nullptr;
  if (!count || !params || !values) return E_POINTER;
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

// --- XML, blobs and targets ---

namespace {

constexpr wchar_t kBlobRoot[] = L"properties";

// The parameters as <param> elements, the outermost `indent` levels in.
HRESULT ParamsText(IPropertySetter* setter, int indent, std::wstring* text) {
  XmlWriter xml(indent > 0 ? indent : 0);
  HRESULT hr = ParamElements::Write(setter, xml);
  if (SUCCEEDED(hr)) *text = xml.Text();
  return hr;
}

std::string Utf8(const std::wstring& text) {
  int length = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                   nullptr);
  std::string bytes(length, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), &bytes[0], length, nullptr, nullptr);
  return bytes;
}

// Copies text and its terminator into a caller's buffer of `room` units, or
// leaves it empty and answers E_OUTOFMEMORY, as the reference has it.
template <typename Char, typename Text>
HRESULT CopyOut(const Text& text, Char* out, int room, int* printed) {
  if (printed) *printed = 0;
  if (room <= 0) return E_OUTOFMEMORY;
  out[0] = 0;
  if (text.size() >= static_cast<size_t>(room)) return E_OUTOFMEMORY;
  std::copy(text.begin(), text.end(), out);
  out[text.size()] = 0;
  if (printed) *printed = static_cast<int>(text.size());
  return S_OK;
}

}  // namespace

STDMETHODIMP PropertySetter::PrintXMLW(WCHAR* xml, int size, int* printed, int indent) {
  if (!xml) return E_POINTER;
  std::wstring text;
  HRESULT hr = ParamsText(this, indent, &text);
  if (FAILED(hr)) return hr;
  return CopyOut(text, xml, size, printed);
}

// The same text in UTF-8, so no name or value is lost to a code page.
STDMETHODIMP PropertySetter::PrintXML(char* xml, int size, int* printed, int indent) {
  if (!xml) return E_POINTER;
  std::wstring text;
  HRESULT hr = ParamsText(this, indent, &text);
  if (FAILED(hr)) return hr;
  return CopyOut(Utf8(text), xml, size, printed);
}

// Reads the <param> children of an element (an effect's, a transition's, or
// a blob's root), or the element itself when it is a <param>.
HRESULT PropertySetter::LoadParams(const XmlElement& element) {
  LoadProblems problems(nullptr);
  bool found = false, added = false;
  auto read = [&](const XmlElement& param) {
    found = true;
    HRESULT hr = ParamElements::Read(param, this, problems);
    added = added || hr == S_OK;
    return hr;
  };
  if (element.Name() == L"param") {
    HRESULT hr = read(element);
    if (FAILED(hr)) return hr;
  }
  for (XmlElement child = element.FirstChild(); !child.IsNull() && element.Name() != L"param";
       child = child.NextSibling()) {
    if (child.Name() != L"param") continue;
    HRESULT hr = read(child);
    if (FAILED(hr)) return hr;
  }
  if (!found) return S_FALSE;
  return added ? S_OK : VFW_E_INVALID_FILE_FORMAT;
}

STDMETHODIMP PropertySetter::LoadXML(IUnknown* xml) {
  if (!xml) return E_POINTER;
  XmlElement element = XmlElement::FromUnknown(xml);
  if (element.IsNull()) return VFW_E_INVALID_FILE_FORMAT;
  return LoadParams(element);
}

// The blob is the parameters as XML in UTF-8: nothing is cut short.
STDMETHODIMP PropertySetter::SaveToBlob(LONG* size, BYTE** blob) {
  if (size) *size = 0;
  if (blob) *blob = nullptr;
  if (!size || !blob) return E_POINTER;
  XmlWriter xml;
  xml.Begin(kBlobRoot);
  HRESULT hr = ParamElements::Write(this, xml);
  if (FAILED(hr)) return hr;
  xml.End();
  std::string bytes = xml.Utf8Document();
  *blob = static_cast<BYTE*>(CoTaskMemAlloc(bytes.size()));
  if (!*blob) return E_OUTOFMEMORY;
  memcpy(*blob, bytes.data(), bytes.size());
  *size = static_cast<LONG>(bytes.size());
  return S_OK;
}

// Replaces every parameter, or changes nothing when the blob cannot be read.
STDMETHODIMP PropertySetter::LoadFromBlob(LONG size, BYTE* blob) {
  if (size < 0) return E_INVALIDARG;
  if (!blob && size) return E_POINTER;
  XmlElement root;
  if (!size || FAILED(XmlElement::Parse(std::string(reinterpret_cast<char*>(blob), size), &root)) ||
      root.Name() != kBlobRoot) {
    return VFW_E_INVALID_FILE_FORMAT;
  }
  ComPtr<IPropertySetter> loaded;
  HRESULT hr = CreateInstance(IID_IPropertySetter, loaded.ReceiveVoid());
  if (FAILED(hr)) return hr;
  auto* own = static_cast<PropertySetter*>(loaded.Get());
  hr = own->LoadParams(root);
  if (FAILED(hr)) return hr;
  ClearProps();
  params_.swap(own->params_);
  return S_OK;
}

HRESULT PropertySetter::SetProp(IDispatch* target, const Param& param, const PropertyEvaluator& evaluator,
                                REFERENCE_TIME time) {
  DISPID id = param.dispId;
  if (!id) {
    auto* name = const_cast<LPOLESTR>(param.name.c_str());
    HRESULT hr = target->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id);
    if (FAILED(hr)) return hr;
  }
  VARIANT value;
  VariantInit(&value);
  HRESULT hr = evaluator.ValueAt(param.name.c_str(), time, &value);
  if (FAILED(hr)) return hr;
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS arguments = {&value, &put, 1, 1};
  hr = target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYPUT, &arguments, nullptr, nullptr,
                      nullptr);
  VariantClear(&value);
  return hr;
}

// At -1 only the parameters that do not change over time are set.
STDMETHODIMP PropertySetter::SetProps(IUnknown* target, REFERENCE_TIME now) {
  if (!target) return E_POINTER;
  if (now < -1) return E_INVALIDARG;
  ComPtr<IDispatch> dispatch;
  HRESULT hr = target->QueryInterface(IID_IDispatch, dispatch.ReceiveVoid());
  if (FAILED(hr)) return hr;
  PropertyEvaluator evaluator;
  hr = evaluator.Load(this);
  for (const Param& param : params_) {
    if (FAILED(hr)) break;
    if (now == -1 && param.values.size() != 1) continue;
    hr = SetProp(dispatch.Get(), param, evaluator, now < 0 ? 0 : now);
  }
  return hr;
}
