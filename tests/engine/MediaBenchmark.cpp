// Times decoding 640x480 uncompressed and Motion JPEG AVIs (DecodeBenchmark),
// then the AVI writer writing uncompressed 640x480 RGB24 video at 30 fps with
// 44.1 kHz stereo 16-bit PCM: its multiplexer fed prepared samples from a
// thread per stream, and the filter in the platform's graph fed by two
// sources that copy them into their samples; beside plain writes of as many
// bytes from memory, a frame a write as the writer writes frames. Run by hand:
//   build/wine-run.sh build/tests/engine/media_benchmark.exe [seconds, default 20]
// Exits non-zero when a frame decodes wrong or a file is not what was sent.
#include <windows.h>
#include <evcode.h>
#include <mmreg.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "AviMultiplexer.h"
#include "AviReader.h"
#include "AviWriterFilter.h"
#include "SourcePin.h"
#include "TempFolder.h"

namespace {

const LONG kWidth = 640, kHeight = 480;
const DWORD kFrameBytes = kWidth * kHeight * 3;
const REFERENCE_TIME kFrameTime = 333333;
const DWORD kAudioRate = 44100 * 4;
const DWORD kAudioSample = kAudioRate / 10;
const int kDistinctFrames = 8;
const CLSID kSourceClsid = {0x3d1f9a52, 0x66b0, 0x4c2e, {0x9e, 0x47, 0x0b, 0x5a, 0x21, 0x8c, 0x70, 0x11}};

double Seconds() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return double(counter.QuadPart) / double(frequency.QuadPart);
}

MediaType VideoType() {
  VIDEOINFOHEADER info = {};
  info.AvgTimePerFrame = kFrameTime;
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), kWidth, kHeight, 1, 24, BI_RGB, kFrameBytes, 0, 0, 0, 0};
  MediaType type;
  type.Set(MEDIATYPE_Video, MEDIASUBTYPE_RGB24, FORMAT_VideoInfo, &info, sizeof info);
  type.Edit().lSampleSize = kFrameBytes;
  return type;
}

MediaType AudioType() {
  WAVEFORMATEX wave = {WAVE_FORMAT_PCM, 2, 44100, kAudioRate, 4, 16, 0};
  MediaType type;
  type.Set(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, &wave, sizeof wave);
  return type;
}

// Hands out count samples copied from prepared buffers, in turn.
class PreparedSource final : public FilterBase {
 public:
  PreparedSource(IUnknown* outer, MediaType* type, const std::vector<std::string>* samples, UINT64 count)
      : FilterBase(outer, kSourceClsid), pin_(this, type, samples, count) {}
  int PinCount() override { return 1; }
  PinBase* PinAt(int index) override { return index == 0 ? &pin_ : nullptr; }

 private:
  class Pin final : public SourcePin {
   public:
    Pin(PreparedSource* filter, MediaType* type, const std::vector<std::string>* samples, UINT64 count)
        : SourcePin(filter, L"Out"), type_(std::move(*type)), samples_(samples), count_(count) {}
    HRESULT Accepts(const AM_MEDIA_TYPE& type) override { return MediaType::Same(type, type_.Get()) ? S_OK : S_FALSE; }
    HRESULT TypeAt(int index, MediaType* type) override {
      return index == 0 ? type->CopyFrom(type_.Get()) : VFW_S_NO_MORE_ITEMS;
    }

   protected:
    HRESULT BufferSize(ALLOCATOR_PROPERTIES* request) override {
      request->cBuffers = 4;
      request->cbBuffer = LONG((*samples_)[0].size());
      return S_OK;
    }
    HRESULT OnThreadStart(REFERENCE_TIME*, REFERENCE_TIME*, double*) override { return S_OK; }
    HRESULT FillSample(IMediaSample* sample) override {
      if (next_ == count_) return S_FALSE;
      const std::string& bytes = (*samples_)[next_ % samples_->size()];
      BYTE* data = nullptr;
      sample->GetPointer(&data);
      memcpy(data, bytes.data(), bytes.size());
      sample->SetActualDataLength(LONG(bytes.size()));
      sample->SetSyncPoint(TRUE);
      ++next_;
      return S_OK;
    }

   private:
    MediaType type_;
    const std::vector<std::string>* samples_;
    UINT64 count_, next_ = 0;
  };

  Pin pin_;
};

std::vector<std::string> Prepared(size_t count, size_t size) {
  std::vector<std::string> samples(count, std::string(size, '\0'));
  for (size_t n = 0; n < count; ++n)
    for (size_t i = 0; i < size; ++i) samples[n][i] = char(i * 7 + n * 31 + i / 1920);
  return samples;
}

struct Media {
  std::vector<std::string> frames = Prepared(kDistinctFrames, kFrameBytes);
  std::vector<std::string> sound = Prepared(1, kAudioSample);
  UINT64 frameCount = 0, soundCount = 0;
};

bool Connect(IGraphBuilder* graph, IBaseFilter* writer, MediaType type, const std::vector<std::string>* samples,
             UINT64 count, int input) {
  ComPtr<IBaseFilter> source;
  if (FAILED(CreateComObject<PreparedSource>(nullptr, IID_IBaseFilter, source.ReceiveVoid(), &type, samples, count)))
    return false;
  graph->AddFilter(source.Get(), nullptr);
  ComPtr<IPin> out, in;
  ComPtr<IEnumPins> pins;
  source->EnumPins(pins.Receive());
  pins->Next(1, out.Receive(), nullptr);
  wchar_t name[16];
  swprintf(name, 16, L"Input %02d", input);
  return SUCCEEDED(writer->FindPin(name, in.Receive())) && SUCCEEDED(graph->ConnectDirect(out.Get(), in.Get(), nullptr));
}

// Seconds from Run to the writer's completion; negative on failure.
double WriteWithFilter(const std::wstring& path, const Media& media) {
  ComPtr<IGraphBuilder> graph;
  ComPtr<IBaseFilter> writer;
  CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder, graph.ReceiveVoid());
  if (!graph || FAILED(CreateComObject<AviWriterFilter>(nullptr, IID_IBaseFilter, writer.ReceiveVoid()))) return -1;
  graph->AddFilter(writer.Get(), L"writer");
  writer.As<IFileSinkFilter>(IID_IFileSinkFilter)->SetFileName(path.c_str(), nullptr);
  if (!Connect(graph.Get(), writer.Get(), VideoType(), &media.frames, media.frameCount, 1) ||
      !Connect(graph.Get(), writer.Get(), AudioType(), &media.sound, media.soundCount, 2))
    return -1;
  ComPtr<IMediaControl> control = graph.As<IMediaControl>(IID_IMediaControl);
  ComPtr<IMediaEvent> events = graph.As<IMediaEvent>(IID_IMediaEvent);
  double start = Seconds();
  if (FAILED(control->Run())) return -1;
  long code = 0;
  LONG_PTR first, second;
  // GetEvent may give up before its time when the queue runs empty.
  for (double deadline = start + 600; code != EC_COMPLETE && code != EC_ERRORABORT && Seconds() < deadline;)
    if (events->GetEvent(&code, &first, &second, 100) == S_OK) events->FreeEventParams(code, first, second);
  double elapsed = Seconds() - start;
  control->Stop();
  return code == EC_COMPLETE ? elapsed : -1;
}

// Seconds for the writer's own part: the multiplexer fed the prepared
// samples from a thread per stream, as the filter's inputs feed it.
double WriteWithMultiplexer(const std::wstring& path, const Media& media) {
  MediaType video = VideoType(), audio = AudioType();
  AviMultiplexer multiplexer;
  double start = Seconds();
  if (FAILED(multiplexer.Start(path.c_str(), {&video.Get(), &audio.Get()}, AviMultiplexer::Settings()))) return -1;
  auto feed = [&](int stream, const std::vector<std::string>& samples, UINT64 count, HRESULT* result) {
    for (UINT64 n = 0; n < count && *result == S_OK; ++n) {
      const std::string& bytes = samples[n % samples.size()];
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
  // The reader finds frames through 'idx1', which covers the first RIFF.
  std::vector<BYTE> pixels;
  if (FAILED(reader.ReadFrame(0, 15 * 10000000 / 30 + 1, &pixels))) return false;
  const std::string& last = media.frames[15 % kDistinctFrames];
  for (LONG y = 0; y < kHeight; ++y)
    for (LONG x = 0; x < kWidth * 3; ++x)
      if (pixels[size_t((y * kWidth + x / 3) * 4 + x % 3)] != BYTE(last[size_t((kHeight - 1 - y) * kWidth * 3 + x)]))
        return false;
  return true;
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

// In DecodeBenchmark.cpp: frames decoded a second, false when one is wrong.
bool MeasureDecoding();

int main(int argc, char** argv) {
  int seconds = argc > 1 ? atoi(argv[1]) : 20;
  const int rounds = 7;
  if (seconds <= 0 || FAILED(CoInitializeEx(nullptr, COINIT_MULTITHREADED))) return 2;
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
