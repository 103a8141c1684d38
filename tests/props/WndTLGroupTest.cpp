#include "WndTLGroup.h"

#include <cstdio>

#include "CheckBox.h"
#include "EditBox.h"
#include "PropsTesting.h"

namespace {

using GroupWindow = PropsWindowTest<WndTLGroup>;

// The group's media type in short: "RGB24 321x240 231360" or "PCM 11025".
std::string TypeOf(IAMTimelineObj* group) {
  AM_MEDIA_TYPE type = {};
  ComPtr<IAMTimelineObj>(group).As<IAMTimelineGroup>(IID_IAMTimelineGroup)->GetMediaType(&type);
  char text[64] = "none";
  if (type.majortype == MEDIATYPE_Video && type.cbFormat >= sizeof(VIDEOINFOHEADER)) {
    const BITMAPINFOHEADER& bitmap = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
    snprintf(text, sizeof text, "%s %ldx%ld %lu",
             type.subtype == MEDIASUBTYPE_RGB24 ? "RGB24" : type.subtype == MEDIASUBTYPE_RGB555 ? "RGB555" : "?",
             bitmap.biWidth, bitmap.biHeight, bitmap.biSizeImage);
  } else if (type.majortype == MEDIATYPE_Audio && type.cbFormat >= sizeof(WAVEFORMATEX)) {
    snprintf(text, sizeof text, "%s %lu", type.subtype == MEDIASUBTYPE_PCM ? "PCM" : "?",
             reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat)->nSamplesPerSec);
  }
  ClearMediaType(&type);
  return text;
}

bool Locked(IAMTimelineObj* object) {
  BOOL locked = FALSE;
  object->GetLocked(&locked);
  return locked != FALSE;
}

}  // namespace

TEST_F(GroupWindow, NewVideoGroupIsProposedAndMadeOnOk) {
  AM_MEDIA_TYPE video = MakeVideoType(640, 480, 16);
  AddGroup(L"V", &video);
  ClearMediaType(&video);
  window->SetObject(timeline.Get(), nullptr);
  EXPECT_EQ(L"New timeline group", TextOf(window));
  EXPECT_EQ(L"Group_1", TextOf(window->NameField()));
  EXPECT_EQ((Names{L"Video", L"Audio"}), Entries(window->TypeList()));
  EXPECT_EQ(0, window->TypeList()->GetCurSel());
  EXPECT_EQ(3, window->SubtypeList()->GetCount());
  EXPECT_EQ(0, window->SubtypeList()->GetCurSel());
  EXPECT_EQ(L"640", TextOf(window->WidthField()));
  EXPECT_EQ(L"480", TextOf(window->HeightField()));
  // Rows below their 15-high captions, width and height side by side, above the buttons.
  EXPECT_EQ(19, window->NameField()->Top());
  EXPECT_EQ(43, window->MutedBox()->Top());
  EXPECT_EQ(117, window->SubtypeList()->Top());
  EXPECT_EQ(156, window->HeightField()->Top());
  EXPECT_EQ(window->WidthField()->Left() + window->WidthField()->Width(), window->HeightField()->Left());
  EXPECT_GT(window->OkButton()->Top(), window->HeightField()->Top() + window->HeightField()->Height());

  window->SubtypeList()->SetCurSel(1);  // RGB 24
  window->WidthField()->SetText(L"321");
  window->HeightField()->SetText(L"240");
  window->LockedBox()->SetCheck(BST_CHECKED);
  ASSERT_NE(-1, Close(IDOK));
  ASSERT_EQ(2, GroupCount());
  ComPtr<IAMTimelineObj> made;
  timeline->GetGroup(made.Receive(), 1);
  EXPECT_EQ(L"Group_1", NameOf(made.Get()));
  EXPECT_TRUE(Locked(made.Get()));
  EXPECT_EQ(1u, TrackNames(made.Get()).size());
  EXPECT_EQ("RGB24 321x240 231360", TypeOf(made.Get()));  // rows padded to 4 bytes
}

TEST_F(GroupWindow, AudioRateListTakesThePlaceOfTheFrameSize) {
  window->SetObject(timeline.Get(), nullptr);
  window->WidthField()->SetText(L"100");
  Choose(window->TypeList(), 1);
  EXPECT_EQ(nullptr, window->WidthField());
  EXPECT_EQ(nullptr, window->HeightField());
  ASSERT_NE(nullptr, window->RateList());
  EXPECT_EQ((Names{L"PCM, 16-bit, stereo"}), Entries(window->SubtypeList()));
  EXPECT_EQ((Names{L"8000 Hz", L"11025 Hz", L"22050 Hz", L"44100 Hz"}), Entries(window->RateList()));
  const LRESULT rates[] = {8000, 11025, 22050, 44100};
  for (int i = 0; i < 4; ++i) EXPECT_EQ(rates[i], window->RateList()->GetItemData(i));
  EXPECT_EQ(3, window->RateList()->GetCurSel());
  EXPECT_EQ(156, window->RateList()->Top());  // where the frame size was

  Choose(window->TypeList(), 0);
  EXPECT_EQ(nullptr, window->RateList());
  EXPECT_EQ(L"640", TextOf(window->WidthField()));  // fresh fields
  Choose(window->TypeList(), 1);
  window->RateList()->SetCurSel(1);
  ASSERT_NE(-1, Close(IDOK));
  ComPtr<IAMTimelineObj> made;
  timeline->GetGroup(made.Receive(), 0);
  EXPECT_EQ("PCM 11025", TypeOf(made.Get()));
}

TEST_F(GroupWindow, ExistingVideoGroupKeepsItsKindSizeAndTracks) {
  AM_MEDIA_TYPE video = MakeVideoType(320, 240, 16);
  ComPtr<IAMTimelineObj> group = AddGroup(L"Clips", &video);
  ClearMediaType(&video);
  AddTrack(group.Get(), L"T0");
  AddTrack(group.Get(), L"T1");
  window->SetObject(timeline.Get(), group.Get());
  window->NameField()->SetText(L"Cancelled");
  EXPECT_NE(-1, Close(IDCANCEL));
  EXPECT_EQ(L"Clips", NameOf(group.Get()));

  window->SetObject(timeline.Get(), group.Get());
  EXPECT_EQ(L"Timeline group", TextOf(window));
  EXPECT_EQ(L"Clips", TextOf(window->NameField()));
  EXPECT_FALSE(IsWindowEnabled(window->TypeList()->Handle()));
  window->NameField()->SetText(L"Renamed");
  ASSERT_NE(-1, Close(IDOK));
  EXPECT_EQ(1, GroupCount());
  EXPECT_EQ((Names{L"T0", L"T1"}), TrackNames(group.Get()));
  EXPECT_EQ(L"Renamed", NameOf(group.Get()));
  EXPECT_EQ(0u, TypeOf(group.Get()).find("RGB555 320x240"));  // the size as loaded
}

// A rate the list does not offer is shown and written back, not replaced by 0.
TEST_F(GroupWindow, ExistingAudioGroupShowsAndKeepsItsRate) {
  for (DWORD rate : {22050ul, 48000ul}) {
    AM_MEDIA_TYPE audio = MakeAudioType(rate);
    ComPtr<IAMTimelineObj> group = AddGroup(L"Sound", &audio);
    ClearMediaType(&audio);
    window->SetObject(timeline.Get(), group.Get());
    EXPECT_EQ(1, window->TypeList()->GetCurSel());
    ASSERT_NE(nullptr, window->RateList());
    EXPECT_EQ(static_cast<LRESULT>(rate), window->RateList()->GetItemData(window->RateList()->GetCurSel()));
    ASSERT_NE(-1, Close(IDOK));
    EXPECT_EQ("PCM " + std::to_string(rate), TypeOf(group.Get()));
  }
}

// Without a known media type nothing else is written; the name and flags still are.
TEST_F(GroupWindow, GroupOfUnknownTypeStillTakesNameAndFlags) {
  ComPtr<IAMTimelineObj> group = NewNode(TIMELINE_MAJOR_TYPE_GROUP);
  timeline->AddGroup(group.Get());
  window->SetObject(timeline.Get(), group.Get());
  EXPECT_EQ(-1, window->TypeList()->GetCurSel());
  window->NameField()->SetText(L"Named");
  window->LockedBox()->SetCheck(BST_CHECKED);
  ASSERT_NE(-1, Close(IDOK));
  EXPECT_EQ(L"Named", NameOf(group.Get()));
  EXPECT_TRUE(Locked(group.Get()));
}

// The packed size holds 16 bits a side; a bad side keeps the window open.
TEST_F(GroupWindow, FrameSideOutOfRangeMakesNothing) {
  window->SetObject(timeline.Get(), nullptr);
  window->WidthField()->SetText(L"70000");
  EXPECT_EQ(-1, Close(IDOK));
  window->WidthField()->SetText(L"720");
  window->HeightField()->SetText(L"");
  EXPECT_EQ(-1, Close(IDOK));
  EXPECT_EQ(0, GroupCount());
}
