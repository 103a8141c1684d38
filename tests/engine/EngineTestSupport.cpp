#include "EngineTestSupport.h"

#include <cstring>

#include "EngineObjects.h"
#include "EngineRegistration.h"

void EngineTest::SetUp() {
  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  ASSERT_EQ(S_OK, RegisterEngineClasses());
  liveAtStart_ = EngineObjectCount();
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_AMTimeline, nullptr, CLSCTX_INPROC_SERVER, IID_IAMTimeline,
                                   timeline.ReceiveVoid()));
}

void EngineTest::TearDown() {
  timeline.Reset();
  EXPECT_EQ(liveAtStart_, EngineObjectCount()) << "engine objects leaked";
  RevokeEngineClasses();
  CoUninitialize();
}

ComPtr<IAMTimelineObj> EngineTest::NewNode(TIMELINE_MAJOR_TYPE kind) {
  ComPtr<IAMTimelineObj> node;
  EXPECT_EQ(S_OK, timeline->CreateEmptyNode(node.Receive(), kind));
  return node;
}

ComPtr<IAMTimelineObj> EngineTest::AddGroup(const wchar_t* name, AM_MEDIA_TYPE* type) {
  ComPtr<IAMTimelineObj> group = NewNode(TIMELINE_MAJOR_TYPE_GROUP);
  EXPECT_EQ(S_OK, group.As<IAMTimelineGroup>(IID_IAMTimelineGroup)->SetMediaType(type));
  SetName(group.Get(), name);
  EXPECT_EQ(S_OK, timeline->AddGroup(group.Get()));
  return group;
}

ComPtr<IAMTimelineObj> EngineTest::AddTrack(IAMTimelineObj* parent, const wchar_t* name) {
  ComPtr<IAMTimelineObj> track = NewNode(TIMELINE_MAJOR_TYPE_TRACK);
  SetName(track.Get(), name);
  ComPtr<IAMTimelineComp> composition = ComPtr<IAMTimelineObj>(parent).As<IAMTimelineComp>(IID_IAMTimelineComp);
  EXPECT_EQ(S_OK, composition->VTrackInsBefore(track.Get(), -1));
  return track;
}

ComPtr<IAMTimelineObj> EngineTest::AddSource(IAMTimelineObj* track, REFERENCE_TIME start,
                                             REFERENCE_TIME stop, const wchar_t* media) {
  ComPtr<IAMTimelineObj> source = NewNode(TIMELINE_MAJOR_TYPE_SOURCE);
  EXPECT_EQ(S_OK, source->SetStartStop(start, stop));
  BSTR name = SysAllocString(media);
  source.As<IAMTimelineSrc>(IID_IAMTimelineSrc)->SetMediaName(name);
  SysFreeString(name);
  EXPECT_EQ(S_OK, ComPtr<IAMTimelineObj>(track).As<IAMTimelineTrack>(IID_IAMTimelineTrack)->SrcAdd(source.Get()));
  return source;
}

ComPtr<IAMTimelineObj> EngineTest::AddEffect(IAMTimelineObj* parent, REFERENCE_TIME start,
                                             REFERENCE_TIME stop) {
  ComPtr<IAMTimelineObj> effect = NewNode(TIMELINE_MAJOR_TYPE_EFFECT);
  EXPECT_EQ(S_OK, effect->SetStartStop(start, stop));
  ComPtr<IAMTimelineEffectable> effectable =
      ComPtr<IAMTimelineObj>(parent).As<IAMTimelineEffectable>(IID_IAMTimelineEffectable);
  EXPECT_EQ(S_OK, effectable->EffectInsBefore(effect.Get(), -1));
  return effect;
}

ComPtr<IAMTimelineObj> EngineTest::AddTransition(IAMTimelineObj* parent, REFERENCE_TIME start,
                                                 REFERENCE_TIME stop) {
  ComPtr<IAMTimelineObj> transition = NewNode(TIMELINE_MAJOR_TYPE_TRANSITION);
  EXPECT_EQ(S_OK, transition->SetStartStop(start, stop));
  ComPtr<IAMTimelineTransable> transable =
      ComPtr<IAMTimelineObj>(parent).As<IAMTimelineTransable>(IID_IAMTimelineTransable);
  EXPECT_EQ(S_OK, transable->TransAdd(transition.Get()));
  return transition;
}

AM_MEDIA_TYPE MakeVideoType(LONG width, LONG height, WORD bits) {
  AM_MEDIA_TYPE type = {};
  type.majortype = MEDIATYPE_Video;
  type.subtype = bits == 24 ? MEDIASUBTYPE_RGB24 : bits == 32 ? MEDIASUBTYPE_ARGB32 : MEDIASUBTYPE_RGB555;
  type.formattype = FORMAT_VideoInfo;
  type.cbFormat = sizeof(VIDEOINFOHEADER);
  auto* info = static_cast<VIDEOINFOHEADER*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
  memset(info, 0, sizeof(*info));
  LONG stride = ((bits * width + 31) / 32) * 4;
  info->bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info->bmiHeader.biWidth = width;
  info->bmiHeader.biHeight = height;
  info->bmiHeader.biPlanes = 1;
  info->bmiHeader.biBitCount = bits;
  info->bmiHeader.biSizeImage = stride * height;
  type.pbFormat = reinterpret_cast<BYTE*>(info);
  type.bFixedSizeSamples = TRUE;
  type.lSampleSize = stride * height;
  return type;
}

AM_MEDIA_TYPE MakeAudioType(DWORD rate) {
  AM_MEDIA_TYPE type = {};
  type.majortype = MEDIATYPE_Audio;
  type.subtype = MEDIASUBTYPE_PCM;
  type.formattype = FORMAT_WaveFormatEx;
  type.cbFormat = sizeof(WAVEFORMATEX);
  auto* wave = static_cast<WAVEFORMATEX*>(CoTaskMemAlloc(sizeof(WAVEFORMATEX)));
  memset(wave, 0, sizeof(*wave));
  wave->wFormatTag = WAVE_FORMAT_PCM;
  wave->nChannels = 2;
  wave->nSamplesPerSec = rate;
  wave->nAvgBytesPerSec = rate * 4;
  wave->nBlockAlign = 4;
  wave->wBitsPerSample = 16;
  type.pbFormat = reinterpret_cast<BYTE*>(wave);
  return type;
}

void ClearMediaType(AM_MEDIA_TYPE* type) {
  CoTaskMemFree(type->pbFormat);
  if (type->pUnk) type->pUnk->Release();
  *type = AM_MEDIA_TYPE{};
}

DEXTER_VALUE TextValue(const wchar_t* text, REFERENCE_TIME time, DWORD interp) {
  DEXTER_VALUE value = {};
  value.v.vt = VT_BSTR;
  value.v.bstrVal = SysAllocString(text);
  value.rt = time;
  value.dwInterp = interp;
  return value;
}

std::wstring ProjectText(IAMTimeline* timeline) {
  ComPtr<IXml2Dex> xml;
  BSTR text = nullptr;
  if (SUCCEEDED(CoCreateInstance(CLSID_Xml2Dex, nullptr, CLSCTX_INPROC_SERVER, IID_IXml2Dex, xml.ReceiveVoid())))
    xml->WriteXML(timeline, &text);
  std::wstring result(text ? text : L"(not written)");
  SysFreeString(text);
  return result;
}

std::wstring NameOf(IAMTimelineObj* object) {
  BSTR name = nullptr;
  EXPECT_EQ(S_OK, object->GetUserName(&name));
  std::wstring text(name ? name : L"");
  SysFreeString(name);
  return text;
}

void SetName(IAMTimelineObj* object, const wchar_t* name) {
  BSTR text = SysAllocString(name);
  EXPECT_EQ(S_OK, object->SetUserName(text));
  SysFreeString(text);
}

std::vector<std::wstring> SourceNames(IAMTimelineObj* track) {
  std::vector<std::wstring> names;
  ComPtr<IAMTimelineTrack> sources = ComPtr<IAMTimelineObj>(track).As<IAMTimelineTrack>(IID_IAMTimelineTrack);
  ComPtr<IAMTimelineObj> current;
  for (;;) {
    ComPtr<IAMTimelineObj> next;
    if (sources->GetNextSrcEx(current.Get(), next.Receive()) != S_OK) break;
    names.push_back(NameOf(next.Get()));
    current = next;
  }
  return names;
}

STDMETHODIMP RecordingErrorLog::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IAMErrorLog) {
    *object = static_cast<IAMErrorLog*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP RecordingErrorLog::LogError(long, BSTR text, long errorCode, long, VARIANT* extra) {
  lines.emplace_back(text ? text : L"");
  codes.push_back(errorCode);
  VARIANT value;
  VariantInit(&value);
  if (extra && SUCCEEDED(VariantChangeType(&value, extra, 0, VT_BSTR)) && value.bstrVal) {
    extras.emplace_back(value.bstrVal);
  } else {
    extras.emplace_back();
  }
  VariantClear(&value);
  return S_OK;
}
