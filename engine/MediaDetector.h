// The media detector (CLSID_MediaDet) over the engine's own readers and
// filters. It can be aggregated.
//
// A source is set by put_Filename (the engine's MediaSourceFilter loaded
// with the file: E_INVALIDARG for an empty name, else the file's error or
// VFW_E_INVALID_FILE_FORMAT, and no source after a failure) or by put_Filter
// (any source filter in no other graph: E_POINTER for null, E_NOINTERFACE
// for an object that is no filter, leaving the source as it was). Streams,
// types, lengths and frame rates come from the engine's reader for a
// MediaSourceFilter, otherwise from the filter's video and audio output pins
// (the first type each offers, the duration its IMediaSeeking gives).
// get_Filter hands out that filter, or null with S_OK without a source.
//
// Without a source, get_OutputStreams, get_CurrentStream, put_CurrentStream
// and the current stream's methods answer E_INVALIDARG, as they do for a
// stream out of range and, except get_CurrentStream, in bitmap grab mode.
// Null out pointers answer E_POINTER. On failure, interface and string out
// pointers are null and media types zeroed; numbers keep what they held.
// get_FrameRate answers VFW_E_INVALIDMEDIATYPE for audio and S_FALSE (rate
// 0) for video whose format gives no rate.
//
// EnterBitmapGrabMode, GetBitmapBits and WriteBitmapBits enter bitmap grab
// mode, taking frames from the current stream if it is video, else from the
// first video stream (VFW_E_INVALIDMEDIATYPE when there is none): read by
// the engine's reader for its own files, through a FrameGrabber graph for
// other filters. Times are seconds (E_INVALIDARG when negative or not
// finite), sizes pixels (E_INVALIDARG when not positive or too large).
// GetSampleGrabber answers E_NOINTERFACE: no sample grabber filter exists
// here.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "BitmapBits.h"
#include "ComObject.h"
#include "ComPtr.h"
#include "EditingServices.h"
#include "FrameGrabber.h"
#include "MediaReader.h"

class MediaDetector final : public ComObject<IMediaDet> {
 public:
  // outer: the aggregating object, or null.
  static HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** object);
  // Through CreateInstance only.
  explicit MediaDetector(IUnknown* outer);

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
  ~MediaDetector() override;

  void Clear();
  HRESULT Use(IBaseFilter* filter);
  HRESULT CopyStreams(const std::vector<MediaStream>& streams);
  HRESULT ReadPins(IBaseFilter* filter);
  // The current stream, or null without a source or in bitmap grab mode.
  const MediaStream* Current() const;
  long FirstVideoStream() const;
  HRESULT EnterGrabMode();
  HRESULT ReadFrame(REFERENCE_TIME time, FramePixels* frame);

  ComPtr<IBaseFilter> source_;
  bool ownSource_ = false;  // a MediaSourceFilter: frames come from a reader
  std::vector<MediaStream> streams_;
  std::vector<ComPtr<IPin>> pins_;  // a foreign source's pin for each stream
  std::wstring filename_;
  long current_ = 0;
  long grabStream_ = -1;  // in bitmap grab mode: the stream frames come from
  std::unique_ptr<MediaReader> frames_;
  std::unique_ptr<FrameGrabber> grabber_;
};
