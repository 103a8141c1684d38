// RIFF WAVE files: one audio stream with the file's own format tag, read
// through AudioStreamReader. Files are taken as writers leave them: chunks in
// any order around 'data', odd chunks padded; a RIFF or 'data' size of 0 or
// 0xFFFFFFFF (written to a pipe, or by a recorder that was stopped) runs to
// the end of the file, and a 'data' size claiming more than the file holds
// gives the whole blocks that are there. The length of PCM and float is their
// whole frames; of block codecs the 'fact' sample count when the data holds
// that many (frames past it are padding, read as silence), else their whole
// blocks. A format that nothing decodes is still listed, its length from
// 'fact' or the byte rate, and reading it answers VFW_E_UNSUPPORTED_AUDIO.
#pragma once

#include "AudioStreamReader.h"
#include "MediaReader.h"
#include "RiffChunkBytes.h"
#include "RiffFile.h"

class WavReader final : public MediaReader {
 public:
  HRESULT Open(const wchar_t* path) override;
  HRESULT ReadFrame(int stream, REFERENCE_TIME time, std::vector<BYTE>* pixels) override;
  HRESULT ReadAudio(int stream, REFERENCE_TIME time, const WAVEFORMATEX& format, DWORD frames,
                    std::vector<BYTE>* pcm) override;

 private:
  HRESULT FindChunks(RiffChunk* form, RiffChunk* format, RiffChunk* data);
  // The 'fact' sample count, 0 without one.
  DWORD FactSamples(const RiffChunk& form);
  HRESULT Length(const RiffChunk& form, const MediaStream& stream, REFERENCE_TIME* length);
  void SilencePastLength(REFERENCE_TIME time, const WAVEFORMATEX& format, std::vector<BYTE>* pcm) const;

  RiffFile file_;
  RiffChunkBytes bytes_;
  AudioStreamReader audio_;
  HRESULT audioError_ = S_OK;  // why audio_ could not open
  DWORD rate_ = 0;
  UINT64 frames_ = 0;  // the stream's length in frames
};
