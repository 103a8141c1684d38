// One media file opened for reading: its streams, each with a media type and
// a length, and random access by time. Video frames come as top-down 32-bit
// BGRA pixels (width * height * 4 bytes); audio as interleaved 16-bit PCM in
// the format the caller asks for. Readers that cannot yet decode a stream
// answer E_NOTIMPL from the read methods; detection works for every stream.
#pragma once

#include <windows.h>
#include <mmreg.h>
#include <strmif.h>

#include <vector>

#include "MediaType.h"

// Units of REFERENCE_TIME in a second.
constexpr REFERENCE_TIME kUnitsPerSecond = 10000000;

struct MediaStream {
  MediaType type;  // major type Video (FORMAT_VideoInfo) or Audio (FORMAT_WaveFormatEx)
  REFERENCE_TIME length = 0;
  // Frames a second of a video stream, exact (the format's AvgTimePerFrame
  // is rounded to 100 ns); 0 for audio.
  double frameRate = 0;
};

class MediaReader {
 public:
  virtual ~MediaReader() = default;

  // S_OK, the file error, VFW_E_INVALID_FILE_FORMAT for a file this reader
  // does not understand, VFW_E_FILE_TOO_SHORT for a truncated one.
  virtual HRESULT Open(const wchar_t* path) = 0;
  const std::vector<MediaStream>& Streams() const { return streams_; }

  // The frame shown at time (clamped into the stream).
  virtual HRESULT ReadFrame(int stream, REFERENCE_TIME time, std::vector<BYTE>* pixels) = 0;
  // The frame shown at time as the file stores it, when that is the whole
  // picture in uncompressed RGB laid out as the stream's bitmap header says;
  // S_FALSE when it must be decoded through ReadFrame.
  virtual HRESULT ReadStoredFrame(int, REFERENCE_TIME, std::vector<BYTE>*) { return S_FALSE; }
  // frames sample frames from time on in format (16-bit PCM), silence past the end.
  virtual HRESULT ReadAudio(int stream, REFERENCE_TIME time, const WAVEFORMATEX& format, DWORD frames,
                            std::vector<BYTE>* pcm) = 0;

 protected:
  std::vector<MediaStream> streams_;
};
