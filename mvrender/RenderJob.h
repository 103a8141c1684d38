// One run of mvrender: reads the project through the engine's XML
// persistence, puts the render engine's group outputs into a filter graph
// with the engine's AVI writer, renders as fast as the graph goes into a
// file beside the destination, checks what was written through the media
// detector and only then puts it in the destination's place.
#pragma once

#include <dshow.h>

#include <string>
#include <vector>

#include "ComPtr.h"
#include "ConsoleErrorLog.h"
#include "EditingServices.h"
#include "OutputFile.h"
#include "RenderOptions.h"

class ProgressLine;

enum ExitCode {
  kExitRendered = 0,
  kExitFailed = 1,      // rendering or writing failed; the destination is untouched
  kExitUsage = 2,       // bad arguments
  kExitBadProject = 3,  // the project cannot be read, or holds nothing to render
  kExitReported = 4,    // rendered, but the timeline reported errors
};

class RenderJob {
 public:
  explicit RenderJob(const RenderOptions& options) : options_(options) {}
  ~RenderJob();
  RenderJob(const RenderJob&) = delete;
  RenderJob& operator=(const RenderJob&) = delete;

  int Run();
  // Asks a running render to stop (from a console control handler).
  static void Interrupt();

 private:
  struct Stream {
    bool video = false;
    double fps = 0;
  };

  // Each answers an exit code, kExitRendered to go on.
  int ResolvePaths();
  int LoadProject();
  int ChooseRange();
  int BuildGraph();
  int ConnectGroup(long group);
  int Render();
  int Verify();
  HRESULT RunGraph(ProgressLine* progress);
  // The first of the graph's pending events that ends a render: S_OK for
  // completion, the failure for an abort, S_FALSE for none.
  HRESULT TakeEvents();
  REFERENCE_TIME Written();
  static int Fail(int code, const std::wstring& text, HRESULT hr);

  const RenderOptions& options_;
  std::wstring project_;      // full paths
  std::wstring destination_;
  ConsoleErrorLog log_;
  ComPtr<IAMTimeline> timeline_;
  REFERENCE_TIME from_ = 0;
  REFERENCE_TIME to_ = 0;
  ComPtr<IGraphBuilder> graph_;
  ComPtr<IRenderEngine> engine_;
  ComPtr<IBaseFilter> writer_;
  std::vector<Stream> streams_;  // in the writer's input order
  OutputFile output_;
  bool readWhole_ = true;
};
