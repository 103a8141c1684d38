// The engine's file source (CLSID_EngineMediaSource): plays a file the
// engine reads, with one output pin per stream in the file's order
// (VideoSourcePin, AudioSourcePin), each streaming on its own thread.
//
// Load answers E_POINTER for a null name, VFW_E_NOT_STOPPED unless stopped,
// E_UNEXPECTED once a file is loaded (a filter loads one file), else what
// opening the file answers: the file's error, VFW_E_INVALID_FILE_FORMAT for
// a file the engine cannot read, VFW_E_FILE_TOO_SHORT for a truncated one.
// GetCurFile answers E_POINTER for a null name pointer and E_FAIL before a
// file is loaded, with the name null and the type zeroed; once loaded, the
// type given to Load, or MEDIATYPE_Stream with no subtype.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "FilterBase.h"
#include "MediaReader.h"
#include "MediaSourcePin.h"

class MediaSourceFilter final : public FilterBase, public IFileSourceFilter {
 public:
  COM_DELEGATE_IUNKNOWN

  // outer: the aggregating object, or null.
  static HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object);
  // Through CreateInstance only.
  explicit MediaSourceFilter(IUnknown* outer);
  // The filter behind object when it is one of these, else null; the
  // caller's reference keeps it alive.
  static MediaSourceFilter* FromObject(IUnknown* object);

  // IFileSourceFilter
  STDMETHODIMP Load(LPCOLESTR name, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP GetCurFile(LPOLESTR* name, AM_MEDIA_TYPE* type) override;

  int PinCount() override;
  PinBase* PinAt(int index) override;

  // The loaded file's streams as its reader describes them (native types,
  // exact frame rates); empty before Load.
  const std::vector<MediaStream>& Streams() const;
  const std::wstring& Path() const { return path_; }

 protected:
  HRESULT QueryOwn(REFIID iid, void** out) override;
  HRESULT OnInitStream() override;
  HRESULT OnCleanup() override;

 private:
  ~MediaSourceFilter() override;

  HRESULT MakePins();

  std::unique_ptr<MediaReader> reader_;  // describes the streams; never reads
  std::wstring path_;
  MediaType fileType_;
  std::vector<std::unique_ptr<MediaSourcePin>> pins_;
};
