#include "ParamElements.h"

#include "AttributeReader.h"
#include "ElementAttributes.h"
#include "LoadProblems.h"
#include "ProjectValues.h"
#include "VariantText.h"
#include "XmlElement.h"
#include "XmlWriter.h"

HRESULT ParamElements::Write(IPropertySetter* setter, XmlWriter& xml) {
  LONG count = 0;
  DEXTER_PARAM* params = nullptr;
  DEXTER_VALUE* values = nullptr;
  HRESULT hr = setter->GetProps(&count, &params, &values);
  if (FAILED(hr)) return hr;
  LONG next = 0;
  for (LONG i = 0; i < count; ++i) {
    const DEXTER_PARAM& param = params[i];
    const DEXTER_VALUE* first = values + next;
    next += param.nValues > 0 ? param.nValues : 0;
    xml.Begin(L"param");
    WriteTextAttribute(xml, L"name", std::wstring(param.Name, SysStringLen(param.Name)));
    if (param.dispID) xml.Attribute(L"dispid", std::to_wstring(param.dispID));
    LONG child = 0;
    if (param.nValues > 0 && first->rt == 0 && first->dwInterp == DEXTERF_JUMP) {
      WriteValue(*first, xml);
      child = 1;
    }
    for (; child < param.nValues; ++child) {
      const DEXTER_VALUE& value = first[child];
      xml.Begin(value.dwInterp == DEXTERF_INTERPOLATE ? L"linear" : L"at");
      xml.Attribute(L"time", FormatTime(value.rt));
      WriteValue(value, xml);
      xml.End();
    }
    xml.End();
  }
  setter->FreeProps(count, params, values);
  return S_OK;
}

// Values without a text form (interfaces, arrays) are written empty.
void ParamElements::WriteValue(const DEXTER_VALUE& value, XmlWriter& xml) {
  std::wstring text;
  VARTYPE type = value.v.vt;
  if (!VariantToText(value.v, &text)) type = VT_EMPTY;
  WriteTextAttribute(xml, L"value", text);
  if (type != VT_BSTR) xml.Attribute(L"vt", std::to_wstring(type));
}

bool ParamElements::ReadValue(const XmlElement& element, VARIANT* value, LoadProblems& problems) {
  AttributeReader reader(element, problems);
  std::wstring text;
  if (!reader.Text(L"value", &text)) {
    problems.Report(L"<" + element.Name() + L"> without a value skipped", VFW_E_INVALID_FILE_FORMAT);
    return false;
  }
  long type = VT_BSTR;
  if (reader.Has(L"vt")) {
    if (!reader.Integer(L"vt", 0, 0xFFFF, &type)) {
      type = VT_BSTR;
    } else if (!IsTextVariantType(VARTYPE(type))) {
      reader.Reject(L"vt", DISP_E_BADVARTYPE);
      type = VT_BSTR;
    }
  }
  HRESULT hr = TextToVariant(text, VARTYPE(type), value);
  if (FAILED(hr)) {
    problems.Report(DEX_IDS_ILLEGAL_PROPERTY_VAL, L"unusable value \"" + text.substr(0, 40) + L"\" of <" +
                        element.Name() + L"> skipped", hr, text);
    return false;
  }
  return true;
}

void ParamElements::ReadTimedValues(const XmlElement& param, std::vector<DEXTER_VALUE>* values,
                                    LoadProblems& problems) {
  for (XmlElement child = param.FirstChild(); !child.IsNull(); child = child.NextSibling()) {
    bool linear = child.Name() == L"linear";
    if (!linear && child.Name() != L"at") {
      problems.Report(L"unknown element <" + child.Name() + L"> in <param> skipped", VFW_E_INVALID_FILE_FORMAT);
      continue;
    }
    ElementAttributes::ReportUnknown(child, problems);
    DEXTER_VALUE value = {};
    value.dwInterp = linear ? DEXTERF_INTERPOLATE : DEXTERF_JUMP;
    AttributeReader reader(child, problems);
    if (!reader.Time(L"time", &value.rt)) {
      problems.Report(L"<" + child.Name() + L"> without a usable time skipped", VFW_E_INVALID_FILE_FORMAT);
      continue;
    }
    if (ReadValue(child, &value.v, problems)) values->push_back(value);
  }
}

HRESULT ParamElements::Read(const XmlElement& param, IPropertySetter* setter, LoadProblems& problems) {
  ElementAttributes::ReportUnknown(param, problems);
  AttributeReader reader(param, problems);
  std::wstring name;
  if (!reader.Text(L"name", &name) || name.empty()) {
    problems.Report(L"<param> without a name skipped", VFW_E_INVALID_FILE_FORMAT);
    return S_FALSE;
  }
  long dispId = 0;
  if (reader.Has(L"dispid")) reader.Integer(L"dispid", LONG_MIN, LONG_MAX, &dispId);
  std::vector<DEXTER_VALUE> values;
  if (reader.Has(L"value")) {
    DEXTER_VALUE first = {};
    if (ReadValue(param, &first.v, problems)) values.push_back(first);
  }
  ReadTimedValues(param, &values, problems);
  HRESULT hr = S_FALSE;
  if (values.empty()) {
    problems.Report(L"<param name=\"" + name + L"\"> without values skipped", VFW_E_INVALID_FILE_FORMAT);
  } else {
    BSTR bstrName = SysAllocStringLen(name.data(), static_cast<UINT>(name.size()));
    DEXTER_PARAM entry = {bstrName, dispId, static_cast<LONG>(values.size())};
    hr = bstrName ? setter->AddProp(entry, values.data()) : E_OUTOFMEMORY;
    SysFreeString(bstrName);
    if (FAILED(hr) && hr != E_OUTOFMEMORY) {
      problems.Report(DEX_IDS_ILLEGAL_PROPERTY_VAL, L"<param name=\"" + name + L"\"> not accepted and skipped", hr,
                      name);
      hr = S_FALSE;
    }
  }
  ClearValues(&values);
  return hr;
}

void ParamElements::ClearValues(std::vector<DEXTER_VALUE>* values) {
  for (DEXTER_VALUE& value : *values) VariantClear(&value.v);
  values->clear();
}
