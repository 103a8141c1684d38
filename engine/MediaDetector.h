// The media detector (CLSID_MediaDet) over the engine's own readers.
//
// put_Filename answers S_OK, the file's error, or VFW_E_INVALID_FILE_FORMAT
// (VFW_E_FILE_TOO_SHORT when truncated); after a failure no file is held.
// Stream methods without a file, or with a stream out of range, answer
// E_INVALIDARG. get_FrameRate of an audio stream answers
// VFW_E_INVALIDMEDIATYPE. get_Filter, put_Filter, GetBitmapBits,
// WriteBitmapBits, GetSampleGrabber and EnterBitmapGrabMode answer E_NOTIMPL:
// the application only examines streams.
#pragma once

#include <memory>
#include <string>

#include "EditingServices.h"
#include "MediaReader.h"

class MediaDetector final : public IMediaDet {
 public:
  static HRESULT CreateInstance(REFIID iid, void** object);

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IMediaDet
  STDMETHODIMP get_Filter(IUnknown** filter) override;
  STDMETHODIMP put_Filter(IUnknown* filter) override;
  STDMETHODIMP get_OutputStreams(long* count) override;
  STDMETHODIMP get_CurrentStream(long* stream) override;
  STDMETHODIMP put_CurrentStream(long stream) override;
  STDMETHODIMP get_StreamType(GUID* majorType) override;
  STDMETHODIMP get_StreamTypeB(BSTR* majorType) override;
  STDMETHODIMP get_StreamLength(double* seconds) override;
  STDMETHODIMP get_Filename(BSTR* name) override;
  STDMETHODIMP put_Filename(BSTR name) override;
  STDMETHODIMP GetBitmapBits(double time, long* size, char* buffer, long width, long height) override;
  STDMETHODIMP WriteBitmapBits(double time, long width, long height, BSTR name) override;
  STDMETHODIMP get_StreamMediaType(AM_MEDIA_TYPE* type) override;
  STDMETHODIMP GetSampleGrabber(ISampleGrabber** grabber) override;
  STDMETHODIMP get_FrameRate(double* rate) override;
  STDMETHODIMP EnterBitmapGrabMode(double time) override;

 private:
  MediaDetector();
  ~MediaDetector();

  // The current stream, or null without a file.
  const MediaStream* Current() const;

  volatile LONG references_ = 1;
  std::unique_ptr<MediaReader> reader_;
  std::wstring filename_;
  long current_ = 0;
};
