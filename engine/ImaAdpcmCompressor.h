// The IMA ADPCM compressor (CLSID_EngineImaAdpcmCompressor): 16-bit PCM,
// mono or stereo, 8 to 48 kHz in; WAVE_FORMAT_IMA_ADPCM blocks of the size
// common writers use (ImaAdpcm::BlockBytes) out, one block a sample, each
// stamped with the time of its first frame. Blocks fill across input
// samples; the last, partial one is padded at end of stream, and one cut
// short by a discontinuity is sent as it is before the new data. Its output
// pin has IAMStreamConfig with the one format it makes from the connected
// input (AUDIO_STREAM_CONFIG_CAPS of its channels and rate).
#pragma once

#include <vector>

#include "CompressorFilter.h"

class ImaAdpcmCompressor final : public CompressorFilter {
 public:
  explicit ImaAdpcmCompressor(IUnknown* outer);

 protected:
  HRESULT AcceptInput(const AM_MEDIA_TYPE& type) override;
  HRESULT FormatAt(int index, MediaType* type, BYTE* caps) override;
  int CapsSize() override { return sizeof(AUDIO_STREAM_CONFIG_CAPS); }
  HRESULT Process(IMediaSample* in) override;
  HRESULT Drain() override;
  void Discard() override;
  HRESULT OnInitStream() override;

 private:
  // Under the stream lock. Starts empty for the connected input, once a run
  // has begun or after a flush.
  void Reset();
  void ResetIfRestarted();
  HRESULT Append(const INT16* frames, DWORD count);
  HRESULT DeliverBlock();
  REFERENCE_TIME Duration(LONGLONG frames) const;

  volatile LONG restarted_ = 0;  // set as a run starts, so the next sample finds the filter empty
  // Under the stream lock.
  WORD channels_ = 0;
  DWORD rate_ = 0;
  DWORD blockBytes_ = 0;
  DWORD blockFrames_ = 0;
  std::vector<INT16> block_;  // the frames of the block being filled, interleaved
  DWORD pending_ = 0;         // how many
  BYTE stepIndices_[2] = {};  // carried from block to block
  REFERENCE_TIME base_ = 0;   // the time of the last stamped input sample
  LONGLONG sinceBase_ = 0;    // frames taken since it
  REFERENCE_TIME blockStart_ = 0;
  bool discontinuity_ = false;
};
