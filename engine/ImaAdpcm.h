// The IMA ADPCM codec in the WAV block layout (WAVE_FORMAT_IMA_ADPCM): a
// block holds, per channel, a 4-byte header (the block's first sample as
// int16, the step index, a zero byte), then groups of 4 bytes per channel in
// turn, each 8 samples of 4 bits, low nibble first. Blocks decode on their own.
#pragma once

#include <windows.h>

class ImaAdpcm {
 public:
  static const int kMaxStepIndex = 88;

  // Sample frames a block of blockBytes holds; 0 when it cannot hold its headers.
  static DWORD SamplesPerBlock(DWORD blockBytes, WORD channels);
  // The block size common writers use: 256 bytes a channel up to 11.025 kHz,
  // 512 at 22.05 kHz, 1024 at 44.1 kHz and above (256 times rate / 11025,
  // from 1 to 4 times). 0 when the channels need more than a WORD.
  static WORD BlockBytes(WORD channels, DWORD rate);

  // The first frames frames (at most SamplesPerBlock) of a block, interleaved.
  // A step index past the table is taken as its last entry.
  static void DecodeBlock(const BYTE* block, DWORD blockBytes, WORD channels, DWORD frames, INT16* out);
  // frames interleaved frames (at most SamplesPerBlock; the rest of the block
  // holds the last one) as one block. stepIndices holds one entry a channel,
  // carried from block to block (zeros before the first); each block's header
  // takes the carried index or a fresh estimate, whichever codes its start better.
  static void EncodeBlock(const INT16* pcm, DWORD frames, WORD channels, BYTE* stepIndices, BYTE* block,
                          DWORD blockBytes);
};
