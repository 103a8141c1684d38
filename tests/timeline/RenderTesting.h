// Driving the render window from a test: pumping until something holds,
// answering its modal windows, a double of the capture graph builder, and
// reading what it rendered.
#pragma once

#include <dshow.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ComPtr.h"
#include "MediaReaders.h"
#include "TestWindows.h"

// Pumps messages until done() holds; false when it never did (a broken
// render must not hang the run).
inline bool PumpUntil(const std::function<bool()>& done, DWORD limitMs = 60000) {
  for (ULONGLONG end = GetTickCount64() + limitMs; !done();) {
    if (GetTickCount64() > end) return false;
    PumpMessages();
    Sleep(10);
  }
  return true;
}

// Runs action once on each window of a class that this thread shows.
class WindowAnswerer {
 public:
  WindowAnswerer(const wchar_t* className, std::function<void(HWND)> action)
      : className_(className), action_(std::move(action)) {
    timer_ = SetTimer(nullptr, 0, 40, &OnTimer);
    Active().push_back(this);
  }
  ~WindowAnswerer() {
    KillTimer(nullptr, timer_);
    Active().erase(std::find(Active().begin(), Active().end(), this));
  }
  int Answered() const { return answered_; }

 private:
  static BOOL CALLBACK Find(HWND hwnd, LPARAM self) {
    auto* answerer = reinterpret_cast<WindowAnswerer*>(self);
    wchar_t name[64];
    if (IsWindowVisible(hwnd) && hwnd != answerer->last_ && GetClassNameW(hwnd, name, 64) &&
        answerer->className_ == name) {
      answerer->last_ = hwnd;
      ++answerer->answered_;
      answerer->action_(hwnd);
      return FALSE;
    }
    return TRUE;
  }
  static void CALLBACK OnTimer(HWND, UINT, UINT_PTR timer, DWORD) {
    for (WindowAnswerer* answerer : Active()) {
      if (answerer->timer_ == timer) EnumThreadWindows(GetCurrentThreadId(), &Find, reinterpret_cast<LPARAM>(answerer));
    }
  }
  static std::vector<WindowAnswerer*>& Active() {
    static std::vector<WindowAnswerer*> active;
    return active;
  }

  std::wstring className_;
  std::function<void(HWND)> action_;
  HWND last_ = nullptr;
  int answered_ = 0;
  UINT_PTR timer_ = 0;
};

// A capture graph builder whose SetOutputFileName works, as on a platform
// that has one: it puts the engine's AVI writer into the graph as the
// multiplexer and records the call. Everything else goes to the platform's
// builder.
class WorkingBuilder final : public ICaptureGraphBuilder2 {
 public:
  WorkingBuilder();
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return InterlockedIncrement(&references_); }
  STDMETHODIMP_(ULONG) Release() override;
  STDMETHODIMP SetFiltergraph(IGraphBuilder* graph) override;
  STDMETHODIMP GetFiltergraph(IGraphBuilder** graph) override { return real_->GetFiltergraph(graph); }
  STDMETHODIMP SetOutputFileName(const GUID* type, LPCOLESTR file, IBaseFilter** multiplexer,
                                 IFileSinkFilter** sink) override;
  STDMETHODIMP FindInterface(const GUID* category, const GUID* type, IBaseFilter* filter, REFIID iid,
                             void** out) override {
    return real_->FindInterface(category, type, filter, iid, out);
  }
  STDMETHODIMP RenderStream(const GUID* category, const GUID* type, IUnknown* source, IBaseFilter* compressor,
                            IBaseFilter* renderer) override {
    return real_->RenderStream(category, type, source, compressor, renderer);
  }
  STDMETHODIMP ControlStream(const GUID* category, const GUID* type, IBaseFilter* filter, REFERENCE_TIME* start,
                             REFERENCE_TIME* stop, WORD startCookie, WORD stopCookie) override {
    return real_->ControlStream(category, type, filter, start, stop, startCookie, stopCookie);
  }
  STDMETHODIMP AllocCapFile(LPCOLESTR file, DWORDLONG size) override { return real_->AllocCapFile(file, size); }
  STDMETHODIMP CopyCaptureFile(LPOLESTR from, LPOLESTR to, int allowEscape, IAMCopyCaptureFileProgress* progress) override {
    return real_->CopyCaptureFile(from, to, allowEscape, progress);
  }
  STDMETHODIMP FindPin(IUnknown* source, PIN_DIRECTION direction, const GUID* category, const GUID* type,
                       BOOL unconnected, int index, IPin** pin) override {
    return real_->FindPin(source, direction, category, type, unconnected, index, pin);
  }

  // What SetOutputFileName was given, over every instance.
  inline static std::vector<std::wstring> files;

 private:
  LONG references_ = 1;
  ComPtr<ICaptureGraphBuilder2> real_;
  ComPtr<IGraphBuilder> graph_;
};

// A rendered file through the engine's readers.
struct RenderedFile {
  explicit RenderedFile(const std::wstring& path) { opened = MediaReaders::Open(path.c_str(), &reader); }
  // The stream of a major type, or -1.
  int StreamOf(const GUID& majorType) const;
  LONGLONG Frames(int stream) const;
  // frame f as top-down BGRA.
  std::vector<BYTE> Frame(int stream, LONGLONG f) const;

  HRESULT opened;
  std::unique_ptr<MediaReader> reader;
};
