#include "FuzzSeeds.h"

#include <windows.h>
#include <dshow.h>
#include <mmreg.h>
#include <wincodec.h>

#include <algorithm>
#include <cstring>

#include "ComPtr.h"
#include "EditingServices.h"
#include "EffectIds.h"
#include "Paths.h"
#include "ProjectWriter.h"
#include "RiffBytes.h"
#include "TempFolder.h"
#include "TestMedia.h"
#include "TimeText.h"

namespace {

// --- Projects, built through the engine's interfaces ---

class SeedTimeline {
 public:
  SeedTimeline() {
    CoCreateInstance(CLSID_AMTimeline, nullptr, CLSCTX_INPROC_SERVER, IID_IAMTimeline, timeline_.ReceiveVoid());
  }

  ComPtr<IAMTimelineObj> Node(TIMELINE_MAJOR_TYPE type, const wchar_t* name) {
    ComPtr<IAMTimelineObj> node;
    timeline_->CreateEmptyNode(node.Receive(), type);
    BSTR text = SysAllocString(name);
    node->SetUserName(text);
    SysFreeString(text);
    return node;
  }

  ComPtr<IAMTimelineObj> Group(const wchar_t* name, bool video) {
    ComPtr<IAMTimelineObj> group = Node(TIMELINE_MAJOR_TYPE_GROUP, name);
    VIDEOINFOHEADER picture = {};
    picture.bmiHeader = {sizeof(BITMAPINFOHEADER), 64, 48, 1, 24, BI_RGB, 64 * 48 * 3, 0, 0, 0, 0};
    WAVEFORMATEX sound = {WAVE_FORMAT_PCM, 2, 44100, 44100 * 4, 4, 16, 0};
    AM_MEDIA_TYPE type = {};
    type.majortype = video ? MEDIATYPE_Video : MEDIATYPE_Audio;
    type.subtype = video ? MEDIASUBTYPE_RGB24 : MEDIASUBTYPE_PCM;
    type.formattype = video ? FORMAT_VideoInfo : FORMAT_WaveFormatEx;
    type.cbFormat = video ? sizeof picture : sizeof sound;
    type.pbFormat = video ? reinterpret_cast<BYTE*>(&picture) : reinterpret_cast<BYTE*>(&sound);
    group.As<IAMTimelineGroup>(IID_IAMTimelineGroup)->SetMediaType(&type);
    timeline_->AddGroup(group.Get());
    return group;
  }

  ComPtr<IAMTimelineObj> Typeless(const wchar_t* name) {
    ComPtr<IAMTimelineObj> group = Node(TIMELINE_MAJOR_TYPE_GROUP, name);
    timeline_->AddGroup(group.Get());
    return group;
  }

  ComPtr<IAMTimelineObj> Layer(IAMTimelineObj* parent, TIMELINE_MAJOR_TYPE type, const wchar_t* name) {
    ComPtr<IAMTimelineObj> layer = Node(type, name);
    Facet<IAMTimelineComp>(parent, IID_IAMTimelineComp)->VTrackInsBefore(layer.Get(), -1);
    return layer;
  }

  ComPtr<IAMTimelineObj> Clip(IAMTimelineObj* track, REFERENCE_TIME start, REFERENCE_TIME stop, const wchar_t* media) {
    ComPtr<IAMTimelineObj> clip = Node(TIMELINE_MAJOR_TYPE_SOURCE, L"clip & <co>");
    clip->SetStartStop(start, stop);
    auto source = clip.As<IAMTimelineSrc>(IID_IAMTimelineSrc);
    BSTR name = SysAllocString(media);
    source->SetMediaName(name);
    SysFreeString(name);
    source->SetMediaTimes(start / 2, stop / 2 + 7);
    source->SetStretchMode(RESIZEF_CROP);
    source->SetDefaultFPS(30000.0 / 1001);
    Facet<IAMTimelineTrack>(track, IID_IAMTimelineTrack)->SrcAdd(clip.Get());
    return clip;
  }

  ComPtr<IAMTimelineObj> Effect(IAMTimelineObj* parent, REFERENCE_TIME start, REFERENCE_TIME stop) {
    ComPtr<IAMTimelineObj> effect = Node(TIMELINE_MAJOR_TYPE_EFFECT, L"effect");
    effect->SetStartStop(start, stop);
    effect->SetSubObjectGUID(CLSID_EngineBlur);
    Facet<IAMTimelineEffectable>(parent, IID_IAMTimelineEffectable)->EffectInsBefore(effect.Get(), -1);
    return effect;
  }

  ComPtr<IAMTimelineObj> Transition(IAMTimelineObj* parent, REFERENCE_TIME start, REFERENCE_TIME stop) {
    ComPtr<IAMTimelineObj> transition = Node(TIMELINE_MAJOR_TYPE_TRANSITION, L"wipe");
    transition->SetStartStop(start, stop);
    transition.As<IAMTimelineTrans>(IID_IAMTimelineTrans)->SetCutPoint((stop - start) / 3);
    Facet<IAMTimelineTransable>(parent, IID_IAMTimelineTransable)->TransAdd(transition.Get());
    return transition;
  }

  // Values of a few types, jumping and interpolated.
  void Params(IAMTimelineObj* object) {
    ComPtr<IPropertySetter> setter;
    CoCreateInstance(CLSID_PropertySetter, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertySetter, setter.ReceiveVoid());
    DEXTER_VALUE values[4] = {};
    values[0].v.vt = VT_BSTR;
    values[0].v.bstrVal = SysAllocString(L"0.5");
    values[1].v.vt = VT_R8;
    values[1].v.dblVal = 0.1;
    values[1].rt = 5000000;
    values[1].dwInterp = DEXTERF_INTERPOLATE;
    values[2].v.vt = VT_I4;
    values[2].v.lVal = -3;
    values[2].rt = 7000000;
    values[3].v.vt = VT_BSTR;
    values[3].v.bstrVal = SysAllocString(L"bell\x07");
    values[3].rt = 9000000;
    BSTR name = SysAllocString(L"Progress");
    setter->AddProp(DEXTER_PARAM{name, 3, 4}, values);
    SysFreeString(name);
    for (DEXTER_VALUE& value : values) VariantClear(&value.v);
    object->SetPropertySetter(setter.Get());
  }

  std::string Text() {
    ProjectWriter writer;
    writer.Write(timeline_.Get());
    return writer.Xml().Utf8Document();
  }

 private:
  template <class I>
  static ComPtr<I> Facet(IAMTimelineObj* object, REFIID iid) {
    return ComPtr<IAMTimelineObj>(object).As<I>(iid);
  }

  ComPtr<IAMTimeline> timeline_;
};

std::string RichProject() {
  SeedTimeline seed;
  ComPtr<IAMTimelineObj> group = seed.Group(L"Vid\u00e9o", true);
  ComPtr<IAMTimelineObj> track = seed.Layer(group.Get(), TIMELINE_MAJOR_TYPE_TRACK, L"Track\x01");
  ComPtr<IAMTimelineObj> clip = seed.Clip(track.Get(), 0, 20000000, L"C:\\media\\a.avi");
  seed.Params(seed.Effect(clip.Get(), 0, 10000000).Get());
  seed.Clip(track.Get(), 15000000, 40000000, L"b.wav");
  seed.Params(seed.Transition(track.Get(), 15000000, 20000000).Get());
  ComPtr<IAMTimelineObj> composite = seed.Layer(group.Get(), TIMELINE_MAJOR_TYPE_COMPOSITE, L"nest");
  seed.Clip(seed.Layer(composite.Get(), TIMELINE_MAJOR_TYPE_TRACK, L"inner").Get(), 3, 5, L"c.bmp");
  seed.Effect(group.Get(), 0, 1);
  seed.Clip(seed.Layer(seed.Group(L"Audio", false).Get(), TIMELINE_MAJOR_TYPE_TRACK, L"").Get(), 0, 1, L"d.wav");
  return seed.Text();
}

// A group without a type, and layers nested as deep as a project holds.
std::string DeepProject() {
  SeedTimeline seed;
  ComPtr<IAMTimelineObj> layer = seed.Typeless(L"untyped");
  for (int depth = 1; depth <= 60; ++depth) layer = seed.Layer(layer.Get(), TIMELINE_MAJOR_TYPE_COMPOSITE, L"");
  seed.Effect(seed.Clip(seed.Layer(layer.Get(), TIMELINE_MAJOR_TYPE_TRACK, L"").Get(), 0, 1, L"e.avi").Get(), 0, 1);
  return seed.Text();
}

const char kPublishedProject[] = R"(<timeline framerate="25">
  <group type="video" width="320" height="240" framerate="15" previewmode="0">
    <track>
      <clip src="sample.avi" start="1:05" stop="1:42.5" mstart="30" stretchmode="crop"/>
      <transition clsid="{DE75D012-7A65-11D2-8CEA-00A0C9441E20}" start="0" stop="6" cutpoint="2.5">
        <param name="progress" value="1.0"><linear time="6" value="0.0"/><at time="3" value="0.4"/></param>
      </transition>
    </track>
    <composite><track mute="1"/></composite>
  </group>
  <group type="audio" samplingrate="48000"><track><clip src="s.wav" start="0" mstop="2"/></track></group>
</timeline>)";

// --- Binary files ---

std::string Pattern(size_t size, int salt) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i) bytes[i] = char(i * 7 + salt);
  return bytes;
}

// type 2 true colour, 3 grey, +8 run-length; descriptor bits 0-3 alpha, 5 top-down.
std::string Tga(BYTE type, BYTE depth, BYTE descriptor, WORD width, WORD height, BYTE idLength, bool colourMap) {
  BYTE header[18] = {idLength, BYTE(colourMap ? 1 : 0), type};
  if (colourMap) {
    header[5] = 2;  // two 24-bit entries
    header[7] = 24;
  }
  memcpy(header + 12, &width, 2);
  memcpy(header + 14, &height, 2);
  header[16] = depth;
  header[17] = descriptor;
  std::string tga = std::string(reinterpret_cast<char*>(header), 18) + Pattern(idLength, 1);
  tga += Pattern(colourMap ? 6 : 0, 2);
  size_t pixel = depth / 8, count = size_t(width) * height;
  if (type < 8) return tga + Pattern(count * pixel, 3);
  for (size_t done = 0; done < count;) {  // a run, then a raw packet, in turn
    size_t n = std::min<size_t>(count - done, 3);
    bool run = (done / 3) % 2 == 0;
    tga += char((run ? 0x80 : 0) | (n - 1));
    tga += Pattern(run ? pixel : n * pixel, int(done));
    done += n;
  }
  return tga;
}

WAVEFORMATEX Wave(WORD tag, WORD channels, DWORD rate, WORD bits) {
  WORD block = WORD(channels * bits / 8);
  return WAVEFORMATEX{tag, channels, rate, rate * block, block, bits, 0};
}

std::string Wav(const std::string& format, DWORD dataSize, const std::string& before = "") {
  return List("RIFF", "WAVE", Chunk("fmt ", format) + before + Chunk("data", Pattern(dataSize, 5)));
}

std::string Extensible(WORD channels, DWORD rate, WORD bits) {
  WAVEFORMATEXTENSIBLE format = {};
  format.Format = Wave(WAVE_FORMAT_EXTENSIBLE, channels, rate, bits);
  format.Format.cbSize = 22;
  format.Samples.wValidBitsPerSample = bits;
  format.dwChannelMask = 3;
  format.SubFormat = MEDIASUBTYPE_PCM;
  return Bytes(format);
}

std::string StreamHeader(const char* type, DWORD scale, DWORD rate, DWORD length, DWORD sampleSize) {
  std::string header = std::string(type, 4) + std::string(16, '\0') + Dword(scale) + Dword(rate) + Dword(0) +
                       Dword(length) + Dword(0) + Dword(0) + Dword(sampleSize) + std::string(8, '\0');
  return Chunk("strh", header);
}

std::string VideoList(LONG width, LONG height, WORD bits, DWORD frames, const std::string& palette) {
  DWORD colours = DWORD(palette.size() / 4);
  BITMAPINFOHEADER bitmap = {sizeof(BITMAPINFOHEADER), width, height, 1, bits, BI_RGB, 0, 0, 0, colours, 0};
  return List("LIST", "strl", StreamHeader("vids", 1, 25, frames, 0) + Chunk("strf", Bytes(bitmap) + palette));
}

// frames of video (stream 0) and, with audioBytes, one chunk of PCM (stream 1).
std::string Avi(LONG width, LONG height, WORD bits, DWORD frames, DWORD audioBytes, bool indexed,
                const std::string& palette = "") {
  LONG rows = height < 0 ? -height : height;
  size_t frameSize = size_t((width * bits + 31) / 32 * 4) * rows;
  WAVEFORMATEX wave = Wave(WAVE_FORMAT_PCM, 2, 8000, 16);
  std::string streams = VideoList(width, height, bits, frames, palette);
  if (audioBytes) {
    streams += List("LIST", "strl", StreamHeader("auds", 4, 32000, audioBytes / 4, 4) + Chunk("strf", Bytes(wave)));
  }
  std::string movie, index;
  auto add = [&](const char* id, const std::string& content) {
    const DWORD keyFrame = 0x10;
    index += std::string(id, 4) + Dword(keyFrame) + Dword(DWORD(4 + movie.size())) + Dword(DWORD(content.size()));
    movie += Chunk(id, content);
  };
  for (DWORD f = 0; f < frames; ++f) {
    add("00db", Pattern(frameSize, int(f)));
    if (audioBytes && f == frames / 2) add("01wb", Pattern(audioBytes, 9));
  }
  std::string body = List("LIST", "hdrl", Chunk("avih", std::string(56, '\0')) + streams) + Chunk("JUNK", "pad") +
                     List("LIST", "movi", movie);
  return List("RIFF", "AVI ", indexed ? body + Chunk("idx1", index) : body);
}

const char kSmallCatalog[] = R"(<?xml version="1.0"?>
<DirectShowFilters>
  <Effect GUID="{9CEA6E51-BE5B-42D8-AB7B-633AA2C0D448}"><Param Name="Level" ValuesList="Levels"/><Param/></Effect>
  <Transition GUID="{DE75D012-7A65-11D2-8CEA-00A0C9441E20}"><Param Name="MaskNum" ValuesList="Codes"/></Transition>
  <ValuesList Name="Levels"><Item Value="0" Name="Off"/><Item Value="10"/><Item Name="none"/></ValuesList>
  <ValuesList Name="Codes"><Item Value="1" Name="Bar"/></ValuesList>
</DirectShowFilters>)";

}  // namespace

std::vector<std::string> ProjectSeeds() { return {RichProject(), DeepProject(), kPublishedProject}; }

std::vector<std::string> TgaSeeds() {
  return {Tga(2, 24, 0x00, 7, 5, 3, false), Tga(10, 32, 0x28, 9, 4, 0, false), Tga(2, 16, 0x21, 5, 3, 0, false),
          Tga(11, 8, 0x00, 6, 6, 0, false), Tga(2, 24, 0x20, 3, 2, 0, true)};
}

std::vector<std::string> WavSeeds() {
  return {Wav(Bytes(Wave(WAVE_FORMAT_PCM, 2, 44100, 16)), 4000, List("LIST", "INFO", Chunk("INAM", "odd"))),
          Wav(Bytes(Wave(WAVE_FORMAT_PCM, 1, 8000, 8)), 801),
          Wav(Extensible(2, 22050, 24), 1200),
          Wav(Bytes(Wave(WAVE_FORMAT_IEEE_FLOAT, 1, 48000, 32)), 800, Chunk("fact", Dword(200)))};
}

std::vector<std::string> AviSeeds() {
  std::string grey;
  for (int i = 0; i < 4; ++i) grey += std::string{char(i * 60), char(i * 60), char(i * 60), 0};
  return {Avi(8, 6, 24, 5, 1600, true), Avi(4, -4, 32, 3, 0, false), Avi(4, 2, 8, 4, 0, true, grey)};
}

std::vector<std::string> StillSeeds() {
  std::vector<std::string> seeds;
  for (const GUID* container : {&GUID_ContainerFormatBmp, &GUID_ContainerFormatPng, &GUID_ContainerFormatJpeg,
                                &GUID_ContainerFormatGif, &GUID_ContainerFormatTiff}) {
    seeds.push_back(RedOverBlue(*container, 7, 4));
  }
  return seeds;
}

std::vector<std::string> CatalogSeeds() {
  wchar_t path[MAX_PATH];
  std::string shipped = ResolvePath(L"DSF_desc.xml", kResolveProgramDir, path) ? ReadWholeFile(path) : "";
  if (shipped.empty()) return {kSmallCatalog};
  return {shipped, kSmallCatalog};
}

std::vector<std::string> TimeTextSeeds() {
  std::vector<std::string> seeds;
  for (int64_t time : {0LL, 3723000004LL, 999 * kMicrosecondsPerHour - 1, 59 * kMicrosecondsPerSecond + 999999}) {
    wchar_t text[32];
    FormatTime(kTimeFormatEdit, text, time);
    seeds.emplace_back(text, text + wcslen(text));
  }
  seeds.push_back("001:02:03,-00005");
  seeds.push_back("000:00:00,     4");
  return seeds;
}
