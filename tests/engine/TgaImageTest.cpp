#include <gtest/gtest.h>

#include <vfwmsgs.h>

#include <cstring>
#include <string>
#include <vector>

#include "TgaImage.h"

namespace {

// A run-length 24-bit picture whose data is runs of 128 pixels, as many as given.
std::vector<BYTE> RunLengthTga(WORD width, WORD height, size_t runs) {
  std::vector<BYTE> tga(18, 0);
  tga[2] = 10;
  memcpy(&tga[12], &width, 2);
  memcpy(&tga[14], &height, 2);
  tga[16] = 24;
  for (size_t i = 0; i < runs; ++i) tga.insert(tga.end(), {0xFF, 1, 2, 3});
  return tga;
}

// A header is refused when the file is too short to hold its pixels even as
// the longest runs, before anything is unpacked for it.
TEST(TgaImageTest, RunLengthPicturesTooShortForTheirSizeAreRefusedAtTheHeader) {
  struct Case {
    const char* what;
    WORD width, height;
    size_t runs;
    HRESULT header;
  } cases[] = {
      {"largest picture, four runs", 16384, 4096, 4, VFW_E_FILE_TOO_SHORT},
      {"one run short", 128, 3, 2, VFW_E_FILE_TOO_SHORT},
      {"runs enough", 128, 3, 3, S_OK},
      {"one pixel", 1, 1, 1, S_OK},
  };
  for (const Case& c : cases) {
    std::vector<BYTE> tga = RunLengthTga(c.width, c.height, c.runs);
    TgaImage image;
    EXPECT_EQ(c.header, image.ReadHeader(tga.data(), tga.size())) << c.what;
  }
}

TEST(TgaImageTest, RunsThatOverflowThePictureAreRefused) {
  std::vector<BYTE> tga = RunLengthTga(100, 1, 1);  // 128 pixels for 100
  TgaImage image;
  ASSERT_EQ(S_OK, image.ReadHeader(tga.data(), tga.size()));
  std::vector<BYTE> pixels;
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, image.Decode(tga.data(), tga.size(), &pixels));
}

}  // namespace
