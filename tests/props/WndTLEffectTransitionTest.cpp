#include "WndTLEffectTransition.h"

#include <cstdlib>

#include "CheckBox.h"
#include "EditBox.h"
#include "FilterList.h"
#include "PropsTesting.h"
#include "TimeEdit.h"

namespace {

constexpr CLSID kAlphaFilter = {0x77777777, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};
constexpr CLSID kEchoFilter = {0x88888888, 0, 0, {1, 2, 3, 4, 5, 6, 7, 8}};

// Group "Video" with tracks V1 and V2, group "Audio" with A1; effects Blur
// and Alpha, transition Wipe, audio effect Echo.
class EffectWindowTest : public PropsWindowTest<WndTLEffectTransition> {
 protected:
  void SetUp() override {
    PropsWindowTest::SetUp();
    effectFilters[0].Append(L"Blur", kBlurFilter, nullptr);
    effectFilters[0].Append(L"Alpha", kAlphaFilter, nullptr);
    effectFilters[1].Append(L"Wipe", kWipeFilter, nullptr);
    effectFilters[2].Append(L"Echo", kEchoFilter, nullptr);
    AM_MEDIA_TYPE video = MakeVideoType(64, 48, 32), audio = MakeAudioType(44100);
    ComPtr<IAMTimelineObj> group = AddGroup(L"Video", &video);
    v1 = AddTrack(group.Get(), L"V1");
    v2 = AddTrack(group.Get(), L"V2");
    AddTrack(AddGroup(L"Audio", &audio).Get(), L"A1");
    ClearMediaType(&video);
    ClearMediaType(&audio);
  }
  void TearDown() override {
    v1 = v2 = ComPtr<IAMTimelineObj>();
    for (FilterList& list : effectFilters) list.Clear();
    PropsWindowTest::TearDown();
  }
  void Open(int kind, IAMTimelineObj* object, long group, long track) {
    window->SetKind(kind);
    window->SetObject(timeline.Get(), object, group, track);
  }
  static ComPtr<IAMTimelineObj> EffectAt(IAMTimelineObj* track, long index) {
    ComPtr<IAMTimelineObj> effect;
    ComPtr<IAMTimelineObj>(track).As<IAMTimelineEffectable>(IID_IAMTimelineEffectable)->GetEffect(effect.Receive(), index);
    return effect;
  }
  static long TransitionCount(IAMTimelineObj* track) {
    long count = 0;
    ComPtr<IAMTimelineObj>(track).As<IAMTimelineTransable>(IID_IAMTimelineTransable)->TransGetCount(&count);
    return count;
  }

  ComPtr<IAMTimelineObj> v1, v2;
};

TEST_F(EffectWindowTest, NewEffectIsCreatedOnTheChosenTrackOnOk) {
  Open(1, nullptr, -1, -1);
  // Rows top to bottom: labels 15 high, controls 20, gaps 4 (2 between the lists).
  EXPECT_EQ(80, window->NameField()->Top());
  EXPECT_EQ(138, window->StopField()->Top());
  EXPECT_EQ(window->StartField()->Left() + window->StartField()->Width(), window->StopField()->Left());
  EXPECT_EQ(201, window->Grid()->Top());
  EXPECT_EQ(window->NameField()->Width(), window->Grid()->Width());
  window->SetDefaultTimes(5000000);
  EXPECT_EQ(L"000:00:06,000000", Text(window->StopField()->Text()));
  EXPECT_EQ(L"Alpha", Selected(window->FilterChoice()));  // sorted
  EXPECT_EQ(0, window->Grid()->GetRowCount());
  Choose(window->FilterChoice(), window->FilterChoice()->FindString(L"Blur", -1, true));
  ASSERT_EQ(3, window->Grid()->GetRowCount());
  window->Grid()->SetCellText(1, 0, L"20", true);
  window->TrackChoice()->SetCurSel(1);
  window->NameField()->SetText(L"Glow");
  window->LockedBox()->SetCheck(BST_CHECKED);
  if (getenv("MORVIK_HOLD_MS")) {  // for a look at the window
    ShowWindow(window->Handle(), SW_SHOW);
    ShowFor(atoi(getenv("MORVIK_HOLD_MS")));
  }
  ASSERT_EQ(IDOK, Press(IDOK));

  EXPECT_FALSE(EffectAt(v1.Get(), 0));
  ComPtr<IAMTimelineObj> effect = EffectAt(v2.Get(), 0);
  ASSERT_TRUE(effect);
  EXPECT_EQ(L"Glow", NameOf(effect.Get()));
  BOOL locked = FALSE, muted = TRUE;
  effect->GetLocked(&locked);
  effect->GetMuted(&muted);
  EXPECT_TRUE(locked);
  EXPECT_FALSE(muted);
  REFERENCE_TIME start = 0, stop = 0;
  effect->GetStartStop(&start, &stop);
  EXPECT_EQ(50000000, start);
  EXPECT_EQ(60000000, stop);
  GUID filter = GUID_NULL;
  effect->GetSubObjectGUID(&filter);
  EXPECT_TRUE(IsEqualGUID(kBlurFilter, filter));
  Props props(effect.Get());
  ASSERT_EQ(3, props.count);
  EXPECT_EQ(std::wstring(L"20"), props.values[0].v.bstrVal);
}

TEST_F(EffectWindowTest, CancelWritesNothingAndEditingKeepsPlace) {
  ComPtr<IAMTimelineObj> first = AddEffect(v1.Get(), 0, 10000000);
  ComPtr<IAMTimelineObj> second = AddEffect(v1.Get(), 0, 10000000);
  SetName(first.Get(), L"Keep");
  first->SetSubObjectGUID(kBlurFilter);
  Open(1, first.Get(), 0, 0);
  EXPECT_EQ(L"Blur", Selected(window->FilterChoice()));
  EXPECT_EQ(3, window->Grid()->GetRowCount());
  window->NameField()->SetText(L"Changed");
  EXPECT_EQ(IDCANCEL, Press(IDCANCEL));
  EXPECT_EQ(L"Keep", NameOf(first.Get()));
  EXPECT_FALSE(Props(first.Get()).setter);

  // OK on the same track: not taken off and appended after the second effect.
  window->NameField()->SetText(L"");
  EXPECT_EQ(IDOK, Press(IDOK));
  EXPECT_EQ(first.Get(), EffectAt(v1.Get(), 0).Get());
  EXPECT_EQ(second.Get(), EffectAt(v1.Get(), 1).Get());
  EXPECT_EQ(L"", NameOf(first.Get()));
}

// The timeline control gives track -1 for an effect on a group.
TEST_F(EffectWindowTest, AnEffectOnTheGroupStaysThereOnOk) {
  ComPtr<IAMTimelineObj> group;
  timeline->GetGroup(group.Receive(), 0);
  ComPtr<IAMTimelineObj> effect = AddEffect(group.Get(), 0, 10000000);
  Open(1, effect.Get(), 0, -1);
  EXPECT_EQ(-1, window->TrackChoice()->GetCurSel());
  window->NameField()->SetText(L"Renamed");
  EXPECT_EQ(IDOK, Press(IDOK));
  EXPECT_EQ(effect.Get(), EffectAt(group.Get(), 0).Get());
  EXPECT_FALSE(EffectAt(v1.Get(), 0));
  EXPECT_EQ(L"Renamed", NameOf(effect.Get()));
}

TEST_F(EffectWindowTest, ChoosingAnotherTrackMovesATransition) {
  ComPtr<IAMTimelineObj> wipe = AddTransition(v1.Get(), 0, 10000000);
  wipe->SetSubObjectGUID(kWipeFilter);
  Open(1, wipe.Get(), 0, 0);  // the object decides the kind
  EXPECT_EQ(2, window->Kind());
  EXPECT_EQ(L"Progress", Text(window->Grid()->GetCellText(0, 0)));
  EXPECT_EQ(1, window->GroupChoice()->GetCount());  // video groups only
  window->TrackChoice()->SetCurSel(1);
  EXPECT_EQ(IDOK, Press(IDOK));
  EXPECT_EQ(0, TransitionCount(v1.Get()));
  EXPECT_EQ(1, TransitionCount(v2.Get()));
}

TEST_F(EffectWindowTest, ATrackThatRefusesTheTransitionLeavesItWhereItWas) {
  ComPtr<IAMTimelineObj> wipe = AddTransition(v1.Get(), 0, 10000000);
  AddTransition(v2.Get(), 5000000, 20000000);  // overlaps wipe's times
  Open(2, wipe.Get(), 0, 0);
  window->TrackChoice()->SetCurSel(1);
  // OK is refused and the window stays; the close box then writes nothing.
  PostMessageW(window->OkButton()->Handle(), BM_CLICK, 0, 0);
  PostMessageW(window->Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(0, window->ShowModal(false));
  EXPECT_EQ(1, TransitionCount(v1.Get()));
  EXPECT_EQ(1, TransitionCount(v2.Get()));
  IAMTimeline* owner = nullptr;
  EXPECT_EQ(S_OK, wipe->GetTimelineNoRef(&owner));  // still in the timeline

  // A new transition over an existing one is refused too, so every saved
  // project loads again; the same window, reused, must not keep the former
  // object's place and report a new one added that never was.
  Open(2, nullptr, -1, -1);
  window->SetDefaultTimes(0);
  EXPECT_EQ(IDCANCEL, Press(IDCANCEL, true));
  EXPECT_EQ(1, TransitionCount(v1.Get()));
}

TEST_F(EffectWindowTest, GroupChangeRefillsTracksAndFilters) {
  Open(1, nullptr, -1, -1);
  EXPECT_EQ(2, window->TrackChoice()->GetCount());
  Choose(window->GroupChoice(), 1);
  EXPECT_EQ((Names{L"A1"}), Entries(window->TrackChoice()));
  EXPECT_EQ((Names{L"Echo"}), Entries(window->FilterChoice()));
  EXPECT_TRUE(OkEnabled());
}

TEST_F(EffectWindowTest, EnterCannotBypassADisabledOk) {
  effectFilters[0].Clear();  // nothing to choose: OK stays disabled
  Open(1, nullptr, -1, -1);
  EXPECT_FALSE(OkEnabled());
  EXPECT_EQ(IDCANCEL, Press(IDCANCEL, true));
  EXPECT_FALSE(EffectAt(v1.Get(), 0));
}

}  // namespace
