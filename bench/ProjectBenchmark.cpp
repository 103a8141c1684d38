// Times saving and opening projects of 100 to 100,000 sources and checks that
// each reads back equal to what was saved. Run by hand:
//   build/wine-run.sh build/tests/engine/project_benchmark.exe [largest]
// Exits 1, saying what went wrong, when any call fails or a project reads
// back different, so a wrong figure is never reported as a result.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "ComPtr.h"
#include "CountingErrorLog.h"
#include "EditingServices.h"
#include "EngineRegistration.h"
#include "TempFolder.h"
#include "TimelineDescription.h"

namespace {

constexpr int kTracks = 10;
constexpr REFERENCE_TIME kClipLength = 33366667;

double Seconds() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return double(counter.QuadPart) / double(frequency.QuadPart);
}

// This thread's processor time: on a shared machine it says what the work
// costs where the wall clock says mostly how busy the machine was.
double CpuSeconds() {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
  auto units = [](const FILETIME& t) { return double(ULONGLONG(t.dwHighDateTime) << 32 | t.dwLowDateTime); };
  return (units(kernel) + units(user)) / 1e7;
}

class Benchmark {
 public:
  // False, after saying why, when anything failed.
  bool Run(int sources);

 private:
  // Every call goes through here: a failure is printed and remembered.
  HRESULT Check(HRESULT hr, const char* call);
  HRESULT NewTimeline(ComPtr<IAMTimeline>* timeline);
  HRESULT NewNode(IAMTimeline* timeline, TIMELINE_MAJOR_TYPE type, ComPtr<IAMTimelineObj>* node);
  HRESULT SetName(IAMTimelineObj* object, const std::wstring& name);
  HRESULT AddEffect(IAMTimeline* timeline, IAMTimelineObj* source);
  HRESULT AddSource(IAMTimeline* timeline, IAMTimelineTrack* track, int index);
  HRESULT AddGroup(IAMTimeline* timeline, ComPtr<IAMTimelineComp>* group);
  HRESULT Build(int sources, ComPtr<IAMTimeline>* timeline);
  HRESULT Xml(bool write, IAMTimeline* timeline, const std::wstring& path, double* seconds, double* cpu);

  bool failed_ = false;
};

HRESULT Benchmark::Check(HRESULT hr, const char* call) {
  if (hr != S_OK) {
    if (!failed_) printf("FAILED: %s answered 0x%08lx\n", call, static_cast<unsigned long>(hr));
    failed_ = true;
  }
  return hr == S_OK ? S_OK : FAILED(hr) ? hr : E_UNEXPECTED;
}

HRESULT Benchmark::NewTimeline(ComPtr<IAMTimeline>* timeline) {
  return Check(CoCreateInstance(CLSID_AMTimeline, nullptr, CLSCTX_INPROC_SERVER, IID_IAMTimeline,
                                timeline->ReceiveVoid()),
               "CoCreateInstance(CLSID_AMTimeline)");
}

HRESULT Benchmark::NewNode(IAMTimeline* timeline, TIMELINE_MAJOR_TYPE type, ComPtr<IAMTimelineObj>* node) {
  return Check(timeline->CreateEmptyNode(node->Receive(), type), "CreateEmptyNode");
}

HRESULT Benchmark::SetName(IAMTimelineObj* object, const std::wstring& name) {
  BSTR text = SysAllocString(name.c_str());
  HRESULT hr = Check(text ? object->SetUserName(text) : E_OUTOFMEMORY, "SetUserName");
  SysFreeString(text);
  return hr;
}

// Every tenth source carries an effect with a three-value parameter.
HRESULT Benchmark::AddEffect(IAMTimeline* timeline, IAMTimelineObj* source) {
  ComPtr<IAMTimelineObj> effect;
  ComPtr<IPropertySetter> setter;
  HRESULT hr = NewNode(timeline, TIMELINE_MAJOR_TYPE_EFFECT, &effect);
  if (SUCCEEDED(hr)) hr = Check(effect->SetStartStop(0, kClipLength), "effect SetStartStop");
  if (SUCCEEDED(hr)) {
    hr = Check(CoCreateInstance(CLSID_PropertySetter, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertySetter,
                                setter.ReceiveVoid()),
               "CoCreateInstance(CLSID_PropertySetter)");
  }
  if (FAILED(hr)) return hr;
  DEXTER_VALUE values[3] = {};
  for (int i = 0; i < 3; ++i) {
    values[i].v.vt = VT_BSTR;
    values[i].v.bstrVal = SysAllocString(std::to_wstring(i * 0.5).c_str());
    values[i].rt = i * 10000000LL;
    values[i].dwInterp = i ? DEXTERF_INTERPOLATE : DEXTERF_JUMP;
  }
  BSTR name = SysAllocString(L"Progress");
  hr = Check(setter->AddProp(DEXTER_PARAM{name, 0, 3}, values), "AddProp");
  SysFreeString(name);
  for (DEXTER_VALUE& value : values) VariantClear(&value.v);
  if (SUCCEEDED(hr)) hr = Check(effect->SetPropertySetter(setter.Get()), "SetPropertySetter");
  auto effectable = ComPtr<IAMTimelineObj>(source).As<IAMTimelineEffectable>(IID_IAMTimelineEffectable);
  if (SUCCEEDED(hr)) hr = Check(effectable ? S_OK : E_NOINTERFACE, "IAMTimelineEffectable of a source");
  if (SUCCEEDED(hr)) hr = Check(effectable->EffectInsBefore(effect.Get(), -1), "EffectInsBefore");
  return hr;
}

HRESULT Benchmark::AddSource(IAMTimeline* timeline, IAMTimelineTrack* track, int index) {
  ComPtr<IAMTimelineObj> source;
  HRESULT hr = NewNode(timeline, TIMELINE_MAJOR_TYPE_SOURCE, &source);
  if (SUCCEEDED(hr)) hr = Check(source->SetStartStop(index * kClipLength, (index + 1) * kClipLength), "SetStartStop");
  if (SUCCEEDED(hr)) hr = SetName(source.Get(), L"Clip " + std::to_wstring(index));
  auto media = source.As<IAMTimelineSrc>(IID_IAMTimelineSrc);
  if (SUCCEEDED(hr)) hr = Check(media ? S_OK : E_NOINTERFACE, "IAMTimelineSrc of a source");
  if (FAILED(hr)) return hr;
  BSTR path = SysAllocString((L"C:\\Media\\clip" + std::to_wstring(index % 97) + L".avi").c_str());
  hr = Check(path ? media->SetMediaName(path) : E_OUTOFMEMORY, "SetMediaName");
  SysFreeString(path);
  if (SUCCEEDED(hr)) hr = Check(media->SetMediaTimes(index * 1000LL, index * 1000LL + kClipLength), "SetMediaTimes");
  if (SUCCEEDED(hr)) hr = Check(media->SetDefaultFPS(29.97), "SetDefaultFPS");
  if (SUCCEEDED(hr) && index % 10 == 0) hr = AddEffect(timeline, source.Get());
  if (SUCCEEDED(hr)) hr = Check(track->SrcAdd(source.Get()), "SrcAdd");
  return hr;
}

// A 640 x 480 RGB 24 video group.
HRESULT Benchmark::AddGroup(IAMTimeline* timeline, ComPtr<IAMTimelineComp>* composition) {
  ComPtr<IAMTimelineObj> group;
  HRESULT hr = NewNode(timeline, TIMELINE_MAJOR_TYPE_GROUP, &group);
  auto settings = group.As<IAMTimelineGroup>(IID_IAMTimelineGroup);
  if (SUCCEEDED(hr)) hr = Check(settings ? S_OK : E_NOINTERFACE, "IAMTimelineGroup of a group");
  if (FAILED(hr)) return hr;
  VIDEOINFOHEADER info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = 640;
  info.bmiHeader.biHeight = 480;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biSizeImage = 640 * 480 * 3;
  AM_MEDIA_TYPE type = {};
  type.majortype = MEDIATYPE_Video;
  type.subtype = MEDIASUBTYPE_RGB24;
  type.formattype = FORMAT_VideoInfo;
  type.bFixedSizeSamples = TRUE;
  type.lSampleSize = info.bmiHeader.biSizeImage;
  type.cbFormat = sizeof info;
  type.pbFormat = reinterpret_cast<BYTE*>(&info);
  hr = Check(settings->SetMediaType(&type), "SetMediaType");
  if (SUCCEEDED(hr)) hr = Check(timeline->AddGroup(group.Get()), "AddGroup");
  *composition = group.As<IAMTimelineComp>(IID_IAMTimelineComp);
  if (SUCCEEDED(hr)) hr = Check(*composition ? S_OK : E_NOINTERFACE, "IAMTimelineComp of a group");
  return hr;
}

HRESULT Benchmark::Build(int sources, ComPtr<IAMTimeline>* timeline) {
  ComPtr<IAMTimelineComp> group;
  HRESULT hr = NewTimeline(timeline);
  if (SUCCEEDED(hr)) hr = AddGroup(timeline->Get(), &group);
  for (int t = 0; SUCCEEDED(hr) && t < kTracks; ++t) {
    ComPtr<IAMTimelineObj> track;
    hr = NewNode(timeline->Get(), TIMELINE_MAJOR_TYPE_TRACK, &track);
    if (SUCCEEDED(hr)) hr = SetName(track.Get(), L"Track_" + std::to_wstring(t));
    if (SUCCEEDED(hr)) hr = Check(group->VTrackInsBefore(track.Get(), -1), "VTrackInsBefore");
    auto sourcesOf = track.As<IAMTimelineTrack>(IID_IAMTimelineTrack);
    if (SUCCEEDED(hr)) hr = Check(sourcesOf ? S_OK : E_NOINTERFACE, "IAMTimelineTrack of a track");
    for (int i = 0; SUCCEEDED(hr) && i < sources / kTracks; ++i) hr = AddSource(timeline->Get(), sourcesOf.Get(), i);
  }
  return hr;
}

HRESULT Benchmark::Xml(bool write, IAMTimeline* timeline, const std::wstring& path, double* seconds,
                       double* cpu) {
  ComPtr<IXml2Dex> xml;
  HRESULT hr = Check(CoCreateInstance(CLSID_Xml2Dex, nullptr, CLSCTX_INPROC_SERVER, IID_IXml2Dex, xml.ReceiveVoid()),
                     "CoCreateInstance(CLSID_Xml2Dex)");
  BSTR name = SysAllocString(path.c_str());
  if (SUCCEEDED(hr) && !name) hr = Check(E_OUTOFMEMORY, "SysAllocString");
  if (FAILED(hr)) return hr;
  double start = Seconds(), startCpu = CpuSeconds();
  hr = write ? xml->WriteXMLFile(timeline, name) : xml->ReadXMLFile(timeline, name);
  *seconds = Seconds() - start;
  *cpu = CpuSeconds() - startCpu;
  SysFreeString(name);
  return Check(hr, write ? "WriteXMLFile" : "ReadXMLFile");
}

bool Benchmark::Run(int sources) {
  TempFolder folder;
  std::wstring path = folder.File(L"benchmark.mvp");
  CountingErrorLog problems;  // outlives the timeline it is set on
  ComPtr<IAMTimeline> timeline, copy;
  double started = Seconds(), saving = 0, opening = 0, savingCpu = 0, openingCpu = 0;
  HRESULT hr = Build(sources, &timeline);
  double building = Seconds() - started;
  if (SUCCEEDED(hr)) hr = Xml(true, timeline.Get(), path, &saving, &savingCpu);
  if (SUCCEEDED(hr)) hr = NewTimeline(&copy);
  auto setLog = copy.As<IAMSetErrorLog>(IID_IAMSetErrorLog);
  if (SUCCEEDED(hr)) hr = Check(setLog ? setLog->put_ErrorLog(&problems) : E_NOINTERFACE, "put_ErrorLog");
  if (SUCCEEDED(hr)) hr = Xml(false, copy.Get(), path, &opening, &openingCpu);
  if (SUCCEEDED(hr) && problems.reports) {
    printf("the engine reported: %ls\n", problems.first.c_str());
    hr = Check(E_FAIL, "reading without problems reported");
  }
  if (FAILED(hr)) return false;
  long groups = 0;
  if (FAILED(Check(copy->GetGroupCount(&groups), "GetGroupCount")) || groups != 1) {
    printf("FAILED: %ld groups read back instead of 1\n", groups);
    return false;
  }
  if (DescribeTimeline(timeline.Get()) != DescribeTimeline(copy.Get())) {
    printf("FAILED: the project of %d sources read back different\n", sources);
    return false;
  }
  printf("%7d sources: build %7.3f s, save %7.3f s (cpu %7.3f), open %7.3f s (cpu %7.3f), file %9zu bytes,"
         " read back equal\n",
         sources, building, saving, savingCpu, opening, openingCpu, ReadWholeFile(path).size());
  fflush(stdout);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int largest = argc > 1 ? atoi(argv[1]) : 100000;
  if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {
    printf("FAILED: CoInitializeEx\n");
    return 1;
  }
  bool good = SUCCEEDED(RegisterEngineClasses());
  if (!good) printf("FAILED: RegisterEngineClasses\n");
  for (int sources = 100; good && sources <= largest; sources *= 10) good = Benchmark().Run(sources);
  RevokeEngineClasses();
  CoUninitialize();
  printf(good ? "all projects read back equal\n" : "BENCHMARK FAILED\n");
  return good ? 0 : 1;
}
