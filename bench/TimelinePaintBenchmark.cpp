// The timeline control over projects of 100 to 100,000 sources (ten tracks of
// ten-second clips): the control taking a project (its tables rebuilt and its
// scroll bars set), and a full repaint into a memory bitmap at a scale where
// every visible source shows its first frame, the same with sources that name
// no media (no pictures), and zoomed to fit the whole project. Medians and
// slowest of repeated runs. Run by hand on a display:
//   build/wine-run.sh build/bench/timeline_paint_benchmark.exe [largest]
// Exits 1 after "FAILED" when the control did not hold every source, or the
// picture was missing where it belongs or drawn where it does not.
#include <windows.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "ComPtr.h"
#include "EditingServices.h"
#include "EngineRegistration.h"
#include "FrameWindow.h"
#include "RiffBytes.h"
#include "TempFolder.h"
#include "TestMedia.h"
#include "TimeLineModel.h"

namespace {

const int kTracks = 10;
const REFERENCE_TIME kSecond = 10000000, kClip = 10 * kSecond;
const int kWidth = 1280, kHeight = 900;
const int kPictureX = 50, kPictureY = 20 + 16 + 14 + 4;  // inside the first clip's picture

double Now() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return double(counter.QuadPart) / double(frequency.QuadPart);
}

ComPtr<IAMTimelineObj> Node(IAMTimeline* timeline, TIMELINE_MAJOR_TYPE kind) {
  ComPtr<IAMTimelineObj> node;
  timeline->CreateEmptyNode(node.Receive(), kind);
  return node;
}

// Sources naming picture, or no media when it is empty.
ComPtr<IAMTimeline> Project(int count, const std::wstring& picture) {
  ComPtr<IAMTimeline> timeline;
  CoCreateInstance(CLSID_AMTimeline, nullptr, CLSCTX_INPROC_SERVER, IID_IAMTimeline,
                   reinterpret_cast<void**>(timeline.Receive()));
  ComPtr<IAMTimelineObj> group = Node(timeline.Get(), TIMELINE_MAJOR_TYPE_GROUP);
  AM_MEDIA_TYPE type = {};
  type.majortype = MEDIATYPE_Video;
  type.subtype = MEDIASUBTYPE_RGB24;
  group.As<IAMTimelineGroup>(IID_IAMTimelineGroup)->SetMediaType(&type);
  timeline->AddGroup(group.Get());
  BSTR name = SysAllocString(picture.c_str());
  for (int t = 0; t < kTracks; ++t) {
    ComPtr<IAMTimelineObj> track = Node(timeline.Get(), TIMELINE_MAJOR_TYPE_TRACK);
    group.As<IAMTimelineComp>(IID_IAMTimelineComp)->VTrackInsBefore(track.Get(), -1);
    ComPtr<IAMTimelineTrack> sources = track.As<IAMTimelineTrack>(IID_IAMTimelineTrack);
    for (int i = 0; i < count / kTracks; ++i) {
      ComPtr<IAMTimelineObj> source = Node(timeline.Get(), TIMELINE_MAJOR_TYPE_SOURCE);
      if (!picture.empty()) source.As<IAMTimelineSrc>(IID_IAMTimelineSrc)->SetMediaName(name);
      source->SetStartStop(i * kClip, (i + 1) * kClip);
      sources->SrcAdd(source.Get());
    }
  }
  SysFreeString(name);
  return timeline;
}

int CountSources(TimeLineModel*, TLItem*, void*) { return 1; }

// This thread's processor seconds (in ticks of the scheduler, so only the
// sum over many rounds means anything).
double CpuSeconds() {
  FILETIME created, exited, kernel, user;
  if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user)) return 0;
  auto units = [](const FILETIME& t) { return double(ULONGLONG(t.dwHighDateTime) << 32 | t.dwLowDateTime); };
  return (units(kernel) + units(user)) / 1e7;
}

struct Times {
  double median, slowest, cpu;  // ms; cpu is the mean processor time a round
};

Times Measure(int rounds, const std::function<void(int)>& work) {
  std::vector<double> times;
  double cpu = CpuSeconds();
  for (int i = 0; i < rounds; ++i) {
    double start = Now();
    work(i);
    times.push_back((Now() - start) * 1000.0);
  }
  cpu = (CpuSeconds() - cpu) * 1000.0 / rounds;
  std::sort(times.begin(), times.end());
  return {times[times.size() / 2], times.back(), cpu};
}

class Bench {
 public:
  Bench(TimeLineModel* control, HDC dc) : control_(control), dc_(dc) {}
  // False after saying what was wrong.
  bool Run(int count, const std::wstring& picture);

 private:
  void Take(IAMTimeline* timeline) {
    control_->SetTimeline(timeline);
    control_->UpdateScrollBars(kScrollBarVertical | kScrollBarHorizontal);
  }
  bool Holds(int count) {
    int sources = control_->ForEachItem(kItemSource, &CountSources, nullptr);
    if (sources == count && control_->ProjectEnd() == count / kTracks * kClip / 10) return true;  // microseconds
    std::printf("FAILED: %d sources held of %d, ending at %lld us\n", sources, count,
                static_cast<long long>(control_->ProjectEnd()));
    return false;
  }
  // The first paint at a scale makes the pictures; the ones timed redraw them.
  bool PictureShown(bool expected) {
    control_->Paint(dc_);
    COLORREF pixel = GetPixel(dc_, kPictureX, kPictureY);
    bool red = GetRValue(pixel) > 200 && GetBValue(pixel) < 60;
    if (red == expected) return true;
    std::printf("FAILED: picture %s, pixel %06lx\n", expected ? "missing" : "drawn without media",
                static_cast<unsigned long>(pixel));
    return false;
  }
  // A tenth of a second a pixel or finer: clips wider than their pictures.
  void ZoomIn() {
    while (control_->Scale() > 100000) SendMessageW(control_->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-120)), 0);
  }
  Times Paints(int rounds) {
    return Measure(rounds, [this](int) { control_->Paint(dc_); });
  }

  TimeLineModel* control_;
  HDC dc_;
};

bool Bench::Run(int count, const std::wstring& picture) {
  ComPtr<IAMTimeline> pictures = Project(count, picture), plain = Project(count, L"");
  struct Detach {  // the control lets go of a project before the project goes
    TimeLineModel* control;
    ~Detach() { control->SetTimeline(nullptr); }
  } detach{control_};
  int rounds = count >= 100000 ? 11 : 51;
  Times rebuild = Measure(rounds, [&](int i) { Take(i % 2 ? pictures.Get() : plain.Get()); });
  Take(pictures.Get());
  if (!Holds(count)) return false;
  ZoomIn();
  if (!PictureShown(true)) return false;
  Times withPictures = Paints(rounds);
  control_->ZoomToFit();
  Times whole = Paints(rounds);
  Take(plain.Get());
  ZoomIn();
  if (!Holds(count) || !PictureShown(false)) return false;
  Times withoutPictures = Paints(rounds);
  std::printf("%7d", count);
  for (const Times& t : {rebuild, withPictures, withoutPictures, whole}) {
    std::printf(" | %7.2f %7.2f %7.2f", t.median, t.slowest, t.cpu);
  }
  std::printf("\n");
  std::fflush(stdout);
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int largest = argc > 1 ? std::atoi(argv[1]) : 100000;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  RegisterEngineClasses();
  bool right = true;
  {
    TempFolder folder;
    std::wstring picture = folder.File(L"picture.bmp");
    if (!WriteWholeFile(picture, RedOverBlue(GUID_ContainerFormatBmp, 64, 48))) right = false;
    FrameWindow* host = new FrameWindow();
    host->SetSize(kWidth + 20, kHeight + 100);
    host->Create(nullptr, GetModuleHandleW(nullptr));
    TimeLineModel* control = new TimeLineModel();
    control->SetSize(kWidth, kHeight);
    control->Create(host->Handle(), GetModuleHandleW(nullptr));
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, kWidth, kHeight);
    HGDIOBJ old = SelectObject(dc, bitmap);
    std::printf("ms (median, slowest, mean processor time): rebuild | paint with pictures | without"
                " | zoomed to fit\n");
    Bench bench(control, dc);
    for (int count = 100; right && count <= largest; count *= 10) right = bench.Run(count, picture);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    host->Destroy(true);
  }
  RevokeEngineClasses();
  CoUninitialize();
  std::printf(right ? "every project held whole, pictures where they belong\n" : "BENCHMARK FAILED\n");
  return right ? 0 : 1;
}
