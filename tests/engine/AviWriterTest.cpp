// The AVI writer filter in the platform's graph, fed by test sources of
// known bytes: the files are walked chunk by chunk (every index entry must
// name the chunk it points at) and their bytes compared with what was sent.
// Reading the files back: MediaRoundTripTest.
#include <windows.h>
#include <mmsystem.h>
#include <aviriff.h>
#include <mmreg.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "AviWriterFilter.h"
#include "EngineFilters.h"
#include "GraphTesting.h"
#include "RiffFile.h"
#include "TempFolder.h"

namespace {

const REFERENCE_TIME kFrame = 400000;  // 25 fps
const DWORD kFrameBytes = 32 * 24 * 3;
const DWORD kAudioBytes = 32000;  // a second of 8 kHz 16-bit stereo

// The first size bytes of stream seed's pattern, in which a byte out of place shows.
std::string Pattern(UINT64 size, int seed) {
  std::string bytes(size_t(size), '\0');
  for (size_t p = 0; p < bytes.size(); ++p) bytes[p] = char((p * 2654435761u >> 11) + p / 4099 + seed);
  return bytes;
}

MediaType Owned(AM_MEDIA_TYPE made) {
  MediaType type;
  type.CopyFrom(made);
  ClearMediaType(&made);
  return type;
}

MediaType VideoType(WORD bits = 24) {
  MediaType type = Owned(MakeVideoType(32, 24, bits));
  reinterpret_cast<VIDEOINFOHEADER*>(type.Edit().pbFormat)->AvgTimePerFrame = kFrame;
  return type;
}

// What a walk of a file found: its headers, every data chunk in file order,
// and per stream the chunks its 'ix##' indexes give.
struct Chunk {
  int stream;
  UINT64 offset;
  DWORD size;
};
struct AviLayout {
  AVIMAINHEADER main = {};
  std::vector<AVISTREAMHEADER> headers;
  DWORD grandFrames = 0;
  std::vector<Chunk> movie;
  std::vector<std::vector<Chunk>> indexed;
  size_t legacyEntries = 0;
  std::vector<UINT64> riffSizes;
};

// size bytes at offset as a T; zeros past the file.
template <class T>
T At(const std::string& file, UINT64 offset, size_t size = sizeof(T)) {
  T value = {};
  if (offset + size <= file.size()) memcpy(&value, &file[size_t(offset)], size);
  return value;
}

// visit(id, list type or 0, content offset, content size) for each chunk from begin to end.
template <class Visit>
void Chunks(const std::string& file, UINT64 begin, UINT64 end, Visit visit) {
  for (UINT64 p = begin; p + 8 <= end;) {
    DWORD id = At<DWORD>(file, p), size = At<DWORD>(file, p + 4);
    bool list = id == RiffId('R', 'I', 'F', 'F') || id == RiffId('L', 'I', 'S', 'T');
    visit(id, list ? At<DWORD>(file, p + 8) : 0, p + (list ? 12 : 8), UINT64(size) - (list ? 4 : 0));
    p += 8 + UINT64(size) + (size & 1);
  }
}

// Every 'ix##' entry names the chunk at its offset; the durations add up to the length.
void WalkIndex(const std::string& file, int stream, UINT64 super, AviLayout* layout) {
  const AVISTREAMHEADER& header = layout->headers[size_t(stream)];
  std::vector<Chunk> chunks;
  DWORD duration = 0, units = 0;
  for (DWORD e = 0; e < At<DWORD>(file, super + 4); ++e) {
    UINT64 entry = super + 24 + 16 * e, at = At<UINT64>(file, entry);
    AVISTDINDEX index = At<AVISTDINDEX>(file, at, 32);
    EXPECT_EQ(RiffId('i', 'x', char('0' + stream / 10), char('0' + stream % 10)), index.fcc);
    EXPECT_EQ(At<DWORD>(file, entry + 8), index.cb + 8);
    duration += At<DWORD>(file, entry + 12);
    for (DWORD n = 0; n < index.nEntriesInUse; ++n) {
      AVISTDINDEX_ENTRY chunk = At<AVISTDINDEX_ENTRY>(file, at + 32 + 8 * n);
      UINT64 data = index.qwBaseOffset + chunk.dwOffset;
      EXPECT_EQ(index.dwChunkId, At<DWORD>(file, data - 8));
      EXPECT_EQ(chunk.dwSize & AVISTDINDEX_SIZEMASK, At<DWORD>(file, data - 4));
      chunks.push_back(Chunk{stream, data, chunk.dwSize & AVISTDINDEX_SIZEMASK});
      units += header.dwSampleSize ? chunks.back().size / header.dwSampleSize : 1;
    }
  }
  EXPECT_EQ(units, duration);
  EXPECT_EQ(header.dwLength, duration);
  layout->indexed.push_back(chunks);
}

// RIFF after RIFF to the end of the file; every 'idx1' entry names a
// key-frame chunk by its offset from 'movi'.
void Walk(const std::wstring& path, AviLayout* layout) {
  const std::string file = ReadWholeFile(path);
  std::vector<UINT64> supers;
  UINT64 end = 0, movie = 0;
  auto streamList = [&](DWORD id, DWORD, UINT64 data, UINT64) {
    if (id == RiffId('s', 't', 'r', 'h')) layout->headers.push_back(At<AVISTREAMHEADER>(file, data - 8));
    if (id == RiffId('i', 'n', 'd', 'x')) supers.push_back(data);
  };
  auto headers = [&](DWORD id, DWORD type, UINT64 data, UINT64 size) {
    if (id == RiffId('a', 'v', 'i', 'h')) layout->main = At<AVIMAINHEADER>(file, data - 8);
    if (type == RiffId('o', 'd', 'm', 'l')) layout->grandFrames = At<DWORD>(file, data + 8);
    if (type == RiffId('s', 't', 'r', 'l')) Chunks(file, data, data + size, streamList);
  };
  auto data = [&](DWORD id, DWORD, UINT64 data, UINT64 size) {
    if (BYTE(id) != 'i') layout->movie.push_back(Chunk{(BYTE(id) - '0') * 10 + BYTE(id >> 8) - '0', data, DWORD(size)});
  };
  auto form = [&](DWORD id, DWORD type, UINT64 at, UINT64 size) {
    if (type == RiffId('h', 'd', 'r', 'l')) Chunks(file, at, at + size, headers);
    if (type == RiffId('m', 'o', 'v', 'i')) Chunks(file, movie = at, at + size, data);
    if (id != RiffId('i', 'd', 'x', '1')) return;
    for (layout->legacyEntries = 0; layout->legacyEntries < size / 16; ++layout->legacyEntries) {
      AVIOLDINDEX::_avioldindex_entry entry = At<AVIOLDINDEX::_avioldindex_entry>(file, at + 16 * layout->legacyEntries);
      EXPECT_EQ(entry.dwChunkId, At<DWORD>(file, movie - 4 + entry.dwOffset));
      EXPECT_EQ(entry.dwSize, At<DWORD>(file, movie + entry.dwOffset));
      EXPECT_EQ(DWORD(AVIIF_KEYFRAME), entry.dwFlags);
    }
  };
  Chunks(file, 0, file.size(), [&](DWORD id, DWORD type, UINT64 at, UINT64 size) {
    EXPECT_EQ(RiffId('R', 'I', 'F', 'F'), id);
    EXPECT_EQ(end ? RiffId('A', 'V', 'I', 'X') : RiffId('A', 'V', 'I', ' '), type);
    layout->riffSizes.push_back(size + 12);
    Chunks(file, at, end = at + size, form);
  });
  EXPECT_EQ(file.size(), end);
  ASSERT_EQ(layout->headers.size(), supers.size());
  for (size_t s = 0; s < supers.size(); ++s) WalkIndex(file, int(s), supers[s], layout);
}

// Whether a stream's chunks hold the first bytes of its pattern, all of them.
bool HoldsPattern(const std::wstring& path, const std::vector<Chunk>& chunks, UINT64 size, int seed) {
  std::string file = ReadWholeFile(path), bytes;
  for (const Chunk& chunk : chunks) bytes += file.substr(size_t(chunk.offset), chunk.size);
  return bytes == Pattern(size, seed);
}

// The writer is the graph's filter under test.
class AviWriterTest : public GraphTest {
 protected:
  void SetUp() override {
    GraphTest::SetUp();
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_EngineAviWriter, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                     writer.ReceiveVoid()));
    ASSERT_EQ(S_OK, graph->AddFilter(writer.Get(), L"writer"));
    fileSink = writer.As<IFileSinkFilter>(IID_IFileSinkFilter);
  }
  void TearDown() override {
    fileSink.Reset();
    GraphTest::TearDown();
  }
  AviWriterFilter* Writer() { return static_cast<AviWriterFilter*>(writer.Get()); }

  // A source of total bytes of its pattern in samples of sampleBytes (video:
  // a frame each) connected to the writer's free input, the last one.
  void AddSource(const MediaType& type, UINT64 total, DWORD sampleBytes) {
    double perSecond = type.Get().majortype == MEDIATYPE_Audio ? kAudioBytes : kFrameBytes * 1e7 / kFrame;
    std::string bytes = Pattern(total, int(sources.size()) + 1);
    std::vector<Sample> samples;
    for (UINT64 at = 0; at < total; at += sampleBytes) {
      std::string part = bytes.substr(size_t(at), sampleBytes);
      samples.push_back({part, REFERENCE_TIME(at * 1e7 / perSecond), REFERENCE_TIME((at + part.size()) * 1e7 / perSecond)});
    }
    ComPtr<IBaseFilter> source = Make<TestSource>(&type.Get(), samples);
    ASSERT_EQ(S_OK, Join(graph.Get(), source.Get(), writer.Get()));
    sources.push_back(static_cast<TestSource*>(source.Get()));
  }
  void AddVideo(int frames) { AddSource(VideoType(), UINT64(frames) * kFrameBytes, kFrameBytes); }
  void AddAudio(double seconds, DWORD sampleBytes = 4000) {
    AddSource(Owned(MakeAudioType(8000)), UINT64(seconds * kAudioBytes + 0.5), sampleBytes);
  }
  void SetWindow(REFERENCE_TIME window) {
    ASSERT_EQ(S_OK, writer.As<IConfigInterleaving>(IID_IConfigInterleaving)->put_Interleaving(&window, nullptr));
  }
  // Writes to path until the first completion or abort (0 if none comes); *param gets its first parameter.
  long WriteToEnd(LONG_PTR* param = nullptr) {
    EXPECT_EQ(S_OK, fileSink->SetFileName(path.c_str(), nullptr));
    return RunToEnd(graph.Get(), param);
  }
  // Stops, then counts the completions queued: every source thread has ended, so all are there.
  int StopCountingCompletions() {
    EXPECT_TRUE(SUCCEEDED(graph.As<IMediaControl>(IID_IMediaControl)->Stop()));
    ComPtr<IMediaEvent> events = graph.As<IMediaEvent>(IID_IMediaEvent);
    long code = 0;
    LONG_PTR first, second;
    int count = 0;
    for (; events->GetEvent(&code, &first, &second, 0) == S_OK; count += code == EC_COMPLETE)
      events->FreeEventParams(code, first, second);
    return count;
  }
  REFERENCE_TIME Position() {
    LONGLONG at = -1;
    EXPECT_EQ(S_OK, writer.As<IMediaSeeking>(IID_IMediaSeeking)->GetCurrentPosition(&at));
    return at;
  }

  TempFolder folder;
  std::wstring path = folder.File(L"out.avi");
  ComPtr<IBaseFilter>& writer = tested;
  ComPtr<IFileSinkFilter> fileSink;
  std::vector<TestSource*> sources;  // not owned: the graph holds them
};

TEST_F(AviWriterTest, ConformsAndItsSettingsGiveThePublishedResults) {
  ExpectConformingFilter(writer.Get(), CLSID_EngineAviWriter);
  EXPECT_EQ(ULONG(AM_FILTER_MISC_FLAGS_IS_RENDERER), writer.As<IAMFilterMiscFlags>(IID_IAMFilterMiscFlags)->GetMiscFlags());
  ComPtr<IConfigInterleaving> interleaving = writer.As<IConfigInterleaving>(IID_IConfigInterleaving);
  ComPtr<IConfigAviMux> mux = writer.As<IConfigAviMux>(IID_IConfigAviMux);
  ComPtr<IMediaSeeking> seeking = writer.As<IMediaSeeking>(IID_IMediaSeeking);
  ASSERT_TRUE(fileSink && interleaving && mux && seeking);
  LPOLESTR name = reinterpret_cast<LPOLESTR>(1);
  REFERENCE_TIME window = 0, preroll = 0, zero = 0, negative = -1, at = 0;
  LONG master = 0;
  BOOL legacy = FALSE;
  DWORD capabilities = 0;
  AM_MEDIA_TYPE video = {};
  video.majortype = MEDIATYPE_Video;
  const HRESULT cases[][2] = {
      {E_POINTER, fileSink->SetFileName(nullptr, nullptr)},
      {E_INVALIDARG, fileSink->SetFileName(L"", nullptr)},
      {VFW_E_TYPE_NOT_ACCEPTED, fileSink->SetFileName(path.c_str(), &video)},
      {E_POINTER, fileSink->GetCurFile(nullptr, nullptr)},
      {E_FAIL, fileSink->GetCurFile(&name, nullptr)},  // no name yet
      {E_INVALIDARG, interleaving->put_Mode(InterleavingMode(INTERLEAVE_NONE_BUFFERED + 1))},
      {E_POINTER, interleaving->get_Mode(nullptr)},
      {E_INVALIDARG, interleaving->put_Interleaving(&zero, nullptr)},
      {E_INVALIDARG, interleaving->put_Interleaving(nullptr, &negative)},
      {E_POINTER, interleaving->get_Interleaving(nullptr, nullptr)},
      {S_OK, interleaving->get_Interleaving(&window, &preroll)},
      {E_INVALIDARG, mux->SetMasterStream(-2)},
      {E_INVALIDARG, mux->SetMasterStream(0)},  // nothing connected
      {S_OK, mux->SetMasterStream(-1)},
      {S_OK, mux->GetMasterStream(&master)},
      {E_POINTER, mux->GetOutputCompatibilityIndex(nullptr)},
      {S_OK, mux->GetOutputCompatibilityIndex(&legacy)},
      {S_OK, seeking->GetCapabilities(&capabilities)},
      {E_NOTIMPL, seeking->SetPositions(&at, AM_SEEKING_AbsolutePositioning, nullptr, 0)},
      {E_NOTIMPL, seeking->GetStopPosition(&at)},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) EXPECT_EQ(cases[i][0], cases[i][1]) << "case " << i;
  EXPECT_EQ(nullptr, name);
  EXPECT_TRUE(window == 10000000 && preroll == 0 && master == -1 && legacy);
  EXPECT_EQ(DWORD(AM_SEEKING_CanGetCurrentPos | AM_SEEKING_CanGetDuration), capabilities);

  AM_MEDIA_TYPE type;
  ASSERT_EQ(S_OK, fileSink->SetFileName(path.c_str(), nullptr));
  ASSERT_EQ(S_OK, fileSink->GetCurFile(&name, &type));
  EXPECT_EQ(path, name);
  EXPECT_TRUE(type.majortype == MEDIATYPE_Stream && type.subtype == MEDIASUBTYPE_Avi);
  CoTaskMemFree(name);
  ASSERT_EQ(S_OK, writer->Pause());
  EXPECT_EQ(VFW_E_NOT_STOPPED, interleaving->put_Mode(INTERLEAVE_NONE));
  EXPECT_EQ(VFW_E_NOT_STOPPED, fileSink->SetFileName(path.c_str(), nullptr));
  EXPECT_EQ(VFW_E_NOT_STOPPED, mux->SetOutputCompatibilityIndex(FALSE));
}

// In file order, each chunk lies within the window of the last one of the
// other stream (by their stream times).
void ExpectInterleaved(const AviLayout& layout, REFERENCE_TIME window) {
  REFERENCE_TIME start[2] = {}, end[2] = {};
  for (const Chunk& chunk : layout.movie) {
    int s = chunk.stream, other = 1 - s;
    start[s] = end[s];
    end[s] += s == 0 ? kFrame : REFERENCE_TIME(chunk.size) * 10000000 / kAudioBytes;
    if (end[other] == 0) continue;
    EXPECT_LE(start[s] - end[other], window) << "stream " << s << " at " << start[s];
    EXPECT_LE(start[other] - end[s], window) << "stream " << s << " at " << start[s];
  }
}

struct WriteCase {
  const char* name;
  UINT64 riffLimit;
  bool legacyIndex;
  int frames;
  DWORD audioSample;
  REFERENCE_TIME window;
};

class AviWriteTest : public AviWriterTest, public ::testing::WithParamInterface<WriteCase> {};

// Audio as long as the video. In small RIFFs, a second of it a sample in a
// window of half that: unchecked, the audio would come first.
TEST_P(AviWriteTest, WritesWhatItIsSentWithHeadersAndIndexesThatSayIt) {
  const WriteCase& row = GetParam();
  AviWriter::Options options;
  options.riffLimit = row.riffLimit;
  options.superIndexEntries = 16;
  Writer()->SetWriterOptions(options);
  ASSERT_EQ(S_OK, writer.As<IConfigAviMux>(IID_IConfigAviMux)->SetOutputCompatibilityIndex(row.legacyIndex));
  SetWindow(row.window);
  ComPtr<IEnumPins> before;
  ASSERT_EQ(S_OK, writer->EnumPins(before.Receive()));
  AddVideo(row.frames);
  IPin* pin = nullptr;
  EXPECT_EQ(VFW_E_ENUM_OUT_OF_SYNC, before->Next(1, &pin, nullptr)) << "an input was added";
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INVALID_NAME), writer->Pause()) << "connected, it needs a file";
  AddAudio(row.frames * 0.04, row.audioSample);
  PIN_INFO info;
  ASSERT_EQ(S_OK, PinsOf(writer.Get())[2]->QueryPinInfo(&info));
  info.pFilter->Release();
  EXPECT_STREQ(L"Input 03", info.achName);
  // Each renderer's completion reaches the application as it is sent.
  ASSERT_EQ(S_OK, graph.As<IMediaEvent>(IID_IMediaEvent)->CancelDefaultHandling(EC_COMPLETE));
  ASSERT_EQ(EC_COMPLETE, WriteToEnd());
  EXPECT_EQ(row.frames * kFrame, Position());
  LONGLONG duration = 0;
  EXPECT_EQ(S_OK, writer.As<IMediaSeeking>(IID_IMediaSeeking)->GetDuration(&duration));
  EXPECT_EQ(row.frames * kFrame, duration);
  EXPECT_EQ(0, StopCountingCompletions()) << "EC_COMPLETE once";

  AviLayout layout;
  ASSERT_NO_FATAL_FAILURE(Walk(path, &layout));
  ASSERT_EQ(2u, layout.headers.size());
  EXPECT_EQ(row.riffLimit < 100000 ? 5u : 1u, std::min<size_t>(layout.riffSizes.size(), 5));
  for (UINT64 size : layout.riffSizes) EXPECT_LE(size, options.riffLimit);
  size_t firstRiffChunks = 0, firstRiffFrames = 0;
  std::vector<UINT64> inFile[2], indexed[2];
  for (const Chunk& chunk : layout.movie) {
    inFile[chunk.stream].push_back(chunk.offset);
    firstRiffChunks += chunk.offset < layout.riffSizes[0];
    firstRiffFrames += chunk.offset < layout.riffSizes[0] && chunk.stream == 0;
  }
  const AVIMAINHEADER& main = layout.main;
  EXPECT_TRUE(main.dwStreams == 2 && main.dwTotalFrames == firstRiffFrames && main.dwMicroSecPerFrame == 40000 &&
              main.dwWidth == 32 && main.dwHeight == 24 && layout.grandFrames == DWORD(row.frames));
  EXPECT_EQ(DWORD((row.legacyIndex ? AVIF_HASINDEX : 0) | AVIF_ISINTERLEAVED | AVIF_TRUSTCKTYPE), main.dwFlags);
  EXPECT_EQ(row.legacyIndex ? firstRiffChunks : 0, layout.legacyEntries);
  const AVISTREAMHEADER &video = layout.headers[0], &audio = layout.headers[1];
  EXPECT_TRUE(video.fccType == RiffId('v', 'i', 'd', 's') && video.dwScale == 1 && video.dwRate == 25 &&
              video.dwLength == DWORD(row.frames) && video.dwSuggestedBufferSize == kFrameBytes);
  EXPECT_TRUE(audio.fccType == RiffId('a', 'u', 'd', 's') && audio.dwScale == 4 && audio.dwRate == kAudioBytes &&
              audio.dwSampleSize == 4 && audio.dwLength == DWORD(row.frames) * 320);
  EXPECT_EQ(8u, layout.movie[0].offset % 4096) << "the first chunk starts a sector";
  for (int s = 0; s < 2; ++s) {
    for (const Chunk& chunk : layout.indexed[size_t(s)]) indexed[s].push_back(chunk.offset);
    EXPECT_EQ(inFile[s], indexed[s]) << "stream " << s << ": every chunk indexed, in order";
  }
  EXPECT_TRUE(HoldsPattern(path, layout.indexed[0], row.frames * kFrameBytes, 1));
  EXPECT_TRUE(HoldsPattern(path, layout.indexed[1], row.frames * 1280, 2));
  ExpectInterleaved(layout, row.window);
}

INSTANTIATE_TEST_SUITE_P(Layouts, AviWriteTest,
                         ::testing::Values(WriteCase{"OneRiff", UINT64(1) << 30, true, 30, 4000, 10000000},
                                           WriteCase{"SmallRiffs", 48 * 1024, true, 100, kAudioBytes, 5000000},
                                           WriteCase{"SmallRiffsWithoutIdx1", 48 * 1024, false, 100, kAudioBytes, 5000000}),
                         [](const testing::TestParamInfo<WriteCase>& info) { return std::string(info.param.name); });

TEST_F(AviWriterTest, StoppedHalfWayItLeavesAValidFileOfWhatWasWritten) {
  AddVideo(250);
  AddAudio(10);
  sources[0]->holdAt = 20;
  ASSERT_EQ(S_OK, fileSink->SetFileName(path.c_str(), nullptr));
  ASSERT_TRUE(SUCCEEDED(graph.As<IMediaControl>(IID_IMediaControl)->Run()));
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(sources[0]->reached, 10000));
  // The audio runs ahead until it waits for the video; then both have written 20 frames' time.
  for (DWORD deadline = GetTickCount() + 10000; Position() < 20 * kFrame && GetTickCount() < deadline;) Sleep(10);
  EXPECT_EQ(20 * kFrame, Position());
  StopCountingCompletions();  // the waiting audio input lets go

  AviLayout layout;
  ASSERT_NO_FATAL_FAILURE(Walk(path, &layout));
  EXPECT_TRUE(layout.headers[0].dwLength == 20 && layout.grandFrames == 20);
  DWORD audioBytes = layout.headers[1].dwLength * 4;
  EXPECT_GE(audioBytes, kAudioBytes * 8 / 10);
  EXPECT_LE(audioBytes, kAudioBytes * 3) << "the video's time, the window and the chunk held back at most";
  EXPECT_TRUE(HoldsPattern(path, layout.indexed[0], 20 * kFrameBytes, 1));
  EXPECT_TRUE(HoldsPattern(path, layout.indexed[1], audioBytes, 2));
}

TEST_F(AviWriterTest, AFullDiskIsReportedAndTheFileEndsValidAtWhatReachedIt) {
  AviWriter::Options options;
  options.sizeLimit = 60000;
  options.bufferSize = 8192;
  Writer()->SetWriterOptions(options);
  SetWindow(1000000);  // small chunks: both streams reach the disk
  AddVideo(100);
  AddAudio(4);
  LONG_PTR result = 0;
  ASSERT_EQ(EC_ERRORABORT, WriteToEnd(&result));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_DISK_FULL), HRESULT(result));
  StopCountingCompletions();
  EXPECT_LE(ReadWholeFile(path).size(), 60000u);
  AviLayout layout;
  ASSERT_NO_FATAL_FAILURE(Walk(path, &layout));
  DWORD frames = layout.headers[0].dwLength;
  EXPECT_GT(frames, 0u);
  EXPECT_EQ(layout.movie.size(), layout.legacyEntries);
  EXPECT_TRUE(HoldsPattern(path, layout.indexed[0], frames * kFrameBytes, 1));
  EXPECT_TRUE(HoldsPattern(path, layout.indexed[1], layout.headers[1].dwLength * 4, 2));
}

TEST(AviWriterFormat, TakesTheTypesItCanStore) {
  auto video = [](WORD bits, DWORD compression, REFERENCE_TIME frame) {
    MediaType type = VideoType(bits);
    VIDEOINFOHEADER* info = reinterpret_cast<VIDEOINFOHEADER*>(type.Edit().pbFormat);
    info->bmiHeader.biCompression = compression;
    info->AvgTimePerFrame = frame;
    return type;
  };
  auto audio = [](WORD tag, WORD blockAlign, WORD extra, ULONG size) {
    WAVEFORMATEX wave = {tag, 2, 8000, DWORD(8000) * blockAlign, blockAlign, 16, extra};
    std::vector<BYTE> format(size);
    memcpy(format.data(), &wave, size < sizeof wave ? size : sizeof wave);
    MediaType type;
    type.Set(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, format.data(), size);
    return type;
  };
  struct {
    MediaType type;
    HRESULT expected;
  } cases[] = {
      {video(24, BI_RGB, kFrame), S_OK},  {video(32, BI_RGB, kFrame), S_OK},
      {video(16, BI_RGB, kFrame), S_OK},  {video(24, RiffId('M', 'J', 'P', 'G'), kFrame), S_OK},
      {video(8, BI_RGB, kFrame), S_FALSE},  // no room for its palette
      {video(12, BI_RGB, kFrame), S_FALSE}, {video(24, BI_RGB, 0), S_FALSE},
      {audio(WAVE_FORMAT_PCM, 4, 0, 18), S_OK}, {audio(WAVE_FORMAT_PCM, 4, 0, 16), S_OK},
      {audio(0x11, 256, 2, 20), S_OK},  // IMA ADPCM blocks
      {audio(WAVE_FORMAT_PCM, 3, 0, 18), S_FALSE}, {audio(0x11, 256, 2, 18), S_FALSE}, {audio(0x11, 0, 2, 20), S_FALSE},
  };
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i)
    EXPECT_EQ(cases[i].expected, AviWriter::CanWrite(cases[i].type.Get())) << "case " << i;
}

TEST(AviWriterFormat, AMasterStreamGivesTheOthersItsDuration) {
  TempFolder folder;
  std::wstring path = folder.File(L"master.avi");
  AviWriter writer;
  ASSERT_EQ(S_OK, writer.AddStream(VideoType().Get()));
  ASSERT_EQ(S_OK, writer.AddStream(Owned(MakeAudioType(8000)).Get()));
  writer.SetMasterStream(1);
  ASSERT_EQ(S_OK, writer.Create(path.c_str(), AviWriter::Options()));
  std::string frame = Pattern(kFrameBytes, 1), sound = Pattern(kAudioBytes, 2);
  for (int i = 0; i < 30; ++i) ASSERT_EQ(S_OK, writer.WriteChunk(0, reinterpret_cast<const BYTE*>(frame.data()), kFrameBytes, true));
  ASSERT_EQ(S_OK, writer.WriteChunk(1, reinterpret_cast<const BYTE*>(sound.data()), kAudioBytes, true));
  EXPECT_EQ(E_INVALIDARG, writer.WriteChunk(1, reinterpret_cast<const BYTE*>(sound.data()), 3, true)) << "part of a block";
  EXPECT_EQ(12000000, writer.StreamEnd(0));
  ASSERT_EQ(S_OK, writer.Finish());
  AviLayout layout;
  ASSERT_NO_FATAL_FAILURE(Walk(path, &layout));
  const AVISTREAMHEADER& video = layout.headers[0];
  EXPECT_DOUBLE_EQ(1.0, double(video.dwLength) * video.dwScale / video.dwRate);
  EXPECT_EQ(kAudioBytes, layout.headers[1].dwRate);
}

TEST(InterleaverTest, TheInputFurthestBehindAlwaysGoes) {
  const REFERENCE_TIME s = 10000000;
  struct {
    std::vector<REFERENCE_TIME> times, leads;
    int ended;  // an input that has ended, or -1
    std::vector<bool> mayGo;
    REFERENCE_TIME position;
  } cases[] = {
      {{s, 0}, {0, 0}, -1, {true, true}, 0},  // a window ahead
      {{3 * s, 0, s}, {0, 0, 0}, -1, {false, true, true}, 0},
      {{3 * s, 0}, {0, 0}, 1, {true, true}, 3 * s},
      {{0, 3 * s}, {0, 2 * s}, -1, {true, true}, 0},  // a lead
  };
  CRITICAL_SECTION lock;
  InitializeCriticalSection(&lock);
  for (size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    Interleaver interleaver(&lock);
    interleaver.Start(int(cases[i].times.size()), s, true);
    for (size_t j = 0; j < cases[i].times.size(); ++j) {
      interleaver.Advance(int(j), cases[i].times[j]);
      interleaver.SetLead(int(j), cases[i].leads[j]);
    }
    if (cases[i].ended >= 0) interleaver.End(cases[i].ended);
    for (size_t j = 0; j < cases[i].times.size(); ++j)
      EXPECT_EQ(cases[i].mayGo[j], interleaver.MayGo(int(j))) << "case " << i << " input " << j;
    EXPECT_EQ(cases[i].position, interleaver.Position()) << "case " << i;
  }
  DeleteCriticalSection(&lock);
}

TEST(InterleaverTest, AWaitEndsWhenTheOthersCatchUpOrEndOrWhenCalledOff) {
  CRITICAL_SECTION lock;
  InitializeCriticalSection(&lock);
  for (int action = 0; action < 4; ++action) {
    Interleaver interleaver(&lock);
    interleaver.Start(2, 10000000, true);
    interleaver.Advance(0, 30000000);
    bool turn = false;
    std::thread ahead([&] {
      EnterCriticalSection(&lock);
      turn = interleaver.WaitTurn(0);
      LeaveCriticalSection(&lock);
    });
    EnterCriticalSection(&lock);  // waiting yet or not, the thread sees the change
    if (action == 0) interleaver.Advance(1, 20000000);
    if (action == 1) interleaver.End(1);
    if (action == 2) interleaver.Hold(0, true);  // a flush
    if (action == 3) interleaver.Stop();
    LeaveCriticalSection(&lock);
    ahead.join();
    EXPECT_EQ(action < 2, turn) << "action " << action;
  }
  DeleteCriticalSection(&lock);
}

}  // namespace
