// The editing methods of the timeline objects as their published reference
// describes them: results, out pointers, and what the timeline holds after.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "EngineTestSupport.h"
#include "MediaType.h"
#include "TempFolder.h"
#include "TestMedia.h"
#include "TimelineDescription.h"

namespace {

struct Row {
  const char* what;
  HRESULT expected;
  std::function<HRESULT()> call;
  std::wstring after = L"";  // what the test's object holds afterwards, when given
};

template <class I>
ComPtr<I> Query(IAMTimelineObj* object, REFIID iid) {
  return ComPtr<IAMTimelineObj>(object).As<I>(iid);
}

// Times, media times of a source, then effects; only the effects with skipTimes.
std::wstring Span(IAMTimelineObj* object, bool skipTimes = false) {
  REFERENCE_TIME times[4] = {};
  object->GetStartStop(&times[0], &times[1]);
  auto media = Query<IAMTimelineSrc>(object, IID_IAMTimelineSrc);
  std::wstring text = skipTimes ? L"" : std::to_wstring(times[0]) + L"-" + std::to_wstring(times[1]);
  if (media && SUCCEEDED(media->GetMediaTimes(&times[2], &times[3])))
    text += L"/" + std::to_wstring(times[2]) + L"-" + std::to_wstring(times[3]);
  auto effects = Query<IAMTimelineEffectable>(object, IID_IAMTimelineEffectable);
  ComPtr<IAMTimelineObj> effect;
  for (long i = 0; effects && effects->GetEffect(effect.Receive(), i) == S_OK; ++i) text += L" e" + Span(effect.Get());
  return text;
}

// Each source of a track in the order GetNextSrcEx gives them.
void ForEachSource(IAMTimelineObj* track, const std::function<void(IAMTimelineObj*, IAMTimelineSrc*)>& visit) {
  ComPtr<IAMTimelineObj> current, next;
  while (Query<IAMTimelineTrack>(track, IID_IAMTimelineTrack)->GetNextSrcEx(current.Get(), next.Receive()) == S_OK) {
    visit(next.Get(), Query<IAMTimelineSrc>(next.Get(), IID_IAMTimelineSrc).Get());
    current = next;
  }
}

// Sources, transitions, then the track's effects.
std::wstring Contents(IAMTimelineObj* track) {
  std::wstring text;
  ForEachSource(track, [&](IAMTimelineObj* source, IAMTimelineSrc*) { text += L"s" + Span(source) + L"; "; });
  REFERENCE_TIME time = 0;
  ComPtr<IAMTimelineObj> transition;
  auto transitions = Query<IAMTimelineTransable>(track, IID_IAMTimelineTransable);
  while (transitions->GetNextTrans(transition.Receive(), &time) == S_OK) text += L"t" + Span(transition.Get()) + L"; ";
  return text + L"track" + Span(track, true);
}

class NodeContractsTest : public EngineTest {
 protected:
  template <size_t N>
  void Run(const Row (&rows)[N], const std::function<std::wstring()>& held) {
    for (const Row& row : rows) {
      SCOPED_TRACE(row.what);
      EXPECT_EQ(row.expected, row.call());
      if (!row.after.empty()) {
        EXPECT_EQ(row.after, held());
      }
    }
  }

  // Saved as a project and read into a new timeline, it is the same.
  void ExpectReadsBack() {
    TempFolder folder;
    BSTR file = SysAllocString(folder.File(L"project.xtl").c_str());
    ComPtr<IXml2Dex> xml;
    ComPtr<IAMTimeline> copy;
    CoCreateInstance(CLSID_Xml2Dex, nullptr, CLSCTX_INPROC_SERVER, IID_IXml2Dex, xml.ReceiveVoid());
    CoCreateInstance(CLSID_AMTimeline, nullptr, CLSCTX_INPROC_SERVER, IID_IAMTimeline, copy.ReceiveVoid());
    EXPECT_EQ(S_OK, xml->WriteXMLFile(timeline.Get(), file));
    EXPECT_EQ(S_OK, xml->ReadXMLFile(copy.Get(), file));
    EXPECT_EQ(DescribeTimeline(timeline.Get()), DescribeTimeline(copy.Get()));
    SysFreeString(file);
  }

  ComPtr<IAMTimelineObj> VideoTrack() {
    AM_MEDIA_TYPE type = MakeVideoType(64, 48, 24);
    ComPtr<IAMTimelineObj> track = AddTrack(AddGroup(L"Video", &type).Get(), L"track");
    ClearMediaType(&type);
    return track;
  }

  ComPtr<IAMTimelineObj> AddSource(IAMTimelineObj* track, REFERENCE_TIME start, REFERENCE_TIME stop,
                                   REFERENCE_TIME mediaStart, REFERENCE_TIME mediaStop, const wchar_t* file) {
    ComPtr<IAMTimelineObj> source = EngineTest::AddSource(track, start, stop, file);
    EXPECT_EQ(S_OK, Query<IAMTimelineSrc>(source.Get(), IID_IAMTimelineSrc)->SetMediaTimes(mediaStart, mediaStop));
    return source;
  }
};

TEST_F(NodeContractsTest, SourcesModifyTheirStopAndSpliceOnlyWithAMatchFrame) {
  ComPtr<IAMTimelineObj> track = VideoTrack(), elsewhere = VideoTrack();
  ComPtr<IAMTimelineObj> first = AddSource(track.Get(), 0, 100, 0, 200, L"C:\\a.avi");  // twice the speed
  ComPtr<IAMTimelineObj> next = AddSource(track.Get(), 100, 150, 200, 300, L"c:\\A.AVI");
  AddEffect(next.Get(), 0, 10);
  ComPtr<IAMTimelineObj> otherFile = AddSource(elsewhere.Get(), 0, 100, 200, 400, L"C:\\b.avi");
  ComPtr<IAMTimelineObj> gap = AddSource(elsewhere.Get(), 100, 200, 210, 410, L"C:\\a.avi");
  ComPtr<IAMTimelineObj> otherRate = AddSource(elsewhere.Get(), 200, 300, 200, 300, L"C:\\a.avi");
  auto source = Query<IAMTimelineSrc>(first.Get(), IID_IAMTimelineSrc);
  const Row rows[] = {
      {"stop", S_OK, [&] { return source->ModifyStopTime(120); }, L"s0-120/0-200; s100-150/200-300 e0-10; track"},
      {"stop in seconds", S_OK, [&] { return source->ModifyStopTime2(100e-7); },
       L"s0-100/0-200; s100-150/200-300 e0-10; track"},
      {"stop before start", E_INVALIDARG, [&] { return source->ModifyStopTime(-1); }},
      {"null", E_POINTER, [&] { return source->SpliceWithNext(nullptr); }},
      {"a track", E_NOINTERFACE, [&] { return source->SpliceWithNext(track.Get()); }},
      {"itself", E_INVALIDARG, [&] { return source->SpliceWithNext(first.Get()); }},
      {"another file", E_INVALIDARG, [&] { return source->SpliceWithNext(otherFile.Get()); }},
      {"media not following", E_INVALIDARG, [&] { return source->SpliceWithNext(gap.Get()); }},
      {"another rate", E_INVALIDARG, [&] { return source->SpliceWithNext(otherRate.Get()); }},
      {"match frame, its effect dropped", S_OK, [&] { return source->SpliceWithNext(next.Get()); },
       L"s0-150/0-300; track"},
  };
  Run(rows, [&] { return Contents(track.Get()); });
  ExpectReadsBack();
}

TEST_F(NodeContractsTest, TracksInsertSpaceAndZeroBetweenSplittingWhatSpansTheTimes) {
  const std::wstring initial = L"s0-100/0-200 e20-80; s100-200/0-100; t50-150; track e0-200";
  struct Case {
    const char* what;
    HRESULT expected;
    HRESULT (*call)(IAMTimelineTrack*);
    std::wstring after;
  } cases[] = {
      {"space", S_OK, [](IAMTimelineTrack* t) { return t->InsertSpace2(50e-7, 80e-7); },
       L"s0-50/0-100 e20-50; s80-130/100-200 e0-30; s130-230/0-100; t80-180; track e0-50 e80-230"},
      {"space past everything", S_FALSE, [](IAMTimelineTrack* t) { return t->InsertSpace(200, 300); }, initial},
      {"space ending first", E_INVALIDARG, [](IAMTimelineTrack* t) { return t->InsertSpace(50, 40); }, initial},
      {"zero", S_OK, [](IAMTimelineTrack* t) { return t->ZeroBetween(50, 150); },
       L"s0-50/0-100 e20-50; s150-200/50-100; track e0-50 e150-200"},
      {"zero in seconds", S_OK, [](IAMTimelineTrack* t) { return t->ZeroBetween2(0, 60e-7); },
       L"s60-100/120-200 e0-20; s100-200/0-100; t60-150; track e60-200"},
      {"zero past everything", S_FALSE, [](IAMTimelineTrack* t) { return t->ZeroBetween(200, 300); }, initial},
      {"zero before 0", E_INVALIDARG, [](IAMTimelineTrack* t) { return t->ZeroBetween(-1, 5); }, initial},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    timeline->ClearAllGroups();
    ComPtr<IAMTimelineObj> track = VideoTrack();
    AddEffect(AddSource(track.Get(), 0, 100, 0, 200, L"a.avi").Get(), 20, 80);
    AddSource(track.Get(), 100, 200, 0, 100, L"b.avi");
    AddTransition(track.Get(), 50, 150);
    AddEffect(track.Get(), 0, 200);
    EXPECT_EQ(c.expected, c.call(Query<IAMTimelineTrack>(track.Get(), IID_IAMTimelineTrack).Get()));
    EXPECT_EQ(c.after, Contents(track.Get()));
  }
  ExpectReadsBack();
  ComPtr<IAMTimelineObj> loose = NewNode(TIMELINE_MAJOR_TYPE_SOURCE);
  ComPtr<IAMTimelineObj> placed = AddSource(VideoTrack().Get(), 0, 10, 0, 10, L"");
  loose->SetStartStop(0, 10);
  auto split = [](const ComPtr<IAMTimelineObj>& o) {
    return Query<IAMTimelineSplittable>(o.Get(), IID_IAMTimelineSplittable);
  };
  EXPECT_EQ(E_INVALIDARG, split(placed)->SplitAt(11));
  EXPECT_EQ(S_FALSE, split(placed)->SplitAt(10));
  EXPECT_EQ(E_NOTINTREE, split(loose)->SplitAt(5));
}

TEST_F(NodeContractsTest, CompositionsListLayersDepthFirstEndingWithThemselves) {
  ComPtr<IAMTimelineObj> a = NewNode(TIMELINE_MAJOR_TYPE_COMPOSITE), d = NewNode(TIMELINE_MAJOR_TYPE_COMPOSITE);
  SetName(a.Get(), L"A");
  SetName(d.Get(), L"D");
  AddTrack(a.Get(), L"B");
  AddTrack(a.Get(), L"C");
  AddTrack(d.Get(), L"F");
  auto comp = Query<IAMTimelineComp>(a.Get(), IID_IAMTimelineComp);
  ASSERT_EQ(S_OK, comp->VTrackInsBefore(d.Get(), -1));
  AddTrack(a.Get(), L"E");
  auto order = [&](TIMELINE_MAJOR_TYPE type) {
    std::wstring names;
    ComPtr<IAMTimelineObj> layer;
    for (long i = 0; comp->GetRecursiveLayerOfType(layer.Receive(), i, type) == S_OK; ++i) names += NameOf(layer.Get());
    EXPECT_FALSE(layer) << "null past the last";
    return names;
  };
  EXPECT_EQ(L"BCFDEA", order(TIMELINE_MAJOR_TYPE_TRACK));
  EXPECT_EQ(L"DA", order(TIMELINE_MAJOR_TYPE_COMPOSITE));
  ComPtr<IAMTimelineObj> layer;
  EXPECT_EQ(E_INVALIDARG, comp->GetRecursiveLayerOfType(layer.Receive(), -1, TIMELINE_MAJOR_TYPE_TRACK));
  EXPECT_EQ(E_POINTER, comp->GetRecursiveLayerOfType(nullptr, 0, TIMELINE_MAJOR_TYPE_TRACK));
}

TEST_F(NodeContractsTest, GroupsTakeDefaultTypesAndKeepCopiesOfRecompressionFormats) {
  TempFolder folder;
  ASSERT_EQ(S_OK, WriteClip(folder.File(L"clip.avi")));  // audio, then 5 x 3 RGB24 video
  ComPtr<IAMTimelineObj> group, loose = NewNode(TIMELINE_MAJOR_TYPE_GROUP);
  ComPtr<IAMTimelineObj> source = EngineTest::AddSource(VideoTrack().Get(), 0, 10, folder.File(L"clip.avi").c_str());
  auto media = Query<IAMTimelineSrc>(source.Get(), IID_IAMTimelineSrc);
  timeline->GetGroup(group.Receive(), 0);
  auto video = Query<IAMTimelineGroup>(group.Get(), IID_IAMTimelineGroup);
  MediaType format = RgbType(MEDIASUBTYPE_RGB24, 8, 8, 400000);
  SCompFmt0 given = {0, format.Get()}, numbered = {1, format.Get()};
  auto held = [&] {  // the group's width or rate, then the kept format's width when one is set
    MediaType type;
    video->GetMediaType(type.Receive());
    BOOL set = FALSE;
    SCompFmt0* kept = nullptr;
    video->IsSmartRecompressFormatSet(&set);
    EXPECT_EQ(S_OK, video->GetSmartRecompressFormat(reinterpret_cast<long**>(&kept)));
    auto width = [](const AM_MEDIA_TYPE& t) {
      return reinterpret_cast<const VIDEOINFOHEADER*>(t.pbFormat)->bmiHeader.biWidth;
    };
    std::wstring text = std::to_wstring(type.Get().majortype == MEDIATYPE_Audio
                                            ? long(reinterpret_cast<WAVEFORMATEX*>(type.Get().pbFormat)->nSamplesPerSec)
                                            : width(type.Get()));
    if (set) text += L" " + std::to_wstring(width(kept->MediaType));
    MediaType::Free(&kept->MediaType);
    delete kept;
    return text;
  };
  auto set = [&](SCompFmt0* given) { return video->SetSmartRecompressFormat(reinterpret_cast<long*>(given)); };
  const Row rows[] = {
      {"audio default", S_OK, [&] { return video->SetMediaTypeForVB(1); }, L"44100"},
      {"recompress audio", VFW_E_INVALIDMEDIATYPE, [&] { return set(&given); }, L"44100"},
      {"audio from source", VFW_E_INVALIDMEDIATYPE, [&] { return video->SetRecompFormatFromSource(media.Get()); }},
      {"video default", S_OK, [&] { return video->SetMediaTypeForVB(0); }, L"320"},
      {"no such kind", E_INVALIDARG, [&] { return video->SetMediaTypeForVB(2); }},
      {"null format", E_POINTER, [&] { return set(nullptr); }},
      {"format id not 0", E_INVALIDARG, [&] { return set(&numbered); }},
      {"format", S_OK, [&] { return set(&given); }, L"320 8"},
      {"format changed after", S_OK, [&] { return format.Set(GUID_NULL, GUID_NULL, GUID_NULL, nullptr, 0); }, L"320 8"},
      {"null source", E_POINTER, [&] { return video->SetRecompFormatFromSource(nullptr); }},
      {"group in no timeline", E_NO_TIMELINE,
       [&] { return Query<IAMTimelineGroup>(loose.Get(), IID_IAMTimelineGroup)->SetRecompFormatFromSource(media.Get()); }},
      {"from source", S_OK, [&] { return video->SetRecompFormatFromSource(media.Get()); }, L"320 5"},
  };
  Run(rows, held);
  ExpectReadsBack();
}

TEST_F(NodeContractsTest, TimelinesValidateSourceNamesThroughALocatorAndSignalTheEvent) {
  TempFolder folder;
  ASSERT_EQ(S_OK, WriteClip(folder.File(L"moved.avi")));
  ComPtr<IAMTimelineObj> track = VideoTrack();
  EngineTest::AddSource(track.Get(), 0, 10, L"Z:\\gone\\moved.avi");
  EngineTest::AddSource(track.Get(), 10, 20, L"Z:\\muted\\moved.avi")->SetMuted(TRUE);
  ComPtr<IMediaLocator> locator;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_MediaLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IMediaLocator,
                                   locator.ReceiveVoid()));
  BSTR where = SysAllocString(folder.Path().c_str());
  EXPECT_EQ(S_OK, locator->AddFoundLocation(where));  // where the default locator looks too
  SysFreeString(where);
  HANDLE done = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  auto names = [&] {
    std::wstring text;
    ForEachSource(track.Get(), [&](IAMTimelineObj*, IAMTimelineSrc* media) {
      BSTR name = nullptr;
      media->GetMediaName(&name);
      text += std::wstring(name) + L";";
      SysFreeString(name);
    });
    return text + (WaitForSingleObject(done, 0) == WAIT_OBJECT_0 ? L" signalled" : L"");
  };
  const long replace = SFN_VALIDATEF_CHECK | SFN_VALIDATEF_REPLACE;
  const std::wstring found = folder.File(L"moved.avi") + L";";
  const Row rows[] = {
      {"check alone", E_INVALIDARG, [&] { return timeline->ValidateSourceNames(SFN_VALIDATEF_CHECK, nullptr, 0); }},
      {"not searching", S_OK, [&] { return timeline->ValidateSourceNames(replace | SFN_VALIDATEF_NOFIND, nullptr, 0); },
       L"Z:\\gone\\moved.avi;Z:\\muted\\moved.avi;"},
      {"caller's locator, muted left out", S_OK,
       [&] { return timeline->ValidateSourceNames(replace | SFN_VALIDATEF_IGNOREMUTED, locator.Get(), LONG_PTR(done)); },
       found + L"Z:\\muted\\moved.avi; signalled"},
      {"default locator", S_OK, [&] { return timeline->ValidateSourceNames(replace, nullptr, 0); },
       found + found + L" signalled"},
  };
  Run(rows, names);
  CloseHandle(done);
}

// Saves a few bytes as a graph does, or fails.
struct FakeGraph final : IPersistStream {
  explicit FakeGraph(HRESULT result) : result(result) {}
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    *out = iid == IID_IPersistStream ? this : nullptr;
    return *out ? S_OK : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP GetClassID(CLSID*) override { return E_NOTIMPL; }
  STDMETHODIMP IsDirty() override { return S_OK; }
  STDMETHODIMP Load(IStream*) override { return E_NOTIMPL; }
  STDMETHODIMP Save(IStream* stream, BOOL) override {
    return FAILED(result) ? result : stream->Write("0003", 4, nullptr);
  }
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
  HRESULT result;
};

TEST_F(NodeContractsTest, Xml2DexWritesAGraphIntoItsStorageStream) {
  TempFolder folder;
  BSTR name = SysAllocString(folder.File(L"graph.grf").c_str()), empty = SysAllocString(L"");
  ComPtr<IXml2Dex> xml;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Xml2Dex, nullptr, CLSCTX_INPROC_SERVER, IID_IXml2Dex, xml.ReceiveVoid()));
  FakeGraph graph(S_OK), failing(STG_E_MEDIUMFULL);
  auto stored = [&] {
    ComPtr<IStorage> storage;
    ComPtr<IStream> stream;
    char bytes[8] = {};
    ULONG read = 0;
    if (SUCCEEDED(StgOpenStorage(name, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, storage.Receive())) &&
        SUCCEEDED(storage->OpenStream(L"ActiveMovieGraph", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0,
                                      stream.Receive())))
      stream->Read(bytes, sizeof bytes, &read);
    return std::wstring(bytes, bytes + read);
  };
  const Row rows[] = {
      {"no graph", E_INVALIDARG, [&] { return xml->WriteGrfFile(nullptr, name); }},
      {"no name", E_INVALIDARG, [&] { return xml->WriteGrfFile(&graph, empty); }},
      {"not persistent", E_NOINTERFACE, [&] { return xml->WriteGrfFile(timeline.Get(), name); }},
      {"graph", S_OK, [&] { return xml->WriteGrfFile(&graph, name); }, L"0003"},
      {"failing save keeps the file", STG_E_MEDIUMFULL, [&] { return xml->WriteGrfFile(&failing, name); }, L"0003"},
  };
  Run(rows, stored);
  SysFreeString(name);
  SysFreeString(empty);
}

}  // namespace
