#include "ProjectReader.h"

#include <dshow.h>

#include "AttributeReader.h"
#include "EffectLibrary.h"
#include "ElementAttributes.h"
#include "LoadProblems.h"
#include "MediaType.h"
#include "MediaTypeAttributes.h"
#include "ParamElements.h"
#include "ProjectValues.h"
#include "Timeline.h"
#include "XmlElement.h"

namespace {

struct ElementKind {
  const wchar_t* name;
  TIMELINE_MAJOR_TYPE type;
};

const ElementKind kKinds[] = {
    {L"group", TIMELINE_MAJOR_TYPE_GROUP},   {L"composite", TIMELINE_MAJOR_TYPE_COMPOSITE},
    {L"track", TIMELINE_MAJOR_TYPE_TRACK},   {L"clip", TIMELINE_MAJOR_TYPE_SOURCE},
    {L"effect", TIMELINE_MAJOR_TYPE_EFFECT}, {L"transition", TIMELINE_MAJOR_TYPE_TRANSITION},
};

// 0 for names that are no timeline object.
int KindOf(const std::wstring& name) {
  for (const ElementKind& kind : kKinds) {
    if (name == kind.name) return kind.type;
  }
  return 0;
}

// Which objects each kind holds; the timeline itself (type 0) holds groups.
bool MayHold(int parent, int child) {
  switch (parent) {
    case 0:
      return child == TIMELINE_MAJOR_TYPE_GROUP;
    case TIMELINE_MAJOR_TYPE_GROUP:
    case TIMELINE_MAJOR_TYPE_COMPOSITE:
      return child == TIMELINE_MAJOR_TYPE_COMPOSITE || child == TIMELINE_MAJOR_TYPE_TRACK ||
             child == TIMELINE_MAJOR_TYPE_EFFECT || child == TIMELINE_MAJOR_TYPE_TRANSITION;
    case TIMELINE_MAJOR_TYPE_TRACK:
      return child == TIMELINE_MAJOR_TYPE_SOURCE || child == TIMELINE_MAJOR_TYPE_EFFECT ||
             child == TIMELINE_MAJOR_TYPE_TRANSITION;
    case TIMELINE_MAJOR_TYPE_SOURCE:
      return child == TIMELINE_MAJOR_TYPE_EFFECT;
    default:
      return false;
  }
}

// Owns a BSTR made from a string.
class Bstr {
 public:
  explicit Bstr(const std::wstring& text) : text_(SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
  ~Bstr() { SysFreeString(text_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR Get() const { return text_; }

 private:
  BSTR text_;
};

template <class I>
ComPtr<I> FacetOf(IAMTimelineObj* object, REFIID iid) {
  return ComPtr<IAMTimelineObj>(object).As<I>(iid);
}

bool IsBuiltIn(const GUID& clsid, bool transition) {
  for (int i = 0; i < EffectLibrary::ClassCount(); ++i) {
    const EffectClass& known = EffectLibrary::ClassAt(i);
    bool isTransition = known.kind == EffectKind::kVideoTransition || known.kind == EffectKind::kAudioTransition;
    if (*known.clsid == clsid && isTransition == transition) return true;
  }
  return false;
}

// A source filter's class: one the engine or the system can make.
bool IsCreatable(const GUID& clsid) {
  ComPtr<IClassFactory> factory;
  return SUCCEEDED(CoGetClassObject(clsid, CLSCTX_INPROC_SERVER, nullptr, IID_IClassFactory, factory.ReceiveVoid()));
}

}  // namespace

HRESULT ProjectReader::Read(const XmlElement& root) {
  // First, so that groups without a rate of their own take the timeline's.
  ApplyTimelineAttributes(root);
  HRESULT hr = ReadChildren(root, nullptr, static_cast<TIMELINE_MAJOR_TYPE>(0), 0);
  if (FAILED(hr)) {
    RemoveAddedGroups();
    return hr;
  }
  return S_OK;
}

void ProjectReader::RemoveAddedGroups() {
  for (ComPtr<IAMTimelineObj>& group : addedGroups_) timeline_->RemGroupFromList(group.Get());
  addedGroups_.clear();
}

void ProjectReader::ReportSkipped(const std::wstring& element, const wchar_t* reason, HRESULT hr) {
  problems_.Report(L"<" + element + L"> skipped: " + reason, hr);
}

HRESULT ProjectReader::Refused(const std::wstring& element, const wchar_t* reason, HRESULT hr) {
  if (hr == E_OUTOFMEMORY) return hr;
  ReportSkipped(element, reason, hr);
  return S_FALSE;
}

void ProjectReader::Check(HRESULT hr, const AttributeReader& reader, const wchar_t* name) {
  if (FAILED(hr)) reader.Reject(name, hr);
}

HRESULT ProjectReader::ReadChildren(const XmlElement& element, IAMTimelineObj* object, TIMELINE_MAJOR_TYPE type,
                                    int depth) {
  for (XmlElement child = element.FirstChild(); !child.IsNull(); child = child.NextSibling()) {
    int kind = KindOf(child.Name());
    if (child.Name() == L"param" && type != 0) continue;  // read with the object's attributes
    if (depth >= kMaxDepth) {
      ReportSkipped(child.Name(), L"nested too deeply", VFW_E_INVALID_FILE_FORMAT);
      return S_OK;
    }
    if (!MayHold(type, kind)) {
      std::wstring what = kind ? L"misplaced element <" : L"unknown element <";
      problems_.Report(what + child.Name() + L"> in <" + element.Name() + L"> skipped", VFW_E_INVALID_FILE_FORMAT);
      continue;
    }
    HRESULT hr = ReadObject(child, static_cast<TIMELINE_MAJOR_TYPE>(kind), object, depth + 1);
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

HRESULT ProjectReader::ReadObject(const XmlElement& element, TIMELINE_MAJOR_TYPE type, IAMTimelineObj* parent,
                                  int depth) {
  ComPtr<IAMTimelineObj> object;
  HRESULT hr = timeline_->CreateEmptyNode(object.Receive(), type);
  if (FAILED(hr)) return hr;
  ElementAttributes::ReportUnknown(element, problems_);
  hr = ApplyAttributes(element, type, object.Get());
  if (hr == S_OK) hr = ApplyParams(element, object.Get());
  if (hr == S_OK) hr = Attach(element, parent, object.Get(), type);
  if (hr == S_FALSE) return S_OK;  // skipped and reported
  if (FAILED(hr)) return hr;
  return ReadChildren(element, object.Get(), type, depth);
}

HRESULT ProjectReader::Attach(const XmlElement& element, IAMTimelineObj* parent, IAMTimelineObj* child,
                              TIMELINE_MAJOR_TYPE type) {
  HRESULT hr = E_NOINTERFACE;
  if (type == TIMELINE_MAJOR_TYPE_GROUP) {
    hr = timeline_->AddGroup(child);
    if (SUCCEEDED(hr)) addedGroups_.push_back(ComPtr<IAMTimelineObj>(child));
  } else if (type == TIMELINE_MAJOR_TYPE_TRACK || type == TIMELINE_MAJOR_TYPE_COMPOSITE) {
    if (auto comp = FacetOf<IAMTimelineComp>(parent, IID_IAMTimelineComp)) hr = comp->VTrackInsBefore(child, -1);
  } else if (type == TIMELINE_MAJOR_TYPE_SOURCE) {
    if (auto track = FacetOf<IAMTimelineTrack>(parent, IID_IAMTimelineTrack)) hr = track->SrcAdd(child);
  } else if (type == TIMELINE_MAJOR_TYPE_EFFECT) {
    auto effectable = FacetOf<IAMTimelineEffectable>(parent, IID_IAMTimelineEffectable);
    if (effectable) hr = effectable->EffectInsBefore(child, -1);
  } else if (type == TIMELINE_MAJOR_TYPE_TRANSITION) {
    auto transable = FacetOf<IAMTimelineTransable>(parent, IID_IAMTimelineTransable);
    if (transable) hr = transable->TransAdd(child);
  }
  return SUCCEEDED(hr) ? hr : Refused(element.Name(), L"its parent did not accept it", hr);
}

// --- Attributes ---

HRESULT ProjectReader::ApplyAttributes(const XmlElement& element, TIMELINE_MAJOR_TYPE type,
                                       IAMTimelineObj* object) {
  AttributeReader reader(element, problems_);
  ApplyLabels(reader, object);
  GUID clsid;
  if (reader.Guid(L"clsid", &clsid)) {
    Check(object->SetSubObjectGUID(clsid), reader, L"clsid");
    CheckClass(element.Name(), type, clsid);
  }
  switch (type) {
    case TIMELINE_MAJOR_TYPE_GROUP:
      return ApplyGroup(element, object);
    case TIMELINE_MAJOR_TYPE_SOURCE:
      return ApplyClip(reader, object);
    case TIMELINE_MAJOR_TYPE_EFFECT:
      return ApplySpan(reader, object);
    case TIMELINE_MAJOR_TYPE_TRANSITION:
      return ApplyTransition(reader, object);
    default:
      return S_OK;
  }
}

void ProjectReader::ApplyLabels(const AttributeReader& reader, IAMTimelineObj* object) {
  std::wstring text;
  if (reader.Text(L"username", &text)) Check(object->SetUserName(Bstr(text).Get()), reader, L"username");
  BOOL flag;
  if (reader.Flag(L"lock", &flag)) Check(object->SetLocked(flag), reader, L"lock");
  if (reader.Flag(L"mute", &flag)) Check(object->SetMuted(flag), reader, L"mute");
  long id;
  if (reader.Integer(L"userid", LONG_MIN, LONG_MAX, &id)) Check(object->SetUserID(id), reader, L"userid");
  std::vector<BYTE> data;
  if (reader.Hex(L"userdata", &data) && !data.empty()) {
    Check(object->SetUserData(data.data(), static_cast<long>(data.size())), reader, L"userdata");
  }
}

// An object whose class the engine lacks stays in the timeline, so that the
// project saves as it was; rendering passes it over.
void ProjectReader::CheckClass(const std::wstring& element, TIMELINE_MAJOR_TYPE type, const GUID& clsid) {
  std::wstring text = FormatGuid(clsid);
  if (type == TIMELINE_MAJOR_TYPE_SOURCE) {
    if (!IsCreatable(clsid)) {
      problems_.Report(DEX_IDS_UNKNOWN_SOURCE, L"<clip> kept, but there is no source filter " + text,
                       REGDB_E_CLASSNOTREG);
    }
  } else if (type == TIMELINE_MAJOR_TYPE_EFFECT || type == TIMELINE_MAJOR_TYPE_TRANSITION) {
    if (!IsBuiltIn(clsid, type == TIMELINE_MAJOR_TYPE_TRANSITION)) {
      problems_.Report(DEX_IDS_INVALID_DXT, L"<" + element + L"> kept, but the engine has no such class " + text,
                       REGDB_E_CLASSNOTREG, text);
    }
  }
}

// A group whose media type is missing or unusable is kept without one, with
// everything it holds; the type can be set again.
HRESULT ProjectReader::ApplyMediaType(const XmlElement& element, IAMTimelineGroup* group) {
  AM_MEDIA_TYPE type;
  HRESULT hr = MediaTypeAttributes::Read(element, &type, problems_);
  if (hr == S_FALSE) return S_OK;
  if (hr == S_OK) {
    hr = group->SetMediaType(&type);
    MediaType::Free(&type);
  }
  if (hr == E_OUTOFMEMORY) return hr;
  if (FAILED(hr)) {
    long number = 0;  // the group's, once added
    timeline_->GetGroupCount(&number);
    problems_.Report(DEX_IDS_BAD_MEDIATYPE, L"<group> kept without a media type: its type is unusable", hr, number);
  }
  return S_OK;
}

HRESULT ProjectReader::ApplyGroup(const XmlElement& element, IAMTimelineObj* object) {
  AttributeReader reader(element, problems_);
  auto group = FacetOf<IAMTimelineGroup>(object, IID_IAMTimelineGroup);
  if (!group) return E_NOINTERFACE;
  HRESULT hr = ApplyMediaType(element, group.Get());
  if (FAILED(hr)) return hr;
  // Without a user name of its own, the group's user name is its name.
  std::wstring name;
  if (reader.Text(L"name", &name)) {
    Check(group->SetGroupName(Bstr(name).Get()), reader, L"name");
    if (!reader.Has(L"username")) Check(object->SetUserName(Bstr(name).Get()), reader, L"name");
  }
  double fps;
  if (reader.ExactRate(L"framerate", L"exactframerate", &fps)) {
    Check(group->SetOutputFPS(fps), reader, L"framerate");
  }
  BOOL preview = TRUE;  // the format's default
  if (reader.Has(L"previewmode")) reader.Flag(L"previewmode", &preview);
  group->SetPreviewMode(preview);
  long buffering;
  if (reader.Integer(L"buffering", 0, LONG_MAX, &buffering)) {
    Check(group->SetOutputBuffering(static_cast<int>(buffering)), reader, L"buffering");
  }
  return S_OK;
}

HRESULT ProjectReader::ApplySpan(const AttributeReader& reader, IAMTimelineObj* object) {
  REFERENCE_TIME start = 0, stop = 0;
  bool startRead = !reader.Has(L"start") || reader.Time(L"start", &start);
  if (!startRead || !reader.Time(L"stop", &stop)) {
    ReportSkipped(reader.ElementName(), L"no usable start and stop times", VFW_E_INVALID_FILE_FORMAT);
    return S_FALSE;
  }
  HRESULT hr = object->SetStartStop(start, stop);
  return FAILED(hr) ? Refused(reader.ElementName(), L"its times were refused", hr) : S_OK;
}

// The format lets a clip give either stop time and assume the normal rate
// for the other.
HRESULT ProjectReader::ApplyClip(const AttributeReader& reader, IAMTimelineObj* object) {
  auto source = FacetOf<IAMTimelineSrc>(object, IID_IAMTimelineSrc);
  if (!source) return E_NOINTERFACE;
  REFERENCE_TIME start = 0, stop = 0, mediaStart = 0, mediaStop = 0;
  bool usable = (!reader.Has(L"start") || reader.Time(L"start", &start)) &&
                (!reader.Has(L"mstart") || reader.Time(L"mstart", &mediaStart));
  bool hasStop = reader.Has(L"stop"), hasMediaStop = reader.Has(L"mstop");
  usable = usable && (!hasStop || reader.Time(L"stop", &stop)) && (!hasMediaStop || reader.Time(L"mstop", &mediaStop));
  if (!usable || (!hasStop && !hasMediaStop)) {
    ReportSkipped(reader.ElementName(), L"no usable times", VFW_E_INVALID_FILE_FORMAT);
    return S_FALSE;
  }
  if (!hasStop) stop = start + (mediaStop - mediaStart);
  if (!hasMediaStop) mediaStop = mediaStart + (stop - start);
  HRESULT hr = object->SetStartStop(start, stop);
  if (SUCCEEDED(hr)) hr = source->SetMediaTimes(mediaStart, mediaStop);
  if (FAILED(hr)) return Refused(reader.ElementName(), L"its times were refused", hr);
  std::wstring text;
  if (reader.Text(L"src", &text)) Check(source->SetMediaName(Bstr(text).Get()), reader, L"src");
  REFERENCE_TIME length;
  if (reader.Time(L"mlength", &length)) Check(source->SetMediaLength(length), reader, L"mlength");
  long stream;
  if (reader.Integer(L"stream", 0, LONG_MAX, &stream)) Check(source->SetStreamNumber(stream), reader, L"stream");
  int mode;
  if (reader.StretchMode(L"stretchmode", &mode)) Check(source->SetStretchMode(mode), reader, L"stretchmode");
  double fps;
  if (reader.ExactRate(L"framerate", L"exactframerate", &fps)) {
    Check(source->SetDefaultFPS(fps), reader, L"framerate");
  }
  return S_OK;
}

HRESULT ProjectReader::ApplyTransition(const AttributeReader& reader, IAMTimelineObj* object) {
  auto transition = FacetOf<IAMTimelineTrans>(object, IID_IAMTimelineTrans);
  if (!transition) return E_NOINTERFACE;
  HRESULT hr = ApplySpan(reader, object);
  if (hr != S_OK) return hr;
  REFERENCE_TIME cut;
  if (reader.Time(L"cutpoint", &cut)) Check(transition->SetCutPoint(cut), reader, L"cutpoint");
  BOOL flag;
  if (reader.Flag(L"swapinputs", &flag)) Check(transition->SetSwapInputs(flag), reader, L"swapinputs");
  if (reader.Flag(L"cutsonly", &flag)) Check(transition->SetCutsOnly(flag), reader, L"cutsonly");
  return S_OK;
}

HRESULT ProjectReader::ApplyParams(const XmlElement& element, IAMTimelineObj* object) {
  ComPtr<IPropertySetter> setter;
  bool added = false;
  for (XmlElement child = element.FirstChild(); !child.IsNull(); child = child.NextSibling()) {
    if (child.Name() != L"param") continue;
    if (!setter) {
      HRESULT hr = CoCreateInstance(CLSID_PropertySetter, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertySetter,
                                    setter.ReceiveVoid());
      if (FAILED(hr)) return hr;
    }
    HRESULT hr = ParamElements::Read(child, setter.Get(), problems_);
    if (FAILED(hr)) return hr;
    added = added || hr == S_OK;
  }
  if (!added) return S_OK;
  return object->SetPropertySetter(setter.Get());
}

void ProjectReader::ApplyTimelineAttributes(const XmlElement& root) {
  ElementAttributes::ReportUnknown(root, problems_);
  AttributeReader reader(root, problems_);
  if (Timeline* own = Timeline::FromObject(timeline_)) {
    ApplyLabels(reader, own->Labels());
  } else {
    for (const wchar_t* label : {L"username", L"lock", L"mute", L"userid", L"userdata"}) {
      if (reader.Has(label)) reader.Reject(label, E_NOINTERFACE);  // another timeline keeps none
    }
  }
  double fps;
  if (reader.ExactRate(L"framerate", L"exactframerate", &fps)) {
    Check(timeline_->SetDefaultFPS(fps), reader, L"framerate");
  }
  BOOL flag;
  if (reader.Flag(L"enablefx", &flag)) Check(timeline_->EnableEffects(flag), reader, L"enablefx");
  if (reader.Flag(L"enabletrans", &flag)) Check(timeline_->EnableTransitions(flag), reader, L"enabletrans");
  long mode;
  if (reader.Integer(L"insertmode", LONG_MIN, LONG_MAX, &mode)) {
    Check(timeline_->SetInsertMode(mode), reader, L"insertmode");
  }
  GUID guid;
  if (reader.Guid(L"defaultfx", &guid)) {
    Check(timeline_->SetDefaultEffect(&guid), reader, L"defaultfx");
    CheckDefaultClass(guid, false);
  }
  if (reader.Guid(L"defaulttrans", &guid)) {
    Check(timeline_->SetDefaultTransition(&guid), reader, L"defaulttrans");
    CheckDefaultClass(guid, true);
  }
}

void ProjectReader::CheckDefaultClass(const GUID& clsid, bool transition) {
  if (clsid == GUID_NULL || IsBuiltIn(clsid, transition)) return;
  std::wstring text = FormatGuid(clsid);
  problems_.Report(DEX_IDS_INVALID_DEFAULT_DXT, L"the engine has no default " +
                       std::wstring(transition ? L"transition " : L"effect ") + text, REGDB_E_CLASSNOTREG, text);
}
