#include <windows.h>
#include <mmreg.h>
#include <vfwmsgs.h>

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "AudioStreamReader.h"
#include "ImaAdpcm.h"
#include "RiffBytes.h"
#include "TempFolder.h"
#include "TestMedia.h"
#include "WavReader.h"

#include <ks.h>  // after strmif.h, which it would otherwise redefine
#include <ksmedia.h>

namespace {

std::vector<INT16> Samples(const std::vector<BYTE>& pcm) {
  std::vector<INT16> samples(pcm.size() / 2);
  if (!samples.empty()) memcpy(samples.data(), pcm.data(), pcm.size());
  return samples;
}

// The frames as IMA ADPCM blocks of blockBytes, the way a compressor writes them.
std::string ImaBlocks(const std::vector<INT16>& pcm, WORD channels, WORD blockBytes) {
  DWORD perBlock = ImaAdpcm::SamplesPerBlock(blockBytes, channels);
  DWORD frames = DWORD(pcm.size() / channels);
  std::vector<BYTE> indices(channels, 0);
  std::string data;
  for (DWORD f = 0; f < frames; f += perBlock) {
    std::string block(blockBytes, '\0');
    DWORD count = frames - f < perBlock ? frames - f : perBlock;
    ImaAdpcm::EncodeBlock(&pcm[size_t(f) * channels], count, channels, indices.data(),
                          reinterpret_cast<BYTE*>(&block[0]), blockBytes);
    data += block;
  }
  return data;
}

// Every block decoded, as a reader of the file must return it.
std::vector<INT16> ImaDecoded(const std::string& data, WORD channels, WORD blockBytes) {
  DWORD perBlock = ImaAdpcm::SamplesPerBlock(blockBytes, channels);
  std::vector<INT16> samples(data.size() / blockBytes * perBlock * channels);
  for (size_t b = 0; b < data.size() / blockBytes; ++b)
    ImaAdpcm::DecodeBlock(reinterpret_cast<const BYTE*>(&data[b * blockBytes]), blockBytes, channels, perBlock,
                          &samples[b * perBlock * channels]);
  return samples;
}

std::string ImaFormat(WORD channels, DWORD rate, WORD blockBytes) {
  IMAADPCMWAVEFORMAT format = {};
  format.wfx = Wave(WAVE_FORMAT_IMA_ADPCM, channels, rate, 4, blockBytes);
  format.wfx.cbSize = 2;
  format.wSamplesPerBlock = WORD(ImaAdpcm::SamplesPerBlock(blockBytes, channels));
  return Bytes(format);
}

class AudioReadingTest : public ::testing::Test {
 protected:
  HRESULT Open(const std::string& wav) {
    std::wstring path = folder.File((L"a" + std::to_wstring(++files) + L".wav").c_str());
    EXPECT_TRUE(WriteWholeFile(path, wav));
    reader = std::make_unique<WavReader>();
    return reader->Open(path.c_str());
  }
  std::vector<INT16> Read(REFERENCE_TIME time, WORD channels, DWORD rate, DWORD frames) {
    std::vector<BYTE> pcm;
    EXPECT_EQ(S_OK, reader->ReadAudio(0, time, Pcm16(channels, rate), frames, &pcm));
    return Samples(pcm);
  }
  double Seconds() const { return reader->Streams()[0].length / 1e7; }

  TempFolder folder;
  std::unique_ptr<WavReader> reader;
  int files = 0;
};

struct Uncompressed {
  const char* name;
  std::string format;
  std::string data;
  std::vector<INT16> expected;
};

std::string Floats(const std::vector<double>& values, bool wide) {
  std::string data;
  for (double v : values) data += wide ? Bytes(v) : Bytes(float(v));
  return data;
}

TEST_F(AudioReadingTest, EveryUncompressedFormatReadsItsExactSamplesWithSilenceOutsideInAnyChunkOrder) {
  std::vector<int> ints;
  std::vector<double> floats;
  for (int i = 0; i < 40; ++i) {
    int left = i == 0 ? -32768 : i == 1 ? 32767 : (i - 20) * 1536 + 3, right = 1280 - i;
    ints.insert(ints.end(), {left, right});
    floats.insert(floats.end(), {left / 32768.0, right / 32768.0});
  }
  std::vector<INT16> exact(ints.begin(), ints.end()), topBytes;
  for (int v : ints) topBytes.push_back(INT16(v & ~0xff));
  const DWORD stereo = SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT;
  const Uncompressed formats[] = {
      {"pcm8", Bytes(Wave(WAVE_FORMAT_PCM, 2, 8000, 8, 2)), PcmSamples(8, ints), topBytes},
      {"pcm16", Bytes(Pcm16(2, 8000)), PcmSamples(16, ints), exact},
      {"pcm24", Bytes(Wave(WAVE_FORMAT_PCM, 2, 8000, 24, 6)), PcmSamples(24, ints), exact},
      {"pcm32", Bytes(Wave(WAVE_FORMAT_PCM, 2, 8000, 32, 8)), PcmSamples(32, ints), exact},
      {"extensible pcm24", Bytes(Extensible(WAVE_FORMAT_PCM, 2, 8000, 24, stereo)), PcmSamples(24, ints), exact},
      {"float32", Bytes(Wave(WAVE_FORMAT_IEEE_FLOAT, 2, 8000, 32, 8)), Floats(floats, false), exact},
      {"float64", Bytes(Wave(WAVE_FORMAT_IEEE_FLOAT, 2, 8000, 64, 16)), Floats(floats, true), exact},
      {"extensible float32", Bytes(Extensible(WAVE_FORMAT_IEEE_FLOAT, 2, 8000, 32, stereo)), Floats(floats, false),
       exact},
  };
  for (const Uncompressed& format : formats) {
    SCOPED_TRACE(format.name);
    ASSERT_EQ(S_OK, Open(WaveFile(format.format, format.data)));
    EXPECT_DOUBLE_EQ(0.005, Seconds());
    // From 10 frames before the start to 10 past the end.
    std::vector<INT16> around(20, 0);
    around.insert(around.end(), format.expected.begin(), format.expected.end());
    around.resize(120, 0);
    EXPECT_EQ(around, Read(-12500, 2, 8000, 60));
  }
  // Floats past full scale are clipped, and a NaN is silence.
  ASSERT_EQ(S_OK, Open(WaveFile(Bytes(Wave(WAVE_FORMAT_IEEE_FLOAT, 1, 8000, 32, 4)),
                                Floats({1.5, -2.0, std::numeric_limits<double>::quiet_NaN(), 0.25}, false))));
  EXPECT_EQ((std::vector<INT16>{32767, -32768, 0, 8192}), Read(0, 1, 8000, 4));
  // An odd chunk before 'data', odd 8-bit data, then the format and an odd chunk after it.
  ASSERT_EQ(S_OK, Open(List("RIFF", "WAVE", Chunk("bext", "abc") + Chunk("data", "\x10\x20\x30") +
                                                Chunk("fmt ", Bytes(Wave(WAVE_FORMAT_PCM, 1, 8000, 8, 1))) + Chunk("junk", "x"))));
  EXPECT_DOUBLE_EQ(3 / 8000.0, Seconds());
  EXPECT_EQ((std::vector<INT16>{-28672, -24576, -20480}), Read(0, 1, 8000, 3));
}

TEST_F(AudioReadingTest, StreamedAndCutFilesGiveTheWholeFramesThere) {
  std::vector<int> ramp;
  for (int i = 0; i < 100; ++i) ramp.push_back(i * 300 - 15000);
  const std::string whole = PcmWav(16, 1, 8000, ramp);
  // RIFF and 'data' sizes (1: the true one), bytes cut from the end, frames there.
  const struct { DWORD riff, data; size_t cut; DWORD frames; } cases[] = {{0, 0, 0, 100},          {0xFFFFFFFF, 0xFFFFFFFF, 0, 100}, {1, 0, 0, 100},
                         {0xFFFFFFFF, 1, 0, 100}, {1, 1200, 0, 100},               {1, 1, 3, 98},
                         {0, 0, 1, 99},           {0x7FFFFFFF, 0x7FFFFFF0, 0, 100}};
  for (const auto& sizes : cases) {
    SCOPED_TRACE(testing::Message() << sizes.riff << " " << sizes.data << " " << sizes.cut);
    std::string file = whole;
    if (sizes.riff != 1) file = WithSize(file, "RIFF", sizes.riff);
    if (sizes.data != 1) file = WithSize(file, "data", sizes.data);
    ASSERT_EQ(S_OK, Open(file.substr(0, file.size() - sizes.cut)));
    EXPECT_DOUBLE_EQ(sizes.frames / 8000.0, Seconds());
    std::vector<INT16> expected(ramp.begin(), ramp.begin() + sizes.frames);
    expected.resize(110, 0);
    EXPECT_EQ(expected, Read(0, 1, 8000, 110));
  }
}

struct Mix {
  std::string format;
  std::vector<int> frame;
  WORD out;
  std::vector<INT16> expected;
};

TEST_F(AudioReadingTest, ChannelsAreMixedToTheCountAsked) {
  const DWORD noLfe = SPEAKER_FRONT_LEFT | SPEAKER_FRONT_RIGHT | SPEAKER_LOW_FREQUENCY;
  const std::vector<int> surround = {10000, 0, 8000, 30000, 4000, -4000};  // 5.1: L R C LFE BL BR
  const Mix mixes[] = {
      {Bytes(Pcm16(1, 8000)), {1000}, 2, {1000, 1000}},
      {Bytes(Pcm16(2, 8000)), {1000, 3000}, 1, {2000}},
      {Bytes(Pcm16(6, 8000)), surround, 1, {8000}},
      // L = (L + 0.707 C + 0.707 BL) / 2.414, R alike; LFE left out.
      {Bytes(Pcm16(6, 8000)), surround, 2, {7657, 1172}},
      {Bytes(Extensible(WAVE_FORMAT_PCM, 6, 8000, 16, KSAUDIO_SPEAKER_5POINT1)), surround, 2, {7657, 1172}},
      // The mask, not the common L R C layout, says where the third channel goes.
      {Bytes(Extensible(WAVE_FORMAT_PCM, 3, 8000, 16, noLfe)), {1000, 2000, 30000}, 2, {1000, 2000}},
      {Bytes(Pcm16(3, 8000)), {1000, 2000, 3000}, 2, {1828, 2414}},
      {Bytes(Pcm16(2, 8000)), {1000, 2000}, 4, {1000, 2000, 0, 0}},
  };
  for (const Mix& mix : mixes) {
    SCOPED_TRACE(testing::Message() << mix.frame.size() << " to " << mix.out);
    ASSERT_EQ(S_OK, Open(WaveFile(mix.format, PcmSamples(16, mix.frame))));
    EXPECT_EQ(mix.expected, Read(0, mix.out, 8000, 1));
  }
}

TEST_F(AudioReadingTest, ResamplingIsSeamlessAcrossBlocksAndReads) {
  const WORD blockBytes = 256;  // 249 frames of stereo a block
  std::vector<INT16> sine = Sine(249 * 6, 2, 11025, 12000);
  std::string data = ImaBlocks(sine, 2, blockBytes);
  ASSERT_EQ(S_OK, Open(WaveFile(ImaFormat(2, 11025, blockBytes), data)));
  const std::vector<INT16> native = ImaDecoded(data, 2, blockBytes);
  ASSERT_EQ(native, Read(0, 2, 11025, 249 * 6));
  for (DWORD rate : {8000, 44100, 48000}) {
    SCOPED_TRACE(rate);
    DWORD frames = DWORD(249 * 6 * double(rate) / 11025);
    std::vector<INT16> whole = Read(0, 2, rate, frames);
    // Output frame k interpolates the native frames around k * 11025 / rate; the last frame holds.
    for (DWORD k = 0; k < frames; ++k) {
      double at = double(k) * 11025 / rate;
      size_t i = size_t(at);
      double weight = at - double(i);
      for (int c = 0; c < 2; ++c) {
        double a = native[i * 2 + c], b = native[(i + 1 < native.size() / 2 ? i + 1 : i) * 2 + c];
        ASSERT_NEAR(a + (b - a) * weight, whole[k * 2 + c], 1.0) << k;
      }
    }
    // Reads of odd sizes, each from the time of its first frame, join into the whole.
    std::vector<INT16> pieces;
    for (DWORD k = 0, size = 1; k < frames; k += size, size = size * 3 + 7) {
      DWORD count = frames - k < size ? frames - k : size;
      REFERENCE_TIME time = REFERENCE_TIME(std::llround(k * 1e7 / rate));
      std::vector<INT16> piece = Read(time, 2, rate, count);
      pieces.insert(pieces.end(), piece.begin(), piece.end());
    }
    EXPECT_EQ(whole, pieces);
  }
}

TEST_F(AudioReadingTest, ImaAdpcmLengthsFollowFactAndWholeBlocks) {
  const WORD blockBytes = 256;  // 505 mono frames a block
  std::string data = ImaBlocks(Sine(505 * 3, 1, 8000, 8000), 1, blockBytes);
  const std::vector<INT16> decoded = ImaDecoded(data, 1, blockBytes);
  const std::string format = ImaFormat(1, 8000, blockBytes);
  // 'fact' within the last block: frames past it are silence. Without it,
  // or with more than the blocks hold, the whole blocks; with a 'data' size
  // over the file and half a block cut off, the two whole blocks.
  const struct { DWORD fact, data; size_t cut; DWORD frames; } cases[] = {
      {1400, 0, 0, 1400}, {0, 0, 0, 1515}, {16000, 0, 0, 1515}, {0, 0x10000, blockBytes / 2, 1010}};
  for (const auto& row : cases) {
    SCOPED_TRACE(testing::Message() << row.fact << " " << row.cut);
    std::string file = WaveFile(format, data, row.fact ? Chunk("fact", Dword(row.fact)) : "");
    if (row.data) file = WithSize(file, "data", row.data);
    ASSERT_EQ(S_OK, Open(file.substr(0, file.size() - row.cut)));
    EXPECT_DOUBLE_EQ(row.frames / 8000.0, Seconds());
    std::vector<INT16> expected(decoded.begin(), decoded.begin() + row.frames);
    expected.resize(1600, 0);
    EXPECT_EQ(expected, Read(0, 1, 8000, 1600));
  }
}

TEST(ImaAdpcmTest, StereoBlockDecodesChannelsInTurnLowNibbleFirst) {
  // Headers (1000, step 0) and (-1000, step 20), then 4 bytes of each channel.
  const BYTE block[16] = {0xe8, 0x03, 0, 0, 0x18, 0xfc, 20, 0, 0x17, 0x80, 0x3f, 0x00, 0xf9, 0x21, 0x00, 0x88};
  INT16 out[18];
  ImaAdpcm::DecodeBlock(block, sizeof block, 2, 9, out);
  const INT16 left[9] = {1000, 1011, 1017, 1018, 1017, 995, 1016, 1018, 1020};
  const INT16 right[9] = {-1000, -1018, -1101, -1065, -1010, -1000, -991, -999, -1006};
  for (int i = 0; i < 9; ++i) {
    EXPECT_EQ(left[i], out[i * 2]) << i;
    EXPECT_EQ(right[i], out[i * 2 + 1]) << i;
  }
  // A step index past the table, in a header or as codes raise it, is its
  // last entry (step 32767; 29794 one below); samples saturate.
  for (BYTE start : {88, 200}) {
    const BYTE loud[8] = {0, 0, start, 0, 0x71, 0x19, 0, 0};
    ImaAdpcm::DecodeBlock(loud, sizeof loud, 1, 5, out);
    EXPECT_EQ((std::vector<INT16>{0, 12286, 32767, 20481, 31653}), std::vector<INT16>(out, out + 5)) << int(start);
  }
}

TEST(ImaAdpcmTest, EncodedSineDecodesClose) {
  for (WORD channels : {1, 2}) {
    for (DWORD rate : {8000, 44100}) {
      SCOPED_TRACE(testing::Message() << channels << " " << rate);
      WORD blockBytes = ImaAdpcm::BlockBytes(channels, rate);
      EXPECT_EQ(channels * (rate < 11025 ? 256 : 1024), blockBytes);  // as common writers choose
      std::vector<INT16> sine = Sine(rate / 2, channels, rate, 20000);
      std::vector<INT16> decoded = ImaDecoded(ImaBlocks(sine, channels, blockBytes), channels, blockBytes);
      ASSERT_GE(decoded.size(), sine.size());
      DWORD perBlock = ImaAdpcm::SamplesPerBlock(blockBytes, channels);
      double error = 0, signal = 0;
      for (size_t i = 0; i < sine.size(); ++i) {
        if (i / channels % perBlock == 0) {
          EXPECT_EQ(sine[i], decoded[i]) << i;  // a header is exact
        }
        error += double(sine[i] - decoded[i]) * (sine[i] - decoded[i]);
        signal += double(sine[i]) * sine[i];
      }
      // Measured: 30 dB mono and 27.9 stereo at 8 kHz, 45.8 and 43.6 at
      // 44.1 kHz; headers that only carried the step index on lost 3 to 5.
      EXPECT_GT(10 * std::log10(signal / error), rate < 10000 ? 27 : 43);
    }
  }
}

// The G.711 A-law expansion.
int ALaw(BYTE code) {
  code ^= 0x55;
  int exponent = (code >> 4) & 7, mantissa = code & 15;
  int magnitude = exponent == 0 ? (mantissa << 4) + 8 : ((mantissa << 4) + 0x108) << (exponent - 1);
  return code & 0x80 ? magnitude : -magnitude;
}

TEST_F(AudioReadingTest, ALawGoesThroughThePlatformCodec) {
  std::string data;
  std::vector<INT16> expected;
  for (int code = 0; code < 256; ++code) {
    data += char(code);
    expected.push_back(INT16(ALaw(BYTE(code))));
  }
  ASSERT_EQ(S_OK, Open(WaveFile(Bytes(Wave(WAVE_FORMAT_ALAW, 1, 8000, 8, 1)), data)));
  EXPECT_DOUBLE_EQ(256 / 8000.0, Seconds());
  std::vector<BYTE> pcm;
  HRESULT hr = reader->ReadAudio(0, 0, Pcm16(1, 8000), 256, &pcm);
  if (hr == VFW_E_UNSUPPORTED_AUDIO) GTEST_SKIP() << "no A-law codec installed";
  ASSERT_EQ(S_OK, hr);
  EXPECT_EQ(expected, Samples(pcm));
  // From the middle, as random access reads it.
  std::vector<INT16> tail(expected.begin() + 200, expected.end());
  tail.resize(100, 0);
  EXPECT_EQ(tail, Read(200 * 1250, 1, 8000, 100));
}

TEST_F(AudioReadingTest, FormatsNothingDecodesAreListedAndAnswerUnsupported) {
  WAVEFORMATEX unknown = Wave(0x7777, 1, 8000, 4, 64);
  unknown.nAvgBytesPerSec = 4000;
  WAVEFORMATEXTENSIBLE foreign = Extensible(WAVE_FORMAT_PCM, 2, 8000, 16, 3);
  foreign.SubFormat.Data4[7] ^= 1;
  WAVEFORMATEX ima3 = Wave(WAVE_FORMAT_IMA_ADPCM, 1, 8000, 3, 200);  // 3-bit IMA: none installed here
  // Lengths from the byte rate.
  const std::pair<std::string, double> formats[] = {{Bytes(unknown), 0.5}, {Bytes(foreign), 0.0625},
                                                    {Bytes(ima3), 0.00125}};
  for (const auto& [format, seconds] : formats) {
    ASSERT_EQ(S_OK, Open(WaveFile(format, std::string(2000, '\0'))));
    ASSERT_EQ(1u, reader->Streams().size());
    EXPECT_DOUBLE_EQ(seconds, Seconds());
    std::vector<BYTE> pcm;
    EXPECT_EQ(VFW_E_UNSUPPORTED_AUDIO, reader->ReadAudio(0, 0, Pcm16(2, 8000), 100, &pcm));
  }
}

TEST_F(AudioReadingTest, LyingFormatsAreRefused) {
  WAVEFORMATEXTENSIBLE packed = Extensible(WAVE_FORMAT_PCM, 2, 8000, 24, 3);
  packed.Format.nBlockAlign = 5;
  // IMA blocks without room for their headers, an extensible block size or
  // block cut short, 24-bit float, 4 MHz, no block size, no channels, and
  // PCM whose block is not what its samples take.
  const std::string formats[] = {ImaFormat(2, 8000, 7), Bytes(packed), Bytes(Extensible(WAVE_FORMAT_PCM, 2, 8000, 24, 3)).substr(0, 30),
                                 Bytes(Wave(WAVE_FORMAT_IEEE_FLOAT, 1, 8000, 24, 3)),
                                 Bytes(Wave(WAVE_FORMAT_PCM, 1, 4000000, 16, 2)),
                                 Bytes(Wave(WAVE_FORMAT_PCM, 1, 8000, 16, 0)), Bytes(Wave(WAVE_FORMAT_PCM, 0, 8000, 16, 2)),
                                 Bytes(Wave(WAVE_FORMAT_PCM, 2, 8000, 16, 1))};
  for (const std::string& format : formats) {
    SCOPED_TRACE(&format - formats);
    EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, Open(WaveFile(format, std::string(1024, '\x11'))));
  }
  // A format chunk claiming the rest of the file swallows 'data'.
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, Open(WithSize(PcmWav(16, 1, 8000, {1, 2}), "fmt ", 0xFFFFFF00)));
}

TEST_F(AudioReadingTest, OutputFormatsAndCountsOutOfRangeAreInvalid) {
  ASSERT_EQ(S_OK, Open(PcmWav(16, 1, 8000, {1, 2, 3})));
  const std::pair<WAVEFORMATEX, DWORD> invalid[] = {
      {Wave(WAVE_FORMAT_PCM, 2, 8000, 8, 2), 10}, {Pcm16(9, 8000), 10}, {Pcm16(2, 0), 10},
      {Pcm16(8, 192000), 192000 * 60 / 4 + 1}};
  std::vector<BYTE> pcm;
  for (const auto& [format, frames] : invalid) {
    SCOPED_TRACE(frames);
    EXPECT_EQ(E_INVALIDARG, reader->ReadAudio(0, 0, format, frames, &pcm));
  }
  EXPECT_EQ(E_INVALIDARG, reader->ReadAudio(1, 0, Pcm16(2, 8000), 10, &pcm));
  EXPECT_EQ(S_OK, reader->ReadAudio(0, 0, Pcm16(2, 8000), 0, &pcm));
  EXPECT_TRUE(pcm.empty());
  // Times far outside the stream are silence, not overflow.
  for (REFERENCE_TIME time : {LLONG_MIN, LLONG_MAX, -kUnitsPerSecond * 3600 * 24 * 365}) {
    EXPECT_EQ(std::vector<INT16>(4, 0), Read(time, 2, 48000, 2));
  }
}

}  // namespace
