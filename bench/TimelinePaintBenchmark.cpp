// Paints the timeline control over a project of 10,000 sources (ten tracks of
// 1,000 ten-second clips of one picture) into a memory bitmap: at a scale
// where every visible source shows its first frame, and zoomed to fit the
// whole project. Reports the median and slowest of 50 paints of each. Run by
// hand on a display:  build/wine-run.sh build/bench/timeline_paint_benchmark.exe
// Exits non-zero when the control did not hold every source or no picture
// was drawn.
#include <windows.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdio>
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

const int kTracks = 10, kSourcesPerTrack = 1000;
const REFERENCE_TIME kSecond = 10000000, kClip = 10 * kSecond;

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

ComPtr<IAMTimeline> Project(const std::wstring& picture) {
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
    for (int i = 0; i < kSourcesPerTrack; ++i) {
      ComPtr<IAMTimelineObj> source = Node(timeline.Get(), TIMELINE_MAJOR_TYPE_SOURCE);
      source.As<IAMTimelineSrc>(IID_IAMTimelineSrc)->SetMediaName(name);
      source->SetStartStop(i * kClip, (i + 1) * kClip);
      sources->SrcAdd(source.Get());
    }
  }
  SysFreeString(name);
  return timeline;
}

int CountSources(TimeLineModel*, TLItem*, void*) { return 1; }

// Milliseconds of each paint, sorted.
std::vector<double> PaintTimes(TimeLineModel& control, HDC dc) {
  std::vector<double> times;
  for (int i = 0; i < 50; ++i) {
    double start = Now();
    control.Paint(dc);
    times.push_back((Now() - start) * 1000.0);
  }
  std::sort(times.begin(), times.end());
  return times;
}

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  RegisterEngineClasses();
  bool right = false;
  {
    TempFolder folder;
    std::wstring picture = folder.File(L"picture.bmp");
    if (!WriteWholeFile(picture, RedOverBlue(GUID_ContainerFormatBmp, 64, 48))) return 1;
    ComPtr<IAMTimeline> timeline = Project(picture);
    FrameWindow* host = new FrameWindow();
    host->SetSize(1300, 1000);
    host->Create(nullptr, GetModuleHandleW(nullptr));
    TimeLineModel* control = new TimeLineModel();
    control->SetSize(1280, 900);
    control->Create(host->Handle(), GetModuleHandleW(nullptr));
    control->SetTimeline(timeline.Get());
    control->Refresh(true);
    int sources = control->ForEachItem(kItemSource, &CountSources, nullptr);

    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 1280, 900);
    HGDIOBJ old = SelectObject(dc, bitmap);
    // A tenth of a second a pixel: clips 100 pixels wide, each with its picture.
    while (control->Scale() > 100000) SendMessageW(control->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WORD(-120)), 0);
    control->Paint(dc);  // the first paint makes the picture
    COLORREF red = GetPixel(dc, 50, 20 + 16 + 14 + 4);
    std::vector<double> pictures = PaintTimes(*control, dc);
    control->ZoomToFit();
    std::vector<double> whole = PaintTimes(*control, dc);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);

    std::printf("%d sources, %d picture(s) made; scale %lld us/px\n", sources, control->Media().EntryCount(),
                static_cast<long long>(control->Scale()));
    std::printf("paint with pictures: median %.2f ms, slowest %.2f ms\n", pictures[25], pictures.back());
    std::printf("paint zoomed to fit: median %.2f ms, slowest %.2f ms\n", whole[25], whole.back());
    right = sources == kTracks * kSourcesPerTrack && GetRValue(red) > 200 && GetBValue(red) < 60;
    if (!right) std::printf("wrong: sources %d, pixel %06lx\n", sources, static_cast<unsigned long>(red));
    host->Destroy(true);
  }
  CoUninitialize();
  return right ? 0 : 1;
}
