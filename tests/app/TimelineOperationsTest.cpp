#include <gtest/gtest.h>

#include "ComboBox.h"
#include "DialogAnswerer.h"
#include "EngineTestSupport.h"
#include "TimelineOperations.h"
#include "Text.h"
#include "resource.h"

namespace {

class TimelineOperationsTest : public EngineTest {
 protected:
  ComPtr<IAMTimelineObj> Group(long index) {
    ComPtr<IAMTimelineObj> group;
    timeline->GetGroup(group.Receive(), index);
    return group;
  }
  long TrackCount(long group) {
    long count = -1;
    Group(group).As<IAMTimelineComp>(IID_IAMTimelineComp)->VTrackGetCount(&count);
    return count;
  }
};

// The group window's tests check the video sizes it makes; here the audio
// block and the indexes outside the table, which must never be read past.
TEST(GroupMediaType, FollowsTheFormatTable) {
  AM_MEDIA_TYPE type;
  ASSERT_EQ(0, BuildGroupMediaType({1, 0, 44100}, &type));
  auto* wave = reinterpret_cast<WAVEFORMATEX*>(type.pbFormat);
  EXPECT_EQ(18u, type.cbFormat);
  EXPECT_EQ(176400u, wave->nAvgBytesPerSec);
  EXPECT_EQ(4, wave->nBlockAlign);
  EXPECT_FALSE(type.bFixedSizeSamples);
  CoTaskMemFree(type.pbFormat);
  ASSERT_EQ(0, BuildGroupMediaType({0, 1, VideoSize(640, 480)}, &type));
  EXPECT_EQ(921600u, type.lSampleSize);
  CoTaskMemFree(type.pbFormat);
  for (GroupFormat outside : {GroupFormat{-1, 0, 1}, GroupFormat{2, 0, 1}, GroupFormat{1, 1, 1}}) {
    EXPECT_EQ(-1, BuildGroupMediaType(outside, &type));
  }
  EXPECT_STREQ(L"<unknown>", TimelineKindName(1));
  EXPECT_STREQ(L"<unknown>", TimelineKindName(0));
  EXPECT_STREQ(L"Transition", TimelineKindName(8));
}

// Reconfiguring a group is driven through the group window; here the new
// project's groups and a group handed back with its reference.
TEST_F(TimelineOperationsTest, NewProjectGroupsAndMadeGroups) {
  AddDefaultGroups(timeline.Get());
  long groups = 0;
  timeline->GetGroupCount(&groups);
  ASSERT_EQ(2, groups);
  EXPECT_EQ(L"Video group", NameOf(Group(0).Get()));
  EXPECT_EQ(std::make_pair(2L, 1L), std::make_pair(TrackCount(0), TrackCount(1)));
  EXPECT_EQ(MEDIATYPE_Audio, GetGroupMajorType(timeline.Get(), 1));
  EXPECT_EQ(GUID_NULL, GetGroupMajorType(timeline.Get(), 2));
  BOOL preview = FALSE;
  Group(0).As<IAMTimelineGroup>(IID_IAMTimelineGroup)->GetPreviewMode(&preview);
  EXPECT_TRUE(preview);
  IAMTimelineObj* made = nullptr;
  AddOrUpdateGroup(timeline.Get(), &made, {false, false, 3, L"Extra", {1, 0, 48000}});
  ASSERT_NE(nullptr, made);
  made->Release();
  EXPECT_EQ(3, TrackCount(2));
}

TEST_F(TimelineOperationsTest, ChoiceListsNameGroupsAndTracks) {
  AddDefaultGroups(timeline.Get());
  HWND parent = CreateWindowW(L"STATIC", L"", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
  ComboBox list(parent, GetModuleHandleW(nullptr));

  EXPECT_EQ(1, FillGroupChoices(timeline.Get(), list, MEDIATYPE_Audio));
  ASSERT_EQ(1, list.GetCount());
  EXPECT_EQ(1, list.GetItemData(0));
  EXPECT_EQ(2, FillGroupChoices(timeline.Get(), list, GUID_NULL));  // appends
  EXPECT_EQ(3, list.GetCount());

  EXPECT_EQ(2, FillTrackChoices(timeline.Get(), 0, list));
  ASSERT_EQ(2, list.GetCount());
  wchar_t* name = list.GetString(1);
  EXPECT_STREQ(L"Track_1", name);
  FreeText(name);
  EXPECT_EQ(-1, FillTrackChoices(timeline.Get(), 7, list));
  EXPECT_EQ(0, list.GetCount());
  list.Destroy(true);
  DestroyWindow(parent);
}

TEST_F(TimelineOperationsTest, DeletingAsksFirst) {
  AddDefaultGroups(timeline.Get());
  ComPtr<IAMTimelineObj> track;
  Group(0).As<IAMTimelineComp>(IID_IAMTimelineComp)->GetVTrack(track.Receive(), 1);
  AddSource(track.Get(), 0, 10);
  {
    DialogAnswerer answerer({{IDCANCEL, L""}});
    EXPECT_FALSE(DeleteTimelineObject(nullptr, TIMELINE_MAJOR_TYPE_TRACK, track.Get()));
    ASSERT_EQ(1u, answerer.Boxes().size());
    EXPECT_EQ(L"Delete selected Track from timeline?", answerer.Boxes()[0].text);
    EXPECT_EQ(L"Morvik", answerer.Boxes()[0].caption);
  }
  EXPECT_EQ(2, TrackCount(0));
  {
    DialogAnswerer answerer({{IDOK, L""}});
    EXPECT_TRUE(DeleteTimelineObject(nullptr, TIMELINE_MAJOR_TYPE_TRACK, track.Get()));
  }
  EXPECT_EQ(1, TrackCount(0));
  long sources = -1;
  track.As<IAMTimelineTrack>(IID_IAMTimelineTrack)->GetSourcesCount(&sources);
  EXPECT_EQ(0, sources);  // its contents went with it
}

}  // namespace
