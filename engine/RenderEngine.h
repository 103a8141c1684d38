// The render engine (CLSID_RenderEngine): builds the front end of a filter
// graph from a timeline, one source filter (GroupFilter) per group, named
// after the group, whose output pin streams the group composed.
//
// ConnectFrontEnd takes a render plan of every group on the calling thread
// (reporting what cannot render to the timeline's error log) and answers
// S_WARN_OUTPUTRESET when it (re)built the output side: the first time, or
// when groups were added, removed or reordered or their media types changed; it then stops the graph and
// removes its old filters with everything downstream of them. Otherwise it
// swaps the new plans into the filters it has and answers S_OK, so that
// connected renderers stay. Without a graph of the caller's it makes one.
//
// Results: E_POINTER for null out pointers (cleared first where there is
// one); ConnectFrontEnd E_INVALIDARG without a timeline; GetGroupOutputPin
// E_MUST_INIT_RENDERER before ConnectFrontEnd, E_INVALIDARG for a group
// index out of range, S_FALSE (and null) for a group whose media type cannot
// be rendered; RenderOutputPins E_UNEXPECTED before ConnectFrontEnd and
// VFW_S_AUDIO_NOT_RENDERED when only audio failed; SetFilterGraph
// E_INVALIDARG for null or once the engine has a graph (until ScrapIt);
// SetRenderRange E_INVALIDARG unless 0 <= start < stop. Also IAMSetErrorLog
// (a log of the engine's own, used instead of the timeline's) and
// IObjectWithSite (the site is handed to a graph the engine makes). Not
// implemented (E_NOTIMPL), as the published engine leaves them:
// SetInterestRange(2), GetCaps, Commit, Decommit, SetSourceConnectCallback,
// DoSmartRecompression, UseInSmartRecompressionGraph.
// SetDynamicReconnectLevel is accepted and changes nothing: sources open as
// they are needed. SetSourceNameValidation with SFN_VALIDATEF_CHECK has the
// caller's media locator, or else the default one (MediaLocator), asked for
// each missing file; missing files it does not find are reported.
#pragma once

#include <memory>
#include <vector>

#include "ComObject.h"
#include "ComPtr.h"
#include "EditingServices.h"
#include "PlanBuilder.h"
#include "RenderPlan.h"
#include "SourceChecks.h"

class GroupFilter;

class RenderEngine final : public ComObject<IRenderEngine, IAMSetErrorLog, IObjectWithSite> {
 public:
  // Through CreateComObject only.
  explicit RenderEngine(IUnknown* outer);

  STDMETHODIMP SetTimelineObject(IAMTimeline* timeline) override;
  STDMETHODIMP GetTimelineObject(IAMTimeline** timeline) override;
  STDMETHODIMP GetFilterGraph(IGraphBuilder** graph) override;
  STDMETHODIMP SetFilterGraph(IGraphBuilder* graph) override;
  STDMETHODIMP SetInterestRange(REFERENCE_TIME start, REFERENCE_TIME stop) override;
  STDMETHODIMP SetInterestRange2(double start, double stop) override;
  STDMETHODIMP SetRenderRange(REFERENCE_TIME start, REFERENCE_TIME stop) override;
  STDMETHODIMP SetRenderRange2(double start, double stop) override;
  STDMETHODIMP GetGroupOutputPin(long group, IPin** pin) override;
  STDMETHODIMP ScrapIt() override;
  STDMETHODIMP RenderOutputPins() override;
  STDMETHODIMP GetVendorString(BSTR* vendor) override;
  STDMETHODIMP ConnectFrontEnd() override;
  STDMETHODIMP SetSourceConnectCallback(IGrfCache* callback) override;
  STDMETHODIMP SetDynamicReconnectLevel(long level) override;
  STDMETHODIMP DoSmartRecompression() override;
  STDMETHODIMP UseInSmartRecompressionGraph() override;
  STDMETHODIMP SetSourceNameValidation(BSTR filter, IMediaLocator* locator, LONG flags) override;
  STDMETHODIMP Commit() override;
  STDMETHODIMP Decommit() override;
  STDMETHODIMP GetCaps(long index, long* value) override;

  STDMETHODIMP get_ErrorLog(IAMErrorLog** log) override;
  STDMETHODIMP put_ErrorLog(IAMErrorLog* log) override;

  STDMETHODIMP SetSite(IUnknown* site) override;
  STDMETHODIMP GetSite(REFIID iid, void** site) override;

 private:
  using Plans = std::vector<std::shared_ptr<const RenderPlan>>;  // null: a group without output
  using Groups = std::vector<ComPtr<IUnknown>>;                   // the timeline's groups, by identity
  struct Output {
    ComPtr<IBaseFilter> filter;
    GroupFilter* group = nullptr;  // the same object as filter; null without output
  };

  ~RenderEngine() override;

  HRESULT BuildPlans(Plans* plans, Groups* groups);
  bool SameOutputs(const Plans& plans, const Groups& groups);
  HRESULT AddOutputs(const Plans& plans);
  void RemoveOutputs();
  // Removes the filters fed by pin, and those they feed.
  void RemoveDownstream(IPin* pin);
  void StopGraph();
  std::wstring FilterName(long group);

  CRITICAL_SECTION lock_;
  ComPtr<IAMTimeline> timeline_;
  ComPtr<IGraphBuilder> graph_;
  ComPtr<IAMErrorLog> errorLog_;
  ComPtr<IUnknown> site_;
  SourceLocator locator_;
  REFERENCE_TIME rangeStart_ = 0;
  REFERENCE_TIME rangeStop_ = -1;  // -1: to the timeline's end
  bool connected_ = false;
  std::vector<Output> outputs_;
  Groups groups_;  // the groups outputs_ were made for, held so that identity compares safely
  SourceChecks checks_;
};
