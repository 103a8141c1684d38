// The base of the engine's DirectShow filters: state, clock, the graph it
// joined, its name, and pin enumeration. A filter lists its pins through
// PinCount/PinAt and hears of state changes through four hooks:
//   Stopped -> Paused   OnInitStream   (after every pin's Active: allocators
//                                       committed, push threads started)
//   Paused  -> Running  OnStart
//   Running -> Paused   OnStop
//   any     -> Stopped  OnCleanup      (after OnRelease and every pin's
//                                       Inactive, once no sample is inside
//                                       the filter; new ones are refused)
// A failing hook leaves the state as it was; a failed start is cleaned up.
//
// Locks: StateLock guards state changes and connections; StreamLock (or an
// input pin's own receive lock) serialises the data path (Receive,
// EndOfStream, EndFlush); Stop waits on them before OnCleanup, so cleanup
// never races a sample. Take them in that order. The state itself may be read without a lock, and
// streaming threads must not take the state lock (Stop holds it while it
// waits for them).
#pragma once

#include <dshow.h>

#include <string>

#include "ComObject.h"
#include "ComPtr.h"

class PinBase;

class FilterBase : public ComObjectBase, public IBaseFilter, public IAMFilterMiscFlags {
 public:
  COM_DELEGATE_IUNKNOWN

  // IPersist
  STDMETHODIMP GetClassID(CLSID* clsid) override;
  // IMediaFilter
  STDMETHODIMP Stop() override;
  STDMETHODIMP Pause() override;
  STDMETHODIMP Run(REFERENCE_TIME start) override;
  STDMETHODIMP GetState(DWORD timeout, FILTER_STATE* state) override;
  STDMETHODIMP SetSyncSource(IReferenceClock* clock) override;
  STDMETHODIMP GetSyncSource(IReferenceClock** clock) override;
  // IBaseFilter
  STDMETHODIMP EnumPins(IEnumPins** pins) override;
  STDMETHODIMP FindPin(LPCWSTR id, IPin** pin) override;
  STDMETHODIMP QueryFilterInfo(FILTER_INFO* info) override;
  STDMETHODIMP JoinFilterGraph(IFilterGraph* graph, LPCWSTR name) override;
  STDMETHODIMP QueryVendorInfo(LPWSTR* info) override;
  // IAMFilterMiscFlags
  STDMETHODIMP_(ULONG) GetMiscFlags() override { return MiscFlags(); }

  CRITICAL_SECTION* StateLock() { return &stateLock_; }
  CRITICAL_SECTION* StreamLock() { return &streamLock_; }
  FILTER_STATE State();
  // The stream time origin given to Run.
  REFERENCE_TIME StreamStart();
  // Posts an event to the graph's IMediaEventSink; S_FALSE outside a graph.
  HRESULT NotifyEvent(long code, LONG_PTR param1, LONG_PTR param2);
  // For a filter that ends a stream, at its end: EC_COMPLETE now when
  // running, else as the filter next runs. The graph counts the completions
  // of a run from its start only, so one sent while paused would be lost.
  // Without the state lock, like NotifyEvent.
  void NotifyComplete();
  // The graph (not owned: it owns the filter); null outside one.
  IFilterGraph* Graph() { return graph_; }

  // Pins and enumerators see the pin list through these; PinsChanged makes
  // existing enumerators answer VFW_E_ENUM_OUT_OF_SYNC.
  virtual int PinCount() = 0;
  virtual PinBase* PinAt(int index) = 0;
  LONG PinVersion() const { return pinVersion_; }
  void PinsChanged() { InterlockedIncrement(&pinVersion_); }

 protected:
  FilterBase(IUnknown* outer, const CLSID& clsid);
  ~FilterBase() override;

  HRESULT QueryOwn(REFIID iid, void** out) override;

  virtual HRESULT OnInitStream() { return S_OK; }
  virtual HRESULT OnStart(REFERENCE_TIME) { return S_OK; }
  virtual HRESULT OnStop() { return S_OK; }
  virtual HRESULT OnCleanup() { return S_OK; }
  // Stop is about to stop the pins and wait for the samples inside the
  // filter: wake every streaming thread waiting in the filter (held frames,
  // interleaving, a source's own waits).
  virtual void OnRelease() {}
  // AM_FILTER_MISC_FLAGS_IS_RENDERER for a filter that ends a stream, so
  // that the graph waits for its EC_COMPLETE; IAMFilterMiscFlags is
  // answered only by filters with flags.
  virtual ULONG MiscFlags() { return 0; }

 private:
  CLSID clsid_;
  CRITICAL_SECTION stateLock_;
  CRITICAL_SECTION streamLock_;
  HRESULT StartPins();
  void StopPins();
  void WaitForSamples();

  volatile LONG state_ = State_Stopped;  // a FILTER_STATE, written under the state lock
  REFERENCE_TIME start_ = 0;
  ComPtr<IReferenceClock> clock_;
  IFilterGraph* graph_ = nullptr;  // not owned: the graph holds the filter
  std::wstring name_;
  volatile LONG pinVersion_ = 1;
  // Whether the filter runs and owes the graph a completion; apart from the
  // state lock, which streaming threads must not wait for.
  void SetRunning(bool running);
  void ForgetCompletion();
  CRITICAL_SECTION completeLock_;
  bool running_ = false;
  bool completePending_ = false;
};
