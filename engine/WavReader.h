// RIFF WAVE files: one audio stream with the file's own format tag (PCM or
// any other, reported as it is). The length comes from the 'data' size over
// the block size for fixed-frame formats (PCM, IEEE float, extensible), else
// from the 'fact' sample count, else from the data size over the byte rate.
// A 'data' chunk reaching past the file is refused. PCM of 8 to 32 bits is
// read at any 16-bit rate and channel count asked for (linear resampling;
// mono doubled to stereo, the first two channels of more); other format tags
// answer E_NOTIMPL for now.
#pragma once

#include "MediaReader.h"
#include "RiffFile.h"

class WavReader final : public MediaReader {
 public:
  HRESULT Open(const wchar_t* path) override;
  HRESULT ReadFrame(int stream, REFERENCE_TIME time, std::vector<BYTE>* pixels) override;
  HRESULT ReadAudio(int stream, REFERENCE_TIME time, const WAVEFORMATEX& format, DWORD frames,
                    std::vector<BYTE>* pcm) override;

 private:
  HRESULT Length(const RiffChunk& form, const RiffChunk& data, const WAVEFORMATEX& wave, REFERENCE_TIME* length);
  // count output frames from source position start + i * step; the source
  // frames they need are read at once.
  HRESULT ConvertBlock(double start, double step, DWORD count, WORD channels, INT16* out);
  // One source frame as 16-bit left and right.
  void StereoAt(const BYTE* frame, int* left, int* right) const;

  RiffFile file_;
  RiffChunk data_;
  WAVEFORMATEX wave_ = {};
  UINT64 frames_ = 0;  // whole frames in data_
};
