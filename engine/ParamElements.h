// Property-setter parameters as <param> elements. A parameter whose first
// value is at time 0 and jumps keeps it in the param's value attribute, as
// the format has it; every further value is an <at> (jump) or <linear>
// (interpolate) child with its time. A parameter whose first value is not
// like that has no value attribute and lists all its values as children, so
// nothing is lost. Values that are not strings carry their VARTYPE in a vt
// attribute; a nonzero dispID is kept in dispid.
#pragma once

#include <vector>

#include "EditingServices.h"

class LoadProblems;
class XmlElement;
class XmlWriter;

class ParamElements {
 public:
  static HRESULT Write(IPropertySetter* setter, XmlWriter& xml);
  // Adds the parameter of one <param> element to the setter; what cannot be
  // used is reported and skipped. S_FALSE when nothing was added.
  static HRESULT Read(const XmlElement& param, IPropertySetter* setter, LoadProblems& problems);

 private:
  static void WriteValue(const DEXTER_VALUE& value, XmlWriter& xml);
  static bool ReadValue(const XmlElement& element, VARIANT* value, LoadProblems& problems);
  static void ReadTimedValues(const XmlElement& param, std::vector<DEXTER_VALUE>* values, LoadProblems& problems);
  static void ClearValues(std::vector<DEXTER_VALUE>* values);
};
