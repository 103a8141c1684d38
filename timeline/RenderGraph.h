// The filter graph of a render to file: the render engine's front end for a
// timeline, each group's pin through its compressor (none for
// "Uncompressed") into an AVI multiplexer. The multiplexer comes from the
// capture graph builder's SetOutputFileName; where that is not implemented
// (Wine), the engine's AVI writer takes its place, rendered into with the
// same RenderStream calls. Graph events are posted to a window.
#pragma once

#include <dshow.h>

#include <vector>

#include "ComPtr.h"
#include "EditingServices.h"
#include "RenderSkipCallback.h"

struct RenderGroupEntry {
  ComPtr<IAMTimelineGroup> group;
  GUID majorType = GUID_NULL;
  int compressorIndex = 0;  // into videoCompressors or audioCompressors; 0 is "Uncompressed"
  ComPtr<IBaseFilter> compressor;  // made on demand; null for none
  bool connected = false;          // the group's pin feeds the compressor in the current graph
};

class RenderGraph {
 public:
  RenderGraph() = default;
  ~RenderGraph() { Destroy(); }
  RenderGraph(const RenderGraph&) = delete;
  RenderGraph& operator=(const RenderGraph&) = delete;

  // A graph registered in the running object table, with callback as its
  // site, the engine's front end for timeline and builder on it; events go
  // to window as message (wParam 0).
  HRESULT Create(IAMTimeline* timeline, RenderSkipCallback* callback, HWND window, UINT message,
                 ICaptureGraphBuilder2* builder);
  // Stops and releases everything; the engine scraps its filters.
  void Destroy();
  bool Exists() const { return engine_ && control_; }
  // 0 stopped, 1 paused, 2 running; -1 without a graph.
  int State();
  IGraphBuilder* Graph() const { return graph_.Get(); }

  // Takes the timeline anew; S_WARN_OUTPUTRESET when the groups' outputs
  // were rebuilt (then nothing is connected to them any more).
  HRESULT Refresh() { return engine_->ConnectFrontEnd(); }
  // Puts entry.compressor (made by the caller; null for none) behind group
  // g's pin, removing what the pin fed before. The pin's result when it is
  // not S_OK; S_OK without a compressor.
  HRESULT ConnectCompressor(int g, RenderGroupEntry& entry);
  // The multiplexer writing path, and every group rendered into it.
  HRESULT SetupOutput(const wchar_t* path, std::vector<RenderGroupEntry>& groups);
  HRESULT Run() { return control_->Run(); }
  void Stop();
  // The time the multiplexer has written; false when it cannot tell.
  bool Written(LONGLONG* position);
  // The next graph event, freed; false when there is none.
  bool NextEvent(long* code, LONG_PTR* first);

 private:
  HRESULT AddOutputFile(const wchar_t* path, IBaseFilter** multiplexer);

  ComPtr<IRenderEngine> engine_;
  ComPtr<IGraphBuilder> graph_;
  ComPtr<IMediaControl> control_;
  ComPtr<IMediaEventEx> events_;
  ComPtr<IMediaSeeking> seeking_;  // of the multiplexer
  ComPtr<ICaptureGraphBuilder2> builder_;
  DWORD cookie_ = 0;
  bool registered_ = false;
};
