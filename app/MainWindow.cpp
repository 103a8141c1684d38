#include "MainWindow.h"

#include "AppGlobals.h"
#include "ComPtr.h"
#include "ComboBox.h"
#include "EngineRegistration.h"
#include "FilterList.h"
#include "JoinedString.h"
#include "RenderSkipList.h"
#include "SplashWindow.h"
#include "CommandLine.h"
#include "Numbers.h"
#include "StatusBar.h"
#include "Text.h"
#include "TimeLineRender.h"
#include "TimeText.h"
#include "TimeLineText.h"
#include "TimeLineView.h"
#include "TimelineOperations.h"
#include "VersionStrings.h"
#include "BuildMenu.h"
#include "WndTLEffectTransition.h"
#include "WndTLGroup.h"
#include "WndTLSource.h"
#include "WndTLTrack.h"
#include "resource.h"

MainWindow* theMainWindow = nullptr;

namespace {

constexpr wchar_t kCaption[] = L"Morvik";
constexpr wchar_t kContactLine[] = L"Reports and suggestions: the project's issue tracker.";

MENUITEMINFOW Item(UINT id, const wchar_t* text, bool popup = false) {
  MENUITEMINFOW item = {};
  item.cbSize = sizeof(item);
  item.fMask = MIIM_ID | MIIM_STRING | MIIM_STATE | (popup ? MIIM_SUBMENU : 0);
  item.wID = id;
  item.dwTypeData = const_cast<wchar_t*>(text);
  return item;
}

MENUITEMINFOW Separator() {
  MENUITEMINFOW item = {};
  item.cbSize = sizeof(item);
  item.fMask = MIIM_FTYPE | MIIM_STATE;
  item.fType = MFT_SEPARATOR;
  item.fState = MFS_DISABLED;
  return item;
}

// The menus' shortcuts; Space in the preview is taken apart (TranslateKey).
constexpr ACCEL kShortcuts[] = {
    {FCONTROL | FVIRTKEY, 'N', kCommandNew},
    {FCONTROL | FVIRTKEY, 'O', kCommandOpen},
    {FCONTROL | FVIRTKEY, 'S', kCommandSave},
    {FCONTROL | FVIRTKEY, 'Z', kCommandUndo},
    {FCONTROL | FVIRTKEY, 'Y', kCommandRedo},
    {FVIRTKEY, VK_DELETE, kCommandDeleteSelected},
    {FVIRTKEY, VK_F5, kCommandPreview},
};

bool IsWithin(HWND root, HWND hwnd) { return root && hwnd && (hwnd == root || IsChild(root, hwnd)); }

// ForEachItem: the first marked object.
int FindSelected(TimeLineModel*, TLItem* item, void* found) {
  TLItem** first = static_cast<TLItem**>(found);
  if (item->selected && !*first) *first = item;
  return 0;
}

void ReportStatus(const wchar_t* text, void* context) {
  static_cast<MainWindow*>(context)->SetSplashStatus(text);
}

}  // namespace

MainWindow::MainWindow() : project_(*this) {
  className_ = L"QUEN_Morvik_Main";
  mask = kNotifyAll;
}

MainWindow::~MainWindow() {
  if (renderWindow_) renderWindow_->Destroy(true);
  // Its graph holds the timeline and the engine's objects.
  if (preview_) preview_->Destroy(true);
  preview_ = nullptr;
  // The view holds references into the timeline; let it go first.
  ClearChildren(false);
  view_ = nullptr;
  statusBar_ = nullptr;
  if (timeline_) timeline_->Release();
  timeline_ = nullptr;
  FreeFilterLists();
  if (comStarted_) {
    RevokeEngineClasses();
    CoUninitialize();
  }
  if (menu_) DestroyMenu(menu_);
  if (keys_) DestroyAcceleratorTable(keys_);
}

DWORD MainWindow::Create(HWND parent, HINSTANCE instance) {
  DWORD error = FrameWindow::Create(parent, instance);
  if (error) return error;
  HICON icon = LoadIconW(instance, MAKEINTRESOURCEW(IDI_MORVIK));
  if (icon) SetClassLongPtrW(hwnd_, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
  SetPosition(20, 20);
  SetSize(620, 460);
  SetText(kCaption);
  BuildMenuBar();
  keys_ = CreateAcceleratorTableW(const_cast<ACCEL*>(kShortcuts), sizeof(kShortcuts) / sizeof(kShortcuts[0]));
  CreateChildren();
  return 0;
}

void MainWindow::BuildMenuBar() {
  const MENUITEMINFOW items[] = {
      Item(kMenuProject, L"&Project", true),
      Item(kCommandNew, L"&New\tCtrl+N"),
      Item(kCommandOpen, L"&Open...\tCtrl+O"),
      Item(kCommandSave, L"&Save\tCtrl+S"),
      Item(kCommandSaveAs, L"Save &as..."),
      Separator(),
      Item(kCommandRender, L"&Render to file..."),
      MenuEnd(),
      Item(kMenuView, L"&View", true),
      Item(kCommandPreview, L"&Preview...\tF5"),
      Item(kCommandZoomToFit, L"&Zoom to fit"),
      MenuEnd(),
      Item(kMenuEdit, L"&Edit", true),
      Item(kCommandUndo, L"&Undo\tCtrl+Z"),
      Item(kCommandRedo, L"&Redo\tCtrl+Y"),
      Separator(),
      Item(kCommandAddGroup, L"Add &group..."),
      Item(kCommandAddTrack, L"Add &track..."),
      Item(kCommandAddSource, L"Add &source media..."),
      Item(kCommandAddEffect, L"Add &effect..."),
      Item(kCommandAddTransition, L"Add tra&nsition..."),
      Separator(),
      Item(kCommandDeleteSelected, L"&Delete\tDel"),
      MenuEnd(),
      Item(kMenuHelp, L"&?", true),
      Item(kCommandAbout, L"&About..."),
      MenuEnd(),
  };
  menu_ = BuildMenu(items, sizeof(items) / sizeof(items[0]), false);
  SetMenu(hwnd_, menu_);
}

void MainWindow::CreateChildren() {
  RECT client;
  GetClientRect(hwnd_, &client);
  int width = client.right, height = client.bottom;

  view_ = new TimeLineModel();
  view_->Create(hwnd_, instance_);
  view_->SetPosition(4, 4);
  view_->SetSize(width - 8, height - 28);
  view_->SetAnchor(kAnchorFill);
  AddChild(view_);
  view_->SetNotify(this);

  statusBar_ = new StatusBar();
  statusBar_->Create(hwnd_, instance_);
  statusBar_->SetPosition(0, height - 20);
  statusBar_->SetAnchor(7);
  const int parts[3] = {10, 120, -1};  // modified mark, cursor time, selected item
  statusBar_->SetParts(3, parts);
  statusBar_->SetText(1, L"00:00:00");
  AddChild(statusBar_);
}

LRESULT MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SHOWWINDOW:
      if (splash_) OnFirstShow();
      break;
    case WM_SETFOCUS:
      if (view_ && view_->Handle()) SetFocus(view_->Handle());
      return 0;
    case WM_CLOSE:
      return OnClose(hwnd, message, wParam, lParam);
    case WM_DESTROY:
      PostQuitMessage(0);
      break;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam));
      return 0;
    case WM_INITMENUPOPUP:
      EnableEditCommands(reinterpret_cast<HMENU>(wParam));
      break;
    case kChildClosedMessage:
      if (wParam) break;
      if (renderHandle_ && reinterpret_cast<HWND>(lParam) == renderHandle_) OnRenderWindowClosed();
      else ClosePreview(reinterpret_cast<HWND>(lParam));
      return 0;
  }
  return FrameWindow::WindowProc(hwnd, message, wParam, lParam);
}

void MainWindow::OnFirstShow() {
  InitializeApplication(GetCommandLineW());
  SetActiveWindow(hwnd_);
  splash_->Destroy(true);
  splash_ = nullptr;
}

LRESULT MainWindow::OnClose(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  // A render window that stays open while rendering keeps the program open.
  if (renderWindow_ && renderWindow_->Handle() && SendMessageW(renderWindow_->Handle(), WM_CLOSE, 0, 0) == 0 &&
      renderWindow_->GetRenderState() > 0)
    return 0;
  // The preview is telling a problem in a box of its own; it closes after it.
  if (preview_ && preview_->Reporting()) return 0;
  if (project_.AskBeforeReplacing() != 0) return 0;
  return FrameWindow::WindowProc(hwnd, message, wParam, lParam);
}

void MainWindow::SetSplashStatus(const wchar_t* text) {
  if (splash_) splash_->SetStatus(text);
}

int MainWindow::InitializeApplication(const wchar_t* commandLine) {
  SetSplashStatus(L"Initializing DirectShow editing services...");
  comStarted_ = SUCCEEDED(CoInitialize(nullptr));
  RegisterEngineClasses();
  if (FAILED(CoCreateInstance(CLSID_AMTimeline, nullptr, CLSCTX_INPROC_SERVER, IID_IAMTimeline,
                              reinterpret_cast<void**>(&timeline_)))) {
    timeline_ = nullptr;
    MessageBoxW(nullptr, L"DirectShow (DirectX 8 or higher) not installed", kCaption, MB_ICONERROR);
    return -1;
  }
  ComPtr<IAMSetErrorLog> errorLog = ComPtr<IAMTimeline>(timeline_).As<IAMSetErrorLog>(IID_IAMSetErrorLog);
  if (errorLog) errorLog->put_ErrorLog(&errorLog_);
  timeline_->SetDefaultFPS(30.0);
  view_->SetTimeline(timeline_);
  project_.SetTimeline(timeline_);

  SetSplashStatus(L"Application initialization...");
  renderSkipFilters.Load(theSettings);
  LoadFilterLists(&ReportStatus, this);
  OpenCommandLineProject(commandLine);
  return 0;
}

void MainWindow::OpenCommandLineProject(const wchar_t* commandLine) {
  wchar_t* path = LastCommandLinePath(commandLine);
  bool opened = path && project_.Open(path) == 0;
  FreeText(path);
  if (!opened) project_.New();
}

void MainWindow::OnCommand(int id) {
  switch (id) {
    case kCommandNew:
      project_.New();
      break;
    case kCommandOpen:
      project_.Open(nullptr);
      break;
    case kCommandSave:
      project_.Save(false);
      break;
    case kCommandSaveAs:
      project_.Save(true);
      break;
    case kCommandAddGroup:
      ShowProperties(TIMELINE_MAJOR_TYPE_GROUP, nullptr, -1, -1);
      break;
    case kCommandAddTrack:
      ShowProperties(TIMELINE_MAJOR_TYPE_TRACK, nullptr, -1, -1);
      break;
    case kCommandAddSource:
      ShowProperties(TIMELINE_MAJOR_TYPE_SOURCE, nullptr, -1, -1);
      break;
    case kCommandAddEffect:
      ShowProperties(TIMELINE_MAJOR_TYPE_EFFECT, nullptr, -1, -1);
      break;
    case kCommandAddTransition:
      ShowProperties(TIMELINE_MAJOR_TYPE_TRANSITION, nullptr, -1, -1);
      break;
    case kCommandRender:
      OpenRenderWindow();
      break;
    case kCommandPreview:
      ShowPreview();
      break;
    case kCommandZoomToFit:
      view_->ZoomToFit();
      break;
    case kCommandUndo:
      project_.Undo();
      break;
    case kCommandRedo:
      project_.Redo();
      break;
    case kCommandDeleteSelected:
      DeleteSelected();
      break;
    case kCommandAbout:
      ShowAbout();
      break;
    default:
      break;
  }
}

bool MainWindow::TranslateKey(MSG* msg) {
  if (msg->message == WM_KEYDOWN && msg->wParam == VK_SPACE && preview_ && IsWithin(preview_->Handle(), msg->hwnd)) {
    preview_->TogglePlay();
    return true;
  }
  // While rendering the menus are grayed, and so are their shortcuts.
  if (renderWindow_) return false;
  return keys_ && IsWithin(hwnd_, msg->hwnd) && TranslateAcceleratorW(hwnd_, keys_, msg);
}

void MainWindow::EnableEditCommands(HMENU popup) {
  const UndoHistory& history = project_.History();
  EnableMenuItem(popup, kCommandUndo, history.UndoSteps() ? MF_ENABLED : MF_GRAYED);
  EnableMenuItem(popup, kCommandRedo, history.RedoSteps() ? MF_ENABLED : MF_GRAYED);
}

void MainWindow::DeleteSelected() {
  TLItem* item = nullptr;
  if (view_) view_->ForEachItem(kItemObjects, &FindSelected, &item);
  if (!item) return;
  // The question's loop may rebuild the view and free the item.
  ComPtr<IAMTimelineObj> object(item->object);
  DeleteItem(item->kind, object.Get());
}

void MainWindow::OnItemMouseDown(UINT message, TLItem* item) {
  if (statusBar_) statusBar_->SetText(2, DescribeItem(item).c_str());
  int groupIndex = -1, trackIndex = -1;
  if (item && view_->LocateItem(item, &groupIndex, &trackIndex) == 0 && groupIndex >= 0) {
    lastPlace_.Set(groupIndex, trackIndex);
  }
  if (message == WM_RBUTTONDOWN && item) ShowContextMenu(item);
}

void MainWindow::ShowContextMenu(TLItem* item) {
  // The menu's loop may rebuild the view and free the item: keep what is needed.
  const long kind = item->kind;
  ComPtr<IAMTimelineObj> object(item->object);
  int groupIndex = -1, trackIndex = -1;
  view_->LocateItem(item, &groupIndex, &trackIndex);
  MENUITEMINFOW items[] = {Item(kCommandDelete, L"Delete"), Item(kCommandProperties, L"Properties")};
  HMENU menu = BuildMenu(items, 2, true);
  if (!menu) return;
  POINT at;
  GetCursorPos(&at);
  int command = TrackPopupMenuEx(menu, TPM_RETURNCMD, at.x, at.y, hwnd_, nullptr);
  DestroyMenu(menu);
  if (command == kCommandDelete) DeleteItem(kind, object.Get());
  if (command == kCommandProperties) {
    ShowProperties(kind, object.Get(), groupIndex, trackIndex);
    JoinedString line(TimelineKindName(kind), L": ", L"show properties", nullptr);
    LogLine(line.Get());
  }
}

template <class W, class Setup, class Done>
void MainWindow::RunPropertyWindow(Setup setup, Done done) {
  W* window = new W();
  window->ModifyStyle(WS_VISIBLE, false, kStyleRemove);
  if (window->Create(hwnd_, instance_) != 0) {
    window->Destroy(true);
    return;
  }
  setup(*window);
  window->CenterOn(hwnd_);
  if (window->ShowModal(false) == 1) {
    done(*window);
    project_.MarkModified();
  }
  window->Destroy(true);
}

void MainWindow::ShowProperties(long kind, IAMTimelineObj* object, int groupIndex, int trackIndex) {
  const bool isNew = object == nullptr;
  switch (kind) {
    case TIMELINE_MAJOR_TYPE_GROUP:
      RunPropertyWindow<WndTLGroup>([&](WndTLGroup& window) { window.SetObject(timeline_, object); },
                                    [&](WndTLGroup&) {
                                      long count = 0;
                                      if (isNew && SUCCEEDED(timeline_->GetGroupCount(&count))) {
                                        lastPlace_.Set(count - 1, 0);
                                      }
                                    });
      break;
    case TIMELINE_MAJOR_TYPE_TRACK:
      RunPropertyWindow<WndTLTrack>(
          [&](WndTLTrack& window) {
            window.SetObject(timeline_, object, groupIndex, trackIndex);
            if (isNew) lastPlace_.Offer(window.Handle(), window.GroupList(), nullptr);
          },
          [&](WndTLTrack& window) {
            lastPlace_.Take(window.GroupList(), nullptr);
            lastPlace_.Set(lastPlace_.Group(), window.LevelList()->GetCurSel());
          });
      break;
    case TIMELINE_MAJOR_TYPE_SOURCE:
      RunPropertyWindow<WndTLSource>(
          [&](WndTLSource& window) {
            window.SetObject(timeline_, object, groupIndex, trackIndex);
            if (isNew) lastPlace_.Offer(window.Handle(), window.GroupChoice(), window.TrackChoice());
            if (isNew) window.SetDefaultTimes(view_->GetCursorTime());
          },
          [&](WndTLSource& window) { lastPlace_.Take(window.GroupChoice(), window.TrackChoice()); });
      break;
    case TIMELINE_MAJOR_TYPE_EFFECT:
    case TIMELINE_MAJOR_TYPE_TRANSITION:
      RunPropertyWindow<WndTLEffectTransition>(
          [&](WndTLEffectTransition& window) {
            window.SetKind(kind == TIMELINE_MAJOR_TYPE_TRANSITION ? 2 : 1);
            window.SetObject(timeline_, object, groupIndex, trackIndex);
            if (isNew) lastPlace_.Offer(window.Handle(), window.GroupChoice(), window.TrackChoice());
            if (isNew) window.SetDefaultTimes(view_->GetCursorTime());
          },
          [&](WndTLEffectTransition& window) { lastPlace_.Take(window.GroupChoice(), window.TrackChoice()); });
      break;
    default:
      break;
  }
}

void MainWindow::DeleteItem(long kind, IAMTimelineObj* object) {
  if (DeleteTimelineObject(hwnd_, kind, object)) project_.MarkModified();
}

SplashWindow* MainWindow::TakeSplash() {
  SplashWindow* splash = splash_;
  splash_ = nullptr;
  return splash;
}

void MainWindow::OnCursorTimeChanged(int64_t time) {
  wchar_t text[48];
  FormatTime(kTimeFormat, text, time);
  if (statusBar_) statusBar_->SetText(1, text);
  if (preview_) preview_->SeekTo(time);
}

HWND MainWindow::MessageOwner() { return splash_ && splash_->Handle() ? splash_->Handle() : hwnd_; }

void MainWindow::ShowModifiedMark(bool modified) {
  if (statusBar_) statusBar_->SetText(0, modified ? L"*" : L"");
}

void MainWindow::TimelineReplaced(bool reopened) {
  if (statusBar_) statusBar_->SetText(2, L"");  // the selection is gone
  if (view_) view_->Refresh(true);
  if (view_ && reopened) view_->ZoomToFit();
  if (preview_ && view_) {
    preview_->Reconnect();
    preview_->SeekTo(view_->GetCursorTime());
  }
}

void MainWindow::ShowPreview() {
  if (!timeline_) return;
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  LogLine(L"Rendering...");
  if (!preview_) {
    preview_ = new TimeLineView();
    if (preview_->Create(hwnd_, instance_) != 0) {
      preview_->Destroy(true);
      preview_ = nullptr;
      SetCursor(LoadCursorW(nullptr, IDC_ARROW));
      return;
    }
    RECT own;
    GetWindowRect(hwnd_, &own);
    preview_->SetPosition(own.left + 30, own.top + 30);
    preview_->Start(timeline_);
    ShowWindow(preview_->Handle(), SW_SHOW);
    LogLine(L"Rendered (preview).");
  }
  // Brought up, or an earlier preview could stay hidden under this window.
  SetWindowPos(preview_->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
  SetFocus(preview_->Handle());
  preview_->SeekTo(view_->GetCursorTime());
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
}

bool MainWindow::ClosePreview(HWND hwnd) {
  if (!preview_ || !hwnd || preview_->Handle() != hwnd) return false;
  SetActiveWindow(hwnd_);
  preview_->Destroy(true);
  preview_ = nullptr;
  return true;
}

void MainWindow::ShowAbout() {
  wchar_t program[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, program, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) program[0] = 0;
  const wchar_t* const names[] = {L"ProductVersion", L"LegalCopyright", L"Comments", nullptr};
  wchar_t* values[3] = {};
  ReadVersionStrings(program, names, values);
  wchar_t bits[8];
  IntToText(static_cast<int32_t>(sizeof(void*) * 8), bits, 10);
  // Concat stops at the first missing field, as the version record ends there.
  JoinedString text(L"Morvik", L"\n\n", values[0], L" (", bits, L" bit)\n\n", values[1], L"\n",
                    values[2], L"\n\n", kContactLine, nullptr);
  JoinedString caption(L"About ", kCaption, nullptr);
  MSGBOXPARAMSW box = {};
  box.cbSize = sizeof(box);
  box.hwndOwner = hwnd_;
  box.hInstance = instance_;
  box.lpszText = text.Get();
  box.lpszCaption = caption.Get();
  box.dwStyle = MB_USERICON;
  box.lpszIcon = MAKEINTRESOURCEW(IDI_MORVIK);
  MessageBoxIndirectW(&box);
  for (wchar_t* value : values) FreeText(value);
}

void MainWindow::OpenRenderWindow() {
  if (renderWindow_) return;
  renderWindow_ = new TimeLineRender();
  if (renderWindow_->Create(hwnd_, instance_) != 0) {
    renderWindow_->Destroy(true);
    renderWindow_ = nullptr;
    return;
  }
  renderHandle_ = renderWindow_->Handle();
  renderWindow_->CenterOn(hwnd_);
  renderWindow_->Open(timeline_);
  HICON icon = LoadIconW(instance_, MAKEINTRESOURCEW(IDI_MORVIK));
  if (icon) SetClassLongPtrW(renderHandle_, GCLP_HICON, reinterpret_cast<LONG_PTR>(icon));
  ShowWindow(renderHandle_, SW_SHOWNORMAL);
  EnableMenus(false);
}

void MainWindow::OnRenderWindowClosed() {
  SetActiveWindow(hwnd_);
  renderWindow_->Destroy(true);
  renderWindow_ = nullptr;
  renderHandle_ = nullptr;
  EnableMenus(true);
}

void MainWindow::EnableMenus(bool on) {
  for (UINT id : {kMenuProject, kMenuView, kMenuEdit, kMenuHelp})
    EnableMenuItem(menu_, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
  DrawMenuBar(hwnd_);
}
