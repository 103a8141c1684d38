// The render engine through its published interface: graphs built by
// ConnectFrontEnd run to the end into collecting sinks, checked for counts,
// stamps and pixels or samples; edits, seeks, errors and teardown.
#include <windows.h>
#include <tlhelp32.h>
#include <vfwmsgs.h>

#include <cmath>
#include <functional>

#include "AviWriter.h"
#include "EffectIds.h"
#include "EngineFilters.h"
#include "GraphTesting.h"
#include "MediaTypeBuilder.h"
#include "RiffBytes.h"
#include "TempFolder.h"

namespace {

const REFERENCE_TIME kSecond = 10000000;

using Colour = std::function<UINT32(int frame, int x, int y)>;  // 0xRRGGBB

// frames uncompressed 24-bit frames of width x height at fps, through the engine's AVI writer.
std::string VideoAvi(int width, int height, int frames, DWORD fps, const Colour& colour) {
  BITMAPINFOHEADER bitmap = Bitmap(width, height, 24);
  MediaType type;
  AviWriter writer;
  TempFolder scratch;
  EXPECT_EQ(S_OK, MediaTypeBuilder::Video(reinterpret_cast<const BYTE*>(&bitmap), sizeof bitmap,
                                          std::llround(1e7 / fps), &type));
  EXPECT_EQ(S_OK, writer.AddStream(type.Get()));
  EXPECT_EQ(S_OK, writer.Create(scratch.File(L"clip.avi").c_str(), AviWriter::Options()));
  for (int f = 0; f < frames; ++f) {
    std::string frame;
    for (int y = height - 1; y >= 0; --y) {
      std::string row;
      for (int x = 0; x < width; ++x) row += Bytes(colour(f, x, y)).substr(0, 3);
      row.resize((row.size() + 3) / 4 * 4, '\0');
      frame += row;
    }
    EXPECT_EQ(S_OK, writer.WriteChunk(0, reinterpret_cast<const BYTE*>(frame.data()), DWORD(frame.size()), true));
  }
  EXPECT_EQ(S_OK, writer.Finish());
  return ReadWholeFile(scratch.File(L"clip.avi"));
}

Colour Solid(UINT32 rgb) {
  return [rgb](int, int, int) { return rgb; };
}

// A mono 16-bit WAV of value at rate for seconds, or of wave(i) when given.
std::string Wav(DWORD rate, double seconds, int value, std::function<int(int)> wave = nullptr) {
  std::vector<int> samples(size_t(rate * seconds));
  for (size_t i = 0; i < samples.size(); ++i) samples[i] = wave ? wave(int(i)) : value;
  return PcmWav(16, 1, rate, samples);
}

// A property value as text at a time from its object's start.
struct Value {
  const wchar_t* name;
  const wchar_t* text;
  REFERENCE_TIME time;
  DWORD interp;
};

struct VideoFormat {
  const char* name;
  GUID subtype;
  WORD bits;
  bool topDown;
};

AM_MEDIA_TYPE VideoType(const VideoFormat& format, LONG width, LONG height) {
  AM_MEDIA_TYPE type = MakeVideoType(width, format.topDown ? -height : height, format.bits);
  type.subtype = format.subtype;
  return type;
}

// Pixel (x, y), counted from the top, of a frame of format as 0xRRGGBB.
UINT32 PixelOf(const std::string& frame, const VideoFormat& format, int width, int height, int x, int y) {
  int stride = (width * format.bits + 31) / 32 * 4;
  const BYTE* p = reinterpret_cast<const BYTE*>(frame.data()) + (format.topDown ? y : height - 1 - y) * stride;
  if (format.bits >= 24) {
    p += x * format.bits / 8;
    return UINT32(p[2]) << 16 | UINT32(p[1]) << 8 | p[0];
  }
  WORD v = reinterpret_cast<const WORD*>(p)[x];
  bool wide = format.subtype == MEDIASUBTYPE_RGB565;
  UINT32 r = (v >> (wide ? 11 : 10) & 31) << 3, g = (v >> 5 & (wide ? 63 : 31)) << (wide ? 2 : 3), b = (v & 31) << 3;
  return r << 16 | g << 8 | b;
}

// What a format keeps of a colour.
UINT32 Kept(UINT32 rgb, const VideoFormat& format) {
  if (format.bits >= 24) return rgb;
  bool wide = format.subtype == MEDIASUBTYPE_RGB565;
  return rgb & (wide ? 0xF8FCF8 : 0xF8F8F8);
}

int Channel(UINT32 rgb, int shift) { return int(rgb >> shift & 0xFF); }

// Whether each channel of pixel lies within tolerance of a mixed with share of b.
::testing::AssertionResult Blended(UINT32 pixel, UINT32 a, UINT32 b, double share, int tolerance = 3) {
  for (int shift : {0, 8, 16}) {
    double wanted = Channel(a, shift) * (1 - share) + Channel(b, shift) * share;
    if (std::abs(Channel(pixel, shift) - wanted) > tolerance)
      return ::testing::AssertionFailure() << std::hex << pixel << " is not " << a << " with " << share << " of " << b;
  }
  return ::testing::AssertionSuccess();
}

// Live threads of this process.
int ThreadCount() {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
  THREADENTRY32 entry = {};
  entry.dwSize = sizeof entry;
  int count = 0;
  for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
    count += entry.th32OwnerProcessID == GetCurrentProcessId();
  CloseHandle(snapshot);
  return count;
}

class RenderEngineTest : public GraphTest {
 protected:
  void SetUp() override {
    GraphTest::SetUp();
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_RenderEngine, nullptr, CLSCTX_INPROC_SERVER, IID_IRenderEngine,
                                     engine.ReceiveVoid()));
    ASSERT_EQ(S_OK, engine->SetTimelineObject(timeline.Get()));
    ASSERT_EQ(S_OK, engine->SetFilterGraph(graph.Get()));
  }
  void TearDown() override {
    if (engine) engine->ScrapIt();
    engine.Reset();
    GraphTest::TearDown();
  }

  std::wstring Media(const wchar_t* name, const std::string& bytes) {
    EXPECT_TRUE(WriteWholeFile(folder.File(name), bytes));
    return folder.File(name);
  }
  ComPtr<IAMTimelineObj> VideoGroup(const VideoFormat& format, LONG width, LONG height, double fps) {
    AM_MEDIA_TYPE type = VideoType(format, width, height);
    ComPtr<IAMTimelineObj> group = AddGroup(L"Video", &type);
    ClearMediaType(&type);
    group.As<IAMTimelineGroup>(IID_IAMTimelineGroup)->SetOutputFPS(fps);
    return group;
  }
  // A source playing path from mediaStart at the normal rate.
  ComPtr<IAMTimelineObj> Clip(IAMTimelineObj* track, REFERENCE_TIME start, REFERENCE_TIME stop,
                              const std::wstring& path, REFERENCE_TIME mediaStart = 0) {
    ComPtr<IAMTimelineObj> source = AddSource(track, start, stop, path.c_str());
    source.As<IAMTimelineSrc>(IID_IAMTimelineSrc)->SetMediaTimes(mediaStart, mediaStart + stop - start);
    return source;
  }
  // ConnectFrontEnd, then the group's pin connected to the sink, paused.
  void Connect(long group = 0, IBaseFilter* to = nullptr) {
    to = to ? to : sink.Get();
    HRESULT hr = engine->ConnectFrontEnd();
    EXPECT_TRUE(hr == S_WARN_OUTPUTRESET || hr == S_OK) << std::hex << hr;
    ComPtr<IPin> pin;
    ASSERT_EQ(S_OK, engine->GetGroupOutputPin(group, pin.Receive()));
    ASSERT_TRUE(SUCCEEDED(graph->AddFilter(to, L"sink")));
    ASSERT_EQ(S_OK, graph->ConnectDirect(pin.Get(), PinOf(to, PINDIR_INPUT).Get(), nullptr));
  }
  std::vector<Sample> Play() {
    Sink()->samples.clear();
    EXPECT_EQ(EC_COMPLETE, RunToEnd(graph.Get()));
    graph.As<IMediaControl>(IID_IMediaControl)->Stop();
    return Sink()->samples;
  }
  // Back to the start: a stopped graph resumes where it stopped.
  void Rewind() {
    LONGLONG start = 0;
    graph.As<IMediaSeeking>(IID_IMediaSeeking)->SetPositions(&start, AM_SEEKING_AbsolutePositioning, nullptr,
                                                              AM_SEEKING_NoPositioning);
  }
  ComPtr<IMediaSeeking> Seeking(long group = 0) {
    ComPtr<IPin> pin;
    engine->GetGroupOutputPin(group, pin.Receive());
    return pin.As<IMediaSeeking>(IID_IMediaSeeking);
  }

  // Gives object a property setter holding values; a parameter's values are listed together.
  void SetValues(IAMTimelineObj* object, const std::vector<Value>& values) {
    ComPtr<IPropertySetter> setter;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_PropertySetter, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertySetter,
                                     setter.ReceiveVoid()));
    for (size_t i = 0, next = 0; i < values.size(); i = next) {
      std::vector<DEXTER_VALUE> list;
      for (next = i; next < values.size() && !wcscmp(values[next].name, values[i].name); ++next)
        list.push_back(TextValue(values[next].text, values[next].time, values[next].interp));
      BSTR name = SysAllocString(values[i].name);
      EXPECT_EQ(S_OK, setter->AddProp(DEXTER_PARAM{name, 0, LONG(list.size())}, list.data()));
      SysFreeString(name);
      for (DEXTER_VALUE& value : list) VariantClear(&value.v);
    }
    ASSERT_EQ(S_OK, object->SetPropertySetter(setter.Get()));
  }
  ComPtr<IAMTimelineObj> Effect(IAMTimelineObj* parent, REFERENCE_TIME start, REFERENCE_TIME stop, const GUID& clsid,
                                const std::vector<Value>& values) {
    ComPtr<IAMTimelineObj> effect = AddEffect(parent, start, stop);
    EXPECT_EQ(S_OK, effect->SetSubObjectGUID(clsid));
    SetValues(effect.Get(), values);
    return effect;
  }
  // Played samples of an audio group as one run of 16-bit values.
  std::vector<INT16> PlayPcm() {
    std::string pcm;
    for (const Sample& block : Play()) pcm += block.bytes;
    const INT16* values = reinterpret_cast<const INT16*>(pcm.data());
    return std::vector<INT16>(values, values + pcm.size() / 2);
  }

  TempFolder folder;
  ComPtr<IRenderEngine> engine;
};

const VideoFormat kRgb24 = {"RGB24", MEDIASUBTYPE_RGB24, 24, false};
const VideoFormat kArgb32 = {"ARGB32", MEDIASUBTYPE_ARGB32, 32, false};

struct Length {
  const char* name;
  bool video;
  double rate;
  REFERENCE_TIME duration, rangeStart, rangeStop;  // range stop 0: none
  LONGLONG units;
};

TEST_F(RenderEngineTest, DeliversEveryUnitOfTheDurationWithExactStamps) {
  const Length lengths[] = {
      {"25 fps", true, 25, kSecond, 0, 0, 25},
      {"29.97 fps", true, 29.97, kSecond, 0, 0, 30},
      {"range", true, 25, kSecond, 2000000, 6000000, 10},
      {"8 kHz", false, 8000, kSecond, 0, 0, 8000},
      {"11025 Hz", false, 11025, kSecond / 2, 0, 0, 5513},
  };
  for (const Length& length : lengths) {
    SCOPED_TRACE(length.name);
    TearDown();
    SetUp();
    ComPtr<IAMTimelineObj> group;
    std::wstring media;
    if (length.video) {
      group = VideoGroup(kRgb24, 4, 2, length.rate);
      media = Media(L"clip.avi", VideoAvi(4, 2, 25, 25, Solid(0x102030)));
    } else {
      AM_MEDIA_TYPE type = MakeAudioType(DWORD(length.rate));
      group = AddGroup(L"Audio", &type);
      ClearMediaType(&type);
      media = Media(L"tone.wav", Wav(8000, 1.0, 1000));
    }
    Clip(AddTrack(group.Get(), L"t").Get(), 0, length.duration, media);
    if (length.rangeStop) {
      ASSERT_EQ(S_OK, engine->SetRenderRange(length.rangeStart, length.rangeStop));
    }
    Connect();
    std::vector<Sample> samples = Play();
    ASSERT_FALSE(samples.empty());
    LONGLONG units = 0;
    REFERENCE_TIME expected = 0;
    size_t unitBytes = length.video ? 4 * 2 * 3 : 4;
    for (const Sample& sample : samples) {
      EXPECT_EQ(expected, sample.start);
      units += LONGLONG(sample.bytes.size() / unitBytes);
      expected = std::llround(units * 1e7 / length.rate);
      EXPECT_EQ(expected, sample.stop);
    }
    EXPECT_EQ(length.units, units);
  }
}

TEST_F(RenderEngineTest, ASeekRestartsAtTheFrameShownAtThatTime) {
  // Each seek lands within the frame after the one the sink holds: the next
  // one already asked for. Frames from the stop position on are not sent.
  struct Seek {
    bool running;
    LONGLONG position, stop;
    int first, end;
  };
  for (const Seek& seek : {Seek{false, 500000, 2000000, 1, 5}, Seek{true, 1300000, kSecond, 3, 25}}) {
    SCOPED_TRACE(seek.running ? "running" : "paused");
    TearDown();
    SetUp();
    ComPtr<IAMTimelineObj> group = VideoGroup(kRgb24, 4, 2, 25);
    Clip(AddTrack(group.Get(), L"t").Get(), 0, kSecond,
         Media(L"count.avi", VideoAvi(4, 2, 25, 25, [](int f, int, int) { return UINT32(f * 10); })));
    Connect();
    ComPtr<IMediaControl> control = graph.As<IMediaControl>(IID_IMediaControl);
    Sink()->holdAt = seek.running ? 3 : 0;
    ASSERT_TRUE(SUCCEEDED(seek.running ? control->Run() : control->Pause()));
    if (seek.running) {
      ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(Sink()->held, 10000));
    }
    Sink()->holdAt = 0;
    LONGLONG start = seek.position, stop = seek.stop;
    ASSERT_EQ(S_OK, Seeking()->SetPositions(&start, AM_SEEKING_AbsolutePositioning, &stop,
                                            AM_SEEKING_AbsolutePositioning));
    EXPECT_EQ(EC_COMPLETE, RunToEnd(graph.Get()));
    std::vector<Sample> samples = Sink()->samples;
    ASSERT_EQ(size_t(seek.end - seek.first), samples.size());
    EXPECT_EQ(seek.first * 400000 - start, samples[0].start);
    EXPECT_EQ(seek.first * 10, Channel(PixelOf(samples[0].bytes, kRgb24, 4, 2, 0, 0), 0));
    EXPECT_EQ(start, Sink()->segments.back());
  }
}

TEST_F(RenderEngineTest, AnEditKeepsTheOutputAndShowsInTheNextFramesUnlessTheMediaTypeChanges) {
  ComPtr<IAMTimelineObj> group = VideoGroup(kRgb24, 4, 2, 10);
  ComPtr<IAMTimelineObj> track = AddTrack(group.Get(), L"low");
  Clip(track.Get(), 0, kSecond, Media(L"red.avi", VideoAvi(4, 2, 10, 10, Solid(0xFF0000))));
  Connect();
  EXPECT_EQ(0xFF0000u, PixelOf(Play()[5].bytes, kRgb24, 4, 2, 1, 1));

  // A higher track over the middle: the same output, the new picture.
  Clip(AddTrack(group.Get(), L"high").Get(), 4000000, 6000000,
       Media(L"blue.avi", VideoAvi(4, 2, 10, 10, Solid(0x0000FF))));
  EXPECT_EQ(S_OK, engine->ConnectFrontEnd());
  Rewind();
  ComPtr<IPin> pin, peer;
  ASSERT_EQ(S_OK, engine->GetGroupOutputPin(0, pin.Receive()));
  EXPECT_EQ(S_OK, pin->ConnectedTo(peer.Receive()));
  std::vector<Sample> frames = Play();
  ASSERT_EQ(10u, frames.size());
  for (int f = 0; f < 10; ++f) EXPECT_EQ(f >= 4 && f < 6 ? 0x0000FFu : 0xFF0000u, PixelOf(frames[f].bytes, kRgb24, 4, 2, 0, 0)) << f;

  // A new size resets the output: the sink goes with it.
  AM_MEDIA_TYPE type = VideoType(kRgb24, 8, 2);
  ASSERT_EQ(S_OK, group.As<IAMTimelineGroup>(IID_IAMTimelineGroup)->SetMediaType(&type));
  ClearMediaType(&type);
  EXPECT_EQ(S_WARN_OUTPUTRESET, engine->ConnectFrontEnd());
  ComPtr<IBaseFilter> found;
  EXPECT_EQ(VFW_E_NOT_FOUND, graph->FindFilterByName(L"sink", found.Receive()));
  ASSERT_EQ(S_OK, engine->GetGroupOutputPin(0, pin.Receive()));
  EXPECT_EQ(VFW_E_NOT_CONNECTED, pin->ConnectedTo(peer.Receive()));

  // So does a group put in the place of another, even of the same type.
  EXPECT_EQ(S_OK, engine->ConnectFrontEnd());
  ASSERT_EQ(S_OK, timeline->ClearAllGroups());
  VideoGroup(kRgb24, 8, 2, 10);
  EXPECT_EQ(S_WARN_OUTPUTRESET, engine->ConnectFrontEnd());
}

TEST_F(RenderEngineTest, HigherTracksCoverLowerOnesWhereTheyHaveSourcesUnlessMuted) {
  struct Case {
    const char* name;
    bool muteHigh, nest;
    int speed;
  };
  for (const Case& test : {Case{"plain", false, false, 1}, Case{"muted", true, false, 1}, Case{"nested", false, true, 1},
                           Case{"double speed", false, false, 2}}) {
    SCOPED_TRACE(test.name);
    TearDown();
    SetUp();
    ComPtr<IAMTimelineObj> group = VideoGroup(kRgb24, 4, 2, 30);
    Clip(AddTrack(group.Get(), L"low").Get(), 0, kSecond, Media(L"red.avi", VideoAvi(4, 2, 1, 30, Solid(0xFF0000))));
    ComPtr<IAMTimelineObj> parent = group;
    if (test.nest) {
      parent = NewNode(TIMELINE_MAJOR_TYPE_COMPOSITE);
      ASSERT_EQ(S_OK, group.As<IAMTimelineComp>(IID_IAMTimelineComp)->VTrackInsBefore(parent.Get(), -1));
    }
    ComPtr<IAMTimelineObj> high = AddTrack(parent.Get(), L"high");
    // Frames 6 to 14 from frame 3 on of a counting clip, at 30 fps (times not whole 100 ns).
    ComPtr<IAMTimelineObj> clip = Clip(high.Get(), 2000000, 5000000,
         Media(L"count.avi", VideoAvi(4, 2, 30, 30, [](int f, int, int) { return UINT32(f * 8); })), 1000000);
    clip.As<IAMTimelineSrc>(IID_IAMTimelineSrc)->SetMediaTimes(1000000, 1000000 + test.speed * 3000000);
    if (test.muteHigh) high->SetMuted(TRUE);
    Connect();
    std::vector<Sample> frames = Play();
    ASSERT_EQ(30u, frames.size());
    for (int f = 0; f < 30; ++f) {
      bool high = !test.muteHigh && f >= 6 && f < 15;
      EXPECT_EQ(high ? UINT32(3 + test.speed * (f - 6)) * 8 : 0xFF0000u, PixelOf(frames[f].bytes, kRgb24, 4, 2, 3, 1))
          << f;
    }
  }
}

TEST_F(RenderEngineTest, StretchModesPlaceASourceOfAnotherAspectRatio) {
  // An 8 x 4 picture into a 16 x 16 frame; red rises 32 a column, green 64 a row.
  Media(L"ramp.avi", VideoAvi(8, 4, 1, 10, [](int, int x, int y) {
                              return UINT32(32 * x + 16) << 16 | UINT32(64 * y + 32) << 8;
                            }));
  struct Probe {
    int x, y;
    int red, green;  // -1: black
  };
  struct Mode {
    int mode;
    std::vector<Probe> probes;
  };
  const Mode modes[] = {
      {RESIZEF_STRETCH, {{0, 0, 16, 32}, {8, 8, 136, 136}, {15, 15, 240, 224}}},
      {RESIZEF_CROP, {{4, 6, 16, 32}, {11, 9, 240, 224}, {3, 6, -1, -1}, {4, 5, -1, -1}, {12, 9, -1, -1}}},
      {RESIZEF_PRESERVEASPECTRATIO, {{0, 3, -1, -1}, {8, 8, 136, 144}, {15, 12, -1, -1}, {15, 11, 240, 224}}},
      {RESIZEF_PRESERVEASPECTRATIO_NOLETTERBOX, {{0, 8, 68, 136}, {8, 8, 132, 136}, {8, 0, 132, 32}}},
  };
  for (const Mode& mode : modes) {
    SCOPED_TRACE(mode.mode);
    TearDown();
    SetUp();
    ComPtr<IAMTimelineObj> group = VideoGroup(kArgb32, 16, 16, 10);
    ComPtr<IAMTimelineObj> source = Clip(AddTrack(group.Get(), L"t").Get(), 0, 1000000, folder.File(L"ramp.avi"));
    ASSERT_EQ(S_OK, source.As<IAMTimelineSrc>(IID_IAMTimelineSrc)->SetStretchMode(mode.mode));
    Connect();
    std::vector<Sample> frames = Play();
    ASSERT_EQ(1u, frames.size());
    for (const Probe& probe : mode.probes) {
      UINT32 pixel = PixelOf(frames[0].bytes, kArgb32, 16, 16, probe.x, probe.y);
      if (probe.red < 0) {
        EXPECT_EQ(0u, pixel) << probe.x << "," << probe.y;
        continue;
      }
      EXPECT_NEAR(probe.red, Channel(pixel, 16), 2) << probe.x << "," << probe.y;
      EXPECT_NEAR(probe.green, Channel(pixel, 8), 2) << probe.x << "," << probe.y;
    }
  }
}

TEST_F(RenderEngineTest, EveryVideoFormatInEitherRowOrder) {
  const VideoFormat formats[] = {
      {"ARGB32 up", MEDIASUBTYPE_ARGB32, 32, false}, {"RGB32 down", MEDIASUBTYPE_RGB32, 32, true},
      {"RGB24 up", MEDIASUBTYPE_RGB24, 24, false},   {"RGB24 down", MEDIASUBTYPE_RGB24, 24, true},
      {"RGB555 up", MEDIASUBTYPE_RGB555, 16, false}, {"RGB555 down", MEDIASUBTYPE_RGB555, 16, true},
      {"RGB565 up", MEDIASUBTYPE_RGB565, 16, false},
  };
  auto colour = [](int, int x, int y) { return UINT32(0x20 + 0x40 * x) << 16 | UINT32(0x30 + 0x80 * y) << 8 | 0x99; };
  Media(L"full.avi", VideoAvi(4, 2, 1, 10, colour));
  Media(L"small.avi", VideoAvi(2, 2, 1, 10, colour));
  for (const VideoFormat& format : formats) {
    SCOPED_TRACE(format.name);
    TearDown();
    SetUp();
    ComPtr<IAMTimelineObj> track = AddTrack(VideoGroup(format, 4, 2, 10).Get(), L"t");
    // Frame 0 is the picture as it stands; frame 1 composed, a smaller one centred.
    Clip(track.Get(), 0, 1000000, folder.File(L"full.avi"));
    ComPtr<IAMTimelineObj> small = Clip(track.Get(), 1000000, 2000000, folder.File(L"small.avi"));
    small.As<IAMTimelineSrc>(IID_IAMTimelineSrc)->SetStretchMode(RESIZEF_CROP);
    Connect();
    std::vector<Sample> frames = Play();
    ASSERT_EQ(2u, frames.size());
    for (int y = 0; y < 2; ++y) {
      for (int x = 0; x < 4; ++x) {
        EXPECT_EQ(Kept(colour(0, x, y), format), PixelOf(frames[0].bytes, format, 4, 2, x, y)) << x << "," << y;
        UINT32 centred = x == 0 || x == 3 ? 0 : Kept(colour(0, x - 1, y), format);
        EXPECT_EQ(centred, PixelOf(frames[1].bytes, format, 4, 2, x, y)) << x << "," << y;
      }
    }
  }
}

struct Mix {
  const char* name;
  int first, second;
  bool muteSecond;
  WORD bits;
  int expected;  // as a 16-bit sample
};

TEST_F(RenderEngineTest, AudioTracksMixAndClipUnlessMuted) {
  const Mix mixes[] = {
      {"sum", 8192, 4096, false, 16, 12288},
      {"clipped", 30000, 30000, false, 16, 32767},
      {"muted", 8192, 4096, true, 16, 8192},
      {"8-bit", -8192, -4096, false, 8, -12288},
  };
  for (const Mix& mix : mixes) {
    SCOPED_TRACE(mix.name);
    TearDown();
    SetUp();
    AM_MEDIA_TYPE type = MakeAudioType(8000);
    WAVEFORMATEX* wave = reinterpret_cast<WAVEFORMATEX*>(type.pbFormat);
    wave->wBitsPerSample = mix.bits;
    wave->nBlockAlign = WORD(2 * mix.bits / 8);
    ComPtr<IAMTimelineObj> group = AddGroup(L"Audio", &type);
    ClearMediaType(&type);
    Clip(AddTrack(group.Get(), L"a").Get(), 0, kSecond / 10, Media(L"a.wav", Wav(8000, 0.1, mix.first)));
    ComPtr<IAMTimelineObj> second = AddTrack(group.Get(), L"b");
    Clip(second.Get(), 0, kSecond / 10, Media(L"b.wav", Wav(8000, 0.1, mix.second)));
    if (mix.muteSecond) second->SetMuted(TRUE);
    Connect();
    std::vector<Sample> blocks = Play();
    ASSERT_FALSE(blocks.empty());
    const std::string& bytes = blocks[0].bytes;
    int sample = mix.bits == 8 ? (BYTE(bytes[3]) - 128) * 256 : *reinterpret_cast<const INT16*>(&bytes[2]);
    EXPECT_EQ(mix.bits == 8 ? mix.expected & ~255 : mix.expected, sample);
  }
}

TEST_F(RenderEngineTest, ASourceAtHalfTheGroupsRateKeepsItsPitch) {
  AM_MEDIA_TYPE type = MakeAudioType(44100);
  ComPtr<IAMTimelineObj> group = AddGroup(L"Audio", &type);
  ClearMediaType(&type);
  const double kPi = 3.14159265358979;
  auto tone = [kPi](double rate) { return [rate, kPi](int i) { return int(16000 * std::sin(2 * kPi * 441 * i / rate)); }; };
  Clip(AddTrack(group.Get(), L"t").Get(), 0, kSecond / 2, Media(L"tone.wav", Wav(22050, 0.5, 0, tone(22050))));
  Connect();
  std::string pcm;
  for (const Sample& block : Play()) pcm += block.bytes;
  ASSERT_EQ(22050u * 4, pcm.size());
  const INT16* samples = reinterpret_cast<const INT16*>(pcm.data());
  for (int i = 100; i < 22000; i += 37) EXPECT_NEAR(tone(44100)(i), samples[2 * i + 1], 200) << i;
}

TEST_F(RenderEngineTest, MediaThatCannotPlayIsReportedOnceAndRendersBlack) {
  struct Problem {
    const char* name;
    std::string bytes;  // empty: no file
    long stream;
    long code;
  };
  std::string avi = VideoAvi(4, 2, 1, 10, Solid(0x00FF00));
  std::string unknownCodec = avi;
  unknownCodec.replace(unknownCodec.find("strf") + 8 + 16, 4, "ABCD");
  const Problem problems[] = {
      {"missing", "", 0, DEX_IDS_BAD_SOURCE_NAME},
      {"no media", std::string(300, 'x'), 0, DEX_IDS_BAD_SOURCE_NAME2},
      {"no such stream", avi, 1, DEX_IDS_STREAM_NUMBER},
      {"no decoder", unknownCodec, 0, DEX_IDS_UNKNOWN_SOURCE},
  };
  for (const Problem& problem : problems) {
    SCOPED_TRACE(problem.name);
    TearDown();
    SetUp();
    ASSERT_EQ(S_OK, timeline.As<IAMSetErrorLog>(IID_IAMSetErrorLog)->put_ErrorLog(&errorLog));
    errorLog.lines.clear();
    errorLog.codes.clear();
    std::wstring bad = problem.bytes.empty() ? folder.File(L"bad.avi") : Media(L"bad.avi", problem.bytes);
    ComPtr<IAMTimelineObj> group = VideoGroup(kRgb24, 4, 2, 10);
    ComPtr<IAMTimelineObj> track = AddTrack(group.Get(), L"t");
    Clip(track.Get(), 0, kSecond / 2, Media(L"green.avi", avi));
    // The same media twice is one problem.
    ComPtr<IAMTimelineObj> first = Clip(track.Get(), kSecond / 2, kSecond, bad);
    ComPtr<IAMTimelineObj> second = Clip(AddTrack(group.Get(), L"u").Get(), kSecond / 2, kSecond, bad);
    for (IAMTimelineObj* source : {first.Get(), second.Get()})
      ComPtr<IAMTimelineObj>(source).As<IAMTimelineSrc>(IID_IAMTimelineSrc)->SetStreamNumber(problem.stream);
    Connect();
    ASSERT_EQ(1u, errorLog.lines.size());
    EXPECT_NE(std::wstring::npos, errorLog.lines[0].find(bad));
    EXPECT_EQ(problem.code, errorLog.codes[0]);
    std::vector<Sample> frames = Play();
    ASSERT_EQ(10u, frames.size());
    EXPECT_EQ(0x00FF00u, PixelOf(frames[4].bytes, kRgb24, 4, 2, 0, 0));
    EXPECT_EQ(0u, PixelOf(frames[5].bytes, kRgb24, 4, 2, 0, 0));
    timeline.As<IAMSetErrorLog>(IID_IAMSetErrorLog)->put_ErrorLog(nullptr);
  }
}

// A media locator that answers every file with one file.
class OneFileLocator final : public IMediaLocator {
 public:
  explicit OneFileLocator(std::wstring file) : file_(std::move(file)) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    *out = iid == IID_IUnknown || iid == IID_IMediaLocator ? this : nullptr;
    return *out ? S_OK : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }  // owned by the test
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP FindMediaFile(BSTR input, BSTR, BSTR* output, long) override {
    asked.push_back(input);
    *output = SysAllocString(file_.c_str());
    return S_OK;
  }
  STDMETHODIMP AddFoundLocation(BSTR) override { return S_OK; }

  std::vector<std::wstring> asked;

 private:
  std::wstring file_;
};

TEST_F(RenderEngineTest, ACallersLocatorIsAskedForMissingFilesWhenChecking) {
  for (LONG flags : {0L, 1L /* check */}) {
    SCOPED_TRACE(flags);
    TearDown();
    SetUp();
    ASSERT_EQ(S_OK, timeline.As<IAMSetErrorLog>(IID_IAMSetErrorLog)->put_ErrorLog(&errorLog));
    errorLog.lines.clear();
    OneFileLocator locator(Media(L"green.avi", VideoAvi(4, 2, 1, 10, Solid(0x00FF00))));
    ASSERT_EQ(S_OK, engine->SetSourceNameValidation(nullptr, &locator, flags));
    Clip(AddTrack(VideoGroup(kRgb24, 4, 2, 10).Get(), L"t").Get(), 0, kSecond / 10, folder.File(L"moved.avi"));
    Connect();
    EXPECT_EQ(std::vector<std::wstring>(flags, folder.File(L"moved.avi")), locator.asked);
    EXPECT_EQ(flags ? 0u : 1u, errorLog.lines.size());
    EXPECT_EQ(flags ? 0x00FF00u : 0u, PixelOf(Play()[0].bytes, kRgb24, 4, 2, 0, 0));
    engine->SetSourceNameValidation(nullptr, nullptr, 0);
    timeline.As<IAMSetErrorLog>(IID_IAMSetErrorLog)->put_ErrorLog(nullptr);
  }
}

TEST_F(RenderEngineTest, ScrapItWhileRunningLeavesNoThreadsAndNoFilters) {
  ComPtr<IAMTimelineObj> group = VideoGroup(kRgb24, 4, 2, 10);
  Clip(AddTrack(group.Get(), L"t").Get(), 0, kSecond, Media(L"red.avi", VideoAvi(4, 2, 1, 10, Solid(0xFF0000))));
  Connect();
  Play();  // whatever threads the platform's graph keeps are there from now on
  Rewind();
  int before = ThreadCount();
  Sink()->samples.clear();
  Sink()->holdAt = 2;
  ASSERT_TRUE(SUCCEEDED(graph.As<IMediaControl>(IID_IMediaControl)->Run()));
  ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(Sink()->held, 10000));
  EXPECT_LT(before, ThreadCount());
  EXPECT_EQ(S_OK, engine->ScrapIt());
  EXPECT_EQ(before, ThreadCount());
  ComPtr<IEnumFilters> filters;
  ASSERT_EQ(S_OK, graph->EnumFilters(filters.Receive()));
  IBaseFilter* left = nullptr;
  EXPECT_EQ(S_FALSE, filters->Next(1, &left, nullptr));
  ComPtr<IPin> pin;
  EXPECT_EQ(E_MUST_INIT_RENDERER, engine->GetGroupOutputPin(0, pin.Receive()));
}

TEST_F(RenderEngineTest, RenderOutputPinsConnectsAudioToARendererOrSaysItCannot) {
  // Only audio here: a video window on the virtual display takes seconds to go.
  AM_MEDIA_TYPE type = MakeAudioType(44100);
  Clip(AddTrack(AddGroup(L"Audio", &type).Get(), L"a").Get(), 0, kSecond, Media(L"tone.wav", Wav(8000, 1.0, 1000)));
  ClearMediaType(&type);
  ASSERT_EQ(S_WARN_OUTPUTRESET, engine->ConnectFrontEnd());
  HRESULT hr = engine->RenderOutputPins();
  ComPtr<IPin> pin, peer;
  ASSERT_EQ(S_OK, engine->GetGroupOutputPin(0, pin.Receive()));
  EXPECT_EQ(hr == S_OK ? S_OK : VFW_E_NOT_CONNECTED, pin->ConnectedTo(peer.Receive())) << std::hex << hr;
  EXPECT_TRUE(hr == S_OK || hr == VFW_S_AUDIO_NOT_RENDERED) << std::hex << hr;
}

TEST_F(RenderEngineTest, AnswersThePublishedResults) {
  ComPtr<IRenderEngine> fresh;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_RenderEngine, nullptr, CLSCTX_INPROC_SERVER, IID_IRenderEngine,
                                   fresh.ReceiveVoid()));
  IPin* pin = reinterpret_cast<IPin*>(1);
  IAMTimeline* noTimeline = reinterpret_cast<IAMTimeline*>(1);
  IGraphBuilder* noGraph = reinterpret_cast<IGraphBuilder*>(1);
  IAMErrorLog* noLog = reinterpret_cast<IAMErrorLog*>(1);
  IUnknown* noSite = reinterpret_cast<IUnknown*>(1);
  BSTR vendor = nullptr;
  long caps = 7;
  ComPtr<IGraphBuilder> other, made;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                   other.ReceiveVoid()));
  ComPtr<IAMSetErrorLog> logs = fresh.As<IAMSetErrorLog>(IID_IAMSetErrorLog);
  ComPtr<IObjectWithSite> sited = fresh.As<IObjectWithSite>(IID_IObjectWithSite);
  ASSERT_TRUE(logs && sited);
  const std::pair<HRESULT, std::function<HRESULT()>> calls[] = {
      // Before a timeline: nothing to connect, the out pointers cleared.
      {E_MUST_INIT_RENDERER, [&] { return fresh->GetGroupOutputPin(0, &pin); }},
      {E_INVALIDARG, [&] { return fresh->ConnectFrontEnd(); }},
      {E_UNEXPECTED, [&] { return fresh->RenderOutputPins(); }},
      {S_OK, [&] { return fresh->GetTimelineObject(&noTimeline); }},
      {S_OK, [&] { return fresh->GetFilterGraph(&noGraph); }},
      {S_OK, [&] { return logs->get_ErrorLog(&noLog); }},
      {E_FAIL, [&] { return sited->GetSite(IID_IUnknown, reinterpret_cast<void**>(&noSite)); }},
      {S_OK, [&] { return fresh->ScrapIt(); }},
      {E_POINTER, [&] { return fresh->SetTimelineObject(nullptr); }},
      {E_POINTER, [&] { return fresh->GetTimelineObject(nullptr); }},
      {E_POINTER, [&] { return fresh->GetFilterGraph(nullptr); }},
      {E_POINTER, [&] { return fresh->GetGroupOutputPin(0, nullptr); }},
      {E_POINTER, [&] { return fresh->GetVendorString(nullptr); }},
      {E_POINTER, [&] { return logs->get_ErrorLog(nullptr); }},
      {E_POINTER, [&] { return sited->GetSite(IID_IUnknown, nullptr); }},
      {E_INVALIDARG, [&] { return fresh->SetFilterGraph(nullptr); }},
      {E_INVALIDARG, [&] { return fresh->SetRenderRange(5, 5); }},
      {E_INVALIDARG, [&] { return fresh->SetRenderRange2(-1.0, 2.0); }},
      {S_OK, [&] { return fresh->SetRenderRange2(0.0, 0.5); }},
      {S_OK, [&] { return fresh->GetVendorString(&vendor); }},
      // What the published engine leaves out, or accepts and ignores.
      {E_NOTIMPL, [&] { return fresh->GetCaps(0, &caps); }},
      {E_NOTIMPL, [&] { return fresh->SetInterestRange(0, 10); }},
      {E_NOTIMPL, [&] { return fresh->SetInterestRange2(0, 1); }},
      {E_NOTIMPL, [&] { return fresh->Commit(); }},
      {E_NOTIMPL, [&] { return fresh->Decommit(); }},
      {E_NOTIMPL, [&] { return fresh->SetSourceConnectCallback(nullptr); }},
      {E_NOTIMPL, [&] { return fresh->DoSmartRecompression(); }},
      {E_NOTIMPL, [&] { return fresh->UseInSmartRecompressionGraph(); }},
      {S_OK, [&] { return fresh->SetDynamicReconnectLevel(CONNECTF_DYNAMIC_SOURCES); }},
      {S_OK, [&] { return fresh->SetSourceNameValidation(nullptr, nullptr, 1 /* check */); }},
      // Connected: a graph of its own, which no other may replace until ScrapIt.
      {S_OK, [&] { return fresh->SetTimelineObject(timeline.Get()); }},
      {S_WARN_OUTPUTRESET, [&] { return fresh->ConnectFrontEnd(); }},
      {S_OK, [&] { return fresh->ConnectFrontEnd(); }},
      {E_INVALIDARG, [&] { return fresh->GetGroupOutputPin(0, &pin); }},
      {E_INVALIDARG, [&] { return fresh->GetGroupOutputPin(-1, &pin); }},
      {S_OK, [&] { return fresh->GetFilterGraph(made.Receive()); }},
      {E_INVALIDARG, [&] { return fresh->SetFilterGraph(made.Get()); }},
      {E_INVALIDARG, [&] { return fresh->SetFilterGraph(other.Get()); }},
      {S_OK, [&] { return fresh->ScrapIt(); }},
      {S_OK, [&] { return fresh->GetFilterGraph(&noGraph); }},
      {E_MUST_INIT_RENDERER, [&] { return fresh->GetGroupOutputPin(0, &pin); }},
      {S_OK, [&] { return fresh->SetFilterGraph(other.Get()); }},
  };
  for (size_t i = 0; i < sizeof calls / sizeof calls[0]; ++i) {
    EXPECT_EQ(calls[i].first, calls[i].second()) << i;
    EXPECT_EQ(nullptr, pin) << i;
  }
  EXPECT_TRUE(!noTimeline && !noGraph && !noLog && !noSite && made);
  EXPECT_EQ(0, caps);
  EXPECT_STREQ(L"Morvik", vendor);
  SysFreeString(vendor);
  fresh->ScrapIt();

  // A group without a usable media type has no pin; the others do, and
  // problems go to the engine's own log when it has one.
  ASSERT_EQ(S_OK, timeline->AddGroup(NewNode(TIMELINE_MAJOR_TYPE_GROUP).Get()));
  ComPtr<IAMTimelineObj> group = VideoGroup(kRgb24, 4, 2, 10);
  Clip(AddTrack(group.Get(), L"t").Get(), 0, kSecond, folder.File(L"missing.avi"));
  ASSERT_EQ(S_OK, engine.As<IAMSetErrorLog>(IID_IAMSetErrorLog)->put_ErrorLog(&errorLog));
  EXPECT_EQ(S_WARN_OUTPUTRESET, engine->ConnectFrontEnd());
  EXPECT_EQ(2u, errorLog.lines.size());
  EXPECT_EQ(S_FALSE, engine->GetGroupOutputPin(0, &pin));
  EXPECT_EQ(nullptr, pin);
  ASSERT_EQ(S_OK, engine->GetGroupOutputPin(1, &pin));
  PIN_INFO info = {};
  ASSERT_EQ(S_OK, pin->QueryPinInfo(&info));
  // The pin offers and accepts the group's type only; it seeks in media time over the duration.
  AM_MEDIA_TYPE wider = VideoType(kRgb24, 8, 2);
  EXPECT_EQ(S_FALSE, pin->QueryAccept(&wider));
  ClearMediaType(&wider);
  ComPtr<IMediaSeeking> seeking = ComPtr<IPin>(pin).As<IMediaSeeking>(IID_IMediaSeeking);
  LONGLONG duration = 0;
  EXPECT_EQ(S_OK, seeking->GetDuration(&duration));
  EXPECT_EQ(kSecond, duration);
  EXPECT_EQ(S_FALSE, seeking->IsFormatSupported(&TIME_FORMAT_FRAME));
  seeking.Reset();
  pin->Release();
  FILTER_INFO filterInfo = {};
  ASSERT_EQ(S_OK, info.pFilter->QueryFilterInfo(&filterInfo));
  EXPECT_STREQ(L"Video", filterInfo.achName);
  EXPECT_EQ(graph.Get(), filterInfo.pGraph);
  filterInfo.pGraph->Release();
  ExpectConformingFilter(info.pFilter, CLSID_EngineGroupSource);
  info.pFilter->Release();
  engine.As<IAMSetErrorLog>(IID_IAMSetErrorLog)->put_ErrorLog(nullptr);
}

TEST_F(RenderEngineTest, TransitionsGoFromWhatLiesBeneathToTheirTrackOverTheirSpan) {
  // Red beneath, blue on the transition's track, both over the transition's
  // second; 20 x 2 frames at 4 fps, so frames 1 to 3 are at 25, 50 and 75 %.
  // blue(frame, x): the share of the track's blue wanted there.
  using Share = std::function<double(int frame, int x)>;
  const Share fade = [](int f, int) { return f / 4.0; };
  const Share wipe = [](int f, int x) { return x < 5 * f ? 1.0 : 0.0; };
  struct Case {
    const char* name;
    GUID clsid;
    BOOL swap, cutsOnly;
    REFERENCE_TIME cut;  // -1: the default, the middle
    std::vector<Value> values;
    Share blue;
  };
  const Case cases[] = {
      {"cross-fade", CLSID_EngineCrossFade, FALSE, FALSE, -1, {}, fade},
      {"cross-fade swapped", CLSID_EngineCrossFade, TRUE, FALSE, -1, {}, [](int f, int) { return 1 - f / 4.0; }},
      {"wipe", CLSID_EngineWipe, FALSE, FALSE, -1, {}, wipe},
      {"SMPTE wipe 1", CLSID_DxtJpeg, FALSE, FALSE, -1, {{L"MaskNum", L"1", 0, DEXTERF_JUMP}}, wipe},
      // Swapped inputs still wipe from the left: the red enters there.
      {"SMPTE wipe swapped", CLSID_DxtJpeg, TRUE, FALSE, -1, {}, [](int f, int x) { return x < 5 * f ? 0.0 : 1.0; }},
      {"progress reversed", CLSID_EngineWipe, FALSE, FALSE, -1,
       {{L"Progress", L"1", 0, DEXTERF_JUMP}, {L"Progress", L"0", kSecond, DEXTERF_INTERPOLATE}},
       [](int f, int x) { return x < 20 - 5 * f ? 1.0 : 0.0; }},
      {"cut at the middle", CLSID_EngineCrossFade, FALSE, TRUE, -1, {}, [](int f, int) { return f >= 2 ? 1.0 : 0.0; }},
      {"cut point over the swap", CLSID_EngineCrossFade, TRUE, TRUE, 7500000, {},
       [](int f, int) { return f >= 3 ? 1.0 : 0.0; }},
  };
  Media(L"red.avi", VideoAvi(20, 2, 1, 4, Solid(0xFF0000)));
  Media(L"blue.avi", VideoAvi(20, 2, 1, 4, Solid(0x0000FF)));
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    TearDown();
    SetUp();
    ComPtr<IAMTimelineObj> group = VideoGroup(kRgb24, 20, 2, 4);
    Clip(AddTrack(group.Get(), L"low").Get(), 0, kSecond, folder.File(L"red.avi"));
    ComPtr<IAMTimelineObj> high = AddTrack(group.Get(), L"high");
    Clip(high.Get(), 0, kSecond, folder.File(L"blue.avi"));
    ComPtr<IAMTimelineObj> transition = AddTransition(high.Get(), 0, kSecond);
    ASSERT_EQ(S_OK, transition->SetSubObjectGUID(test.clsid));
    ComPtr<IAMTimelineTrans> settings = transition.As<IAMTimelineTrans>(IID_IAMTimelineTrans);
    settings->SetSwapInputs(test.swap);
    settings->SetCutsOnly(test.cutsOnly);
    if (test.cut >= 0) settings->SetCutPoint(test.cut);
    SetValues(transition.Get(), test.values);
    Connect();
    std::vector<Sample> frames = Play();
    ASSERT_EQ(4u, frames.size());
    for (int f = 0; f < 4; ++f) {
      for (int x : {0, 3, 6, 8, 11, 13, 16, 19})
        EXPECT_TRUE(Blended(PixelOf(frames[f].bytes, kRgb24, 20, 2, x, 1), 0xFF0000, 0x0000FF, test.blue(f, x)))
            << "frame " << f << ", x " << x;
    }
  }
}

TEST_F(RenderEngineTest, EffectsFollowTheirValuesOverTheirSpans) {
  // A grey (0x40) clip over [0.5 s, 1 s) at 10 fps, brightened by an effect
  // on the clip (times from the clip's start), its track or the group.
  enum Parent { kOnClip, kOnTrack, kOnGroup };
  struct Case {
    const char* name;
    Parent parent;
    REFERENCE_TIME start, stop;
    std::vector<Value> values;
    int levels[5];  // frames 5 to 9
  };
  const Case cases[] = {
      {"interpolated", kOnTrack, 0, kSecond,
       {{L"Brightness", L"0", 0, DEXTERF_JUMP}, {L"Brightness", L"0.5", kSecond, DEXTERF_INTERPOLATE}},
       {128, 140, 153, 166, 179}},
      {"jump", kOnTrack, 0, kSecond,
       {{L"Brightness", L"0", 0, DEXTERF_JUMP}, {L"Brightness", L"0.5", 7000000, DEXTERF_JUMP}},
       {64, 64, 192, 192, 192}},
      {"on the clip", kOnClip, 0, 2000000, {{L"Brightness", L"0.5", 0, DEXTERF_JUMP}}, {192, 192, 64, 64, 64}},
      {"on the group", kOnGroup, 8000000, kSecond, {{L"Brightness", L"0.5", 0, DEXTERF_JUMP}}, {64, 64, 64, 192, 192}},
  };
  Media(L"grey.avi", VideoAvi(4, 2, 1, 10, Solid(0x404040)));
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    TearDown();
    SetUp();
    ComPtr<IAMTimelineObj> group = VideoGroup(kRgb24, 4, 2, 10);
    ComPtr<IAMTimelineObj> track = AddTrack(group.Get(), L"t");
    ComPtr<IAMTimelineObj> clip = Clip(track.Get(), kSecond / 2, kSecond, folder.File(L"grey.avi"));
    IAMTimelineObj* parents[] = {clip.Get(), track.Get(), group.Get()};
    Effect(parents[test.parent], test.start, test.stop, CLSID_EngineBrightnessContrast, test.values);
    Connect();
    std::vector<Sample> frames = Play();
    ASSERT_EQ(10u, frames.size());
    for (int f = 5; f < 10; ++f)
      EXPECT_NEAR(test.levels[f - 5], Channel(PixelOf(frames[f].bytes, kRgb24, 4, 2, 2, 1), 8), 1) << f;
  }
}

TEST_F(RenderEngineTest, AVolumeEnvelopeSetsTheLevelAtItsTimes) {
  struct Probe {
    double seconds, level;
  };
  struct Case {
    const char* name;
    bool onGroup;
    REFERENCE_TIME start;
    std::vector<Value> values;
    std::vector<Probe> probes;
  };
  const Case cases[] = {
      {"fade", false, 0, {{L"Vol", L"1", 0, DEXTERF_JUMP}, {L"Vol", L"0", kSecond, DEXTERF_INTERPOLATE}},
       {{0.25, 0.75}, {0.5, 0.5}, {0.9, 0.1}}},
      {"jump", false, 0, {{L"Vol", L"1", 0, DEXTERF_JUMP}, {L"Vol", L"0.25", kSecond / 2, DEXTERF_JUMP}},
       {{0.4, 1}, {0.6, 0.25}, {0.9, 0.25}}},
      {"on the group from its start", true, kSecond / 2,
       {{L"Vol", L"0.5", 0, DEXTERF_JUMP}, {L"Vol", L"0", kSecond / 2, DEXTERF_INTERPOLATE}},
       {{0.25, 1}, {0.75, 0.25}}},
  };
  Media(L"level.wav", Wav(8000, 1.0, 16000));
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    TearDown();
    SetUp();
    AM_MEDIA_TYPE type = MakeAudioType(8000);
    ComPtr<IAMTimelineObj> group = AddGroup(L"Audio", &type);
    ClearMediaType(&type);
    ComPtr<IAMTimelineObj> track = AddTrack(group.Get(), L"a");
    Clip(track.Get(), 0, kSecond, folder.File(L"level.wav"));
    Effect(test.onGroup ? group.Get() : track.Get(), test.start, kSecond, CLSID_AudMixer, test.values);
    Connect();
    std::vector<INT16> pcm = PlayPcm();
    ASSERT_EQ(16000u, pcm.size());
    for (const Probe& probe : test.probes) {
      size_t at = size_t(probe.seconds * 8000) * 2;
      EXPECT_NEAR(16000 * probe.level, pcm[at], 30) << probe.seconds;
      EXPECT_EQ(pcm[at], pcm[at + 1]) << probe.seconds;
    }
  }
}

TEST_F(RenderEngineTest, AudioTransitionsSwapAndCutAsVideoOnes) {
  // 16000 beneath, 8000 on the track whose cross-fade spans the second.
  struct Case {
    const char* name;
    BOOL swap, cutsOnly;
    double levels[3];  // at 0.25, 0.5 and 0.8 s
  };
  const Case cases[] = {
      {"cross-fade", FALSE, FALSE, {14000, 12000, 9600}},
      {"swapped", TRUE, FALSE, {10000, 12000, 14400}},
      {"cut at 0.75 s, over the swap", TRUE, TRUE, {16000, 16000, 8000}},
  };
  Media(L"low.wav", Wav(8000, 1.0, 16000));
  Media(L"high.wav", Wav(8000, 1.0, 8000));
  for (const Case& test : cases) {
    SCOPED_TRACE(test.name);
    TearDown();
    SetUp();
    AM_MEDIA_TYPE type = MakeAudioType(8000);
    ComPtr<IAMTimelineObj> group = AddGroup(L"Audio", &type);
    ClearMediaType(&type);
    Clip(AddTrack(group.Get(), L"low").Get(), 0, kSecond, folder.File(L"low.wav"));
    ComPtr<IAMTimelineObj> high = AddTrack(group.Get(), L"high");
    Clip(high.Get(), 0, kSecond, folder.File(L"high.wav"));
    ComPtr<IAMTimelineObj> transition = AddTransition(high.Get(), 0, kSecond);
    ASSERT_EQ(S_OK, transition->SetSubObjectGUID(CLSID_EngineAudioCrossFade));
    ComPtr<IAMTimelineTrans> settings = transition.As<IAMTimelineTrans>(IID_IAMTimelineTrans);
    settings->SetSwapInputs(test.swap);
    settings->SetCutsOnly(test.cutsOnly);
    settings->SetCutPoint(7500000);
    Connect();
    std::vector<INT16> pcm = PlayPcm();
    ASSERT_EQ(16000u, pcm.size());
    for (int i = 0; i < 3; ++i) EXPECT_NEAR(test.levels[i], pcm[size_t((i == 2 ? 0.8 : 0.25 * (i + 1)) * 8000) * 2], 30) << i;
  }
}

TEST_F(RenderEngineTest, AnotherFrameRateShowsTheSourceFrameOfEachOutputTime) {
  struct Rate {
    DWORD source;
    double group;
  };
  for (const Rate& rate : {Rate{25, 30}, Rate{30, 25}, Rate{10, 29.97}}) {
    SCOPED_TRACE(rate.group);
    TearDown();
    SetUp();
    std::wstring count = Media(L"count.avi", VideoAvi(4, 2, int(rate.source), rate.source,
                                                      [](int f, int, int) { return UINT32(f * 8); }));
    Clip(AddTrack(VideoGroup(kRgb24, 4, 2, rate.group).Get(), L"t").Get(), 0, kSecond, count);
    Connect();
    std::vector<Sample> frames = Play();
    ASSERT_EQ(size_t(std::ceil(rate.group)), frames.size());
    for (size_t n = 0; n < frames.size(); ++n) {
      int shown = int(std::floor(n * rate.source / rate.group + 1e-9));
      EXPECT_EQ(shown * 8, Channel(PixelOf(frames[n].bytes, kRgb24, 4, 2, 1, 1), 0)) << n;
    }
  }
}

TEST_F(RenderEngineTest, AProjectInThePublishedFormatRendersAsItsEffectsAreDocumented) {
  // 16 x 8 at 4 fps over red: a SMPTE horizontal wipe to blue in the first
  // second; green keyed by an alpha that fades out in the next (the format's
  // own alpha-blending example); blue put into (4, 2, 8 x 4) by the
  // compositor in the third. Beside it a tone under a volume envelope.
  auto path = [this](const wchar_t* name, const std::string& bytes) {
    std::wstring wide = Media(name, bytes);
    return std::string(wide.begin(), wide.end());
  };
  std::string red = path(L"red.avi", VideoAvi(16, 8, 1, 4, Solid(0xFF0000)));
  std::string green = path(L"green.avi", VideoAvi(16, 8, 1, 4, Solid(0x00FF00)));
  std::string blue = path(L"blue.avi", VideoAvi(16, 8, 1, 4, Solid(0x0000FF)));
  std::string tone = path(L"tone.wav", Wav(8000, 2.0, 16000));
  std::string project = R"(<timeline>
 <group type="video" width="16" height="8" framerate="4" bitdepth="32">
  <track><clip start="0" stop="3" src=")" + red + R"("/></track>
  <track>
   <clip start="0" stop="1" src=")" + blue + R"("/>
   <transition clsid="{DE75D012-7A65-11D2-8CEA-00A0C9441E20}" start="0" stop="1">
    <param name="MaskNum" value="1"/>
   </transition>
  </track>
  <track>
   <clip start="1" stop="2" src=")" + green + R"(">
    <effect clsid="{506D89AE-909A-44f7-9444-ABD575896E35}" start="0" stop="1">
     <param name="alpha" value="255"><linear time="1" value="0"/></param>
    </effect>
   </clip>
   <transition clsid="{C5B19592-145E-11d3-9F04-006008039E37}" start="1" stop="2">
    <param name="KeyType" value="3"/>
   </transition>
  </track>
  <track>
   <clip start="2" stop="3" src=")" + blue + R"("/>
   <transition clsid="{BB44391D-6ABD-422f-9E2E-385C9DFF51FC}" start="2" stop="3">
    <param name="OffsetX" value="4"/><param name="OffsetY" value="2"/>
    <param name="Width" value="8"/><param name="Height" value="4"/>
   </transition>
  </track>
 </group>
 <group type="audio" samplingrate="8000">
  <track>
   <clip start="0" stop="2" src=")" + tone + R"(">
    <effect clsid="{036A9790-C153-11D2-9EF7-006008039E37}" start="0" stop="2">
     <param name="Vol" value="1"><linear time="2" value="0"/></param>
    </effect>
   </clip>
  </track>
 </group>
</timeline>
)";
  ComPtr<IXml2Dex> xml;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Xml2Dex, nullptr, CLSCTX_INPROC_SERVER, IID_IXml2Dex, xml.ReceiveVoid()));
  BSTR file = SysAllocString(Media(L"project.xtl", project).c_str());
  EXPECT_EQ(S_OK, xml->ReadXMLFile(timeline.Get(), file));
  SysFreeString(file);
  ComPtr<IBaseFilter> audioSink;
  ASSERT_EQ(S_OK, CreateComObject<CollectingSink>(nullptr, IID_IBaseFilter, audioSink.ReceiveVoid()));
  Connect(0);
  Connect(1, audioSink.Get());
  std::vector<Sample> frames = Play();
  ASSERT_EQ(12u, frames.size());
  struct Probe {
    int frame, x, y;
    UINT32 a, b;
    double share;  // of b
  };
  const Probe probes[] = {
      {2, 3, 4, 0xFF0000, 0x0000FF, 1},   {2, 12, 4, 0xFF0000, 0x0000FF, 0},  // the wipe half-way
      {4, 8, 4, 0xFF0000, 0x00FF00, 1},   {6, 8, 4, 0xFF0000, 0x00FF00, 0.5},  // alpha 255, then half
      {10, 5, 3, 0xFF0000, 0x0000FF, 1},  {10, 11, 5, 0xFF0000, 0x0000FF, 1},  // inside the rectangle
      {10, 3, 3, 0xFF0000, 0x0000FF, 0},  {10, 12, 6, 0xFF0000, 0x0000FF, 0},  // outside it
  };
  for (const Probe& probe : probes)
    EXPECT_TRUE(Blended(PixelOf(frames[probe.frame].bytes, kArgb32, 16, 8, probe.x, probe.y), probe.a, probe.b,
                        probe.share))
        << probe.frame << ": " << probe.x << "," << probe.y;
  std::string pcm;
  for (const Sample& block : static_cast<CollectingSink*>(audioSink.Get())->samples) pcm += block.bytes;
  ASSERT_EQ(8000u * 3 * 4, pcm.size());
  const INT16* samples = reinterpret_cast<const INT16*>(pcm.data());
  for (double seconds : {0.5, 1.0, 1.5}) EXPECT_NEAR(16000 * (1 - seconds / 2), samples[int(seconds * 8000) * 2], 30);
}

}  // namespace
