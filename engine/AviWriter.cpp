#include "AviWriter.h"

#include <mmsystem.h>
#include <aviriff.h>
#include <dshow.h>
#include <mmreg.h>
#include <vfwmsgs.h>

#include <cmath>
#include <cstddef>
#include <cstring>

#include "RiffFile.h"

namespace {
const DWORD kRiff = RiffId('R', 'I', 'F', 'F');
const DWORD kList = RiffId('L', 'I', 'S', 'T');
const DWORD kAvi = RiffId('A', 'V', 'I', ' ');
const DWORD kAvix = RiffId('A', 'V', 'I', 'X');
const DWORD kMovi = RiffId('m', 'o', 'v', 'i');
const UINT64 kSectorSize = 4096;
const BYTE kZeros[kSectorSize] = {};
// Chunk ids carry the stream number in two digits.
const int kMaxStreams = 100;
// Sizes in a RIFF are 32-bit; this keeps every offset in its indexes too.
const UINT64 kLargestRiff = UINT64(1) << 31;
const size_t kVideoHeader = offsetof(VIDEOINFOHEADER, bmiHeader);

void Put(std::vector<BYTE>* out, const void* data, size_t size) {
  const BYTE* bytes = static_cast<const BYTE*>(data);
  out->insert(out->end(), bytes, bytes + size);
}

void PutDword(std::vector<BYTE>* out, DWORD value) { Put(out, &value, 4); }

// Writes a list header; CloseList fills in its size.
size_t OpenList(std::vector<BYTE>* out, DWORD type) {
  PutDword(out, kList);
  size_t at = out->size();
  PutDword(out, 0);
  PutDword(out, type);
  return at;
}

void CloseList(std::vector<BYTE>* out, size_t at) {
  DWORD size = DWORD(out->size() - at - 4);
  memcpy(out->data() + at, &size, 4);
}

void PutChunk(std::vector<BYTE>* out, DWORD id, const void* data, size_t size) {
  PutDword(out, id);
  PutDword(out, DWORD(size));
  Put(out, data, size);
  if (size & 1) out->push_back(0);
}

DWORD StreamChunkId(int stream, char a, char b) { return RiffId(char('0' + stream / 10), char('0' + stream % 10), a, b); }

// The bytes of 'strf' for a video type: the bitmap header and the palette or
// masks it needs, or a codec's data after it; 0 when they do not fit.
size_t VideoFormatSize(const AM_MEDIA_TYPE& type) {
  const BITMAPINFOHEADER& bitmap = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
  size_t room = type.cbFormat - kVideoHeader, size = bitmap.biSize;
  if (bitmap.biCompression == BI_RGB) {
    WORD bits = bitmap.biBitCount;
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) return 0;
    DWORD colors = bitmap.biClrUsed ? bitmap.biClrUsed : 256;
    if (bits == 8 && colors > 256) return 0;
    if (bits == 8) size += 4 * colors;
  } else if (bitmap.biCompression == BI_BITFIELDS) {
    if (bitmap.biBitCount != 16 && bitmap.biBitCount != 32) return 0;
    if (bitmap.biSize == sizeof(BITMAPINFOHEADER)) size += 12;
  } else {
    size = room;
  }
  return size <= room ? size : 0;
}

bool IsVideo(const AM_MEDIA_TYPE& type) {
  if (type.majortype != MEDIATYPE_Video || type.formattype != FORMAT_VideoInfo || !type.pbFormat ||
      type.cbFormat < sizeof(VIDEOINFOHEADER))
    return false;
  const VIDEOINFOHEADER& info = *reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
  const BITMAPINFOHEADER& bitmap = info.bmiHeader;
  // rcFrame holds 16-bit sizes.
  return info.AvgTimePerFrame > 0 && info.AvgTimePerFrame <= 0xFFFFFFFFLL &&
         bitmap.biSize >= sizeof(BITMAPINFOHEADER) && bitmap.biWidth > 0 && bitmap.biWidth <= 32767 &&
         bitmap.biHeight != 0 && bitmap.biHeight >= -32767 && bitmap.biHeight <= 32767 && VideoFormatSize(type) > 0;
}

// The bytes of 'strf' for an audio type; 0 for one this writer cannot store.
size_t AudioFormatSize(const AM_MEDIA_TYPE& type) {
  if (type.majortype != MEDIATYPE_Audio || type.formattype != FORMAT_WaveFormatEx || !type.pbFormat ||
      type.cbFormat < sizeof(PCMWAVEFORMAT))
    return 0;
  const WAVEFORMATEX& wave = *reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat);
  if (!wave.nChannels || !wave.nSamplesPerSec || !wave.nBlockAlign || !wave.nAvgBytesPerSec) return 0;
  bool pcm = wave.wFormatTag == WAVE_FORMAT_PCM;
  WORD bits = wave.wBitsPerSample;
  if (pcm && ((bits != 8 && bits != 16 && bits != 24 && bits != 32) || wave.nBlockAlign != wave.nChannels * bits / 8 ||
              wave.nAvgBytesPerSec != wave.nSamplesPerSec * wave.nBlockAlign))
    return 0;
  if (type.cbFormat < sizeof(WAVEFORMATEX)) return pcm ? sizeof(PCMWAVEFORMAT) : 0;
  size_t size = sizeof(WAVEFORMATEX) + wave.cbSize;
  return size <= type.cbFormat ? size : 0;
}

// A frame duration in 100 ns as rate / scale frames a second: the common
// rates exactly (30, 30000/1001), others as the duration itself.
void FrameRate(REFERENCE_TIME duration, DWORD* scale, DWORD* rate) {
  for (DWORD candidate : {1u, 1001u}) {
    double frames = std::round(1e7 * candidate / double(duration));
    if (frames >= 1 && std::llround(1e7 * candidate / frames) == duration) {
      *scale = candidate;
      *rate = DWORD(frames);
      return;
    }
  }
  DWORD a = DWORD(duration), b = 10000000;
  while (b) {
    DWORD rest = a % b;
    a = b;
    b = rest;
  }
  *scale = DWORD(duration) / a;
  *rate = 10000000 / a;
}
}  // namespace

HRESULT AviWriter::CanWrite(const AM_MEDIA_TYPE& type) {
  return IsVideo(type) || AudioFormatSize(type) > 0 ? S_OK : S_FALSE;
}

HRESULT AviWriter::AddStream(const AM_MEDIA_TYPE& type) {
  if (IsOpen() || streams_.size() >= kMaxStreams) return E_UNEXPECTED;
  if (CanWrite(type) != S_OK) return VFW_E_TYPE_NOT_ACCEPTED;
  Stream stream;
  int number = int(streams_.size());
  HRESULT hr = type.majortype == MEDIATYPE_Video ? AddVideo(type, &stream) : AddAudio(type, &stream);
  if (FAILED(hr)) return hr;
  stream.chunkId = !stream.video ? StreamChunkId(number, 'w', 'b')
                   : stream.handler ? StreamChunkId(number, 'd', 'c')
                                    : StreamChunkId(number, 'd', 'b');
  streams_.push_back(std::move(stream));
  return S_OK;
}

HRESULT AviWriter::AddVideo(const AM_MEDIA_TYPE& type, Stream* stream) {
  const VIDEOINFOHEADER& info = *reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
  const BITMAPINFOHEADER& bitmap = info.bmiHeader;
  stream->video = true;
  bool uncompressed = bitmap.biCompression == BI_RGB || bitmap.biCompression == BI_BITFIELDS;
  stream->handler = uncompressed ? 0 : bitmap.biCompression;
  FrameRate(info.AvgTimePerFrame, &stream->scale, &stream->rate);
  stream->width = SHORT(bitmap.biWidth);
  stream->height = SHORT(bitmap.biHeight < 0 ? -bitmap.biHeight : bitmap.biHeight);
  const BYTE* header = type.pbFormat + kVideoHeader;
  stream->format.assign(header, header + VideoFormatSize(type));
  BITMAPINFOHEADER* stored = reinterpret_cast<BITMAPINFOHEADER*>(stream->format.data());
  if (uncompressed && !stored->biSizeImage)
    stored->biSizeImage = DWORD((bitmap.biWidth * bitmap.biBitCount + 31) / 32 * 4) * DWORD(stream->height);
  return S_OK;
}

HRESULT AviWriter::AddAudio(const AM_MEDIA_TYPE& type, Stream* stream) {
  const WAVEFORMATEX& wave = *reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat);
  stream->scale = wave.nBlockAlign;
  stream->rate = wave.nAvgBytesPerSec;
  stream->sampleSize = wave.nBlockAlign;
  stream->format.assign(type.pbFormat, type.pbFormat + AudioFormatSize(type));
  return S_OK;
}

HRESULT AviWriter::Create(const wchar_t* path, const Options& options) {
  if (IsOpen() || streams_.empty()) return E_UNEXPECTED;
  options_ = options;
  if (options_.riffLimit > kLargestRiff) options_.riffLimit = kLargestRiff;
  if (options_.superIndexEntries == 0) options_.superIndexEntries = 1;
  HRESULT hr = file_.Create(path, options_.bufferSize);
  if (FAILED(hr)) return hr;
  file_.LimitSize(options_.sizeLimit);
  legacy_.clear();
  firstRiff_ = true;
  error_ = S_OK;
  return OpenRiff(kAvi);
}

HRESULT AviWriter::OpenRiff(DWORD formType) {
  riffStart_ = file_.Size();
  riffOpen_ = true;
  DWORD header[3] = {kRiff, 0, formType};
  file_.Append(header, sizeof header);
  if (formType == kAvi) {
    std::vector<BYTE> headers = Headers();
    file_.Append(headers.data(), headers.size());
    // The junk, its header and the 'movi' list header end on a sector boundary.
    DWORD pad = DWORD((kSectorSize - (file_.Size() + 8 + 12) % kSectorSize) % kSectorSize);
    DWORD junk[2] = {RiffId('J', 'U', 'N', 'K'), pad};
    file_.Append(junk, sizeof junk);
    file_.Append(kZeros, pad);
  }
  DWORD list[3] = {kList, 0, kMovi};
  file_.Append(list, sizeof list);
  moviStart_ = file_.Size() - 4;
  dataStart_ = file_.Size();
  return Record(file_.Error());
}

HRESULT AviWriter::WriteChunk(int stream, const BYTE* data, DWORD size, bool keyFrame) {
  if (!IsOpen() || stream < 0 || stream >= StreamCount()) return E_UNEXPECTED;
  if (FAILED(error_)) return error_;
  Stream& target = streams_[stream];
  if (!target.video && size % target.sampleSize) return E_INVALIDARG;
  UINT64 growth = 8 + UINT64(size) + (size & 1) + sizeof(IndexEntry) + (target.entries.empty() ? 32 : 0) +
                  (firstRiff_ && options_.legacyIndex ? sizeof(LegacyEntry) : 0);
  bool riffHasChunks = file_.Size() > dataStart_;
  if (riffHasChunks && file_.Size() - riffStart_ + RiffIndexBytes() + growth > options_.riffLimit) {
    HRESULT hr = StartNextRiff();
    if (FAILED(hr)) return hr;
  }
  UINT64 at = file_.Size();
  DWORD header[2] = {target.chunkId, size};
  file_.Append(header, sizeof header);
  file_.Append(data, size);
  if (size & 1) file_.Append(kZeros, 1);
  if (FAILED(file_.Error())) return Record(file_.Error());
  bool key = keyFrame || !target.video || !target.handler;
  target.entries.push_back(IndexEntry{DWORD(at + 8 - riffStart_), key ? size : size | AVISTDINDEX_DELTAFRAME});
  if (firstRiff_ && options_.legacyIndex)
    legacy_.push_back(LegacyEntry{target.chunkId, key ? DWORD(AVIIF_KEYFRAME) : 0, DWORD(at - moviStart_), size});
  DWORD units = UnitsOf(target, size);
  target.length += units;
  target.riffUnits += units;
  if (size > target.largestChunk) target.largestChunk = size;
  return S_OK;
}

DWORD AviWriter::UnitsOf(const Stream& stream, DWORD size) const { return stream.video ? 1 : size / stream.sampleSize; }

UINT64 AviWriter::RiffIndexBytes() const {
  UINT64 bytes = 0;
  for (const Stream& stream : streams_)
    if (!stream.entries.empty()) bytes += 32 + sizeof(IndexEntry) * stream.entries.size();
  if (firstRiff_ && options_.legacyIndex) bytes += 8 + sizeof(LegacyEntry) * legacy_.size();
  return bytes;
}

HRESULT AviWriter::StartNextRiff() {
  // Closing uses a super index entry of each stream; the next RIFF needs one more.
  for (const Stream& stream : streams_)
    if (stream.super.size() + 2 > options_.superIndexEntries) return Record(HRESULT_FROM_WIN32(ERROR_FILE_TOO_LARGE));
  HRESULT hr = CloseRiff();
  return SUCCEEDED(hr) ? OpenRiff(kAvix) : hr;
}

HRESULT AviWriter::CloseRiff() {
  std::vector<UINT64> indexes(streams_.size());
  for (size_t i = 0; i < streams_.size(); ++i) {
    indexes[i] = file_.Size();
    if (!streams_[i].entries.empty()) WriteStandardIndex(&streams_[i]);
  }
  DWORD moviSize = DWORD(file_.Size() - moviStart_);
  file_.WriteAt(moviStart_ - 4, &moviSize, 4);
  if (firstRiff_ && options_.legacyIndex) WriteLegacyIndex();
  DWORD riffSize = DWORD(file_.Size() - riffStart_ - 8);
  file_.WriteAt(riffStart_ + 4, &riffSize, 4);
  // On disk before the indexes count as written: a later failure cuts back to here at most.
  HRESULT hr = file_.Flush();
  if (FAILED(hr)) return Record(hr);
  for (size_t i = 0; i < streams_.size(); ++i) {
    Stream& stream = streams_[i];
    if (firstRiff_) stream.firstRiffLength = DWORD(stream.riffUnits);
    if (!stream.entries.empty())
      stream.super.push_back(SuperEntry{indexes[i], DWORD(32 + sizeof(IndexEntry) * stream.entries.size()),
                                        DWORD(stream.riffUnits)});
    stream.entries.clear();
    stream.riffUnits = 0;
  }
  legacy_.clear();
  firstRiff_ = false;
  riffOpen_ = false;
  return S_OK;
}

HRESULT AviWriter::WriteStandardIndex(Stream* stream) {
  static_assert(sizeof(IndexEntry) == 8 && sizeof(LegacyEntry) == 16 && sizeof(SuperEntry) == 16, "packed entries");
  int number = int(stream - streams_.data());
  BYTE header[32] = {};
  DWORD id = RiffId('i', 'x', char('0' + number / 10), char('0' + number % 10));
  DWORD size = DWORD(24 + sizeof(IndexEntry) * stream->entries.size());
  DWORD count = DWORD(stream->entries.size());
  memcpy(header, &id, 4);
  memcpy(header + 4, &size, 4);
  header[8] = 2;  // longs per entry
  header[11] = AVI_INDEX_OF_CHUNKS;
  memcpy(header + 12, &count, 4);
  memcpy(header + 16, &stream->chunkId, 4);
  memcpy(header + 20, &riffStart_, 8);
  file_.Append(header, sizeof header);
  return file_.Append(stream->entries.data(), sizeof(IndexEntry) * stream->entries.size());
}

HRESULT AviWriter::WriteLegacyIndex() {
  DWORD header[2] = {RiffId('i', 'd', 'x', '1'), DWORD(sizeof(LegacyEntry) * legacy_.size())};
  file_.Append(header, sizeof header);
  return file_.Append(legacy_.data(), sizeof(LegacyEntry) * legacy_.size());
}

HRESULT AviWriter::Record(HRESULT hr) {
  if (FAILED(hr) && SUCCEEDED(error_)) error_ = hr;
  return hr;
}

// After a failed write: keep the chunks wholly on disk, dropping the last
// ones until the indexes that must follow them fit in what the file holds.
HRESULT AviWriter::Recover() {
  UINT64 owned = file_.SizeOnDisk();
  if (!riffOpen_) return file_.Truncate(owned);
  if (owned < dataStart_) {
    while (RiffHasChunks()) DropLastChunk();
    if (firstRiff_) return error_;  // the headers themselves are incomplete
    riffOpen_ = false;
    return file_.Truncate(riffStart_);
  }
  for (;;) {
    UINT64 end = dataStart_;
    for (const Stream& stream : streams_) {
      if (stream.entries.empty()) continue;
      const IndexEntry& last = stream.entries.back();
      DWORD size = last.size & AVISTDINDEX_SIZEMASK;
      UINT64 chunkEnd = riffStart_ + last.offset + size + (size & 1);
      if (chunkEnd > end) end = chunkEnd;
    }
    if (end + RiffIndexBytes() <= owned || end == dataStart_) return file_.Truncate(end);
    DropLastChunk();
  }
}

bool AviWriter::RiffHasChunks() const {
  for (const Stream& stream : streams_)
    if (!stream.entries.empty()) return true;
  return false;
}

void AviWriter::DropLastChunk() {
  Stream* last = nullptr;
  for (Stream& stream : streams_)
    if (!stream.entries.empty() && (!last || stream.entries.back().offset > last->entries.back().offset))
      last = &stream;
  if (!last) return;
  DWORD units = UnitsOf(*last, last->entries.back().size & AVISTDINDEX_SIZEMASK);
  last->entries.pop_back();
  last->length -= units;
  last->riffUnits -= units;
  if (firstRiff_ && !legacy_.empty()) legacy_.pop_back();  // 'idx1' is in file order
}

HRESULT AviWriter::Finish() {
  if (!IsOpen()) {
    streams_.clear();
    return S_FALSE;
  }
  if (FAILED(file_.Error())) Recover();
  if (riffOpen_ && SUCCEEDED(file_.Error())) CloseRiff();
  StretchToMaster();
  std::vector<BYTE> headers = Headers();
  if (file_.Size() >= 12 + headers.size()) file_.WriteAt(12, headers.data(), headers.size());
  Record(file_.Close());
  HRESULT result = error_;
  streams_.clear();
  legacy_.clear();
  riffOpen_ = false;
  error_ = S_OK;
  return result;
}

REFERENCE_TIME AviWriter::StreamEnd(int stream) const {
  if (stream < 0 || stream >= StreamCount()) return 0;
  const Stream& s = streams_[stream];
  return REFERENCE_TIME((unsigned __int128)s.length * s.scale * 10000000 / s.rate);
}

// Gives every other stream the rate at which it lasts as long as the master:
// for video a fine scale, for audio its block size as the format requires.
void AviWriter::StretchToMaster() {
  if (master_ < 0 || master_ >= StreamCount() || streams_[master_].length == 0) return;
  const Stream& master = streams_[master_];
  double duration = double(master.length) * master.scale / master.rate;
  for (Stream& stream : streams_) {
    if (&stream == &master || stream.length == 0) continue;
    double own = double(stream.length) * stream.scale / stream.rate;
    if (std::fabs(own - duration) < double(stream.scale) / stream.rate) continue;
    double scale = stream.video ? 1000000.0 : stream.scale;
    double rate = std::round(double(stream.length) * scale / duration);
    if (rate < 1 || rate > 4294967295.0) continue;
    stream.scale = DWORD(scale);
    stream.rate = DWORD(rate);
  }
}

std::vector<BYTE> AviWriter::Headers() const {
  std::vector<BYTE> out;
  size_t headers = OpenList(&out, RiffId('h', 'd', 'r', 'l'));
  PutMainHeader(&out);
  for (const Stream& stream : streams_) PutStreamList(stream, &out);
  size_t extended = OpenList(&out, RiffId('o', 'd', 'm', 'l'));
  AVIEXTHEADER extension = {};
  extension.fcc = RiffId('d', 'm', 'l', 'h');
  extension.cb = sizeof extension - 8;
  const Stream* counted = nullptr;
  for (const Stream& stream : streams_)
    if (!counted || (stream.video && !counted->video)) counted = &stream;
  extension.dwGrandFrames = counted ? DWORD(counted->length) : 0;
  Put(&out, &extension, sizeof extension);
  CloseList(&out, extended);
  CloseList(&out, headers);
  return out;
}

void AviWriter::PutMainHeader(std::vector<BYTE>* out) const {
  AVIMAINHEADER header = {};
  header.fcc = RiffId('a', 'v', 'i', 'h');
  header.cb = sizeof header - 8;
  double bytesPerSecond = 0;
  const Stream* video = nullptr;
  for (const Stream& stream : streams_) {
    if (stream.video && !video) video = &stream;
    bytesPerSecond += stream.video ? double(stream.largestChunk) * stream.rate / stream.scale : stream.rate;
    if (stream.largestChunk + 8 > header.dwSuggestedBufferSize) header.dwSuggestedBufferSize = stream.largestChunk + 8;
  }
  header.dwMaxBytesPerSec = bytesPerSecond < 4294967295.0 ? DWORD(bytesPerSecond) : 0xFFFFFFFF;
  header.dwFlags = AVIF_TRUSTCKTYPE | (options_.legacyIndex ? AVIF_HASINDEX : 0) |
                   (options_.interleaved && streams_.size() > 1 ? AVIF_ISINTERLEAVED : 0);
  header.dwStreams = DWORD(streams_.size());
  if (video) {
    header.dwMicroSecPerFrame = DWORD(std::llround(1e6 * video->scale / video->rate));
    header.dwTotalFrames = video->firstRiffLength;
    header.dwWidth = DWORD(video->width);
    header.dwHeight = DWORD(video->height);
  }
  Put(out, &header, sizeof header);
}

void AviWriter::PutStreamList(const Stream& stream, std::vector<BYTE>* out) const {
  size_t list = OpenList(out, RiffId('s', 't', 'r', 'l'));
  AVISTREAMHEADER header = {};
  header.fcc = RiffId('s', 't', 'r', 'h');
  header.cb = sizeof header - 8;
  header.fccType = stream.video ? RiffId('v', 'i', 'd', 's') : RiffId('a', 'u', 'd', 's');
  header.fccHandler = stream.handler;
  header.dwScale = stream.scale;
  header.dwRate = stream.rate;
  header.dwLength = stream.length < 0xFFFFFFFF ? DWORD(stream.length) : 0xFFFFFFFF;
  header.dwSuggestedBufferSize = stream.largestChunk;
  header.dwQuality = 0xFFFFFFFF;
  header.dwSampleSize = stream.sampleSize;
  header.rcFrame.right = stream.width;
  header.rcFrame.bottom = stream.height;
  Put(out, &header, sizeof header);
  PutChunk(out, RiffId('s', 't', 'r', 'f'), stream.format.data(), stream.format.size());
  // The super index, its unused room zero.
  PutDword(out, RiffId('i', 'n', 'd', 'x'));
  PutDword(out, 24 + sizeof(SuperEntry) * options_.superIndexEntries);
  PutDword(out, 4 | AVI_INDEX_OF_INDEXES << 24);  // longs per entry, sub type, type
  PutDword(out, DWORD(stream.super.size()));
  PutDword(out, stream.chunkId);
  for (int i = 0; i < 3; ++i) PutDword(out, 0);
  Put(out, stream.super.data(), sizeof(SuperEntry) * stream.super.size());
  out->resize(out->size() + sizeof(SuperEntry) * (options_.superIndexEntries - stream.super.size()));
  CloseList(out, list);
}
