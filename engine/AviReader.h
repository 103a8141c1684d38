// AVI files, OpenDML ones included, through their own RIFF headers: one
// stream per 'strl' of type 'vids' or 'auds' (other kinds are not listed).
// Chunks are found through each stream's OpenDML index when every listed
// stream has one, else through 'idx1' (offsets from the 'movi' list or from
// the file's start); a file with neither, a file cut off (a recording that
// stopped), or one whose index holds fewer frames than its headers claim is
// walked instead, keeping whatever is whole. Lengths are those of the chunks
// there: a video stream's frames times scale over rate; an audio stream's
// decoded sample frames, or where nothing decodes it, its bytes (or chunks,
// for formats without a fixed sample size) times scale over rate.
//
// Frames are decoded by the stream's format (uncompressed RGB, Motion JPEG,
// or a platform decompressor); a stream nothing decodes is still listed and
// answers VFW_E_UNSUPPORTED_VIDEO from ReadFrame. Audio streams are read
// through AudioStreamReader over their chunks; one it cannot decode is still
// listed and answers VFW_E_UNSUPPORTED_AUDIO from ReadAudio.
//
// A reader is used from one thread at a time, which must have initialised
// COM (WIC decodes Motion JPEG); the decoders it makes are kept, so a reader
// keeps to the thread, or the apartment, it first decoded on.
#pragma once

#include <memory>

#include "AviAudioBytes.h"
#include "AviIndex.h"
#include "AviVideoStream.h"
#include "AudioStreamReader.h"
#include "MediaReader.h"
#include "RiffFile.h"

class AviReader final : public MediaReader {
 public:
  HRESULT Open(const wchar_t* path) override;
  HRESULT ReadFrame(int stream, REFERENCE_TIME time, std::vector<BYTE>* pixels) override;
  HRESULT ReadStoredFrame(int stream, REFERENCE_TIME time, std::vector<BYTE>* bytes) override;
  HRESULT ReadAudio(int stream, REFERENCE_TIME time, const WAVEFORMATEX& format, DWORD frames,
                    std::vector<BYTE>* pcm) override;

 private:
  // What reading needs of a listed stream beyond its media type.
  struct Track {
    int number = 0;  // the NN of its "NNdb" chunks: its 'strl' among all
    bool video = false;
    DWORD scale = 1;
    DWORD rate = 1;
    DWORD sampleSize = 0;  // bytes a unit of length counts; 0: a chunk
    DWORD handler = 0;
    DWORD claimed = 0;  // the length its header gives, in units
    RiffChunk superIndex;  // its 'indx'; size 0 when it has none
    std::vector<BYTE> format;
    std::unique_ptr<AviVideoStream> frames;
    std::unique_ptr<AviAudioBytes> bytes;
    std::unique_ptr<AudioStreamReader> audio;
    HRESULT audioError = S_OK;
  };

  HRESULT ReadForm(const RiffChunk& form, RiffChunk* headers);
  HRESULT ReadHeaders(const RiffChunk& headers);
  HRESULT ReadStreamList(const RiffChunk& list, int number);
  void ReadTotalFrames(const RiffChunk& list);
  bool LoadOpenDml(std::vector<AviIndex>* indexes);
  bool LoadLegacy(std::vector<AviIndex>* indexes);
  bool Short(const std::vector<AviIndex>& indexes) const;
  size_t Entries(const std::vector<AviIndex>& indexes) const;
  void BuildIndexes();
  HRESULT FinishStreams();
  HRESULT FinishAudio(Track* track, MediaStream* stream);

  RiffFile file_;
  RiffChunk movie_;
  RiffChunk legacyIndex_;  // 'idx1'; size 0 when there is none
  bool cut_ = false;       // the file ends inside its form or 'movi' list
  DWORD totalFrames_ = 0;  // from 'dmlh'
  int streamLists_ = 0;
  std::vector<Track> tracks_;
  std::vector<AviIndex> indexes_;  // by stream number
};
