// The frames of one AVI video stream by number. Frame n shows its own
// chunk, or the last one before it that holds data (an empty entry is a
// dropped frame; with none before it the frame is black). A temporal codec
// decodes from the key frame at or before that chunk, or on from the chunk
// decoded last when that lies between them, so reading frames in order
// decodes each once. The last few pictures are kept.
#pragma once

#include <memory>
#include <vector>

#include "AviIndex.h"
#include "FrameCache.h"
#include "FrameDecoder.h"
#include "RiffFile.h"

class AviVideoStream {
 public:
  static constexpr size_t kCachedFrames = 4;

  // format: the stream's BITMAPINFOHEADER and what follows it; stream: the
  // NN of its chunks; handler: its codec code. file and index must outlive
  // this. The decoder is made at the first frame, so opening works for
  // streams nothing here decodes.
  AviVideoStream(RiffFile* file, const AviIndex* index, int stream, const BYTE* format, size_t size, DWORD handler);

  // Frame n (below the index's count) as top-down BGRA. Needs COM
  // initialised on the calling thread. VFW_E_UNSUPPORTED_VIDEO when no
  // decoder takes the format; VFW_E_INVALID_FILE_FORMAT for a frame the index
  // cannot find or the decoder cannot read.
  HRESULT Frame(size_t n, std::vector<BYTE>* pixels);
  // Frame n's chunk as it is stored, when that is an uncompressed RGB
  // picture of 16, 24 or 32 bits (the format's rows); S_FALSE otherwise.
  HRESULT StoredFrame(size_t n, std::vector<BYTE>* bytes) const;

 private:
  static constexpr size_t kNone = size_t(-1);

  HRESULT MakeDecoder();
  // start: decoding begins here, whatever the index says of the chunk.
  HRESULT DecodeChunk(size_t n, bool start, std::vector<BYTE>* pixels);
  // The chunk to decode from to reach chunk n.
  size_t StartFor(size_t n) const;
  HRESULT DecodeTemporal(size_t n, std::vector<BYTE>* pixels);
  void Black(std::vector<BYTE>* pixels) const;
  // Gives the decoder the palette chunk n is drawn with: the format's, with
  // the palette changes before n applied.
  void UsePaletteFor(size_t n);
  bool ApplyChange(const AviIndex::PaletteChange& change, RGBQUAD* palette);

  RiffFile* file_;          // not owned
  const AviIndex* index_;   // not owned
  int stream_;
  std::vector<BYTE> format_;
  DWORD handler_;
  LONG width_ = 0;
  LONG height_ = 0;
  std::unique_ptr<FrameDecoder> decoder_;
  HRESULT decoderError_ = S_OK;  // kept, so a missing decoder is looked for once
  size_t decoded_ = kNone;       // the chunk a temporal decoder holds
  size_t paletteChanges_ = 0;    // palette changes in the decoder's palette
  std::vector<BYTE> chunk_;
  FrameCache cache_{kCachedFrames};
};
