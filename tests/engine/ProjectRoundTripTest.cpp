// Every timeline the engine accepts is saved and read back as it was.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "EffectIds.h"
#include "EngineFilters.h"
#include "EngineLimits.h"
#include "EngineTestSupport.h"
#include "TempFolder.h"
#include "TimelineDescription.h"
#include "VariantText.h"

namespace {

// Text a project must carry exactly: markup, white space at the ends and
// inside, characters XML cannot hold, non-ASCII, a pair and lone surrogates.
const std::wstring kAwkwardTexts[] = {
    L"",
    L"<tag attr=\"v\"> & 'apos' ]]>",
    L"  spaced  \t\n\r end ",
    L"Vid\u00e9o \u65e5\u672c\u8a9e \u2603 \U0001F3AC",
    std::wstring(L"bell\x07 esc\x1b nul-free\x01"),
    std::wstring(L"lone \xD800 high, lone \xDC00 low, \xFFFE\xFFFF"),
};

DEXTER_VALUE Value(VARTYPE type, REFERENCE_TIME time, DWORD interp) {
  DEXTER_VALUE value = {};
  value.v.vt = type;
  value.rt = time;
  value.dwInterp = interp;
  return value;
}

// One value of every type a project stores, at times that are not in order.
std::vector<DEXTER_VALUE> ValuesOfEveryType() {
  std::vector<DEXTER_VALUE> values;
  auto add = [&](VARTYPE type, REFERENCE_TIME time, DWORD interp) -> VARIANT& {
    values.push_back(Value(type, time, interp));
    return values.back().v;
  };
  add(VT_I1, 7, DEXTERF_JUMP).cVal = -5;
  add(VT_UI1, 0, DEXTERF_INTERPOLATE).bVal = 200;
  add(VT_I2, 3, DEXTERF_JUMP).iVal = -32768;
  add(VT_UI2, 3, DEXTERF_JUMP).uiVal = 65535;
  add(VT_I4, 11, DEXTERF_INTERPOLATE).lVal = LONG_MIN;
  add(VT_UI4, 12, DEXTERF_JUMP).ulVal = 0xFFFFFFFFu;
  add(VT_I8, 13, DEXTERF_JUMP).llVal = LLONG_MIN;
  add(VT_UI8, 14, DEXTERF_JUMP).ullVal = ULLONG_MAX;
  add(VT_INT, 15, DEXTERF_JUMP).intVal = -7;
  add(VT_UINT, 16, DEXTERF_JUMP).uintVal = 7;
  add(VT_R4, 17, DEXTERF_INTERPOLATE).fltVal = 0.1f;
  add(VT_R8, 18, DEXTERF_INTERPOLATE).dblVal = 0.1 + 0.2;
  add(VT_R8, 19, DEXTERF_JUMP).dblVal = -1e-300;
  add(VT_BOOL, 20, DEXTERF_JUMP).boolVal = VARIANT_TRUE;
  add(VT_BOOL, 21, DEXTERF_JUMP).boolVal = VARIANT_FALSE;
  add(VT_DATE, 22, DEXTERF_JUMP).date = 36526.123456789;
  add(VT_CY, 23, DEXTERF_JUMP).cyVal.int64 = -12345678901234LL;
  VARIANT& decimal = add(VT_DECIMAL, 24, DEXTERF_JUMP);
  decimal.decVal.scale = 10;
  decimal.decVal.sign = DECIMAL_NEG;
  decimal.decVal.Hi32 = 5;
  decimal.decVal.Lo64 = 123456789012345ULL;
  add(VT_EMPTY, 25, DEXTERF_JUMP);
  add(VT_NULL, 26, DEXTERF_JUMP);
  for (const std::wstring& text : kAwkwardTexts) {
    VARIANT& value = add(VT_BSTR, kLatestTime, DEXTERF_INTERPOLATE);
    value.bstrVal = SysAllocStringLen(text.data(), UINT(text.size()));
  }
  add(VT_BSTR, 28, DEXTERF_JUMP).bstrVal = SysAllocStringLen(L"zero\0inside", 11);
  return values;
}

class ProjectRoundTripTest : public EngineTest {
 public:
  using Build = void (ProjectRoundTripTest::*)();

  HRESULT Xml(IAMTimeline* target, const std::wstring& path, bool write) {
    ComPtr<IXml2Dex> xml;
    HRESULT hr = CoCreateInstance(CLSID_Xml2Dex, nullptr, CLSCTX_INPROC_SERVER, IID_IXml2Dex, xml.ReceiveVoid());
    if (FAILED(hr)) return hr;
    BSTR name = SysAllocString(path.c_str());
    hr = write ? xml->WriteXMLFile(target, name) : xml->ReadXMLFile(target, name);
    SysFreeString(name);
    return hr;
  }

  void NewTimeline() {
    timeline.Reset();
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_AMTimeline, nullptr, CLSCTX_INPROC_SERVER, IID_IAMTimeline,
                                     timeline.ReceiveVoid()));
  }

  ComPtr<IAMTimelineObj> AddVideoGroup(const wchar_t* name) {
    AM_MEDIA_TYPE type = MakeVideoType(320, 240, 32);
    ComPtr<IAMTimelineObj> group = AddGroup(name, &type);
    ClearMediaType(&type);
    return group;
  }

  ComPtr<IAMTimelineObj> AddComposite(IAMTimelineObj* parent, long priority = -1) {
    ComPtr<IAMTimelineObj> composite = NewNode(TIMELINE_MAJOR_TYPE_COMPOSITE);
    EXPECT_EQ(S_OK, ComPtr<IAMTimelineObj>(parent).As<IAMTimelineComp>(IID_IAMTimelineComp)
                        ->VTrackInsBefore(composite.Get(), priority));
    return composite;
  }

  void AddParam(IAMTimelineObj* object, const std::wstring& name, std::vector<DEXTER_VALUE> values,
                DISPID id = 0) {
    ComPtr<IPropertySetter> setter;
    if (object->GetPropertySetter(setter.Receive()) != S_OK) {
      ASSERT_EQ(S_OK, CoCreateInstance(CLSID_PropertySetter, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertySetter,
                                       setter.ReceiveVoid()));
      object->SetPropertySetter(setter.Get());
    }
    BSTR text = SysAllocStringLen(name.data(), UINT(name.size()));
    EXPECT_EQ(S_OK, setter->AddProp(DEXTER_PARAM{text, id, LONG(values.size())}, values.data())) << name.size();
    SysFreeString(text);
    for (DEXTER_VALUE& value : values) VariantClear(&value.v);
  }

  ComPtr<IAMTimelineSrc> SourceOf(IAMTimelineObj* clip) {
    return ComPtr<IAMTimelineObj>(clip).As<IAMTimelineSrc>(IID_IAMTimelineSrc);
  }

  // --- The timelines ---

  void Nothing() {}

  void TypelessGroup() {
    ComPtr<IAMTimelineObj> group = NewNode(TIMELINE_MAJOR_TYPE_GROUP);
    SetName(group.Get(), L"No type yet");
    ASSERT_EQ(S_OK, timeline->AddGroup(group.Get()));
    AddSource(AddTrack(group.Get(), L"Kept").Get(), 0, 10000000, L"kept.avi");
    AddVideoGroup(L"Typed after it");
  }

  void EmptyGroupsTracksAndComposites() {
    AddVideoGroup(L"Nothing inside");
    AM_MEDIA_TYPE audio = MakeAudioType(48000);
    ComPtr<IAMTimelineObj> group = AddGroup(L"Empty layers", &audio);
    ClearMediaType(&audio);
    AddTrack(group.Get(), L"Empty track");
    AddComposite(group.Get());
    AddTrack(AddComposite(group.Get()).Get(), L"Empty inner track");
  }

  // Layers inserted out of order; effects and transitions at every level.
  void NestedCompositions() {
    ComPtr<IAMTimelineObj> group = AddVideoGroup(L"Nest");
    ComPtr<IAMTimelineObj> outer = AddComposite(group.Get());
    ComPtr<IAMTimelineObj> inner = AddComposite(outer.Get());
    AddSource(AddTrack(inner.Get(), L"Deep").Get(), 5, 50);
    AddTrack(outer.Get(), L"Beside");
    AddSource(AddTrack(group.Get(), L"Last").Get(), 0, 7);
    ComPtr<IAMTimelineObj> first = NewNode(TIMELINE_MAJOR_TYPE_TRACK);
    SetName(first.Get(), L"Inserted first");
    ASSERT_EQ(S_OK, group.As<IAMTimelineComp>(IID_IAMTimelineComp)->VTrackInsBefore(first.Get(), 0));
    for (IAMTimelineObj* parent : {group.Get(), outer.Get(), inner.Get()}) {
      AddEffect(parent, 1, 2);
      AddEffect(parent, 0, 9);
      AddTransition(parent, 3, 4);
      AddTransition(parent, 0, 3);
    }
  }

  // The engine's deepest tree: compositions down to an effect on a source.
  void DeepestNesting() {
    ComPtr<IAMTimelineObj> layer = AddVideoGroup(L"Deep");
    for (long depth = 1; depth <= kMaxEmbedDepth - 3; ++depth) layer = AddComposite(layer.Get());
    ComPtr<IAMTimelineObj> clip = AddSource(AddTrack(layer.Get(), L"Bottom").Get(), 0, 1);
    ComPtr<IAMTimelineObj> effect = AddEffect(clip.Get(), 0, 1);
    AddParam(effect.Get(), L"Level", ValuesOfEveryType());
    long depth = 0;
    effect->GetEmbedDepth(&depth);
    EXPECT_EQ(kMaxEmbedDepth, depth);
  }

  void ParametersOfEveryTypeAndInterpolation() {
    ComPtr<IAMTimelineObj> track = AddTrack(AddVideoGroup(L"Params").Get(), L"T");
    ComPtr<IAMTimelineObj> effect = AddEffect(track.Get(), 0, 100);
    AddParam(effect.Get(), L"Everything", ValuesOfEveryType(), 42);
    AddParam(effect.Get(), L"Late start", {Value(VT_R8, 9, DEXTERF_INTERPOLATE), Value(VT_I4, 9, DEXTERF_JUMP)});
    std::vector<DEXTER_VALUE> first = {Value(VT_BSTR, 0, DEXTERF_JUMP), Value(VT_BSTR, 0, DEXTERF_JUMP)};
    first[0].v.bstrVal = SysAllocString(L"at zero");
    first[1].v.bstrVal = SysAllocString(L"also at zero");
    AddParam(effect.Get(), L"Two at zero", first, -1);
    for (const std::wstring& name : kAwkwardTexts) {
      if (!name.empty()) AddParam(AddEffect(track.Get(), 1, 2).Get(), name, {Value(VT_I4, 0, DEXTERF_JUMP)});
    }
    ComPtr<IAMTimelineObj> wipe = AddTransition(track.Get(), 0, 100);
    AddParam(wipe.Get(), L"Progress", ValuesOfEveryType());
    AddParam(AddSource(track.Get(), 0, 5).Get(), L"Volume", {Value(VT_R4, 1, DEXTERF_INTERPOLATE)});
    AddParam(track.Get(), L"On a track", {Value(VT_BOOL, 0, DEXTERF_JUMP)});
  }

  // Every flag, id and user data on every kind of object.
  void FlagsIdsAndUserData() {
    ComPtr<IAMTimelineObj> group = AddVideoGroup(L"Flags");
    ComPtr<IAMTimelineObj> composite = AddComposite(group.Get());
    ComPtr<IAMTimelineObj> track = AddTrack(composite.Get(), L"T");
    ComPtr<IAMTimelineObj> objects[] = {group, composite, track, AddSource(track.Get(), 1, 2),
                                        AddEffect(track.Get(), 0, 5), AddTransition(track.Get(), 0, 5)};
    std::vector<BYTE> data(3000);
    for (size_t i = 0; i < data.size(); ++i) data[i] = BYTE(i * 7);
    long ids[] = {LONG_MIN, LONG_MAX, -1, 1, 0, 99};
    for (int i = 0; i < 6; ++i) {
      objects[i]->SetLocked(i & 1);
      objects[i]->SetMuted(i & 2);
      objects[i]->SetUserID(ids[i]);
      objects[i]->SetUserData(data.data(), long(i * 600));
      objects[i]->SetSubObjectGUID(GUID{0x12345678u + i, 0x9abc, 0xdef0, {1, 2, 3, 4, 5, 6, 7, BYTE(i)}});
    }
    // Classes the engine has, as others are reported.
    objects[3]->SetSubObjectGUID(CLSID_EngineMediaSource);
    objects[4]->SetSubObjectGUID(CLSID_EngineBlur);
    objects[5]->SetSubObjectGUID(CLSID_EngineWipe);
  }

  void SourceSettings() {
    ComPtr<IAMTimelineObj> track = AddTrack(AddVideoGroup(L"Sources").Get(), L"T");
    const double rates[] = {0, 29.97, 30000.0 / 1001, 1e-9, kHighestFrameRate, 1.0 / 3};
    const long streams[] = {0, 1, LONG_MAX, 5, 2, 3};
    for (int i = 0; i < 6; ++i) {
      ComPtr<IAMTimelineObj> clip = AddSource(track.Get(), 3 * i, 3 * i + 7, kAwkwardTexts[i].c_str());
      auto source = SourceOf(clip.Get());
      EXPECT_EQ(S_OK, source->SetStretchMode(i % 4));
      EXPECT_EQ(S_OK, source->SetDefaultFPS(rates[i]));
      EXPECT_EQ(S_OK, source->SetStreamNumber(streams[i]));
      EXPECT_EQ(S_OK, source->SetMediaTimes(i * 1234567, i * 7654321 + 1));
      EXPECT_EQ(S_OK, source->SetMediaLength(i == 5 ? kLatestTime : i * 99999));
    }
    AddSource(track.Get(), 1, 1, L"empty");
    AddSource(track.Get(), 3, 10, L"same times, added first");
    AddSource(track.Get(), 3, 10, L"same times, added second");
    ComPtr<IAMTimelineObj> latest = AddSource(track.Get(), kLatestTime - 1, kLatestTime, L"latest");
    EXPECT_EQ(S_OK, SourceOf(latest.Get())->SetMediaTimes(kLatestTime, kLatestTime));
  }

  void Names() {
    for (const std::wstring& name : kAwkwardTexts) {
      ComPtr<IAMTimelineObj> group = AddVideoGroup(name.c_str());
      ComPtr<IAMTimelineObj> track = AddTrack(group.Get(), name.c_str());
      ComPtr<IAMTimelineObj> clip = AddSource(track.Get(), 0, 1, name.c_str());
      SetName(clip.Get(), name.c_str());
      SetName(AddEffect(clip.Get(), 0, 1).Get(), name.c_str());
      SetName(AddTransition(track.Get(), 0, 1).Get(), name.c_str());
    }
  }

  void TimelineAndGroupSettings() {
    timeline->SetDefaultFPS(30000.0 / 1001);
    timeline->EnableEffects(FALSE);
    timeline->EnableTransitions(FALSE);
    timeline->SetInsertMode(TIMELINE_INSERT_MODE_INSERT);
    GUID effect = CLSID_EngineGrayscale, transition = CLSID_EngineSlide;
    timeline->SetDefaultEffect(&effect);
    timeline->SetDefaultTransition(&transition);
    const double rates[] = {1e-9, 1.0 / 3, kHighestFrameRate};
    for (double rate : rates) {
      auto group = AddVideoGroup(L"Rate").As<IAMTimelineGroup>(IID_IAMTimelineGroup);
      EXPECT_EQ(S_OK, group->SetOutputFPS(rate));
      EXPECT_EQ(S_OK, group->SetPreviewMode(rate > 1));
      EXPECT_EQ(S_OK, group->SetOutputBuffering(rate > 1 ? 1 : 1000));
    }
    AM_MEDIA_TYPE audio = MakeAudioType(8000);
    AddGroup(L"Audio", &audio);
    ClearMediaType(&audio);
  }

  void Transitions() {
    ComPtr<IAMTimelineObj> track = AddTrack(AddVideoGroup(L"Transitions").Get(), L"T");
    const REFERENCE_TIME cuts[] = {0, 1, 999, kLatestTime};
    for (int i = 0; i < 4; ++i) {
      auto transition = AddTransition(track.Get(), i * 10, i * 10 + 10).As<IAMTimelineTrans>(IID_IAMTimelineTrans);
      EXPECT_EQ(S_OK, transition->SetCutPoint(cuts[i]));
      EXPECT_EQ(S_OK, transition->SetSwapInputs(i & 1));
      EXPECT_EQ(S_OK, transition->SetCutsOnly(i & 2));
    }
    AddTransition(track.Get(), 40, 41);
    AddTransition(track.Get(), kLatestTime - 1, kLatestTime);
  }

  TempFolder folder;
};

TEST_F(ProjectRoundTripTest, EveryTimelineTheEngineTakesReadsBackAsItWasAndWritesTheSameBytes) {
  struct Case {
    const char* what;
    Build build;
  } cases[] = {
      {"nothing at all", &ProjectRoundTripTest::Nothing},
      {"typeless group", &ProjectRoundTripTest::TypelessGroup},
      {"empty groups, tracks and composites", &ProjectRoundTripTest::EmptyGroupsTracksAndComposites},
      {"nested compositions", &ProjectRoundTripTest::NestedCompositions},
      {"deepest nesting", &ProjectRoundTripTest::DeepestNesting},
      {"parameters", &ProjectRoundTripTest::ParametersOfEveryTypeAndInterpolation},
      {"flags, ids and user data", &ProjectRoundTripTest::FlagsIdsAndUserData},
      {"source settings", &ProjectRoundTripTest::SourceSettings},
      {"names", &ProjectRoundTripTest::Names},
      {"timeline and group settings", &ProjectRoundTripTest::TimelineAndGroupSettings},
      {"transitions", &ProjectRoundTripTest::Transitions},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    NewTimeline();
    (this->*c.build)();
    std::wstring first = folder.File(L"first.mvp"), second = folder.File(L"second.mvp");
    ASSERT_EQ(S_OK, Xml(timeline.Get(), first, true));
    ComPtr<IAMTimeline> copy;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_AMTimeline, nullptr, CLSCTX_INPROC_SERVER, IID_IAMTimeline,
                                     copy.ReceiveVoid()));
    copy.As<IAMSetErrorLog>(IID_IAMSetErrorLog)->put_ErrorLog(&errorLog);
    ASSERT_EQ(S_OK, Xml(copy.Get(), first, false));
    EXPECT_EQ(DescribeTimeline(timeline.Get()), DescribeTimeline(copy.Get()));
    ASSERT_EQ(S_OK, Xml(copy.Get(), second, true));
    EXPECT_EQ(ReadWholeFile(first), ReadWholeFile(second));
    for (const std::wstring& line : errorLog.lines) ADD_FAILURE() << std::string(line.begin(), line.end());
    errorLog.lines.clear();
  }
}

TEST_F(ProjectRoundTripTest, RefusesWhatAProjectCannotHold) {
  ComPtr<IAMTimelineObj> group = AddVideoGroup(L"Limits");
  ComPtr<IAMTimelineObj> track = AddTrack(group.Get(), L"T");
  ComPtr<IAMTimelineObj> clip = AddSource(track.Get(), 0, kLatestTime - 10);
  auto source = SourceOf(clip.Get());
  auto transition = AddTransition(track.Get(), 0, 1).As<IAMTimelineTrans>(IID_IAMTimelineTrans);
  ComPtr<IAMTimelineObj> layers[kMaxEmbedDepth + 1] = {group};
  for (long depth = 1; depth <= kMaxEmbedDepth; ++depth) layers[depth] = AddComposite(layers[depth - 1].Get());
  auto insertInto = [&](long depth, IAMTimelineObj* layer) {
    return layers[depth].As<IAMTimelineComp>(IID_IAMTimelineComp)->VTrackInsBefore(layer, -1);
  };
  ComPtr<IAMTimelineObj> chain = NewNode(TIMELINE_MAJOR_TYPE_COMPOSITE);
  AddTrack(AddComposite(chain.Get()).Get(), L"two levels down");
  ComPtr<IPropertySetter> setter;
  ASSERT_EQ(S_OK, CoCreateInstance(CLSID_PropertySetter, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertySetter,
                                   setter.ReceiveVoid()));
  auto addValue = [&](DEXTER_VALUE value) {
    BSTR name = SysAllocString(L"p");
    HRESULT hr = setter->AddProp(DEXTER_PARAM{name, 0, 1}, &value);
    SysFreeString(name);
    return hr;
  };
  struct Case {
    const char* what;
    HRESULT expected;
    std::function<HRESULT()> call;
  } cases[] = {
      {"stop past the latest time", E_INVALIDARG, [&] { return clip->SetStartStop(0, kLatestTime + 1); }},
      {"media stop past it", E_INVALIDARG, [&] { return source->SetMediaTimes(0, kLatestTime + 1); }},
      {"media length past it", E_INVALIDARG, [&] { return source->SetMediaLength(kLatestTime + 1); }},
      {"cut point past it", E_INVALIDARG, [&] { return transition->SetCutPoint(kLatestTime + 1); }},
      {"sources moved past it", E_INVALIDARG,
       [&] { return track.As<IAMTimelineTrack>(IID_IAMTimelineTrack)->MoveEverythingBy(0, 11); }},
      {"sources moved by more than it", E_INVALIDARG,
       [&] { return track.As<IAMTimelineTrack>(IID_IAMTimelineTrack)->MoveEverythingBy(0, LLONG_MIN); }},
      {"value past it", E_INVALIDARG, [&] { return addValue(Value(VT_I4, kLatestTime + 1, DEXTERF_JUMP)); }},
      {"value without a text form", DISP_E_BADVARTYPE,
       [&] { return addValue(Value(VT_UNKNOWN, 0, DEXTERF_JUMP)); }},
      {"value not a number", E_INVALIDARG,
       [&] {
         DEXTER_VALUE value = Value(VT_R8, 0, DEXTERF_JUMP);
         value.v.dblVal = std::nan("");
         return addValue(value);
       }},
      {"decimal of no valid scale", E_INVALIDARG,
       [&] {
         DEXTER_VALUE value = Value(VT_DECIMAL, 0, DEXTERF_JUMP);
         value.v.decVal.scale = kLargestDecimalScale + 1;
         return addValue(value);
       }},
      {"media type with a format block too large", VFW_E_INVALIDMEDIATYPE,
       [&] {
         AM_MEDIA_TYPE type = MakeVideoType(8, 8, 24);
         type.pbFormat = static_cast<BYTE*>(CoTaskMemRealloc(type.pbFormat, kLargestGroupFormat + 1));
         type.cbFormat = kLargestGroupFormat + 1;
         HRESULT hr = group.As<IAMTimelineGroup>(IID_IAMTimelineGroup)->SetMediaType(&type);
         ClearMediaType(&type);
         return hr;
       }},
      {"timeline rate", E_INVALIDARG, [&] { return timeline->SetDefaultFPS(kHighestFrameRate * 2); }},
      {"group rate", E_INVALIDARG,
       [&] { return group.As<IAMTimelineGroup>(IID_IAMTimelineGroup)->SetOutputFPS(kHighestFrameRate * 2); }},
      {"source rate", E_INVALIDARG, [&] { return source->SetDefaultFPS(kHighestFrameRate * 2); }},
      {"a layer below the deepest", E_INVALIDARG,
       [&] { return insertInto(kMaxEmbedDepth, NewNode(TIMELINE_MAJOR_TYPE_TRACK).Get()); }},
      {"a tree reaching too deep", E_INVALIDARG, [&] { return insertInto(kMaxEmbedDepth - 2, chain.Get()); }},
      {"a tree as deep as it fits", S_OK, [&] { return insertInto(kMaxEmbedDepth - 3, chain.Get()); }},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, c.call()) << c.what;
}

// Unset, a group's rate follows the timeline's and a cut point stays in the
// middle of its transition; reading a project keeps them so.
TEST_F(ProjectRoundTripTest, DefaultsKeepFollowingAfterReading) {
  timeline->SetDefaultFPS(25);
  ComPtr<IAMTimelineObj> group = AddVideoGroup(L"Follows");
  AddTransition(AddTrack(group.Get(), L"T").Get(), 0, 100);
  std::wstring path = folder.File(L"defaults.mvp");
  ASSERT_EQ(S_OK, Xml(timeline.Get(), path, true));
  NewTimeline();
  ASSERT_EQ(S_OK, Xml(timeline.Get(), path, false));
  ASSERT_EQ(S_OK, timeline->SetDefaultFPS(50));
  ComPtr<IAMTimelineObj> read;
  ASSERT_EQ(S_OK, timeline->GetGroup(read.Receive(), 0));
  double fps = 0;
  read.As<IAMTimelineGroup>(IID_IAMTimelineGroup)->GetOutputFPS(&fps);
  EXPECT_EQ(50, fps);
  ComPtr<IAMTimelineObj> transition;
  REFERENCE_TIME time = 0;
  ComPtr<IAMTimelineObj> track;
  read.As<IAMTimelineComp>(IID_IAMTimelineComp)->GetVTrack(track.Receive(), 0);
  ASSERT_EQ(S_OK, track.As<IAMTimelineTransable>(IID_IAMTimelineTransable)->GetNextTrans(transition.Receive(), &time));
  ASSERT_EQ(S_OK, transition->SetStartStop(0, 200));
  REFERENCE_TIME cut = 0;
  transition.As<IAMTimelineTrans>(IID_IAMTimelineTrans)->GetCutPoint(&cut);
  EXPECT_EQ(100, cut);
}

}  // namespace
