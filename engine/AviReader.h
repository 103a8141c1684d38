// AVI files through their own RIFF headers: one stream per 'strl' of type
// 'vids' or 'auds' (other kinds are not listed), each as long as its 'strh'
// length times scale over rate. The file must hold its whole RIFF form and a
// 'movi' list: a truncated file is refused. Frames of uncompressed RGB 24/32
// video are read through the 'idx1' index; other codecs, files without that
// index, and audio answer E_NOTIMPL for now.
#pragma once

#include "AviIndex.h"
#include "MediaReader.h"
#include "RiffFile.h"

class AviReader final : public MediaReader {
 public:
  HRESULT Open(const wchar_t* path) override;
  HRESULT ReadFrame(int stream, REFERENCE_TIME time, std::vector<BYTE>* pixels) override;
  HRESULT ReadAudio(int stream, REFERENCE_TIME time, const WAVEFORMATEX& format, DWORD frames,
                    std::vector<BYTE>* pcm) override;

 private:
  // What reading needs of a listed stream beyond its media type.
  struct Track {
    int number = 0;  // the NN of its "NNdb" chunks: its 'strl' among all
    DWORD scale = 1;
    DWORD rate = 1;
    bool indexed = false;
    AviIndex index;
  };

  HRESULT ReadStreamList(const RiffChunk& list, int number);
  HRESULT FrameChunk(int stream, REFERENCE_TIME time, RiffChunk* chunk);

  RiffFile file_;
  RiffChunk movie_;
  RiffChunk index_;  // size 0 when the file has no 'idx1'
  std::vector<Track> tracks_;
};
