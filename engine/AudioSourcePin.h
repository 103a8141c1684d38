// An audio stream of MediaSourceFilter as 16-bit PCM at the stream's rate
// and channel count (at most 8; the reader converts), in blocks of about
// 100 ms. Times come from sample counts: sample frame n starts at n / rate,
// rounded to 100 ns. Blocks begin on frames whose times are whole 100 ns
// units, so the reader, which is asked by time, returns exactly those
// frames; a seek starts at the last such frame at or before the position
// (a few milliseconds at most for the common rates).
#pragma once

#include <vector>

#include "MediaSourcePin.h"

class AudioSourcePin final : public MediaSourcePin {
 public:
  // info: an audio stream of the file (FORMAT_WaveFormatEx).
  AudioSourcePin(FilterBase* filter, const std::wstring& name, const std::wstring& path, int stream,
                 const MediaStream& info);

  HRESULT Accepts(const AM_MEDIA_TYPE& type) override;
  HRESULT TypeAt(int index, MediaType* type) override;

 protected:
  HRESULT BufferSize(ALLOCATOR_PROPERTIES* request) override;
  void OnSeek(REFERENCE_TIME start) override;
  HRESULT FillSample(IMediaSample* sample) override;

 private:
  WAVEFORMATEX format_ = {};
  LONGLONG frames_ = 0;  // sample frames in the stream
  DWORD unit_ = 1;       // the fewest sample frames lasting whole 100 ns units
  DWORD block_ = 1;      // sample frames a sample holds; a multiple of unit_
  LONGLONG next_ = 0;
  std::vector<BYTE> pcm_;
};
