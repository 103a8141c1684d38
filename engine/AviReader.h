// AVI files through their own RIFF headers: one stream per 'strl' of type
// 'vids' or 'auds' (other kinds are not listed), each as long as its 'strh'
// length times scale over rate. The file must hold its whole RIFF form and a
// 'movi' list: a truncated file is refused. Frame and audio reading: not yet.
#pragma once

#include "MediaReader.h"
#include "RiffFile.h"

class AviReader final : public MediaReader {
 public:
  HRESULT Open(const wchar_t* path) override;
  HRESULT ReadFrame(int stream, REFERENCE_TIME time, std::vector<BYTE>* pixels) override;
  HRESULT ReadAudio(int stream, REFERENCE_TIME time, const WAVEFORMATEX& format, DWORD frames,
                    std::vector<BYTE>* pcm) override;

 private:
  HRESULT ReadStreamList(const RiffChunk& list);

  RiffFile file_;
};
