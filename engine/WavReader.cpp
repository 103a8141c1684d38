#include "WavReader.h"

#include <mmreg.h>
#include <vfwmsgs.h>

#include "MediaTypeBuilder.h"

namespace {
bool FixedFrames(WORD tag) {
  return tag == WAVE_FORMAT_PCM || tag == WAVE_FORMAT_IEEE_FLOAT || tag == WAVE_FORMAT_EXTENSIBLE;
}

REFERENCE_TIME Ratio(UINT64 count, DWORD perSecond) {
  return REFERENCE_TIME(double(count) * double(kUnitsPerSecond) / double(perSecond) + 0.5);
}

// A minute at 192 kHz, 48 MB of stereo: far more than a caller reads at once.
const DWORD kMaxFrames = 192000 * 60;
// Source bytes read at a time.
const double kMaxBlockBytes = 1024 * 1024;

bool IsPcm16(const WAVEFORMATEX& format) {
  return format.wFormatTag == WAVE_FORMAT_PCM && format.wBitsPerSample == 16 && format.nSamplesPerSec > 0 &&
         (format.nChannels == 1 || format.nChannels == 2);
}

// Output frames per block, so that the source frames they span (count - 1
// steps, plus the neighbour and one more for rounding) stay in bounds.
DWORD BlockFrames(double step, WORD blockAlign, DWORD left) {
  double sourceFrames = kMaxBlockBytes / blockAlign;
  double count = 1 + (sourceFrames - 3) / step;
  if (count > 4096) count = 4096;
  return count < 1 ? 1 : count < left ? DWORD(count) : left;
}

// 8-bit PCM is unsigned; wider samples keep their top 16 bits.
int Sample16(const BYTE* sample, WORD bytes) {
  if (bytes == 1) return (int(sample[0]) - 128) * 256;
  return INT16(sample[bytes - 2] | sample[bytes - 1] << 8);
}

int Mix(int from, int to, double weight) {
  double value = from + (to - from) * weight;
  return int(value < 0 ? value - 0.5 : value + 0.5);
}
}  // namespace

HRESULT WavReader::Open(const wchar_t* path) {
  HRESULT hr = file_.Open(path);
  if (FAILED(hr)) return hr;
  RiffChunk form, formatChunk, data;
  hr = file_.OpenForm(RiffId('W', 'A', 'V', 'E'), &form);
  if (FAILED(hr)) return hr;
  hr = file_.Find(form, RiffId('f', 'm', 't', ' '), 0, &formatChunk);
  if (hr == S_OK) hr = file_.Find(form, RiffId('d', 'a', 't', 'a'), 0, &data);
  if (hr != S_OK) return FAILED(hr) ? hr : VFW_E_INVALID_FILE_FORMAT;
  std::vector<BYTE> format;
  hr = file_.ReadContent(formatChunk, 64 * 1024, &format);
  if (FAILED(hr)) return hr;
  MediaStream stream;
  hr = MediaTypeBuilder::Audio(format.data(), format.size(), &stream.type);
  if (FAILED(hr)) return hr;
  const WAVEFORMATEX& wave = *reinterpret_cast<const WAVEFORMATEX*>(stream.type.Get().pbFormat);
  hr = Length(form, data, wave, &stream.length);
  if (FAILED(hr)) return hr;
  data_ = data;
  wave_ = wave;
  frames_ = data.size / wave.nBlockAlign;
  streams_.push_back(std::move(stream));
  return S_OK;
}

HRESULT WavReader::Length(const RiffChunk& form, const RiffChunk& data, const WAVEFORMATEX& wave,
                          REFERENCE_TIME* length) {
  if (FixedFrames(wave.wFormatTag)) {
    *length = Ratio(data.size / wave.nBlockAlign, wave.nSamplesPerSec);
    return S_OK;
  }
  RiffChunk fact;
  DWORD samples = 0;
  HRESULT hr = file_.Find(form, RiffId('f', 'a', 'c', 't'), 0, &fact);
  if (FAILED(hr)) return hr;
  if (hr == S_OK && fact.size >= sizeof samples) {
    hr = file_.Read(fact.data, &samples, sizeof samples);
    if (FAILED(hr)) return hr;
    *length = Ratio(samples, wave.nSamplesPerSec);
    return S_OK;
  }
  if (wave.nAvgBytesPerSec == 0) return VFW_E_INVALID_FILE_FORMAT;
  *length = Ratio(data.size, wave.nAvgBytesPerSec);
  return S_OK;
}

HRESULT WavReader::ReadFrame(int, REFERENCE_TIME, std::vector<BYTE>*) { return VFW_E_INVALIDMEDIATYPE; }

HRESULT WavReader::ReadAudio(int stream, REFERENCE_TIME time, const WAVEFORMATEX& format, DWORD frames,
                             std::vector<BYTE>* pcm) {
  if (stream != 0 || streams_.empty() || !pcm || !IsPcm16(format) || frames > kMaxFrames) return E_INVALIDARG;
  if (wave_.wFormatTag != WAVE_FORMAT_PCM) return E_NOTIMPL;
  pcm->assign(size_t(frames) * format.nChannels * 2, 0);
  INT16* out = reinterpret_cast<INT16*>(pcm->data());
  double step = double(wave_.nSamplesPerSec) / format.nSamplesPerSec;
  double start = double(time) * wave_.nSamplesPerSec / kUnitsPerSecond;
  for (DWORD done = 0; done < frames;) {
    DWORD count = BlockFrames(step, wave_.nBlockAlign, frames - done);
    HRESULT hr = ConvertBlock(start + done * step, step, count, format.nChannels, out + done * format.nChannels);
    if (FAILED(hr)) return hr;
    done += count;
  }
  return S_OK;
}

HRESULT WavReader::ConvertBlock(double start, double step, DWORD count, WORD channels, INT16* out) {
  double last = start + (count - 1) * step;
  double total = double(frames_);
  if (last < 0 || start >= total) return S_OK;  // all silence
  // Source frames first..end-1, the last one's neighbour included.
  UINT64 first = start < 0 ? 0 : UINT64(start);
  UINT64 end = last + 2 < total ? UINT64(last) + 2 : frames_;
  std::vector<BYTE> source(size_t((end - first) * wave_.nBlockAlign));
  HRESULT hr = file_.Read(data_.data + first * wave_.nBlockAlign, source.data(), DWORD(source.size()));
  if (FAILED(hr)) return hr;
  for (DWORD i = 0; i < count; ++i, out += channels) {
    double position = start + i * step;
    if (position < 0 || position >= total) continue;
    UINT64 at = UINT64(position);
    UINT64 next = at + 1 < end ? at + 1 : at;  // the last frame holds
    double weight = position - double(at);
    int left0, right0, left1, right1;
    StereoAt(&source[(at - first) * wave_.nBlockAlign], &left0, &right0);
    StereoAt(&source[(next - first) * wave_.nBlockAlign], &left1, &right1);
    int left = Mix(left0, left1, weight), right = Mix(right0, right1, weight);
    if (channels == 1) {
      out[0] = INT16((left + right) / 2);
    } else {
      out[0] = INT16(left);
      out[1] = INT16(right);
    }
  }
  return S_OK;
}

void WavReader::StereoAt(const BYTE* frame, int* left, int* right) const {
  WORD bytes = wave_.wBitsPerSample / 8;
  *left = Sample16(frame, bytes);
  *right = wave_.nChannels > 1 ? Sample16(frame + bytes, bytes) : *left;
}
