// Times Motion JPEG on 640x480 RGB24 frames: the encoder alone (wall and
// thread time) and the compressor in a graph between a source and a sink.
// Run by hand:  build/wine-run.sh build/tests/engine/mjpeg_benchmark.exe
// Exits non-zero when the frames made do not decode back to the picture,
// so a figure for wrong output is never reported.
#include <cstdio>

#include "EngineFilters.h"
#include "EngineRegistration.h"
#include "JpegEncoder.h"
#include "GraphTesting.h"
#include "TestMedia.h"

namespace {
const LONG kWidth = 640, kHeight = 480;
const int kFrames = 300;

double Seconds(bool threadTime) {
  LARGE_INTEGER frequency, counter;
  FILETIME times[4];
  if (threadTime && GetThreadTimes(GetCurrentThread(), &times[0], &times[1], &times[2], &times[3]))
    return double(ULARGE_INTEGER{{times[3].dwLowDateTime, times[3].dwHighDateTime}}.QuadPart) / 1e7;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return double(counter.QuadPart) / double(frequency.QuadPart);
}

// The texture costs detail at the default quality; a broken or flipped frame is off by tens.
bool Decodes(const std::string& jpeg, const std::string& frame) {
  Difference difference = CompareJpeg(jpeg, frame, kWidth, kHeight, 3);
  return difference.mean < 8.0 && difference.largest <= 48;
}

bool TimeEncoder(const std::string& frame) {
  JpegEncoder encoder;
  std::vector<BYTE> out(size_t(kWidth) * kHeight * 3 + 16384);
  JpegPicture picture = {reinterpret_cast<const BYTE*>(frame.data()) + (kHeight - 1) * kWidth * 3, -kWidth * 3, kWidth,
                         kHeight, 3};
  size_t written = 0;
  double wall = Seconds(false), thread = Seconds(true);
  for (int i = 0; i < kFrames; ++i) encoder.Encode(picture, out.data(), out.size(), &written);
  wall = Seconds(false) - wall;
  thread = Seconds(true) - thread;
  printf("encoder: %zu bytes a frame, %.0f frames/s (%.0f of thread time)\n", written, kFrames / wall,
         kFrames / thread);
  return Decodes(std::string(out.begin(), out.begin() + written), frame);
}

bool TimeFilter(const std::string& frame) {
  ComPtr<IGraphBuilder> graph;
  ComPtr<IBaseFilter> compressor;
  CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph.ReceiveVoid());
  CoCreateInstance(CLSID_EngineMjpegCompressor, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                   compressor.ReceiveVoid());
  MediaType type = RgbType(MEDIASUBTYPE_RGB24, kWidth, kHeight, 400000);
  ComPtr<IBaseFilter> source = Make<TestSource>(&type.Get(), std::vector<Sample>{{frame, 0, 400000}}, kFrames);
  ComPtr<IBaseFilter> sink = Make<CollectingSink>();
  if (!graph || !compressor || FAILED(Join(graph.Get(), source.Get(), compressor.Get())) ||
      FAILED(Join(graph.Get(), compressor.Get(), sink.Get())))
    return false;
  double wall = Seconds(false);
  long completion = RunToEnd(graph.Get());  // the sink keeps no clock: frames go as fast as they are made
  wall = Seconds(false) - wall;
  graph.As<IMediaControl>(IID_IMediaControl)->Stop();
  const std::vector<Sample>& made = static_cast<CollectingSink*>(sink.Get())->samples;
  printf("filter graph: %.0f frames/s (the source copies each frame, the sink keeps it)\n", made.size() / wall);
  return completion == EC_COMPLETE && made.size() == size_t(kFrames) && Decodes(made.back().bytes, frame);
}
}  // namespace

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);  // the shared test filters report through googletest
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  RegisterEngineClasses();
  std::string frame = TestFrame(kWidth, kHeight, 3);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = char(frame[i] + ((i * 7919) >> 3) % 24);  // texture
  bool right = TimeEncoder(frame) && TimeFilter(frame);
  RevokeEngineClasses();
  CoUninitialize();
  if (!right) fprintf(stderr, "wrong output: the figures above do not count\n");
  return right ? 0 : 1;
}
