// Driving the render window from a test: pumping until something holds,
// and a capture graph builder whose
// SetOutputFileName works, as on a platform that has one.
#pragma once

#include <dshow.h>

#include <functional>
#include <string>
#include <vector>

#include "ComPtr.h"
#include "TestWindows.h"

// False when done() never held (a broken render must not hang the run).
inline bool PumpUntil(const std::function<bool()>& done) {
  for (ULONGLONG end = GetTickCount64() + 60000; !done(); Sleep(10)) {
    if (GetTickCount64() > end) return false;
    PumpMessages();
  }
  return true;
}

// SetOutputFileName puts the engine's AVI writer into the graph as the
// multiplexer and records the file; the rest goes to the platform's builder.
class WorkingBuilder final : public ICaptureGraphBuilder2 {
 public:
  inline static std::vector<std::wstring> files;  // over every instance

  WorkingBuilder();
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&references_); }
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP SetFiltergraph(IGraphBuilder* graph) override;
  STDMETHODIMP GetFiltergraph(IGraphBuilder** graph) override { return real_->GetFiltergraph(graph); }
  STDMETHODIMP SetOutputFileName(const GUID* type, LPCOLESTR file, IBaseFilter** mux, IFileSinkFilter** sink) override;
  STDMETHODIMP FindInterface(const GUID* c, const GUID* t, IBaseFilter* f, REFIID iid, void** out) override {
    return real_->FindInterface(c, t, f, iid, out);
  }
  STDMETHODIMP RenderStream(const GUID* c, const GUID* t, IUnknown* s, IBaseFilter* f, IBaseFilter* r) override {
    return real_->RenderStream(c, t, s, f, r);
  }
  STDMETHODIMP ControlStream(const GUID* c, const GUID* t, IBaseFilter* f, REFERENCE_TIME* start,
                             REFERENCE_TIME* stop, WORD startCookie, WORD stopCookie) override {
    return real_->ControlStream(c, t, f, start, stop, startCookie, stopCookie);
  }
  STDMETHODIMP AllocCapFile(LPCOLESTR file, DWORDLONG size) override { return real_->AllocCapFile(file, size); }
  STDMETHODIMP CopyCaptureFile(LPOLESTR from, LPOLESTR to, int escape, IAMCopyCaptureFileProgress* p) override {
    return real_->CopyCaptureFile(from, to, escape, p);
  }
  STDMETHODIMP FindPin(IUnknown* s, PIN_DIRECTION d, const GUID* c, const GUID* t, BOOL u, int i, IPin** p) override {
    return real_->FindPin(s, d, c, t, u, i, p);
  }

 private:
  LONG references_ = 1;
  ComPtr<ICaptureGraphBuilder2> real_;
  ComPtr<IGraphBuilder> graph_;
};
