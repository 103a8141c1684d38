#include <gtest/gtest.h>

#include "EffectIds.h"
#include "EngineFilters.h"
#include "EngineTestSupport.h"
#include "TempFolder.h"
#include "TimelineDescription.h"

namespace {

constexpr REFERENCE_TIME kSecond = 10000000;

template <class I>
ComPtr<I> Query(IUnknown* object, REFIID iid) {
  ComPtr<I> result;
  object->QueryInterface(iid, result.ReceiveVoid());
  return result;
}

// Whether a save left a temporary file behind.
bool HasTemporaries(const TempFolder& folder) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(folder.File(L"mvp*.tmp").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return false;
  FindClose(search);
  return true;
}

// --- Building timelines ---

void AddParam(IPropertySetter* setter, const wchar_t* name, std::vector<DEXTER_VALUE> values, DISPID id = 0) {
  BSTR text = SysAllocString(name);
  EXPECT_EQ(S_OK, setter->AddProp(DEXTER_PARAM{text, id, static_cast<LONG>(values.size())}, values.data()));
  SysFreeString(text);
  for (DEXTER_VALUE& value : values) VariantClear(&value.v);
}

// Sources, effects and transitions name classes the engine has: others are reported.
void Decorate(IAMTimelineObj* object, const wchar_t* name, int seed) {
  SetName(object, name);
  object->SetLocked(seed & 1);
  object->SetMuted(seed & 2);
  object->SetUserID(seed * 1000);
  BYTE data[] = {0x00, 0xAB, static_cast<BYTE>(seed)};
  object->SetUserData(data, seed % 4);
  TIMELINE_MAJOR_TYPE type = TIMELINE_MAJOR_TYPE_GROUP;
  object->GetTimelineType(&type);
  GUID guid = {0x12345678u + seed, 0x9abc, 0xdef0, {1, 2, 3, 4, 5, 6, 7, static_cast<BYTE>(seed)}};
  if (type == TIMELINE_MAJOR_TYPE_SOURCE) guid = CLSID_EngineMediaSource;
  if (type == TIMELINE_MAJOR_TYPE_EFFECT) guid = CLSID_EngineBlur;
  if (type == TIMELINE_MAJOR_TYPE_TRANSITION) guid = CLSID_DxtJpeg;
  object->SetSubObjectGUID(guid);
}

class ProjectFileTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    Query<IAMSetErrorLog>(timeline.Get(), IID_IAMSetErrorLog)->put_ErrorLog(&errorLog);
  }

  HRESULT Save(IAMTimeline* source, const std::wstring& path) {
    ComPtr<IXml2Dex> xml;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_Xml2Dex, nullptr, CLSCTX_INPROC_SERVER, IID_IXml2Dex, xml.ReceiveVoid()));
    BSTR name = SysAllocString(path.c_str());
    HRESULT hr = xml->WriteXMLFile(source, name);
    SysFreeString(name);
    return hr;
  }

  HRESULT Load(IAMTimeline* target, const std::wstring& path) {
    ComPtr<IXml2Dex> xml;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_Xml2Dex, nullptr, CLSCTX_INPROC_SERVER, IID_IXml2Dex, xml.ReceiveVoid()));
    BSTR name = SysAllocString(path.c_str());
    HRESULT hr = xml->ReadXMLFile(target, name);
    SysFreeString(name);
    return hr;
  }

  HRESULT LoadText(const std::string& text) {
    std::wstring path = folder.File(L"input.xml");
    EXPECT_TRUE(WriteWholeFile(path, text));
    return Load(timeline.Get(), path);
  }

  long GroupCount() {
    long count = -1;
    timeline->GetGroupCount(&count);
    return count;
  }

  ComPtr<IPropertySetter> NewSetter(IAMTimelineObj* object) {
    ComPtr<IPropertySetter> setter;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_PropertySetter, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertySetter,
                                     setter.ReceiveVoid()));
    object->SetPropertySetter(setter.Get());
    return setter;
  }

  ComPtr<IAMTimelineObj> AddRichSource(IAMTimelineObj* track, REFERENCE_TIME start, int seed) {
    ComPtr<IAMTimelineObj> clip = AddSource(track, start, start + 33366667, L"C:\\Média\\日本語 <clip> & \"x\".avi");
    Decorate(clip.Get(), L"Clip \t\"one\"\n", seed);
    auto source = clip.As<IAMTimelineSrc>(IID_IAMTimelineSrc);
    source->SetMediaTimes(1234567, 1234567 + 66733334);
    source->SetMediaLength(987654321);
    source->SetStreamNumber(seed);
    source->SetStretchMode(seed % 4);
    source->SetDefaultFPS(seed ? 30000.0 / 1001 : 0);
    AddParam(NewSetter(clip.Get()).Get(), L"Volume", {TextValue(L"0.8", 0, DEXTERF_JUMP)});
    return clip;
  }

  // Several groups and tracks, a composite, sources with every field set,
  // effects and transitions with several values, times not multiples of 10.
  void BuildRichTimeline() {
    timeline->SetDefaultFPS(30000.0 / 1001);
    timeline->EnableTransitions(FALSE);
    GUID effect = CLSID_EngineGrayscale;
    timeline->SetDefaultEffect(&effect);

    AM_MEDIA_TYPE video = MakeVideoType(640, 480, 24);
    ComPtr<IAMTimelineObj> group = AddGroup(L"Vidéo ☃", &video);
    ClearMediaType(&video);
    Decorate(group.Get(), L"Vidéo ☃", 3);
    auto settings = group.As<IAMTimelineGroup>(IID_IAMTimelineGroup);
    settings->SetOutputFPS(29.97);
    settings->SetPreviewMode(TRUE);
    settings->SetOutputBuffering(7);

    ComPtr<IAMTimelineObj> track = AddTrack(group.Get(), L"Track_0");
    Decorate(track.Get(), L"Track_0", 2);
    AddRichSource(track.Get(), 50000003, 1);
    ComPtr<IAMTimelineObj> early = AddRichSource(track.Get(), 3, 2);  // added later, plays first
    Decorate(AddEffect(early.Get(), 11, 3333).Get(), L"On the clip", 5);

    ComPtr<IAMTimelineObj> blur = AddEffect(track.Get(), 17, 20000017);
    Decorate(blur.Get(), L"Blur", 6);
    AddParam(NewSetter(blur.Get()).Get(), L"Radius",
             {TextValue(L"1", 0, DEXTERF_JUMP), TextValue(L"5.5", 7777777, DEXTERF_INTERPOLATE),
              TextValue(L"", 9999999, DEXTERF_JUMP)});
    ComPtr<IAMTimelineObj> tint = AddEffect(track.Get(), 0, 123);
    ComPtr<IPropertySetter> tintSetter = NewSetter(tint.Get());
    DEXTER_VALUE typed[2] = {};
    typed[0].v.vt = VT_R8;
    typed[0].v.dblVal = 0.1 + 0.2;  // needs all 17 digits
    typed[0].rt = 5;
    typed[0].dwInterp = DEXTERF_INTERPOLATE;
    typed[1].v.vt = VT_I4;
    typed[1].v.lVal = -42;
    typed[1].rt = 99;
    BSTR hue = SysAllocString(L"Hue");
    EXPECT_EQ(S_OK, tintSetter->AddProp(DEXTER_PARAM{hue, 7, 2}, typed));
    SysFreeString(hue);

    ComPtr<IAMTimelineObj> wipe = AddTransition(track.Get(), 20000001, 30000009);
    Decorate(wipe.Get(), L"Wipe", 4);
    auto wipeSettings = wipe.As<IAMTimelineTrans>(IID_IAMTimelineTrans);
    wipeSettings->SetCutPoint(4999999);
    wipeSettings->SetSwapInputs(TRUE);
    wipeSettings->SetCutsOnly(TRUE);
    AddParam(NewSetter(wipe.Get()).Get(), L"Progress",
             {TextValue(L"1.0", 0, DEXTERF_JUMP), TextValue(L"0.0", 6 * kSecond + 1, DEXTERF_INTERPOLATE)});
    AddTransition(track.Get(), 7, 8);

    ComPtr<IAMTimelineObj> composite = NewNode(TIMELINE_MAJOR_TYPE_COMPOSITE);
    Decorate(composite.Get(), L"Nest", 1);
    group.As<IAMTimelineComp>(IID_IAMTimelineComp)->VTrackInsBefore(composite.Get(), -1);
    AddSource(AddTrack(composite.Get(), L"Inner").Get(), 0, 1);
    AddTrack(group.Get(), L"Track_1");

    AM_MEDIA_TYPE audio = MakeAudioType(44100);
    ComPtr<IAMTimelineObj> sound = AddGroup(L"Audio", &audio);
    ClearMediaType(&audio);
    AddSource(AddTrack(sound.Get(), L"Track_0").Get(), 0, 44100);
  }

  TempFolder folder;
};

TEST_F(ProjectFileTest, RichTimelineReadsBackFieldByFieldAndWritesTheSameBytes) {
  BuildRichTimeline();
  std::wstring first = folder.File(L"projet é 日本.mvp");
  ASSERT_EQ(S_OK, Save(timeline.Get(), first));

  ComPtr<IAMTimeline> copy;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_AMTimeline, nullptr, CLSCTX_INPROC_SERVER, IID_IAMTimeline,
                                   copy.ReceiveVoid()));
  ASSERT_EQ(S_OK, Load(copy.Get(), first));
  EXPECT_EQ(DescribeTimeline(timeline.Get()), DescribeTimeline(copy.Get()));

  std::wstring second = folder.File(L"second.mvp");
  ASSERT_EQ(S_OK, Save(copy.Get(), second));
  EXPECT_EQ(ReadWholeFile(first), ReadWholeFile(second));
  EXPECT_TRUE(errorLog.lines.empty());
  // Nothing but the project is left in the folder.
  EXPECT_FALSE(HasTemporaries(folder));
}

TEST_F(ProjectFileTest, ReadsTheEditingServicesFormatAsPublished) {
  ASSERT_EQ(S_FALSE, LoadText(R"(<timeline framerate="25">
    <group type="video" width="320" height="240" framerate="15">
      <track>
        <clip src="sample.avi" start="1:05" stop="1:42.5" mstart="30" stretchmode="crop"/>
        <transition clsid="{AF279B30-86EB-11D1-81BF-0000F87557DB}" start="0" stop="6">
          <param name="progress" value="1.0"><linear time="6" value="0.0"/></param>
        </transition>
      </track>
    </group>
    <group type="video" width="32" height="16" bitdepth="32"/>
    <group name="untyped"><track/></group>
    <group name="untyped as written before" majortype="{00000000-0000-0000-0000-000000000000}" format=""/>
  </timeline>)"));
  std::wstring dump = DescribeTimeline(timeline.Get());
  // A group without a rate of its own runs at the timeline's; 32 bits are ARGB.
  ComPtr<IAMTimelineObj> plain;
  ASSERT_EQ(S_OK, timeline->GetGroup(plain.Receive(), 1));
  auto plainInfo = plain.As<IAMTimelineGroup>(IID_IAMTimelineGroup);
  double fps = 0;
  plainInfo->GetOutputFPS(&fps);
  EXPECT_EQ(25, fps);
  AM_MEDIA_TYPE type;
  ASSERT_EQ(S_OK, plainInfo->GetMediaType(&type));
  EXPECT_EQ(MEDIASUBTYPE_ARGB32, type.subtype);
  ClearMediaType(&type);
  // Groups without a type, as written for a group that has none yet, are kept.
  EXPECT_EQ(4, GroupCount());
  EXPECT_NE(std::wstring::npos, dump.find(L"type(0x00000000) {00000000-0000-0000-0000-000000000000}")) << dump;
  // The media stop follows from the normal rate: 30 s + (102.5 s - 65 s).
  EXPECT_NE(std::wstring::npos, dump.find(L"clip 'sample.avi' media=300000000-675000000 length=0 stream=0 stretch=1"));
  EXPECT_NE(std::wstring::npos, dump.find(L"span=650000000-1025000000"));
  EXPECT_NE(std::wstring::npos, dump.find(L"param 'progress' dispid=0: 0/0=vt8:'1.0' 60000000/1=vt8:'0.0'"));
  EXPECT_NE(std::wstring::npos, dump.find(L" fps=15 preview=1"));
  EXPECT_NE(std::wstring::npos, dump.find(L"2800000040010000f0000000"));  // 40-byte header, 320 x 240
  // The wipe's class is none of the engine's: kept, and said.
  EXPECT_NE(std::wstring::npos, dump.find(L"clsid={AF279B30-86EB-11D1-81BF-0000F87557DB}"));
  EXPECT_EQ(std::vector<long>{DEX_IDS_INVALID_DXT}, errorLog.codes);
}

TEST_F(ProjectFileTest, FilesThatAreNoProjectLeaveTheTimelineEmpty) {
  std::string nested = "<timeline><group type=\"video\">";
  size_t depth = (50u << 20) / 23;
  for (size_t i = 0; i < depth; ++i) nested += "<composite>";
  for (size_t i = 0; i < depth; ++i) nested += "</composite>";
  nested += "</group></timeline>";
  struct Case {
    const char* what;
    std::string text;
  } cases[] = {
      {"empty", ""},
      {"binary", std::string("\x00\xff\xfe\x01garbage\x00", 12)},
      {"truncated", "<timeline><group type=\"video\"><track><clip start=\"0\" st"},
      {"wrong root", "<project><group type=\"video\"/></project>"},
      {"deep nesting", nested},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, LoadText(c.text)) << c.what;
    EXPECT_EQ(0, GroupCount()) << c.what;
  }
  EXPECT_GE(errorLog.lines.size(), 5u);
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), Load(timeline.Get(), folder.File(L"missing.mvp")));
}

TEST_F(ProjectFileTest, DamagedPartsAreReportedAndSkippedAndTheRestLoads) {
  std::string deep;
  for (int i = 0; i < 70; ++i) deep += "<composite>";
  for (int i = 0; i < 70; ++i) deep += "</composite>";
  ASSERT_EQ(S_FALSE, LoadText("<timeline framerate=\"abc\"><widget/>"
                           "<group type=\"video\" previewmode=\"maybe\" sparkle=\"1\"><track>"
                           "<clip src=\"negative\" start=\"-5\" stop=\"1\"/>"
                           "<clip src=\"absurd\" start=\"0\" stop=\"99999999999999999999\"/>"
                           "<clip src=\"reversed\" start=\"5\" stop=\"1\"/>"
                           "<clip src=\"good\" start=\"1\" stop=\"2\" stream=\"-1\"><gadget/></clip>"
                           "<transition start=\"0\" stop=\"2\"/><transition start=\"1\" stop=\"3\"/>"
                           "</track>" + deep + "</group>"
                           "<group type=\"radio\"><track><clip src=\"kept\" stop=\"1\"/></track></group>"
                           "</timeline>"));
  ASSERT_EQ(2, GroupCount());
  std::wstring dump = DescribeTimeline(timeline.Get());
  EXPECT_NE(std::wstring::npos, dump.find(L"clip 'good'")) << dump;
  EXPECT_EQ(std::wstring::npos, dump.find(L"negative"));
  EXPECT_EQ(std::wstring::npos, dump.find(L"absurd"));
  EXPECT_EQ(std::wstring::npos, dump.find(L"reversed"));
  EXPECT_NE(std::wstring::npos, dump.find(L"transition cut=10000000 swap=0 cutsonly=0 '' locked=0 muted=0 id=0 "
                                          L"span=0-20000000"));
  EXPECT_EQ(std::wstring::npos, dump.find(L"span=10000000-30000000"));  // overlaps the first transition
  // A group whose type is unusable keeps what it holds, without a type.
  EXPECT_NE(std::wstring::npos, dump.find(L"type(0x00000000) {00000000-0000-0000-0000-000000000000}")) << dump;
  EXPECT_NE(std::wstring::npos, dump.find(L"clip 'kept'"));
  // widget, previewmode, clips negative/absurd/reversed, stream, gadget, overlap, depth, radio group, framerate.
  EXPECT_GE(errorLog.lines.size(), 11u);
  for (const std::wstring& line : errorLog.lines) EXPECT_EQ(0u, line.find(L"Project file: ")) << line.c_str();
}

TEST_F(ProjectFileTest, FailedSaveLeavesThePreviousFileUntouched) {
  BuildRichTimeline();
  std::wstring missing = folder.File(L"no such folder\\project.mvp");
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND), Save(timeline.Get(), missing));
  EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(missing.c_str()));
  EXPECT_EQ(std::vector<long>{DEX_IDS_DISK_WRITE_ERROR}, errorLog.codes);

  std::wstring locked = folder.File(L"locked.mvp");
  ASSERT_TRUE(WriteWholeFile(locked, "previous"));
  SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_READONLY);
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED), Save(timeline.Get(), locked));
  SetFileAttributesW(locked.c_str(), FILE_ATTRIBUTE_NORMAL);
  EXPECT_EQ("previous", ReadWholeFile(locked));
  EXPECT_FALSE(HasTemporaries(folder));

  ASSERT_EQ(S_OK, Save(timeline.Get(), locked));  // an existing writable file is replaced
  EXPECT_EQ(0u, ReadWholeFile(locked).find("<?xml"));
}

}  // namespace
