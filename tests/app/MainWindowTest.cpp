#include <gtest/gtest.h>

#include "ComPtr.h"
#include "DialogAnswerer.h"
#include "EngineTestSupport.h"
#include "MainWindow.h"
#include "StatusBar.h"
#include "TimeLineRender.h"
#include "Text.h"
#include "TimeLineView.h"

namespace {

std::wstring StatusPart(MainWindow* window, int part) {
  wchar_t text[64];
  window->Status()->GetText(part, text, 64);
  return text;
}

void DropQuit() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

// A main window with a new project, as the program starts it.
MainWindow* OpenMain(bool show = false) {
  MainWindow* window = new MainWindow();
  EXPECT_EQ(0u, window->Create(nullptr, GetModuleHandleW(nullptr)));
  if (show) ShowWindow(window->Handle(), SW_SHOW);
  EXPECT_EQ(0, window->InitializeApplication(L"Morvik.exe"));
  return window;
}

// Closes it, not saving, unless the test closed it already.
void CloseMain(MainWindow* window) {
  if (IsWindow(window->Handle())) {
    DialogAnswerer answerer({{IDNO, L""}});
    SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
  }
  DropQuit();
  window->Destroy(false);
  DropQuit();
}

TEST(MainWindow, DeleteMarksTheProjectAndCloseAsksOnlyThen) {
  MainWindow* window = OpenMain();
  HWND hwnd = window->Handle();
  EXPECT_EQ(2, window->View()->GroupCount());
  EXPECT_EQ(L"00:00:00", StatusPart(window, 1));

  // A new project made while the question is up takes the object away first:
  // OK then deletes nothing and marks nothing.
  ComPtr<IAMTimelineObj> object(window->View()->Group(0)->tracks[1].object);
  {
    DialogAnswerer answerer({{IDOK, L""}});
    PostMessageW(hwnd, WM_COMMAND, kCommandNew, 0);
    window->DeleteItem(TIMELINE_MAJOR_TYPE_TRACK, object.Get());
  }
  EXPECT_FALSE(window->CurrentProject().Modified());
  EXPECT_EQ(2, window->View()->Group(0)->trackCount);

  object = ComPtr<IAMTimelineObj>(window->View()->Group(0)->tracks[1].object);
  {
    DialogAnswerer answerer({{IDCANCEL, L""}});
    window->DeleteItem(TIMELINE_MAJOR_TYPE_TRACK, object.Get());
  }
  EXPECT_FALSE(window->CurrentProject().Modified());
  EXPECT_EQ(L"", StatusPart(window, 0));
  {
    DialogAnswerer answerer({{IDOK, L""}});
    window->DeleteItem(TIMELINE_MAJOR_TYPE_TRACK, object.Get());
  }
  EXPECT_TRUE(window->CurrentProject().Modified());
  EXPECT_EQ(L"*", StatusPart(window, 0));
  EXPECT_EQ(1, window->View()->Group(0)->trackCount);

  {
    DialogAnswerer answerer({{IDCANCEL, L""}});
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
    EXPECT_EQ(1u, answerer.Boxes().size());
  }
  EXPECT_TRUE(IsWindow(hwnd));
  {
    DialogAnswerer answerer({{IDNO, L""}});
    SendMessageW(hwnd, WM_CLOSE, 0, 0);
  }
  EXPECT_FALSE(IsWindow(hwnd));
  CloseMain(window);
}

// The View menu's Zoom to fit, and the status bar's words for a pressed item.
TEST(MainWindow, ZoomToFitAndTheStatusOfThePressedItem) {
  MainWindow* window = OpenMain();
  ComPtr<IAMTimelineObj> source;
  window->Timeline()->CreateEmptyNode(source.Receive(), TIMELINE_MAJOR_TYPE_SOURCE);
  source->SetStartStop(0, 100000000);
  BSTR name = SysAllocString(L"Clip");
  source->SetUserName(name);
  SysFreeString(name);
  ComPtr<IAMTimelineObj>(window->View()->Group(0)->tracks[0].object)
      .As<IAMTimelineTrack>(IID_IAMTimelineTrack)
      ->SrcAdd(source.Get());
  window->View()->Refresh(true);
  SendMessageW(window->Handle(), WM_COMMAND, kCommandZoomToFit, 0);
  TimeLineModel* view = window->View();
  int64_t end = view->XOfTime(10000000);  // unzoomed, end / 2 would lie in the header column
  // The video group's track 0 lies below track 1: its sources row from y 120.
  SendMessageW(view->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(end / 2, 140));
  wchar_t text[128];
  window->Status()->GetText(2, text, 128);
  EXPECT_STREQ(L"Source \"Clip\": 00:00:00,000000 to 00:00:10,000000, length 00:00:10,000000", text);
  source.Reset();
  window->CurrentProject().MarkModified();  // a rebuild forgets the selection
  window->Status()->GetText(2, text, 128);
  EXPECT_STREQ(L"", text);
  CloseMain(window);
}

// Runs the program's loop (TranslateKey first) until the queue is empty.
void Pump(MainWindow* window) {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    if (msg.message == WM_QUIT) continue;
    if (window->TranslateKey(&msg)) continue;
    if (Window::HandleDialogMessage(&msg)) continue;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
}

// A key as the keyboard brings it to target, Ctrl held when asked.
void Press(MainWindow* window, HWND target, UINT key, bool control = false) {
  BYTE state[256];
  GetKeyboardState(state);
  state[VK_CONTROL] = control ? 0x80 : 0;
  SetKeyboardState(state);
  PostMessageW(target, WM_KEYDOWN, key, 1);
  PostMessageW(target, WM_KEYUP, key, 0xC0000001);
  Pump(window);
  state[VK_CONTROL] = 0;
  SetKeyboardState(state);
}

// Inside a property window's own loop: notes where the focus is and presses
// a key there.
struct KeyInWindow {
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    HWND focus = GetFocus();
    wchar_t text[64] = {};
    GetWindowTextW(GetAncestor(focus, GA_ROOT), text, 64);
    caption = text;
    focusIsField = focus && GetAncestor(focus, GA_ROOT) != focus;
    PostMessageW(focus, WM_KEYDOWN, key, 1);
  }
  static void Arm(UINT pressed) {
    key = pressed;
    caption.clear();
    focusIsField = false;
    SetTimer(nullptr, 0, 60, &OnTimer);
  }
  static UINT key;
  static std::wstring caption;
  static bool focusIsField;
};
UINT KeyInWindow::key = 0;
std::wstring KeyInWindow::caption;
bool KeyInWindow::focusIsField = false;

void AddSourceTo(IAMTimeline* timeline, IAMTimelineObj* track) {
  ComPtr<IAMTimelineObj> source;
  ASSERT_EQ(S_OK, timeline->CreateEmptyNode(source.Receive(), TIMELINE_MAJOR_TYPE_SOURCE));
  source->SetStartStop(0, 20000000);
  ASSERT_EQ(S_OK, ComPtr<IAMTimelineObj>(track).As<IAMTimelineTrack>(IID_IAMTimelineTrack)->SrcAdd(source.Get()));
}

TEST(MainWindow, KeysDriveEditingUndoAndThePropertyWindows) {
  MainWindow* window = OpenMain(true);
  IAMTimeline* timeline = window->Timeline();
  HWND view = window->View()->Handle();
  const std::wstring fresh = ProjectText(timeline);

  // Enter in a new group's window makes it; the track window then starts on
  // that group, and Enter there adds the track to it. Escape adds nothing.
  const struct {
    int command;
    UINT key;
    const wchar_t* caption;
  } windows[] = {
      {kCommandAddGroup, VK_RETURN, L"New timeline group"},
      {kCommandAddTrack, VK_RETURN, L"New timeline track"},
      {kCommandAddSource, VK_ESCAPE, L"New timeline source"},
  };
  for (const auto& w : windows) {
    KeyInWindow::Arm(w.key);
    SendMessageW(window->Handle(), WM_COMMAND, w.command, 0);
    EXPECT_EQ(w.caption, KeyInWindow::caption);
    EXPECT_TRUE(KeyInWindow::focusIsField) << w.command;
  }
  ASSERT_EQ(3, window->View()->GroupCount());
  EXPECT_EQ(2, window->View()->Group(2)->trackCount);
  const std::wstring added = ProjectText(timeline);
  ASSERT_NE(fresh, added);

  // Delete takes the selected source away; Ctrl+Z and Ctrl+Y go through every state.
  AddSourceTo(timeline, window->View()->Group(0)->tracks[0].object);
  window->CurrentProject().MarkModified();
  const std::wstring withSource = ProjectText(timeline);
  ASSERT_EQ(1, window->View()->Group(0)->tracks[0].sourceCount);

  // A drag from track 0 (sources row from y 120) to track 1 (from y 36) is one
  // step, which Ctrl+Z takes back.
  SendMessageW(window->Handle(), WM_COMMAND, kCommandZoomToFit, 0);
  const int x = static_cast<int>(window->View()->XOfTime(1000000));
  const size_t undoSteps = window->CurrentProject().History().UndoSteps();
  SendMessageW(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, 140));
  SendMessageW(view, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(x, 60));
  SendMessageW(view, WM_LBUTTONUP, 0, MAKELPARAM(x, 60));
  EXPECT_EQ(1, window->View()->Group(0)->tracks[1].sourceCount);
  EXPECT_EQ(undoSteps + 1, window->CurrentProject().History().UndoSteps());
  Press(window, view, 'Z', true);
  EXPECT_EQ(withSource, ProjectText(timeline));
  window->View()->Group(0)->tracks[0].sources[0].selected = 1;
  {
    DialogAnswerer answerer({{IDOK, L""}});
    Press(window, view, VK_DELETE);
  }
  const std::wstring deleted = ProjectText(timeline);
  EXPECT_EQ(0, window->View()->Group(0)->tracks[0].sourceCount);
  struct {
    UINT key;
    const std::wstring* expected;
  } const steps[] = {{'Z', &withSource}, {'Z', &added}, {'Y', &withSource}, {'Y', &deleted}, {'Y', &deleted}};
  for (const auto& step : steps) {
    Press(window, view, step.key, true);
    EXPECT_EQ(*step.expected, ProjectText(timeline));
    EXPECT_TRUE(window->CurrentProject().Modified());
  }

  // Ctrl+O and Ctrl+S open their file dialogs; Ctrl+N asks, then forgets every step.
  for (UINT key : {'O', 'S'}) {
    DialogAnswerer answerer({{IDCANCEL, L""}, {IDCANCEL, L""}});
    Press(window, view, key, true);
    EXPECT_FALSE(answerer.Boxes().empty()) << static_cast<char>(key);
  }
  {
    DialogAnswerer answerer({{IDNO, L""}});
    Press(window, view, 'N', true);
    EXPECT_EQ(1u, answerer.Boxes().size());
  }
  EXPECT_EQ(fresh, ProjectText(timeline));
  EXPECT_EQ(0u, window->CurrentProject().History().UndoSteps());
  Press(window, view, 'Z', true);
  EXPECT_EQ(fresh, ProjectText(timeline));

  // F5 brings the preview; Space there plays and pauses.
  {
    DialogAnswerer answerer({{IDOK, L""}});  // no sound card here: the audio group is not heard
    Press(window, view, VK_F5);
  }
  ASSERT_NE(nullptr, window->Preview());
  HWND preview = window->Preview()->Handle();
  EXPECT_TRUE(window->Preview()->ShowsPlayIcon());
  Press(window, preview, VK_SPACE);
  EXPECT_FALSE(window->Preview()->ShowsPlayIcon());
  Press(window, preview, VK_SPACE);
  EXPECT_TRUE(window->Preview()->ShowsPlayIcon());
  CloseMain(window);
}

bool MenuGrayed(HWND hwnd, UINT id) { return (GetMenuState(GetMenu(hwnd), id, MF_BYCOMMAND) & MF_GRAYED) != 0; }

TEST(MainWindow, TheRenderWindowGraysTheMenusUntilItCloses) {
  MainWindow* window = OpenMain();
  HWND hwnd = window->Handle();
  EXPECT_FALSE(MenuGrayed(hwnd, kCommandRender));
  SendMessageW(hwnd, WM_COMMAND, kCommandRender, 0);
  ASSERT_NE(nullptr, window->RenderWindow());
  HWND render = window->RenderWindow()->Handle();
  EXPECT_EQ(hwnd, GetWindow(render, GW_OWNER));
  for (UINT menu : {kMenuProject, kMenuView, kMenuEdit, kMenuHelp}) EXPECT_TRUE(MenuGrayed(hwnd, menu)) << menu;
  SendMessageW(render, WM_CLOSE, 0, 0);  // idle: no question
  MSG msg;
  while (window->RenderWindow() && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  EXPECT_EQ(nullptr, window->RenderWindow());
  for (UINT menu : {kMenuProject, kMenuView, kMenuEdit, kMenuHelp}) EXPECT_FALSE(MenuGrayed(hwnd, menu)) << menu;
  CloseMain(window);
}

}  // namespace
