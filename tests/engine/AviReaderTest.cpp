#include <wincodec.h>
#include <mmsystem.h>
#include <aviriff.h>
#include <vfwmsgs.h>

#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "AviAudioBytes.h"
#include "AviMovieScan.h"
#include "AviReader.h"
#include "ComPtr.h"
#include "FrameCache.h"
#include "MjpegFrameDecoder.h"
#include "RiffBytes.h"
#include "TempFolder.h"
#include "TestMedia.h"

namespace {

// --- AVI files written by the tests ---

enum class Index { None, Relative, Absolute, OpenDml };

struct AudioTrack {
  WAVEFORMATEX wave;
  std::vector<std::string> chunks;
};

// 8 kHz mono 8-bit PCM.
AudioTrack Pcm8(std::vector<std::string> chunks) { return AudioTrack{Wave(WAVE_FORMAT_PCM, 1, 8000, 8, 1), chunks}; }

// Video stream 00 and audio streams 01, 02..., chunk i of each written after
// frame i. An empty frame is a dropped one.
struct AviLayout {
  std::string format;  // the video 'strf'
  DWORD handler = 0;
  std::vector<std::string> frames;
  std::vector<bool> deltas;  // frames that are not key frames
  std::vector<AudioTrack> audio;
  Index index = Index::Relative;
  size_t framesPerRiff = 4;  // OpenDML: frames in each RIFF form
  size_t superEntries = 0;   // OpenDML: RIFF forms the super index lists; 0: all
  std::vector<std::pair<size_t, std::string>> paletteChanges;  // before frame n
};

struct Placed {
  UINT64 data;  // absolute offset of a chunk's data
  DWORD size;
  bool key;
};

class LayoutWriter {
 public:
  explicit LayoutWriter(const AviLayout& layout) : layout_(layout) {}

  std::string Write() {
    size_t forms = layout_.index == Index::OpenDml ? (layout_.frames.size() + layout_.framesPerRiff - 1) / layout_.framesPerRiff : 1;
    headerSize_ = Headers(forms, {}).size();
    std::string body;
    std::vector<std::vector<UINT64>> superIndex(Streams());  // offsets of each form's ix## chunks
    for (size_t form = 0; form < forms; ++form) body += Form(form, &superIndex);
    std::string avi = Headers(forms, superIndex) + body;
    DWORD riffSize = DWORD(headerSize_ - 8 + firstFormBody_);
    memcpy(&avi[4], &riffSize, 4);
    return avi;
  }

 private:
  int Streams() const { return 1 + int(layout_.audio.size()); }
  static std::string Id(int stream, const char* kind) {
    return std::string{char('0' + stream / 10), char('0' + stream % 10)} + kind;
  }

  std::string SuperIndex(int stream, size_t forms, const std::vector<UINT64>& offsets) const {
    size_t used = layout_.superEntries ? layout_.superEntries : forms;
    std::string index = std::string("\x04\0\0\0", 4) + Dword(DWORD(offsets.empty() ? 0 : used)) +
                        Id(stream, stream ? "wb" : "dc") + std::string(12, '\0');
    for (size_t i = 0; i < forms; ++i) {
      UINT64 offset = i < offsets.size() ? offsets[i] : 0;
      index += Bytes(offset) + Dword(0) + Dword(0);
    }
    return Chunk("indx", index);
  }

  // The first form's headers; the first form starts at 0, so its size field follows.
  std::string Headers(size_t forms, const std::vector<std::vector<UINT64>>& superIndex) const {
    bool odml = layout_.index == Index::OpenDml;
    std::string video = StreamHeader("vids", 1, 25, DWORD(FirstFormFrames()), layout_.handler) + Chunk("strf", layout_.format);
    if (odml) video += SuperIndex(0, forms, superIndex.empty() ? std::vector<UINT64>() : superIndex[0]);
    std::string headers = Chunk("avih", std::string(56, '\0')) + List("LIST", "strl", video);
    for (int stream = 1; stream < Streams(); ++stream) {
      const WAVEFORMATEX& wave = layout_.audio[stream - 1].wave;
      std::string audio = StreamHeader("auds", 1, wave.nSamplesPerSec, 0, 0, wave.nBlockAlign) + Chunk("strf", Bytes(wave));
      if (odml) audio += SuperIndex(stream, forms, superIndex.empty() ? std::vector<UINT64>() : superIndex[stream]);
      headers += List("LIST", "strl", audio);
    }
    if (odml) headers += List("LIST", "odml", Chunk("dmlh", Dword(DWORD(layout_.frames.size())) + std::string(244, '\0')));
    return std::string("RIFF", 4) + Dword(0) + "AVI " + List("LIST", "hdrl", headers);
  }

  size_t FirstFormFrames() const {
    return layout_.index == Index::OpenDml && layout_.framesPerRiff < layout_.frames.size() ? layout_.framesPerRiff
                                                                                       : layout_.frames.size();
  }

  // Form number form: its 'movi' list (with its ix## chunks under OpenDML),
  // and 'idx1' after the first. The first form's RIFF header is in Headers.
  std::string Form(size_t form, std::vector<std::vector<UINT64>>* superIndex) {
    UINT64 start = position_ ? position_ : headerSize_;
    UINT64 movieData = start + (form ? 12 : 0) + 12;  // after "LIST" size "movi"
    std::string movie;
    std::vector<std::vector<Placed>> placed(Streams());
    std::string legacy;
    auto add = [&](int stream, const std::string& content, bool key, const char* kind = nullptr) {
      std::string id = Id(stream, kind ? kind : stream ? "wb" : layout_.format[16] == 0 ? "db" : "dc");
      UINT64 header = movieData + movie.size();
      legacy += id + Dword(key ? 0x10 : 0) +
                Dword(DWORD(layout_.index == Index::Absolute ? header : header - (movieData - 4))) +
                Dword(DWORD(content.size()));
      if (!kind) placed[stream].push_back(Placed{header + 8, DWORD(content.size()), key});
      movie += Chunk(id.c_str(), content);
    };
    size_t first = form * layout_.framesPerRiff;
    size_t last = layout_.index == Index::OpenDml ? std::min(first + layout_.framesPerRiff, layout_.frames.size())
                                                : layout_.frames.size();
    for (size_t f = first; f < last; ++f) {
      for (const auto& [before, change] : layout_.paletteChanges) {
        if (before == f) add(0, change, false, "pc");
      }
      add(0, layout_.frames[f], f >= layout_.deltas.size() || !layout_.deltas[f]);
      for (int stream = 1; stream < Streams(); ++stream) {
        if (f < layout_.audio[stream - 1].chunks.size()) add(stream, layout_.audio[stream - 1].chunks[f], true);
      }
    }
    if (layout_.index == Index::OpenDml) {
      for (int stream = 0; stream < Streams(); ++stream) {
        (*superIndex)[stream].push_back(movieData + movie.size());
        movie += StandardIndex(stream, placed[stream]);
      }
    }
    std::string content = List("LIST", "movi", movie);
    if (form == 0 && layout_.index != Index::None) content += Chunk("idx1", legacy);
    std::string result = form ? List("RIFF", "AVIX", content) : content;
    if (form == 0) firstFormBody_ = result.size();
    position_ = start + result.size();
    return result;
  }

  std::string StandardIndex(int stream, const std::vector<Placed>& chunks) const {
    UINT64 base = chunks.empty() ? 0 : chunks[0].data - 8;
    std::string index = std::string("\x02\0\0\x01", 4) + Dword(DWORD(chunks.size())) + Id(stream, stream ? "wb" : "dc") +
                        Bytes(base) + Dword(0);
    for (const Placed& chunk : chunks)
      index += Dword(DWORD(chunk.data - base)) + Dword(chunk.size | (chunk.key ? 0 : 0x80000000));
    return Chunk(("ix" + Id(stream, "").substr(0, 2)).c_str(), index);
  }

  const AviLayout& layout_;
  UINT64 headerSize_ = 0;
  UINT64 position_ = 0;
  UINT64 firstFormBody_ = 0;
};

std::string WriteAvi(const AviLayout& layout) { return LayoutWriter(layout).Write(); }

// Frame f of a 5x3 picture as the reader gives it.
std::vector<BYTE> Expected(int f) { return AsRead(TestFrame(5, 3, 3, f), 5, 3, 3); }

AviLayout Rgb24(int frames) {
  AviLayout layout;
  layout.format = Bytes(Bitmap(5, 3, 24));
  for (int f = 0; f < frames; ++f) layout.frames.push_back(TestFrame(5, 3, 3, f));
  return layout;
}

class AviReaderTest : public ::testing::Test {
 protected:
  void SetUp() override { CoInitializeEx(nullptr, COINIT_MULTITHREADED); }
  void TearDown() override { CoUninitialize(); }

  // A new file each time: readers of earlier ones may still hold them.
  std::wstring Write(const std::string& bytes) {
    std::wstring path = folder.File((L"clip" + std::to_wstring(++written_) + L".avi").c_str());
    EXPECT_TRUE(WriteWholeFile(path, bytes));
    return path;
  }
  // Every frame of stream 0 of a reader opened on avi, read by time.
  void ExpectFrames(AviReader* reader, const std::vector<int>& shown) {
    ASSERT_EQ(REFERENCE_TIME(shown.size()) * 400000, reader->Streams()[0].length);
    std::vector<BYTE> pixels;
    for (size_t f = 0; f < shown.size(); ++f) {
      SCOPED_TRACE(f);
      ASSERT_EQ(S_OK, reader->ReadFrame(0, REFERENCE_TIME(f) * 400000 + 200000, &pixels));
      EXPECT_EQ(Expected(shown[f]), pixels);
    }
  }

  TempFolder folder;
  int written_ = 0;
};

// --- Finding the chunks ---

struct IndexCase {
  const char* name;
  Index index;
  size_t framesPerRiff;
};

class AviIndexTest : public AviReaderTest, public ::testing::WithParamInterface<IndexCase> {};

TEST_P(AviIndexTest, EveryFrameAndAudioChunkIsFoundToTheLast) {
  AviLayout layout = Rgb24(10);
  layout.index = GetParam().index;
  layout.framesPerRiff = GetParam().framesPerRiff;
  layout.frames[4] = "";  // dropped: shows frame 3
  std::vector<std::string> audio;
  for (int i = 0; i < 10; ++i) audio.push_back(std::string(100 + i, char(i)));
  layout.audio = {Pcm8(audio)};
  AviReader reader;
  ASSERT_EQ(S_OK, reader.Open(Write(WriteAvi(layout)).c_str()));
  ASSERT_EQ(2u, reader.Streams().size());
  ExpectFrames(&reader, {0, 1, 2, 3, 3, 5, 6, 7, 8, 9});
  // 1045 bytes at 8000 a second.
  EXPECT_EQ(1306250, reader.Streams()[1].length);
  std::vector<BYTE> pixels;
  ASSERT_EQ(S_OK, reader.ReadFrame(0, 100 * kUnitsPerSecond, &pixels));  // clamped to the last
  EXPECT_EQ(Expected(9), pixels);
}

INSTANTIATE_TEST_SUITE_P(Kinds, AviIndexTest,
                         ::testing::Values(IndexCase{"MoviOffsets", Index::Relative, 0},
                                           IndexCase{"FileOffsets", Index::Absolute, 0},
                                           IndexCase{"NoIndex", Index::None, 0},
                                           IndexCase{"OpenDmlThreePerRiff", Index::OpenDml, 3},
                                           IndexCase{"OpenDmlOnePerRiff", Index::OpenDml, 1}),
                         [](const testing::TestParamInfo<IndexCase>& info) { return info.param.name; });

TEST_F(AviReaderTest, OpenDmlFramesPastTheFirstRiffAreThemselvesNotItsLast) {
  // idx1 covers the first form's 4 frames; the super index lists only the
  // first two forms; 'dmlh' says 10. Walking finds the rest.
  AviLayout layout = Rgb24(10);
  layout.index = Index::OpenDml;
  layout.superEntries = 2;
  AviReader reader;
  ASSERT_EQ(S_OK, reader.Open(Write(WriteAvi(layout)).c_str()));
  ExpectFrames(&reader, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});

  // A standard index entry pointing into another chunk fails its frame alone.
  layout.superEntries = 0;
  std::string avi = WriteAvi(layout);
  size_t ix = avi.find("ix00", avi.find("AVIX"));
  DWORD bad = 3;  // into the middle of the frame before
  memcpy(&avi[ix + 8 + 24], &bad, 4);  // entry 0: frame 4
  AviReader damaged;
  ASSERT_EQ(S_OK, damaged.Open(Write(avi).c_str()));
  std::vector<BYTE> pixels;
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, damaged.ReadFrame(0, 4 * 400000, &pixels));
  ASSERT_EQ(S_OK, damaged.ReadFrame(0, 5 * 400000, &pixels));
  EXPECT_EQ(Expected(5), pixels);
}

TEST_F(AviReaderTest, CutOffFilesOpenWithTheWholeChunksTheyHold) {
  AviLayout layout = Rgb24(6);
  layout.audio = {Pcm8(std::vector<std::string>(6, std::string(50, 'a')))};
  const std::string avi = WriteAvi(layout);
  const size_t movie = avi.find("movi") + 4;
  const size_t perFrame = 8 + 48 + 8 + 50;
  // Cut: inside frame 3, just after audio chunk 2, and the whole file less
  // its 'idx1' with sizes that still claim it.
  const std::tuple<size_t, size_t, REFERENCE_TIME> cuts[] = {
      {movie + 3 * perFrame + 20, 3, 3 * 50 * 1250},
      {movie + 3 * perFrame, 3, 3 * 50 * 1250},
      {avi.find("idx1"), 6, 6 * 50 * 1250},
  };
  for (const auto& [cut, frames, audioLength] : cuts) {
    SCOPED_TRACE(cut);
    AviReader reader;
    ASSERT_EQ(S_OK, reader.Open(Write(avi.substr(0, cut)).c_str()));
    std::vector<int> shown;
    for (size_t f = 0; f < frames; ++f) shown.push_back(int(f));
    ExpectFrames(&reader, shown);
    EXPECT_EQ(audioLength, reader.Streams()[1].length);
  }
  // OpenDML cut inside its third form, after that form's first frame (6):
  // the super index lists only the forms written before.
  AviLayout odml = Rgb24(10);
  odml.index = Index::OpenDml;
  odml.framesPerRiff = 3;
  std::string cutOdml = WriteAvi(odml);
  cutOdml.resize(cutOdml.find("AVIX", cutOdml.find("AVIX") + 4) + 4 + 12 + 56 + 10);
  memcpy(&cutOdml[cutOdml.find("indx") + 12], "\x02", 1);
  AviReader reader;
  ASSERT_EQ(S_OK, reader.Open(Write(cutOdml).c_str()));
  ExpectFrames(&reader, {0, 1, 2, 3, 4, 5, 6});
  // ffmpeg's placeholders: RIFF and 'movi' sizes of 0xFFFFFFFF, and a RIFF size of 0.
  for (DWORD size : {DWORD(0xFFFFFFFF), DWORD(0)}) {
    std::string open = avi.substr(0, avi.find("idx1"));
    memcpy(&open[4], &size, 4);
    memcpy(&open[movie - 8], "\xff\xff\xff\xff", 4);
    AviReader reader;
    ASSERT_EQ(S_OK, reader.Open(Write(open).c_str()));
    ExpectFrames(&reader, {0, 1, 2, 3, 4, 5});
  }
}

TEST_F(AviReaderTest, DamagedEntriesFailOnlyTheirFrame) {
  AviLayout layout = Rgb24(6);
  layout.audio = {Pcm8(std::vector<std::string>(6, "abc"))};
  const std::string avi = WriteAvi(layout);
  const size_t entry3 = avi.find("idx1") + 8 + 6 * 16;  // video entries interleave with audio ones
  DWORD toAudio;
  memcpy(&toAudio, &avi[entry3 - 16 + 8], 4);
  // Offsets past the file, before the list and at an audio chunk; a size the chunk does not have.
  const std::pair<int, DWORD> damages[] = {{2, 0x7fffff00}, {2, 0}, {2, toAudio}, {3, 49}};
  for (const auto& [field, value] : damages) {
    SCOPED_TRACE(testing::Message() << field << " " << value);
    std::string damaged = avi;
    memcpy(&damaged[entry3 + field * 4], &value, 4);
    AviReader reader;
    ASSERT_EQ(S_OK, reader.Open(Write(damaged).c_str()));
    std::vector<BYTE> pixels;
    EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, reader.ReadFrame(0, 3 * 400000, &pixels));
    ASSERT_EQ(S_OK, reader.ReadFrame(0, 4 * 400000, &pixels));
    EXPECT_EQ(Expected(4), pixels);
  }
}

TEST_F(AviReaderTest, HostileFilesAreBoundedAndRefusedOrReadAsFarAsTheyGo) {
  AviLayout layout = Rgb24(3);
  // 300,000 empty junk chunks before the frames: walked in bounded time.
  std::string avi = WriteAvi(layout);
  std::string junk;
  for (int i = 0; i < 300000; ++i) junk += Chunk("JUNK", "");
  avi = avi.substr(0, avi.find("idx1"));
  avi.insert(avi.find("movi") + 4, junk);
  memcpy(&avi[4], "\xff\xff\xff\xff", 4);
  memcpy(&avi[avi.find("movi") - 4], "\xff\xff\xff\xff", 4);
  AviReader reader;
  ASSERT_EQ(S_OK, reader.Open(Write(avi).c_str()));
  ExpectFrames(&reader, {0, 1, 2});

  // A super index claiming 2^32-1 entries, and a stream header claiming 4
  // billion frames: read as what is there.
  layout.index = Index::OpenDml;
  avi = WriteAvi(layout);
  memcpy(&avi[avi.find("indx") + 12], "\xff\xff\xff\xff", 4);
  memcpy(&avi[avi.find("vids") + 32], "\xff\xff\xff\xff", 4);
  AviReader lying;
  ASSERT_EQ(S_OK, lying.Open(Write(avi).c_str()));
  ExpectFrames(&lying, {0, 1, 2});
}

// --- Decoding ---

// A 5x3 frame whose pixel (x, y), top-down, holds value(x, y) and shows colour(x, y).
struct PixelCase {
  const char* name;
  WORD bits;
  DWORD compression;
  std::string extra;  // palette or masks
  bool topDown;
  DWORD (*value)(int x, int y);
  DWORD (*colour)(int x, int y);  // BGRA
};

// Packed rows of each pixel's value, padded to four bytes, bottom-up unless topDown.
std::string Stored(const PixelCase& c) {
  std::string frame;
  for (int i = 0; i < 3; ++i) {
    int y = c.topDown ? i : 2 - i;
    std::string row((5 * c.bits + 31) / 32 * 4, '\0');
    for (int x = 0; x < 5; ++x) {
      if (c.bits < 8) row[x * c.bits / 8] = char(row[x * c.bits / 8] | c.value(x, y) << (8 - c.bits - x * c.bits % 8));
      for (int b = 0; c.bits >= 8 && b < c.bits / 8; ++b) row[x * c.bits / 8 + b] = char(c.value(x, y) >> 8 * b);
    }
    frame += row;
  }
  return frame;
}

const std::string kPalette = Dword(0) + Dword(0x112233) + Dword(0x224466) + Dword(0x336699);
DWORD OfFour(int x, int y) { return DWORD(x + y) % 4; }
DWORD OfTwo(int x, int y) { return DWORD(x + y) % 2; }
DWORD FourColour(int x, int y) { return 0xFF000000 | OfFour(x, y) * 0x112233; }
DWORD TwoColour(int x, int y) { return 0xFF000000 | OfTwo(x, y) * 0x112233; }
// 16-bit: red full where x > 0, green at 16 of 31 (32 of 63) on row 1, blue full on row 2.
DWORD Value555(int x, int y) { return (x ? 0x7C00 : 0) | (y == 1 ? 16 << 5 : 0) | (y == 2 ? 0x1F : 0); }
DWORD Value565(int x, int y) { return (x ? 0xF800 : 0) | (y == 1 ? 32 << 5 : 0) | (y == 2 ? 0x1F : 0); }
DWORD Colour555(int x, int y) { return 0xFF000000 | (x ? 0xFF0000 : 0) | (y == 1 ? 132 << 8 : 0) | (y == 2 ? 0xFF : 0); }
DWORD Colour565(int x, int y) { return 0xFF000000 | (x ? 0xFF0000 : 0) | (y == 1 ? 130 << 8 : 0) | (y == 2 ? 0xFF : 0); }
// 24 and 32-bit: the fourth byte is not alpha.
DWORD Direct(int x, int y) { return 0x07000000 | 200 << 16 | y << 8 | 10 * x; }
DWORD DirectColour(int x, int y) { return 0xFF000000 | Direct(x, y); }

const std::string kMasks555 = Dword(0x7C00) + Dword(0x03E0) + Dword(0x1F);
const std::string kMasks565 = Dword(0xF800) + Dword(0x07E0) + Dword(0x1F);
const std::string kMasks32 = Dword(0xFF0000) + Dword(0xFF00) + Dword(0xFF);

class AviPixelTest : public AviReaderTest, public ::testing::WithParamInterface<PixelCase> {};

TEST_P(AviPixelTest, DecodesToExactTopDownBgra) {
  const PixelCase& c = GetParam();
  BITMAPINFOHEADER bitmap = Bitmap(5, c.topDown ? -3 : 3, c.bits, c.compression);
  if (c.bits <= 8) bitmap.biClrUsed = DWORD(c.extra.size() / 4);
  AviLayout layout;
  layout.format = Bytes(bitmap) + c.extra;
  layout.frames = {Stored(c)};
  AviReader reader;
  ASSERT_EQ(S_OK, reader.Open(Write(WriteAvi(layout)).c_str()));
  std::vector<BYTE> pixels;
  ASSERT_EQ(S_OK, reader.ReadFrame(0, 0, &pixels));
  ASSERT_EQ(60u, pixels.size());
  for (int i = 0; i < 15; ++i) {
    DWORD got;
    memcpy(&got, &pixels[i * 4], 4);
    EXPECT_EQ(c.colour(i % 5, i / 5), got) << i;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Formats, AviPixelTest,
    ::testing::Values(PixelCase{"Paletted1", 1, BI_RGB, kPalette.substr(0, 8), false, OfTwo, TwoColour},
                      PixelCase{"Paletted4", 4, BI_RGB, kPalette, false, OfFour, FourColour},
                      PixelCase{"Paletted8", 8, BI_RGB, kPalette, false, OfFour, FourColour},
                      PixelCase{"Rgb555", 16, BI_RGB, "", false, Value555, Colour555},
                      PixelCase{"Bitfields555", 16, BI_BITFIELDS, kMasks555, false, Value555, Colour555},
                      PixelCase{"Bitfields565", 16, BI_BITFIELDS, kMasks565, true, Value565, Colour565},
                      PixelCase{"Rgb24", 24, BI_RGB, "", false, Direct, DirectColour},
                      PixelCase{"Rgb24TopDown", 24, BI_RGB, "", true, Direct, DirectColour},
                      PixelCase{"Rgb32", 32, BI_RGB, "", false, Direct, DirectColour},
                      PixelCase{"Rgb32TopDown", 32, BI_RGB, "", true, Direct, DirectColour},
                      PixelCase{"Bitfields32", 32, BI_BITFIELDS, kMasks32, false, Direct, DirectColour}),
    [](const testing::TestParamInfo<PixelCase>& info) { return info.param.name; });

}  // namespace

namespace {

// Frame 1 follows a palette change of entries 1 and 2 to red and green.
TEST_F(AviReaderTest, PaletteChangesHoldFromTheFrameTheyPrecede) {
  PixelCase c{"", 8, BI_RGB, kPalette, false, OfFour, FourColour};
  BITMAPINFOHEADER bitmap = Bitmap(5, 3, 8);
  bitmap.biClrUsed = 4;
  AviLayout layout;
  layout.format = Bytes(bitmap) + kPalette;
  layout.frames = {Stored(c), Stored(c), Stored(c)};
  layout.paletteChanges = {{1, std::string("\x01\x02\0\0\xff\0\0\0\0\xff\0\0", 12)}, {2, "damaged"}};
  for (Index index : {Index::Relative, Index::None}) {
    layout.index = index;
    AviReader reader;
    ASSERT_EQ(S_OK, reader.Open(Write(WriteAvi(layout)).c_str()));
    for (int f : {1, 0, 2}) {
      SCOPED_TRACE(testing::Message() << int(index) << " " << f);
      std::vector<BYTE> pixels;
      ASSERT_EQ(S_OK, reader.ReadFrame(0, f * 400000, &pixels));
      for (int i = 0; i < 15; ++i) {
        DWORD got, value = OfFour(i % 5, i / 5);
        memcpy(&got, &pixels[i * 4], 4);
        DWORD changed = value == 1 ? 0xFFFF0000 : value == 2 ? 0xFF00FF00 : FourColour(i % 5, i / 5);
        EXPECT_EQ(f ? changed : FourColour(i % 5, i / 5), got) << i;
      }
    }
  }
}

// --- Compressed frames ---

// A width x height JPEG: left half colour, right half white.
std::string EncodeJpeg(UINT width, UINT height, DWORD colour) {
  std::string rows;
  for (UINT y = 0; y < height; ++y)
    for (UINT x = 0; x < width; ++x) rows += x < width / 2 ? Dword(colour).substr(0, 3) : std::string(3, '\xff');
  std::string jpeg = EncodePicture(GUID_ContainerFormatJpeg, width, height, rows);
  EXPECT_FALSE(jpeg.empty());
  return jpeg;
}

// The JPEG without its DHT segments, as cameras write Motion JPEG.
std::string WithoutHuffmanTables(const std::string& jpeg) {
  std::string out = jpeg.substr(0, 2);
  size_t at = 2;
  while (at + 4 <= jpeg.size() && BYTE(jpeg[at + 1]) != 0xDA) {
    size_t length = 2 + (BYTE(jpeg[at + 2]) << 8 | BYTE(jpeg[at + 3]));
    if (BYTE(jpeg[at + 1]) != 0xC4) out += jpeg.substr(at, length);
    at += length;
  }
  return out + jpeg.substr(at);
}

struct MjpegCase {
  const char* name;
  DWORD compression;
  bool tables;
};

class AviMjpegTest : public AviReaderTest, public ::testing::WithParamInterface<MjpegCase> {};

// JPEG is lossy: flat 16x16 blocks come back within 8 of each channel.
TEST_P(AviMjpegTest, FramesDecodeThroughWicWithOrWithoutHuffmanTables) {
  const DWORD colours[] = {0x0000FF, 0x00FF00, 0x402080};  // BGR
  AviLayout layout;
  layout.format = Bytes(Bitmap(32, 16, 24, GetParam().compression));
  for (DWORD colour : colours) {
    std::string jpeg = EncodeJpeg(32, 16, colour);
    layout.frames.push_back(GetParam().tables ? jpeg : WithoutHuffmanTables(jpeg));
  }
  AviReader reader;
  ASSERT_EQ(S_OK, reader.Open(Write(WriteAvi(layout)).c_str()));
  for (int f : {2, 0, 1}) {
    SCOPED_TRACE(f);
    std::vector<BYTE> pixels;
    ASSERT_EQ(S_OK, reader.ReadFrame(0, f * 400000, &pixels));
    ASSERT_EQ(32u * 16 * 4, pixels.size());
    for (size_t i = 0; i < pixels.size(); i += 4) {
      DWORD expected = (i / 4) % 32 < 16 ? colours[f] : 0xFFFFFF;
      for (int c = 0; c < 3; ++c) ASSERT_NEAR(int(expected >> (8 * c) & 0xFF), pixels[i + c], 8) << i;
      ASSERT_EQ(255, pixels[i + 3]);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Codes, AviMjpegTest,
                         ::testing::Values(MjpegCase{"MJPG", RiffId('M', 'J', 'P', 'G'), true},
                                           MjpegCase{"MJPGWithoutTables", RiffId('M', 'J', 'P', 'G'), false},
                                           MjpegCase{"LowerCase", RiffId('m', 'j', 'p', 'g'), false},
                                           MjpegCase{"AVRn", RiffId('A', 'V', 'R', 'n'), true}),
                         [](const testing::TestParamInfo<MjpegCase>& info) { return info.param.name; });

TEST_F(AviReaderTest, StandardTablesDecodeExactlyAsTheEncodersOwn) {
  std::string jpeg = EncodeJpeg(48, 32, 0x305070);
  std::string bare = WithoutHuffmanTables(jpeg);
  ASSERT_LT(bare.size(), jpeg.size());
  std::vector<BYTE> completed;
  EXPECT_FALSE(MjpegFrameDecoder::AddStandardTables(reinterpret_cast<const BYTE*>(jpeg.data()), jpeg.size(), &completed));
  ASSERT_TRUE(MjpegFrameDecoder::AddStandardTables(reinterpret_cast<const BYTE*>(bare.data()), bare.size(), &completed));
  MjpegFrameDecoder decoder(48, 32);
  std::vector<BYTE> own, standard;
  ASSERT_EQ(S_OK, decoder.Decode(reinterpret_cast<const BYTE*>(jpeg.data()), jpeg.size(), true, &own));
  ASSERT_EQ(S_OK, decoder.Decode(completed.data(), completed.size(), true, &standard));
  EXPECT_EQ(own, standard);
  // Not a JPEG, and one cut before its scan.
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, decoder.Decode(reinterpret_cast<const BYTE*>("\xff\xd8junk"), 6, true, &own));
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, decoder.Decode(reinterpret_cast<const BYTE*>(bare.data()), 40, true, &own));
}

TEST_F(AviReaderTest, UnknownCodecIsListedButAnswersUnsupported) {
  AviLayout layout;
  layout.format = Bytes(Bitmap(8, 8, 24, RiffId('Z', 'Z', 'Z', 'Z')));
  layout.handler = RiffId('Z', 'Z', 'Z', 'Z');
  layout.frames.assign(3, std::string(40, 'x'));
  AviReader reader;
  ASSERT_EQ(S_OK, reader.Open(Write(WriteAvi(layout)).c_str()));
  ASSERT_EQ(1u, reader.Streams().size());
  EXPECT_EQ(1200000, reader.Streams()[0].length);
  std::vector<BYTE> pixels;
  EXPECT_EQ(VFW_E_UNSUPPORTED_VIDEO, reader.ReadFrame(0, 0, &pixels));
  EXPECT_EQ(VFW_E_UNSUPPORTED_VIDEO, reader.ReadFrame(0, 400000, &pixels));
}

// MS-RLE 8-bit, 4x2, through the platform's decompressor: a key frame of a
// red bottom row under a green top row, then a delta frame turning the top
// left pixel blue, which needs the frame before it.
TEST_F(AviReaderTest, TemporalFramesDecodeFromTheirKeyFrame) {
  BITMAPINFOHEADER bitmap = Bitmap(4, 2, 8, BI_RLE8);
  bitmap.biClrUsed = 3;
  AviLayout layout;
  layout.format = Bytes(bitmap) + Dword(0xFF0000) + Dword(0x00FF00) + Dword(0x0000FF);  // red, green, blue
  layout.frames = {std::string("\x04\x00\x00\x00\x04\x01\x00\x01", 8), std::string("\x00\x00\x01\x02\x00\x01", 6),
                 std::string("\x04\x01\x00\x00\x04\x00\x00\x01", 8)};
  layout.deltas = {false, true, false};
  const DWORD red = 0xFFFF0000, green = 0xFF00FF00, blue = 0xFF0000FF;
  const std::vector<DWORD> frames[] = {{green, green, green, green, red, red, red, red},
                                       {blue, green, green, green, red, red, red, red},
                                       {red, red, red, red, green, green, green, green}};
  // Without an index no frame but the first is known to be a key frame.
  for (Index index : {Index::Relative, Index::None}) {
    layout.index = index;
    AviReader reader;
    ASSERT_EQ(S_OK, reader.Open(Write(WriteAvi(layout)).c_str()));
    for (int f : {1, 0, 2, 1, 1, 2}) {
      SCOPED_TRACE(testing::Message() << int(index) << " " << f);
      std::vector<BYTE> pixels;
      HRESULT hr = reader.ReadFrame(0, f * 400000, &pixels);
      if (hr == VFW_E_UNSUPPORTED_VIDEO) GTEST_SKIP() << "no MS-RLE decompressor here";
      ASSERT_EQ(S_OK, hr);
      std::vector<DWORD> got(8);
      ASSERT_EQ(32u, pixels.size());
      memcpy(got.data(), pixels.data(), 32);
      EXPECT_EQ(frames[f], got);
    }
  }
}

// --- Pieces ---

TEST(FrameCacheTest, KeepsTheMostRecentlyUsedFrames) {
  FrameCache cache(2);
  std::vector<BYTE> got;
  cache.Put(1, {1});
  cache.Put(2, {2});
  EXPECT_TRUE(cache.Get(1, &got));  // 2 is now the oldest
  cache.Put(3, {3});
  cache.Put(3, {4});  // replaces, evicting nothing
  const std::pair<UINT64, int> held[] = {{1, 1}, {2, -1}, {3, 4}};
  for (const auto& [key, value] : held) {
    EXPECT_EQ(value >= 0, cache.Get(key, &got)) << key;
    if (value >= 0) {
      EXPECT_EQ(std::vector<BYTE>{BYTE(value)}, got);
    }
  }
}

TEST_F(AviReaderTest, AudioChunksReadAsOneRunOfBytes) {
  AviLayout layout = Rgb24(6);
  layout.audio = {Pcm8({"abc", "", "defgh", "ij", "klmnopq", "r"})};
  layout.index = Index::None;
  std::wstring path = Write(WriteAvi(layout));
  RiffFile file;
  ASSERT_EQ(S_OK, file.Open(path.c_str()));
  std::vector<AviIndex> indexes(2);
  AviMovieScan::Rebuild(&file, &indexes);
  AviAudioBytes bytes(&file, &indexes[1], 1);
  const std::string all = "abcdefghijklmnopqr";
  ASSERT_EQ(all.size(), bytes.Size());
  const std::pair<UINT64, DWORD> reads[] = {{0, 18}, {0, 3}, {2, 2}, {3, 5}, {4, 9}, {10, 8}, {17, 1}, {18, 0}};
  for (const auto& [offset, size] : reads) {
    SCOPED_TRACE(testing::Message() << offset << "+" << size);
    std::string got(size, '?');
    ASSERT_EQ(S_OK, bytes.Read(offset, &got[0], size));
    EXPECT_EQ(all.substr(size_t(offset), size), got);
  }
  char byte;
  EXPECT_EQ(VFW_E_FILE_TOO_SHORT, bytes.Read(18, &byte, 1));
  EXPECT_EQ(VFW_E_FILE_TOO_SHORT, bytes.Read(UINT64(-1), &byte, 1));

  // An entry pointing at a video chunk fails the reads that reach it.
  AviIndex damaged;
  damaged.Add(indexes[1].At(0).offset, 3, true);
  damaged.Add(indexes[0].At(1).offset, 3, true);
  AviAudioBytes partly(&file, &damaged, 1);
  char three[3];
  EXPECT_EQ(S_OK, partly.Read(0, three, 3));
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, partly.Read(2, three, 2));
}

// Two audio streams spread over three RIFF forms: 8 kHz mono 8-bit and
// 11,025 Hz stereo 16-bit, each read back sample for sample at its own rate,
// silence past its end.
TEST_F(AviReaderTest, EveryAudioStreamReadsItsOwnSamplesAcrossRiffForms) {
  AviLayout layout = Rgb24(6);
  layout.index = Index::OpenDml;
  layout.framesPerRiff = 2;
  layout.audio = {Pcm8({}), AudioTrack{Wave(WAVE_FORMAT_PCM, 2, 11025, 16, 4), {}}};
  std::vector<INT16> samples[2];
  for (int i = 0; i < 600; ++i) {
    if (i % 100 == 0) layout.audio[0].chunks.push_back("");
    layout.audio[0].chunks.back() += char(i % 256);
    samples[0].push_back(INT16((i % 256 - 128) * 256));
  }
  for (int i = 0; i < 300; ++i) {
    if (i % 50 == 0) layout.audio[1].chunks.push_back("");
    layout.audio[1].chunks.back() += Bytes(INT16(i * 20)) + Bytes(INT16(-i * 20));
    samples[1].insert(samples[1].end(), {INT16(i * 20), INT16(-i * 20)});
  }
  AviReader reader;
  ASSERT_EQ(S_OK, reader.Open(Write(WriteAvi(layout)).c_str()));
  ASSERT_EQ(3u, reader.Streams().size());
  EXPECT_EQ(750000, reader.Streams()[1].length);
  EXPECT_EQ(REFERENCE_TIME(300 * kUnitsPerSecond / 11025.0 + 0.5), reader.Streams()[2].length);
  for (int stream : {1, 2}) {
    SCOPED_TRACE(stream);
    const WAVEFORMATEX& wave = layout.audio[stream - 1].wave;
    std::vector<BYTE> pcm;
    ASSERT_EQ(S_OK, reader.ReadAudio(stream, 0, Wave(WAVE_FORMAT_PCM, wave.nChannels, wave.nSamplesPerSec, 16,
                                                     WORD(2 * wave.nChannels)), 610, &pcm));
    std::vector<INT16> got(pcm.size() / 2), expected = samples[stream - 1];
    memcpy(got.data(), pcm.data(), pcm.size());
    expected.resize(610 * wave.nChannels, 0);
    EXPECT_EQ(expected, got);
  }
  std::vector<BYTE> pcm;
  EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, reader.ReadAudio(0, 0, Wave(WAVE_FORMAT_PCM, 1, 8000, 16, 2), 10, &pcm));
  EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, reader.ReadFrame(1, 0, &pcm));
}

}  // namespace
