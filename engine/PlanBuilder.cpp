#include "PlanBuilder.h"

#include <dshow.h>
#include <vfwmsgs.h>

#include <algorithm>

#include "EffectLibrary.h"
#include "MediaLocator.h"

namespace {

template <class I>
ComPtr<I> FacetOf(IAMTimelineObj* object, REFIID iid) {
  return ComPtr<IAMTimelineObj>(object).As<I>(iid);
}

bool Muted(IAMTimelineObj* object) {
  BOOL muted = FALSE;
  return SUCCEEDED(object->GetMuted(&muted)) && muted;
}

TIMELINE_MAJOR_TYPE KindOf(IAMTimelineObj* object) {
  TIMELINE_MAJOR_TYPE kind = TIMELINE_MAJOR_TYPE(0);
  object->GetTimelineType(&kind);
  return kind;
}

std::wstring BstrText(BSTR text) {
  std::wstring result(text ? text : L"");
  SysFreeString(text);
  return result;
}

std::wstring ClassText(const CLSID& clsid) {
  wchar_t text[40];
  StringFromGUID2(clsid, text, 40);
  return text;
}

// The media time per timeline time a source plays at. Media times left
// unset (stop not after start) play at the normal rate.
double Speed(REFERENCE_TIME start, REFERENCE_TIME stop, REFERENCE_TIME mediaStart, REFERENCE_TIME mediaStop) {
  if (stop <= start || mediaStop <= mediaStart) return 1.0;
  return double(mediaStop - mediaStart) / double(stop - start);
}

}  // namespace

PlanBuilder::PlanBuilder(IAMTimeline* timeline, SourceChecks* checks, RenderProblems* problems,
                         const SourceLocator* locator)
    : timeline_(timeline), checks_(checks), problems_(problems), locator_(locator) {
  timeline_->EffectsEnabled(&effectsEnabled_);
  timeline_->TransitionsEnabled(&transitionsEnabled_);
}

HRESULT PlanBuilder::Build(long index, REFERENCE_TIME rangeStart, REFERENCE_TIME rangeStop,
                           std::unique_ptr<RenderPlan>* plan) {
  plan->reset();
  ComPtr<IAMTimelineObj> group;
  HRESULT hr = timeline_->GetGroup(group.Receive(), index);
  if (FAILED(hr)) return hr;
  std::unique_ptr<RenderPlan> made(new (std::nothrow) RenderPlan());
  if (!made) return E_OUTOFMEMORY;
  hr = ReadFormat(group.Get(), index, made.get());
  if (FAILED(hr)) return hr;
  made->rangeStart = rangeStart;
  made->rangeStop = std::max(rangeStart, rangeStop);
  made->units = {clock_.UnitFrom(made->rangeStart), clock_.UnitFrom(made->rangeStop)};
  made->root.composition = true;
  if (!Muted(group.Get())) {
    AddLayers(group.Get(), &made->root);
    AddEffects(group.Get(), 0, &made->root.effects);
  }
  *plan = std::move(made);
  return S_OK;
}

HRESULT PlanBuilder::ReadFormat(IAMTimelineObj* group, long index, RenderPlan* plan) {
  ComPtr<IAMTimelineGroup> info = FacetOf<IAMTimelineGroup>(group, IID_IAMTimelineGroup);
  MediaType type;
  double fps = 0;
  HRESULT hr = info ? info->GetMediaType(type.Receive()) : E_NOINTERFACE;
  if (SUCCEEDED(hr)) hr = info->GetOutputFPS(&fps);
  if (SUCCEEDED(hr) && !GroupFormat::Read(type.Get(), &plan->format)) hr = VFW_E_INVALIDMEDIATYPE;
  if (SUCCEEDED(hr) && plan->format.video && !(fps > 0)) hr = VFW_E_INVALIDMEDIATYPE;
  if (SUCCEEDED(hr)) hr = plan->format.PinType(type.Get(), fps, &plan->pinType);
  if (FAILED(hr)) {
    BSTR name = nullptr;
    group->GetUserName(&name);
    problems_->Report(DEX_IDS_BAD_MEDIATYPE,
                      L"Group " + std::to_wstring(index) + L" (" + BstrText(name) +
                          L") has a media type the engine cannot render to",
                      hr, index);
    return hr;
  }
  video_ = plan->format.video;
  format_ = plan->format;
  clock_ = UnitClock(video_ ? fps : double(plan->format.rate));
  plan->clock = clock_;
  return S_OK;
}

void PlanBuilder::AddLayers(IAMTimelineObj* composition, PlanLayer* into) {
  ComPtr<IAMTimelineComp> layers = FacetOf<IAMTimelineComp>(composition, IID_IAMTimelineComp);
  long count = 0;
  if (!layers || FAILED(layers->VTrackGetCount(&count))) return;
  for (long i = 0; i < count; ++i) {
    ComPtr<IAMTimelineObj> layer;
    if (SUCCEEDED(layers->GetVTrack(layer.Receive(), i)) && layer && !Muted(layer.Get())) AddLayer(layer.Get(), into);
  }
}

void PlanBuilder::AddLayer(IAMTimelineObj* object, PlanLayer* into) {
  PlanLayer layer;
  layer.composition = KindOf(object) == TIMELINE_MAJOR_TYPE_COMPOSITE;
  if (layer.composition) {
    AddLayers(object, &layer);
  } else {
    AddSources(object, &layer);
  }
  AddEffects(object, 0, &layer.effects);
  AddTransitions(object, &layer.transitions);
  into->layers.push_back(std::move(layer));
}

void PlanBuilder::AddSources(IAMTimelineObj* track, PlanLayer* into) {
  ComPtr<IAMTimelineTrack> sources = FacetOf<IAMTimelineTrack>(track, IID_IAMTimelineTrack);
  if (!sources) return;
  ComPtr<IAMTimelineObj> current;
  for (;;) {
    ComPtr<IAMTimelineObj> next;
    if (sources->GetNextSrcEx(current.Get(), next.Receive()) != S_OK || !next) break;
    if (!Muted(next.Get())) AddSource(next.Get(), into);
    current = next;
  }
  std::stable_sort(into->sources.begin(), into->sources.end(),
                   [](const PlanSource& a, const PlanSource& b) { return a.span.first < b.span.first; });
}

void PlanBuilder::AddSource(IAMTimelineObj* object, PlanLayer* into) {
  ComPtr<IAMTimelineSrc> media = FacetOf<IAMTimelineSrc>(object, IID_IAMTimelineSrc);
  REFERENCE_TIME start = 0, stop = 0, mediaStart = 0, mediaStop = 0;
  if (!media || FAILED(object->GetStartStop(&start, &stop)) || FAILED(media->GetMediaTimes(&mediaStart, &mediaStop)))
    return;
  PlanSource source;
  source.span = {clock_.Nearest(start), clock_.Nearest(stop)};
  if (source.span.Length() <= 0) return;
  source.mediaStart = mediaStart;
  source.speed = Speed(start, stop, mediaStart, mediaStop);
  int mode = RESIZEF_STRETCH;
  media->GetStretchMode(&mode);
  source.stretchMode = mode;
  FindMedia(media.Get(), &source);
  AddEffects(object, start, &source.effects);
  into->sources.push_back(std::move(source));
}

void PlanBuilder::FindMedia(IAMTimelineSrc* media, PlanSource* into) {
  BSTR name = nullptr;
  media->GetMediaName(&name);
  into->path = BstrText(name);
  long number = 0;
  media->GetStreamNumber(&number);
  if (into->path.empty()) {
    problems_->Report(DEX_IDS_MISSING_SOURCE_NAME, L"A source has no media file name", E_INVALIDARG, L"");
    return;
  }
  SourceChecks::Result found = checks_->Check(into->path, video_, number);
  bool missing = found.result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) ||
                 found.result == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND);
  std::wstring located = missing ? Locate(into->path) : std::wstring();
  if (!located.empty()) {
    into->path = located;
    found = checks_->Check(into->path, video_, number);
  }
  if (SUCCEEDED(found.result)) {
    into->stream = found.stream;
    into->width = found.width;
    into->height = found.height;
    // 16-bit RGB stored uncompressed is 555; 32-bit is left out, its alpha unknown.
    into->stored = found.width == format_.width && found.height == format_.height && found.rgbBits == format_.bits &&
                   (format_.bits == 24 || (format_.bits == 16 && !format_.rgb565));
    into->storedTopDown = found.topDown;
    return;
  }
  const std::wstring& path = into->path;
  std::wstring kind = video_ ? L"video" : L"audio";
  if (found.result == HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND) || found.result == HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND))
    problems_->Report(DEX_IDS_BAD_SOURCE_NAME, L"Cannot find the media file " + path, found.result, path);
  else if (found.result == VFW_E_INVALIDMEDIATYPE)
    problems_->Report(DEX_IDS_STREAM_NUMBER,
                      L"The media file " + path + L" has no " + kind + L" stream " + std::to_wstring(number),
                      found.result, number);
  else if (found.stream >= 0)
    problems_->Report(DEX_IDS_UNKNOWN_SOURCE,
                      L"Cannot decode the " + kind + L" of " + path + L": " + RenderProblems::Reason(found.result),
                      found.result, path);
  else
    problems_->Report(DEX_IDS_BAD_SOURCE_NAME2,
                      L"Cannot read the media file " + path + L": " + RenderProblems::Reason(found.result),
                      found.result, path);
}

std::wstring PlanBuilder::Locate(const std::wstring& path) {
  if (!locator_ || !(locator_->flags & SFN_VALIDATEF_CHECK)) return std::wstring();
  return MediaLocator::Locate(locator_->locator.Get(), path, locator_->filter, locator_->flags);
}

bool PlanBuilder::ReadObject(IAMTimelineObj* object, REFERENCE_TIME base, PlanObject* into) {
  REFERENCE_TIME start = 0, stop = 0;
  if (Muted(object) || FAILED(object->GetStartStop(&start, &stop))) return false;
  into->span = {clock_.Nearest(base + start), clock_.Nearest(base + stop)};
  if (into->span.Length() <= 0) return false;
  into->start = clock_.Time(into->span.first);
  into->length = clock_.Time(into->span.end) - into->start;
  auto values = std::make_shared<PropertyEvaluator>();
  ComPtr<IPropertySetter> setter;
  if (SUCCEEDED(object->GetPropertySetter(setter.Receive())) && setter) values->Load(setter.Get());
  into->values = values;
  return true;
}

CLSID PlanBuilder::ClassOf(IAMTimelineObj* object, bool transition, bool* fromDefault) {
  CLSID clsid = GUID_NULL;
  object->GetSubObjectGUID(&clsid);
  *fromDefault = clsid == GUID_NULL;
  if (*fromDefault) transition ? timeline_->GetDefaultTransition(&clsid) : timeline_->GetDefaultEffect(&clsid);
  return clsid;
}

void PlanBuilder::ReportClass(const CLSID& clsid, bool transition, bool fromDefault) {
  std::wstring what = std::wstring(video_ ? L"video " : L"audio ") + (transition ? L"transition " : L"effect ");
  long code = fromDefault ? DEX_IDS_INVALID_DEFAULT_DXT
              : !video_ && !transition ? DEX_IDS_INVALID_AUDIO_FX : DEX_IDS_INVALID_DXT;
  std::wstring text = L"The engine has no " + what + ClassText(clsid) + (fromDefault ? L" (the default)" : L"");
  problems_->Report(code, text, REGDB_E_CLASSNOTREG, ClassText(clsid));
}

void PlanBuilder::AddEffects(IAMTimelineObj* parent, REFERENCE_TIME base, std::vector<PlanEffect>* into) {
  ComPtr<IAMTimelineEffectable> effects = FacetOf<IAMTimelineEffectable>(parent, IID_IAMTimelineEffectable);
  long count = 0;
  if (!effectsEnabled_ || !effects || FAILED(effects->EffectGetCount(&count))) return;
  for (long i = 0; i < count; ++i) {
    ComPtr<IAMTimelineObj> object;
    PlanEffect effect;
    if (FAILED(effects->GetEffect(object.Receive(), i)) || !object || !ReadObject(object.Get(), base, &effect))
      continue;
    bool fromDefault = false;
    CLSID clsid = ClassOf(object.Get(), false, &fromDefault);
    if (video_) effect.video = EffectLibrary::NewVideoEffect(clsid);
    else effect.audio = EffectLibrary::NewAudioEffect(clsid);
    if (effect.video || effect.audio) into->push_back(std::move(effect));
    else ReportClass(clsid, false, fromDefault);
  }
}

void PlanBuilder::AddTransitions(IAMTimelineObj* layer, std::vector<PlanTransition>* into) {
  ComPtr<IAMTimelineTransable> transitions = FacetOf<IAMTimelineTransable>(layer, IID_IAMTimelineTransable);
  long count = 0;
  if (!transitionsEnabled_ || !transitions || FAILED(transitions->TransGetCount(&count))) return;
  REFERENCE_TIME time = 0;
  for (long i = 0; i < count; ++i) {
    ComPtr<IAMTimelineObj> object;
    if (transitions->GetNextTrans(object.Receive(), &time) != S_OK || !object) break;
    AddTransition(object.Get(), into);
  }
}

void PlanBuilder::AddTransition(IAMTimelineObj* object, std::vector<PlanTransition>* into) {
  PlanTransition transition;
  ComPtr<IAMTimelineTrans> settings = FacetOf<IAMTimelineTrans>(object, IID_IAMTimelineTrans);
  if (!settings || !ReadObject(object, 0, &transition)) return;
  BOOL swap = FALSE, cutsOnly = FALSE;
  REFERENCE_TIME cut = 0, start = 0, stop = 0;
  settings->GetSwapInputs(&swap);
  settings->GetCutsOnly(&cutsOnly);
  settings->GetCutPoint(&cut);
  object->GetStartStop(&start, &stop);
  transition.swapInputs = swap && !cutsOnly;  // a cut overrides the swap
  transition.cutsOnly = cutsOnly != FALSE;
  transition.cut = std::min(std::max(clock_.Nearest(start + cut), transition.span.first), transition.span.end);
  bool fromDefault = false;
  CLSID clsid = ClassOf(object, true, &fromDefault);
  if (video_) transition.video = EffectLibrary::NewVideoTransition(clsid);
  else transition.audio = EffectLibrary::NewAudioTransition(clsid);
  if (transition.video || transition.audio) into->push_back(std::move(transition));
  else ReportClass(clsid, true, fromDefault);
}
