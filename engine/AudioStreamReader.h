// One audio stream's samples as 16-bit PCM at any rate and channel count,
// from the stream's format block and its encoded bytes. PCM (8 to 32 bits),
// IEEE float (32, 64) and IMA ADPCM, plain or in WAVE_FORMAT_EXTENSIBLE, have
// decoders of the engine's own; other tags go through the platform's audio
// codecs (ACM). Reading decodes from the block holding the first frame
// needed, mixes channels (ChannelMixer) and resamples linearly. Output frame
// k at rate r stands at source frame k * sourceRate / r, kept exact in
// integers, so that reads which follow one another join without a seam and
// equal rates copy samples unchanged. Used from one thread at a time.
#pragma once

#include <windows.h>
#include <mmreg.h>
#include <strmif.h>

#include <memory>
#include <vector>

#include "AudioBytes.h"
#include "AudioDecoder.h"
#include "ChannelMixer.h"

class AudioStreamReader {
 public:
  // Samples one Read may return, all channels counted: a minute of 192 kHz stereo.
  static const UINT64 kMaxSamples = 192000ull * 60 * 2;

  // format: the stream's format block as the file holds it (WAVEFORMAT,
  // PCMWAVEFORMAT, WAVEFORMATEX or WAVEFORMATEXTENSIBLE). bytes: not owned,
  // must outlive the reader. VFW_E_INVALID_FILE_FORMAT for a format whose
  // sizes contradict it or whose rate is above 1 MHz; VFW_E_UNSUPPORTED_AUDIO
  // when neither the engine nor an installed codec decodes it.
  HRESULT Open(const BYTE* format, size_t formatSize, AudioBytes* bytes);
  // Sample frames the stream holds: those of its whole blocks.
  UINT64 Frames() const { return frames_; }
  // frames sample frames of 16-bit PCM in out's rate and channel count from
  // time on (0 is the stream's first frame), silence outside the stream.
  // E_INVALIDARG for an out that is not 16-bit PCM of 1 to 8 channels at
  // 1 kHz to 1 MHz, for more than kMaxSamples samples, or without pcm;
  // E_UNEXPECTED when not open; else the bytes' or codec's error.
  HRESULT Read(REFERENCE_TIME time, const WAVEFORMATEX& out, DWORD frames, std::vector<BYTE>* pcm);

 private:
  // count output frames from output frame k on, at rate, to out.
  HRESULT Convert(INT64 k, DWORD count, DWORD rate, WORD channels, INT16* out);
  // Source frames first .. first + count - 1, mixed, into mixed_.
  HRESULT Fill(UINT64 first, size_t count, WORD channels);
  // Blocks first .. first + count - 1 into decoded_, reusing those decoded
  // last time, so that reading on decodes each block once.
  HRESULT DecodeBlocks(UINT64 first, DWORD count);
  HRESULT ReadAndDecode(UINT64 first, DWORD count, float* out);
  // Output frames one Convert may cover so that its source frames fit the window.
  DWORD ChunkFrames(DWORD rate) const;

  std::unique_ptr<AudioDecoder> decoder_;
  AudioBytes* bytes_ = nullptr;  // not owned
  WORD channels_ = 0;
  DWORD rate_ = 0;
  DWORD mask_ = 0;
  UINT64 frames_ = 0;
  ChannelMixer mixer_;
  std::vector<BYTE> encoded_;
  std::vector<float> decoded_;  // whole blocks, source channels
  UINT64 decodedFirst_ = 0;     // the first block in decoded_
  DWORD decodedCount_ = 0;
  UINT64 nextBlock_ = ~0ull;    // the block after those the decoder was last given
  std::vector<float> mixed_;    // the frames asked for, output channels
};
