#include "AviMultiplexer.h"

#include <dshow.h>
#include <vfwmsgs.h>

#include <cstring>
#include <new>

#include "Locked.h"

namespace {
// Bounds the audio a stream holds back to fill a chunk.
const UINT64 kMaxAudioChunk = 4 << 20;
}  // namespace

AviMultiplexer::AviMultiplexer() : interleaver_(&lock_) { InitializeCriticalSection(&lock_); }

AviMultiplexer::~AviMultiplexer() {
  Finish();
  DeleteCriticalSection(&lock_);
}

HRESULT AviMultiplexer::Start(const wchar_t* path, const std::vector<const AM_MEDIA_TYPE*>& types,
                              const Settings& settings) {
  Locked locked(&lock_);
  if (writing_) return E_UNEXPECTED;
  tracks_.clear();
  ended_ = 0;
  InterlockedExchange64(&position_, 0);
  HRESULT hr = S_OK;
  for (size_t i = 0; i < types.size() && SUCCEEDED(hr); ++i) {
    hr = writer_.AddStream(*types[i]);
    if (SUCCEEDED(hr)) hr = AddTrack(*types[i], settings.window);
  }
  writer_.SetMasterStream(settings.master < int(types.size()) ? settings.master : -1);
  if (SUCCEEDED(hr)) hr = writer_.Create(path, settings.file);
  if (FAILED(hr)) {
    writer_.Finish();
    return hr;
  }
  interleaver_.Start(int(types.size()), settings.window, settings.waits);
  for (size_t i = 0; i < tracks_.size(); ++i)
    if (tracks_[i].audio) interleaver_.SetLead(int(i), settings.preroll);
  writing_ = true;
  return S_OK;
}

HRESULT AviMultiplexer::AddTrack(const AM_MEDIA_TYPE& type, REFERENCE_TIME window) {
  Track track;
  if (type.majortype == MEDIATYPE_Audio) {
    const WAVEFORMATEX& wave = *reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat);
    UINT64 bytes = UINT64(window) * wave.nAvgBytesPerSec / 10000000;
    if (bytes > kMaxAudioChunk) bytes = kMaxAudioChunk;
    bytes -= bytes % wave.nBlockAlign;
    track.audio = true;
    track.blockAlign = wave.nBlockAlign;
    track.chunkSize = bytes ? DWORD(bytes) : wave.nBlockAlign;
    track.pending.reset(new (std::nothrow) BYTE[track.chunkSize]);
    if (!track.pending) return E_OUTOFMEMORY;
  }
  tracks_.push_back(std::move(track));
  return S_OK;
}

HRESULT AviMultiplexer::Write(int stream, const BYTE* data, DWORD size, bool keyFrame) {
  Locked locked(&lock_);
  if (!writing_ || stream < 0 || stream >= int(tracks_.size())) return VFW_E_WRONG_STATE;
  Track& track = tracks_[size_t(stream)];
  if (track.ended) return VFW_E_SAMPLE_REJECTED_EOS;
  HRESULT hr = track.audio ? WriteAudio(stream, data, size) : WriteUnit(stream, data, size, keyFrame);
  return Abort(hr);
}

HRESULT AviMultiplexer::WriteAudio(int stream, const BYTE* data, DWORD size) {
  Track& track = tracks_[size_t(stream)];
  for (;;) {
    DWORD piece = track.chunkSize - track.pendingSize < size ? track.chunkSize - track.pendingSize : size;
    memcpy(track.pending.get() + track.pendingSize, data, piece);
    track.pendingSize += piece;
    data += piece;
    size -= piece;
    if (track.pendingSize < track.chunkSize) return S_OK;
    HRESULT hr = WriteHeldAudio(stream, true);
    if (hr != S_OK || size == 0) return hr;  // what is held stays for the next sample or the end
  }
}

// The whole blocks held back, as one chunk.
HRESULT AviMultiplexer::WriteHeldAudio(int stream, bool waiting) {
  Track& track = tracks_[size_t(stream)];
  DWORD whole = track.pendingSize - track.pendingSize % track.blockAlign;
  if (!whole) return S_OK;
  HRESULT hr = waiting ? WriteUnit(stream, track.pending.get(), whole, true)
                       : writer_.WriteChunk(stream, track.pending.get(), whole, true);
  if (hr == S_OK) track.pendingSize = 0;
  return hr;
}

// Waits for the stream's turn, then writes one chunk.
HRESULT AviMultiplexer::WriteUnit(int stream, const BYTE* data, DWORD size, bool keyFrame) {
  if (!interleaver_.WaitTurn(stream)) return writing_ ? S_FALSE : VFW_E_WRONG_STATE;
  HRESULT hr = writer_.WriteChunk(stream, data, size, keyFrame);
  if (FAILED(hr)) return hr;
  interleaver_.Advance(stream, writer_.StreamEnd(stream));
  InterlockedExchange64(&position_, interleaver_.Position());
  return S_OK;
}

// A failure while writing ends the run: the file is finished with what it holds.
HRESULT AviMultiplexer::Abort(HRESULT hr) {
  if (FAILED(hr) && writing_) FinishLocked();
  return hr;
}

HRESULT AviMultiplexer::End(int stream) {
  Locked locked(&lock_);
  if (!writing_ || stream < 0 || stream >= int(tracks_.size())) return VFW_E_WRONG_STATE;
  Track& track = tracks_[size_t(stream)];
  if (track.ended) return S_OK;
  track.ended = true;
  HRESULT hr = WriteHeldAudio(stream, true);
  interleaver_.End(stream);
  if (FAILED(hr) || ++ended_ < int(tracks_.size())) return Abort(hr);
  hr = FinishLocked();
  return SUCCEEDED(hr) ? S_FALSE : hr;
}

void AviMultiplexer::Hold(int stream, bool held) {
  Locked locked(&lock_);
  if (writing_ && stream >= 0 && stream < int(tracks_.size())) interleaver_.Hold(stream, held);
}

HRESULT AviMultiplexer::Finish() {
  Locked locked(&lock_);
  return writing_ ? FinishLocked() : S_OK;
}

HRESULT AviMultiplexer::FinishLocked() {
  HRESULT hr = S_OK;
  for (size_t i = 0; i < tracks_.size(); ++i) {
    HRESULT held = WriteHeldAudio(int(i), false);
    if (SUCCEEDED(hr)) hr = held;
    tracks_[i].pendingSize = 0;
    interleaver_.Advance(int(i), writer_.StreamEnd(int(i)));
  }
  interleaver_.Stop();
  InterlockedExchange64(&position_, interleaver_.Position());
  HRESULT finished = writer_.Finish();
  writing_ = false;
  return FAILED(hr) ? hr : finished;
}
