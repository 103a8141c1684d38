// Times Motion JPEG on 640x480 RGB24 frames: the encoder alone (wall and
// thread time) and the compressor filter in a graph between a source and a
// sink. Run by hand:
//   build/wine-run.sh build/tests/engine/mjpeg_benchmark.exe
// Exits non-zero when a frame made does not decode back to its picture, so
// no figure is reported for wrong output.
#include <windows.h>

#include <cstdio>

#include "EngineFilters.h"
#include "EngineRegistration.h"
#include "FilterConformance.h"
#include "JpegEncoder.h"
#include "TestPictures.h"
#include "TestStreamFilters.h"

namespace {

const LONG kWidth = 640, kHeight = 480;
const int kFrames = 300;
const REFERENCE_TIME kFrameTime = 400000;

double Seconds() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return double(counter.QuadPart) / double(frequency.QuadPart);
}

double ThreadSeconds() {
  FILETIME created, exited, kernel, user;
  GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
  return double(ULARGE_INTEGER{{user.dwLowDateTime, user.dwHighDateTime}}.QuadPart) / 1e7;
}

bool Decodes(const std::vector<BYTE>& jpeg, const std::vector<BYTE>& frame) {
  Difference difference = CompareJpeg(jpeg, frame, kWidth, kHeight, 3);
  // The texture costs detail at the default quality; a frame upside down
  // or broken is off by tens.
  return difference.mean < 8.0 && difference.largest <= 48;
}

bool TimeEncoder(const std::vector<BYTE>& frame) {
  JpegEncoder encoder;
  std::vector<BYTE> out(size_t(kWidth) * kHeight * 3 + 16384);
  JpegPicture picture = {frame.data() + (kHeight - 1) * kWidth * 3, -kWidth * 3, kWidth, kHeight, 3};
  size_t written = 0;
  double wall = Seconds(), thread = ThreadSeconds();
  for (int i = 0; i < kFrames; ++i)
    if (FAILED(encoder.Encode(picture, out.data(), out.size(), &written))) return false;
  wall = Seconds() - wall;
  thread = ThreadSeconds() - thread;
  printf("encoder: %d frames of %zu bytes, %.0f frames/s (%.0f frames/s of thread time)\n", kFrames, written,
         kFrames / wall, kFrames / thread);
  out.resize(written);
  return Decodes(out, frame);
}

bool TimeFilter(const std::vector<BYTE>& frame) {
  ComPtr<IGraphBuilder> graph;
  ComPtr<IBaseFilter> compressor;
  CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph.ReceiveVoid());
  CoCreateInstance(CLSID_EngineMjpegCompressor, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                   compressor.ReceiveVoid());
  if (!graph || !compressor) return false;
  MediaType type = RgbType(MEDIASUBTYPE_RGB24, kWidth, kHeight, kFrameTime);
  TestChunk chunk;
  chunk.bytes = frame;
  chunk.stop = kFrameTime;
  ComPtr<IBaseFilter> source = Make<BufferSource>(&type.Get(), std::vector<TestChunk>{chunk}, kFrames);
  ComPtr<IBaseFilter> sink = Make<SampleSink>(MEDIATYPE_Video);
  graph->AddFilter(source.Get(), L"source");
  graph->AddFilter(compressor.Get(), L"compressor");
  graph->AddFilter(sink.Get(), L"sink");
  if (FAILED(graph->ConnectDirect(PinOf(source.Get(), PINDIR_OUTPUT).Get(),
                                  PinOf(compressor.Get(), PINDIR_INPUT).Get(), nullptr)) ||
      FAILED(graph->ConnectDirect(PinOf(compressor.Get(), PINDIR_OUTPUT).Get(),
                                  PinOf(sink.Get(), PINDIR_INPUT).Get(), nullptr)))
    return false;
  // The graph runs without a clock, so frames go as fast as they are made.
  graph.As<IMediaFilter>(IID_IMediaFilter)->SetSyncSource(nullptr);
  double wall = Seconds();
  long completion = RunToEnd(graph.Get());
  wall = Seconds() - wall;
  graph.As<IMediaControl>(IID_IMediaControl)->Stop();
  const std::vector<TestChunk>& made = static_cast<SampleSink*>(sink.Get())->samples;
  printf("filter graph: %zu frames, %.0f frames/s (source copies, compressor, sink keeps)\n", made.size(),
         made.size() / wall);
  return completion == EC_COMPLETE && made.size() == size_t(kFrames) && Decodes(made.front().bytes, frame) &&
         Decodes(made.back().bytes, frame);
}

}  // namespace

// googletest's macros in the shared test filters report here.
int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  RegisterEngineClasses();
  std::vector<BYTE> frame = TestFrame(kWidth, kHeight, 3);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = BYTE(frame[i] + ((i * 7919) >> 3) % 24);  // texture
  bool right = TimeEncoder(frame) && TimeFilter(frame);
  RevokeEngineClasses();
  CoUninitialize();
  if (!right) fprintf(stderr, "wrong output: the figures above do not count\n");
  return right ? 0 : 1;
}
