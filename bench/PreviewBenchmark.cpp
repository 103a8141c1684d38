// Plays the reference composition in the preview window, paced by the graph's
// clock: 10 s of two 640 x 480, 30 fps tracks of uncompressed AVI clips, the
// upper one from 4 s, cross-faded in over 4-6 s, over a stereo 44.1 kHz tone.
// Reports how many frames the video renderer showed, how late each came
// against the clock (the audio renderer's, so this is the audio/video
// offset), and what the renderer's IQualProp says where it has one. Run by
// hand on a display, with sound going to ALSA's null device:
//   MORVIK_NULL_AUDIO=1 build/wine-run.sh build/bench/preview_benchmark.exe
// Exits non-zero when playback did not reach its end or frames are missing.
#include <windows.h>
#include <dshow.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "ComPtr.h"
#include "EditingServices.h"
#include "EffectIds.h"
#include "EngineRegistration.h"
#include "RiffBytes.h"
#include "TempFolder.h"
#include "TestMedia.h"
#include "TimeLineView.h"

namespace {

const int kWidth = 640, kHeight = 480, kFps = 30, kSeconds = 10;
const REFERENCE_TIME kSecond = 10000000, kFrame = kSecond / kFps;

double Now() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return double(counter.QuadPart) / double(frequency.QuadPart);
}

// What the video renderer reports of each frame it shows.
class QualitySink final : public IQualityControl {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    *object = iid == IID_IUnknown || iid == IID_IQualityControl ? this : nullptr;
    return *object ? S_OK : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 1; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP Notify(IBaseFilter*, Quality quality) override {
    // A late frame's Late counts its own duration too; an early one's is how early it came.
    lateness.push_back(quality.Late > 0 ? std::max<REFERENCE_TIME>(0, quality.Late - kFrame) : 0);
    if (quality.Late < 0) lead += double(-quality.Late) / 10000.0;
    return S_OK;
  }
  STDMETHODIMP SetSink(IQualityControl*) override { return E_NOTIMPL; }

  std::vector<REFERENCE_TIME> lateness;
  double lead = 0;  // ms, summed over the frames that came early
};

bool WriteClip(const std::wstring& path, int shade) {
  AviStream video{Bytes(Bitmap(kWidth, kHeight, 24))};
  video.timePerFrame = kFrame;
  std::string frame(size_t(kWidth) * kHeight * 3, '\0');
  for (int f = 0; f < kFps; ++f) {
    for (size_t i = 0; i < frame.size(); i += 3) {
      size_t x = i / 3 % kWidth, y = i / 3 / kWidth;
      frame[i] = char(shade), frame[i + 1] = char(y * 255 / kHeight), frame[i + 2] = char((x + 8 * f) % 256);
    }
    video.chunks.push_back(frame);
  }
  return SUCCEEDED(WriteAvi(path, {video}));
}

bool WriteTone(const std::wstring& path) {
  std::vector<int> samples;
  for (int i = 0; i < 44100 * kSeconds; ++i) {
    int value = int(6000 * std::sin(i * 2 * 3.14159265 * 440 / 44100));
    samples.push_back(value);
    samples.push_back(value / 2);
  }
  std::string bytes = PcmWav(16, 2, 44100, samples);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written = 0;
  bool right = WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) && written == bytes.size();
  CloseHandle(file);
  return right;
}

ComPtr<IAMTimelineObj> Node(IAMTimeline* timeline, TIMELINE_MAJOR_TYPE kind) {
  ComPtr<IAMTimelineObj> node;
  timeline->CreateEmptyNode(node.Receive(), kind);
  return node;
}

ComPtr<IAMTimelineObj> Group(IAMTimeline* timeline, AM_MEDIA_TYPE* type) {
  ComPtr<IAMTimelineObj> group = Node(timeline, TIMELINE_MAJOR_TYPE_GROUP);
  group.As<IAMTimelineGroup>(IID_IAMTimelineGroup)->SetMediaType(type);
  group.As<IAMTimelineGroup>(IID_IAMTimelineGroup)->SetOutputFPS(kFps);
  timeline->AddGroup(group.Get());
  return group;
}

// One source per second of [from, to): the clip's one second each time.
ComPtr<IAMTimelineObj> Track(IAMTimeline* timeline, IAMTimelineObj* group, const std::wstring& path, int from,
                             int to, REFERENCE_TIME length = kSecond) {
  ComPtr<IAMTimelineObj> track = Node(timeline, TIMELINE_MAJOR_TYPE_TRACK);
  ComPtr<IAMTimelineObj>(group).As<IAMTimelineComp>(IID_IAMTimelineComp)->VTrackInsBefore(track.Get(), -1);
  for (REFERENCE_TIME at = from * kSecond; at < to * kSecond; at += length) {
    ComPtr<IAMTimelineObj> source = Node(timeline, TIMELINE_MAJOR_TYPE_SOURCE);
    source->SetStartStop(at, at + length);
    BSTR name = SysAllocString(path.c_str());
    source.As<IAMTimelineSrc>(IID_IAMTimelineSrc)->SetMediaName(name);
    SysFreeString(name);
    source.As<IAMTimelineSrc>(IID_IAMTimelineSrc)->SetMediaTimes(0, length);
    track.As<IAMTimelineTrack>(IID_IAMTimelineTrack)->SrcAdd(source.Get());
  }
  return track;
}

ComPtr<IAMTimeline> Composition(const TempFolder& folder) {
  ComPtr<IAMTimeline> timeline;
  CoCreateInstance(CLSID_AMTimeline, nullptr, CLSCTX_INPROC_SERVER, IID_IAMTimeline, timeline.ReceiveVoid());
  VIDEOINFOHEADER info = {};
  info.bmiHeader = Bitmap(kWidth, kHeight, 24);
  AM_MEDIA_TYPE video = {MEDIATYPE_Video, MEDIASUBTYPE_RGB24, TRUE, FALSE, 0, FORMAT_VideoInfo, nullptr,
                         sizeof info, reinterpret_cast<BYTE*>(&info)};
  ComPtr<IAMTimelineObj> pictures = Group(timeline.Get(), &video);
  Track(timeline.Get(), pictures.Get(), folder.File(L"lower.avi"), 0, kSeconds);
  ComPtr<IAMTimelineObj> upper = Track(timeline.Get(), pictures.Get(), folder.File(L"upper.avi"), 4, kSeconds);
  ComPtr<IAMTimelineObj> fade = Node(timeline.Get(), TIMELINE_MAJOR_TYPE_TRANSITION);
  fade->SetStartStop(4 * kSecond, 6 * kSecond);
  fade->SetSubObjectGUID(CLSID_EngineCrossFade);
  upper.As<IAMTimelineTransable>(IID_IAMTimelineTransable)->TransAdd(fade.Get());

  WAVEFORMATEX wave = Pcm16(2, 44100);
  AM_MEDIA_TYPE audio = {MEDIATYPE_Audio, MEDIASUBTYPE_PCM, TRUE, FALSE, 4, FORMAT_WaveFormatEx, nullptr,
                         sizeof wave, reinterpret_cast<BYTE*>(&wave)};
  ComPtr<IAMTimelineObj> sound = Group(timeline.Get(), &audio);
  Track(timeline.Get(), sound.Get(), folder.File(L"tone.wav"), 0, kSeconds, kSeconds * kSecond);
  return timeline;
}

// The name of the filter whose clock the graph runs on.
std::wstring ClockOwner(TimeLineView& preview) {
  ComPtr<IReferenceClock> clock;
  ComPtr<IGraphBuilder>(preview.Graph()).As<IMediaFilter>(IID_IMediaFilter)->GetSyncSource(clock.Receive());
  if (!clock) return L"none";
  ComPtr<IUnknown> identity = clock.As<IUnknown>(IID_IUnknown);
  ComPtr<IEnumFilters> filters;
  preview.Graph()->EnumFilters(filters.Receive());
  IBaseFilter* filter = nullptr;
  std::wstring owner = L"the system clock";
  while (filters->Next(1, &filter, nullptr) == S_OK) {
    ComPtr<IBaseFilter> held = ComPtr<IBaseFilter>::Adopt(filter);
    FILTER_INFO info = {};
    held->QueryFilterInfo(&info);
    if (info.pGraph) info.pGraph->Release();
    if (held.As<IUnknown>(IID_IUnknown).Get() == identity.Get()) owner = info.achName;
  }
  return owner;
}

// Plays to the end; the seconds it took, or -1 when it did not end.
double Play(TimeLineView& preview) {
  double start = Now();
  if (preview.TogglePlay() != 0) return -1;
  MSG msg;
  while (Now() - start < 4.0 * kSeconds) {
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
    OAFilterState state = State_Running;
    preview.Control()->GetState(0, &state);
    if (state == State_Stopped) return Now() - start;
    Sleep(5);
  }
  return -1;
}

void ReportQualProp(IBaseFilter* renderer) {
  ComPtr<IQualProp> properties = ComPtr<IBaseFilter>(renderer).As<IQualProp>(IID_IQualProp);
  if (!properties) {
    std::printf("IQualProp: the video renderer offers none (figures below are from its quality messages)\n");
    return;
  }
  int dropped = -1, drawn = -1, offset = -1, deviation = -1;
  properties->get_FramesDroppedInRenderer(&dropped);
  properties->get_FramesDrawn(&drawn);
  properties->get_AvgSyncOffset(&offset);
  properties->get_DevSyncOffset(&deviation);
  std::printf("IQualProp: %d drawn, %d dropped, sync offset %d ms (deviation %d ms)\n", drawn, dropped, offset,
              deviation);
}

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  RegisterEngineClasses();
  bool right = false;
  {
    TempFolder folder;
    if (!WriteClip(folder.File(L"lower.avi"), 40) || !WriteClip(folder.File(L"upper.avi"), 220) ||
        !WriteTone(folder.File(L"tone.wav"))) {
      std::printf("the media could not be written\n");
      return 1;
    }
    ComPtr<IAMTimeline> timeline = Composition(folder);
    TimeLineView* preview = new TimeLineView();
    QualitySink sink;
    if (preview->Create(nullptr, GetModuleHandleW(nullptr)) == 0 &&
        preview->Start(timeline.Get()) == S_WARN_OUTPUTRESET) {
      ComPtr<IBaseFilter>(preview->VideoRenderer()).As<IQualityControl>(IID_IQualityControl)->SetSink(&sink);
      double seconds = Play(*preview);
      std::wstring clock = ClockOwner(*preview);  // the graph picks it as it starts
      ReportQualProp(preview->VideoRenderer());
      std::vector<REFERENCE_TIME> late = sink.lateness;
      std::sort(late.begin(), late.end());
      size_t behind = std::count_if(late.begin(), late.end(), [](REFERENCE_TIME t) { return t > kFrame; });
      double mean = 0;
      for (REFERENCE_TIME t : late) mean += double(t) / 10000.0;
      mean = late.empty() ? 0 : mean / double(late.size());
      std::printf("played %d s in %.2f s; clock: %ls\n", kSeconds, seconds, clock.c_str());
      std::printf("frames shown: %zu of %d; later than one frame (as good as dropped): %zu\n", late.size() + 1,
                  kFps * kSeconds, behind);
      std::printf("frames reached the renderer %.1f ms before their time on average\n",
                  late.empty() ? 0.0 : sink.lead / double(late.size()));
      if (!late.empty()) {
        std::printf("video behind the audio clock: mean %.1f ms, median %.1f ms, 95th percentile %.1f ms, worst %.1f ms\n",
                    mean, double(late[late.size() / 2]) / 10000.0, double(late[late.size() * 95 / 100]) / 10000.0,
                    double(late.back()) / 10000.0);
      }
      right = seconds > 0 && late.size() + 1 >= size_t(kFps * kSeconds) - 2;
      if (!right) std::printf("WRONG: playback did not reach its end or frames are missing\n");
    } else {
      std::printf("the preview could not be built\n");
    }
    preview->Destroy(true);
  }
  RevokeEngineClasses();
  CoUninitialize();
  return right ? 0 : 1;
}
