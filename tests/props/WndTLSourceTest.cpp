#include "WndTLSource.h"

#include <cstdlib>
#include <ostream>
#include <tuple>

#include "CheckBox.h"
#include "DialogAnswerer.h"
#include "EditBox.h"
#include "PropsTesting.h"
#include "RiffBytes.h"
#include "TestMedia.h"
#include "TimeEdit.h"
#include "TimeText.h"

#include <wincodec.h>

namespace {

constexpr int64_t kSecond = 1000000;
constexpr REFERENCE_TIME kUnits = 10000000;  // a second in REFERENCE_TIME

// What a source holds, its times in REFERENCE_TIME.
struct SourceState {
  std::wstring media;
  long stream = -1;
  REFERENCE_TIME length = 0, mediaStart = 0, mediaStop = 0, start = 0, stop = 0;
  int stretch = -1;
  auto Tied() const { return std::tie(media, stream, length, mediaStart, mediaStop, start, stop, stretch); }
  bool operator==(const SourceState& other) const { return Tied() == other.Tied(); }
};

std::ostream& operator<<(std::ostream& out, const SourceState& s) {
  return out << std::string(s.media.begin(), s.media.end()) << " stream " << s.stream << " length " << s.length
             << " media " << s.mediaStart << "-" << s.mediaStop << " at " << s.start << "-" << s.stop << " stretch "
             << s.stretch;
}

SourceState StateOf(IAMTimelineObj* object) {
  SourceState state;
  ComPtr<IAMTimelineSrc> source = ComPtr<IAMTimelineObj>(object).As<IAMTimelineSrc>(IID_IAMTimelineSrc);
  BSTR name = nullptr;
  source->GetMediaName(&name);
  state.media = name ? name : L"";
  SysFreeString(name);
  source->GetStreamNumber(&state.stream);
  source->GetMediaLength(&state.length);
  source->GetMediaTimes(&state.mediaStart, &state.mediaStop);
  source->GetStretchMode(&state.stretch);
  object->GetStartStop(&state.start, &state.stop);
  return state;
}

// Group "Video" with tracks V1 and V2, group "Audio" with A1; clip.avi holds
// 5.5 s of 4x2 video at 2 fps, then 3 s of 8 kHz mono audio.
class SourceWindow : public PropsWindowTest<WndTLSource> {
 protected:
  void SetUp() override {
    PropsWindowTest::SetUp();
    clip = folder.File(L"clip.avi");
    std::vector<std::string> frames(11, TestFrame(4, 2, 3));
    ASSERT_EQ(S_OK, WriteAvi(clip, {{Bytes(Bitmap(4, 2, 24)), frames, {}, kUnits / 2},
                                    {Bytes(Wave(WAVE_FORMAT_PCM, 1, 8000, 8, 1)), {std::string(24000, '\x80')}}}));
    AM_MEDIA_TYPE video = MakeVideoType(320, 240, 32), audio = MakeAudioType(44100);
    ComPtr<IAMTimelineObj> group = AddGroup(L"Video", &video);
    v1 = AddTrack(group.Get(), L"V1");
    v2 = AddTrack(group.Get(), L"V2");
    a1 = AddTrack(AddGroup(L"Audio", &audio).Get(), L"A1");
    ClearMediaType(&video);
    ClearMediaType(&audio);
  }
  void TearDown() override {
    v1 = v2 = a1 = ComPtr<IAMTimelineObj>();
    PropsWindowTest::TearDown();
  }
  static long SourceCount(IAMTimelineObj* track) {
    long count = 0;
    ComPtr<IAMTimelineObj>(track).As<IAMTimelineTrack>(IID_IAMTimelineTrack)->GetSourcesCount(&count);
    return count;
  }
  static ComPtr<IAMTimelineObj> FirstSource(IAMTimelineObj* track) {
    ComPtr<IAMTimelineObj> source;
    REFERENCE_TIME at = 0;
    ComPtr<IAMTimelineObj>(track).As<IAMTimelineTrack>(IID_IAMTimelineTrack)->GetNextSrc(source.Receive(), &at);
    return source;
  }
  // A source of the clip on V2: stream 0, media 1 s to 3 s at 20 s to 22 s, named and locked.
  ComPtr<IAMTimelineObj> ExistingSource() {
    ComPtr<IAMTimelineObj> object = AddSource(v2.Get(), 20 * kUnits, 22 * kUnits, clip.c_str());
    ComPtr<IAMTimelineSrc> source = object.As<IAMTimelineSrc>(IID_IAMTimelineSrc);
    source->SetMediaTimes(1 * kUnits, 3 * kUnits);
    source->SetMediaLength(55 * kUnits / 10);
    source->SetStretchMode(RESIZEF_PRESERVEASPECTRATIO);
    SetName(object.Get(), L"Clip");
    object->SetLocked(TRUE);
    return object;
  }
  SourceState Existing() {
    return {clip, 0, 55 * kUnits / 10, kUnits, 3 * kUnits, 20 * kUnits, 22 * kUnits, RESIZEF_PRESERVEASPECTRATIO};
  }
  // Keeps the window on screen when MORVIK_SHOW_MS is set (for a screenshot).
  void ShowIfAsked() {
    const char* show = std::getenv("MORVIK_SHOW_MS");
    if (!show) return;
    SetWindowPos(window->Handle(), nullptr, 40, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ShowWindow(window->Handle(), SW_SHOW);
    ShowFor(std::atoi(show));
    ShowWindow(window->Handle(), SW_HIDE);
  }

  std::wstring clip;
  ComPtr<IAMTimelineObj> v1, v2, a1;
};

}  // namespace

TEST_F(SourceWindow, NewSourceCoversTheVideoStreamFromTheCursor) {
  window->SetObject(timeline.Get(), nullptr, -1, -1);
  window->SetDefaultTimes(10 * kSecond);
  EXPECT_EQ(L"New timeline source", TextOf(window));
  EXPECT_FALSE(OkEnabled());
  window->OpenMediaFile(clip.c_str());
  EXPECT_EQ(clip, TextOf(window->FileField()));
  EXPECT_EQ((Names{L"RGB24, 4x2, 2.0 fps [00:00:05,500000]"}), Entries(window->StreamChoice()));
  EXPECT_EQ(0, window->MediaStartField()->GetValue());
  EXPECT_EQ(5500000, window->MediaStopField()->GetValue());
  EXPECT_EQ(15500000, window->StopField()->GetValue());
  EXPECT_TRUE(OkEnabled());
  ShowIfAsked();
  ASSERT_NE(-1, Close(IDOK));
  ASSERT_EQ(1, SourceCount(v1.Get()));
  ComPtr<IAMTimelineObj> made = FirstSource(v1.Get());
  EXPECT_EQ((SourceState{clip, 0, 55000000, 0, 55000000, 100000000, 155000000, RESIZEF_STRETCH}),
            StateOf(made.Get()));
  EXPECT_EQ(L"", NameOf(made.Get()));
}

// The stream number counts only the streams of the group's type.
TEST_F(SourceWindow, AudioGroupListsOnlyTheAudioStreamAtPositionZero) {
  window->SetObject(timeline.Get(), nullptr, -1, -1);
  window->OpenMediaFile(clip.c_str());
  Choose(window->GroupChoice(), 1);
  EXPECT_EQ((Names{L"0x0001, 1 ch., 8000 Hz [00:00:03,000000]"}), Entries(window->StreamChoice()));
  ASSERT_NE(-1, Close(IDOK));
  ASSERT_EQ(1, SourceCount(a1.Get()));
  SourceState state = StateOf(FirstSource(a1.Get()).Get());
  EXPECT_EQ(0, state.stream);
  EXPECT_EQ(30000000, state.length);
  EXPECT_EQ(0, SourceCount(v1.Get()));
}

TEST_F(SourceWindow, ExistingSourceLoadsAndWritesBackInPlace) {
  ComPtr<IAMTimelineObj> source = ExistingSource();
  window->SetObject(timeline.Get(), source.Get(), 0, 1);
  EXPECT_EQ(L"Timeline source", TextOf(window));
  EXPECT_EQ((Names{L"Video"}), Entries(window->GroupChoice()));
  // Listing the stream again keeps the source's own times. (Fields not changed
  // below are checked by what OK writes back.)
  EXPECT_EQ(3 * kSecond, window->MediaStopField()->GetValue());
  EXPECT_EQ(20 * kSecond, window->StartField()->GetValue());
  EXPECT_EQ(2, window->StretchChoice()->GetCurSel());
  EXPECT_EQ(L"Clip", TextOf(window->NameField()));
  EXPECT_EQ(BST_CHECKED, window->LockedBox()->GetCheck());
  EXPECT_TRUE(OkEnabled());
  window->NameField()->SetText(L"Renamed");
  window->MutedBox()->SetCheck(BST_CHECKED);
  window->StretchChoice()->SetCurSel(3);
  window->StartField()->SetValue(21 * kSecond);
  window->MediaStopField()->SetValue(2 * kSecond);
  ASSERT_NE(-1, Close(IDOK));
  EXPECT_EQ(1, SourceCount(v2.Get()));
  EXPECT_EQ(0, SourceCount(v1.Get()));
  SourceState expected = Existing();
  expected.start = 21 * kUnits;
  expected.mediaStop = 2 * kUnits;
  expected.stretch = RESIZEF_PRESERVEASPECTRATIO_NOLETTERBOX;
  EXPECT_EQ(expected, StateOf(source.Get()));
  EXPECT_EQ(L"Renamed", NameOf(source.Get()));
  BOOL muted = FALSE;
  source->GetMuted(&muted);
  EXPECT_TRUE(muted);
}

TEST_F(SourceWindow, CancelWritesNothingAndAnotherTrackMovesTheSource) {
  ComPtr<IAMTimelineObj> source = ExistingSource();
  window->SetObject(timeline.Get(), source.Get(), 0, 1);
  window->TrackChoice()->SetCurSel(0);
  window->NameField()->SetText(L"Other");
  window->StartField()->SetValue(1 * kSecond);
  window->StretchChoice()->SetCurSel(0);
  EXPECT_NE(-1, Close(IDCANCEL));
  EXPECT_EQ(1, SourceCount(v2.Get()));
  EXPECT_EQ(L"Clip", NameOf(source.Get()));
  EXPECT_EQ(Existing(), StateOf(source.Get()));

  window->SetObject(timeline.Get(), source.Get(), 0, 1);
  window->TrackChoice()->SetCurSel(0);
  ASSERT_NE(-1, Close(IDOK));
  EXPECT_EQ(0, SourceCount(v2.Get()));
  EXPECT_EQ(source.Get(), FirstSource(v1.Get()).Get());
  EXPECT_EQ(Existing(), StateOf(source.Get()));

  window->SetObject(timeline.Get(), nullptr, -1, -1);
  window->OpenMediaFile(clip.c_str());
  EXPECT_NE(-1, Close(IDCANCEL));
  EXPECT_EQ(1, SourceCount(v1.Get()));
}

// Browsed through the real file dialog; a file seen before is forgotten.
TEST_F(SourceWindow, UnrecognizedFileIsReportedAndKeepsOkDisabled) {
  std::wstring notes = folder.File(L"notes.txt");
  WriteFileBytes(notes, "text");
  window->SetObject(timeline.Get(), nullptr, -1, -1);
  window->OpenMediaFile(clip.c_str());
  ASSERT_TRUE(OkEnabled());
  {
    DialogAnswerer answerer({{IDOK, notes}, {IDOK, L""}});
    SendMessageW(window->Handle(), WM_COMMAND, MAKEWPARAM(0, BN_CLICKED),
                 reinterpret_cast<LPARAM>(window->BrowseButton()->Handle()));
    ASSERT_TRUE(answerer.AllAnswered());
    EXPECT_EQ(L"Morvik", answerer.Boxes()[1].caption);
    // Words naming the file and the reason, no bare code.
    EXPECT_EQ(L"This file cannot be used as media:\n" + notes + L"\n\n" +
                  MediaStreams::Reason(VFW_E_INVALID_FILE_FORMAT),
              answerer.Boxes()[1].text);
  }
  EXPECT_EQ(0, lstrcmpiW(notes.c_str(), TextOf(window->FileField()).c_str()));
  EXPECT_EQ(0, window->StreamChoice()->GetCount());
  EXPECT_FALSE(OkEnabled());
  EXPECT_EQ(-1, Close(IDOK));  // Enter while OK is disabled
  EXPECT_EQ(0, SourceCount(v1.Get()));
}

// Timed media ends: a media stop beyond it is refused with the times in words.
TEST_F(SourceWindow, MediaStopBeyondTheStreamIsRefused) {
  window->SetObject(timeline.Get(), nullptr, -1, -1);
  window->OpenMediaFile(clip.c_str());
  window->MediaStopField()->SetValue(5500001);
  {
    DialogAnswerer answerer({{IDOK, L""}});
    EXPECT_EQ(-1, Close(IDOK));
    ASSERT_EQ(1u, answerer.Boxes().size());
    EXPECT_NE(std::wstring::npos, answerer.Boxes()[0].text.find(L"00:00:05,500001")) << answerer.Boxes()[0].text;
    EXPECT_NE(std::wstring::npos, answerer.Boxes()[0].text.find(L"00:00:05,500000")) << answerer.Boxes()[0].text;
  }
  EXPECT_EQ(0, SourceCount(v1.Get()));
  window->MediaStopField()->SetValue(5500000);
  ASSERT_NE(-1, Close(IDOK));
  EXPECT_EQ(1, SourceCount(v1.Get()));
}

// A group without tracks leaves the former group's streams listed: picking
// one must not make OK usable, which would report a source never placed.
TEST_F(SourceWindow, GroupWithoutTracksKeepsOkDisabled) {
  AM_MEDIA_TYPE video = MakeVideoType(320, 240, 32);
  AddGroup(L"Empty", &video);
  ClearMediaType(&video);
  window->SetObject(timeline.Get(), nullptr, -1, -1);
  window->OpenMediaFile(clip.c_str());
  Choose(window->GroupChoice(), 2);
  EXPECT_FALSE(OkEnabled());
  Choose(window->StreamChoice(), 0);
  EXPECT_FALSE(OkEnabled());
  EXPECT_EQ(-1, Close(IDOK));
  EXPECT_EQ(0, SourceCount(v1.Get()));
}

TEST_F(SourceWindow, StillImageBecomesAFiveSecondVideoSource) {
  std::wstring still = folder.File(L"still.bmp");
  WriteFileBytes(still, EncodePicture(GUID_ContainerFormatBmp, 8, 6, std::string(8 * 6 * 3, '\0')));
  window->SetObject(timeline.Get(), nullptr, -1, -1);
  window->SetDefaultTimes(2 * kSecond);
  window->OpenMediaFile(still.c_str());
  Names entries = Entries(window->StreamChoice());
  ASSERT_EQ(1u, entries.size());
  EXPECT_NE(std::wstring::npos, entries[0].find(L", 8x6")) << entries[0];
  EXPECT_NE(std::wstring::npos, entries[0].find(L" [00:00:05,000000]")) << entries[0];
  Choose(window->GroupChoice(), 1);  // a picture has no audio stream
  EXPECT_EQ(0, window->StreamChoice()->GetCount());
  EXPECT_EQ(-1, Close(IDOK));
  Choose(window->GroupChoice(), 0);
  window->MediaStopField()->SetValue(100 * kMicrosecondsPerHour);  // a picture has no end
  ASSERT_NE(-1, Close(IDOK));
  ComPtr<IAMTimelineObj> made = FirstSource(v1.Get());
  ASSERT_TRUE(made);
  SourceState state = StateOf(made.Get());
  EXPECT_EQ(still, state.media);
  EXPECT_EQ(50000000, state.length);
  EXPECT_EQ(70000000, state.stop);
}
