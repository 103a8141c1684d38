#include "AviReader.h"

#include <mmsystem.h>
#include <aviriff.h>
#include <dshow.h>
#include <vfwmsgs.h>

#include <cstring>
#include <new>

#include "AviLegacyIndex.h"
#include "AviMovieScan.h"
#include "AviOpenDmlIndex.h"
#include "MediaTypeBuilder.h"

namespace {
const DWORD kList = RiffId('L', 'I', 'S', 'T');
const DWORD kVids = RiffId('v', 'i', 'd', 's');
const DWORD kAuds = RiffId('a', 'u', 'd', 's');
const size_t kMaxStreams = 100;
// Real header lists hold a few chunks per stream.
const int kMaxHeaderChunks = 1000;
// Past 8K a frame is hostile, not real; this bounds every picture buffer.
const UINT64 kMaxPixels = 8192 * 4608;

// count * scale / rate seconds, in REFERENCE_TIME; -1 when that does not fit
// (past 100,000 hours no real stream goes).
REFERENCE_TIME UnitsToTime(UINT64 count, DWORD scale, DWORD rate) {
  double time = double(count) * double(scale) * double(kUnitsPerSecond) / double(rate) + 0.5;
  return time >= 0 && time < 3.6e15 ? REFERENCE_TIME(time) : -1;
}

// The frame shown at time, clamped to the first and last of count; exact, as
// time * rate overflows 64 bits.
size_t FrameAt(REFERENCE_TIME time, DWORD scale, DWORD rate, size_t count) {
  if (time <= 0) return 0;
  unsigned __int128 frame = (unsigned __int128)time * rate / ((unsigned __int128)scale * kUnitsPerSecond);
  return frame < count ? size_t(frame) : count - 1;
}

// The stream header as far as the chunk holds it: older writers leave out rcFrame.
HRESULT ReadStreamHeader(RiffFile* file, const RiffChunk& chunk, AVISTREAMHEADER* header) {
  *header = AVISTREAMHEADER();
  DWORD size = chunk.size < sizeof *header - 8 ? DWORD(chunk.size) : DWORD(sizeof *header - 8);
  if (size < offsetof(AVISTREAMHEADER, dwSuggestedBufferSize) - 8) return VFW_E_INVALID_FILE_FORMAT;
  return file->Read(chunk.data, &header->fccType, size);
}

// The bytes one unit of an audio stream's length counts: its header's sample
// size, or for formats of fixed frames that leave it 0, the block size; 0
// where each chunk is a unit (variable frames).
DWORD AudioSampleSize(DWORD headerSampleSize, const std::vector<BYTE>& format) {
  if (headerSampleSize) return headerSampleSize;
  WAVEFORMATEX wave = {};
  memcpy(&wave, format.data(), format.size() < sizeof wave ? format.size() : sizeof wave);
  bool fixed = wave.wFormatTag == WAVE_FORMAT_PCM || wave.wFormatTag == WAVE_FORMAT_IEEE_FLOAT ||
               wave.wFormatTag == WAVE_FORMAT_ALAW || wave.wFormatTag == WAVE_FORMAT_MULAW ||
               wave.wFormatTag == WAVE_FORMAT_EXTENSIBLE;
  return fixed ? wave.nBlockAlign : 0;
}
}  // namespace

HRESULT AviReader::Open(const wchar_t* path) {
  HRESULT hr = file_.Open(path);
  if (FAILED(hr)) return hr;
  RiffChunk form, headers;
  hr = file_.OpenForm(RiffId('A', 'V', 'I', ' '), &form);
  if (FAILED(hr) && hr != VFW_E_FILE_TOO_SHORT) return hr;
  cut_ = hr == VFW_E_FILE_TOO_SHORT;
  hr = ReadForm(form, &headers);
  if (SUCCEEDED(hr)) hr = ReadHeaders(headers);
  if (FAILED(hr)) return hr;
  BuildIndexes();
  return FinishStreams();
}

// The header list must be whole; the 'movi' list may be cut off.
HRESULT AviReader::ReadForm(const RiffChunk& form, RiffChunk* headers) {
  RiffChunk chunk;
  bool haveHeaders = false, haveMovie = false;
  int walked = 0;
  for (UINT64 offset = form.data; !haveMovie || !legacyIndex_.size; offset = chunk.next) {
    if (++walked > kMaxHeaderChunks) break;
    HRESULT hr = file_.Next(form, offset, &chunk);
    if (hr == S_FALSE || (hr == VFW_E_FILE_TOO_SHORT && haveMovie)) break;
    bool isMovie = chunk.id == kList && chunk.listType == RiffId('m', 'o', 'v', 'i');
    if (FAILED(hr) && !(hr == VFW_E_FILE_TOO_SHORT && isMovie && haveHeaders)) return hr;
    if (chunk.id == kList && chunk.listType == RiffId('h', 'd', 'r', 'l') && !haveHeaders) {
      *headers = chunk;
      haveHeaders = true;
    } else if (isMovie && !haveMovie) {
      movie_ = chunk;
      haveMovie = true;
      cut_ = cut_ || hr == VFW_E_FILE_TOO_SHORT;
    } else if (chunk.id == RiffId('i', 'd', 'x', '1') && haveMovie) {
      legacyIndex_ = chunk;
    }
    if (hr != S_OK) break;
  }
  return haveHeaders && haveMovie ? S_OK : VFW_E_INVALID_FILE_FORMAT;
}

HRESULT AviReader::ReadHeaders(const RiffChunk& headers) {
  RiffChunk list;
  UINT64 offset = headers.data;
  HRESULT hr = S_OK;
  for (int walked = 0; walked < kMaxHeaderChunks; ++walked, offset = list.next) {
    hr = file_.Next(headers, offset, &list);
    if (hr != S_OK) break;
    if (list.id != kList) continue;
    if (list.listType == RiffId('o', 'd', 'm', 'l')) ReadTotalFrames(list);
    if (list.listType != RiffId('s', 't', 'r', 'l')) continue;
    if (tracks_.size() >= kMaxStreams) return VFW_E_INVALID_FILE_FORMAT;
    hr = ReadStreamList(list, streamLists_++);
    if (FAILED(hr)) return hr;
  }
  if (FAILED(hr)) return hr;
  if (hr == S_OK) return VFW_E_INVALID_FILE_FORMAT;  // too many chunks
  return tracks_.empty() ? VFW_E_INVALID_FILE_FORMAT : S_OK;
}

void AviReader::ReadTotalFrames(const RiffChunk& list) {
  RiffChunk header;
  if (file_.Find(list, RiffId('d', 'm', 'l', 'h'), 0, &header) == S_OK && header.size >= 4)
    file_.Read(header.data, &totalFrames_, 4);
}

HRESULT AviReader::ReadStreamList(const RiffChunk& list, int number) {
  RiffChunk headerChunk, formatChunk;
  HRESULT hr = file_.Find(list, RiffId('s', 't', 'r', 'h'), 0, &headerChunk);
  if (hr == S_OK) hr = file_.Find(list, RiffId('s', 't', 'r', 'f'), 0, &formatChunk);
  if (hr != S_OK) return FAILED(hr) ? hr : VFW_E_INVALID_FILE_FORMAT;
  AVISTREAMHEADER header;
  hr = ReadStreamHeader(&file_, headerChunk, &header);
  if (FAILED(hr)) return hr;
  if (header.fccType != kVids && header.fccType != kAuds) return S_OK;
  if (header.dwRate == 0 || header.dwScale == 0) return VFW_E_INVALID_FILE_FORMAT;

  Track track;
  track.number = number;
  track.video = header.fccType == kVids;
  track.scale = header.dwScale;
  track.rate = header.dwRate;
  track.handler = header.fccHandler;
  track.claimed = header.dwLength;
  hr = file_.ReadContent(formatChunk, 64 * 1024, &track.format);
  if (FAILED(hr)) return hr;
  MediaStream stream;
  if (track.video)
    hr = MediaTypeBuilder::Video(track.format.data(), track.format.size(), UnitsToTime(1, track.scale, track.rate),
                                 &stream.type);
  else
    hr = MediaTypeBuilder::Audio(track.format.data(), track.format.size(), &stream.type);
  if (FAILED(hr)) return hr;
  if (track.video) stream.frameRate = double(track.rate) / double(track.scale);
  if (!track.video) track.sampleSize = AudioSampleSize(header.dwSampleSize, track.format);
  if (file_.Find(list, RiffId('i', 'n', 'd', 'x'), 0, &track.superIndex) != S_OK) track.superIndex = RiffChunk();
  streams_.push_back(std::move(stream));
  tracks_.push_back(std::move(track));
  return S_OK;
}

bool AviReader::LoadOpenDml(std::vector<AviIndex>* indexes) {
  for (const Track& track : tracks_) {
    if (track.superIndex.size == 0) return false;
    if (FAILED(AviOpenDmlIndex::Load(&file_, track.superIndex, track.number, &(*indexes)[track.number]))) return false;
  }
  return Entries(*indexes) > 0;
}

bool AviReader::LoadLegacy(std::vector<AviIndex>* indexes) {
  return legacyIndex_.size && AviLegacyIndex::Load(&file_, legacyIndex_, movie_, indexes) == S_OK &&
         Entries(*indexes) > 0;
}

size_t AviReader::Entries(const std::vector<AviIndex>& indexes) const {
  size_t entries = 0;
  for (const Track& track : tracks_) entries += indexes[track.number].Count();
  return entries;
}

// Headers claim a video length; 'dmlh' counts the frames of every RIFF form
// where a stream header may count only the first.
bool AviReader::Short(const std::vector<AviIndex>& indexes) const {
  for (const Track& track : tracks_) {
    DWORD claimed = track.claimed > totalFrames_ ? track.claimed : totalFrames_;
    if (track.video && indexes[track.number].Count() < claimed) return true;
  }
  return false;
}

void AviReader::BuildIndexes() {
  std::vector<AviIndex> found(static_cast<size_t>(streamLists_));
  bool indexed = LoadOpenDml(&found);
  if (!indexed) {
    found.assign(size_t(streamLists_), AviIndex());
    indexed = LoadLegacy(&found);
  }
  if (!indexed || cut_ || Short(found)) {
    std::vector<AviIndex> walked(static_cast<size_t>(streamLists_));
    AviMovieScan::Rebuild(&file_, &walked);
    if (!indexed || Entries(walked) > Entries(found)) found.swap(walked);
  }
  indexes_.swap(found);
}

HRESULT AviReader::FinishStreams() {
  for (size_t i = 0; i < tracks_.size(); ++i) {
    Track& track = tracks_[i];
    const AviIndex& index = indexes_[track.number];
    UINT64 units = track.video || !track.sampleSize ? index.Count() : index.Bytes() / track.sampleSize;
    streams_[i].length = UnitsToTime(units, track.scale, track.rate);
    if (streams_[i].length < 0) return VFW_E_INVALID_FILE_FORMAT;
    if (track.video) {
      track.frames.reset(new (std::nothrow) AviVideoStream(&file_, &index, track.number, track.format.data(),
                                                           track.format.size(), track.handler));
      if (!track.frames) return E_OUTOFMEMORY;
    } else {
      HRESULT hr = FinishAudio(&track, &streams_[i]);
      if (FAILED(hr)) return hr;
    }
  }
  return S_OK;
}

// The length is that of the samples the chunks hold, where they can be
// decoded; a stream that cannot be is listed all the same, like the video
// beside it.
HRESULT AviReader::FinishAudio(Track* track, MediaStream* stream) {
  track->bytes.reset(new (std::nothrow) AviAudioBytes(&file_, &indexes_[track->number], track->number));
  track->audio.reset(new (std::nothrow) AudioStreamReader());
  if (!track->bytes || !track->audio) return E_OUTOFMEMORY;
  track->audioError = track->audio->Open(track->format.data(), track->format.size(), track->bytes.get());
  if (track->audioError == E_OUTOFMEMORY) return E_OUTOFMEMORY;
  if (FAILED(track->audioError)) return S_OK;
  DWORD rate = reinterpret_cast<const WAVEFORMATEX*>(stream->type.Get().pbFormat)->nSamplesPerSec;
  stream->length = UnitsToTime(track->audio->Frames(), 1, rate);
  return stream->length < 0 ? VFW_E_INVALID_FILE_FORMAT : S_OK;
}

HRESULT AviReader::ReadFrame(int stream, REFERENCE_TIME time, std::vector<BYTE>* pixels) {
  if (stream < 0 || size_t(stream) >= streams_.size() || !pixels) return E_INVALIDARG;
  Track& track = tracks_[stream];
  if (!track.video) return VFW_E_INVALIDMEDIATYPE;
  const BITMAPINFOHEADER& bitmap = reinterpret_cast<const VIDEOINFOHEADER*>(streams_[stream].type.Get().pbFormat)->bmiHeader;
  UINT64 height = UINT64(bitmap.biHeight < 0 ? -bitmap.biHeight : bitmap.biHeight);
  if (UINT64(bitmap.biWidth) * height > kMaxPixels) return E_OUTOFMEMORY;
  size_t count = indexes_[track.number].Count();
  if (count == 0) return VFW_E_INVALID_FILE_FORMAT;
  return track.frames->Frame(FrameAt(time, track.scale, track.rate, count), pixels);
}

HRESULT AviReader::ReadStoredFrame(int stream, REFERENCE_TIME time, std::vector<BYTE>* bytes) {
  if (stream < 0 || size_t(stream) >= streams_.size() || !tracks_[stream].video) return S_FALSE;
  const Track& track = tracks_[stream];
  size_t count = indexes_[track.number].Count();
  return count ? track.frames->StoredFrame(FrameAt(time, track.scale, track.rate, count), bytes) : S_FALSE;
}

HRESULT AviReader::ReadAudio(int stream, REFERENCE_TIME time, const WAVEFORMATEX& format, DWORD frames,
                             std::vector<BYTE>* pcm) {
  if (stream < 0 || size_t(stream) >= streams_.size()) return E_INVALIDARG;
  Track& track = tracks_[stream];
  if (track.video) return VFW_E_INVALIDMEDIATYPE;
  if (FAILED(track.audioError)) return track.audioError;
  return track.audio->Read(time, format, frames, pcm);
}
