#include "ProjectWriter.h"

#include <vector>

#include "ComPtr.h"
#include "MediaType.h"
#include "MediaTypeAttributes.h"
#include "ParamElements.h"
#include "ProjectValues.h"
#include "Timeline.h"

namespace {

// Takes ownership of a BSTR and gives its text.
std::wstring TakeText(BSTR text) {
  std::wstring result;
  if (text) result.assign(text, SysStringLen(text));
  SysFreeString(text);
  return result;
}

}  // namespace

HRESULT ProjectWriter::Write(IAMTimeline* timeline) {
  if (!timeline) return E_POINTER;
  xml_ = XmlWriter();
  xml_.Begin(L"timeline");
  HRESULT hr = WriteTimelineAttributes(timeline);
  long count = 0;
  if (SUCCEEDED(hr)) hr = timeline->GetGroupCount(&count);
  for (long i = 0; SUCCEEDED(hr) && i < count; ++i) {
    ComPtr<IAMTimelineObj> group;
    hr = timeline->GetGroup(group.Receive(), i);
    if (SUCCEEDED(hr)) hr = WriteGroup(group.Get());
  }
  xml_.End();
  return hr;
}

void ProjectWriter::WriteRate(const wchar_t* name, double rate) {
  std::wstring text = FormatRate(rate);
  xml_.Attribute(name, text);
  double readBack;
  if (!ParseRate(text.c_str(), &readBack) || readBack != rate) {
    xml_.Attribute((L"exact" + std::wstring(name)).c_str(), FormatExactNumber(rate));
  }
}

// Settings some timelines do not keep are left out rather than failing.
HRESULT ProjectWriter::WriteTimelineAttributes(IAMTimeline* timeline) {
  double fps = 0;
  HRESULT hr = timeline->GetDefaultFPS(&fps);
  if (FAILED(hr)) return hr;
  WriteRate(L"framerate", fps);
  timelineFps_ = fps;
  BOOL enabled;
  if (SUCCEEDED(timeline->EffectsEnabled(&enabled))) xml_.Attribute(L"enablefx", FormatFlag(enabled));
  if (SUCCEEDED(timeline->TransitionsEnabled(&enabled))) xml_.Attribute(L"enabletrans", FormatFlag(enabled));
  long mode;
  if (SUCCEEDED(timeline->GetInsertMode(&mode))) xml_.Attribute(L"insertmode", std::to_wstring(mode));
  GUID guid;
  if (timeline->GetDefaultEffect(&guid) == S_OK && guid != GUID_NULL) xml_.Attribute(L"defaultfx", FormatGuid(guid));
  if (timeline->GetDefaultTransition(&guid) == S_OK && guid != GUID_NULL) {
    xml_.Attribute(L"defaulttrans", FormatGuid(guid));
  }
  Timeline* own = Timeline::FromObject(timeline);
  return own ? WriteTimelineLabels(own->Labels()) : S_OK;
}

// Only what was set, so that a timeline without labels writes as before.
HRESULT ProjectWriter::WriteTimelineLabels(IAMTimelineObj* labels) {
  BSTR name = nullptr;
  BOOL locked = FALSE, muted = FALSE;
  long id = 0, size = 0;
  HRESULT hr = labels->GetUserName(&name);
  std::wstring userName = TakeText(SUCCEEDED(hr) ? name : nullptr);
  if (SUCCEEDED(hr)) hr = labels->GetLocked(&locked);
  if (SUCCEEDED(hr)) hr = labels->GetMuted(&muted);
  if (SUCCEEDED(hr)) hr = labels->GetUserID(&id);
  if (SUCCEEDED(hr)) hr = labels->GetUserData(nullptr, &size);
  std::vector<BYTE> data(size > 0 ? size : 0);
  if (SUCCEEDED(hr) && size > 0) hr = labels->GetUserData(data.data(), &size);
  if (FAILED(hr)) return hr;
  if (!userName.empty()) WriteTextAttribute(xml_, L"username", userName);
  if (locked) xml_.Attribute(L"lock", FormatFlag(locked));
  if (muted) xml_.Attribute(L"mute", FormatFlag(muted));
  if (id) xml_.Attribute(L"userid", std::to_wstring(id));
  if (!data.empty()) xml_.Attribute(L"userdata", FormatHex(data.data(), data.size()));
  return S_OK;
}

HRESULT ProjectWriter::WriteObjectAttributes(IAMTimelineObj* object, const wchar_t* nameAttribute) {
  BSTR name = nullptr;
  BOOL locked = FALSE, muted = FALSE;
  HRESULT hr = object->GetUserName(&name);
  std::wstring userName = TakeText(SUCCEEDED(hr) ? name : nullptr);
  if (SUCCEEDED(hr)) hr = object->GetLocked(&locked);
  if (SUCCEEDED(hr)) hr = object->GetMuted(&muted);
  if (FAILED(hr)) return hr;
  if (nameAttribute) WriteTextAttribute(xml_, nameAttribute, userName);
  xml_.Attribute(L"lock", FormatFlag(locked));
  xml_.Attribute(L"mute", FormatFlag(muted));
  long id = 0;
  if (SUCCEEDED(object->GetUserID(&id)) && id) xml_.Attribute(L"userid", std::to_wstring(id));
  long size = 0;
  if (SUCCEEDED(object->GetUserData(nullptr, &size)) && size > 0) {
    std::vector<BYTE> data(size);
    if (SUCCEEDED(object->GetUserData(data.data(), &size))) xml_.Attribute(L"userdata", FormatHex(data.data(), size));
  }
  GUID guid = GUID_NULL;
  if (SUCCEEDED(object->GetSubObjectGUID(&guid)) && guid != GUID_NULL) xml_.Attribute(L"clsid", FormatGuid(guid));
  return S_OK;
}

HRESULT ProjectWriter::WriteTimes(IAMTimelineObj* object) {
  REFERENCE_TIME start = 0, stop = 0;
  HRESULT hr = object->GetStartStop(&start, &stop);
  if (FAILED(hr)) return hr;
  xml_.Attribute(L"start", FormatTime(start));
  xml_.Attribute(L"stop", FormatTime(stop));
  return S_OK;
}

HRESULT ProjectWriter::WriteParams(IAMTimelineObj* object) {
  ComPtr<IPropertySetter> setter;
  if (FAILED(object->GetPropertySetter(setter.Receive())) || !setter) return S_OK;
  return ParamElements::Write(setter.Get(), xml_);
}

HRESULT ProjectWriter::WriteAttachments(IAMTimelineObj* object) {
  HRESULT hr = WriteEffects(object);
  if (SUCCEEDED(hr)) hr = WriteTransitions(object);
  if (SUCCEEDED(hr)) hr = WriteParams(object);
  return hr;
}

// --- Groups and layers ---

HRESULT ProjectWriter::WriteGroupAttributes(IAMTimelineObj* object) {
  ComPtr<IAMTimelineGroup> group = ComPtr<IAMTimelineObj>(object).As<IAMTimelineGroup>(IID_IAMTimelineGroup);
  if (!group) return E_NOINTERFACE;
  HRESULT hr = WriteGroupNames(object, group.Get());
  if (SUCCEEDED(hr)) hr = WriteObjectAttributes(object, nullptr);
  double fps = 0;
  BOOL preview = FALSE;
  if (SUCCEEDED(hr)) hr = group->GetOutputFPS(&fps);
  if (SUCCEEDED(hr)) hr = group->GetPreviewMode(&preview);
  AM_MEDIA_TYPE type = {};
  if (SUCCEEDED(hr)) hr = group->GetMediaType(&type);
  if (FAILED(hr)) return hr;
  // A group at the timeline's rate follows it, as it does without a rate of its own.
  if (fps != timelineFps_) WriteRate(L"framerate", fps);
  xml_.Attribute(L"previewmode", FormatFlag(preview));
  int buffering = 0;
  if (SUCCEEDED(group->GetOutputBuffering(&buffering))) xml_.Attribute(L"buffering", std::to_wstring(buffering));
  MediaTypeAttributes::Write(type, xml_);
  MediaType::Free(&type);
  return S_OK;
}

// The user name only where it is not the group's name, as the format's
// readers take the name for both.
HRESULT ProjectWriter::WriteGroupNames(IAMTimelineObj* object, IAMTimelineGroup* group) {
  BSTR text = nullptr;
  HRESULT hr = group->GetGroupName(&text);
  std::wstring groupName = TakeText(SUCCEEDED(hr) ? text : nullptr);
  text = nullptr;
  if (SUCCEEDED(hr)) hr = object->GetUserName(&text);
  std::wstring userName = TakeText(SUCCEEDED(hr) ? text : nullptr);
  if (FAILED(hr)) return hr;
  WriteTextAttribute(xml_, L"name", groupName);
  if (userName != groupName) WriteTextAttribute(xml_, L"username", userName);
  return S_OK;
}

HRESULT ProjectWriter::WriteGroup(IAMTimelineObj* group) {
  xml_.Begin(L"group");
  HRESULT hr = WriteGroupAttributes(group);
  if (SUCCEEDED(hr)) hr = WriteLayers(group);
  if (SUCCEEDED(hr)) hr = WriteAttachments(group);
  xml_.End();
  return hr;
}

HRESULT ProjectWriter::WriteLayers(IAMTimelineObj* composition) {
  ComPtr<IAMTimelineComp> comp = ComPtr<IAMTimelineObj>(composition).As<IAMTimelineComp>(IID_IAMTimelineComp);
  if (!comp) return E_NOINTERFACE;
  long count = 0;
  HRESULT hr = comp->VTrackGetCount(&count);
  for (long i = 0; SUCCEEDED(hr) && i < count; ++i) {
    ComPtr<IAMTimelineObj> layer;
    hr = comp->GetVTrack(layer.Receive(), i);
    if (SUCCEEDED(hr)) hr = WriteLayer(layer.Get());
  }
  return hr;
}

HRESULT ProjectWriter::WriteLayer(IAMTimelineObj* layer) {
  TIMELINE_MAJOR_TYPE type;
  HRESULT hr = layer->GetTimelineType(&type);
  if (FAILED(hr)) return hr;
  if (type != TIMELINE_MAJOR_TYPE_TRACK && type != TIMELINE_MAJOR_TYPE_COMPOSITE) return E_UNEXPECTED;
  xml_.Begin(type == TIMELINE_MAJOR_TYPE_TRACK ? L"track" : L"composite");
  hr = WriteObjectAttributes(layer, L"username");
  if (SUCCEEDED(hr)) hr = type == TIMELINE_MAJOR_TYPE_TRACK ? WriteClips(layer) : WriteLayers(layer);
  if (SUCCEEDED(hr)) hr = WriteAttachments(layer);
  xml_.End();
  return hr;
}

// --- Clips, effects and transitions ---

HRESULT ProjectWriter::WriteClips(IAMTimelineObj* object) {
  ComPtr<IAMTimelineTrack> track = ComPtr<IAMTimelineObj>(object).As<IAMTimelineTrack>(IID_IAMTimelineTrack);
  if (!track) return E_NOINTERFACE;
  long count = 0;
  HRESULT hr = track->GetSourcesCount(&count);
  ComPtr<IAMTimelineObj> clip;
  for (long i = 0; SUCCEEDED(hr) && i < count; ++i) {
    ComPtr<IAMTimelineObj> next;
    hr = track->GetNextSrcEx(clip.Get(), next.Receive());
    if (hr != S_OK || !next) break;
    clip = next;
    hr = WriteClip(clip.Get());
  }
  return FAILED(hr) ? hr : S_OK;
}

HRESULT ProjectWriter::WriteClip(IAMTimelineObj* clip) {
  ComPtr<IAMTimelineSrc> source = ComPtr<IAMTimelineObj>(clip).As<IAMTimelineSrc>(IID_IAMTimelineSrc);
  if (!source) return E_NOINTERFACE;
  BSTR name = nullptr;
  REFERENCE_TIME mediaStart = 0, mediaStop = 0, length = 0;
  long stream = 0;
  int stretch = 0;
  double fps = 0;
  HRESULT hr = source->GetMediaName(&name);
  std::wstring mediaName = TakeText(SUCCEEDED(hr) ? name : nullptr);
  if (SUCCEEDED(hr)) hr = source->GetMediaTimes(&mediaStart, &mediaStop);
  if (SUCCEEDED(hr)) hr = source->GetMediaLength(&length);
  if (SUCCEEDED(hr)) hr = source->GetStreamNumber(&stream);
  if (SUCCEEDED(hr)) hr = source->GetStretchMode(&stretch);
  if (SUCCEEDED(hr)) hr = source->GetDefaultFPS(&fps);
  if (FAILED(hr)) return hr;
  xml_.Begin(L"clip");
  hr = WriteObjectAttributes(clip, L"username");
  if (SUCCEEDED(hr)) hr = WriteTimes(clip);
  GUID filter = GUID_NULL;
  clip->GetSubObjectGUID(&filter);
  if (SUCCEEDED(hr)) {
    // The format gives a clip either a file or a source filter's class.
    if (!mediaName.empty() || filter == GUID_NULL) WriteTextAttribute(xml_, L"src", mediaName);
    xml_.Attribute(L"mstart", FormatTime(mediaStart));
    xml_.Attribute(L"mstop", FormatTime(mediaStop));
    xml_.Attribute(L"mlength", FormatTime(length));
    xml_.Attribute(L"stream", std::to_wstring(stream));
    xml_.Attribute(L"stretchmode", FormatStretchMode(stretch));
    WriteRate(L"framerate", fps);
    hr = WriteAttachments(clip);
  }
  xml_.End();
  return hr;
}

HRESULT ProjectWriter::WriteEffects(IAMTimelineObj* parent) {
  ComPtr<IAMTimelineEffectable> effectable =
      ComPtr<IAMTimelineObj>(parent).As<IAMTimelineEffectable>(IID_IAMTimelineEffectable);
  if (!effectable) return S_OK;
  long count = 0;
  HRESULT hr = effectable->EffectGetCount(&count);
  for (long i = 0; SUCCEEDED(hr) && i < count; ++i) {
    ComPtr<IAMTimelineObj> effect;
    hr = effectable->GetEffect(effect.Receive(), i);
    if (SUCCEEDED(hr)) hr = WriteEffect(effect.Get());
  }
  return hr;
}

HRESULT ProjectWriter::WriteEffect(IAMTimelineObj* effect) {
  xml_.Begin(L"effect");
  HRESULT hr = WriteObjectAttributes(effect, L"username");
  if (SUCCEEDED(hr)) hr = WriteTimes(effect);
  if (SUCCEEDED(hr)) hr = WriteParams(effect);
  xml_.End();
  return hr;
}

// Transitions never overlap on one parent, so walking them by time from 0
// meets each once; the count bounds the walk all the same.
HRESULT ProjectWriter::WriteTransitions(IAMTimelineObj* parent) {
  ComPtr<IAMTimelineTransable> transable =
      ComPtr<IAMTimelineObj>(parent).As<IAMTimelineTransable>(IID_IAMTimelineTransable);
  if (!transable) return S_OK;
  long count = 0;
  HRESULT hr = transable->TransGetCount(&count);
  REFERENCE_TIME time = 0;
  for (long i = 0; SUCCEEDED(hr) && i < count; ++i) {
    ComPtr<IAMTimelineObj> transition;
    hr = transable->GetNextTrans(transition.Receive(), &time);
    if (hr != S_OK || !transition) return E_UNEXPECTED;  // never save a project short of one
    hr = WriteTransition(transition.Get());
  }
  return FAILED(hr) ? hr : S_OK;
}

HRESULT ProjectWriter::WriteTransition(IAMTimelineObj* object) {
  ComPtr<IAMTimelineTrans> transition = ComPtr<IAMTimelineObj>(object).As<IAMTimelineTrans>(IID_IAMTimelineTrans);
  if (!transition) return E_NOINTERFACE;
  REFERENCE_TIME cut = 0, start = 0, stop = 0;
  BOOL swap = FALSE, cutsOnly = FALSE;
  HRESULT hr = transition->GetCutPoint(&cut);
  if (SUCCEEDED(hr)) hr = object->GetStartStop(&start, &stop);
  if (SUCCEEDED(hr)) hr = transition->GetSwapInputs(&swap);
  if (SUCCEEDED(hr)) hr = transition->GetCutsOnly(&cutsOnly);
  if (FAILED(hr)) return hr;
  xml_.Begin(L"transition");
  hr = WriteObjectAttributes(object, L"username");
  if (SUCCEEDED(hr)) hr = WriteTimes(object);
  if (SUCCEEDED(hr)) {
    // The middle is the default, which follows later changes of the times.
    if (cut != (stop - start) / 2) xml_.Attribute(L"cutpoint", FormatTime(cut));
    xml_.Attribute(L"swapinputs", FormatFlag(swap));
    xml_.Attribute(L"cutsonly", FormatFlag(cutsOnly));
    hr = WriteParams(object);
  }
  xml_.End();
  return hr;
}
