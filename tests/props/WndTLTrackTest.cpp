#include "WndTLTrack.h"

#include "CheckBox.h"
#include "EditBox.h"
#include "PropsTesting.h"

namespace {

// Group A (video) with tracks A0, A1 and group B (audio) with track B0.
class TrackWindow : public PropsWindowTest<WndTLTrack> {
 protected:
  void AddGroups() {
    AM_MEDIA_TYPE video = MakeVideoType(640, 480, 16), audio = MakeAudioType(44100);
    groupA = AddGroup(L"A", &video);
    groupB = AddGroup(L"B", &audio);
    ClearMediaType(&video);
    ClearMediaType(&audio);
    a0 = AddTrack(groupA.Get(), L"A0");
    AddTrack(groupA.Get(), L"A1");
    AddTrack(groupB.Get(), L"B0");
  }
  void TearDown() override {
    groupA = groupB = a0 = ComPtr<IAMTimelineObj>();
    PropsWindowTest::TearDown();
  }

  ComPtr<IAMTimelineObj> groupA, groupB, a0;
};

}  // namespace

TEST_F(TrackWindow, NewTrackProposalFollowsTheGroupAndGoesWhereChosen) {
  AddGroups();
  window->SetObject(timeline.Get(), nullptr, -1, -1);
  EXPECT_EQ(L"New timeline track", TextOf(window));
  EXPECT_EQ((Names{L"A", L"B"}), Entries(window->GroupList()));
  EXPECT_EQ((Names{L"0", L"1", L"2"}), Entries(window->LevelList()));
  EXPECT_EQ(L"Track_2", TextOf(window->NameField()));
  EXPECT_TRUE(OkEnabled());
  EXPECT_EQ(19, window->GroupList()->Top());
  EXPECT_EQ(43, window->LevelList()->Top());
  EXPECT_EQ(82, window->NameField()->Top());
  EXPECT_GT(window->OkButton()->Top(), window->MutedBox()->Top() + window->MutedBox()->Height());
  Choose(window->GroupList(), 1);
  EXPECT_EQ((Names{L"0", L"1"}), Entries(window->LevelList()));
  EXPECT_EQ(L"Track_1", TextOf(window->NameField()));
  window->NameField()->SetText(L"Mine");  // raises EN_CHANGE, as typing does
  Choose(window->GroupList(), 0);
  EXPECT_EQ(L"Mine", TextOf(window->NameField()));
  ASSERT_NE(-1, Close(IDOK));  // no level chosen: last
  window->SetObject(timeline.Get(), nullptr, -1, -1);
  window->LevelList()->SetCurSel(0);
  window->NameField()->SetText(L"First");
  ASSERT_NE(-1, Close(IDOK));
  EXPECT_EQ((Names{L"First", L"A0", L"A1", L"Mine"}), TrackNames(groupA.Get()));
}

TEST_F(TrackWindow, ExistingTrackSwapsLevelsWithinItsGroup) {
  AddGroups();
  AddTrack(groupA.Get(), L"A2");
  window->SetObject(timeline.Get(), a0.Get(), 0, 0);
  EXPECT_EQ(L"Timeline track", TextOf(window));
  EXPECT_EQ(3, window->LevelList()->GetCount());  // no level past the last
  EXPECT_EQ(0, window->LevelList()->GetCurSel());
  EXPECT_EQ(L"A0", TextOf(window->NameField()));
  window->LevelList()->SetCurSel(2);
  window->NameField()->SetText(L"Moved");
  window->MutedBox()->SetCheck(BST_CHECKED);
  ASSERT_NE(-1, Close(IDOK));
  EXPECT_EQ((Names{L"A2", L"A1", L"Moved"}), TrackNames(groupA.Get()));
  BOOL muted = FALSE;
  a0->GetMuted(&muted);
  EXPECT_TRUE(muted);
}

TEST_F(TrackWindow, ExistingTrackMovesToAnotherGroup) {
  AddGroups();
  AddTrack(groupB.Get(), L"B1");
  window->SetObject(timeline.Get(), a0.Get(), 0, 0);
  Choose(window->GroupList(), 1);
  window->LevelList()->SetCurSel(1);
  ASSERT_NE(-1, Close(IDOK));
  EXPECT_EQ((Names{L"A1"}), TrackNames(groupA.Get()));
  EXPECT_EQ((Names{L"B0", L"A0", L"B1"}), TrackNames(groupB.Get()));
  EXPECT_EQ(1, window->InitialGroup());
  EXPECT_EQ(1, window->InitialTrack());
}

// Choosing the group again empties the level list: no level means no swap.
TEST_F(TrackWindow, CancelOrNoLevelKeepsTheOrder) {
  AddGroups();
  window->SetObject(timeline.Get(), a0.Get(), 0, 0);
  window->NameField()->SetText(L"Other");
  Choose(window->GroupList(), 1);
  EXPECT_NE(-1, Close(IDCANCEL));
  EXPECT_EQ((Names{L"A0", L"A1"}), TrackNames(groupA.Get()));
  EXPECT_EQ((Names{L"B0"}), TrackNames(groupB.Get()));
  Choose(window->GroupList(), 0);
  ASSERT_NE(-1, Close(IDOK));
  EXPECT_EQ((Names{L"Other", L"A1"}), TrackNames(groupA.Get()));
  EXPECT_EQ(0, window->InitialTrack());
}

// Enter reaches OK even while the button is disabled; without a group nothing is made.
TEST_F(TrackWindow, WithoutGroupsOnlyCancelCloses) {
  window->SetObject(timeline.Get(), nullptr, -1, -1);
  EXPECT_FALSE(OkEnabled());
  EXPECT_EQ(IDCANCEL, Press(IDCANCEL, true));
  EXPECT_EQ(0, GroupCount());
}
