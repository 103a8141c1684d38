// The preview window: plays the timeline through a filter graph that the
// render engine builds, the video in a renderer window above a 28-pixel strip
// with the play button, the volume slider and the menu button. The caption
// shows the play position twice a second. Owned by the main window, which it
// tells with a close notice (WM_APP + 1, wParam 0, lParam its handle) when it
// wants to be closed; it never destroys itself.
#pragma once

#include <windows.h>
#include <dshow.h>

#include <cstdint>
#include <set>
#include <string>

#include "ComPtr.h"
#include "EditingServices.h"
#include "FrameWindow.h"
#include "RenderSkipCallback.h"

class Button;
class TrackBar;

constexpr int kPreviewStripHeight = 28;
constexpr UINT kPreviewNotice = WM_APP + 1;  // the close notice to the owner, and graph events
// The preview menu's commands; an audio device i is kPreviewDeviceFirst + i.
constexpr int kPreviewScaleToVideo = 1;
constexpr int kPreviewDeviceMenu = 200;
constexpr int kPreviewDeviceFirst = 201;

class TimeLineView final : public FrameWindow {
 public:
  // Makes the one video renderer the window keeps for its whole life.
  TimeLineView();
  ~TimeLineView() override;

  DWORD Create(HWND parent, HINSTANCE instance) override;
  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;

  // Previews timeline (not owned, it must outlive the graph): a new graph,
  // connected and stopped. Returns the result of Reconnect.
  HRESULT Start(IAMTimeline* timeline);
  // True while a problem is being told in a modal box; the owner must not
  // destroy the window then.
  bool Reporting() const { return reporting_ > 0; }
  // After a change to the timeline: stops and lets the render engine bring its
  // part of the graph up to date, connecting the renderers anew when it
  // rebuilt it. Returns ConnectFrontEnd's result, -1 without a render engine.
  HRESULT Reconnect();
  // Shows time (microseconds), keeping the graph stopped, paused or running.
  // -1 without a graph, else 0.
  int SeekTo(int64_t time);
  // Stops and releases the graph and the render engine; Start builds anew.
  void DestroyGraph();

  // The play button: running pauses, anything else runs. -1 without a graph.
  int TogglePlay();
  // The preview menu as ShowPopupMenu offers it (the caller destroys it), and
  // what choosing one of its ids does.
  HMENU BuildPopupMenu() const;
  void OnMenuChoice(int id);
  // Sizes the window so that its client area is width x (height + strip).
  void ResizeToVideo(int width, int height);

  // -1: the default DirectSound renderer; else an index into audioRenderers.
  int AudioDevice() const { return audioDevice_; }
  IMediaControl* Control() const { return control_.Get(); }
  IGraphBuilder* Graph() const { return graph_.Get(); }
  IBaseFilter* VideoRenderer() const { return videoRenderer_.Get(); }
  IBasicAudio* Audio() const { return basicAudio_.Get(); }
  HWND PlayButton() const;
  HWND VolumeSlider() const;
  // The icon the play button shows: the play icon while not running.
  bool ShowsPlayIcon() const { return showsPlay_; }

 private:
  HRESULT BuildGraph();
  HRESULT ConnectRenderers();
  void ConnectGroup(long group);
  // Whether the group is audio or video, and which (*audio); notes a video
  // group's frame size.
  bool ReadGroupKind(long group, bool* audio);
  ComPtr<IBaseFilter> MakeAudioRenderer(long group);
  void ShowPopupMenu();
  void PlaceVideoWindow();
  void CreateStrip();
  void StopIfPlaying();
  void ShowPlayIcon(bool play);
  void OnTimer();
  void OnGraphEvents();
  void OnCloseRequest();
  // Tells the user once per distinct problem (a message box naming the cause).
  void Report(const std::wstring& what, HRESULT result);

  RenderSkipCallback callback_;
  ComPtr<IBaseFilter> videoRenderer_;
  ComPtr<IVideoWindow> videoWindow_;
  ComPtr<IBasicAudio> basicAudio_;
  int audioDevice_ = -1;
  IAMTimeline* timeline_ = nullptr;  // not owned
  ComPtr<IRenderEngine> engine_;
  ComPtr<IGraphBuilder> graph_;
  ComPtr<IMediaControl> control_;
  ComPtr<IMediaEventEx> events_;
  ComPtr<IMediaSeeking> seeking_;
  UINT_PTR timer_ = 0;
  DWORD tableCookie_ = 0;
  bool registered_ = false;
  Button* playButton_ = nullptr;  // children; the container deletes them
  Button* menuButton_ = nullptr;
  TrackBar* volume_ = nullptr;
  HICON playIcon_ = nullptr;
  HICON pauseIcon_ = nullptr;
  HICON menuIcon_ = nullptr;
  bool showsPlay_ = true;
  bool videoShown_ = false;  // from Create to WM_DESTROY
  int videoWidth_ = 400;
  int videoHeight_ = 300;
  std::set<std::wstring> reported_;
  // A close asked for while a report's box is up waits for the box: the
  // graph and this window are still in use under it.
  int reporting_ = 0;
  bool closeAsked_ = false;
};
