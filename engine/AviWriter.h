// Writes an AVI file: the header list with one 'strl' per stream (its 'indx'
// super index with room reserved), 'odml'/'dmlh', JUNK so that the first
// chunk starts on a 4 KB boundary, then chunks as they come: one per video
// frame ("NNdb" uncompressed, "NNdc" compressed), whole audio blocks ("NNwb").
// A RIFF that would pass riffLimit is closed and an 'AVIX' RIFF begun
// (OpenDML); each RIFF ends its 'movi' with a standard index per stream
// ('ix##', offsets of chunk data from the RIFF's start), the first RIFF also
// with 'idx1' (offsets from the 'movi' list type, key-frame flags). Finish
// writes the last indexes and the final header values; it leaves a valid
// file of what was written also after a write failed, cutting back to whole
// chunks and making room for their indexes.
//
// Not thread-safe: the caller serialises every call.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <vector>

#include "BufferedFile.h"

class AviWriter {
 public:
  struct Options {
    UINT64 riffLimit = UINT64(1) << 30;
    bool legacyIndex = true;  // 'idx1' in the first RIFF
    bool interleaved = true;  // AVIF_ISINTERLEAVED
    // 'indx' room: how many RIFFs a file may have (256 GB at 1 GB each).
    DWORD superIndexEntries = 256;
    size_t bufferSize = size_t(4) << 20;
    UINT64 sizeLimit = 0;  // see BufferedFile::LimitSize
  };

  // S_OK for types this writer stores: FORMAT_VideoInfo video (RGB 8, 16, 24,
  // 32 or a compression code) with a frame duration, FORMAT_WaveFormatEx
  // audio with whole blocks (PCM or block-aligned compressed); else S_FALSE.
  static HRESULT CanWrite(const AM_MEDIA_TYPE& type);

  // Before Create: streams are numbered in the order they are added.
  HRESULT AddStream(const AM_MEDIA_TYPE& type);
  // Creates (or empties) path and writes the headers.
  HRESULT Create(const wchar_t* path, const Options& options);
  // One video frame, or audio of whole blocks. Audio and uncompressed
  // frames are always key frames.
  HRESULT WriteChunk(int stream, const BYTE* data, DWORD size, bool keyFrame);
  // Every stream other than master (>= 0) has its rate set so that it lasts
  // as long as the master when Finish sees them differ by a unit or more.
  void SetMasterStream(int master) { master_ = master; }
  // Writes the indexes and header values, closes the file and forgets the
  // streams. The first failure since Create, or S_OK; S_FALSE when no file
  // was open.
  HRESULT Finish();

  bool IsOpen() const { return file_.IsOpen(); }
  int StreamCount() const { return int(streams_.size()); }
  // The stream time written so far.
  REFERENCE_TIME StreamEnd(int stream) const;
  // The first failure, sticky until Finish.
  HRESULT Error() const { return error_; }

 private:
  struct IndexEntry {  // 'ix##': data offset from the RIFF, size (bit 31: not a key frame)
    DWORD offset;
    DWORD size;
  };
  struct LegacyEntry {  // 'idx1'
    DWORD id;
    DWORD flags;
    DWORD offset;
    DWORD size;
  };
  struct SuperEntry {  // 'indx'
    UINT64 offset;
    DWORD size;
    DWORD duration;
  };
  struct Stream {
    bool video = false;
    DWORD chunkId = 0;
    DWORD handler = 0;
    DWORD scale = 1;
    DWORD rate = 1;
    DWORD sampleSize = 0;
    SHORT width = 0;
    SHORT height = 0;
    std::vector<BYTE> format;  // 'strf'
    UINT64 length = 0;         // frames or blocks, all RIFFs
    UINT64 riffUnits = 0;      // of length, in the open RIFF
    DWORD firstRiffLength = 0;
    DWORD largestChunk = 0;
    std::vector<IndexEntry> entries;  // the open RIFF's
    std::vector<SuperEntry> super;
  };

  HRESULT AddVideo(const AM_MEDIA_TYPE& type, Stream* stream);
  HRESULT AddAudio(const AM_MEDIA_TYPE& type, Stream* stream);
  std::vector<BYTE> Headers() const;
  void PutStreamList(const Stream& stream, std::vector<BYTE>* out) const;
  void PutMainHeader(std::vector<BYTE>* out) const;
  UINT64 RiffIndexBytes() const;
  HRESULT OpenRiff(DWORD formType);
  HRESULT CloseRiff();
  HRESULT WriteStandardIndex(Stream* stream);
  HRESULT WriteLegacyIndex();
  HRESULT StartNextRiff();
  HRESULT Record(HRESULT hr);
  HRESULT Recover();
  void DropLastChunk();
  bool RiffHasChunks() const;
  void StretchToMaster();
  DWORD UnitsOf(const Stream& stream, DWORD size) const;

  Options options_;
  BufferedFile file_;
  std::vector<Stream> streams_;
  std::vector<LegacyEntry> legacy_;
  bool riffOpen_ = false;
  bool firstRiff_ = true;
  UINT64 riffStart_ = 0;
  UINT64 moviStart_ = 0;  // the 'movi' list's type
  UINT64 dataStart_ = 0;  // its first chunk
  int master_ = -1;
  HRESULT error_ = S_OK;
};
