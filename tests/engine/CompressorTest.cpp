// The compressors in the platform's filter graph between test sources and a
// sink: what they make decodes back to what went in, their settings give the
// published answers, and the device enumerator lists them.
#include <windows.h>
#include <mmreg.h>

#include <cmath>
#include <vector>

#include "EngineFilters.h"
#include "GraphTesting.h"
#include "ImaAdpcm.h"
#include "JpegEncoder.h"
#include "TestMedia.h"

namespace {

const REFERENCE_TIME kFrameTime = 333333;

MediaType Video(const GUID& subtype, LONG width, LONG height) { return RgbType(subtype, width, height, kFrameTime); }

std::vector<Sample> Frames(const std::string& frame, int count) {
  std::vector<Sample> samples(count);
  for (int i = 0; i < count; ++i) samples[i] = {frame, i * kFrameTime, (i + 1) * kFrameTime};
  return samples;
}

MediaType Pcm(WORD channels, DWORD rate, WORD bits = 16) {
  return WaveType({WAVE_FORMAT_PCM, channels, rate, rate * channels * bits / 8, WORD(channels * bits / 8), bits, 0});
}

REFERENCE_TIME TimeOf(LONGLONG frames, DWORD rate) { return frames * 10000000 / rate; }

// samples cut into chunks of 1000 frames, stamped with their first frame's time.
std::vector<Sample> Cut(const std::vector<INT16>& samples, WORD channels, DWORD rate) {
  std::vector<Sample> chunks;
  for (size_t first = 0; first < samples.size(); first += 1000 * channels) {
    size_t end = first + 1000 * channels < samples.size() ? first + 1000 * channels : samples.size();
    chunks.push_back({AsBytes(std::vector<INT16>(samples.begin() + first, samples.begin() + end)),
                      TimeOf(first / channels, rate), TimeOf(end / channels, rate)});
  }
  return chunks;
}

// The compressor under test is the graph's tested filter.
class CompressorTest : public GraphTest {
 protected:
  void TearDown() override {
    Release();
    if (allocator) allocator->Decommit();
    allocator.Reset();
    GraphTest::TearDown();
  }
  void Create(const CLSID& clsid) {
    ASSERT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, tested.ReceiveVoid()));
    ASSERT_EQ(S_OK, graph->AddFilter(tested.Get(), nullptr));
  }
  // A source of samples of type into the compressor; the compressor into the sink.
  void Feed(const MediaType& type, std::vector<Sample> samples) {
    ASSERT_EQ(S_OK, Join(graph.Get(), (source = Make<TestSource>(&type.Get(), samples)).Get(), tested.Get()));
  }
  void Collect() { ASSERT_EQ(S_OK, Join(graph.Get(), tested.Get(), sink.Get())); }
  void Build(const CLSID& clsid, const MediaType& type, std::vector<Sample> samples) {
    ASSERT_NO_FATAL_FAILURE(Create(clsid));
    ASSERT_NO_FATAL_FAILURE(Feed(type, std::move(samples)));
    ASSERT_NO_FATAL_FAILURE(Collect());
  }
  // Pauses the compressor and the sink, not the source: samples of up to
  // bytes then come from Receive into the compressor's input by hand.
  void PauseByHand(LONG bytes) {
    Sink()->cueing = false;
    ASSERT_EQ(S_OK, sink->Pause());
    ASSERT_EQ(S_OK, tested->Pause());
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_MemoryAllocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMemAllocator,
                                     allocator.ReceiveVoid()));
    ALLOCATOR_PROPERTIES wanted = {1, bytes, 1, 0}, actual;
    ASSERT_EQ(S_OK, allocator->SetProperties(&wanted, &actual));
    ASSERT_EQ(S_OK, allocator->Commit());
  }
  HRESULT Receive(const std::string& bytes, bool discontinuity = false) {
    ComPtr<IMediaSample> sample;
    EXPECT_EQ(S_OK, allocator->GetBuffer(sample.Receive(), nullptr, nullptr, 0));
    BYTE* data = nullptr;
    sample->GetPointer(&data);
    memcpy(data, bytes.data(), bytes.size());
    sample->SetActualDataLength(LONG(bytes.size()));
    sample->SetDiscontinuity(discontinuity);
    return Input().As<IMemInputPin>(IID_IMemInputPin)->Receive(sample.Get());
  }
  template <class I>
  ComPtr<I> Settings(REFIID iid) { return Output().As<I>(iid); }
  ComPtr<IPin> Input() { return PinOf(tested.Get(), PINDIR_INPUT); }
  ComPtr<IPin> Output() { return PinOf(tested.Get(), PINDIR_OUTPUT); }

  ComPtr<IMemAllocator> allocator;
};

TEST_F(CompressorTest, EachConformsAndIsListedInItsCategoryBoundToTheEngine) {
  struct {
    const CLSID* clsid;
    const CLSID* category;
    const wchar_t* name;
  } rows[] = {{&CLSID_EngineMjpegCompressor, &CLSID_VideoCompressorCategory, L"Morvik Motion JPEG"},
              {&CLSID_EngineImaAdpcmCompressor, &CLSID_AudioCompressorCategory, L"Morvik IMA ADPCM"}};
  ComPtr<ICreateDevEnum> devices;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                                   devices.ReceiveVoid()));
  for (const auto& row : rows) {
    ASSERT_NO_FATAL_FAILURE(Create(*row.clsid));
    ExpectConformingFilter(tested.Get(), *row.clsid);
    ComPtr<IEnumMoniker> monikers;
    ASSERT_EQ(S_OK, devices->CreateClassEnumerator(*row.category, monikers.Receive(), 0)) << row.name;
    int found = 0;
    for (ComPtr<IMoniker> moniker; monikers->Next(1, moniker.Receive(), nullptr) == S_OK;) {
      ComPtr<IPropertyBag> bag;
      ComPtr<IBaseFilter> filter;
      VARIANT name;
      VariantInit(&name);
      CLSID clsid = GUID_NULL;
      if (SUCCEEDED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReceiveVoid())) &&
          SUCCEEDED(bag->Read(L"FriendlyName", &name, nullptr)) && wcscmp(name.bstrVal, row.name) == 0 &&
          SUCCEEDED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReceiveVoid())))
        filter->GetClassID(&clsid);
      VariantClear(&name);
      found += clsid == *row.clsid;
    }
    EXPECT_EQ(1, found) << row.name;
  }
}

TEST_F(CompressorTest, MjpegFramesDecodeToTheirPicturesUpright) {
  struct {
    const GUID* subtype;
    LONG width, height;  // negative height: top-down
  } rows[] = {{&MEDIASUBTYPE_RGB24, 64, 48}, {&MEDIASUBTYPE_RGB24, 37, -21}, {&MEDIASUBTYPE_RGB32, 50, -30},
              {&MEDIASUBTYPE_ARGB32, 17, 9}, {&MEDIASUBTYPE_RGB32, 1, 1},    {&MEDIASUBTYPE_RGB24, 161, 120}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.width << "x" << row.height);
    NewGraph();
    int bytes = *row.subtype == MEDIASUBTYPE_RGB24 ? 3 : 4;
    std::string frame = TestFrame(row.width, row.height, bytes);
    ASSERT_NO_FATAL_FAILURE(Build(CLSID_EngineMjpegCompressor, Video(*row.subtype, row.width, row.height),
                                  Frames(frame, 3)));
    MediaType made;
    ASSERT_EQ(S_OK, Output()->ConnectionMediaType(made.Receive()));
    const VIDEOINFOHEADER& format = *reinterpret_cast<const VIDEOINFOHEADER*>(made.Get().pbFormat);
    EXPECT_TRUE(made.Get().subtype == MEDIASUBTYPE_MJPG && !made.Get().bFixedSizeSamples);
    EXPECT_TRUE(format.bmiHeader.biCompression == MAKEFOURCC('M', 'J', 'P', 'G') && format.bmiHeader.biBitCount == 24);
    EXPECT_TRUE(format.bmiHeader.biWidth == row.width && format.bmiHeader.biHeight == labs(row.height));
    EXPECT_EQ(kFrameTime, format.AvgTimePerFrame);
    ASSERT_EQ(EC_COMPLETE, RunToEnd(graph.Get()));
    ASSERT_EQ(3u, Collected().size());
    for (int i = 0; i < 3; ++i) {
      EXPECT_TRUE(Collected()[i].start == i * kFrameTime && Collected()[i].stop == (i + 1) * kFrameTime && Collected()[i].sync);
      // At the default quality the smallest pictures, with the steepest
      // gradients, lose the most to the halved colour resolution.
      Difference difference = CompareJpeg(Collected()[i].bytes, frame, row.width, row.height, bytes);
      EXPECT_LT(difference.mean, 4.0);
      EXPECT_LE(difference.largest, 16);
    }
  }
}

TEST_F(CompressorTest, LowerMjpegQualityGivesSmallerFramesFartherFromThePicture) {
  std::string frame = TestFrame(96, 64, 3);
  for (size_t i = 0; i < frame.size(); ++i) frame[i] = char(frame[i] + ((i * 7919) >> 3) % 24);  // texture
  ASSERT_NO_FATAL_FAILURE(
      Build(CLSID_EngineMjpegCompressor, Video(MEDIASUBTYPE_RGB24, 96, 64), Frames(frame, 1)));
  size_t smaller = 0;
  double farther = 1e9;
  for (double quality : {0.0, 0.3, 0.6, 0.9, 1.0}) {
    graph.As<IMediaControl>(IID_IMediaControl)->Stop();
    ASSERT_EQ(S_OK, Settings<IAMVideoCompression>(IID_IAMVideoCompression)->put_Quality(quality));
    ASSERT_EQ(EC_COMPLETE, RunToEnd(graph.Get()));
    ASSERT_EQ(1u, Collected().size());
    double mean = CompareJpeg(Collected()[0].bytes, frame, 96, 64, 3).mean;
    EXPECT_TRUE(Collected()[0].bytes.size() > smaller && mean < farther) << quality;
    smaller = Collected()[0].bytes.size();
    farther = mean;
  }
}

TEST_F(CompressorTest, MjpegVideoCompressionGivesThePublishedAnswers) {
  ASSERT_NO_FATAL_FAILURE(Build(CLSID_EngineMjpegCompressor, Video(MEDIASUBTYPE_RGB24, 32, 16),
                                Frames(TestFrame(32, 16, 3), 1)));
  ComPtr<IAMVideoCompression> settings = Settings<IAMVideoCompression>(IID_IAMVideoCompression);
  ASSERT_TRUE(settings);
  // Sizes first, as the reference's example asks them; then the strings, whole or cut to the buffer.
  int versionBytes = 0, nameBytes = 0, cutBytes = 8;
  ASSERT_EQ(S_OK, settings->GetInfo(nullptr, &versionBytes, nullptr, &nameBytes, nullptr, nullptr, nullptr, nullptr));
  std::vector<wchar_t> version(versionBytes / 2), name(nameBytes / 2);
  wchar_t cut[4] = {1, 1, 1, 1};
  LONG keyFrameRate = -5, pFrames = -5, capabilities = 0;
  double quality = -5;
  ASSERT_EQ(S_OK, settings->GetInfo(version.data(), nullptr, name.data(), nullptr, &keyFrameRate, &pFrames, &quality,
                                    &capabilities));
  ASSERT_EQ(S_OK, settings->GetInfo(nullptr, nullptr, cut, &cutBytes, nullptr, nullptr, nullptr, nullptr));
  EXPECT_STREQ(L"Morvik Motion JPEG", name.data());
  EXPECT_TRUE(nameBytes == sizeof L"Morvik Motion JPEG" && cutBytes == nameBytes && wcscmp(cut, L"Mor") == 0);
  EXPECT_EQ(size_t(versionBytes / 2 - 1), wcslen(version.data()));
  EXPECT_TRUE(keyFrameRate == 1 && pFrames == 0 && quality == 0.75);  // every frame a key frame
  EXPECT_EQ(CompressionCaps_CanQuality, capabilities);

  LONG value = 0;
  DWORDLONG window = 0;
  for (HRESULT hr : {settings->put_KeyFrameRate(15), settings->get_KeyFrameRate(&value),
                     settings->put_PFramesPerKeyFrame(3), settings->get_PFramesPerKeyFrame(&value),
                     settings->put_WindowSize(10), settings->get_WindowSize(&window), settings->OverrideFrameSize(1, 9)})
    EXPECT_EQ(E_NOTIMPL, hr);  // what the capabilities leave out
  EXPECT_EQ(S_OK, settings->OverrideKeyFrame(2));
  EXPECT_EQ(E_POINTER, settings->get_Quality(nullptr));
  struct {
    double put;
    HRESULT result;
    double got;
  } rows[] = {{0.3, S_OK, 0.3}, {1.5, E_INVALIDARG, 0.3}, {std::nan(""), E_INVALIDARG, 0.3},
              {1.0, S_OK, 1.0}, {0.0, S_OK, 0.0},         {-1.0, S_OK, 0.75}};
  for (const auto& row : rows) {
    EXPECT_EQ(row.result, settings->put_Quality(row.put)) << row.put;
    EXPECT_TRUE(settings->get_Quality(&quality) == S_OK && quality == row.got) << row.put;
  }
  // Connected it may change (above); paused or running it may not.
  ASSERT_TRUE(SUCCEEDED(graph.As<IMediaControl>(IID_IMediaControl)->Pause()));
  EXPECT_EQ(VFW_E_NOT_STOPPED, settings->put_Quality(0.5));
}

TEST_F(CompressorTest, MjpegStreamConfigOffersWhatItMakesFromItsInput) {
  ASSERT_NO_FATAL_FAILURE(Create(CLSID_EngineMjpegCompressor));
  ComPtr<IAMStreamConfig> config = Settings<IAMStreamConfig>(IID_IAMStreamConfig);
  ASSERT_TRUE(config);
  int count = -1, size = -1;
  AM_MEDIA_TYPE* type = nullptr;
  VIDEO_STREAM_CONFIG_CAPS caps = {};
  BYTE* capsBytes = reinterpret_cast<BYTE*>(&caps);
  for (HRESULT hr : {config->GetNumberOfCapabilities(&count, &size), config->GetFormat(&type),
                     config->GetStreamCaps(0, &type, capsBytes), config->SetFormat(nullptr)})
    EXPECT_EQ(VFW_E_NOT_CONNECTED, hr);

  ASSERT_NO_FATAL_FAILURE(Feed(Video(MEDIASUBTYPE_RGB32, 40, -30), Frames(TestFrame(40, -30, 4), 1)));
  ASSERT_EQ(S_OK, config->GetNumberOfCapabilities(&count, &size));
  EXPECT_TRUE(count == 1 && size == int(sizeof caps));
  EXPECT_EQ(E_POINTER, config->GetStreamCaps(0, nullptr, capsBytes));
  EXPECT_EQ(E_INVALIDARG, config->GetStreamCaps(-1, &type, capsBytes));
  EXPECT_EQ(S_FALSE, config->GetStreamCaps(1, &type, capsBytes));
  ASSERT_EQ(S_OK, config->GetStreamCaps(0, &type, capsBytes));
  MediaType offered, current, other;
  offered.CopyFrom(*type);
  MediaType::Delete(type);
  const BITMAPINFOHEADER& header = reinterpret_cast<const VIDEOINFOHEADER*>(offered.Get().pbFormat)->bmiHeader;
  EXPECT_TRUE(offered.Get().subtype == MEDIASUBTYPE_MJPG && header.biWidth == 40 && header.biHeight == 30);
  EXPECT_TRUE(caps.guid == FORMAT_VideoInfo && caps.InputSize.cx == 40 && caps.MaxOutputSize.cy == 30);
  EXPECT_EQ(kFrameTime, caps.MinFrameInterval);
  ASSERT_EQ(S_OK, config->GetFormat(&type));
  current.CopyFrom(*type);
  MediaType::Delete(type);
  EXPECT_TRUE(MediaType::Same(offered.Get(), current.Get()));

  // Another size is not one of its formats; its own narrows the offers to it.
  other.CopyFrom(offered.Get());
  reinterpret_cast<VIDEOINFOHEADER*>(other.Edit().pbFormat)->bmiHeader.biWidth = 20;
  EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, config->SetFormat(&other.Edit()));
  ASSERT_EQ(S_OK, config->SetFormat(&offered.Edit()));
  ComPtr<IEnumMediaTypes> offers;
  AM_MEDIA_TYPE* offer[2] = {};
  ULONG fetched = 0;
  ASSERT_EQ(S_OK, Output()->EnumMediaTypes(offers.Receive()));
  EXPECT_EQ(S_FALSE, offers->Next(2, offer, &fetched));
  ASSERT_EQ(1u, fetched);
  EXPECT_TRUE(MediaType::Same(offered.Get(), *offer[0]));
  MediaType::Delete(offer[0]);
  ASSERT_NO_FATAL_FAILURE(Collect());
  ASSERT_TRUE(SUCCEEDED(graph.As<IMediaControl>(IID_IMediaControl)->Pause()));
  EXPECT_EQ(VFW_E_NOT_STOPPED, config->SetFormat(nullptr));
  graph.As<IMediaControl>(IID_IMediaControl)->Stop();

  // An input connected anew with another size: its format reconnects the output.
  ComPtr<IPin> upstream;
  ASSERT_EQ(S_OK, Input()->ConnectedTo(upstream.Receive()));
  ASSERT_TRUE(graph->Disconnect(upstream.Get()) == S_OK && graph->Disconnect(Input().Get()) == S_OK);
  ASSERT_NO_FATAL_FAILURE(Feed(Video(MEDIASUBTYPE_RGB24, 20, 10), Frames(TestFrame(20, 10, 3), 1)));
  ASSERT_EQ(S_OK, config->GetStreamCaps(0, &type, capsBytes));
  offered.CopyFrom(*type);
  MediaType::Delete(type);
  EXPECT_EQ(S_OK, config->SetFormat(&offered.Edit()));
  ASSERT_EQ(S_OK, Output()->ConnectionMediaType(current.Receive()));
  EXPECT_TRUE(MediaType::Same(offered.Get(), current.Get()));
  EXPECT_EQ(EC_COMPLETE, RunToEnd(graph.Get()));
}

TEST_F(CompressorTest, EachTakesOnlyInputsItCanCompress) {
  auto video = [](const GUID& subtype, WORD bits, DWORD compression, RECT source) {
    MediaType type = Video(subtype, 32, 16);
    VIDEOINFOHEADER& format = *reinterpret_cast<VIDEOINFOHEADER*>(type.Edit().pbFormat);
    format.bmiHeader.biBitCount = bits;
    format.bmiHeader.biCompression = compression;
    format.rcSource = source;
    return type;
  };
  MediaType misaligned = Pcm(2, 44100);
  reinterpret_cast<WAVEFORMATEX*>(misaligned.Edit().pbFormat)->nBlockAlign = 2;
  const CLSID& mjpeg = CLSID_EngineMjpegCompressor;
  const CLSID& adpcm = CLSID_EngineImaAdpcmCompressor;
  struct {
    const CLSID& clsid;
    MediaType type;
    HRESULT expected;
  } rows[] = {
      {mjpeg, video(MEDIASUBTYPE_RGB24, 24, BI_RGB, {0, 0, 32, 16}), S_OK},
      {mjpeg, Video(MEDIASUBTYPE_ARGB32, 32, -16), S_OK},
      {mjpeg, video(MEDIASUBTYPE_RGB565, 16, BI_RGB, {}), S_FALSE},
      {mjpeg, video(MEDIASUBTYPE_MJPG, 0, BI_RGB, {}), S_FALSE},
      {mjpeg, video(MEDIASUBTYPE_RGB32, 32, BI_BITFIELDS, {}), S_FALSE},
      {mjpeg, video(MEDIASUBTYPE_RGB24, 24, BI_RGB, {0, 0, 16, 16}), S_FALSE},  // cropped
      {adpcm, Pcm(1, 8000), S_OK},
      {adpcm, Pcm(2, 48000), S_OK},
      {adpcm, Pcm(1, 7999), S_FALSE},
      {adpcm, Pcm(2, 44100, 8), S_FALSE},
      {adpcm, std::move(misaligned), S_FALSE},
  };
  for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
    ComPtr<IBaseFilter> filter;
    ASSERT_EQ(S_OK, CoCreateInstance(rows[i].clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                     filter.ReceiveVoid()));
    EXPECT_EQ(rows[i].expected, PinOf(filter.Get(), PINDIR_INPUT)->QueryAccept(&rows[i].type.Get())) << "row " << i;
  }
}

// A short frame would be read past its end: it ends the stream instead.
TEST_F(CompressorTest, MjpegRefusesAFrameShorterThanItsFormat) {
  std::string frame = TestFrame(32, 16, 3);
  ASSERT_NO_FATAL_FAILURE(Build(CLSID_EngineMjpegCompressor, Video(MEDIASUBTYPE_RGB24, 32, 16), {}));
  ASSERT_NO_FATAL_FAILURE(PauseByHand(LONG(frame.size())));
  EXPECT_EQ(E_INVALIDARG, Receive(frame.substr(0, frame.size() - 1)));
  EXPECT_EQ(0u, Collected().size());
}

TEST_F(CompressorTest, ImaAdpcmBlocksDecodeToTheSineWithTheirFirstFramesTimes) {
  struct {
    WORD channels;
    DWORD rate;
    WORD blockBytes, samplesPerBlock;
  } rows[] = {{1, 8000, 256, 505},    {2, 11025, 512, 505},   {1, 22050, 512, 1017},
              {2, 22050, 1024, 1017}, {2, 44100, 2048, 2041}, {1, 48000, 1024, 2041}};
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.channels << " channels at " << row.rate);
    NewGraph();
    DWORD frames = 3 * row.samplesPerBlock + 100;  // the last block partial
    std::vector<INT16> pcm = Sine(frames, row.channels, row.rate, 12000);
    ASSERT_NO_FATAL_FAILURE(Build(CLSID_EngineImaAdpcmCompressor, Pcm(row.channels, row.rate),
                                  Cut(pcm, row.channels, row.rate)));
    MediaType made;
    ASSERT_EQ(S_OK, Output()->ConnectionMediaType(made.Receive()));
    ASSERT_GE(made.Get().cbFormat, sizeof(WAVEFORMATEX) + 2);
    const WAVEFORMATEX& wave = *reinterpret_cast<const WAVEFORMATEX*>(made.Get().pbFormat);
    EXPECT_EQ(DWORD(WAVE_FORMAT_IMA_ADPCM), made.Get().subtype.Data1);
    EXPECT_TRUE(wave.wFormatTag == WAVE_FORMAT_IMA_ADPCM && wave.wBitsPerSample == 4 && wave.cbSize == 2);
    EXPECT_TRUE(wave.nChannels == row.channels && wave.nSamplesPerSec == row.rate);
    EXPECT_EQ(row.blockBytes, wave.nBlockAlign);
    EXPECT_EQ(row.samplesPerBlock, *reinterpret_cast<const WORD*>(&wave + 1));

    ASSERT_EQ(EC_COMPLETE, RunToEnd(graph.Get()));
    ASSERT_EQ(4u, Collected().size());
    std::vector<INT16> decoded(size_t(4) * row.samplesPerBlock * row.channels);
    for (size_t i = 0; i < Collected().size(); ++i) {
      ASSERT_EQ(row.blockBytes, Collected()[i].bytes.size());
      EXPECT_NEAR(double(TimeOf(i * row.samplesPerBlock, row.rate)), double(Collected()[i].start), 1.0) << i;
      ImaAdpcm::DecodeBlock(reinterpret_cast<const BYTE*>(Collected()[i].bytes.data()), row.blockBytes, row.channels,
                            row.samplesPerBlock, decoded.data() + i * row.samplesPerBlock * row.channels);
    }
    EXPECT_NEAR(double(TimeOf(frames, row.rate)), double(Collected().back().stop), 1.0);
    // Within 2.5% of the amplitude on average, 10% at worst; the padding repeats the last frame.
    double total = 0, largest = 0;
    for (size_t i = 0; i < decoded.size(); ++i) {
      size_t at = i < pcm.size() ? i : pcm.size() - row.channels + i % row.channels;
      double miss = std::fabs(decoded[i] - pcm[at]);
      total += i < pcm.size() ? miss : 0;
      largest = miss > largest ? miss : largest;
    }
    EXPECT_LT(total / pcm.size(), 300.0);
    EXPECT_LT(largest, 1200.0);
  }
}

TEST_F(CompressorTest, ImaAdpcmSendsFramesBeforeADiscontinuityAndDropsThoseAFlushCutsOff) {
  std::vector<INT16> pcm = Sine(600, 2, 44100, 12000);
  std::string bytes = AsBytes(pcm);
  auto part = [&bytes](size_t from, size_t to) { return bytes.substr(from * 4, (to - from) * 4); };
  ASSERT_NO_FATAL_FAILURE(Build(CLSID_EngineImaAdpcmCompressor, Pcm(2, 44100), {}));
  ASSERT_NO_FATAL_FAILURE(PauseByHand(LONG(bytes.size())));
  ASSERT_EQ(S_OK, Receive(part(0, 300)));
  ASSERT_EQ(S_OK, Receive(part(300, 400), true));  // sends frames 0-299 as they are
  std::vector<Sample> made = Collected();  // the sink forgets them in the flush
  ASSERT_TRUE(Input()->BeginFlush() == S_OK && Input()->EndFlush() == S_OK);  // drops 300-399
  ASSERT_EQ(S_OK, Receive(part(400, 600)));
  ASSERT_EQ(S_OK, Input()->EndOfStream());
  made.insert(made.end(), Collected().begin(), Collected().end());
  ASSERT_EQ(2u, made.size());
  for (size_t block = 0; block < 2; ++block) {
    EXPECT_TRUE(made[block].discontinuity);
    std::vector<INT16> decoded(2041 * 2);
    ImaAdpcm::DecodeBlock(reinterpret_cast<const BYTE*>(made[block].bytes.data()), 2048, 2, 2041, decoded.data());
    size_t first = block ? 400 : 0, count = block ? 200 : 300;
    for (size_t i = 0; i < count * 2; i += 7) EXPECT_NEAR(pcm[first * 2 + i], decoded[i], 1200) << i;
  }
}

TEST_F(CompressorTest, ImaAdpcmStreamConfigOffersItsInputsChannelsAndRate) {
  ASSERT_NO_FATAL_FAILURE(Create(CLSID_EngineImaAdpcmCompressor));
  ComPtr<IAMStreamConfig> config = Settings<IAMStreamConfig>(IID_IAMStreamConfig);
  ASSERT_TRUE(config && !Settings<IAMVideoCompression>(IID_IAMVideoCompression));
  int count = -1, size = -1;
  EXPECT_EQ(VFW_E_NOT_CONNECTED, config->GetNumberOfCapabilities(&count, &size));
  ASSERT_NO_FATAL_FAILURE(Feed(Pcm(2, 32000), {}));
  ASSERT_EQ(S_OK, config->GetNumberOfCapabilities(&count, &size));
  EXPECT_TRUE(count == 1 && size == int(sizeof(AUDIO_STREAM_CONFIG_CAPS)));
  AM_MEDIA_TYPE* type = nullptr;
  AUDIO_STREAM_CONFIG_CAPS caps = {};
  ASSERT_EQ(S_OK, config->GetStreamCaps(0, &type, reinterpret_cast<BYTE*>(&caps)));
  EXPECT_TRUE(caps.guid == MEDIATYPE_Audio && caps.MinimumBitsPerSample == 4);
  EXPECT_TRUE(caps.MinimumChannels == 2 && caps.MaximumChannels == 2);
  EXPECT_TRUE(caps.MinimumSampleFrequency == 32000 && caps.MaximumSampleFrequency == 32000);
  WAVEFORMATEX& wave = *reinterpret_cast<WAVEFORMATEX*>(type->pbFormat);
  EXPECT_TRUE(wave.wFormatTag == WAVE_FORMAT_IMA_ADPCM && wave.nBlockAlign == 1024);
  EXPECT_EQ(S_OK, config->SetFormat(type));
  wave.nSamplesPerSec = 44100;
  EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, config->SetFormat(type));
  MediaType::Delete(type);
}

TEST(JpegEncoderTest, NeverWritesPastTheBufferItIsGiven) {
  const int side = 64;
  std::vector<BYTE> noise(side * side * 3), whole(side * side * 8);
  for (size_t i = 0; i < noise.size(); ++i) noise[i] = BYTE((i * 2654435761u) >> 13);
  JpegPicture picture = {noise.data(), side * 3, side, side, 3};
  JpegEncoder encoder;
  encoder.SetQuality(100);
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
