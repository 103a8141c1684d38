#include <gtest/gtest.h>

#include <wincodec.h>

#include <cmath>

#include "RiffBytes.h"
#include "TempFolder.h"
#include "TimeLinePainter.h"
#include "TimeLineText.h"
#include "TimeLineTesting.h"

// From the engine tests' media makers (whose header clashes with the window
// helpers' names).
std::string RedOverBlue(const GUID& container, UINT width, UINT height);
std::vector<INT16> Sine(DWORD frames, WORD channels, DWORD rate, double amplitude);

namespace {

COLORREF Box() { return GetSysColor(COLOR_BTNHIGHLIGHT); }

AM_MEDIA_TYPE VideoType() { return MakeVideoType(320, 240, 24); }

}  // namespace

// A video group with its own effect G (0-10 s) and transition H (10-20 s),
// track 0 "Plain" and track 1, a composition "Comp" holding "Inner0" (source
// N, 2-6 s) and "Inner1". Top down: the group's row y 20..52, Comp 53,
// Inner1 137, Inner0 221, Plain 305.
class NestedTimeLineTest : public TimeLineTest {
 protected:
  void BuildNested() {
    AM_MEDIA_TYPE type = VideoType();
    group = AddGroup(L"Video", &type);
    ClearMediaType(&type);
    plain = AddTrack(group.Get(), L"Plain");
    comp = NewNode(TIMELINE_MAJOR_TYPE_COMPOSITE);
    SetName(comp.Get(), L"Comp");
    EXPECT_EQ(S_OK, group.As<IAMTimelineComp>(IID_IAMTimelineComp)->VTrackInsBefore(comp.Get(), -1));
    inner0 = AddTrack(comp.Get(), L"Inner0");
    inner1 = AddTrack(comp.Get(), L"Inner1");
    nested = AddSource(inner0.Get(), 2 * kSecond, 6 * kSecond);
    SetName(nested.Get(), L"N");
    groupEffect = AddEffect(group.Get(), 0, 10 * kSecond);
    groupTransition = AddTransition(group.Get(), 10 * kSecond, 20 * kSecond);
    control->SetTimeline(timeline.Get());
    control->Refresh(true);
  }
  void TearDown() override {
    for (auto* node : {&group, &plain, &comp, &inner0, &inner1, &nested, &groupEffect, &groupTransition}) node->Reset();
    TimeLineTest::TearDown();
  }

  ComPtr<IAMTimelineObj> group, plain, comp, inner0, inner1, nested, groupEffect, groupTransition;
};

TEST_F(NestedTimeLineTest, NestedTracksAndGroupObjectsAreLaidOutHitAndLocated) {
  BuildNested();
  const TLGroupItem* item = control->Group(0);
  ASSERT_TRUE(item);
  EXPECT_EQ(33 + 4 * 84, item->height);
  EXPECT_EQ(8, control->ForEachItem(kItemAll, [](TimeLineModel*, TLItem*, void*) { return 1; }, nullptr));

  struct Case {
    int x, y;
    IAMTimelineObj* expected;
    int group, track;
  } cases[] = {
      {50, 25, groupEffect.Get(), 0, -1},     {70, 45, groupTransition.Get(), 0, -1},
      {150, 25, group.Get(), 0, -1},          {50, 90, comp.Get(), 0, 1},
      {50, 170, inner1.Get(), 0, -1},          {48, 260, nested.Get(), 0, 1},
      {100, 260, inner0.Get(), 0, -1},         {100, 330, plain.Get(), 0, 0},
      {10, 260, group.Get(), 0, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    TLItem* hit = control->HitTest(c.x, c.y);
    ASSERT_TRUE(hit);
    EXPECT_EQ(c.expected, hit->object);
    int g = -2, t = -2;
    control->LocateItem(hit, &g, &t);
    EXPECT_EQ(c.group, g);
    EXPECT_EQ(c.track, t);
  }
}

TEST_F(NestedTimeLineTest, NestedAndGroupBoxesAreDrawn) {
  BuildNested();
  EXPECT_EQ(Box(), PixelAt(48, 260));  // N, 2-6 s: x 44..52
  EXPECT_EQ(Box(), PixelAt(50, 30));   // G
  EXPECT_EQ(Box(), PixelAt(70, 45));   // H
  EXPECT_NE(Box(), PixelAt(48, 170));  // nothing in Inner1
  Press(WM_LBUTTONDOWN, 50, 25);
  EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), PixelAt(59, 30));  // G selected in the group's row
}

TEST_F(NestedTimeLineTest, HeaderTipNamesGroupAndTrackPath) {
  BuildNested();
  struct Case {
    int x, y;
    const wchar_t* tip;
  } cases[] = {
      {30, 25, L"Group \"Video\": its own effects and transitions"},
      {30, 260, L"Group \"Video\" / track 1 \"Comp\" / track 0 \"Inner0\""},
      {5, 90, L"Group \"Video\" / track 1 \"Comp\""},
      {30, 330, L"Group \"Video\" / track 0 \"Plain\""},
      {50, 260, L""},
      {30, 10, L""},
  };
  for (const Case& c : cases) EXPECT_EQ(std::wstring(c.tip), control->HeaderTip(c.x, c.y)) << c.x << "," << c.y;
  EXPECT_TRUE(IsWindow(control->Tooltip()));
}

// A source moves between a composition's tracks and out to the group's own
// track, keeping its times below a microsecond; a composition holds no
// sources. While it is dragged a framed box shows where it would land.
TEST_F(NestedTimeLineTest, SourcesMoveBetweenNestedTracks) {
  BuildNested();
  nested->SetStartStop(2 * kSecond + 3, 6 * kSecond + 3);
  control->Refresh(true);
  Press(WM_LBUTTONDOWN, 300, 5);  // the cursor out of snapping reach
  DragMouse(48, 260, 50, 170, false);  // a second later, to Inner1
  EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), PixelAt(46, 160));  // in Inner1's sources row
  SendMessageW(control->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(50, 170));
  EXPECT_EQ(inner1.Get(), TrackHolding(nested.Get()));
  const std::wstring before = ProjectText(timeline.Get());
  DragMouse(50, 170, 50, 90);  // onto Comp
  EXPECT_EQ(before, ProjectText(timeline.Get()));
  DragMouse(50, 170, 50, 340);
  EXPECT_EQ(plain.Get(), TrackHolding(nested.Get()));
  REFERENCE_TIME start = 0, stop = 0;
  nested->GetStartStop(&start, &stop);
  EXPECT_EQ(std::make_pair(3 * kSecond + 3, 7 * kSecond + 3), std::make_pair(start, stop));
}

TEST_F(TimeLineTest, DescribeItemGivesKindNameAndTimes) {
  BuildProject();
  EXPECT_EQ(L"Source \"A\": 00:00:10,000000 to 00:00:20,000000, length 00:00:10,000000",
            DescribeItem(ItemOf(sourceA.Get())));
  EXPECT_EQ(L"Source \"clip3.avi\": 00:00:05,000000 to 00:00:08,000000, length 00:00:03,000000",
            DescribeItem(ItemOf(sourceC.Get())));
  EXPECT_EQ(L"Track \"T1\"", DescribeItem(ItemOf(track1.Get())));
  EXPECT_EQ(L"Group \"Video\"", DescribeItem(ItemOf(video.Get())));
  EXPECT_EQ(L"", DescribeItem(nullptr));
}

TEST_F(TimeLineTest, ZoomToFitShowsTheWholeProject) {
  const REFERENCE_TIME lengths[] = {kSecond, 36000 * kSecond};
  for (REFERENCE_TIME length : lengths) {
    SCOPED_TRACE(length);
    AM_MEDIA_TYPE type = VideoType();
    ComPtr<IAMTimelineObj> group = AddGroup(L"G", &type);
    ClearMediaType(&type);
    ComPtr<IAMTimelineObj> source = AddSource(AddTrack(group.Get(), L"T").Get(), 0, length);
    control->SetTimeline(timeline.Get());
    control->Refresh(true);
    control->ScrollBy(length / 20, 0);
    control->ZoomToFit();
    EXPECT_EQ(0, control->LeftTime());
    int64_t end = control->XOfTime(length / 10);
    EXPECT_LE(end, control->ClientWidth() - 8);
    EXPECT_GT(end, control->ClientWidth() - 12);
    EXPECT_FALSE(BarShown(WS_HSCROLL));
    EXPECT_EQ(source.Get(), control->HitTest(static_cast<int>(end) - 1, 60)->object);
    timeline->ClearAllGroups();
  }
}

// + and - keep the time cursor in place, also while the 40 s project is
// narrower than the view (160 and 320 pixels wide), where the bar stays so
// the view can be scrolled back; the wheel keeps the time under the mouse.
TEST_F(TimeLineTest, ZoomKeepsItsAnchorInPlace) {
  BuildProject();
  Press(WM_LBUTTONDOWN, 70, 5);  // the cursor at 15 s
  const int64_t cursor = control->GetCursorTime();
  struct Step {
    WPARAM key;
    int64_t scale;
  } steps[] = {{VK_ADD, 250000},      {VK_OEM_PLUS, 125000}, {VK_ADD, 62500}, {VK_SUBTRACT, 125000},
               {VK_OEM_MINUS, 125000}};  // the limit: the project about 360 pixels wide
  for (const Step& step : steps) {
    SendMessageW(control->Handle(), WM_KEYDOWN, step.key, 0);
    EXPECT_EQ(step.scale, control->Scale());
    EXPECT_EQ(70, control->XOfTime(cursor)) << step.scale;
    EXPECT_EQ(control->LeftTime() > 0, BarShown(WS_HSCROLL)) << step.scale;
  }
  const int64_t underMouse = control->TimeAtX(100);
  Wheel(-120, 3, {100, 100});
  EXPECT_EQ(15625, control->Scale());
  EXPECT_EQ(100, control->XOfTime(underMouse));
}

TEST(RulerLabels, DecimalsFollowTheScale) {
  const std::pair<int64_t, int> decimals[] = {{1, 6},      {9, 6},      {10, 5},     {999, 4},
                                              {1000, 3},   {99999, 2},  {100000, 0}, {65454546, 0}};
  for (const auto& c : decimals) EXPECT_EQ(c.second, TimeLinePainter::LabelDecimals(c.first)) << c.first;
  const struct {
    int decimals;
    const wchar_t* text;
  } texts[] = {{0, L"01:02:03"}, {3, L"01:02:03,456"}, {6, L"01:02:03,456789"}};
  for (const auto& c : texts) {
    wchar_t text[64];
    TimeLinePainter::LabelText(3723456789LL, c.decimals, text, 64);
    EXPECT_STREQ(c.text, text);
  }
}

// A picture 64 x 48, red over blue: its thumbnail is 46 x 35 and needs a box
// of 50 pixels.
TEST_F(TimeLineTest, SourcesShowTheirFirstFrameWhenThereIsRoom) {
  TempFolder folder;
  std::wstring path = folder.File(L"picture.bmp");
  ASSERT_TRUE(WriteWholeFile(path, RedOverBlue(GUID_ContainerFormatBmp, 64, 48)));
  AM_MEDIA_TYPE type = VideoType();
  ComPtr<IAMTimelineObj> group = AddGroup(L"G", &type);
  ClearMediaType(&type);
  ComPtr<IAMTimelineObj> track = AddTrack(group.Get(), L"T");
  ComPtr<IAMTimelineObj> wide = AddSource(track.Get(), 0, 60 * kSecond, path.c_str());   // x 40..160
  ComPtr<IAMTimelineObj> narrow = AddSource(track.Get(), 70 * kSecond, 90 * kSecond, path.c_str());  // 180..220
  control->SetTimeline(timeline.Get());
  control->Refresh(true);
  // Sources row y 36..86, the picture from y 50, x 42.
  COLORREF top = PixelAt(60, 55), bottom = PixelAt(60, 80);
  EXPECT_GT(GetRValue(top), 200);
  EXPECT_LT(GetBValue(top), 60);
  EXPECT_GT(GetBValue(bottom), 200);
  EXPECT_EQ(Box(), PixelAt(100, 55));  // right of the picture
  EXPECT_EQ(Box(), PixelAt(200, 55));  // no room in the narrow box
  EXPECT_EQ(1, control->Media().EntryCount());  // one file, one first frame
}

TEST_F(TimeLineTest, AudioSourcesShowTheirLoudness) {
  TempFolder folder;
  std::wstring path = folder.File(L"sound.wav");
  std::vector<int> samples(8000, 0);  // a silent second, then a loud one
  for (int16_t value : Sine(8000, 1, 8000, 30000)) samples.push_back(value);
  ASSERT_TRUE(WriteWholeFile(path, PcmWav(16, 1, 8000, samples)));
  AM_MEDIA_TYPE type = MakeAudioType(8000);
  ComPtr<IAMTimelineObj> group = AddGroup(L"A", &type);
  ClearMediaType(&type);
  ComPtr<IAMTimelineObj> source = AddSource(AddTrack(group.Get(), L"T").Get(), 0, 2 * kSecond, path.c_str());
  ComPtr<IAMTimelineSrc>(source.As<IAMTimelineSrc>(IID_IAMTimelineSrc))->SetMediaTimes(0, 2 * kSecond);
  control->SetTimeline(timeline.Get());
  control->Refresh(true);
  control->ZoomToFit();
  // Sources row y 36..86: strokes about y 68, reaching 17 pixels.
  const COLORREF stroke = GetSysColor(COLOR_BTNSHADOW);
  EXPECT_EQ(Box(), PixelAt(100, 58));  // silence
  EXPECT_EQ(stroke, PixelAt(100, 68));
  EXPECT_EQ(stroke, PixelAt(450, 58));  // the loud second
  EXPECT_EQ(stroke, PixelAt(450, 78));
}

// Drags through real mouse messages over the fixture's project, with a track
// in the audio group: group 1's track 1 at y 107 (sources row 123..173,
// transitions 174..189), its track 0 at y 191 (effects 191..206, A 10-20 s at
// x 60..80 in sources 207..257, transition X 15-25 s in transitions
// 258..273). Edges snap within 5 pixels (2.5 s); the cursor is at 6 s.
TEST_F(TimeLineTest, DraggingMovesTrimsAndChangesTracksThroughTheEngine) {
  BuildProject();
  AddTrack(audio.Get(), L"Music");
  ComPtr<IAMTimelineObj> late = AddTransition(track0.Get(), 30 * kSecond, 35 * kSecond);  // x 100..110
  control->Refresh(true);
  Press(WM_LBUTTONDOWN, 52, 5);
  // B's media from 20 s leaves room to trim its start earlier.
  sourceA.As<IAMTimelineSrc>(IID_IAMTimelineSrc)->SetMediaTimes(0, 10 * kSecond);
  sourceB.As<IAMTimelineSrc>(IID_IAMTimelineSrc)->SetMediaTimes(20 * kSecond, 30 * kSecond);
  struct Case {
    const char* what;
    IAMTimelineObj* object;
    int fromX, fromY, toX, toY;
    REFERENCE_TIME start, stop;  // 0, 0: refused, the project unchanged
    IAMTimelineObj* track;
  } cases[] = {
      {"move, clamped at 0", sourceA.Get(), 70, 234, 40, 234, 0, 10 * kSecond, track0.Get()},
      {"trim the stop edge, snapping to the cursor", sourceA.Get(), 59, 234, 50, 234, 0, 6 * kSecond, track0.Get()},
      {"trim the start edge, snapping to A's stop", sourceB.Get(), 81, 234, 54, 234, 6 * kSecond, 30 * kSecond,
       track0.Get()},
      {"overlapping X in time is refused", late.Get(), 105, 264, 85, 264, 0, 0, track0.Get()},
      {"a transition to track 1, 10 s later", late.Get(), 105, 264, 125, 180, 40 * kSecond, 45 * kSecond,
       track1.Get()},
      {"an effect to track 1", effectE.Get(), 100, 198, 100, 114, 0, 40 * kSecond, track1.Get()},
      {"a source to track 1, snapping to C's stop", sourceA.Get(), 46, 234, 63, 150, 8 * kSecond, 14 * kSecond,
       track1.Get()},
      {"over the other transition there: refused", transitionX.Get(), 80, 264, 120, 180, 0, 0, track0.Get()},
      {"to another group: refused", sourceB.Get(), 90, 234, 90, 60, 0, 0, track0.Get()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    REFERENCE_TIME mediaStart = 0, mediaStop = 0, start = 0, stop = 0;
    c.object->GetStartStop(&start, &stop);
    ComPtr<IAMTimelineSrc> source = ComPtr<IAMTimelineObj>(c.object).As<IAMTimelineSrc>(IID_IAMTimelineSrc);
    if (source) source->GetMediaTimes(&mediaStart, &mediaStop);
    const std::wstring before = ProjectText(timeline.Get());
    DragMouse(c.fromX, c.fromY, c.toX, c.toY);
    REFERENCE_TIME newStart = 0, newStop = 0;
    c.object->GetStartStop(&newStart, &newStop);
    EXPECT_EQ(c.track, TrackHolding(c.object));
    if (!c.stop) {
      EXPECT_EQ(before, ProjectText(timeline.Get()));
      EXPECT_EQ(stop / 10, static_cast<TLObjectItem*>(ItemOf(c.object))->stop);
      continue;
    }
    EXPECT_EQ(c.start, newStart);
    EXPECT_EQ(c.stop, newStop);
    TLObjectItem* item = static_cast<TLObjectItem*>(ItemOf(c.object));
    EXPECT_EQ(c.start / 10, item->start);
    EXPECT_EQ(c.stop / 10, item->stop);
    if (!source) continue;
    // A trim moves the media edge by as much; a move leaves the media alone.
    REFERENCE_TIME newMediaStart = 0, newMediaStop = 0;
    source->GetMediaTimes(&newMediaStart, &newMediaStop);
    bool moved = newStop - newStart == stop - start;
    EXPECT_EQ(moved ? 0 : newStart - start, newMediaStart - mediaStart);
    EXPECT_EQ(moved ? 0 : newStop - stop, newMediaStop - mediaStop);
  }
  EXPECT_EQ(nullptr, GetCapture());
  EXPECT_EQ(6, notify.changes);  // once for each drag written
}
