// The AVI reader on files of the engine's writer, altered where a test
// needs an older, cut or damaged layout, and on hand-built files where the
// writer has no such thing (1- and 4-bit pictures, palette changes).
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
#include "FrameCache.h"
#include "MjpegFrameDecoder.h"
#include "RiffBytes.h"
#include "TempFolder.h"
#include "TestMedia.h"

namespace {

const std::string kPcm8 = Bytes(Wave(WAVE_FORMAT_PCM, 1, 8000, 8, 1));  // 8 kHz mono 8-bit

// Frame f of a 5x3 picture as stored, and as the reader gives it.
AviStream Rgb24(int frames) {
  AviStream video = {Bytes(Bitmap(5, 3, 24)), {}};
  for (int f = 0; f < frames; ++f) video.chunks.push_back(TestFrame(5, 3, 3, f));
  return video;
}
std::vector<BYTE> Expected(int f) { return AsRead(TestFrame(5, 3, 3, f), 5, 3, 3); }

std::string Renamed(std::string avi, const char* from, const char* to) {
  for (size_t at = 0; (at = avi.find(from, at)) != std::string::npos; at += 4) avi.replace(at, 4, to);
  return avi;
}

template <class T>
void Put(std::string* bytes, size_t at, T value) { memcpy(&(*bytes)[at], &value, sizeof value); }
DWORD DwordAt(const std::string& bytes, size_t at) { return *reinterpret_cast<const DWORD*>(&bytes[at]); }

enum class Index { OpenDml, Relative, Absolute, None };

// A file of the writer as if it had only the index given: without the
// OpenDML ones, its 'idx1' offsets from 'movi' or from the file's start, or none.
std::string Indexed(std::string avi, Index index) {
  if (index == Index::OpenDml) return avi;
  avi = Renamed(avi, "indx", "JUNK");
  if (index == Index::None) return Renamed(avi, "idx1", "JUNK");
  size_t idx1 = avi.find("idx1"), movi = avi.find("movi");
  for (size_t at = idx1 + 8; index == Index::Absolute && at < idx1 + 8 + DwordAt(avi, idx1 + 4); at += 16)
    Put(&avi, at + 8, DWORD(DwordAt(avi, at + 8) + movi));
  return avi;
}

// One video stream, hand-built with an 'idx1', for what the writer does not
// write: 1- and 4-bit pictures, and palette changes ("00pc") before frame n.
std::string HandBuilt(const std::string& format, const std::vector<std::string>& frames,
                      const std::vector<std::pair<size_t, std::string>>& changes = {}) {
  std::string header = "vids" + std::string(16, '\0') + Dword(1) + Dword(25) + Dword(0) +
                       Dword(DWORD(frames.size())) + std::string(24, '\0');
  std::string movie, index;
  auto add = [&](const char* id, const std::string& content) {
    index += std::string(id, 4) + Dword(0x10) + Dword(DWORD(4 + movie.size())) + Dword(DWORD(content.size()));
    movie += Chunk(id, content);
  };
  for (size_t f = 0; f < frames.size(); ++f) {
    for (const auto& [before, change] : changes)
      if (before == f) add("00pc", change);
    add("00db", frames[f]);
  }
  std::string strl = List("LIST", "strl", Chunk("strh", header) + Chunk("strf", format));
  return List("RIFF", "AVI ", List("LIST", "hdrl", Chunk("avih", std::string(56, '\0')) + strl) +
                                  List("LIST", "movi", movie) + Chunk("idx1", index));
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
  // The bytes of the engine's writer for streams.
  std::string Written(const std::vector<AviStream>& streams, UINT64 riffLimit = UINT64(1) << 30) {
    AviWriter::Options options;
    options.riffLimit = riffLimit;
    std::wstring path = Write("");
    EXPECT_EQ(S_OK, WriteAvi(path, streams, options));
    return ReadWholeFile(path);
  }
  // A reader opened on the bytes, kept open to the end of the test.
  AviReader* Open(const std::string& bytes) {
    readers_.emplace_back(new AviReader());
    EXPECT_EQ(S_OK, readers_.back()->Open(Write(bytes).c_str()));
    return readers_.back().get();
  }
  // Every frame of stream 0, read by time, shows the frame listed.
  void ExpectFrames(AviReader* reader, const std::vector<int>& shown) {
    ASSERT_EQ(REFERENCE_TIME(shown.size()) * 400000, reader->Streams()[0].length);
    std::vector<BYTE> pixels;
    for (size_t f = 0; f < shown.size(); ++f) {
      SCOPED_TRACE(f);
      ASSERT_EQ(S_OK, reader->ReadFrame(0, REFERENCE_TIME(f) * 400000 + 200000, &pixels));
      EXPECT_EQ(Expected(shown[f]), pixels);
    }
  }
  static std::vector<int> Upto(int frames) {
    std::vector<int> shown;
    for (int f = 0; f < frames; ++f) shown.push_back(f);
    return shown;
  }

  TempFolder folder;
  int written_ = 0;
  std::vector<std::unique_ptr<AviReader>> readers_;
};

// --- Finding the chunks ---

class AviIndexTest : public AviReaderTest, public ::testing::WithParamInterface<Index> {};

TEST_P(AviIndexTest, EveryFrameAndAudioChunkIsFoundToTheLast) {
  AviStream video = Rgb24(10), audio = {kPcm8, {}};
  video.chunks[4] = "";  // dropped: shows frame 3
  for (int i = 0; i < 10; ++i) audio.chunks.push_back(std::string(100 + i, char(i)));
  // Small RIFFs: the first holds a frame, the others a few. With 'idx1', a
  // chunk only a walk would take for a frame: the index finds them.
  std::string avi = Indexed(Written({video, audio}, GetParam() == Index::OpenDml ? 1000 : 1 << 30), GetParam());
  if (GetParam() == Index::Relative || GetParam() == Index::Absolute) avi = Renamed(avi, "ix00", "00db");
  AviReader* reader = Open(avi);
  ASSERT_EQ(2u, reader->Streams().size());
  ExpectFrames(reader, {0, 1, 2, 3, 3, 5, 6, 7, 8, 9});
  // 1045 bytes at 8000 a second.
  EXPECT_EQ(1306250, reader->Streams()[1].length);
  std::vector<BYTE> pixels;
  ASSERT_EQ(S_OK, reader->ReadFrame(0, 100 * kUnitsPerSecond, &pixels));  // clamped to the last
  EXPECT_EQ(Expected(9), pixels);
}

std::string IndexName(const testing::TestParamInfo<Index>& info) {
  return std::vector<std::string>{"OpenDml", "MoviOffsets", "FileOffsets", "NoIndex"}[size_t(info.param)];
}
INSTANTIATE_TEST_SUITE_P(Kinds, AviIndexTest,
                         ::testing::Values(Index::OpenDml, Index::Relative, Index::Absolute, Index::None), IndexName);

// RIFFs of a frame or three; the super index entries give their frame counts.
TEST_F(AviReaderTest, OpenDmlFramesPastTheFirstRiffAreThemselvesNotItsLast) {
  const std::string avi = Written({Rgb24(10)}, 300);
  const size_t super = avi.find("indx") + 8, secondRiff = avi.find("AVIX");
  ASSERT_GE(DwordAt(avi, super + 4), 4u);
  // The super index listing only the first two RIFFs; 'dmlh' says 10 frames.
  std::string partly = avi;
  Put(&partly, super + 4, DWORD(2));
  ExpectFrames(Open(partly), Upto(10));
  // ... and cut in the third RIFF after its first frame: the walk ends there.
  partly.resize(avi.find("00db", avi.find("AVIX", secondRiff + 4)) + 8 + 48 + 10);
  ExpectFrames(Open(partly), Upto(int(DwordAt(avi, super + 24 + 12) + DwordAt(avi, super + 40 + 12)) + 1));

  // A standard index entry pointing into another chunk fails its frame alone:
  // entry 0 of the second RIFF.
  std::string damaged = avi;
  Put(&damaged, avi.find("ix00", secondRiff) + 8 + 24, DWORD(3));
  const int frame = int(DwordAt(avi, avi.find("avih") + 8 + 16));  // the first RIFF's
  AviReader* reader = Open(damaged);
  std::vector<BYTE> pixels;
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, reader->ReadFrame(0, frame * 400000, &pixels));
  ASSERT_EQ(S_OK, reader->ReadFrame(0, (frame + 1) * 400000, &pixels));
  EXPECT_EQ(Expected(frame + 1), pixels);
}

TEST_F(AviReaderTest, CutAndLyingFilesOpenWithTheWholeChunksTheyHold) {
  const std::string written = Written({Rgb24(6), {kPcm8, std::vector<std::string>(6, std::string(50, 'a'))}});
  const std::string avi = Indexed(written, Index::Relative);
  const size_t movie = avi.find("movi") + 4, perFrame = 8 + 48 + 8 + 50;
  // As writers to pipes leave files: no 'idx1', RIFF and 'movi' sizes of 0xFFFFFFFF or 0.
  auto streamed = [&](DWORD riffSize, const std::string& junk) {
    std::string bytes = avi.substr(0, avi.find("idx1"));
    bytes.insert(movie, junk);
    Put(&bytes, 4, riffSize);
    Put(&bytes, movie - 8, DWORD(0xFFFFFFFF));
    return bytes;
  };
  std::string lying = written, junk;
  Put(&lying, lying.find("indx") + 12, DWORD(0xFFFFFFFF));  // a super index of 2^32-1 entries
  Put(&lying, lying.find("vids") + 32, DWORD(0xFFFFFFFF));  // 4 billion frames
  for (int i = 0; i < 300000; ++i) junk += Chunk("JUNK", "");  // walked in bounded time
  const struct {
    const char* what;
    std::string bytes;
    int frames;
  } files[] = {{"cut inside frame 3", avi.substr(0, movie + 3 * perFrame + 20), 3},
               {"cut after audio chunk 2", avi.substr(0, movie + 3 * perFrame), 3},
               {"sizes claiming a missing 'idx1'", avi.substr(0, avi.find("idx1")), 6},
               {"open sizes", streamed(0xFFFFFFFF, ""), 6},
               {"RIFF size 0", streamed(0, ""), 6},
               {"junk first", streamed(0xFFFFFFFF, junk), 6},
               {"lying headers", lying, 6}};
  for (const auto& file : files) {
    SCOPED_TRACE(file.what);
    AviReader* reader = Open(file.bytes);
    ExpectFrames(reader, Upto(file.frames));
    EXPECT_EQ(file.frames * 50 * 1250, reader->Streams()[1].length);
  }
}

TEST_F(AviReaderTest, DamagedEntriesFailOnlyTheirFrame) {
  const std::string avi = Indexed(Written({Rgb24(6), {kPcm8, std::vector<std::string>(6, "abc")}}), Index::Relative);
  const size_t entry3 = avi.find("idx1") + 8 + 6 * 16;  // video entries interleave with audio ones
  // Offsets past the file, before the list and at an audio chunk; a size the chunk does not have.
  const std::pair<int, DWORD> damages[] = {{2, 0x7fffff00}, {2, 0}, {2, DwordAt(avi, entry3 - 16 + 8)}, {3, 49}};
  for (const auto& [field, value] : damages) {
    SCOPED_TRACE(testing::Message() << field << " " << value);
    std::string damaged = avi;
    Put(&damaged, entry3 + field * 4, value);
    AviReader* reader = Open(damaged);
    std::vector<BYTE> pixels;
    EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, reader->ReadFrame(0, 3 * 400000, &pixels));
    ASSERT_EQ(S_OK, reader->ReadFrame(0, 4 * 400000, &pixels));
    EXPECT_EQ(Expected(4), pixels);
  }
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
  std::vector<BYTE> pixels;
  ASSERT_EQ(S_OK, Open(HandBuilt(Bytes(bitmap) + c.extra, {Stored(c)}))->ReadFrame(0, 0, &pixels));
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

// Frame 1 follows a palette change of entries 1 and 2 to red and green.
TEST_F(AviReaderTest, PaletteChangesHoldFromTheFrameTheyPrecede) {
  PixelCase c{"", 8, BI_RGB, kPalette, false, OfFour, FourColour};
  BITMAPINFOHEADER bitmap = Bitmap(5, 3, 8);
  bitmap.biClrUsed = 4;
  const std::string avi = HandBuilt(Bytes(bitmap) + kPalette, {Stored(c), Stored(c), Stored(c)},
                                    {{1, std::string("\x01\x02\0\0\xff\0\0\0\0\xff\0\0", 12)}, {2, "damaged"}});
  for (Index index : {Index::Relative, Index::None}) {
    AviReader* reader = Open(index == Index::None ? Renamed(avi, "idx1", "JUNK") : avi);
    for (int f : {1, 0, 2}) {
      SCOPED_TRACE(testing::Message() << int(index) << " " << f);
      std::vector<BYTE> pixels;
      ASSERT_EQ(S_OK, reader->ReadFrame(0, f * 400000, &pixels));
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

// JPEG is lossy: flat 16x16 blocks come back within 8 of each channel. A
// codec nothing decodes is listed but answers unsupported.
TEST_P(AviMjpegTest, FramesDecodeThroughWicWithOrWithoutHuffmanTables) {
  const DWORD colours[] = {0x0000FF, 0x00FF00, 0x402080};  // BGR
  AviStream video = {Bytes(Bitmap(32, 16, 24, GetParam().compression))};
  for (DWORD colour : colours) {
    std::string jpeg = EncodeJpeg(32, 16, colour);
    video.chunks.push_back(GetParam().tables ? jpeg : WithoutHuffmanTables(jpeg));
  }
  AviReader* reader = Open(Written({video}));
  ASSERT_EQ(1u, reader->Streams().size());
  EXPECT_EQ(1200000, reader->Streams()[0].length);
  for (int f : {2, 0, 1}) {
    SCOPED_TRACE(f);
    std::vector<BYTE> pixels;
    HRESULT hr = reader->ReadFrame(0, f * 400000, &pixels);
    if (GetParam().compression == RiffId('Z', 'Z', 'Z', 'Z')) {
      EXPECT_EQ(VFW_E_UNSUPPORTED_VIDEO, hr);
      continue;
    }
    ASSERT_EQ(S_OK, hr);
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
                                           MjpegCase{"AVRn", RiffId('A', 'V', 'R', 'n'), true},
                                           MjpegCase{"Unknown", RiffId('Z', 'Z', 'Z', 'Z'), true}),
                         [](const testing::TestParamInfo<MjpegCase>& info) { return info.param.name; });

TEST_F(AviReaderTest, StandardTablesDecodeExactlyAsTheEncodersOwn) {
  std::string jpeg = EncodeJpeg(48, 32, 0x305070);
  std::string bare = WithoutHuffmanTables(jpeg);
  ASSERT_LT(bare.size(), jpeg.size());
  std::vector<BYTE> completed;
  EXPECT_FALSE(MjpegFrameDecoder::AddStandardTables(reinterpret_cast<const BYTE*>(jpeg.data()), jpeg.size(), &completed));
  ASSERT_TRUE(MjpegFrameDecoder::AddStandardTables(reinterpret_cast<const BYTE*>(bare.data()), bare.size(), &completed));
  // The platform's decoder here fills in missing tables itself, so what was added is checked too.
  const std::string added(completed.begin(), completed.end());
  EXPECT_NE(std::string::npos, added.find("\xff\xc4")) << "a DHT segment";
  EXPECT_EQ(bare, WithoutHuffmanTables(added));
  MjpegFrameDecoder decoder(48, 32);
  std::vector<BYTE> own, standard;
  ASSERT_EQ(S_OK, decoder.Decode(reinterpret_cast<const BYTE*>(jpeg.data()), jpeg.size(), true, &own));
  ASSERT_EQ(S_OK, decoder.Decode(completed.data(), completed.size(), true, &standard));
  EXPECT_EQ(own, standard);
  // Not a JPEG, and one cut before its scan.
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, decoder.Decode(reinterpret_cast<const BYTE*>("\xff\xd8junk"), 6, true, &own));
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, decoder.Decode(reinterpret_cast<const BYTE*>(bare.data()), 40, true, &own));
}

// MS-RLE 8-bit, 4x2, through the platform's decompressor: a key frame of a
// red bottom row under a green top row, then a delta frame turning the top
// left pixel blue, which needs the frame before it.
TEST_F(AviReaderTest, TemporalFramesDecodeFromTheirKeyFrame) {
  BITMAPINFOHEADER bitmap = Bitmap(4, 2, 8, BI_RLE8);
  bitmap.biClrUsed = 3;
  AviStream video = {Bytes(bitmap) + Dword(0xFF0000) + Dword(0x00FF00) + Dword(0x0000FF)};  // red, green, blue
  video.chunks = {std::string("\x04\x00\x00\x00\x04\x01\x00\x01", 8), std::string("\x00\x00\x01\x02\x00\x01", 6),
                 std::string("\x04\x01\x00\x00\x04\x00\x00\x01", 8)};
  video.deltas = {false, true, false};
  const std::string avi = Written({video});
  const DWORD red = 0xFFFF0000, green = 0xFF00FF00, blue = 0xFF0000FF;
  const std::vector<DWORD> frames[] = {{green, green, green, green, red, red, red, red},
                                       {blue, green, green, green, red, red, red, red},
                                       {red, red, red, red, green, green, green, green}};
  // Without an index no frame but the first is known to be a key frame.
  for (Index index : {Index::Relative, Index::None}) {
    AviReader* reader = Open(Indexed(avi, index));
    for (int f : {1, 0, 2, 1, 1, 2}) {
      SCOPED_TRACE(testing::Message() << int(index) << " " << f);
      std::vector<BYTE> pixels;
      HRESULT hr = reader->ReadFrame(0, f * 400000, &pixels);
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
  std::wstring path = Write(Written({Rgb24(6), {kPcm8, {"abc", "", "defgh", "ij", "klmnopq", "r"}}}));
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

// Two audio streams spread over several RIFFs: 8 kHz mono 8-bit and 11,025
// Hz stereo 16-bit, each read back sample for sample at its own rate,
// silence past its end.
TEST_F(AviReaderTest, EveryAudioStreamReadsItsOwnSamplesAcrossRiffForms) {
  std::vector<AviStream> streams = {Rgb24(6), {kPcm8}, {Bytes(Wave(WAVE_FORMAT_PCM, 2, 11025, 16, 4))}};
  std::vector<INT16> samples[2];
  for (int i = 0; i < 600; ++i) {
    if (i % 100 == 0) streams[1].chunks.push_back("");
    streams[1].chunks.back() += char(i % 256);
    samples[0].push_back(INT16((i % 256 - 128) * 256));
  }
  for (int i = 0; i < 300; ++i) {
    if (i % 50 == 0) streams[2].chunks.push_back("");
    streams[2].chunks.back() += Bytes(INT16(i * 20)) + Bytes(INT16(-i * 20));
    samples[1].insert(samples[1].end(), {INT16(i * 20), INT16(-i * 20)});
  }
  const std::string avi = Written(streams, 1000);
  ASSERT_NE(std::string::npos, avi.find("AVIX", avi.find("AVIX") + 4)) << "three RIFFs";
  AviReader* reader = Open(avi);
  ASSERT_EQ(3u, reader->Streams().size());
  EXPECT_EQ(750000, reader->Streams()[1].length);
  EXPECT_EQ(REFERENCE_TIME(300 * kUnitsPerSecond / 11025.0 + 0.5), reader->Streams()[2].length);
  for (int stream : {1, 2}) {
    SCOPED_TRACE(stream);
    WORD channels = WORD(stream);
    DWORD rate = stream == 1 ? 8000 : 11025;
    std::vector<BYTE> pcm;
    ASSERT_EQ(S_OK, reader->ReadAudio(stream, 0, Pcm16(channels, rate), 610, &pcm));
    std::vector<INT16> got(pcm.size() / 2), expected = samples[stream - 1];
    memcpy(got.data(), pcm.data(), pcm.size());
    expected.resize(610 * channels, 0);
    EXPECT_EQ(expected, got);
  }
  std::vector<BYTE> pcm;
  EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, reader->ReadAudio(0, 0, Pcm16(1, 8000), 10, &pcm));
  EXPECT_EQ(VFW_E_INVALIDMEDIATYPE, reader->ReadFrame(1, 0, &pcm));
}

}  // namespace
