#include <gtest/gtest.h>

#include "ComPtr.h"
#include "DialogAnswerer.h"
#include "FilterList.h"
#include "MainWindow.h"
#include "StatusBar.h"
#include "TimeLineRender.h"
#include "Text.h"

namespace {

std::wstring StatusPart(MainWindow* window, int part) {
  wchar_t text[64];
  window->Status()->GetText(part, text, 64);
  return text;
}

// Whether list holds a filter of that name whose class id is known.
bool Lists(const FilterList& list, const wchar_t* name) {
  for (int i = 0; i < list.Count(); ++i)
    if (wcscmp(list[i].name, name) == 0 && list[i].clsid != GUID_NULL) return true;
  return false;
}

void DropQuit() {
  MSG msg;
  while (PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
  }
}

TEST(MainWindow, DeleteMarksTheProjectAndCloseAsksOnlyThen) {
  MainWindow* window = new MainWindow();
  ASSERT_EQ(0u, window->Create(nullptr, GetModuleHandleW(nullptr)));
  HWND hwnd = window->Handle();
  ASSERT_EQ(0, window->InitializeApplication(L"Morvik.exe"));
  EXPECT_EQ(2, window->View()->GroupCount());
  EXPECT_EQ(L"00:00:00", StatusPart(window, 1));
  // Each compressor list starts with its fixed entry, which stands for none.
  ASSERT_GE(videoCompressors.Count(), 1);
  EXPECT_STREQ(L"Uncompressed video", videoCompressors[0].name);
  EXPECT_EQ(GUID_NULL, videoCompressors[0].clsid);
  ASSERT_GE(audioCompressors.Count(), 1);
  EXPECT_STREQ(L"Uncompressed audio", audioCompressors[0].name);
  // The engine's compressors are registered before the lists are read.
  EXPECT_TRUE(Lists(videoCompressors, L"Morvik Motion JPEG"));
  EXPECT_TRUE(Lists(audioCompressors, L"Morvik IMA ADPCM"));

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
  DropQuit();
  window->Destroy(false);
}

// The View menu's Zoom to fit, and the status bar's words for a pressed item.
TEST(MainWindow, ZoomToFitAndTheStatusOfThePressedItem) {
  MainWindow* window = new MainWindow();
  ASSERT_EQ(0u, window->Create(nullptr, GetModuleHandleW(nullptr)));
  ASSERT_EQ(0, window->InitializeApplication(L"Morvik.exe"));
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
  int64_t end = view->XOfTime(10000000);
  EXPECT_LE(end, view->ClientWidth() - 8);
  EXPECT_GT(end, view->ClientWidth() - 12);
  // The video group's track 0 lies below track 1: its sources row from y 120.
  SendMessageW(view->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(end / 2, 140));
  wchar_t text[128];
  window->Status()->GetText(2, text, 128);
  EXPECT_STREQ(L"Source \"Clip\": 00:00:00,000000 to 00:00:10,000000, length 00:00:10,000000", text);
  source.Reset();
  window->CurrentProject().MarkModified();  // a rebuild forgets the selection
  window->Status()->GetText(2, text, 128);
  EXPECT_STREQ(L"", text);
  {
    DialogAnswerer answerer({{IDNO, L""}});
    SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
  }
  DropQuit();
  window->Destroy(false);
}

bool MenuGrayed(HWND hwnd, UINT id) { return (GetMenuState(GetMenu(hwnd), id, MF_BYCOMMAND) & MF_GRAYED) != 0; }

TEST(MainWindow, TheRenderWindowGraysTheMenusUntilItCloses) {
  MainWindow* window = new MainWindow();
  ASSERT_EQ(0u, window->Create(nullptr, GetModuleHandleW(nullptr)));
  HWND hwnd = window->Handle();
  ASSERT_EQ(0, window->InitializeApplication(L"Morvik.exe"));
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
  DestroyWindow(hwnd);
  DropQuit();
  window->Destroy(false);
}

}  // namespace
