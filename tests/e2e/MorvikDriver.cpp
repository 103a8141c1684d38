#include "MorvikDriver.h"

#include <wincodec.h>

#include <algorithm>

#include "RiffBytes.h"
#include "ProcessWindow.h"
#include "TempFolder.h"
#include "TestMedia.h"

namespace {

constexpr int kMessageTextId = 0xFFFF;
constexpr int kFileNameComboId = 0x47C;

struct ChildSearch {
  const wchar_t* className;
  const wchar_t* textStart;
  std::vector<HWND> found;
};

BOOL CALLBACK MatchChild(HWND hwnd, LPARAM argument) {
  auto* search = reinterpret_cast<ChildSearch*>(argument);
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  if (lstrcmpiW(name, search->className) != 0) return TRUE;
  if (search->textStart && TextOf(hwnd).rfind(search->textStart, 0) != 0) return TRUE;
  search->found.push_back(hwnd);
  return TRUE;
}

std::vector<HWND> Children(HWND parent, const wchar_t* className, const wchar_t* textStart = nullptr) {
  ChildSearch search = {className, textStart, {}};
  EnumChildWindows(parent, &MatchChild, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The folder of the test program, where the build keeps what the tests leave.
std::wstring ProgramFolder() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring name = path;
  return name.substr(0, name.rfind(L'\\'));
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, int milliseconds) {
  for (int waited = 0; waited < milliseconds; waited += 50, Sleep(50)) {
    if (condition()) return true;
  }
  return condition();
}

bool WaitUntilGone(HWND hwnd) {
  return WaitUntil([&] { return !IsWindow(hwnd); }, 10000);
}

bool WaitForFile(const std::wstring& path) {
  return WaitUntil([&] { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }, 10000);
}

std::wstring TextOf(HWND hwnd) {
  wchar_t text[2048] = {};
  SendMessageTimeoutW(hwnd, WM_GETTEXT, 2048, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 2000, nullptr);
  return text;
}

std::wstring ReadText(const std::wstring& path) {
  std::string bytes = ReadWholeFile(path);
  if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
  }
  int length = MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
  std::wstring text(length, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, bytes.data(), static_cast<int>(bytes.size()), text.data(), length);
  return text;
}

void WriteBitmap(const std::wstring& path, int width, int height, COLORREF color) {
  std::string rows;
  for (int i = 0; i < width * height; ++i) rows += {char(GetBValue(color)), char(GetGValue(color)), char(GetRValue(color))};
  WriteWholeFile(path, EncodePicture(GUID_ContainerFormatBmp, width, height, rows));
}

HWND FindChild(HWND parent, const wchar_t* className, const wchar_t* textStart) {
  std::vector<HWND> found = Children(parent, className, textStart);
  return found.empty() ? nullptr : found.front();
}

std::vector<HWND> ControlsBelow(HWND window, const wchar_t* label, const wchar_t* className) {
  HWND caption = FindChild(window, L"Static", label);
  std::vector<std::pair<POINT, HWND>> below;
  RECT under = {};
  if (caption) GetWindowRect(caption, &under);
  for (HWND control : Children(window, className)) {
    RECT place;
    GetWindowRect(control, &place);
    if (caption && GetParent(control) == window && place.top >= under.top - 2)
      below.push_back({{place.left, place.top}, control});
  }
  std::sort(below.begin(), below.end(), [](auto& a, auto& b) {
    return a.first.y != b.first.y ? a.first.y < b.first.y : a.first.x < b.first.x;
  });
  std::vector<HWND> controls;
  for (auto& entry : below) controls.push_back(entry.second);
  return controls;
}

bool ChooseIndex(HWND combo, int index) {
  if (!combo || SendMessageW(combo, CB_SETCURSEL, index, 0) != index) return false;
  SendMessageW(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
  return true;
}

bool ChooseText(HWND combo, const wchar_t* text) {
  LRESULT at = SendMessageW(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
  return at >= 0 && ChooseIndex(combo, static_cast<int>(at));
}

void Type(HWND field, const std::wstring& text) {
  SendMessageW(field, EM_SETSEL, 0, -1);
  for (wchar_t c : text) SendMessageW(field, WM_CHAR, c, 1);
}

// Windows that have just appeared may not have painted all of their children yet.
BOOL CALLBACK PaintNow(HWND hwnd, LPARAM) {
  if (IsWindowVisible(hwnd))
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
  return TRUE;
}

void KeepScreen(const wchar_t* name) {
  EnumWindows(&PaintNow, 0);
  const int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
  HDC screen = GetDC(nullptr), memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFOHEADER info = Bitmap(width, -height, 24);
  std::string rows(size_t((width * 3 + 3) / 4 * 4) * height, '\0');
  GetDIBits(memory, bitmap, 0, height, rows.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  std::wstring folder = ProgramFolder() + L"\\screens";
  CreateDirectoryW(folder.c_str(), nullptr);
  WriteWholeFile(folder + L"\\" + name + L".png", EncodePicture(GUID_ContainerFormatPng, width, height, rows));
}

std::wstring SeenFromWine(const char* path) {
  std::wstring seen = L"Z:";
  for (const char* c = path; *c; ++c) seen += *c == '/' ? L'\\' : static_cast<wchar_t>(*c);
  return seen;
}

bool CopyProgram(const std::wstring& folder) {
  std::wstring built = SeenFromWine(MORVIK_EXE_PATH);
  std::wstring catalog = built.substr(0, built.rfind(L'\\')) + L"\\DSF_desc.xml";
  return CopyFileW(built.c_str(), (folder + L"\\Morvik.exe").c_str(), FALSE) &&
         CopyFileW(catalog.c_str(), (folder + L"\\DSF_desc.xml").c_str(), FALSE);
}

MorvikRun::MorvikRun(const std::wstring& folder, const std::wstring& arguments) {
  std::wstring program = folder + L"\\Morvik.exe";
  std::wstring line = L"\"" + program + L"\"" + (arguments.empty() ? L"" : L" " + arguments);
  STARTUPINFOW startup = {};
  startup.cb = sizeof(startup);
  started_ = CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                            &startup, &process_) != FALSE;
}

MorvikRun::~MorvikRun() {
  if (!started_) return;
  if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 9);
  CloseHandle(process_.hProcess);
  CloseHandle(process_.hThread);
}

HWND MorvikRun::WaitForWindow(const wchar_t* className, int milliseconds) const {
  HWND found = nullptr;
  WaitUntil([&] { return (found = VisibleWindowOf(process_.dwProcessId, className)) != nullptr; }, milliseconds);
  return found;
}

std::wstring MorvikRun::WaitForTitle(const std::wstring& title, int milliseconds) const {
  std::wstring seen = L"(no main window)";
  WaitUntil(
      [&] {
        HWND main = WaitForWindow(L"QUEN_Morvik_Main", 1);
        if (main) seen = TextOf(main);
        return lstrcmpiW(seen.c_str(), title.c_str()) == 0 && !WaitForWindow(L"QUEN_Morvik_Splash", 1);
      },
      milliseconds);
  return seen;
}

std::wstring MorvikRun::AnswerDialog(int button, const std::wstring& fileName) const {
  HWND box = WaitForWindow(L"#32770");
  if (!box) return L"(no dialog)";
  // A box may show before its controls are filled in.
  std::wstring text;
  WaitUntil(
      [&] {
        if (!fileName.empty()) return GetDlgItem(box, kFileNameComboId) != nullptr;
        return !(text = TextOf(GetDlgItem(box, kMessageTextId))).empty();
      },
      5000);
  if (!fileName.empty()) {
    SendMessageW(GetDlgItem(box, kFileNameComboId), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(fileName.c_str()));
  }
  PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED), 0);
  WaitUntilGone(box);
  return text;
}

void MorvikRun::Command(UINT id) const { PostMessageW(WaitForWindow(L"QUEN_Morvik_Main"), WM_COMMAND, id, 0); }

int MorvikRun::Close() const {
  PostMessageW(WaitForWindow(L"QUEN_Morvik_Main"), WM_CLOSE, 0, 0);
  if (WaitForSingleObject(process_.hProcess, 20000) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(process_.hProcess, &code);
  return static_cast<int>(code);
}
