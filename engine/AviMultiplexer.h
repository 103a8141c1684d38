// The writing side of the AVI writer filter: streams fed from threads of
// their own go into one AviWriter in time order (Interleaver), audio gathered
// into chunks of about the interleaving window. One lock guards it all; an
// input waiting its turn leaves it. A failed write finishes the file with
// what reached the disk and refuses everything after; the caller reports it.
#pragma once

#include <memory>
#include <vector>

#include "AviWriter.h"
#include "Interleaver.h"

class AviMultiplexer {
 public:
  struct Settings {
    REFERENCE_TIME window = 10000000;
    REFERENCE_TIME preroll = 0;  // how far audio may lead
    bool waits = true;           // an input ahead waits for the others
    int master = -1;             // see AviWriter::SetMasterStream
    AviWriter::Options file;
  };

  AviMultiplexer();
  ~AviMultiplexer();
  AviMultiplexer(const AviMultiplexer&) = delete;
  AviMultiplexer& operator=(const AviMultiplexer&) = delete;

  // Creates path with one stream per type (types AviWriter::CanWrite takes).
  HRESULT Start(const wchar_t* path, const std::vector<const AM_MEDIA_TYPE*>& types, const Settings& settings);
  // One sample: S_OK; S_FALSE while the stream is held (flushing);
  // VFW_E_WRONG_STATE when not writing; VFW_E_SAMPLE_REJECTED_EOS after its
  // end; any other failure ended the writing.
  HRESULT Write(int stream, const BYTE* data, DWORD size, bool keyFrame);
  // The stream's end: S_FALSE when it was the last and the file is finished,
  // else as Write.
  HRESULT End(int stream);
  void Hold(int stream, bool held);
  // Finishes the file with what was written; the first failure of the run.
  HRESULT Finish();
  // The stream time every stream has written; read without the lock.
  REFERENCE_TIME Position() const { return InterlockedCompareExchange64(&position_, 0, 0); }

 private:
  // A stream beyond the writer: audio held back to fill a chunk.
  struct Track {
    bool audio = false;
    bool ended = false;
    std::unique_ptr<BYTE[]> pending;
    DWORD pendingSize = 0;
    DWORD chunkSize = 0;
    DWORD blockAlign = 1;
  };

  HRESULT AddTrack(const AM_MEDIA_TYPE& type, REFERENCE_TIME window);
  HRESULT WriteAudio(int stream, const BYTE* data, DWORD size);
  HRESULT WriteUnit(int stream, const BYTE* data, DWORD size, bool keyFrame);
  HRESULT WriteHeldAudio(int stream, bool waiting);
  HRESULT Abort(HRESULT hr);
  HRESULT FinishLocked();

  CRITICAL_SECTION lock_;
  AviWriter writer_;
  Interleaver interleaver_;
  std::vector<Track> tracks_;
  int ended_ = 0;
  bool writing_ = false;
  mutable volatile LONGLONG position_ = 0;
};
