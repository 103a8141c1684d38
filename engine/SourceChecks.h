// Finds out, on the thread building a render plan, whether a source's media
// can be played: the file opens, holds the stream asked for, and its first
// frame or samples decode. Results are kept per file and stream until the
// file's size or time of writing changes, so that rebuilding a plan after
// an edit opens only the files that changed.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <map>
#include <string>
#include <utility>

class SourceChecks {
 public:
  struct Result {
    HRESULT result = E_FAIL;  // S_OK, or why the source cannot play
    int stream = -1;          // the reader's index of the stream
    int width = 0;            // of a video stream
    int height = 0;
    int rgbBits = 0;          // of a stream stored as uncompressed RGB, else 0
    bool topDown = false;
  };

  // The number-th stream of major type video or audio in the file at path.
  // VFW_E_INVALIDMEDIATYPE when the file has no such stream.
  Result Check(const std::wstring& path, bool video, long number);

 private:
  struct Entry {
    Result result;
    FILETIME written = {};
    ULONGLONG size = 0;
  };
  using Key = std::pair<std::wstring, long>;  // path and stream number, negative for audio

  static Result Probe(const std::wstring& path, bool video, long number);

  std::map<Key, Entry> entries_;
};
