// The property setter: named parameters of an effect, transition or other
// timeline object, each a list of values with the time (relative to the
// object's start) from which it applies and how it is reached.
//
// AddProp with the name of a parameter already held (letter case ignored, as
// property names are) replaces that parameter's values in its place; a
// parameter's values are kept in time order (a stable sort, so values given
// for one time keep their order). Any first value is accepted: before it the
// first value holds, so its time and flag need not be 0 and DEXTERF_JUMP.
// Values at negative times or later than kLatestTime, flags other than
// DEXTERF_JUMP and DEXTERF_INTERPOLATE, and numbers a project cannot store
// exactly (not finite, see HasExactText) are rejected with E_INVALIDARG;
// values of types a project cannot store (interfaces, arrays, references,
// see IsTextVariantType) with DISP_E_BADVARTYPE.
//
// PrintXML(W) and LoadXML use the project format's <param> elements (PrintXML
// in UTF-8, sizes in bytes; PrintXMLW in characters); a blob is the same
// elements as an XML document, so nothing is cut short.
#pragma once

#include <string>
#include <vector>

#include "EditingServices.h"

class PropertyEvaluator;
class XmlElement;

class PropertySetter final : public IPropertySetter {
 public:
  static HRESULT CreateInstance(REFIID iid, void** object);

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IPropertySetter
  STDMETHODIMP LoadXML(IUnknown* xml) override;
  STDMETHODIMP PrintXML(char* xml, int size, int* printed, int indent) override;
  // Values at or after start and before stop (no upper bound when stop is
  // not after start), shifted by -start, after a first value at 0 that is
  // the parameter's value at start.
  STDMETHODIMP CloneProps(IPropertySetter** setter, REFERENCE_TIME start,
                          REFERENCE_TIME stop) override;
  STDMETHODIMP AddProp(DEXTER_PARAM param, DEXTER_VALUE* values) override;
  // Arrays from CoTaskMemAlloc with copies of every name and value; free
  // them with FreeProps. No parameters give a count of 0 and null arrays.
  STDMETHODIMP GetProps(LONG* count, DEXTER_PARAM** params, DEXTER_VALUE** values) override;
  STDMETHODIMP FreeProps(LONG count, DEXTER_PARAM* params, DEXTER_VALUE* values) override;
  STDMETHODIMP ClearProps() override;
  STDMETHODIMP SaveToBlob(LONG* size, BYTE** blob) override;
  STDMETHODIMP LoadFromBlob(LONG size, BYTE* blob) override;
  STDMETHODIMP SetProps(IUnknown* target, REFERENCE_TIME now) override;
  STDMETHODIMP PrintXMLW(WCHAR* xml, int size, int* printed, int indent) override;

 private:
  struct Param {
    std::wstring name;
    DISPID dispId = 0;
    std::vector<DEXTER_VALUE> values;  // owned VARIANTs, in time order
  };

  PropertySetter();
  ~PropertySetter();
  PropertySetter(const PropertySetter&) = delete;
  PropertySetter& operator=(const PropertySetter&) = delete;

  static HRESULT CheckValues(const DEXTER_PARAM& param, const DEXTER_VALUE* values);
  static HRESULT CopyValues(const DEXTER_VALUE* values, LONG count, std::vector<DEXTER_VALUE>* copies);
  static void ClearValues(std::vector<DEXTER_VALUE>* values);
  Param* Find(const wchar_t* name);
  HRESULT LoadParams(const XmlElement& element);
  static HRESULT SetProp(IDispatch* target, const Param& param, const PropertyEvaluator& evaluator,
                         REFERENCE_TIME time);
  static HRESULT CloneParam(const Param& param, const PropertyEvaluator& evaluator,
                            REFERENCE_TIME start, REFERENCE_TIME stop, IPropertySetter* target);

  volatile LONG references_ = 1;
  std::vector<Param> params_;
};
