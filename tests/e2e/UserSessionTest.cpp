// A user's whole session with Morvik.exe, driven from outside through its
// menus, windows and file dialogs: a project made from nothing, saved, the
// program closed, the project reopened from the command line, previewed and
// rendered with configured compressors. Each step is checked on the files it
// wrote, read back through the engine, and its screen is kept in screens/.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <cmath>
#include <memory>

#include "ComPtr.h"
#include "EditingServices.h"
#include "EffectIds.h"
#include "EngineRegistration.h"
#include "MediaReaders.h"
#include "MorvikDriver.h"
#include "RiffBytes.h"
#include "TempFolder.h"
#include "TestMedia.h"

namespace {

// The composition: a still 0-5 s brightened over 0-2 s, the clip's picture on
// top from 3 s cross-fading in until 4 s, the clip's sound from 3 s, a voice 1-2 s.
const COLORREF kStill = RGB(200, 60, 60), kClip = RGB(40, 60, 220);
constexpr REFERENCE_TIME kSecond = 10000000;

int Level(BYTE value, double brightness) { return std::min(255, int(value + brightness * 255 + 0.5)); }
COLORREF Brightened(COLORREF c, double b) {
  return RGB(Level(GetRValue(c), b), Level(GetGValue(c), b), Level(GetBValue(c), b));
}
COLORREF Halfway(COLORREF a, COLORREF b) {
  return RGB((GetRValue(a) + GetRValue(b)) / 2, (GetGValue(a) + GetGValue(b)) / 2, (GetBValue(a) + GetBValue(b)) / 2);
}

bool IsColor(COLORREF pixel, COLORREF color, int tolerance = 60) {
  return abs(GetRValue(pixel) - GetRValue(color)) + abs(GetGValue(pixel) - GetGValue(color)) +
             abs(GetBValue(pixel) - GetBValue(color)) < tolerance;
}

// ---- Making the project through the windows ----

HWND OpenWindow(const MorvikRun& run, UINT command, const wchar_t* className) {
  run.Command(command);
  return run.WaitForWindow(className);
}

void PressOk(HWND window) {
  HWND ok = FindChild(window, L"Button", L"OK");
  EXPECT_TRUE(WaitUntil([&] { return IsWindowEnabled(ok) != FALSE; }, 10000)) << TextOf(window);
  PostMessageW(window, WM_COMMAND, IDOK, 0);
  EXPECT_TRUE(WaitUntilGone(window)) << TextOf(window);
}

// Group and track, then start (and stop) as typed into the time fields.
void Place(HWND window, int group, int track, const wchar_t* start, const wchar_t* stop = nullptr) {
  std::vector<HWND> place = ControlsBelow(window, L"Timeline parent group and track:", L"ComboBox");
  ASSERT_LE(2u, place.size());
  EXPECT_TRUE(ChooseIndex(place[0], group));
  EXPECT_TRUE(ChooseIndex(place[1], track));
  std::vector<HWND> times = ControlsBelow(window, L"Timeline start and stop times:", L"Edit");
  ASSERT_LE(2u, times.size());
  Type(times[0], start);
  if (stop) Type(times[1], stop);
}

void AddGroup(const MorvikRun& run) {
  HWND window = OpenWindow(run, kCommandAddGroup, L"WndTLGroup");
  ASSERT_NE(nullptr, window);
  SendMessageW(ControlsBelow(window, L"Timeline group name:", L"Edit").at(0), WM_SETTEXT, 0,
               reinterpret_cast<LPARAM>(L"Voice"));
  EXPECT_TRUE(ChooseText(ControlsBelow(window, L"Media type:", L"ComboBox").at(0), L"Audio"));
  KeepScreen(L"01-group");
  PressOk(window);
}

// A third track at the top of the video group.
void AddTrack(const MorvikRun& run) {
  HWND window = OpenWindow(run, kCommandAddTrack, L"WndTLTrack");
  ASSERT_NE(nullptr, window);
  EXPECT_TRUE(ChooseIndex(ControlsBelow(window, L"Timeline parent group:", L"ComboBox").at(0), 0));
  EXPECT_TRUE(ChooseIndex(ControlsBelow(window, L"Track priority level:", L"ComboBox").at(0), 2));
  PressOk(window);
}

// The file chosen with the browse button, its name typed into the open dialog.
void AddSource(const MorvikRun& run, int group, int track, const wchar_t* start, const std::wstring& file,
               const wchar_t* screen = nullptr) {
  HWND window = OpenWindow(run, kCommandAddSource, L"WndTLSource");
  ASSERT_NE(nullptr, window);
  ASSERT_NO_FATAL_FAILURE(Place(window, group, track, start));
  PostMessageW(FindChild(window, L"Button", L"..."), BM_CLICK, 0, 0);
  run.AnswerDialog(IDOK, file);
  EXPECT_TRUE(WaitUntil([&] { return TextOf(ControlsBelow(window, L"Media file name:", L"Edit").at(0)) == file; }));
  if (screen) KeepScreen(screen);
  PressOk(window);
}

// Opens the selected cell's editor, enters text (typed, or picked in a list)
// and stores it.
void EditCell(HWND grid, const wchar_t* text) {
  SendMessageW(grid, WM_KEYDOWN, VK_RETURN, 1);
  HWND editor = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (editor = GetWindow(grid, GW_CHILD)) != nullptr; }, 5000));
  wchar_t name[32] = {};
  GetClassNameW(editor, name, 32);
  if (lstrcmpiW(name, L"ComboBox") == 0) {
    ChooseText(editor, text);
  } else {
    Type(editor, text);
  }
  SendMessageW(editor, WM_KEYDOWN, VK_RETURN, 1);
  EXPECT_TRUE(WaitUntil([&] { return GetWindow(grid, GW_CHILD) == nullptr; }, 5000));
}

// One row of the parameter grid, from the value column of the selected row on.
void EditValue(HWND grid, const wchar_t* value, const wchar_t* time, const wchar_t* interpolation) {
  SendMessageW(grid, WM_KEYDOWN, VK_HOME, 1);
  EditCell(grid, value);
  SendMessageW(grid, WM_KEYDOWN, VK_RIGHT, 1);
  EditCell(grid, time);
  SendMessageW(grid, WM_KEYDOWN, VK_RIGHT, 1);
  EditCell(grid, interpolation);
}

// Brightness rising from 0 to 0.4 over the effect's two seconds: Insert
// gives the parameter its second value.
void AddEffect(const MorvikRun& run) {
  HWND window = OpenWindow(run, kCommandAddEffect, L"WndTLEffectTransition");
  ASSERT_NE(nullptr, window);
  ASSERT_NO_FATAL_FAILURE(Place(window, 0, 0, L"0", L"2"));
  EXPECT_TRUE(ChooseText(ControlsBelow(window, L"Effect:", L"ComboBox").at(0), L"Morvik Brightness and Contrast"));
  HWND grid = FindChild(window, L"QuenGridStr");
  ASSERT_NE(nullptr, grid);
  EditValue(grid, L"0", L"0", L"Jump");
  SendMessageW(grid, WM_KEYDOWN, VK_INSERT, 1);
  EditValue(grid, L"0.4", L"2", L"Interpolate");
  KeepScreen(L"03-effect");
  PressOk(window);
}

void AddTransition(const MorvikRun& run) {
  HWND window = OpenWindow(run, kCommandAddTransition, L"WndTLEffectTransition");
  ASSERT_NE(nullptr, window);
  ASSERT_NO_FATAL_FAILURE(Place(window, 0, 2, L"3", L"4"));
  EXPECT_TRUE(ChooseText(ControlsBelow(window, L"Transition:", L"ComboBox").at(0), L"Morvik Cross-fade"));
  PressOk(window);
}

// ---- The project read back through the engine ----

std::wstring Seconds(REFERENCE_TIME time) {
  wchar_t text[32];
  swprintf(text, 32, L"%g", double(time) / kSecond);
  return text;
}

ComPtr<IAMTimelineObj> TrackOf(IAMTimeline* timeline, long group, long track) {
  ComPtr<IAMTimelineObj> groupObject, trackObject;
  timeline->GetGroup(groupObject.Receive(), group);
  ComPtr<IAMTimelineComp> comp = groupObject.As<IAMTimelineComp>(IID_IAMTimelineComp);
  if (comp) comp->GetVTrack(trackObject.Receive(), track);
  return trackObject;
}

// "file start-stop" for each source of a track.
std::vector<std::wstring> Clips(IAMTimeline* timeline, long group, long track) {
  std::vector<std::wstring> clips;
  ComPtr<IAMTimelineTrack> sources = TrackOf(timeline, group, track).As<IAMTimelineTrack>(IID_IAMTimelineTrack);
  REFERENCE_TIME at = 0;
  ComPtr<IAMTimelineObj> next;
  while (sources && sources->GetNextSrc(next.Receive(), &at) == S_OK && next) {
    ComPtr<IAMTimelineSrc> source = next.As<IAMTimelineSrc>(IID_IAMTimelineSrc);
    BSTR name = nullptr;
    source->GetMediaName(&name);
    std::wstring file = name ? name : L"";
    SysFreeString(name);
    REFERENCE_TIME start = 0, stop = 0;
    next->GetStartStop(&start, &stop);
    clips.push_back(file.substr(file.rfind(L'\\') + 1) + L" " + Seconds(start) + L"-" + Seconds(stop));
  }
  return clips;
}

// "start-stop" of an effect or transition whose filter is the one expected.
std::wstring SpanOf(IAMTimelineObj* object, REFGUID filter) {
  GUID actual = GUID_NULL;
  REFERENCE_TIME start = 0, stop = 0;
  if (!object || FAILED(object->GetSubObjectGUID(&actual)) || actual != filter) return L"(another filter)";
  object->GetStartStop(&start, &stop);
  return Seconds(start) + L"-" + Seconds(stop);
}

// "Name: value@seconds jump|interpolate, ..." of an object's first parameter.
std::wstring FirstParameter(IAMTimelineObj* object) {
  ComPtr<IPropertySetter> setter;
  LONG count = 0;
  DEXTER_PARAM* params = nullptr;
  DEXTER_VALUE* values = nullptr;
  if (!object || FAILED(object->GetPropertySetter(setter.Receive())) ||
      FAILED(setter->GetProps(&count, &params, &values)))
    return L"(none)";
  std::wstring text = count ? std::wstring(params[0].Name) + L":" : L"";
  for (LONG i = 0; count && i < params[0].nValues; ++i) {
    text += std::wstring(i ? L"," : L"") + L" " + (values[i].v.vt == VT_BSTR ? values[i].v.bstrVal : L"?") + L"@" + Seconds(values[i].rt) +
            (values[i].dwInterp == DEXTERF_INTERPOLATE ? L" interpolate" : L" jump");
  }
  setter->FreeProps(count, params, values);
  return text;
}

void ExpectSavedProject(const std::wstring& path) {
  ComPtr<IAMTimeline> timeline;
  ComPtr<IXml2Dex> xml;
  ASSERT_HRESULT_SUCCEEDED(CoCreateInstance(CLSID_AMTimeline, nullptr, CLSCTX_INPROC_SERVER, IID_IAMTimeline,
                                            timeline.ReceiveVoid()));
  ASSERT_HRESULT_SUCCEEDED(
      CoCreateInstance(CLSID_Xml2Dex, nullptr, CLSCTX_INPROC_SERVER, IID_IXml2Dex, xml.ReceiveVoid()));
  BSTR file = SysAllocString(path.c_str());
  HRESULT read = xml->ReadXMLFile(timeline.Get(), file);
  SysFreeString(file);
  ASSERT_EQ(S_OK, read);
  long groups = 0;
  timeline->GetGroupCount(&groups);
  ASSERT_EQ(3, groups);
  using Names = std::vector<std::wstring>;
  EXPECT_EQ(Names{L"still.bmp 0-5"}, Clips(timeline.Get(), 0, 0));
  EXPECT_EQ(Names{}, Clips(timeline.Get(), 0, 1));
  EXPECT_EQ(Names{L"clip.avi 3-5"}, Clips(timeline.Get(), 0, 2));
  EXPECT_EQ(Names{L"clip.avi 3-5"}, Clips(timeline.Get(), 1, 0));
  EXPECT_EQ(Names{L"voice.wav 1-2"}, Clips(timeline.Get(), 2, 0));

  ComPtr<IAMTimelineObj> effect, transition;
  REFERENCE_TIME at = 0;
  TrackOf(timeline.Get(), 0, 0).As<IAMTimelineEffectable>(IID_IAMTimelineEffectable)->GetEffect(effect.Receive(), 0);
  TrackOf(timeline.Get(), 0, 2).As<IAMTimelineTransable>(IID_IAMTimelineTransable)->GetNextTrans(transition.Receive(), &at);
  EXPECT_EQ(L"0-2", SpanOf(effect.Get(), CLSID_EngineBrightnessContrast));
  EXPECT_EQ(L"Brightness: 0@0 jump, 0.4@2 interpolate", FirstParameter(effect.Get()));
  EXPECT_EQ(L"3-4", SpanOf(transition.Get(), CLSID_EngineCrossFade));
}

// ---- Preview ----

// The screen at a point of the preview's video area, in fractions of it.
COLORREF ScreenPixel(HWND preview, double fx, double fy) {
  RECT client;
  GetClientRect(preview, &client);
  POINT at = {LONG(client.right * fx), LONG((client.bottom - 28) * fy)};
  ClientToScreen(preview, &at);
  HDC screen = GetDC(nullptr);
  COLORREF color = GetPixel(screen, at.x, at.y);
  ReleaseDC(nullptr, screen);
  return color;
}

// Without a window manager an activated owner covers the preview: bring it up as one would.
bool PreviewShows(HWND preview, COLORREF color) {
  return WaitUntil(
      [&] {
        SetWindowPos(preview, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        return IsColor(ScreenPixel(preview, 0.5, 0.5), color);
      },
      10000);
}

// A press on the timeline's ruler at a time (seconds) of the 5 s project,
// which opening zoomed to fit, 8 pixels short of the right.
void ClickRuler(HWND main, double seconds) {
  HWND view = FindWindowExW(main, nullptr, L"TimeLineModel", nullptr);
  RECT client;
  GetClientRect(view, &client);
  const int64_t room = client.right - 48, scale = (5000000 + room - 1) / room;
  PostMessageW(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40 + int64_t(seconds * 1e6) / scale, 5));
}

void Preview(const MorvikRun& run) {
  HWND preview = OpenWindow(run, kCommandPreview, L"TimeLineView");
  ASSERT_NE(nullptr, preview);
  SetWindowPos(preview, HWND_TOP, 640, 20, 0, 0, SWP_NOSIZE | SWP_NOACTIVATE);  // beside the timeline
  EXPECT_TRUE(PreviewShows(preview, kStill));  // the frame at the cursor, 0 s
  RECT client;
  GetClientRect(preview, &client);
  HWND play = ChildWindowFromPoint(preview, {10, client.bottom - 14});
  PostMessageW(play, BM_CLICK, 0, 0);
  EXPECT_TRUE(WaitUntil([&] { return TextOf(preview).find(L"Preview 00:00:01,") == 0; }, 10000)) << TextOf(preview);
  PostMessageW(play, BM_CLICK, 0, 0);  // pause: the position holds
  std::wstring caption = TextOf(preview);
  EXPECT_TRUE(WaitUntil([&] {
    std::wstring last = caption;
    Sleep(550);
    caption = TextOf(preview);
    return last == caption;
  }));
  Sleep(1000);
  EXPECT_EQ(caption, TextOf(preview));

  HWND main = run.WaitForWindow(L"QUEN_Morvik_Main");
  ClickRuler(main, 4.5);
  EXPECT_TRUE(PreviewShows(preview, kClip));
  ClickRuler(main, 1.0);
  EXPECT_TRUE(PreviewShows(preview, Brightened(kStill, 0.2)));
  ClickRuler(main, 3.5);
  EXPECT_TRUE(PreviewShows(preview, Halfway(kStill, kClip)));
  KeepScreen(L"05-preview");
  PostMessageW(play, BM_CLICK, 0, 0);
  PostMessageW(preview, WM_CLOSE, 0, 0);  // while it plays
  EXPECT_TRUE(WaitUntilGone(preview));
}

// ---- Render ----

// Picks a compressor in a grid row through the cell's drop-down list.
void ChooseCompressor(HWND grid, int row, const wchar_t* name) {
  // Columns 100 + 100 + 50 wide, then the compressor; the header and rows 20 high.
  LPARAM cell = MAKELPARAM(350, 30 + 20 * row);
  SendMessageW(grid, WM_LBUTTONDOWN, MK_LBUTTON, cell);
  SendMessageW(grid, WM_LBUTTONUP, 0, cell);
  EditCell(grid, name);
}

// Quality 1 for the video compressor; the one format the audio one offers.
void Configure(const MorvikRun& run, HWND window, HWND grid, int row) {
  LPARAM cell = MAKELPARAM(225, 30 + 20 * row);  // the row's frame rate: selects the row, opens no list
  SendMessageW(grid, WM_LBUTTONDOWN, MK_LBUTTON, cell);
  SendMessageW(grid, WM_LBUTTONUP, 0, cell);
  PostMessageW(FindChild(window, L"Button", L"Compressor configuration"), BM_CLICK, 0, 0);
  HWND config = run.WaitForWindow(row == 0 ? L"WndVidCmp" : L"WndStmCfg");
  ASSERT_NE(nullptr, config);
  if (row == 0) {
    HWND slider = FindChild(config, L"msctls_trackbar32");
    SendMessageW(slider, TBM_SETPOS, TRUE, 100);
    SendMessageW(config, WM_HSCROLL, MAKEWPARAM(TB_ENDTRACK, 0), reinterpret_cast<LPARAM>(slider));
  } else {
    SendMessageW(FindChild(config, L"SysListView32"), WM_KEYDOWN, VK_HOME, 1);
  }
  KeepScreen(row == 0 ? L"06-video-compressor" : L"07-audio-compressor");
  PressOk(config);
}

void Render(const MorvikRun& run, const std::wstring& destination) {
  HWND window = OpenWindow(run, kCommandRender, L"TimeLineRender");
  ASSERT_NE(nullptr, window);
  HWND grid = FindChild(window, L"QuenGridStr");
  ASSERT_NE(nullptr, grid);
  ChooseCompressor(grid, 0, L"Morvik Motion JPEG");
  ChooseCompressor(grid, 1, L"Morvik IMA ADPCM");
  ChooseCompressor(grid, 2, L"Morvik IMA ADPCM");
  ASSERT_NO_FATAL_FAILURE(Configure(run, window, grid, 0));
  ASSERT_NO_FATAL_FAILURE(Configure(run, window, grid, 2));
  PostMessageW(FindChild(window, L"Button", L"..."), BM_CLICK, 0, 0);
  run.AnswerDialog(IDOK, destination);
  PostMessageW(FindChild(window, L"Button", L"Start"), BM_CLICK, 0, 0);
  ASSERT_TRUE(WaitUntil([&] { return FindChild(window, L"Button", L"Stop") != nullptr; }, 10000));
  // Closing the program while rendering asks; Cancel keeps both windows.
  PostMessageW(run.WaitForWindow(L"QUEN_Morvik_Main"), WM_CLOSE, 0, 0);
  EXPECT_EQ(L"Render is in progress now. Do you want to interrupt?\nResult file can be corrupted.",
            run.AnswerDialog(IDCANCEL));
  ASSERT_TRUE(WaitUntil([&] { return FindChild(window, L"Static", L"Done: ") != nullptr; }, 120000))
      << "the render did not end";
  EXPECT_TRUE(IsWindow(window));
  KeepScreen(L"08-rendered");
  PostMessageW(window, WM_CLOSE, 0, 0);
  EXPECT_TRUE(WaitUntilGone(window));
}

// ---- The rendered file, decoded ----

COLORREF FrameColor(MediaReader& reader, double seconds) {
  std::vector<BYTE> pixels;
  if (FAILED(reader.ReadFrame(0, REFERENCE_TIME(seconds * kSecond) + 10000, &pixels))) return CLR_INVALID;
  const BITMAPINFOHEADER& header =
      reinterpret_cast<const VIDEOINFOHEADER*>(reader.Streams()[0].type.Get().pbFormat)->bmiHeader;
  const BYTE* middle = &pixels[(size_t(header.biHeight / 2) * header.biWidth + header.biWidth / 2) * 4];
  return RGB(middle[2], middle[1], middle[0]);
}

// The root mean square of a stream's samples over a span, in 16-bit units.
double Loudness(MediaReader& reader, int stream, double from, double to) {
  WAVEFORMATEX format = Pcm16(1, 22050);
  std::vector<BYTE> bytes;
  DWORD frames = DWORD((to - from) * format.nSamplesPerSec);
  if (FAILED(reader.ReadAudio(stream, REFERENCE_TIME(from * kSecond), format, frames, &bytes))) return -1;
  const INT16* samples = reinterpret_cast<const INT16*>(bytes.data());
  double sum = 0;
  for (size_t i = 0; i < bytes.size() / 2; ++i) sum += double(samples[i]) * samples[i];
  return std::sqrt(sum / std::max<size_t>(1, bytes.size() / 2));
}

// At quality 1 every entry of the JPEG frames' quantisation tables is 1.
void ExpectFinestQuantisation(const std::string& file) {
  size_t table = file.find("\xFF\xDB", file.find("00dc"));
  ASSERT_NE(std::string::npos, table);
  EXPECT_EQ(std::string(64, '\x01'), file.substr(table + 5, 64));
}

void ExpectRendered(const std::wstring& path) {
  std::unique_ptr<MediaReader> reader;
  ASSERT_HRESULT_SUCCEEDED(MediaReaders::Open(path.c_str(), &reader));
  ASSERT_EQ(3u, reader->Streams().size());
  const AM_MEDIA_TYPE& video = reader->Streams()[0].type.Get();
  EXPECT_EQ(MAKEFOURCC('M', 'J', 'P', 'G'), reinterpret_cast<const VIDEOINFOHEADER*>(video.pbFormat)->bmiHeader.biCompression);
  for (int s : {1, 2}) {
    EXPECT_EQ(WAVE_FORMAT_IMA_ADPCM,
              reinterpret_cast<const WAVEFORMATEX*>(reader->Streams()[s].type.Get().pbFormat)->wFormatTag);
  }
  EXPECT_NEAR(5.0, double(reader->Streams()[0].length) / kSecond, 0.05);
  ExpectFinestQuantisation(ReadWholeFile(path));

  const struct {
    double at;
    COLORREF color;
  } frames[] = {{0.0, kStill},
                {1.0, Brightened(kStill, 0.2)},
                {1.5, Brightened(kStill, 0.3)},
                {2.5, kStill},
                {3.5, Halfway(kStill, kClip)},
                {4.5, kClip}};
  for (const auto& frame : frames) {
    COLORREF seen = FrameColor(*reader, frame.at);
    EXPECT_TRUE(IsColor(seen, frame.color, 16)) << frame.at << " s: " << std::hex << seen << " for " << frame.color;
  }
  const struct {
    int stream;
    double from, to;
    bool sound;
  } spans[] = {{1, 0.1, 2.9, false}, {1, 3.1, 4.9, true}, {2, 0.1, 0.9, false}, {2, 1.1, 1.9, true},
               {2, 2.1, 4.9, false}};
  for (const auto& span : spans) {
    double loudness = Loudness(*reader, span.stream, span.from, span.to);
    if (span.sound) EXPECT_GT(loudness, 2000) << "stream " << span.stream << " at " << span.from;
    else EXPECT_LT(loudness, 50) << "stream " << span.stream << " at " << span.from;
  }
}

class UserSessionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    RegisterEngineClasses();
    ASSERT_TRUE(CopyProgram(folder.Path())) << "no built program at " << MORVIK_EXE_PATH;
    ASSERT_TRUE(WriteWholeFile(folder.File(L"Morvik.ini"), "[Log]\r\nFileName=session.log\r\n"));
    WriteBitmap(folder.File(L"still.bmp"), 64, 48, kStill);
    ASSERT_HRESULT_SUCCEEDED(WriteClip());
    std::vector<INT16> tone = Sine(44100, 2, 44100, 8000);
    ASSERT_TRUE(WriteWholeFile(folder.File(L"voice.wav"),
                               PcmWav(16, 2, 44100, std::vector<int>(tone.begin(), tone.end()))));
  }
  void TearDown() override {
    RevokeEngineClasses();
    CoUninitialize();
  }

  // Two seconds of 64 x 48 frames of one colour at 25 fps, with a tone.
  HRESULT WriteClip() {
    AviStream video{Bytes(Bitmap(64, 48, 24))}, audio{Bytes(Pcm16(2, 44100))};
    std::string frame;
    for (int i = 0; i < 64 * 48; ++i) frame += {char(GetBValue(kClip)), char(GetGValue(kClip)), char(GetRValue(kClip))};
    std::vector<INT16> tone = Sine(88200, 2, 44100, 8000);
    for (int f = 0; f < 50; ++f) {
      video.chunks.push_back(frame);
      audio.chunks.push_back(AsBytes(std::vector<INT16>(tone.begin() + f * 3528, tone.begin() + (f + 1) * 3528)));
    }
    return WriteAvi(folder.File(L"clip.avi"), {video, audio});
  }

  void MakeProject(const MorvikRun& run) {
    ASSERT_EQ(L"Morvik", run.WaitForTitle(L"Morvik"));
    run.Command(kCommandNew);
    ASSERT_NO_FATAL_FAILURE(AddGroup(run));
    ASSERT_NO_FATAL_FAILURE(AddTrack(run));
    ASSERT_NO_FATAL_FAILURE(AddSource(run, 0, 0, L"0", folder.File(L"still.bmp"), L"02-source"));
    ASSERT_NO_FATAL_FAILURE(AddSource(run, 0, 2, L"3", folder.File(L"clip.avi")));
    ASSERT_NO_FATAL_FAILURE(AddSource(run, 1, 0, L"3", folder.File(L"clip.avi")));
    ASSERT_NO_FATAL_FAILURE(AddSource(run, 2, 0, L"1", folder.File(L"voice.wav")));
    ASSERT_NO_FATAL_FAILURE(AddEffect(run));
    ASSERT_NO_FATAL_FAILURE(AddTransition(run));
    run.Command(kCommandSaveAs);
    run.AnswerDialog(IDOK, folder.File(L"session"));
    ASSERT_TRUE(WaitForFile(folder.File(L"session.MVP")));
    // The dialog adds the default extension; Wine's in lower case.
    std::wstring title = run.WaitForTitle(L"Morvik - [session.mvp]");
    EXPECT_EQ(0, lstrcmpiW(L"Morvik - [session.MVP]", title.c_str())) << title;
    SendMessageW(run.WaitForWindow(L"QUEN_Morvik_Main"), WM_COMMAND, kCommandZoomToFit, 0);
    KeepScreen(L"04-saved");
  }

  TempFolder folder;
};

TEST_F(UserSessionTest, MakesSavesReopensPreviewsAndRendersAProject) {
  const std::wstring project = folder.File(L"session.MVP"), rendered = folder.File(L"session.avi");
  {
    MorvikRun run(folder.Path(), L"");
    ASSERT_NO_FATAL_FAILURE(MakeProject(run));
    EXPECT_EQ(0, run.Close());
  }
  ASSERT_NO_FATAL_FAILURE(ExpectSavedProject(project));
  {
    MorvikRun run(folder.Path(), L"\"" + project + L"\"");
    std::wstring title = run.WaitForTitle(L"Morvik - [" + project + L"]");
    ASSERT_EQ(0, lstrcmpiW((L"Morvik - [" + project + L"]").c_str(), title.c_str())) << title;
    ASSERT_NO_FATAL_FAILURE(Preview(run));
    ASSERT_NO_FATAL_FAILURE(Render(run, rendered));
    EXPECT_EQ(0, run.Close());
  }
  ExpectRendered(rendered);
  std::wstring log = ReadText(folder.File(L"session.log"));
  for (const wchar_t* line : {L"Starting...", L"Rendered (preview).", L"Render to file stop", L"Exit code: 0"})
    EXPECT_NE(std::wstring::npos, log.find(line)) << line << " not in\n" << log;
  EXPECT_EQ(log.find_last_not_of(L"\r\n") + 1, log.rfind(L"Exit code: 0") + 12) << log;
}

}  // namespace
