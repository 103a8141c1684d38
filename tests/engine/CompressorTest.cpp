// The compressors in the platform's filter graph between test sources and a
// sink: what they make decodes back to what went in, their settings
// interfaces give the published answers, and the system device enumerator
// lists them in their categories.
#include <cmath>
#include <cstdlib>
#include <vector>

#include "EngineFilters.h"
#include "EngineTestSupport.h"
#include "FilterConformance.h"
#include "ImaAdpcm.h"
#include "JpegEncoder.h"
#include "TestPictures.h"
#include "TestStreamFilters.h"

#include <mmreg.h>

namespace {

const REFERENCE_TIME kFrameTime = 333333;

MediaType Video(const GUID& subtype, LONG width, LONG height) {
  return RgbType(subtype, width, height, kFrameTime);
}

std::vector<TestChunk> Frames(const std::vector<BYTE>& frame, int count) {
  std::vector<TestChunk> chunks(count);
  for (int i = 0; i < count; ++i) {
    chunks[i].bytes = frame;
    chunks[i].start = i * kFrameTime;
    chunks[i].stop = (i + 1) * kFrameTime;
  }
  return chunks;
}

class CompressorTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    NewGraph();
  }
  void TearDown() override {
    Release();
    EngineTest::TearDown();
  }
  void Release() {
    if (graph) Control()->Stop();
    // Filters paused by hand: the graph thinks itself stopped.
    if (compressor) compressor->Stop();
    if (sink) sink->Stop();
    if (allocator) allocator->Decommit();
    allocator.Reset();
    graph.Reset();
    compressor.Reset();
    sink.Reset();
  }
  void NewGraph() {
    Release();
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                     graph.ReceiveVoid()));
  }
  ComPtr<IMediaControl> Control() { return graph.As<IMediaControl>(IID_IMediaControl); }
  SampleSink* Sink() { return static_cast<SampleSink*>(sink.Get()); }

  // The compressor from its class id, in the graph.
  void Create(const CLSID& clsid) {
    ASSERT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                     compressor.ReceiveVoid()));
    ASSERT_EQ(S_OK, graph->AddFilter(compressor.Get(), L"compressor"));
  }
  // A source of chunks of type connected to the compressor's input.
  void Feed(const MediaType& type, std::vector<TestChunk> chunks) {
    ComPtr<IBaseFilter> source = Make<BufferSource>(&type.Get(), std::move(chunks));
    ASSERT_EQ(S_OK, graph->AddFilter(source.Get(), nullptr));
    ASSERT_EQ(S_OK, graph->ConnectDirect(PinOf(source.Get(), PINDIR_OUTPUT).Get(),
                                         PinOf(compressor.Get(), PINDIR_INPUT).Get(), nullptr));
  }
  void Collect(const GUID& major) {
    sink = Make<SampleSink>(major);
    ASSERT_EQ(S_OK, graph->AddFilter(sink.Get(), L"sink"));
    ASSERT_EQ(S_OK, graph->ConnectDirect(Output().Get(), PinOf(sink.Get(), PINDIR_INPUT).Get(), nullptr));
  }
  ComPtr<IPin> Output() { return PinOf(compressor.Get(), PINDIR_OUTPUT); }
  // Pauses the compressor and the sink but not the source: samples of up to
  // bytes then come from SampleOf, through the compressor's input by hand.
  void PauseByHand(LONG bytes) {
    ASSERT_EQ(S_OK, sink->Pause());
    ASSERT_EQ(S_OK, compressor->Pause());
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                     allocator.ReceiveVoid()));
    ALLOCATOR_PROPERTIES wanted = {1, bytes, 1, 0}, actual;
    ASSERT_EQ(S_OK, allocator->SetProperties(&wanted, &actual));
    ASSERT_EQ(S_OK, allocator->Commit());
  }
  ComPtr<IMediaSample> SampleOf(const std::vector<BYTE>& bytes) {
    ComPtr<IMediaSample> sample;
    EXPECT_EQ(S_OK, allocator->GetBuffer(sample.Receive(), nullptr, nullptr, 0));
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    memcpy(data, bytes.data(), bytes.size());
    sample->SetActualDataLength(LONG(bytes.size()));
    return sample;
  }
  template <class I>
  ComPtr<I> OutputInterface(REFIID iid) {
    return Output().As<I>(iid);
  }

  ComPtr<IGraphBuilder> graph;
  ComPtr<IBaseFilter> compressor, sink;
  ComPtr<IMemAllocator> allocator;
};

TEST_F(CompressorTest, EveryCompressorConforms) {
  for (const CLSID* clsid : {&CLSID_EngineMjpegCompressor, &CLSID_EngineImaAdpcmCompressor}) {
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(S_OK, CoCreateInstance(*clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, filter.ReceiveVoid()));
    ExpectConformingFilter(filter.Get(), *clsid);
  }
}

TEST_F(CompressorTest, CompressorsAreListedInTheirCategoriesAndBindToTheEngine) {
  struct Row {
    const CLSID* category;
    const wchar_t* name;
    const CLSID* clsid;
  } rows[] = {{&CLSID_VideoCompressorCategory, L"Morvik Motion JPEG", &CLSID_EngineMjpegCompressor},
              {&CLSID_AudioCompressorCategory, L"Morvik IMA ADPCM", &CLSID_EngineImaAdpcmCompressor}};
  ComPtr<ICreateDevEnum> devices;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                   devices.ReceiveVoid()));
  for (const Row& row : rows) {
    ComPtr<IEnumMoniker> monikers;
    ASSERT_EQ(S_OK, devices->CreateClassEnumerator(*row.category, monikers.Receive(), 0)) << row.name;
    int found = 0;
    for (ComPtr<IMoniker> moniker; monikers->Next(1, moniker.Receive(), nullptr) == S_OK;) {
      ComPtr<IPropertyBag> bag;
      ASSERT_EQ(S_OK, moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReceiveVoid()));
      VARIANT name;
      VariantInit(&name);
      if (FAILED(bag->Read(L"FriendlyName", &name, nullptr)) || wcscmp(name.bstrVal, row.name) != 0) {
        VariantClear(&name);
        continue;
      }
      VariantClear(&name);
      ++found;
      ComPtr<IBaseFilter> filter;
      ASSERT_EQ(S_OK, moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReceiveVoid()));
      CLSID clsid;
      ASSERT_EQ(S_OK, filter->GetClassID(&clsid));
      EXPECT_TRUE(clsid == *row.clsid) << row.name;
    }
    EXPECT_EQ(1, found) << row.name;
  }
}

TEST_F(CompressorTest, MjpegFramesDecodeToTheirPicturesUpright) {
  struct Row {
    const GUID* subtype;
    LONG width, height;  // negative height: top-down
  } rows[] = {{&MEDIASUBTYPE_RGB24, 64, 48},   {&MEDIASUBTYPE_RGB24, 37, -21}, {&MEDIASUBTYPE_RGB32, 50, -30},
              {&MEDIASUBTYPE_ARGB32, 17, 9},  {&MEDIASUBTYPE_RGB32, 1, 1},    {&MEDIASUBTYPE_RGB24, 161, 120}};
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.width << "x" << row.height << " " << (row.subtype->Data1 & 0xff));
    NewGraph();
    int bytes = *row.subtype == MEDIASUBTYPE_RGB24 ? 3 : 4;
    std::vector<BYTE> frame = TestFrame(row.width, row.height, bytes);
    ASSERT_NO_FATAL_FAILURE(Create(CLSID_EngineMjpegCompressor));
    ASSERT_NO_FATAL_FAILURE(Feed(Video(*row.subtype, row.width, row.height), Frames(frame, 3)));
    ASSERT_NO_FATAL_FAILURE(Collect(MEDIATYPE_Video));
    MediaType made;
    ASSERT_EQ(S_OK, Output()->ConnectionMediaType(made.Receive()));
    EXPECT_TRUE(made.Get().subtype == MEDIASUBTYPE_MJPG);
    const BITMAPINFOHEADER& header = reinterpret_cast<const VIDEOINFOHEADER*>(made.Get().pbFormat)->bmiHeader;
    EXPECT_EQ(DWORD(MAKEFOURCC('M', 'J', 'P', 'G')), header.biCompression);
    EXPECT_EQ(24, header.biBitCount);
    EXPECT_EQ(row.width, header.biWidth);
    EXPECT_EQ(labs(row.height), header.biHeight);
    EXPECT_EQ(kFrameTime, reinterpret_cast<const VIDEOINFOHEADER*>(made.Get().pbFormat)->AvgTimePerFrame);
    EXPECT_FALSE(made.Get().bFixedSizeSamples);

    ASSERT_EQ(EC_COMPLETE, RunToEnd(graph.Get()));
    ASSERT_EQ(3u, Sink()->samples.size());
    for (int i = 0; i < 3; ++i) {
      const TestChunk& sample = Sink()->samples[i];
      EXPECT_EQ(i * kFrameTime, sample.start);
      EXPECT_EQ((i + 1) * kFrameTime, sample.stop);
      EXPECT_TRUE(sample.sync);
      Difference difference = CompareJpeg(sample.bytes, frame, row.width, row.height, bytes);
      // At the default quality; the smallest pictures, with the steepest
      // gradients, lose the most to the halved colour resolution.
      EXPECT_LT(difference.mean, 4.0);
      EXPECT_LE(difference.largest, 16);
    }
  }
}

TEST_F(CompressorTest, LowerMjpegQualityGivesSmallerFramesFartherFromThePicture) {
  std::vector<BYTE> frame = TestFrame(96, 64, 3);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = BYTE(frame[i] + ((i * 7919) >> 3) % 24);  // texture
  ASSERT_NO_FATAL_FAILURE(Create(CLSID_EngineMjpegCompressor));
  ASSERT_NO_FATAL_FAILURE(Feed(Video(MEDIASUBTYPE_RGB24, 96, 64), Frames(frame, 1)));
  ASSERT_NO_FATAL_FAILURE(Collect(MEDIATYPE_Video));
  ComPtr<IAMVideoCompression> settings = OutputInterface<IAMVideoCompression>(IID_IAMVideoCompression);
  size_t smaller = 0;
  double farther = 1e9;
  for (double quality : {0.0, 0.3, 0.6, 0.9, 1.0}) {
    SCOPED_TRACE(quality);
    Control()->Stop();
    ASSERT_EQ(S_OK, settings->put_Quality(quality));
    ASSERT_EQ(EC_COMPLETE, RunToEnd(graph.Get()));
    ASSERT_EQ(1u, Sink()->samples.size());
    size_t size = Sink()->samples[0].bytes.size();
    double mean = CompareJpeg(Sink()->samples[0].bytes, frame, 96, 64, 3).mean;
    EXPECT_GT(size, smaller);
    EXPECT_LT(mean, farther);
    smaller = size;
    farther = mean;
  }
}

TEST_F(CompressorTest, MjpegVideoCompressionGivesThePublishedAnswers) {
  ASSERT_NO_FATAL_FAILURE(Create(CLSID_EngineMjpegCompressor));
  ASSERT_NO_FATAL_FAILURE(Feed(Video(MEDIASUBTYPE_RGB24, 32, 16), Frames(TestFrame(32, 16, 3), 1)));
  ASSERT_NO_FATAL_FAILURE(Collect(MEDIATYPE_Video));
  ComPtr<IAMVideoCompression> settings = OutputInterface<IAMVideoCompression>(IID_IAMVideoCompression);
  ASSERT_TRUE(settings);

  int versionBytes = 0, descriptionBytes = 0;
  ASSERT_EQ(S_OK, settings->GetInfo(nullptr, &versionBytes, nullptr, &descriptionBytes, nullptr, nullptr, nullptr,
                                    nullptr));
  EXPECT_EQ(int(sizeof(L"Morvik Motion JPEG")), descriptionBytes);
  std::vector<wchar_t> version(versionBytes / 2), description(descriptionBytes / 2);
  LONG keyFrameRate = -5, pFrames = -5, capabilities = 0;
  double quality = -5;
  ASSERT_EQ(S_OK, settings->GetInfo(version.data(), &versionBytes, description.data(), &descriptionBytes,
                                    &keyFrameRate, &pFrames, &quality, &capabilities));
  EXPECT_STREQ(L"Morvik Motion JPEG", description.data());
  EXPECT_EQ(size_t(versionBytes / 2 - 1), wcslen(version.data()));
  EXPECT_EQ(1, keyFrameRate);  // every frame a key frame
  EXPECT_EQ(0, pFrames);
  EXPECT_EQ(0.75, quality);
  EXPECT_EQ(CompressionCaps_CanQuality, capabilities);
  wchar_t cut[4] = {1, 1, 1, 1};
  int cutBytes = sizeof cut;
  ASSERT_EQ(S_OK, settings->GetInfo(nullptr, nullptr, cut, &cutBytes, nullptr, nullptr, nullptr, nullptr));
  EXPECT_STREQ(L"Mor", cut);
  EXPECT_EQ(int(sizeof(L"Morvik Motion JPEG")), cutBytes);

  // What the capabilities leave out.
  LONG value = 0;
  DWORDLONG window = 0;
  for (HRESULT hr : {settings->put_KeyFrameRate(15), settings->get_KeyFrameRate(&value),
                     settings->put_PFramesPerKeyFrame(3), settings->get_PFramesPerKeyFrame(&value),
                     settings->put_WindowSize(10), settings->get_WindowSize(&window),
                     settings->OverrideFrameSize(1, 1000)})
    EXPECT_EQ(E_NOTIMPL, hr);
  EXPECT_EQ(S_OK, settings->OverrideKeyFrame(2));

  EXPECT_EQ(E_POINTER, settings->get_Quality(nullptr));
  struct {
    double put;
    HRESULT result;
    double got;
  } rows[] = {{0.3, S_OK, 0.3},          {1.5, E_INVALIDARG, 0.3}, {std::nan(""), E_INVALIDARG, 0.3},
              {1.0, S_OK, 1.0},          {0.0, S_OK, 0.0},         {-1.0, S_OK, 0.75}};
  for (const auto& row : rows) {
    EXPECT_EQ(row.result, settings->put_Quality(row.put)) << row.put;
    ASSERT_EQ(S_OK, settings->get_Quality(&quality));
    EXPECT_EQ(row.got, quality) << row.put;
  }
  // Connected it may change; paused or running it may not.
  ASSERT_TRUE(SUCCEEDED(Control()->Pause()));
  EXPECT_EQ(VFW_E_NOT_STOPPED, settings->put_Quality(0.5));
  ASSERT_EQ(S_OK, settings->get_Quality(&quality));
  EXPECT_EQ(0.75, quality);
}

TEST_F(CompressorTest, MjpegStreamConfigOffersWhatItMakesFromItsInput) {
  ASSERT_NO_FATAL_FAILURE(Create(CLSID_EngineMjpegCompressor));
  ComPtr<IAMStreamConfig> config = OutputInterface<IAMStreamConfig>(IID_IAMStreamConfig);
  ASSERT_TRUE(config);
  int count = -1, size = -1;
  AM_MEDIA_TYPE* type = nullptr;
  VIDEO_STREAM_CONFIG_CAPS caps = {};
  for (HRESULT hr : {config->GetNumberOfCapabilities(&count, &size), config->GetFormat(&type),
                     config->GetStreamCaps(0, &type, reinterpret_cast<BYTE*>(&caps)), config->SetFormat(nullptr)})
    EXPECT_EQ(VFW_E_NOT_CONNECTED, hr);

  ASSERT_NO_FATAL_FAILURE(Feed(Video(MEDIASUBTYPE_RGB32, 40, -30), Frames(TestFrame(40, -30, 4), 1)));
  ASSERT_EQ(S_OK, config->GetNumberOfCapabilities(&count, &size));
  EXPECT_EQ(1, count);
  EXPECT_EQ(int(sizeof(VIDEO_STREAM_CONFIG_CAPS)), size);
  EXPECT_EQ(E_POINTER, config->GetStreamCaps(0, nullptr, reinterpret_cast<BYTE*>(&caps)));
  EXPECT_EQ(E_INVALIDARG, config->GetStreamCaps(-1, &type, reinterpret_cast<BYTE*>(&caps)));
  EXPECT_EQ(S_FALSE, config->GetStreamCaps(1, &type, reinterpret_cast<BYTE*>(&caps)));
  ASSERT_EQ(S_OK, config->GetStreamCaps(0, &type, reinterpret_cast<BYTE*>(&caps)));
  EXPECT_TRUE(type->subtype == MEDIASUBTYPE_MJPG);
  const BITMAPINFOHEADER& header = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader;
  EXPECT_EQ(40, header.biWidth);
  EXPECT_EQ(30, header.biHeight);
  EXPECT_TRUE(caps.guid == FORMAT_VideoInfo);
  EXPECT_EQ(40, caps.InputSize.cx);
  EXPECT_EQ(30, caps.MaxOutputSize.cy);
  EXPECT_EQ(caps.MinOutputSize.cx, caps.MaxOutputSize.cx);
  EXPECT_EQ(kFrameTime, caps.MinFrameInterval);
  AM_MEDIA_TYPE* current = nullptr;
  ASSERT_EQ(S_OK, config->GetFormat(&current));
  EXPECT_TRUE(MediaType::Same(*type, *current));
  MediaType::Delete(current);

  // Another size is not one of its formats; its own narrows the offers to it.
  MediaType other;
  other.CopyFrom(*type);
  reinterpret_cast<VIDEOINFOHEADER*>(other.Edit().pbFormat)->bmiHeader.biWidth = 20;
  EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, config->SetFormat(&other.Edit()));
  ASSERT_EQ(S_OK, config->SetFormat(type));
  ComPtr<IEnumMediaTypes> offers;
  ASSERT_EQ(S_OK, Output()->EnumMediaTypes(offers.Receive()));
  AM_MEDIA_TYPE* offer[2] = {};
  ULONG fetched = 0;
  EXPECT_EQ(S_FALSE, offers->Next(2, offer, &fetched));
  ASSERT_EQ(1u, fetched);
  EXPECT_TRUE(MediaType::Same(*type, *offer[0]));
  MediaType::Delete(offer[0]);
  MediaType::Delete(type);

  ASSERT_NO_FATAL_FAILURE(Collect(MEDIATYPE_Video));
  ASSERT_TRUE(SUCCEEDED(Control()->Pause()));
  EXPECT_EQ(VFW_E_NOT_STOPPED, config->SetFormat(nullptr));
  Control()->Stop();

  // An input connected anew with another size: its format reconnects the output.
  ComPtr<IPin> input = PinOf(compressor.Get(), PINDIR_INPUT), upstream;
  ASSERT_EQ(S_OK, input->ConnectedTo(upstream.Receive()));
  ASSERT_EQ(S_OK, graph->Disconnect(upstream.Get()));
  ASSERT_EQ(S_OK, graph->Disconnect(input.Get()));
  ASSERT_NO_FATAL_FAILURE(Feed(Video(MEDIASUBTYPE_RGB24, 20, 10), Frames(TestFrame(20, 10, 3), 1)));
  ASSERT_EQ(S_OK, config->GetStreamCaps(0, &type, reinterpret_cast<BYTE*>(&caps)));
  ASSERT_EQ(S_OK, config->SetFormat(type));
  MediaType connected;
  ASSERT_EQ(S_OK, Output()->ConnectionMediaType(connected.Receive()));
  EXPECT_TRUE(MediaType::Same(*type, connected.Get()));
  MediaType::Delete(type);
  EXPECT_EQ(EC_COMPLETE, RunToEnd(graph.Get()));
  EXPECT_EQ(1u, Sink()->samples.size());
}

TEST_F(CompressorTest, MjpegTakesOnlyWholeUncompressedRgbFrames) {
  struct Row {
    const char* name;
    void (*change)(AM_MEDIA_TYPE& type, VIDEOINFOHEADER& format);
    HRESULT expected;
  } rows[] = {
      {"RGB24", [](AM_MEDIA_TYPE&, VIDEOINFOHEADER&) {}, S_OK},
      {"top-down", [](AM_MEDIA_TYPE&, VIDEOINFOHEADER& f) { f.bmiHeader.biHeight = -16; }, S_OK},
      {"RGB32", [](AM_MEDIA_TYPE& t, VIDEOINFOHEADER& f) { t.subtype = MEDIASUBTYPE_RGB32; f.bmiHeader.biBitCount = 32; }, S_OK},
      {"ARGB32", [](AM_MEDIA_TYPE& t, VIDEOINFOHEADER& f) { t.subtype = MEDIASUBTYPE_ARGB32; f.bmiHeader.biBitCount = 32; }, S_OK},
      {"whole source", [](AM_MEDIA_TYPE&, VIDEOINFOHEADER& f) { f.rcSource = {0, 0, 32, 16}; }, S_OK},
      {"RGB565", [](AM_MEDIA_TYPE& t, VIDEOINFOHEADER& f) { t.subtype = MEDIASUBTYPE_RGB565; f.bmiHeader.biBitCount = 16; }, S_FALSE},
      {"other subtype", [](AM_MEDIA_TYPE& t, VIDEOINFOHEADER& f) { t.subtype = MEDIASUBTYPE_MJPG; f.bmiHeader.biBitCount = 0; }, S_FALSE},
      {"bits unlike subtype", [](AM_MEDIA_TYPE&, VIDEOINFOHEADER& f) { f.bmiHeader.biBitCount = 32; }, S_FALSE},
      {"bit fields", [](AM_MEDIA_TYPE&, VIDEOINFOHEADER& f) { f.bmiHeader.biCompression = BI_BITFIELDS; }, S_FALSE},
      {"no width", [](AM_MEDIA_TYPE&, VIDEOINFOHEADER& f) { f.bmiHeader.biWidth = 0; }, S_FALSE},
      {"no height", [](AM_MEDIA_TYPE&, VIDEOINFOHEADER& f) { f.bmiHeader.biHeight = 0; }, S_FALSE},
      {"too wide", [](AM_MEDIA_TYPE&, VIDEOINFOHEADER& f) { f.bmiHeader.biWidth = 20000; }, S_FALSE},
      {"cropped", [](AM_MEDIA_TYPE&, VIDEOINFOHEADER& f) { f.rcSource = {0, 0, 16, 16}; }, S_FALSE},
      {"stretched", [](AM_MEDIA_TYPE&, VIDEOINFOHEADER& f) { f.rcTarget = {0, 0, 64, 32}; }, S_FALSE},
      {"short format", [](AM_MEDIA_TYPE& t, VIDEOINFOHEADER&) { t.cbFormat = 40; }, S_FALSE},
      {"VideoInfo2", [](AM_MEDIA_TYPE& t, VIDEOINFOHEADER&) { t.formattype = FORMAT_VideoInfo2; }, S_FALSE},
      {"audio", [](AM_MEDIA_TYPE& t, VIDEOINFOHEADER&) { t.majortype = MEDIATYPE_Audio; }, S_FALSE},
  };
  ASSERT_NO_FATAL_FAILURE(Create(CLSID_EngineMjpegCompressor));
  ComPtr<IPin> input = PinOf(compressor.Get(), PINDIR_INPUT);
  for (const Row& row : rows) {
    MediaType type = Video(MEDIASUBTYPE_RGB24, 32, 16);
    row.change(type.Edit(), *reinterpret_cast<VIDEOINFOHEADER*>(type.Edit().pbFormat));
    EXPECT_EQ(row.expected, input->QueryAccept(&type.Get())) << row.name;
  }
}

TEST_F(CompressorTest, MjpegRefusesAFrameShorterThanItsFormat) {
  ASSERT_NO_FATAL_FAILURE(Create(CLSID_EngineMjpegCompressor));
  std::vector<BYTE> frame = TestFrame(32, 16, 3);
  ASSERT_NO_FATAL_FAILURE(Feed(Video(MEDIASUBTYPE_RGB24, 32, 16), {}));
  ASSERT_NO_FATAL_FAILURE(Collect(MEDIATYPE_Video));
  ASSERT_NO_FATAL_FAILURE(PauseByHand(LONG(frame.size())));
  ComPtr<IMemInputPin> input = PinOf(compressor.Get(), PINDIR_INPUT).As<IMemInputPin>(IID_IMemInputPin);
  for (size_t length : {frame.size() - 1, frame.size()}) {
    std::vector<BYTE> bytes(frame.begin(), frame.begin() + length);
    EXPECT_EQ(length < frame.size() ? E_INVALIDARG : S_OK, input->Receive(SampleOf(bytes).Get())) << length;
  }
  EXPECT_EQ(1u, Sink()->samples.size());
}

MediaType Pcm(WORD channels, DWORD rate, WORD bits = 16) {
  WAVEFORMATEX wave = {WAVE_FORMAT_PCM, channels, rate, rate * channels * bits / 8, WORD(channels * bits / 8), bits, 0};
  MediaType type;
  type.Set(MEDIATYPE_Audio, MEDIASUBTYPE_PCM, FORMAT_WaveFormatEx, &wave, sizeof wave);
  return type;
}

// frames of a sine a channel (440 Hz left, 660 Hz right), interleaved.
std::vector<INT16> Sine(WORD channels, DWORD rate, DWORD frames) {
  std::vector<INT16> pcm(size_t(frames) * channels);
  for (DWORD i = 0; i < frames; ++i)
    for (WORD c = 0; c < channels; ++c)
      pcm[i * channels + c] = INT16(12000 * std::sin(2 * 3.14159265358979 * (440 + 220 * c) * i / rate));
  return pcm;
}

REFERENCE_TIME TimeOf(LONGLONG frames, DWORD rate) { return frames * 10000000 / rate; }

// pcm cut into samples of chunkFrames, stamped with their first frame's time.
std::vector<TestChunk> PcmChunks(const std::vector<INT16>& pcm, WORD channels, DWORD rate, DWORD chunkFrames) {
  std::vector<TestChunk> chunks;
  DWORD frames = DWORD(pcm.size() / channels);
  for (DWORD first = 0; first < frames; first += chunkFrames) {
    DWORD count = frames - first < chunkFrames ? frames - first : chunkFrames;
    TestChunk chunk;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(pcm.data() + size_t(first) * channels);
    chunk.bytes.assign(bytes, bytes + size_t(count) * channels * 2);
    chunk.start = TimeOf(first, rate);
    chunk.stop = TimeOf(first + count, rate);
    chunks.push_back(std::move(chunk));
  }
  return chunks;
}

TEST_F(CompressorTest, ImaAdpcmBlocksDecodeToTheSineWithTheirFirstFramesTimes) {
  struct Row {
    WORD channels;
    DWORD rate;
    WORD blockBytes, samplesPerBlock;
  } rows[] = {{1, 8000, 256, 505},    {2, 11025, 512, 505},  {1, 22050, 512, 1017},
              {2, 22050, 1024, 1017}, {2, 44100, 2048, 2041}, {1, 48000, 1024, 2041}};
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.channels << " channels at " << row.rate);
    NewGraph();
    DWORD frames = 3 * row.samplesPerBlock + 100;  // the last block partial
    std::vector<INT16> pcm = Sine(row.channels, row.rate, frames);
    ASSERT_NO_FATAL_FAILURE(Create(CLSID_EngineImaAdpcmCompressor));
    ASSERT_NO_FATAL_FAILURE(Feed(Pcm(row.channels, row.rate), PcmChunks(pcm, row.channels, row.rate, 1000)));
    ASSERT_NO_FATAL_FAILURE(Collect(MEDIATYPE_Audio));
    MediaType made;
    ASSERT_EQ(S_OK, Output()->ConnectionMediaType(made.Receive()));
    ASSERT_GE(made.Get().cbFormat, sizeof(WAVEFORMATEX) + 2);
    const WAVEFORMATEX& wave = *reinterpret_cast<const WAVEFORMATEX*>(made.Get().pbFormat);
    EXPECT_EQ(WAVE_FORMAT_IMA_ADPCM, wave.wFormatTag);
    EXPECT_EQ(DWORD(WAVE_FORMAT_IMA_ADPCM), made.Get().subtype.Data1);
    EXPECT_EQ(row.channels, wave.nChannels);
    EXPECT_EQ(row.rate, wave.nSamplesPerSec);
    EXPECT_EQ(row.blockBytes, wave.nBlockAlign);
    EXPECT_EQ(4, wave.wBitsPerSample);
    EXPECT_EQ(2, wave.cbSize);
    EXPECT_EQ(row.samplesPerBlock, *reinterpret_cast<const WORD*>(&wave + 1));

    ASSERT_EQ(EC_COMPLETE, RunToEnd(graph.Get()));
    const std::vector<TestChunk>& blocks = Sink()->samples;
    ASSERT_EQ(4u, blocks.size());
    std::vector<INT16> decoded(size_t(4) * row.samplesPerBlock * row.channels);
    for (size_t i = 0; i < blocks.size(); ++i) {
      ASSERT_EQ(row.blockBytes, blocks[i].bytes.size());
      EXPECT_NEAR(double(TimeOf(i * row.samplesPerBlock, row.rate)), double(blocks[i].start), 1.0) << i;
      EXPECT_TRUE(blocks[i].sync);
      ImaAdpcm::DecodeBlock(blocks[i].bytes.data(), row.blockBytes, row.channels, row.samplesPerBlock,
                            decoded.data() + i * row.samplesPerBlock * row.channels);
    }
    EXPECT_NEAR(double(TimeOf(frames, row.rate)), double(blocks.back().stop), 1.0);
    // Within 2.5% of the amplitude on average, 10% at worst; the padding repeats the last frame.
    double total = 0;
    int largest = 0;
    for (size_t i = 0; i < pcm.size(); ++i) {
      int miss = abs(decoded[i] - pcm[i]);
      total += miss;
      if (miss > largest) largest = miss;
    }
    EXPECT_LT(total / pcm.size(), 300.0);
    EXPECT_LT(largest, 1200);
    for (size_t i = pcm.size(); i < decoded.size(); ++i)
      EXPECT_NEAR(pcm[pcm.size() - row.channels + i % row.channels], decoded[i], 1200) << i;
  }
}

TEST_F(CompressorTest, ImaAdpcmSendsTheFramesBeforeADiscontinuityAsTheirOwnBlock) {
  std::vector<INT16> pcm = Sine(1, 22050, 1600);
  std::vector<TestChunk> chunks = PcmChunks(pcm, 1, 22050, 800);
  chunks[1].discontinuity = true;
  chunks[1].start += 10000000;  // a second later
  chunks[1].stop += 10000000;
  ASSERT_NO_FATAL_FAILURE(Create(CLSID_EngineImaAdpcmCompressor));
  ASSERT_NO_FATAL_FAILURE(Feed(Pcm(1, 22050), chunks));
  ASSERT_NO_FATAL_FAILURE(Collect(MEDIATYPE_Audio));
  ASSERT_EQ(EC_COMPLETE, RunToEnd(graph.Get()));
  const std::vector<TestChunk>& blocks = Sink()->samples;
  ASSERT_EQ(2u, blocks.size());
  EXPECT_EQ(0, blocks[0].start);
  EXPECT_EQ(TimeOf(800, 22050), blocks[0].stop);
  EXPECT_EQ(chunks[1].start, blocks[1].start);
  EXPECT_TRUE(blocks[1].discontinuity);
  std::vector<INT16> decoded(1017);
  ImaAdpcm::DecodeBlock(blocks[1].bytes.data(), 512, 1, 800, decoded.data());
  for (int i = 0; i < 800; i += 50) EXPECT_NEAR(pcm[800 + i], decoded[i], 1200) << i;
}

TEST_F(CompressorTest, ImaAdpcmDropsThePartialBlockAFlushCutsOff) {
  std::vector<INT16> pcm = Sine(2, 44100, 300);
  std::vector<BYTE> bytes(reinterpret_cast<BYTE*>(pcm.data()), reinterpret_cast<BYTE*>(pcm.data() + pcm.size()));
  ASSERT_NO_FATAL_FAILURE(Create(CLSID_EngineImaAdpcmCompressor));
  ASSERT_NO_FATAL_FAILURE(Feed(Pcm(2, 44100), {}));
  ASSERT_NO_FATAL_FAILURE(Collect(MEDIATYPE_Audio));
  ASSERT_NO_FATAL_FAILURE(PauseByHand(LONG(bytes.size())));
  ComPtr<IPin> input = PinOf(compressor.Get(), PINDIR_INPUT);
  ComPtr<IMemInputPin> memory = input.As<IMemInputPin>(IID_IMemInputPin);
  ASSERT_EQ(S_OK, memory->Receive(SampleOf(bytes).Get()));
  ASSERT_EQ(S_OK, input->BeginFlush());
  ASSERT_EQ(S_OK, input->EndFlush());
  ASSERT_EQ(S_OK, memory->Receive(SampleOf(std::vector<BYTE>(bytes.begin(), bytes.begin() + 400)).Get()));
  ASSERT_EQ(S_OK, input->EndOfStream());
  // Only the 100 frames after the flush, padded to a block.
  ASSERT_EQ(1u, Sink()->samples.size());
  std::vector<INT16> decoded(2041 * 2);
  ImaAdpcm::DecodeBlock(Sink()->samples[0].bytes.data(), 2048, 2, 2041, decoded.data());
  for (size_t i = 0; i < 200; ++i) EXPECT_NEAR(pcm[i], decoded[i], 1200) << i;
  for (size_t i = 200; i < decoded.size(); i += 97) EXPECT_NEAR(pcm[198 + i % 2], decoded[i], 1200) << i;
}

TEST_F(CompressorTest, ImaAdpcmStreamConfigOffersItsInputsChannelsAndRate) {
  ASSERT_NO_FATAL_FAILURE(Create(CLSID_EngineImaAdpcmCompressor));
  ComPtr<IAMStreamConfig> config = OutputInterface<IAMStreamConfig>(IID_IAMStreamConfig);
  ASSERT_TRUE(config);
  EXPECT_FALSE(OutputInterface<IAMVideoCompression>(IID_IAMVideoCompression));
  int count = -1, size = -1;
  EXPECT_EQ(VFW_E_NOT_CONNECTED, config->GetNumberOfCapabilities(&count, &size));
  ASSERT_NO_FATAL_FAILURE(Feed(Pcm(2, 32000), {}));
  ASSERT_EQ(S_OK, config->GetNumberOfCapabilities(&count, &size));
  EXPECT_EQ(1, count);
  EXPECT_EQ(int(sizeof(AUDIO_STREAM_CONFIG_CAPS)), size);
  AM_MEDIA_TYPE* type = nullptr;
  AUDIO_STREAM_CONFIG_CAPS caps = {};
  ASSERT_EQ(S_OK, config->GetStreamCaps(0, &type, reinterpret_cast<BYTE*>(&caps)));
  EXPECT_TRUE(caps.guid == MEDIATYPE_Audio);
  EXPECT_EQ(2u, caps.MinimumChannels);
  EXPECT_EQ(2u, caps.MaximumChannels);
  EXPECT_EQ(32000u, caps.MinimumSampleFrequency);
  EXPECT_EQ(32000u, caps.MaximumSampleFrequency);
  EXPECT_EQ(4u, caps.MinimumBitsPerSample);
  EXPECT_EQ(WAVE_FORMAT_IMA_ADPCM, reinterpret_cast<WAVEFORMATEX*>(type->pbFormat)->wFormatTag);
  EXPECT_EQ(1024, reinterpret_cast<WAVEFORMATEX*>(type->pbFormat)->nBlockAlign);
  EXPECT_EQ(S_OK, config->SetFormat(type));
  reinterpret_cast<WAVEFORMATEX*>(type->pbFormat)->nSamplesPerSec = 44100;
  EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, config->SetFormat(type));
  MediaType::Delete(type);
}

TEST_F(CompressorTest, ImaAdpcmTakesSixteenBitMonoOrStereoFromEightTo48Kilohertz) {
  struct Row {
    MediaType type;
    HRESULT expected;
  } rows[] = {{Pcm(1, 8000), S_OK},       {Pcm(2, 48000), S_OK},      {Pcm(2, 44100), S_OK},
              {Pcm(1, 7999), S_FALSE},    {Pcm(2, 48001), S_FALSE},   {Pcm(3, 44100), S_FALSE},
              {Pcm(2, 44100, 8), S_FALSE}, {Pcm(2, 44100, 24), S_FALSE}};
  MediaType misaligned = Pcm(2, 44100);
  reinterpret_cast<WAVEFORMATEX*>(misaligned.Edit().pbFormat)->nBlockAlign = 2;
  MediaType floating = Pcm(2, 44100);
  floating.Edit().subtype = MEDIASUBTYPE_IEEE_FLOAT;
  ASSERT_NO_FATAL_FAILURE(Create(CLSID_EngineImaAdpcmCompressor));
  ComPtr<IPin> input = PinOf(compressor.Get(), PINDIR_INPUT);
  for (const Row& row : rows) {
    const WAVEFORMATEX& wave = *reinterpret_cast<const WAVEFORMATEX*>(row.type.Get().pbFormat);
    EXPECT_EQ(row.expected, input->QueryAccept(&row.type.Get())) << wave.nChannels << " " << wave.nSamplesPerSec;
  }
  EXPECT_EQ(S_FALSE, input->QueryAccept(&misaligned.Get()));
  EXPECT_EQ(S_FALSE, input->QueryAccept(&floating.Get()));
}

TEST(JpegEncoderTest, NeverWritesPastTheBufferItIsGiven) {
  const int side = 64;
  std::vector<BYTE> noise(side * side * 3);
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = BYTE((i * 2654435761u) >> 13);
  JpegPicture picture = {noise.data(), side * 3, side, side, 3};
  JpegEncoder encoder;
  encoder.SetQuality(100);
  std::vector<BYTE> whole(side * side * 8);
  size_t needed = 0;
  ASSERT_EQ(S_OK, encoder.Encode(picture, whole.data(), whole.size(), &needed));
  for (size_t capacity : {size_t(0), size_t(100), JpegEncoder::kHeaderBytes + 4, needed / 2, needed - 1}) {
    std::vector<BYTE> out(capacity + 256, 0xCD);
    size_t written = 1;
    EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER), encoder.Encode(picture, out.data(), capacity, &written));
    EXPECT_EQ(0u, written);
    for (size_t i = capacity; i < out.size(); ++i) ASSERT_EQ(0xCD, out[i]) << capacity << " at " << i;
  }
  picture.bytesPerPixel = 2;
  EXPECT_EQ(E_INVALIDARG, encoder.Encode(picture, whole.data(), whole.size(), &needed));
}

}  // namespace
