// Times decoding 640x480 uncompressed and Motion JPEG AVIs, each read frame
// by frame in order as a source filter reads them; then the AVI writer writing uncompressed 640x480 RGB24 video at 30 fps with
// 44.1 kHz stereo 16-bit PCM: its multiplexer fed prepared samples from a
// thread per stream, and the filter in the platform's graph fed by two
// sources that copy them into their samples; beside plain writes of as many
// bytes from memory, a frame a write as the writer writes frames. Run by hand:
//   build/wine-run.sh build/tests/engine/media_benchmark.exe [seconds, default 20]
// Exits non-zero when a frame decodes wrong or a file is not what was sent.
#include <windows.h>
#include <mmreg.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "AviMultiplexer.h"
#include "AviReader.h"
#include "AviWriterFilter.h"
#include "GraphTesting.h"
#include "RiffBytes.h"
#include "TempFolder.h"
#include "TestMedia.h"

namespace {

const LONG kWidth = 640, kHeight = 480;
const DWORD kFrameBytes = kWidth * kHeight * 3;
const REFERENCE_TIME kFrameTime = 333333;
const DWORD kAudioRate = 44100 * 4;
const DWORD kAudioSample = kAudioRate / 10;
const int kDistinctFrames = 10;
const int kDecodedFrames = 120;

double Seconds() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return double(counter.QuadPart) / double(frequency.QuadPart);
}

// Reads every frame in order into one buffer, timing the reads alone; false
// when one fails or is farther from its frame than tolerance (a mean per channel).
bool MeasureDecoding(const char* name, const std::wstring& path, double tolerance) {
  AviReader reader;
  if (FAILED(reader.Open(path.c_str()))) return false;
  std::vector<BYTE> pixels;
  double elapsed = 0;
  for (int f = 0; f < kDecodedFrames; ++f) {
    double start = Seconds();
    HRESULT hr = reader.ReadFrame(0, REFERENCE_TIME(f) * 400000, &pixels);
    elapsed += Seconds() - start;
    double mean = Compare(pixels, AsRead(TestFrame(kWidth, kHeight, 3, f), kWidth, kHeight, 3)).mean;
    if (FAILED(hr) || mean > tolerance) {
      printf("%s: frame %d read %08lx, %.2f from the picture\n", name, f, hr, mean);
      return false;
    }
  }
  printf("%s: %d frames of %ldx%ld in %.3f s, %.1f frames a second\n", name, kDecodedFrames, kWidth, kHeight, elapsed,
         kDecodedFrames / elapsed);
  return true;
}

bool MeasureDecoding() {
  TempFolder folder;
  std::vector<std::string> raw, jpeg;
  for (int f = 0; f < kDecodedFrames; ++f) {
    raw.push_back(TestFrame(kWidth, kHeight, 3, f));
    jpeg.push_back(EncodePicture(GUID_ContainerFormatJpeg, kWidth, kHeight, TestFrame(kWidth, -kHeight, 3, f)));
  }
  std::wstring rawPath = folder.File(L"raw.avi"), jpegPath = folder.File(L"mjpg.avi");
  std::vector<AviStream> rawStreams = {{Bytes(Bitmap(kWidth, kHeight, 24)), raw}};
  std::vector<AviStream> jpegStreams = {{Bytes(Bitmap(kWidth, kHeight, 24, RiffId('M', 'J', 'P', 'G'))), jpeg}};
  bool right = SUCCEEDED(WriteAvi(rawPath, rawStreams)) && SUCCEEDED(WriteAvi(jpegPath, jpegStreams)) &&
               MeasureDecoding("uncompressed", rawPath, 0) && MeasureDecoding("mjpeg", jpegPath, 2);
  if (!right) printf("FAILED: a frame read back wrong\n");
  return right;
}

MediaType VideoType() { return RgbType(MEDIASUBTYPE_RGB24, kWidth, kHeight, kFrameTime); }
MediaType AudioType() { return WaveType(Pcm16(2, 44100)); }

// count distinct samples of size bytes, each lasting duration.
std::vector<Sample> Prepared(size_t count, size_t size, REFERENCE_TIME duration) {
  std::vector<Sample> samples(count, Sample{std::string(size, '\0')});
  for (size_t n = 0; n < count; ++n) {
    for (size_t i = 0; i < size; ++i) samples[n].bytes[i] = char(i * 7 + n * 31 + i / 1920);
    samples[n].start = REFERENCE_TIME(n) * duration;
    samples[n].stop = REFERENCE_TIME(n + 1) * duration;
  }
  return samples;
}

struct Media {
  std::vector<Sample> frames = Prepared(kDistinctFrames, kFrameBytes, kFrameTime);
  std::vector<Sample> sound = Prepared(1, kAudioSample, 1000000);
  UINT64 frameCount = 0, soundCount = 0;
};

// A source playing count of the samples, in turn, into the writer's free input.
bool Connect(IGraphBuilder* graph, IBaseFilter* writer, const MediaType& type, const std::vector<Sample>& samples,
             UINT64 count) {
  ComPtr<IBaseFilter> source;
  return SUCCEEDED(CreateComObject<TestSource>(nullptr, IID_IBaseFilter, source.ReceiveVoid(), &type.Get(), samples,
                                               int(count / samples.size()))) &&
         SUCCEEDED(Join(graph, source.Get(), writer));
}

// Seconds from Run to the writer's completion; negative on failure.
double WriteWithFilter(const std::wstring& path, const Media& media) {
  ComPtr<IGraphBuilder> graph;
  ComPtr<IBaseFilter> writer;
  CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph.ReceiveVoid());
  if (!graph || FAILED(CreateComObject<AviWriterFilter>(nullptr, IID_IBaseFilter, writer.ReceiveVoid()))) return -1;
  graph->AddFilter(writer.Get(), L"writer");
  writer.As<IFileSinkFilter>(IID_IFileSinkFilter)->SetFileName(path.c_str(), nullptr);
  if (!Connect(graph.Get(), writer.Get(), VideoType(), media.frames, media.frameCount) ||
      !Connect(graph.Get(), writer.Get(), AudioType(), media.sound, media.soundCount))
    return -1;
  double start = Seconds();
  long code = RunToEnd(graph.Get(), nullptr, 600000);
  double elapsed = Seconds() - start;
  graph.As<IMediaControl>(IID_IMediaControl)->Stop();
  return code == EC_COMPLETE ? elapsed : -1;
}

// Seconds for the writer's own part: the multiplexer fed the prepared
// samples from a thread per stream, as the filter's inputs feed it.
double WriteWithMultiplexer(const std::wstring& path, const Media& media) {
  MediaType video = VideoType(), audio = AudioType();
  AviMultiplexer multiplexer;
  double start = Seconds();
  if (FAILED(multiplexer.Start(path.c_str(), {&video.Get(), &audio.Get()}, AviMultiplexer::Settings()))) return -1;
  auto feed = [&](int stream, const std::vector<Sample>& samples, UINT64 count, HRESULT* result) {
    for (UINT64 n = 0; n < count && *result == S_OK; ++n) {
      const std::string& bytes = samples[n % samples.size()].bytes;
      *result = multiplexer.Write(stream, reinterpret_cast<const BYTE*>(bytes.data()), DWORD(bytes.size()), true);
    }
    if (*result == S_OK) *result = multiplexer.End(stream);
  };
  HRESULT videoResult = S_OK, audioResult = S_OK;
  std::thread videoThread(feed, 0, std::cref(media.frames), media.frameCount, &videoResult);
  std::thread audioThread(feed, 1, std::cref(media.sound), media.soundCount, &audioResult);
  videoThread.join();
  audioThread.join();
  double elapsed = Seconds() - start;
  // The last stream to end finishes the file (S_FALSE).
  bool finished = SUCCEEDED(videoResult) && SUCCEEDED(audioResult) && (videoResult == S_FALSE || audioResult == S_FALSE);
  return finished ? elapsed : -1;
}

// Seconds to write size bytes from memory in writes of writeSize.
double WritePlainly(const std::wstring& path, UINT64 size, const std::string& block) {
  double start = Seconds();
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) return -1;
  bool ok = true;
  for (UINT64 left = size; left > 0 && ok;) {
    DWORD piece = DWORD(left < block.size() ? left : block.size()), written = 0;
    ok = WriteFile(file, block.data(), piece, &written, nullptr) && written == piece;
    left -= piece;
  }
  CloseHandle(file);
  return ok ? Seconds() - start : -1;
}

// The file holds both streams at full length, and a frame read back is the one sent.
bool Check(const std::wstring& path, const Media& media, UINT64 size) {
  AviReader reader;
  if (FAILED(reader.Open(path.c_str())) || reader.Streams().size() != 2) return false;
  REFERENCE_TIME length = REFERENCE_TIME(media.frameCount * 10000000 / 30);
  UINT64 payload = media.frameCount * kFrameBytes + media.soundCount * kAudioSample;
  if (reader.Streams()[0].length != length || reader.Streams()[1].length != length) return false;
  if (size < payload || size > payload + payload / 100) return false;
  std::vector<BYTE> pixels;
  return SUCCEEDED(reader.ReadFrame(0, 15 * 10000000 / 30 + 1, &pixels)) &&
         pixels == AsRead(media.frames[15 % kDistinctFrames].bytes, kWidth, kHeight, 3);
}

UINT64 FileSize(const std::wstring& path) {
  WIN32_FILE_ATTRIBUTE_DATA data = {};
  GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &data);
  return UINT64(data.nFileSizeHigh) << 32 | data.nFileSizeLow;
}

// Puts a file's dirty pages on the disk, so that the next run starts alike.
void Settle(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  FlushFileBuffers(file);
  CloseHandle(file);
  DeleteFileW(path.c_str());
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  int seconds = argc > 1 ? atoi(argv[1]) : 20;
  const int rounds = 7;
  if (seconds <= 0 || FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 2;
  testing::InitGoogleTest(&argc, argv);  // the shared test filters report through googletest
  int status = MeasureDecoding() ? 0 : 1;
  {
    TempFolder folder;
    std::wstring avi = folder.File(L"bench.avi"), plain = folder.File(L"plain.bin");
    Media media;
    media.frameCount = UINT64(seconds) * 30;
    media.soundCount = UINT64(seconds) * 10;
    std::string block(kFrameBytes, '\x5a');  // the writer writes frames from the samples
    std::vector<double> filter, multiplexer, copy;
    UINT64 size = 0;
    // The plain writes go first every other round, so that neither gains from its place.
    for (int round = 0; round < rounds && status == 0; ++round) {
      if (round % 2 && size) copy.push_back(WritePlainly(plain, size, block)), Settle(plain);
      multiplexer.push_back(WriteWithMultiplexer(avi, media));
      size = FileSize(avi);
      status |= multiplexer.back() < 0 || !Check(avi, media, size);
      Settle(avi);
      filter.push_back(WriteWithFilter(avi, media));
      status |= filter.back() < 0 || !Check(avi, media, FileSize(avi));
      Settle(avi);
      if (round % 2 == 0) copy.push_back(WritePlainly(plain, size, block)), Settle(plain);
      status |= copy.back() < 0;
      printf("round %d: multiplexer %.0f MB/s, filter in a graph %.0f MB/s, plain writes %.0f MB/s\n", round + 1,
             size / multiplexer.back() / 1e6, size / filter.back() / 1e6, size / copy.back() / 1e6);
    }
    if (status) printf("a file written is not what was sent\n");
    else
      printf("%d s, %.0f MB, medians of %d: multiplexer %.0f MB/s (%.2f of plain), filter %.0f MB/s (%.2f), plain %.0f MB/s\n",
             seconds, size / 1e6, rounds, size / Median(multiplexer) / 1e6, Median(copy) / Median(multiplexer),
             size / Median(filter) / 1e6, Median(copy) / Median(filter), size / Median(copy) / 1e6);
  }
  CoUninitialize();
  return status;
}
