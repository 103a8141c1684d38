// The editor's top-level window: menu bar, timeline view, status bar, the
// commands, the project state, and the run's timeline.
#pragma once

#include "EditingServices.h"
#include "ErrorLogSink.h"
#include "FrameWindow.h"
#include "LastPlace.h"
#include "Project.h"
#include "TimeLineModel.h"

class SplashWindow;
class StatusBar;
class TimeLineRender;
class TimeLineView;

// Menu command ids.
enum MainCommand {
  kMenuProject = 10,
  kCommandNew = 11,
  kCommandOpen = 12,
  kCommandSave = 13,
  kCommandSaveAs = 14,
  kCommandRender = 15,
  kMenuView = 20,
  kCommandPreview = 21,
  kCommandZoomToFit = 22,
  kMenuEdit = 30,
  kCommandAddGroup = 31,
  kCommandAddTrack = 32,
  kCommandAddSource = 33,
  kCommandAddEffect = 34,
  kCommandAddTransition = 35,
  kCommandUndo = 36,
  kCommandRedo = 37,
  kCommandDeleteSelected = 38,
  kMenuHelp = 40,
  kCommandAbout = 41,
  kCommandDelete = 101,
  kCommandProperties = 102,
};

class MainWindow : public FrameWindow, public TimeLineModelNotify, public ProjectHost {
 public:
  MainWindow();
  ~MainWindow() override;

  DWORD Create(HWND parent, HINSTANCE instance) override;
  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;

  // COM, the timeline, its error log, the filter lists, then the project of the
  // command line or a new one. 0, or -1 without the editing services.
  int InitializeApplication(const wchar_t* commandLine);
  // The program's keys, before the message is dispatched: the shortcuts of the
  // menus for this window and its children, and Space for play and pause in
  // the preview. True when the message was taken.
  bool TranslateKey(MSG* msg);
  // The context menu's Delete: asks, removes, marks the project modified.
  void DeleteItem(long kind, IAMTimelineObj* object);
  // The splash, when initialisation never ran; the caller destroys it.
  SplashWindow* TakeSplash();
  // While it is set, start-up reports to it and runs InitializeApplication on
  // the first showing.
  void SetSplash(SplashWindow* splash) { splash_ = splash; }
  // Shows a start-up step on the splash while it exists.
  void SetSplashStatus(const wchar_t* text);

  // TimeLineModelNotify
  void OnItemMouseDown(UINT message, TLItem* item) override;
  void OnCursorTimeChanged(int64_t time) override;
  void OnItemChanged(TLItem*) override { project_.MarkModified(); }

  // ProjectHost
  HWND ProjectWindow() override { return hwnd_; }
  HWND MessageOwner() override;
  void ShowTitle(const wchar_t* title) override { SetText(title); }
  void ShowModifiedMark(bool modified) override;
  void TimelineReplaced(bool reopened) override;

  Project& CurrentProject() { return project_; }
  IAMTimeline* Timeline() const { return timeline_; }
  TimeLineModel* View() const { return view_; }
  StatusBar* Status() const { return statusBar_; }
  TimeLineView* Preview() const { return preview_; }
  TimeLineRender* RenderWindow() const { return renderWindow_; }

 private:
  void BuildMenuBar();
  void CreateChildren();
  void OnCommand(int id);
  void EnableEditCommands(HMENU popup);
  void DeleteSelected();
  void OnFirstShow();
  LRESULT OnClose(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
  void ShowContextMenu(TLItem* item);
  // The property window of a kind of object; object null makes a new one.
  void ShowProperties(long kind, IAMTimelineObj* object, int groupIndex, int trackIndex);
  // setup fills the window; done runs after OK, before the project is marked.
  template <class W, class Setup, class Done>
  void RunPropertyWindow(Setup setup, Done done);
  void ShowAbout();
  void OpenRenderWindow();
  void OnRenderWindowClosed();
  void EnableMenus(bool on);
  void OpenCommandLineProject(const wchar_t* commandLine);
  void ShowPreview();
  // The preview's close notice; false when hwnd is not the preview's.
  bool ClosePreview(HWND hwnd);

  ErrorLogSink errorLog_;
  HMENU menu_ = nullptr;
  HACCEL keys_ = nullptr;
  LastPlace lastPlace_;
  IAMTimeline* timeline_ = nullptr;  // owned
  TimeLineModel* view_ = nullptr;    // a child; the container deletes it
  StatusBar* statusBar_ = nullptr;   // likewise
  TimeLineView* preview_ = nullptr;  // owned until its close notice
  SplashWindow* splash_ = nullptr;
  TimeLineRender* renderWindow_ = nullptr;  // owned from opening until its close notice
  HWND renderHandle_ = nullptr;             // its window, which is gone when the notice comes
  Project project_;
  bool comStarted_ = false;
};

extern MainWindow* theMainWindow;
