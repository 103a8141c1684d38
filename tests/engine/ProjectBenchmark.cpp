// Times writing and reading a project of 10,000 sources. Run by hand:
//   build/wine-run.sh build/tests/engine/project_benchmark.exe
#include <windows.h>

#include <cstdio>
#include <string>

#include "ComPtr.h"
#include "EditingServices.h"
#include "EngineRegistration.h"
#include "TempFolder.h"

namespace {

constexpr int kTracks = 10;
constexpr int kSourcesPerTrack = 1000;
constexpr REFERENCE_TIME kClipLength = 33366667;

double Seconds() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return double(counter.QuadPart) / double(frequency.QuadPart);
}

template <class I>
ComPtr<I> Query(IUnknown* object, REFIID iid) {
  ComPtr<I> result;
  object->QueryInterface(iid, result.ReceiveVoid());
  return result;
}

ComPtr<IAMTimelineObj> NewNode(IAMTimeline* timeline, TIMELINE_MAJOR_TYPE type) {
  ComPtr<IAMTimelineObj> node;
  timeline->CreateEmptyNode(node.Receive(), type);
  return node;
}

void SetText(IAMTimelineObj* object, const std::wstring& name) {
  BSTR text = SysAllocString(name.c_str());
  object->SetUserName(text);
  SysFreeString(text);
}

// Every tenth source carries an effect with a three-value parameter.
void AddEffect(IAMTimeline* timeline, IAMTimelineObj* source) {
  ComPtr<IAMTimelineObj> effect = NewNode(timeline, TIMELINE_MAJOR_TYPE_EFFECT);
  effect->SetStartStop(0, kClipLength);
  ComPtr<IPropertySetter> setter;
  CoCreateInstance(CLSID_PropertySetter, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertySetter, setter.ReceiveVoid());
  DEXTER_VALUE values[3] = {};
  for (int i = 0; i < 3; ++i) {
    values[i].v.vt = VT_BSTR;
    values[i].v.bstrVal = SysAllocString(std::to_wstring(i * 0.5).c_str());
    values[i].rt = i * 10000000LL;
    values[i].dwInterp = i ? DEXTERF_INTERPOLATE : DEXTERF_JUMP;
  }
  BSTR name = SysAllocString(L"Progress");
  setter->AddProp(DEXTER_PARAM{name, 0, 3}, values);
  SysFreeString(name);
  for (DEXTER_VALUE& value : values) VariantClear(&value.v);
  effect->SetPropertySetter(setter.Get());
  Query<IAMTimelineEffectable>(source, IID_IAMTimelineEffectable)->EffectInsBefore(effect.Get(), -1);
}

void AddSource(IAMTimeline* timeline, IAMTimelineObj* track, int index) {
  ComPtr<IAMTimelineObj> source = NewNode(timeline, TIMELINE_MAJOR_TYPE_SOURCE);
  source->SetStartStop(index * kClipLength, (index + 1) * kClipLength);
  SetText(source.Get(), L"Clip " + std::to_wstring(index));
  auto media = Query<IAMTimelineSrc>(source.Get(), IID_IAMTimelineSrc);
  BSTR path = SysAllocString((L"C:\\Media\\clip" + std::to_wstring(index % 97) + L".avi").c_str());
  media->SetMediaName(path);
  SysFreeString(path);
  media->SetMediaTimes(index * 1000, index * 1000 + kClipLength);
  media->SetDefaultFPS(29.97);
  if (index % 10 == 0) AddEffect(timeline, source.Get());
  Query<IAMTimelineTrack>(track, IID_IAMTimelineTrack)->SrcAdd(source.Get());
}

ComPtr<IAMTimeline> BuildTimeline() {
  ComPtr<IAMTimeline> timeline;
  CoCreateInstance(CLSID_AMTimeline, nullptr, CLSCTX_INPROC_SERVER, IID_IAMTimeline, timeline.ReceiveVoid());
  ComPtr<IAMTimelineObj> group = NewNode(timeline.Get(), TIMELINE_MAJOR_TYPE_GROUP);
  AM_MEDIA_TYPE type = {};
  type.majortype = MEDIATYPE_Video;
  Query<IAMTimelineGroup>(group.Get(), IID_IAMTimelineGroup)->SetMediaType(&type);
  timeline->AddGroup(group.Get());
  auto comp = Query<IAMTimelineComp>(group.Get(), IID_IAMTimelineComp);
  for (int t = 0; t < kTracks; ++t) {
    ComPtr<IAMTimelineObj> track = NewNode(timeline.Get(), TIMELINE_MAJOR_TYPE_TRACK);
    SetText(track.Get(), L"Track_" + std::to_wstring(t));
    comp->VTrackInsBefore(track.Get(), -1);
    for (int i = 0; i < kSourcesPerTrack; ++i) AddSource(timeline.Get(), track.Get(), i);
  }
  return timeline;
}

HRESULT Run(bool write, IAMTimeline* timeline, const std::wstring& path, double* seconds) {
  ComPtr<IXml2Dex> xml;
  HRESULT hr = CoCreateInstance(CLSID_Xml2Dex, nullptr, CLSCTX_INPROC_SERVER, IID_IXml2Dex, xml.ReceiveVoid());
  if (FAILED(hr)) return hr;
  BSTR name = SysAllocString(path.c_str());
  double start = Seconds();
  hr = write ? xml->WriteXMLFile(timeline, name) : xml->ReadXMLFile(timeline, name);
  *seconds = Seconds() - start;
  SysFreeString(name);
  return hr;
}

int Benchmark() {
  TempFolder folder;
  std::wstring path = folder.File(L"benchmark.mvp");
  double start = Seconds();
  ComPtr<IAMTimeline> timeline = BuildTimeline();
  printf("built %d sources in %.3f s\n", kTracks * kSourcesPerTrack, Seconds() - start);
  for (int round = 1; round <= 3; ++round) {
    double writing = 0, reading = 0, unused = 0;
    HRESULT hr = Run(true, timeline.Get(), path, &writing);
    ComPtr<IAMTimeline> copy;
    CoCreateInstance(CLSID_AMTimeline, nullptr, CLSCTX_INPROC_SERVER, IID_IAMTimeline, copy.ReceiveVoid());
    if (SUCCEEDED(hr)) hr = Run(false, copy.Get(), path, &reading);
    if (FAILED(hr)) {
      printf("failed: 0x%08lx\n", static_cast<unsigned long>(hr));
      return 1;
    }
    std::wstring again = folder.File(L"again.mvp");
    bool same = SUCCEEDED(Run(true, copy.Get(), again, &unused)) && ReadWholeFile(again) == ReadWholeFile(path);
    printf("round %d: write %.3f s, read %.3f s, file %zu bytes, read back %ls\n", round, writing, reading,
           ReadWholeFile(path).size(), same ? L"identical" : L"DIFFERENT");
  }
  return 0;
}

}  // namespace

int main() {
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  int result = FAILED(RegisterEngineClasses()) ? 1 : Benchmark();
  RevokeEngineClasses();
  CoUninitialize();
  return result;
}
