// Times the render engine on 10 s of a 640 x 480, 30 fps RGB24 project of
// two overlapping tracks of uncompressed AVI clips (the upper one over 2 to
// 8 s), rendered into a sink that takes frames as fast as they come: once
// with the upper clips at the group's size, once at 320 x 240 stretched
// (every frame of the overlap scaled). Run by hand:
//   build/wine-run.sh build/tests/engine/render_benchmark.exe
// Exits non-zero when the frame count or a probed pixel is wrong. Also
// prints the heap allocations made a frame while it streams.
#include <windows.h>
#include <dshow.h>
#include <evcode.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "AviWriter.h"
#include "ComPtr.h"
#include "EditingServices.h"
#include "EngineRegistration.h"
#include "InputPin.h"
#include "MediaTypeBuilder.h"
#include "RiffBytes.h"
#include "TempFolder.h"

// Every allocation through operator new is counted.
std::atomic<long> allocations{0};

void* operator new(size_t size) {
  allocations.fetch_add(1, std::memory_order_relaxed);
  if (void* block = std::malloc(size ? size : 1)) return block;
  throw std::bad_alloc();
}
void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, size_t) noexcept { std::free(block); }

namespace {

const int kWidth = 640, kHeight = 480, kFps = 30, kSeconds = 10;
const REFERENCE_TIME kSecond = 10000000;
const CLSID kSinkClsid = {0x6f0e2a77, 0x1b3c, 0x4d55, {0x8e, 0x21, 0x7a, 0x90, 0x3c, 0x4d, 0x11, 0x02}};

double Seconds() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return double(counter.QuadPart) / double(frequency.QuadPart);
}

// One second of frames at path: red x, green y (both scaled to the size), blue tone + frame.
bool WriteClip(const std::wstring& path, int width, int height, int tone) {
  BITMAPINFOHEADER bitmap = Bitmap(width, height, 24);
  MediaType type;
  AviWriter writer;
  HRESULT hr = MediaTypeBuilder::Video(reinterpret_cast<const BYTE*>(&bitmap), sizeof bitmap, kSecond / kFps, &type);
  if (SUCCEEDED(hr)) hr = writer.AddStream(type.Get());
  if (SUCCEEDED(hr)) hr = writer.Create(path.c_str(), AviWriter::Options());
  std::string frame(size_t(width) * height * 3, '\0');
  for (int f = 0; f < kFps && SUCCEEDED(hr); ++f) {
    char* pixel = &frame[0];
    for (int y = height - 1; y >= 0; --y)
      for (int x = 0; x < width; ++x, pixel += 3)
        pixel[0] = char(tone + f), pixel[1] = char(y * 200 / height), pixel[2] = char(x * 200 / width);
    hr = writer.WriteChunk(0, reinterpret_cast<const BYTE*>(frame.data()), DWORD(frame.size()), true);
  }
  HRESULT finished = writer.Finish();
  return SUCCEEDED(hr) && SUCCEEDED(finished);
}

// Counts frames and keeps pixel (100, 100) of every frame, and the
// allocations made from 3 to 7 s, when every file is open (opening one
// allocates) and clips still change every second.
class CountingSink final : public FilterBase {
 public:
  static constexpr size_t kFirst = kFps * 3, kLast = kFps * 7;

  explicit CountingSink(IUnknown* outer) : FilterBase(outer, kSinkClsid), pin_(this) { probes.reserve(kFps * kSeconds); }
  int PinCount() override { return 1; }
  PinBase* PinAt(int index) override { return index == 0 ? &pin_ : nullptr; }
  std::vector<std::string> probes;
  long allocations[2] = {};  // at frames kFirst and kLast

 protected:
  ULONG MiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

 private:
  class Pin final : public InputPin {
   public:
    explicit Pin(CountingSink* sink) : InputPin(sink, L"In"), sink_(sink) {}
    HRESULT Accepts(const AM_MEDIA_TYPE& type) override { return type.majortype == MEDIATYPE_Video ? S_OK : S_FALSE; }

   protected:
    HRESULT OnReceive(IMediaSample* sample) override {
      BYTE* data = nullptr;
      sample->GetPointer(&data);
      sink_->probes.push_back(std::string(reinterpret_cast<char*>(data) + ((kHeight - 101) * kWidth + 100) * 3, 3));
      if (sink_->probes.size() == kFirst) sink_->allocations[0] = ::allocations.load();
      if (sink_->probes.size() == kLast) sink_->allocations[1] = ::allocations.load();
      return S_OK;
    }
    HRESULT OnEndOfStream() override {
      sink_->NotifyComplete();
      return S_OK;
    }

   private:
    CountingSink* sink_;
  };
  Pin pin_;
};

ComPtr<IAMTimelineObj> Node(IAMTimeline* timeline, TIMELINE_MAJOR_TYPE kind) {
  ComPtr<IAMTimelineObj> node;
  timeline->CreateEmptyNode(node.Receive(), kind);
  return node;
}

void AddClips(IAMTimeline* timeline, IAMTimelineObj* group, const std::wstring& path, int from, int to) {
  ComPtr<IAMTimelineObj> track = Node(timeline, TIMELINE_MAJOR_TYPE_TRACK);
  ComPtr<IAMTimelineObj>(group).As<IAMTimelineComp>(IID_IAMTimelineComp)->VTrackInsBefore(track.Get(), -1);
  for (int second = from; second < to; ++second) {
    ComPtr<IAMTimelineObj> source = Node(timeline, TIMELINE_MAJOR_TYPE_SOURCE);
    source->SetStartStop(second * kSecond, (second + 1) * kSecond);
    ComPtr<IAMTimelineSrc> media = source.As<IAMTimelineSrc>(IID_IAMTimelineSrc);
    BSTR name = SysAllocString(path.c_str());
    media->SetMediaName(name);
    SysFreeString(name);
    media->SetMediaTimes(0, kSecond);
    track.As<IAMTimelineTrack>(IID_IAMTimelineTrack)->SrcAdd(source.Get());
  }
}

ComPtr<IAMTimeline> Project(const std::wstring& lower, const std::wstring& upper) {
  ComPtr<IAMTimeline> timeline;
  CoCreateInstance(CLSID_AMTimeline, nullptr, CLSCTX_INPROC_SERVER, IID_IAMTimeline, timeline.ReceiveVoid());
  ComPtr<IAMTimelineObj> group = Node(timeline.Get(), TIMELINE_MAJOR_TYPE_GROUP);
  VIDEOINFOHEADER info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, kHeight, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  AM_MEDIA_TYPE type = {MEDIATYPE_Video, MEDIASUBTYPE_RGB24, TRUE, FALSE, 0, FORMAT_VideoInfo, nullptr,
                        sizeof info, reinterpret_cast<BYTE*>(&info)};
  ComPtr<IAMTimelineGroup> settings = group.As<IAMTimelineGroup>(IID_IAMTimelineGroup);
  settings->SetMediaType(&type);
  settings->SetOutputFPS(kFps);
  timeline->AddGroup(group.Get());
  AddClips(timeline.Get(), group.Get(), lower, 0, kSeconds);
  AddClips(timeline.Get(), group.Get(), upper, 2, 8);
  return timeline;
}

// Renders the project; false when what arrived is wrong.
bool Render(const char* name, IAMTimeline* timeline) {
  ComPtr<IGraphBuilder> graph;
  ComPtr<IRenderEngine> engine;
  CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph.ReceiveVoid());
  CoCreateInstance(CLSID_RenderEngine, nullptr, CLSCTX_INPROC_SERVER, IID_IRenderEngine, engine.ReceiveVoid());
  engine->SetTimelineObject(timeline);
  engine->SetFilterGraph(graph.Get());
  ComPtr<IBaseFilter> sink;
  ComPtr<IPin> output;
  if (engine->ConnectFrontEnd() != S_WARN_OUTPUTRESET || FAILED(engine->GetGroupOutputPin(0, output.Receive())) ||
      FAILED(CreateComObject<CountingSink>(nullptr, IID_IBaseFilter, sink.ReceiveVoid())) ||
      FAILED(graph->AddFilter(sink.Get(), L"sink"))) {
    std::printf("%s: the graph could not be built\n", name);
    return false;
  }
  ComPtr<IEnumPins> pins;
  IPin* input = nullptr;
  sink->EnumPins(pins.Receive());
  pins->Next(1, &input, nullptr);
  HRESULT connected = graph->ConnectDirect(output.Get(), input, nullptr);
  input->Release();
  graph.As<IMediaFilter>(IID_IMediaFilter)->SetSyncSource(nullptr);  // as fast as frames come
  double start = Seconds();
  long code = 0;
  if (SUCCEEDED(connected) && SUCCEEDED(graph.As<IMediaControl>(IID_IMediaControl)->Run()))
    graph.As<IMediaEvent>(IID_IMediaEvent)->WaitForCompletion(60000, &code);
  double elapsed = Seconds() - start;
  graph.As<IMediaControl>(IID_IMediaControl)->Stop();
  engine->ScrapIt();
  const CountingSink* counted = static_cast<CountingSink*>(sink.Get());
  const std::vector<std::string>& probes = counted->probes;
  // Frame 45 is the lower clip's frame 15, frame 105 the upper's frame 15 (pixel 100, 100).
  std::string lower{char(15), char(100 * 200 / kHeight), char(100 * 200 / kWidth)};
  std::string upper{char(100 + 15), char(100 * 200 / kHeight), char(100 * 200 / kWidth)};
  bool right = code == EC_COMPLETE && probes.size() == size_t(kFps * kSeconds) && probes[45] == lower &&
               (probes[105][0] == upper[0] && std::abs(probes[105][1] - upper[1]) <= 1 &&
                std::abs(probes[105][2] - upper[2]) <= 1);
  std::printf("%-10s %zu frames in %.2f s: %.0f frames a second, %.1f times real time, %.2f allocations a frame%s\n",
              name, probes.size(), elapsed, probes.size() / elapsed, probes.size() / elapsed / kFps,
              double(counted->allocations[1] - counted->allocations[0]) / double(CountingSink::kLast - CountingSink::kFirst),
              right ? "" : "  WRONG FRAMES");
  return right;
}

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  RegisterEngineClasses();
  bool right = true;
  {
    TempFolder folder;
    right = WriteClip(folder.File(L"lower.avi"), kWidth, kHeight, 0) &&
            WriteClip(folder.File(L"upper.avi"), kWidth, kHeight, 100) &&
            WriteClip(folder.File(L"small.avi"), kWidth / 2, kHeight / 2, 100);
    if (!right) std::printf("the clips could not be written\n");
    right = right && Render("same size", Project(folder.File(L"lower.avi"), folder.File(L"upper.avi")).Get());
    right = right && Render("scaled", Project(folder.File(L"lower.avi"), folder.File(L"small.avi")).Get());
  }
  RevokeEngineClasses();
  CoUninitialize();
  return right ? 0 : 1;
}
