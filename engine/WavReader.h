// RIFF WAVE files: one audio stream with the file's own format tag (PCM or
// any other, reported as it is). The length comes from the 'data' size over
// the block size for fixed-frame formats (PCM, IEEE float, extensible), else
// from the 'fact' sample count, else from the data size over the byte rate.
// A 'data' chunk reaching past the file is refused. Audio reading: not yet.
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

  RiffFile file_;
};
