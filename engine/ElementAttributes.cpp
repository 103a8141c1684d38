#include "ElementAttributes.h"

#include <string>

#include "LoadProblems.h"
#include "XmlElement.h"

namespace {

#define LABELS L" username exactusername lock mute userid userdata"
#define RATE L" framerate exactframerate"
#define SPAN L" clsid start stop"

struct Known {
  const wchar_t* element;
  const wchar_t* attributes;  // each between spaces
};

const Known kKnown[] = {
    {L"timeline", LABELS RATE L" enablefx enabletrans defaultfx defaulttrans insertmode "},
    {L"group", LABELS RATE L" clsid name exactname type width height bitdepth samplingrate previewmode buffering"
                          L" majortype subtype formattype fixedsizesamples temporalcompression samplesize format "},
    {L"composite", LABELS L" clsid "},
    {L"track", LABELS L" clsid "},
    {L"clip", LABELS RATE SPAN L" mstart mstop mlength src exactsrc stream stretchmode "},
    {L"effect", LABELS SPAN L" "},
    {L"transition", LABELS SPAN L" cutpoint swapinputs cutsonly "},
    {L"param", L" name exactname value exactvalue vt dispid "},
    {L"at", L" time value exactvalue vt "},
    {L"linear", L" time value exactvalue vt "},
};

// Namespace declarations and the xml: attributes belong to XML itself.
bool BelongsToXml(const std::wstring& name) {
  return name.compare(0, 5, L"xmlns") == 0 || name.compare(0, 4, L"xml:") == 0;
}

}  // namespace

void ElementAttributes::ReportUnknown(const XmlElement& element, LoadProblems& problems) {
  std::wstring known;
  for (const Known& entry : kKnown) {
    if (element.Name() == entry.element) known = entry.attributes;
  }
  for (const auto& attribute : element.Attributes()) {
    const std::wstring& name = attribute.first;
    if (BelongsToXml(name) || known.find(L" " + name + L" ") != std::wstring::npos) continue;
    problems.Report(L"unknown attribute " + name + L" of <" + element.Name() + L"> ignored", VFW_E_INVALID_FILE_FORMAT);
  }
}
