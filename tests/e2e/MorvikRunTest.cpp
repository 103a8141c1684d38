#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "RiffBytes.h"
#include "TempFolder.h"

namespace {

constexpr UINT kSaveAs = 14;
constexpr UINT kAbout = 41;
constexpr UINT kAddGroup = 31;
constexpr UINT kAddTrack = 32;
constexpr UINT kAddSource = 33;
constexpr UINT kRenderToFile = 15;
constexpr UINT kPreview = 21;
constexpr int kMessageTextId = 0xFFFF;
constexpr int kFileNameComboId = 0x47C;

// The built program, seen from inside Wine.
std::wstring BuiltProgram() {
  std::string unix = MORVIK_EXE_PATH;
  std::wstring path = L"Z:";
  for (char c : unix) path += c == '/' ? L'\\' : static_cast<wchar_t>(c);
  return path;
}

std::wstring TextOf(HWND hwnd) {
  wchar_t text[2048] = {};
  SendMessageTimeoutW(hwnd, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                      2000, nullptr);
  return text;
}

struct Search {
  DWORD pid;
  const wchar_t* className;
  HWND found;
};

BOOL CALLBACK MatchWindow(HWND hwnd, LPARAM argument) {
  auto* search = reinterpret_cast<Search*>(argument);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  wchar_t name[64];
  if (pid == search->pid && IsWindowVisible(hwnd) && GetClassNameW(hwnd, name, 64) &&
      lstrcmpW(name, search->className) == 0) {
    search->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

// Reads a file as text, UTF-16 with a byte-order mark or UTF-8.
std::wstring ReadText(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return L"";
  std::string bytes(GetFileSize(file, nullptr), '\0');
  DWORD read = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
  }
  int length = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(length, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), length);
  return text;
}

// One run of Morvik.exe from a folder of its own.
class MorvikRun {
 public:
  MorvikRun(const std::wstring& folder, const std::wstring& arguments) {
    std::wstring program = folder + L"\\Morvik.exe";
    std::wstring line = L"\"" + program + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    started_ = CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              folder.c_str(), &startup, &process_) != FALSE;
  }
  ~MorvikRun() {
    if (!started_) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 9);
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
  }

  bool Started() const { return started_; }

  HWND WaitForWindow(const wchar_t* className, int milliseconds = 20000) const {
    for (int waited = 0; waited < milliseconds; waited += 50) {
      Search search = {process_.dwProcessId, className, nullptr};
      EnumWindows(&MatchWindow, reinterpret_cast<LPARAM>(&search));
      if (search.found) return search.found;
      Sleep(50);
    }
    return nullptr;
  }

  // Waits until the main window shows a title, start-up being over; answers
  // the last title seen.
  std::wstring WaitForTitle(const std::wstring& title, int milliseconds = 20000) const {
    std::wstring seen = L"(no main window)";
    for (int waited = 0; waited < milliseconds; waited += 50) {
      HWND main = WaitForWindow(L"QUEN_Morvik_Main", 50);
      if (main) seen = TextOf(main);
      if (lstrcmpiW(seen.c_str(), title.c_str()) == 0 && !WaitForWindow(L"QUEN_Morvik_Splash", 1)) break;
      Sleep(50);
    }
    return seen;
  }

  // Presses a dialog's button, after typing a file name when given one;
  // returns the dialog's message text.
  std::wstring AnswerDialog(int button, const std::wstring& fileName = L"") const {
    HWND box = WaitForWindow(L"#32770");
    if (!box) return L"(no dialog)";
    std::wstring text = TextOf(GetDlgItem(box, kMessageTextId));
    if (!fileName.empty()) {
      SendMessageW(GetDlgItem(box, kFileNameComboId), WM_SETTEXT, 0,
                   reinterpret_cast<LPARAM>(fileName.c_str()));
    }
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
    return text;
  }

  void Command(UINT id) const {
    PostMessageW(WaitForWindow(L"QUEN_Morvik_Main"), WM_COMMAND, id, 0);
  }

  // Closes the main window and answers the exit code (-1 when it did not end).
  int Close() const {
    PostMessageW(WaitForWindow(L"QUEN_Morvik_Main"), WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process_.hProcess, 20000) != WAIT_OBJECT_0) return -1;
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    return static_cast<int>(code);
  }

 private:
  PROCESS_INFORMATION process_ = {};
  bool started_ = false;
};

bool WaitForFile(const std::wstring& path) {
  for (int waited = 0; waited < 10000; waited += 50) {
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return true;
    Sleep(50);
  }
  return false;
}

class MorvikRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CopyFileW(BuiltProgram().c_str(), (folder.Path() + L"\\Morvik.exe").c_str(), FALSE))
        << "no built program at " << MORVIK_EXE_PATH;
  }
  void WriteSettings(const char* text) {
    HANDLE file = CreateFileW(folder.File(L"Morvik.ini").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, 0, nullptr);
    DWORD written;
    WriteFile(file, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
    CloseHandle(file);
  }

  TempFolder folder;
};

TEST_F(MorvikRunTest, WithoutSettingsMakesThemEmptyAndKeepsNoLog) {
  {
    MorvikRun run(folder.Path(), L"");
    ASSERT_TRUE(run.Started());
    ASSERT_EQ(L"Morvik", run.WaitForTitle(L"Morvik"));
    // The About box reads the program's own version record.
    run.Command(kAbout);
    std::wstring about = run.AnswerDialog(IDOK);
    EXPECT_EQ(0u, about.find(L"Morvik\n\n0.1.0 (64 bit)\n\n")) << about;
    EXPECT_EQ(0, run.Close());
  }
  EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(folder.File(L"Morvik.ini").c_str()));
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(folder.File(L"*.log").c_str(), &found);
  EXPECT_EQ(INVALID_HANDLE_VALUE, search);
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

TEST_F(MorvikRunTest, SavesReopensAndRecoversFromABadProject) {
  WriteSettings("[Log]\r\nFileName=run.log\r\n");
  std::wstring project = folder.File(L"proj.MVP");
  {
    MorvikRun run(folder.Path(), L"");
    ASSERT_EQ(L"Morvik", run.WaitForTitle(L"Morvik"));
    run.Command(kSaveAs);
    run.AnswerDialog(IDOK, folder.File(L"proj"));
    ASSERT_TRUE(WaitForFile(project));
    // The dialog adds the default extension; Wine's in lower case.
    std::wstring title = run.WaitForTitle(L"Morvik - [proj.mvp]");
    EXPECT_EQ(0, lstrcmpiW(L"Morvik - [proj.MVP]", title.c_str())) << title;
    EXPECT_EQ(0, run.Close());
  }
  std::wstring saved = ReadText(project);
  EXPECT_NE(std::wstring::npos, saved.find(L"Video group"));
  EXPECT_NE(std::wstring::npos, saved.find(L"Audio group"));
  std::wstring log = ReadText(folder.File(L"run.log"));
  EXPECT_NE(std::wstring::npos, log.find(L"Starting..."));
  EXPECT_LT(log.find(L"Starting..."), log.find(L"Exit code: 0"));
  // "Exit code: 0" is the last line.
  size_t end = log.find_last_not_of(L"\r\n");
  EXPECT_EQ(end + 1, log.rfind(L"Exit code: 0") + 12);

  {
    MorvikRun run(folder.Path(), L"\"" + project + L"\"");
    EXPECT_EQ(L"Morvik - [" + project + L"]", run.WaitForTitle(L"Morvik - [" + project + L"]"));
    EXPECT_EQ(0, run.Close());
  }

  std::wstring bad = folder.File(L"bad.mvp");
  HANDLE file = CreateFileW(bad.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written;
  WriteFile(file, "\x01\x02garbage", 9, &written, nullptr);
  CloseHandle(file);
  {
    MorvikRun run(folder.Path(), L"\"" + bad + L"\"");
    EXPECT_EQ(bad + L"\n\nInvalid file format", run.AnswerDialog(IDOK));
    ASSERT_EQ(L"Morvik", run.WaitForTitle(L"Morvik"));
    run.Command(kSaveAs);
    run.AnswerDialog(IDOK, folder.File(L"fresh"));
    ASSERT_TRUE(WaitForFile(folder.File(L"fresh.MVP")));
    EXPECT_EQ(0, run.Close());
  }
  EXPECT_NE(std::wstring::npos, ReadText(folder.File(L"fresh.MVP")).find(L"Audio group"));
}

bool WaitUntilGone(HWND hwnd) {
  for (int waited = 0; waited < 10000 && IsWindow(hwnd); waited += 50) Sleep(50);
  return !IsWindow(hwnd);
}

size_t Occurrences(const std::wstring& text, const std::wstring& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + 1)) ++count;
  return count;
}

TEST_F(MorvikRunTest, AddsAGroupAndATrackThroughTheirWindows) {
  {
    MorvikRun run(folder.Path(), L"");
    ASSERT_EQ(L"Morvik", run.WaitForTitle(L"Morvik"));
    run.Command(kAddGroup);
    HWND window = run.WaitForWindow(L"WndTLGroup");
    ASSERT_NE(nullptr, window);
    PostMessageW(window, WM_COMMAND, IDOK, 0);  // Enter: OK with what the window proposes
    ASSERT_TRUE(WaitUntilGone(window));
    run.Command(kAddTrack);
    window = run.WaitForWindow(L"WndTLTrack");
    ASSERT_NE(nullptr, window);
    PostMessageW(window, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntilGone(window));
    run.Command(kSaveAs);
    run.AnswerDialog(IDOK, folder.File(L"grown"));
    ASSERT_TRUE(WaitForFile(folder.File(L"grown.MVP")));
    EXPECT_EQ(0, run.Close());
  }
  std::wstring saved = ReadText(folder.File(L"grown.MVP"));
  EXPECT_EQ(3u, Occurrences(saved, L"<group ")) << saved;
  EXPECT_EQ(5u, Occurrences(saved, L"<track")) << saved;  // 2 + 1 + the new group's 1 + the new track
}

// A width x height 24-bit picture of one colour, written as a plain BMP file.
void WriteBitmap(const std::wstring& path, int width = 4, int height = 2, COLORREF color = RGB(0x80, 0x80, 0x80)) {
  const int stride = (width * 3 + 3) / 4 * 4;
  BITMAPFILEHEADER file = {};
  BITMAPINFOHEADER info = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(file) + sizeof(info);
  file.bfSize = file.bfOffBits + stride * height;
  info.biSize = sizeof(info);
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  std::string pixels(stride * height, '\0');
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      pixels[y * stride + x * 3] = char(GetBValue(color));
      pixels[y * stride + x * 3 + 1] = char(GetGValue(color));
      pixels[y * stride + x * 3 + 2] = char(GetRValue(color));
    }
  HANDLE out = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written;
  WriteFile(out, &file, sizeof(file), &written, nullptr);
  WriteFile(out, &info, sizeof(info), &written, nullptr);
  WriteFile(out, pixels.data(), static_cast<DWORD>(pixels.size()), &written, nullptr);
  CloseHandle(out);
}

BOOL CALLBACK FindBrowseButton(HWND hwnd, LPARAM found) {
  wchar_t text[8] = {};
  SendMessageW(hwnd, WM_GETTEXT, 8, reinterpret_cast<LPARAM>(text));
  if (lstrcmpW(text, L"...") != 0) return TRUE;
  *reinterpret_cast<HWND*>(found) = hwnd;
  return FALSE;
}

TEST_F(MorvikRunTest, AddsAPictureAsASourceThroughItsWindow) {
  std::wstring picture = folder.File(L"still.bmp");
  WriteBitmap(picture);
  {
    MorvikRun run(folder.Path(), L"");
    ASSERT_EQ(L"Morvik", run.WaitForTitle(L"Morvik"));
    run.Command(kAddSource);
    HWND window = run.WaitForWindow(L"WndTLSource");
    ASSERT_NE(nullptr, window);
    HWND browse = nullptr;
    EnumChildWindows(window, &FindBrowseButton, reinterpret_cast<LPARAM>(&browse));
    ASSERT_NE(nullptr, browse);
    PostMessageW(browse, BM_CLICK, 0, 0);
    run.AnswerDialog(IDOK, picture);  // the open dialog
    for (int waited = 0; waited < 5000 && run.WaitForWindow(L"#32770", 50); waited += 50) {
    }
    Sleep(200);  // the picture is examined before OK arrives
    PostMessageW(window, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntilGone(window));
    run.Command(kSaveAs);
    run.AnswerDialog(IDOK, folder.File(L"with-picture"));
    ASSERT_TRUE(WaitForFile(folder.File(L"with-picture.MVP")));
    EXPECT_EQ(0, run.Close());
  }
  std::wstring saved = ReadText(folder.File(L"with-picture.MVP"));
  EXPECT_NE(std::wstring::npos, saved.find(L"still.bmp")) << saved;
  EXPECT_NE(std::wstring::npos, saved.find(L"<clip")) << saved;
}

void WriteBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD written;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

// The screen at a point of the preview's client area, in fractions of the video area.
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

bool IsColor(COLORREF pixel, COLORREF color) {
  return abs(GetRValue(pixel) - GetRValue(color)) + abs(GetGValue(pixel) - GetGValue(color)) +
             abs(GetBValue(pixel) - GetBValue(color)) < 60;
}

// Waits until the preview's middle shows a, or, when b differs, its middle
// lines show both. Without a window manager an activated owner covers the
// preview: bring it up as one would.
bool WaitForColors(HWND preview, COLORREF a, COLORREF b) {
  for (int waited = 0; waited < 10000; waited += 100, Sleep(100)) {
    SetWindowPos(preview, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    bool seenA = false, seenB = false;
    for (double f = 0.05; f < 1; f += 0.1) {
      for (COLORREF pixel : {ScreenPixel(preview, f, 0.5), ScreenPixel(preview, 0.5, f)}) {
        seenA = seenA || IsColor(pixel, a);
        seenB = seenB || IsColor(pixel, b);
      }
    }
    if (a == b ? IsColor(ScreenPixel(preview, 0.5, 0.5), a) : seenA && seenB) return true;
  }
  return false;
}

// The screen within rect as a 24-bit BMP file beside the test program, for the README.
void SaveScreen(const RECT& rect) {
  int width = rect.right - rect.left, height = rect.bottom - rect.top;
  HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFOHEADER info = Bitmap(width, height, 24);
  std::string rows(size_t((width * 3 + 3) / 4 * 4) * height, '\0');
  GetDIBits(memory, bitmap, 0, height, rows.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof info;
  BITMAPFILEHEADER file = {0x4D42, DWORD(offset + rows.size()), 0, 0, offset};
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring name = path;
  WriteBytes(name.substr(0, name.rfind(L'\\')) + L"\\preview-screenshot.bmp", Bytes(file) + Bytes(info) + rows);
}

TEST_F(MorvikRunTest, PreviewPlaysPausesAndSeeksAProject) {
  WriteSettings("[Log]\r\nFileName=run.log\r\n");
  const COLORREF red = RGB(220, 40, 40), blue = RGB(40, 60, 220);
  WriteBitmap(folder.File(L"red.bmp"), 64, 48, red);
  WriteBitmap(folder.File(L"blue.bmp"), 64, 48, blue);
  std::vector<int> tone;
  for (int i = 0; i < 44100 * 3; ++i) tone.insert(tone.end(), 2, (i % 100 - 50) * 100);
  WriteBytes(folder.File(L"tone.wav"), PcmWav(16, 2, 44100, tone));
  std::string at(folder.Path().begin(), folder.Path().end());  // blue wipes in over red from 1 to 2 s
  WriteBytes(folder.File(L"show.mvp"),
             "<timeline><group type=\"video\" width=\"320\" height=\"240\" bitdepth=\"24\" framerate=\"30\">"
             "<track><clip src=\"" + at + "\\red.bmp\" start=\"0\" stop=\"3\"/></track>"
             "<track><clip src=\"" + at + "\\blue.bmp\" start=\"1\" stop=\"3\"/>"
             "<transition clsid=\"{A5D526D9-5062-4453-91AA-E66CBA26C676}\" start=\"1\" stop=\"2\"/></track></group>"
             "<group type=\"audio\" samplingrate=\"44100\"><track><clip src=\"" + at +
             "\\tone.wav\" start=\"0\" stop=\"3\"/></track></group></timeline>");
  {
    MorvikRun run(folder.Path(), L"\"" + folder.File(L"show.mvp") + L"\"");
    std::wstring title = L"Morvik - [" + folder.File(L"show.mvp") + L"]";
    ASSERT_EQ(title, run.WaitForTitle(title));
    run.Command(kPreview);
    HWND preview = run.WaitForWindow(L"TimeLineView");
    ASSERT_NE(nullptr, preview);
    EXPECT_TRUE(WaitForColors(preview, red, red));  // the frame at the cursor, 0 s
    RECT client;
    GetClientRect(preview, &client);
    HWND play = ChildWindowFromPoint(preview, {10, client.bottom - 14});
    PostMessageW(play, BM_CLICK, 0, 0);
    std::wstring caption;
    for (int waited = 0; waited < 10000 && caption.find(L"Preview 00:00:01,") != 0; waited += 50, Sleep(50))
      caption = TextOf(preview);
    EXPECT_EQ(0u, caption.find(L"Preview 00:00:01,")) << caption;
    PostMessageW(play, BM_CLICK, 0, 0);  // pause: the position holds
    caption.clear();
    for (int tries = 0; tries < 20 && caption != TextOf(preview); ++tries, Sleep(600)) caption = TextOf(preview);
    Sleep(1200);
    EXPECT_EQ(caption, TextOf(preview));

    // A press on the timeline's ruler moves the cursor, and the preview follows.
    HWND main = run.WaitForWindow(L"QUEN_Morvik_Main");
    HWND view = FindWindowExW(main, nullptr, L"TimeLineModel", nullptr);
    PostMessageW(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(45, 5));  // 2.5 s
    EXPECT_TRUE(WaitForColors(preview, blue, blue));
    PostMessageW(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(43, 5));  // 1.5 s: half wiped
    EXPECT_TRUE(WaitForColors(preview, red, blue));
    RECT mainRect, previewRect, both;
    GetWindowRect(main, &mainRect);
    GetWindowRect(preview, &previewRect);
    UnionRect(&both, &mainRect, &previewRect);
    SaveScreen(both);

    PostMessageW(play, BM_CLICK, 0, 0);
    PostMessageW(preview, WM_CLOSE, 0, 0);  // while it plays
    EXPECT_TRUE(WaitUntilGone(preview));
    EXPECT_EQ(0, run.Close());
  }
  std::wstring log = ReadText(folder.File(L"run.log"));
  EXPECT_LT(log.find(L"Rendering..."), log.find(L"Rendered (preview).")) << log;
  EXPECT_NE(std::wstring::npos, log.find(L"Rendered (preview).")) << log;
}

TEST_F(MorvikRunTest, LoadProblemsReachTheLog) {
  WriteSettings("[Log]\r\nFileName=problems.log\r\n");
  std::wstring project = folder.File(L"odd.mvp");
  HANDLE file = CreateFileW(project.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  const char text[] =
      "<timeline><bogus/><group type=\"audio\" samplingrate=\"44100\" name=\"Kept\">"
      "<track><clip src=\"a.wav\" start=\"-5\" stop=\"1\"/></track></group></timeline>";
  DWORD written;
  WriteFile(file, text, sizeof(text) - 1, &written, nullptr);
  CloseHandle(file);
  {
    MorvikRun run(folder.Path(), L"\"" + project + L"\"");
    EXPECT_EQ(L"Morvik - [" + project + L"]", run.WaitForTitle(L"Morvik - [" + project + L"]"));
    EXPECT_EQ(0, run.Close());
  }
  std::wstring log = ReadText(folder.File(L"problems.log"));
  EXPECT_NE(std::wstring::npos, log.find(L"ERROR: severity=")) << log;
  EXPECT_NE(std::wstring::npos, log.find(L"bogus")) << log;
}

struct ChildSearch {
  const wchar_t* className;
  const wchar_t* textStart;
  HWND found;
};

BOOL CALLBACK MatchChild(HWND hwnd, LPARAM argument) {
  auto* search = reinterpret_cast<ChildSearch*>(argument);
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  if (lstrcmpiW(name, search->className) != 0) return TRUE;
  if (search->textStart && TextOf(hwnd).rfind(search->textStart, 0) != 0) return TRUE;
  search->found = hwnd;
  return FALSE;
}

HWND FindChild(HWND parent, const wchar_t* className, const wchar_t* textStart = nullptr) {
  ChildSearch search = {className, textStart, nullptr};
  EnumChildWindows(parent, &MatchChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// Picks a compressor in a grid row through the cell's drop-down list, as a user does.
bool ChooseCompressor(HWND grid, int row, const wchar_t* name) {
  // Columns 100 + 100 + 50 wide, then the compressor; the header and rows 20 high.
  LPARAM cell = MAKELPARAM(350, 30 + 20 * row);
  SendMessageW(grid, WM_LBUTTONDOWN, MK_LBUTTON, cell);
  SendMessageW(grid, WM_LBUTTONUP, 0, cell);
  SendMessageW(grid, WM_KEYDOWN, VK_RETURN, 1);
  HWND list = FindChild(grid, L"ComboBox");
  if (!list) return false;
  LRESULT index = SendMessageW(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name));
  if (index < 0) return false;
  SendMessageW(list, CB_SETCURSEL, index, 0);
  SendMessageW(list, WM_KEYDOWN, VK_RETURN, 1);
  return FindChild(grid, L"ComboBox") == nullptr;  // committed
}

TEST_F(MorvikRunTest, RendersAProjectToFileWithChosenCompressors) {
  WriteBitmap(folder.File(L"still.bmp"));
  std::wstring project = folder.File(L"short.mvp");
  std::wstring rendered = folder.File(L"rendered.avi");
  std::string xml =
      "<timeline><group type=\"video\" width=\"160\" height=\"120\" bitdepth=\"24\" framerate=\"25\" name=\"Pictures\"><track>"
      "<clip src=\"still.bmp\" start=\"0\" stop=\"60\" mstart=\"0\" mstop=\"5\"/></track></group>"
      "<group type=\"audio\" samplingrate=\"22050\" name=\"Silence\"><track/></group></timeline>";
  ASSERT_TRUE(WriteWholeFile(project, xml));
  std::string narrow(rendered.begin(), rendered.end());
  std::string settings = "[Log]\r\nFileName=render.log\r\n[RenderFile]\r\nFileName=" + narrow + "\r\n";
  WriteSettings(settings.c_str());
  {
    MorvikRun run(folder.Path(), L"\"" + project + L"\"");
    ASSERT_EQ(L"Morvik - [" + project + L"]", run.WaitForTitle(L"Morvik - [" + project + L"]"));
    run.Command(kRenderToFile);
    HWND window = run.WaitForWindow(L"TimeLineRender");
    ASSERT_NE(nullptr, window);
    HWND grid = FindChild(window, L"QuenGridStr");
    ASSERT_NE(nullptr, grid);
    EXPECT_TRUE(ChooseCompressor(grid, 0, L"Morvik Motion JPEG"));
    EXPECT_TRUE(ChooseCompressor(grid, 1, L"Morvik IMA ADPCM"));
    PostMessageW(FindChild(window, L"Button", L"Start"), BM_CLICK, 0, 0);
    HWND stop = nullptr;
    for (int waited = 0; waited < 10000 && !stop; waited += 50, Sleep(50)) stop = FindChild(window, L"Button", L"Stop");
    ASSERT_NE(nullptr, stop);
    // Closing the program while rendering asks; Cancel keeps both windows.
    PostMessageW(run.WaitForWindow(L"QUEN_Morvik_Main"), WM_CLOSE, 0, 0);
    EXPECT_EQ(L"Render is in progress now. Do you want to interrupt?\nResult file can be corrupted.",
              run.AnswerDialog(IDCANCEL));
    Sleep(500);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_NE(nullptr, run.WaitForWindow(L"QUEN_Morvik_Main", 100));
    HWND done = nullptr;
    for (int waited = 0; waited < 120000 && !done; waited += 100, Sleep(100)) done = FindChild(window, L"Static", L"Done: ");
    ASSERT_NE(nullptr, done) << "the render did not end";
    if (const char* linger = getenv("MORVIK_SHOW_MS")) Sleep(atoi(linger));
    PostMessageW(window, WM_CLOSE, 0, 0);
    ASSERT_TRUE(WaitUntilGone(window));
    EXPECT_EQ(0, run.Close());
  }
  std::string bytes = ReadWholeFile(rendered);
  ASSERT_GT(bytes.size(), 10000u);
  EXPECT_EQ(0u, bytes.find("RIFF"));
  EXPECT_EQ(8u, bytes.find("AVI "));
  EXPECT_NE(std::string::npos, bytes.find("MJPG"));
  EXPECT_NE(std::string::npos, bytes.find("movi"));
  std::wstring log = ReadText(folder.File(L"render.log"));
  EXPECT_NE(std::wstring::npos, log.find(L"Render to file start")) << log;
  EXPECT_NE(std::wstring::npos, log.find(L"Render to file stop")) << log;
}

}  // namespace
