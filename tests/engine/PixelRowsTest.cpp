// The row conversions and frame operations that work in whole words or
// 16-byte steps give, at every width (whole steps and tails), what the plain
// per-channel formulas give.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "FrameOps.h"
#include "PixelRows.h"

namespace {

std::vector<BYTE> Noise(size_t bytes, unsigned seed) {
  std::vector<BYTE> out(bytes);
  for (BYTE& b : out) b = BYTE((seed = seed * 1103515245 + 12345) >> 16);
  return out;
}

VideoFrame Frame(std::vector<BYTE>& pixels, int width, int height) {
  return VideoFrame{pixels.data(), width, height, ptrdiff_t(width) * 4};
}

TEST(PixelRowsTest, ConvertEveryPixelAtEveryWidth) {
  for (int width = 1; width <= 37; ++width) {
    SCOPED_TRACE(width);
    std::vector<BYTE> packed = Noise(size_t(width) * 3, unsigned(width));
    std::vector<BYTE> wide(size_t(width) * 4 + 4, 0xEE), back(size_t(width) * 3 + 4, 0xEE);
    PixelRows::Bgr24ToBgra(packed.data(), wide.data(), width);
    PixelRows::BgraToBgr24(wide.data(), back.data(), width);
    for (int x = 0; x < width; ++x) {
      EXPECT_TRUE(std::equal(&packed[x * 3], &packed[x * 3 + 3], &wide[x * 4]) && wide[x * 4 + 3] == 255) << x;
    }
    EXPECT_TRUE(std::equal(packed.begin(), packed.end(), back.begin()));
    EXPECT_EQ(wide[size_t(width) * 4], 0xEE);  // nothing written past the row
    EXPECT_EQ(back[size_t(width) * 3], 0xEE);
  }
}

TEST(PixelRowsTest, BlendAndOffsetMatchTheirFormulas) {
  const int width = 13, height = 3;
  std::vector<BYTE> a = Noise(width * height * 4, 1), b = Noise(width * height * 4, 2);
  for (int weight : {0, 77, 128, 256}) {
    std::vector<BYTE> out(a.size());
    BlendFrames(Frame(a, width, height), Frame(b, width, height), Frame(out, width, height), weight);
    for (size_t i = 0; i < out.size(); ++i)
      ASSERT_EQ(out[i], (a[i] * (256 - weight) + b[i] * weight + 128) >> 8) << weight << " " << i;
  }
  for (int offset : {-300, -26, 26, 300}) {
    std::vector<BYTE> out = a;
    AddToColours(Frame(out, width, height), offset);
    for (size_t i = 0; i < out.size(); ++i)
      ASSERT_EQ(out[i], i % 4 == 3 ? a[i] : std::clamp(a[i] + offset, 0, 255)) << offset << " " << i;
  }
}

}  // namespace
