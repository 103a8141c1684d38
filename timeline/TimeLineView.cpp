#include "TimeLineView.h"

#include <commctrl.h>
#include <evcode.h>

#include <cstdlib>
#include <vector>

#include "BuildMenu.h"
#include "Button.h"
#include "DirectShowHelpers.h"
#include "FilterList.h"
#include "JoinedString.h"
#include "StaticText.h"
#include "SystemMessage.h"
#include "TimeText.h"
#include "TrackBar.h"
#include "resource.h"

namespace {

constexpr UINT_PTR kPositionTimer = 1;
constexpr UINT kPositionPeriod = 500;
constexpr long kStartVolume = -2500;
constexpr LONG kFrameWait = 5000;  // ms for the first frame after a seek while stopped
constexpr wchar_t kCaption[] = L"Preview";

HICON LoadSmallIcon(HINSTANCE instance, int id) {
  return static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(id), IMAGE_ICON, 16, 16, 0));
}

std::wstring RendererName(bool audio, long group) {
  return std::wstring(L"Morvik") + (audio ? L"_group_audio_renderer_" : L"_group_video_renderer_") +
         std::to_wstring(group);
}

std::wstring GroupText(const wchar_t* kind, long group, const wchar_t* problem) {
  return std::wstring(kind) + L" " + std::to_wstring(group) + L" " + problem;
}

bool IsConnected(IBaseFilter* filter) {
  ComPtr<IPin> pin, peer;
  return SUCCEEDED(FindPin(filter, PINDIR_INPUT, pin.Receive())) && SUCCEEDED(pin->ConnectedTo(peer.Receive()));
}

// After a failed Run the graph may call itself stopped while filters still run.
void StopEveryFilter(IGraphBuilder* graph) {
  ComPtr<IEnumFilters> filters;
  if (FAILED(graph->EnumFilters(filters.Receive()))) return;
  IBaseFilter* filter = nullptr;
  while (filters->Next(1, &filter, nullptr) == S_OK) {
    filter->Stop();
    filter->Release();
  }
}

MENUITEMINFOW MenuItem(UINT id, const wchar_t* text) {
  MENUITEMINFOW item = {};
  item.cbSize = sizeof(item);
  item.fMask = MIIM_ID | MIIM_STRING;
  item.wID = id;
  item.dwTypeData = const_cast<wchar_t*>(text);
  return item;
}

}  // namespace

TimeLineView::TimeLineView() {
  className_ = L"TimeLineView";
  classStyle_ = 0;
  exStyle_ = WS_EX_STATICEDGE | WS_EX_TOOLWINDOW;
  // Clipping the video window keeps the background from painting over the picture.
  style_ = WS_VISIBLE | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN;
  y_ = CW_USEDEFAULT;  // with x left to the system, y is the show command: show it
  if (SUCCEEDED(CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                 videoRenderer_.ReceiveVoid()))) {
    videoWindow_ = videoRenderer_.As<IVideoWindow>(IID_IVideoWindow);
  }
  if (videoWindow_) videoWindow_->put_AutoShow(OAFALSE);
}

TimeLineView::~TimeLineView() {
  DestroyGraph();
  if (videoWindow_) {
    videoWindow_->put_Visible(OAFALSE);
    videoWindow_->put_Owner(0);
  }
  videoWindow_.Reset();
  videoRenderer_.Reset();
  for (HICON icon : {playIcon_, pauseIcon_, menuIcon_}) {
    if (icon) DestroyIcon(icon);
  }
}

DWORD TimeLineView::Create(HWND parent, HINSTANCE instance) {
  DWORD error = FrameWindow::Create(parent, instance);
  if (error) return error;
  SetSize(videoWidth_, videoHeight_ + kPreviewStripHeight);
  SetText(kCaption);
  playIcon_ = LoadSmallIcon(instance, IDI_PLAY);
  pauseIcon_ = LoadSmallIcon(instance, IDI_PAUSE);
  menuIcon_ = LoadSmallIcon(instance, IDI_MENU);
  CreateStrip();
  videoShown_ = true;
  PlaceVideoWindow();
  if (!videoRenderer_) Report(L"There is no video renderer: the preview shows no pictures.", REGDB_E_CLASSNOTREG);
  ResizeToVideo(videoWidth_, videoHeight_);
  return 0;
}

void TimeLineView::CreateStrip() {
  RECT client;
  GetClientRect(hwnd_, &client);
  const int top = client.bottom - 24;
  const uint32_t bottom = kAnchorStretchX | kAnchorFollowY;  // stays at the bottom

  playButton_ = new Button();
  playButton_->ModifyStyle(BS_ICON | BS_FLAT, false, kStyleAdd);
  playButton_->Create(hwnd_, instance_);
  playButton_->SetPosition(4, top);
  playButton_->SetSize(20, 20);
  playButton_->SetAnchor(bottom);
  playButton_->SetImage(playIcon_, IMAGE_ICON);
  AddChild(playButton_);

  volume_ = new TrackBar();
  volume_->Create(hwnd_, instance_);
  volume_->SetPosition(40, top);
  volume_->SetSize(80, 20);
  volume_->SetAnchor(bottom);
  volume_->SetRange(-10000, 0, true);
  AddChild(volume_);
  const wchar_t* const signs[] = {L"-", L"+"};
  for (int i = 0; i < 2; ++i) {
    StaticText* label = new StaticText();
    label->Create(hwnd_, instance_);
    label->SetText(signs[i]);
    label->SetSize(8, 20);
    label->SetAnchor(bottom);
    AddChild(label);
    SendMessageW(volume_->Handle(), TBM_SETBUDDY, i == 0 ? TRUE : FALSE, reinterpret_cast<LPARAM>(label->Handle()));
  }

  menuButton_ = new Button();
  menuButton_->ModifyStyle(BS_ICON | BS_FLAT, false, kStyleAdd);
  menuButton_->Create(hwnd_, instance_);
  menuButton_->SetPosition(client.right - 24, top);
  menuButton_->SetSize(20, 20);
  menuButton_->SetAnchor(kAnchorBottomRight);
  menuButton_->SetImage(menuIcon_, IMAGE_ICON);
  AddChild(menuButton_);
}

HWND TimeLineView::PlayButton() const { return playButton_ ? playButton_->Handle() : nullptr; }

HWND TimeLineView::VolumeSlider() const { return volume_ ? volume_->Handle() : nullptr; }

HRESULT TimeLineView::Start(IAMTimeline* timeline) {
  timeline_ = timeline;
  DestroyGraph();
  BuildGraph();
  return Reconnect();
}

HRESULT TimeLineView::BuildGraph() {
  if (!timeline_) return -1;
  HRESULT hr = CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                graph_.ReceiveVoid());
  if (FAILED(hr)) {
    Report(L"DirectShow cannot make a filter graph: there is nothing to preview with.", hr);
    return hr;
  }
  callback_.AttachTo(graph_.Get());
  hr = CoCreateInstance(CLSID_RenderEngine, nullptr, CLSCTX_INPROC_SERVER, IID_IRenderEngine, engine_.ReceiveVoid());
  if (FAILED(hr)) {
    Report(L"The editing services' render engine cannot be created: there is nothing to preview.", hr);
    graph_.Reset();
    return hr;
  }
  engine_->SetFilterGraph(graph_.Get());
  hr = engine_->SetTimelineObject(timeline_);
  registered_ = SUCCEEDED(RegisterGraph(graph_.Get(), &tableCookie_));
  control_ = graph_.As<IMediaControl>(IID_IMediaControl);
  events_ = graph_.As<IMediaEventEx>(IID_IMediaEventEx);
  if (events_) events_->SetNotifyWindow(reinterpret_cast<OAHWND>(hwnd_), kPreviewNotice, 0);
  seeking_ = graph_.As<IMediaSeeking>(IID_IMediaSeeking);
  if (seeking_) seeking_->SetTimeFormat(&TIME_FORMAT_MEDIA_TIME);
  timer_ = SetTimer(hwnd_, kPositionTimer, kPositionPeriod, nullptr);
  return hr;
}

HRESULT TimeLineView::Reconnect() {
  if (!engine_) return -1;
  StopIfPlaying();
  HRESULT hr = engine_->ConnectFrontEnd();
  if (hr == S_WARN_OUTPUTRESET) ConnectRenderers();
  if (FAILED(hr)) Report(L"The timeline cannot be previewed.", hr);
  PlaceVideoWindow();
  return hr;
}

HRESULT TimeLineView::ConnectRenderers() {
  if (!graph_) return -1;
  StopIfPlaying();
  long count = 0;
  if (timeline_) timeline_->GetGroupCount(&count);
  for (long group = 0; group < count; ++group) ConnectGroup(group);
  basicAudio_ = graph_.As<IBasicAudio>(IID_IBasicAudio);
  if (!basicAudio_) return E_NOINTERFACE;
  basicAudio_->put_Volume(kStartVolume);
  long volume = kStartVolume;
  basicAudio_->get_Volume(&volume);
  if (volume_) volume_->SetPos(volume, true);
  return S_OK;
}

void TimeLineView::ConnectGroup(long group) {
  ComPtr<IPin> pin;
  HRESULT hr = engine_->GetGroupOutputPin(group, pin.Receive());
  if (hr != S_OK) {
    Report(GroupText(L"Group", group, L"cannot be previewed: its media type cannot be rendered."), hr);
    return;
  }
  bool audio = false;
  if (!ReadGroupKind(group, &audio)) return;
  const bool video = !audio;
  const std::wstring name = RendererName(audio, group);
  ComPtr<IBaseFilter> old;
  if (SUCCEEDED(graph_->FindFilterByName(name.c_str(), old.Receive())) && old) graph_->RemoveFilter(old.Get());
  ComPtr<IBaseFilter> renderer = audio ? MakeAudioRenderer(group) : videoRenderer_;
  if (!renderer) return;
  // The one video window shows one group; intelligent connect would open
  // windows of its own for the others.
  if (video && IsConnected(renderer.Get())) {
    Report(GroupText(L"Video group", group, L"is not shown: the preview shows the first video group only."), S_FALSE);
    return;
  }
  hr = graph_->AddFilter(renderer.Get(), name.c_str());
  if (SUCCEEDED(hr)) hr = graph_->Render(pin.Get());
  if (FAILED(hr)) {
    Report(GroupText(audio ? L"Audio group" : L"Video group", group, L"cannot be connected to its renderer."), hr);
  }
}

bool TimeLineView::ReadGroupKind(long group, bool* audio) {
  ComPtr<IAMTimelineObj> node;
  timeline_->GetGroup(node.Receive(), group);
  ComPtr<IAMTimelineGroup> settings = node.As<IAMTimelineGroup>(IID_IAMTimelineGroup);
  AM_MEDIA_TYPE type = {};
  if (!settings || FAILED(settings->GetMediaType(&type))) return false;
  *audio = type.majortype == MEDIATYPE_Audio;
  const bool video = type.majortype == MEDIATYPE_Video;
  if (video && type.formattype == FORMAT_VideoInfo && type.cbFormat >= sizeof(VIDEOINFOHEADER) && type.pbFormat) {
    const BITMAPINFOHEADER& bitmap = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
    videoWidth_ = bitmap.biWidth;
    videoHeight_ = std::abs(bitmap.biHeight);  // top-down frames have a negative height
  }
  FreeMediaType(&type);
  return *audio || video;
}

ComPtr<IBaseFilter> TimeLineView::MakeAudioRenderer(long group) {
  ComPtr<IBaseFilter> renderer;
  HRESULT hr;
  if (audioDevice_ >= 0 && audioDevice_ < audioRenderers.Count()) {
    hr = CreateFilterFromDisplayName(audioRenderers[audioDevice_].displayName, renderer.Receive());
  } else {
    hr = CoCreateInstance(CLSID_DSoundRender, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter, renderer.ReceiveVoid());
  }
  if (FAILED(hr)) {
    Report(GroupText(L"Audio group", group, L"is not heard: the audio output device cannot be opened."), hr);
    renderer.Reset();
  }
  return renderer;
}

void TimeLineView::DestroyGraph() {
  if (timer_) KillTimer(hwnd_, kPositionTimer);
  timer_ = 0;
  if (graph_) {
    if (registered_) UnregisterGraph(tableCookie_);
    registered_ = false;
    StopIfPlaying();
    seeking_.Reset();
    if (events_) events_->SetNotifyWindow(0, 0, 0);
    events_.Reset();
    control_.Reset();
    basicAudio_.Reset();  // the graph's own interface: held, it keeps the graph alive
  }
  if (engine_) engine_->ScrapIt();
  engine_.Reset();
  graph_.Reset();
}

int TimeLineView::SeekTo(int64_t time) {
  if (!graph_ || !control_ || !seeking_) return -1;
  OAFilterState state = State_Stopped;
  control_->GetState(0, &state);
  LONGLONG position = ToReferenceTime(time);
  if (state == State_Stopped) {
    // Paused from the new position, the renderers show the frame there. The
    // graph's own StopWhenReady would stop later on a thread of its own,
    // possibly after the user pressed Play, and may stop before the frame
    // after a seek arrives.
    seeking_->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    control_->Pause();
    control_->GetState(kFrameWait, &state);
    control_->Stop();
  } else {
    if (state == State_Running) control_->Pause();
    seeking_->SetPositions(&position, AM_SEEKING_AbsolutePositioning, nullptr, AM_SEEKING_NoPositioning);
    if (state == State_Running) control_->Run();
  }
  OnTimer();  // the caption follows at once
  return 0;
}

void TimeLineView::StopIfPlaying() {
  OAFilterState state = State_Stopped;
  if (!control_) return;
  control_->GetState(0, &state);
  if (state == State_Stopped) return;
  control_->Stop();
  ShowPlayIcon(true);
}

int TimeLineView::TogglePlay() {
  if (!graph_ || !control_) return -1;
  OAFilterState state = State_Stopped;
  control_->GetState(0, &state);
  if (state == State_Running) {
    control_->Pause();
    ShowPlayIcon(true);
    return 0;
  }
  HRESULT hr = control_->Run();
  if (FAILED(hr)) {
    control_->Stop();
    StopEveryFilter(graph_.Get());
    ShowPlayIcon(true);
    Report(L"Playback cannot start.", hr);
    return -1;
  }
  ShowPlayIcon(false);
  return 0;
}

void TimeLineView::ShowPlayIcon(bool play) {
  showsPlay_ = play;
  if (playButton_) playButton_->SetImage(play ? playIcon_ : pauseIcon_, IMAGE_ICON);
}

HMENU TimeLineView::BuildPopupMenu() const {
  std::vector<MENUITEMINFOW> items = {MenuItem(kPreviewScaleToVideo, L"Scale to original video size"),
                                      MenuItem(kPreviewDeviceMenu, L"Audio output device")};
  items.back().fMask |= MIIM_SUBMENU;
  for (int i = 0; i < audioRenderers.Count(); ++i) {
    MENUITEMINFOW item = MenuItem(kPreviewDeviceFirst + i, audioRenderers[i].name);
    item.fMask |= MIIM_FTYPE | MIIM_STATE;
    item.fType = MFT_RADIOCHECK;
    item.fState = i == audioDevice_ ? MFS_CHECKED : MFS_UNCHECKED;
    items.push_back(item);
  }
  items.push_back(MenuEnd());
  return BuildMenu(items.data(), static_cast<int>(items.size()), true);
}

void TimeLineView::ShowPopupMenu() {
  if (!graph_) return;
  HMENU menu = BuildPopupMenu();
  if (!menu) return;
  POINT at;
  GetCursorPos(&at);
  int id = TrackPopupMenuEx(menu, TPM_RETURNCMD, at.x, at.y, hwnd_, nullptr);
  DestroyMenu(menu);
  OnMenuChoice(id);
}

void TimeLineView::OnMenuChoice(int id) {
  if (id == kPreviewScaleToVideo) {
    ResizeToVideo(videoWidth_, videoHeight_);
    return;
  }
  const int device = id - kPreviewDeviceFirst;
  if (!graph_ || device < 0 || device >= audioRenderers.Count() || device == audioDevice_) return;
  audioDevice_ = device;
  ConnectRenderers();
}

void TimeLineView::ResizeToVideo(int width, int height) {
  if (!hwnd_) return;
  RECT window, client;
  GetWindowRect(hwnd_, &window);
  GetClientRect(hwnd_, &client);
  SetSize(window.right - window.left + width - client.right,
          window.bottom - window.top + height + kPreviewStripHeight - client.bottom);
}

void TimeLineView::PlaceVideoWindow() {
  if (!videoWindow_ || !hwnd_) return;
  RECT client;
  GetClientRect(hwnd_, &client);
  videoWindow_->put_Owner(reinterpret_cast<OAHWND>(hwnd_));
  videoWindow_->put_WindowStyle(WS_CHILD | WS_CLIPSIBLINGS);
  const long height = client.bottom > kPreviewStripHeight ? client.bottom - kPreviewStripHeight : 0;
  videoWindow_->SetWindowPosition(0, 0, client.right, height);
  // A new style hides the window: show it again.
  videoWindow_->put_Visible(videoShown_ ? OATRUE : OAFALSE);
}

void TimeLineView::OnTimer() {
  LONGLONG position = 0;
  if (!seeking_ || FAILED(seeking_->GetCurrentPosition(&position))) return;
  wchar_t time[48];
  FormatTime(kTimeFormat, time, FromReferenceTime(position));
  JoinedString caption(kCaption, L" ", time, nullptr);
  SetText(caption.Get());
}

void TimeLineView::OnGraphEvents() {
  long code = 0;
  LONG_PTR first = 0, second = 0;
  while (events_ && SUCCEEDED(events_->GetEvent(&code, &first, &second, 0))) {
    if (code == EC_COMPLETE || code == EC_USERABORT || code == EC_ERRORABORT) {
      if (control_) control_->Stop();
      ShowPlayIcon(true);
      if (code == EC_ERRORABORT) Report(L"Playback stopped on an error.", static_cast<HRESULT>(first));
    } else if (code == EC_VIDEO_SIZE_CHANGED) {
      ResizeToVideo(LOWORD(first), HIWORD(first));
    }
    if (events_) events_->FreeEventParams(code, first, second);
  }
}

void TimeLineView::OnCloseRequest() {
  DestroyGraph();
  if (parent_) PostMessageW(parent_, kPreviewNotice, 0, reinterpret_cast<LPARAM>(hwnd_));
}

void TimeLineView::Report(const std::wstring& what, HRESULT result) {
  std::wstring text = what;
  if (FAILED(result)) {
    wchar_t code[16];
    wsprintfW(code, L"0x%08lx", static_cast<unsigned long>(result));
    SystemMessage message(static_cast<uint32_t>(result));
    text += std::wstring(L"\n\n") + code;
    if (message.Text()) text += std::wstring(L" ") + message.Text();
  }
  if (!reported_.insert(text).second) return;
  ++reporting_;
  MessageBoxW(hwnd_ ? hwnd_ : parent_, text.c_str(), L"Morvik", MB_ICONERROR);
  if (--reporting_ == 0 && closeAsked_) {
    closeAsked_ = false;
    PostMessageW(hwnd_, WM_CLOSE, 0, 0);
  }
}

LRESULT TimeLineView::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CLOSE:
      if (Reporting()) closeAsked_ = true;
      else OnCloseRequest();
      return 0;
    case WM_DESTROY:
      OnCloseRequest();
      // The video window is a child now: take it back before the children go.
      videoShown_ = false;
      if (videoWindow_) {
        videoWindow_->put_Visible(OAFALSE);
        videoWindow_->put_Owner(0);
      }
      return 0;
    case WM_MOVE:
      if (videoWindow_) videoWindow_->NotifyOwnerMessage(reinterpret_cast<OAHWND>(hwnd), message, wParam, lParam);
      break;
    case WM_SIZE:
      PlaceVideoWindow();
      break;
    case WM_COMMAND:
      if (HIWORD(wParam) != 0) break;
      if (lParam && reinterpret_cast<HWND>(lParam) == PlayButton()) TogglePlay();
      if (lParam && menuButton_ && reinterpret_cast<HWND>(lParam) == menuButton_->Handle()) ShowPopupMenu();
      return 0;
    case WM_TIMER:
      if (wParam != kPositionTimer) break;
      OnTimer();
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      SetFocus(hwnd);
      return 0;
    case WM_HSCROLL:
      if (basicAudio_ && lParam && reinterpret_cast<HWND>(lParam) == VolumeSlider()) {
        basicAudio_->put_Volume(volume_->GetPos());
      }
      return 0;
    case kPreviewNotice:
      if (wParam) break;  // the framework's child-closed message
      OnGraphEvents();
      return 0;
  }
  return FrameWindow::WindowProc(hwnd, message, wParam, lParam);
}
