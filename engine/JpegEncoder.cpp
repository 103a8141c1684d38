#include "JpegEncoder.h"

#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

// The example tables of the JPEG standard (Annex K), in natural order.
const BYTE kLumaBase[64] = {
    16, 11, 10, 16, 24,  40,  51,  61,  12, 12, 14, 19, 26,  58,  60,  55,
    14, 13, 16, 24, 40,  57,  69,  56,  14, 17, 22, 29, 51,  87,  80,  62,
    18, 22, 37, 56, 68,  109, 103, 77,  24, 35, 55, 64, 81,  104, 113, 92,
    49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99};
const BYTE kChromaBase[64] = {
    17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99,
    99, 99, 47, 66, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99,
    99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99, 99};

// Huffman tables: the number of codes of each length 1..16, then the symbols.
const BYTE kDcLumaCounts[16] = {0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0};
const BYTE kDcChromaCounts[16] = {0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0};
const BYTE kDcSymbols[12] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
const BYTE kAcLumaCounts[16] = {0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d};
const BYTE kAcLumaSymbols[162] = {
    0x01, 0x02, 0x03, 0x00, 0x04, 0x11, 0x05, 0x12, 0x21, 0x31, 0x41, 0x06, 0x13, 0x51, 0x61, 0x07, 0x22, 0x71,
    0x14, 0x32, 0x81, 0x91, 0xa1, 0x08, 0x23, 0x42, 0xb1, 0xc1, 0x15, 0x52, 0xd1, 0xf0, 0x24, 0x33, 0x62, 0x72,
    0x82, 0x09, 0x0a, 0x16, 0x17, 0x18, 0x19, 0x1a, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x34, 0x35, 0x36, 0x37,
    0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58, 0x59,
    0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a, 0x83,
    0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a, 0xa2, 0xa3,
    0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba, 0xc2, 0xc3,
    0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda, 0xe1, 0xe2,
    0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf1, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};
const BYTE kAcChromaCounts[16] = {0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77};
const BYTE kAcChromaSymbols[162] = {
    0x00, 0x01, 0x02, 0x03, 0x11, 0x04, 0x05, 0x21, 0x31, 0x06, 0x12, 0x41, 0x51, 0x07, 0x61, 0x71, 0x13, 0x22,
    0x32, 0x81, 0x08, 0x14, 0x42, 0x91, 0xa1, 0xb1, 0xc1, 0x09, 0x23, 0x33, 0x52, 0xf0, 0x15, 0x62, 0x72, 0xd1,
    0x0a, 0x16, 0x24, 0x34, 0xe1, 0x25, 0xf1, 0x17, 0x18, 0x19, 0x1a, 0x26, 0x27, 0x28, 0x29, 0x2a, 0x35, 0x36,
    0x37, 0x38, 0x39, 0x3a, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4a, 0x53, 0x54, 0x55, 0x56, 0x57, 0x58,
    0x59, 0x5a, 0x63, 0x64, 0x65, 0x66, 0x67, 0x68, 0x69, 0x6a, 0x73, 0x74, 0x75, 0x76, 0x77, 0x78, 0x79, 0x7a,
    0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 0x8a, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 0x9a,
    0xa2, 0xa3, 0xa4, 0xa5, 0xa6, 0xa7, 0xa8, 0xa9, 0xaa, 0xb2, 0xb3, 0xb4, 0xb5, 0xb6, 0xb7, 0xb8, 0xb9, 0xba,
    0xc2, 0xc3, 0xc4, 0xc5, 0xc6, 0xc7, 0xc8, 0xc9, 0xca, 0xd2, 0xd3, 0xd4, 0xd5, 0xd6, 0xd7, 0xd8, 0xd9, 0xda,
    0xe2, 0xe3, 0xe4, 0xe5, 0xe6, 0xe7, 0xe8, 0xe9, 0xea, 0xf2, 0xf3, 0xf4, 0xf5, 0xf6, 0xf7, 0xf8, 0xf9, 0xfa};

struct HuffmanCodes {
  WORD code[256];
  BYTE length[256];  // 0 for symbols the table lacks
};

HuffmanCodes BuildCodes(const BYTE* counts, const BYTE* symbols) {
  HuffmanCodes codes = {};
  int code = 0, next = 0;
  for (int length = 1; length <= 16; ++length, code <<= 1) {
    for (int i = 0; i < counts[length - 1]; ++i, ++next, ++code) {
      codes.code[symbols[next]] = WORD(code);
      codes.length[symbols[next]] = BYTE(length);
    }
  }
  return codes;
}

struct Tables {
  HuffmanCodes dc[2];  // luma, chroma
  HuffmanCodes ac[2];
  BYTE zigzag[64];     // the natural index of each coefficient in transmission order
  float aan[8];        // the scale of each output of the fast transform
};

Tables MakeTables() {
  Tables tables;
  tables.dc[0] = BuildCodes(kDcLumaCounts, kDcSymbols);
  tables.dc[1] = BuildCodes(kDcChromaCounts, kDcSymbols);
  tables.ac[0] = BuildCodes(kAcLumaCounts, kAcLumaSymbols);
  tables.ac[1] = BuildCodes(kAcChromaCounts, kAcChromaSymbols);
  int k = 0;
  for (int sum = 0; sum < 15; ++sum) {
    int low = sum < 8 ? 0 : sum - 7, high = sum < 8 ? sum : 7;
    for (int i = 0; i <= high - low; ++i) {
      int row = sum % 2 ? low + i : high - i;  // odd diagonals run down, even ones up
      tables.zigzag[k++] = BYTE(row * 8 + sum - row);
    }
  }
  for (int i = 0; i < 8; ++i) tables.aan[i] = i == 0 ? 1.0f : float(std::cos(i * 3.14159265358979 / 16) * std::sqrt(2.0));
  return tables;
}

const Tables& Standard() {
  static const Tables tables = MakeTables();
  return tables;
}

// One 8-point pass of the Arai-Agui-Nakajima transform; outputs are scaled by Tables::aan.
inline void Transform8(float* v, int step) {
  float t0 = v[0] + v[7 * step], t7 = v[0] - v[7 * step];
  float t1 = v[step] + v[6 * step], t6 = v[step] - v[6 * step];
  float t2 = v[2 * step] + v[5 * step], t5 = v[2 * step] - v[5 * step];
  float t3 = v[3 * step] + v[4 * step], t4 = v[3 * step] - v[4 * step];
  float e0 = t0 + t3, e3 = t0 - t3, e1 = t1 + t2, e2 = t1 - t2;
  v[0] = e0 + e1;
  v[4 * step] = e0 - e1;
  float z1 = (e2 + e3) * 0.707106781f;
  v[2 * step] = e3 + z1;
  v[6 * step] = e3 - z1;
  float o0 = t4 + t5, o1 = t5 + t6, o2 = t6 + t7;
  float z5 = (o0 - o2) * 0.382683433f;
  float z2 = 0.541196100f * o0 + z5, z4 = 1.306562965f * o2 + z5, z3 = o1 * 0.707106781f;
  float z11 = t7 + z3, z13 = t7 - z3;
  v[5 * step] = z13 + z2;
  v[3 * step] = z13 - z2;
  v[step] = z11 + z4;
  v[7 * step] = z11 - z4;
}

inline int Round(float value) { return int(value + 16384.5f) - 16384; }

inline int BitCount(int value) {
  unsigned magnitude = unsigned(value < 0 ? -value : value);
  return magnitude ? 32 - __builtin_clz(magnitude) : 0;
}

BYTE* Put16(BYTE* at, int value) {
  at[0] = BYTE(value >> 8);
  at[1] = BYTE(value);
  return at + 2;
}

BYTE* Segment(BYTE* at, BYTE marker, int length) {
  at[0] = 0xFF;
  at[1] = marker;
  return Put16(at + 2, length);
}

BYTE* HuffmanSegment(BYTE* at, BYTE tableClassAndId, const BYTE* counts, const BYTE* symbols) {
  *at++ = tableClassAndId;
  memcpy(at, counts, 16);
  int total = 0;
  for (int i = 0; i < 16; ++i) total += counts[i];
  memcpy(at + 16, symbols, total);
  return at + 16 + total;
}

// Luma of two rows and chroma of the pair (each sample from the four pixels
// it covers) from BGR(X) rows; an odd last column stands in for its missing right neighbour.
template <int kBytes>
void ConvertRows(const BYTE* upper, const BYTE* lower, int width, float* lumaUpper, float* lumaLower, float* blue,
                 float* red) {
  for (int x = 0; x < width; x += 2, upper += 2 * kBytes, lower += 2 * kBytes) {
    int right = x + 1 < width ? kBytes : 0;
    const BYTE* pixels[4] = {upper, upper + right, lower, lower + right};
    float* luma[4] = {lumaUpper + x, lumaUpper + x + 1, lumaLower + x, lumaLower + x + 1};
    float sumB = 0, sumG = 0, sumR = 0;
    for (int i = 0; i < 4; ++i) {
      float b = pixels[i][0], g = pixels[i][1], r = pixels[i][2];
      *luma[i] = 0.299f * r + 0.587f * g + 0.114f * b - 128.0f;
      sumB += b;
      sumG += g;
      sumR += r;
    }
    blue[x / 2] = -0.042184f * sumR - 0.082816f * sumG + 0.125f * sumB;  // a quarter of the usual weights
    red[x / 2] = 0.125f * sumR - 0.104672f * sumG - 0.020328f * sumB;
  }
}

// Repeats the last of count samples up to padded.
void Pad(float* samples, int count, int padded) {
  for (int i = count; i < padded; ++i) samples[i] = samples[count - 1];
}

// The most a block can take: a 20-bit DC and 63 26-bit AC codes, each byte possibly stuffed.
const size_t kWorstMcuBytes = 6 * 2 * (20 + 63 * 26 + 7) / 8;

}  // namespace

class JpegEncoder::BitWriter {
 public:
  BitWriter(BYTE* at, BYTE* end) : at_(at), end_(end) {}

  void Put(unsigned bits, int count) {
    bits_ = (bits_ << count) | bits;
    count_ += count;
    while (count_ >= 8) {
      count_ -= 8;
      BYTE byte = BYTE(bits_ >> count_);
      *at_++ = byte;
      if (byte == 0xFF) *at_++ = 0;  // a data byte 0xFF is followed by a zero byte
    }
  }
  bool HasRoom(size_t bytes) const { return size_t(end_ - at_) >= bytes; }
  // Pads the last byte with one bits.
  BYTE* Finish() {
    if (count_) Put((1u << (8 - count_)) - 1, 8 - count_);
    return at_;
  }

 private:
  uint64_t bits_ = 0;
  int count_ = 0;
  BYTE* at_;
  BYTE* end_;
};

JpegEncoder::JpegEncoder() { SetQuality(75); }

void JpegEncoder::SetQuality(int quality) {
  quality_ = quality < 1 ? 1 : quality > 100 ? 100 : quality;
  int scale = quality_ < 50 ? 5000 / quality_ : 200 - 2 * quality_;
  const Tables& tables = Standard();
  for (int k = 0; k < 64; ++k) {
    int natural = tables.zigzag[k];
    float transformScale = tables.aan[natural / 8] * tables.aan[natural % 8] * 8.0f;
    const BYTE* bases[2] = {kLumaBase, kChromaBase};
    BYTE* written[2] = {lumaTable_, chromaTable_};
    float* scales[2] = {lumaScale_, chromaScale_};
    for (int t = 0; t < 2; ++t) {
      int value = (bases[t][natural] * scale + 50) / 100;
      value = value < 1 ? 1 : value > 255 ? 255 : value;
      written[t][k] = BYTE(value);
      scales[t][natural] = 1.0f / (float(value) * transformScale);
    }
  }
}

HRESULT JpegEncoder::Encode(const JpegPicture& picture, BYTE* out, size_t capacity, size_t* written) {
  *written = 0;
  if (picture.width < 1 || picture.width > 65535 || picture.height < 1 || picture.height > 65535 ||
      (picture.bytesPerPixel != 3 && picture.bytesPerPixel != 4))
    return E_INVALIDARG;
  const HRESULT tooSmall = HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
  if (capacity < kHeaderBytes + 4) return tooSmall;
  paddedWidth_ = (picture.width + 15) & ~15;
  size_t planeSize = size_t(16) * paddedWidth_;
  if (luma_.size() < planeSize) {
    luma_.resize(planeSize);
    blue_.resize(planeSize / 4);
    red_.resize(planeSize / 4);
  }
  BitWriter writer(WriteHeaders(picture, out), out + capacity - 2);  // 2 left for the end marker
  int lastDc[3] = {};
  for (int top = 0; top < picture.height; top += 16) {
    FillStrip(picture, top);
    if (!EncodeStrip(lastDc, &writer)) return tooSmall;
  }
  BYTE* end = writer.Finish();
  *end++ = 0xFF;
  *end++ = 0xD9;
  *written = size_t(end - out);
  return S_OK;
}

bool JpegEncoder::EncodeStrip(int* lastDc, BitWriter* writer) {
  int lumaStride = paddedWidth_, chromaStride = paddedWidth_ / 2;
  for (int x = 0; x < paddedWidth_; x += 16) {
    if (!writer->HasRoom(kWorstMcuBytes)) return false;
    const float* luma = luma_.data() + x;
    EncodeBlock(luma, lumaStride, false, &lastDc[0], writer);
    EncodeBlock(luma + 8, lumaStride, false, &lastDc[0], writer);
    EncodeBlock(luma + 8 * lumaStride, lumaStride, false, &lastDc[0], writer);
    EncodeBlock(luma + 8 * lumaStride + 8, lumaStride, false, &lastDc[0], writer);
    EncodeBlock(blue_.data() + x / 2, chromaStride, true, &lastDc[1], writer);
    EncodeBlock(red_.data() + x / 2, chromaStride, true, &lastDc[2], writer);
  }
  return true;
}

BYTE* JpegEncoder::WriteHeaders(const JpegPicture& picture, BYTE* at) const {
  *at++ = 0xFF;
  *at++ = 0xD8;
  at = Segment(at, 0xE0, 16);
  const BYTE jfif[14] = {'J', 'F', 'I', 'F', 0, 1, 1, 0, 0, 1, 0, 1, 0, 0};
  memcpy(at, jfif, sizeof jfif);
  at = Segment(at + sizeof jfif, 0xDB, 2 + 2 * 65);
  *at++ = 0;
  memcpy(at, lumaTable_, 64);
  at[64] = 1;
  memcpy(at + 65, chromaTable_, 64);
  at = Segment(at + 129, 0xC0, 17);
  *at++ = 8;
  at = Put16(Put16(at, picture.height), picture.width);
  const BYTE components[10] = {3, 1, 0x22, 0, 2, 0x11, 1, 3, 0x11, 1};
  memcpy(at, components, sizeof components);
  at = Segment(at + sizeof components, 0xC4, 2 + 2 * (17 + 12) + 2 * (17 + 162));
  at = HuffmanSegment(at, 0x00, kDcLumaCounts, kDcSymbols);
  at = HuffmanSegment(at, 0x10, kAcLumaCounts, kAcLumaSymbols);
  at = HuffmanSegment(at, 0x01, kDcChromaCounts, kDcSymbols);
  at = HuffmanSegment(at, 0x11, kAcChromaCounts, kAcChromaSymbols);
  at = Segment(at, 0xDA, 12);
  const BYTE scan[10] = {3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0};
  memcpy(at, scan, sizeof scan);
  return at + sizeof scan;
}

void JpegEncoder::FillStrip(const JpegPicture& picture, int top) {
  int width = picture.width, half = paddedWidth_ / 2, chromaWidth = (width + 1) / 2;
  for (int pair = 0; pair < 8; ++pair) {
    int upper = top + 2 * pair, lower = upper + 1;
    if (upper >= picture.height) upper = picture.height - 1;  // the last row repeats
    if (lower >= picture.height) lower = picture.height - 1;
    float* lumaUpper = luma_.data() + 2 * pair * paddedWidth_;
    float* lumaLower = lumaUpper + paddedWidth_;
    float* blue = blue_.data() + pair * half;
    float* red = red_.data() + pair * half;
    const BYTE* upperRow = picture.top + upper * picture.stride;
    const BYTE* lowerRow = picture.top + lower * picture.stride;
    if (picture.bytesPerPixel == 3) ConvertRows<3>(upperRow, lowerRow, width, lumaUpper, lumaLower, blue, red);
    else ConvertRows<4>(upperRow, lowerRow, width, lumaUpper, lumaLower, blue, red);
    Pad(lumaUpper, width, paddedWidth_);
    Pad(lumaLower, width, paddedWidth_);
    Pad(blue, chromaWidth, half);
    Pad(red, chromaWidth, half);
  }
}

void JpegEncoder::EncodeBlock(const float* samples, int rowStride, bool chroma, int* lastDc,
                              BitWriter* writer) const {
  float block[64];
  for (int row = 0; row < 8; ++row) memcpy(block + row * 8, samples + row * rowStride, 8 * sizeof(float));
  for (int i = 0; i < 8; ++i) Transform8(block + i * 8, 1);
  for (int i = 0; i < 8; ++i) Transform8(block + i, 8);
  const float* scale = chroma ? chromaScale_ : lumaScale_;
  int quantised[64];
  for (int i = 0; i < 64; ++i) quantised[i] = Round(block[i] * scale[i]);

  const Tables& tables = Standard();
  const HuffmanCodes& dc = tables.dc[chroma];
  const HuffmanCodes& ac = tables.ac[chroma];
  int difference = quantised[0] - *lastDc;
  *lastDc = quantised[0];
  int bits = BitCount(difference);
  writer->Put(dc.code[bits], dc.length[bits]);
  if (bits) writer->Put(unsigned(difference < 0 ? difference - 1 : difference) & ((1u << bits) - 1), bits);
  int run = 0;
  for (int k = 1; k < 64; ++k) {
    int value = quantised[tables.zigzag[k]];
    if (value == 0) {
      ++run;
      continue;
    }
    for (; run > 15; run -= 16) writer->Put(ac.code[0xF0], ac.length[0xF0]);
    bits = BitCount(value);
    int symbol = (run << 4) | bits;
    unsigned extra = unsigned(value < 0 ? value - 1 : value) & ((1u << bits) - 1);
    writer->Put((unsigned(ac.code[symbol]) << bits) | extra, ac.length[symbol] + bits);
    run = 0;
  }
  if (run) writer->Put(ac.code[0x00], ac.length[0x00]);
}
