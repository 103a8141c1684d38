#include "TimelineDescription.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

#include "ComPtr.h"
#include "Timeline.h"

namespace {

template <class I>
ComPtr<I> Query(IUnknown* object, REFIID iid) {
  ComPtr<I> result;
  object->QueryInterface(iid, result.ReceiveVoid());
  return result;
}

void Append(std::wstring& out, const wchar_t* format, ...) {
  wchar_t buffer[512];
  va_list arguments;
  va_start(arguments, format);
  vswprintf(buffer, 512, format, arguments);
  va_end(arguments);
  out += buffer;
}

// Printable ASCII as it is, every other code unit (zeros included) as \uXXXX.
void AppendText(std::wstring& out, const wchar_t* text, size_t length) {
  out += L'\'';
  for (size_t i = 0; i < length; ++i) {
    wchar_t c = text[i];
    if (c >= 0x20 && c < 0x7F && c != L'\\' && c != L'\'') {
      out += c;
    } else {
      Append(out, L"\\u%04x", static_cast<unsigned>(c));
    }
  }
  out += L'\'';
}

// Takes ownership of the BSTR.
void AppendBstr(std::wstring& out, BSTR text) {
  AppendText(out, text ? text : L"", text ? SysStringLen(text) : 0);
  SysFreeString(text);
}

void AppendGuid(std::wstring& out, const GUID& guid) {
  wchar_t text[40];
  StringFromGUID2(guid, text, 40);
  out += text;
}

void AppendHex(std::wstring& out, const BYTE* bytes, size_t count) {
  for (size_t i = 0; i < count; ++i) Append(out, L"%02x", bytes[i]);
}

// The bytes a variant type's value takes; the rest of the union is noise.
size_t ValueSize(VARTYPE type) {
  switch (type) {
    case VT_I1: case VT_UI1: return 1;
    case VT_I2: case VT_UI2: case VT_BOOL: return 2;
    case VT_I4: case VT_UI4: case VT_INT: case VT_UINT: case VT_R4: case VT_ERROR: return 4;
    case VT_I8: case VT_UI8: case VT_R8: case VT_DATE: case VT_CY: return 8;
    default: return 0;
  }
}

void AppendVariant(std::wstring& out, const VARIANT& value) {
  Append(out, L"vt%d:", value.vt);
  if (value.vt == VT_BSTR) {
    AppendText(out, value.bstrVal ? value.bstrVal : L"", value.bstrVal ? SysStringLen(value.bstrVal) : 0);
  } else if (value.vt == VT_DECIMAL) {
    const DECIMAL& d = value.decVal;
    Append(out, L"%u/%u/%lu/%llu", d.scale, d.sign, d.Hi32, d.Lo64);
  } else {
    AppendHex(out, reinterpret_cast<const BYTE*>(&value.llVal), ValueSize(value.vt));
  }
}

// A setter without parameters describes as none: projects keep parameters, not setters.
void DescribeParams(IAMTimelineObj* object, std::wstring& out) {
  ComPtr<IPropertySetter> setter;
  if (object->GetPropertySetter(setter.Receive()) != S_OK || !setter) return;
  LONG count = 0;
  DEXTER_PARAM* params = nullptr;
  DEXTER_VALUE* values = nullptr;
  if (FAILED(setter->GetProps(&count, &params, &values))) {
    out += L"  params unreadable\n";
    return;
  }
  for (LONG i = 0, next = 0; i < count; ++i) {
    out += L"  param ";
    AppendBstr(out, SysAllocStringLen(params[i].Name, SysStringLen(params[i].Name)));
    Append(out, L" dispid=%ld:", params[i].dispID);
    for (LONG j = 0; j < params[i].nValues; ++j, ++next) {
      Append(out, L" %lld/%lu=", values[next].rt, values[next].dwInterp);
      AppendVariant(out, values[next].v);
    }
    out += L"\n";
  }
  setter->FreeProps(count, params, values);
}

void DescribeCommon(IAMTimelineObj* object, std::wstring& out) {
  BSTR name = nullptr;
  BOOL locked = FALSE, muted = FALSE;
  GUID guid = GUID_NULL;
  long id = 0, size = 0;
  REFERENCE_TIME start = 0, stop = 0;
  object->GetUserName(&name);
  AppendBstr(out, name);
  object->GetLocked(&locked);
  object->GetMuted(&muted);
  object->GetSubObjectGUID(&guid);
  object->GetUserID(&id);
  object->GetStartStop(&start, &stop);
  Append(out, L" locked=%d muted=%d id=%ld span=%lld-%lld clsid=", locked, muted, id, start, stop);
  AppendGuid(out, guid);
  object->GetUserData(nullptr, &size);
  std::vector<BYTE> data(size + 1);
  object->GetUserData(data.data(), &size);
  out += L" data=";
  AppendHex(out, data.data(), size);
  out += L"\n";
  DescribeParams(object, out);
}

void DescribeGroup(IAMTimelineGroup* group, std::wstring& out) {
  double fps = 0;
  BOOL preview = FALSE;
  int buffering = 0;
  AM_MEDIA_TYPE type = {};
  group->GetOutputFPS(&fps);
  group->GetPreviewMode(&preview);
  group->GetOutputBuffering(&buffering);
  HRESULT hr = group->GetMediaType(&type);
  BSTR name = nullptr;
  group->GetGroupName(&name);
  out += L"group name=";
  AppendBstr(out, name);
  Append(out, L" fps=%.17g preview=%d buffering=%d type(0x%08lx) ", fps, preview, buffering, hr);
  AppendGuid(out, type.majortype);
  AppendGuid(out, type.subtype);
  AppendGuid(out, type.formattype);
  Append(out, L" %d %d %lu format=", type.bFixedSizeSamples, type.bTemporalCompression, type.lSampleSize);
  if (type.pbFormat) AppendHex(out, type.pbFormat, type.cbFormat);
  CoTaskMemFree(type.pbFormat);
  if (type.pUnk) type.pUnk->Release();
  out += L" ";
}

void DescribeSource(IAMTimelineSrc* source, std::wstring& out) {
  BSTR media = nullptr;
  REFERENCE_TIME start = 0, stop = 0, length = 0;
  long stream = 0;
  int stretch = 0;
  double fps = 0;
  source->GetMediaName(&media);
  out += L"clip ";
  AppendBstr(out, media);
  source->GetMediaTimes(&start, &stop);
  source->GetMediaLength(&length);
  source->GetStreamNumber(&stream);
  source->GetStretchMode(&stretch);
  source->GetDefaultFPS(&fps);
  Append(out, L" media=%lld-%lld length=%lld stream=%ld stretch=%d fps=%.17g ", start, stop, length, stream,
         stretch, fps);
}

void DescribeTransition(IAMTimelineTrans* transition, std::wstring& out) {
  REFERENCE_TIME cut = 0;
  BOOL swap = FALSE, cutsOnly = FALSE;
  transition->GetCutPoint(&cut);
  transition->GetSwapInputs(&swap);
  transition->GetCutsOnly(&cutsOnly);
  Append(out, L"transition cut=%lld swap=%d cutsonly=%d ", cut, swap, cutsOnly);
}

void DescribeNode(IAMTimelineObj* object, int depth, std::wstring& out);

void DescribeLayers(IAMTimelineObj* object, int depth, std::wstring& out) {
  auto comp = Query<IAMTimelineComp>(object, IID_IAMTimelineComp);
  long count = 0;
  if (!comp || FAILED(comp->VTrackGetCount(&count))) return;
  for (long i = 0; i < count; ++i) {
    ComPtr<IAMTimelineObj> layer;
    comp->GetVTrack(layer.Receive(), i);
    if (layer) DescribeNode(layer.Get(), depth + 1, out);
  }
}

void DescribeSources(IAMTimelineObj* object, int depth, std::wstring& out) {
  auto track = Query<IAMTimelineTrack>(object, IID_IAMTimelineTrack);
  if (!track) return;
  ComPtr<IAMTimelineObj> source;
  for (ComPtr<IAMTimelineObj> next; track->GetNextSrcEx(source.Get(), next.Receive()) == S_OK; source = next) {
    DescribeNode(next.Get(), depth + 1, out);
  }
}

void DescribeEffects(IAMTimelineObj* object, int depth, std::wstring& out) {
  auto effectable = Query<IAMTimelineEffectable>(object, IID_IAMTimelineEffectable);
  long count = 0;
  if (!effectable || FAILED(effectable->EffectGetCount(&count))) return;
  for (long i = 0; i < count; ++i) {
    ComPtr<IAMTimelineObj> effect;
    effectable->GetEffect(effect.Receive(), i);
    if (effect) DescribeNode(effect.Get(), depth + 1, out);
  }
}

void DescribeTransitions(IAMTimelineObj* object, int depth, std::wstring& out) {
  auto transable = Query<IAMTimelineTransable>(object, IID_IAMTimelineTransable);
  if (!transable) return;
  REFERENCE_TIME time = 0;
  for (ComPtr<IAMTimelineObj> transition; transable->GetNextTrans(transition.Receive(), &time) == S_OK;) {
    DescribeNode(transition.Get(), depth + 1, out);
  }
}

void DescribeNode(IAMTimelineObj* object, int depth, std::wstring& out) {
  TIMELINE_MAJOR_TYPE type = TIMELINE_MAJOR_TYPE(0);
  object->GetTimelineType(&type);
  Append(out, L"%*ls[%d] ", depth * 2, L"", type);
  if (auto group = Query<IAMTimelineGroup>(object, IID_IAMTimelineGroup)) DescribeGroup(group.Get(), out);
  if (auto source = Query<IAMTimelineSrc>(object, IID_IAMTimelineSrc)) DescribeSource(source.Get(), out);
  if (auto transition = Query<IAMTimelineTrans>(object, IID_IAMTimelineTrans)) {
    DescribeTransition(transition.Get(), out);
  }
  DescribeCommon(object, out);
  DescribeLayers(object, depth, out);
  DescribeSources(object, depth, out);
  DescribeEffects(object, depth, out);
  DescribeTransitions(object, depth, out);
}

}  // namespace

std::wstring DescribeTimeline(IAMTimeline* timeline) {
  double fps = 0;
  BOOL effects = FALSE, transitions = FALSE;
  GUID effect = GUID_NULL, transition = GUID_NULL;
  long insertMode = 0;
  timeline->GetDefaultFPS(&fps);
  timeline->EffectsEnabled(&effects);
  timeline->TransitionsEnabled(&transitions);
  timeline->GetDefaultEffect(&effect);
  timeline->GetDefaultTransition(&transition);
  timeline->GetInsertMode(&insertMode);
  std::wstring out;
  Append(out, L"timeline fps=%.17g fx=%d trans=%d insert=%ld ", fps, effects, transitions, insertMode);
  AppendGuid(out, effect);
  AppendGuid(out, transition);
  out += L"\n";
  if (Timeline* own = Timeline::FromObject(timeline)) {
    out += L"labels ";
    DescribeCommon(own->Labels(), out);
  }
  long count = 0;
  timeline->GetGroupCount(&count);
  for (long i = 0; i < count; ++i) {
    ComPtr<IAMTimelineObj> group;
    timeline->GetGroup(group.Receive(), i);
    if (group) DescribeNode(group.Get(), 0, out);
  }
  return out;
}
