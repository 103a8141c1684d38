// The "Render" window: renders the whole timeline into an AVI file. One grid
// row per group (stream type, name, output frame rate, compressor), the
// compressor of each group chosen from the installed ones and configured in
// its own dialog, property pages, WndVidCmp or WndStmCfg; the destination
// file; Start and Stop; the position written once a second.
//
// The graph is a RenderGraph. The file is written beside the destination
// and replaces it only when the render has finished (RenderDestination).
//
// While it exists the main window keeps its menus disabled; it posts
// WM_APP + 1 (wParam 0, lParam its handle) to its owner when it is destroyed.
#pragma once

#include <dshow.h>

#include <cstdint>
#include <vector>

#include "ComPtr.h"
#include "EditingServices.h"
#include "FrameWindow.h"
#include "GridObserver.h"
#include "RenderDestination.h"
#include "RenderGraph.h"
#include "RenderSkipCallback.h"

class Button;
class EditBox;
class GridControl;
class StaticText;

// The close notice to the owner, and the graph's event notification.
constexpr UINT kRenderWindowMessage = WM_APP + 1;
constexpr UINT_PTR kRenderProgressTimer = 1;

class TimeLineRender : public FrameWindow, public GridObserver {
 public:
  TimeLineRender();
  ~TimeLineRender() override;
  DWORD Create(HWND parent, HINSTANCE instance) override;
  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
  // While rendering asks whether to interrupt: Cancel refuses, OK stops.
  int QueryClose() override;

  // Lists the timeline's groups (not owned: it must outlive the window) and
  // builds a graph for them.
  void Open(IAMTimeline* timeline);
  // The graph's state: 0 stopped, 1 paused, 2 running; -1 without a graph.
  int GetRenderState();

  // GridObserver: the compressor list and the frame-rate check.
  int OnBeginEdit(GridControl* grid, Window** editor) override;
  void OnEndEdit(GridControl* grid, Window* editor, bool commit) override;

  GridControl* Grid() const { return grid_; }
  Button* ConfigButton() const { return configButton_; }
  Button* BrowseButton() const { return browseButton_; }
  Button* StartButton() const { return startButton_; }
  EditBox* FileField() const { return fileField_; }
  StaticText* ProgressLabel() const { return progress_; }
  IGraphBuilder* Graph() const { return graph_.Graph(); }
  const RenderGroupEntry* Entry(int row) const;
  // The partial file of the last render, which an interrupted or failed render leaves.
  const std::wstring& PartialPath() const { return destination_.PartialPath(); }

 protected:
  // The builder of the output side; tests put a double in its place.
  virtual HRESULT CreateCaptureBuilder(ICaptureGraphBuilder2** builder);

 private:
  enum class RenderEnd { kCompleted, kInterrupted, kFailed };

  void CreateControls();
  void FillRow(int row);

  HRESULT CreateGraph();
  void DestroyGraph(bool freeGroups);
  HRESULT MakeCompressor(RenderGroupEntry& entry);
  HRESULT ConnectCompressor(int g);
  HRESULT ShowCompressorConfig(const GUID& majorType, IBaseFilter* filter);
  template <class W, class I>
  HRESULT RunModal(I* settings);
  void OnCompressorConfig();
  void BrowseDestination();
  void StartRender();
  HRESULT BeginRender();
  void StopRender(RenderEnd end, HRESULT reason = S_OK);
  void OnStartStop();
  void OnGraphEvents();
  void ShowProgress();
  void ReportEnd(RenderEnd end, HRESULT reason);
  void SetRendering(bool on);
  bool AskInterrupt();
  LONGLONG WrittenTime();

  RenderSkipCallback callback_;
  IAMTimeline* timeline_ = nullptr;  // not owned
  RenderGraph graph_;
  UINT_PTR timer_ = 0;
  int64_t duration_ = 0;  // interface time
  std::vector<RenderGroupEntry> groups_;
  GridControl* grid_ = nullptr;  // the children are owned by the container
  Button* configButton_ = nullptr;
  StaticText* fileLabel_ = nullptr;
  EditBox* fileField_ = nullptr;
  Button* browseButton_ = nullptr;
  Button* startButton_ = nullptr;
  StaticText* progress_ = nullptr;
  bool connectOnConfig_ = true;
  RenderDestination destination_;
  ULONGLONG startTick_ = 0;
  LONGLONG written_ = 0;  // the last time the multiplexer reported written
};
