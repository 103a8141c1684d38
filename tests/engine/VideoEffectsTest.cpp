#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "EffectIds.h"
#include "EffectLibrary.h"
#include "EffectTesting.h"
#include "EngineTestSupport.h"
#include "TempFolder.h"

namespace {

constexpr DWORD kBlack = 0xFF000000;
constexpr DWORD kWhite = 0xFFFFFFFF;
constexpr REFERENCE_TIME kSecond = 10000000;
const CLSID &kSmpte = CLSID_DxtJpeg, &kWipe = CLSID_EngineWipe, &kKey = CLSID_DxtKey;
const CLSID &kFade = CLSID_EngineColorFade, &kAlpha = CLSID_DxtAlphaSetter, &kLevels = CLSID_EngineBrightnessContrast;

// 'a' and 'b' where the picture shows the first or the second, '*' elsewhere.
std::string Art(Picture& picture, DWORD a, DWORD b) {
  std::string art;
  for (int y = 0; y < picture.Frame().height; ++y) {
    if (y) art += '|';
    for (int x = 0; x < picture.Frame().width; ++x) {
      DWORD p = picture.At(x, y);
      art += p == a ? 'a' : p == b ? 'b' : '*';
    }
  }
  return art;
}

class VideoEffectsTest : public EngineTest {
 protected:
  // Runs the transition from a to b into a third picture.
  Picture Transition(const CLSID& clsid, std::vector<Param> params, double progress, const Picture& a,
                     const Picture& b) {
    TestValues values(params);
    Picture out(a.Frame().width, a.Frame().height, 0);
    std::unique_ptr<VideoTransition> transition = EffectLibrary::NewVideoTransition(clsid);
    EXPECT_TRUE(transition);
    if (transition) transition->Apply(a.Frame(), b.Frame(), out.Frame(), progress, 0, values.Evaluator());
    return out;
  }
};

struct WipeCase {
  const CLSID* clsid;
  std::vector<Param> params;
  double progress;
  const char* art;  // rows top down
};

TEST_F(VideoEffectsTest, WipesRevealTheSecondPictureWhereTheirShapesHaveReached) {
  const WipeCase cases[] = {
      {&kSmpte, {}, 0.25, "bbaaaaaa|bbaaaaaa|bbaaaaaa|bbaaaaaa|bbaaaaaa|bbaaaaaa"},
      // as the property window stores a row left empty
      {&kSmpte, {{L"MaskNum", L""}}, 0.5, "bbbbaaaa|bbbbaaaa|bbbbaaaa|bbbbaaaa|bbbbaaaa|bbbbaaaa"},
      {&kSmpte, {{L"MaskNum", L"2"}}, 0.5, "bbbbbbbb|bbbbbbbb|bbbbbbbb|aaaaaaaa|aaaaaaaa|aaaaaaaa"},
      {&kSmpte, {{L"MaskNum", L"5"}}, 0.5, "aaaaaaaa|aaaaaaaa|aaaaaaaa|aaaabbbb|aaaabbbb|aaaabbbb"},
      {&kSmpte, {{L"MaskNum", L"21"}}, 0.5, "aabbbbaa|aabbbbaa|aabbbbaa|aabbbbaa|aabbbbaa|aabbbbaa"},
      {&kSmpte, {{L"MaskNum", L"41"}}, 0.5, "bbbbbbba|bbbbbbaa|bbbbbaaa|bbbaaaaa|bbaaaaaa|baaaaaaa"},
      {&kSmpte, {{L"MaskNum", L"101"}}, 0.4, "aaaaaaaa|aaaaaaaa|aabbbbaa|aabbbbaa|aaaaaaaa|aaaaaaaa"},
      {&kSmpte, {{L"MaskNum", L"101"}, {L"OffsetX", L"-2"}}, 0.3,
       "aaaaaaaa|aaaaaaaa|bbbbaaaa|bbbbaaaa|aaaaaaaa|aaaaaaaa"},
      {&kSmpte, {{L"MaskNum", L"101"}, {L"ReplicateX", L"2"}}, 0.4,
       "aaaaaaaa|aaaaaaaa|abbaabba|abbaabba|aaaaaaaa|aaaaaaaa"},
      {&kSmpte, {{L"MaskNum", L"119"}}, 0.5, "aaaaaaaa|aabbbbaa|aabbbbaa|aabbbbaa|aabbbbaa|aaaaaaaa"},
      {&kSmpte, {{L"MaskNum", L"201"}}, 0.25, "aaaabbbb|aaaabbbb|aaaabbbb|aaaaaaaa|aaaaaaaa|aaaaaaaa"},
      // not drawn: as the bar
      {&kSmpte, {{L"MaskNum", L"409"}}, 0.25, "bbaaaaaa|bbaaaaaa|bbaaaaaa|bbaaaaaa|bbaaaaaa|bbaaaaaa"},
      {&kSmpte, {{L"Progress", L"0.5"}}, 0.1, "bbbbaaaa|bbbbaaaa|bbbbaaaa|bbbbaaaa|bbbbaaaa|bbbbaaaa"},
      {&kSmpte, {{L"BorderWidth", L"2"}, {L"BorderColor", L"0xFF0000"}}, 0.5,
       "bbb**aaa|bbb**aaa|bbb**aaa|bbb**aaa|bbb**aaa|bbb**aaa"},
      {&kWipe, {}, 0.25, "bbaaaaaa|bbaaaaaa|bbaaaaaa|bbaaaaaa|bbaaaaaa|bbaaaaaa"},
      {&kWipe, {{L"Direction", L"1"}}, 0.25, "aaaaaabb|aaaaaabb|aaaaaabb|aaaaaabb|aaaaaabb|aaaaaabb"},
      {&kWipe, {{L"Direction", L"3"}}, 0.5, "aaaaaaaa|aaaaaaaa|aaaaaaaa|bbbbbbbb|bbbbbbbb|bbbbbbbb"},
  };
  for (const WipeCase& c : cases) {
    Picture out = Transition(*c.clsid, c.params, c.progress, Picture(8, 6, kBlack), Picture(8, 6, kWhite));
    EXPECT_EQ(c.art, Art(out, kBlack, kWhite)) << (c.params.empty() ? L"" : c.params[0].text);
  }
}

TEST_F(VideoEffectsTest, APictureOrdersTheWipeByItsBrightness) {
  TempFolder folder;
  const std::wstring path = folder.File(L"mask.bmp");
  // 4 x 1 pixels of 24 bits, from black on the left to white.
  BYTE bmp[66] = {'B', 'M', 66, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, 40, 0, 0, 0, 4, 0, 0, 0, 1, 0, 0, 0, 1, 0, 24};
  for (int x = 0; x < 4; ++x) memset(bmp + 54 + 3 * x, x * 85, 3);
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(file, bmp, sizeof(bmp), &written, nullptr);
  CloseHandle(file);
  const std::wstring missing = folder.File(L"missing.bmp");
  for (const std::wstring* name : {&path, &missing}) {
    Picture out = Transition(kSmpte, {{L"MaskName", name->c_str()}, {L"MaskNum", L"2"}}, 0.5, Picture(8, 2, kBlack),
                             Picture(8, 2, kWhite));
    EXPECT_EQ(name == &path ? "bbbbaaaa|bbbbaaaa" : "bbbbbbbb|aaaaaaaa", Art(out, kBlack, kWhite));
  }
}

// A picture whose every pixel differs: b tags its pixels with 0x80 in red.
Picture Coded(int width, int height, bool second) {
  Picture picture(width, height, 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) picture.At(x, y) = 0xFF000000 | (second ? 0x800000 : 0) | (y << 8) | x;
  return picture;
}

// "a3" or "b3": the picture and column (across) or row (down) a coded pixel came from.
std::string Source(DWORD pixel, bool across) {
  return std::string((pixel & 0x800000) ? "b" : "a") + std::to_string(across ? pixel & 0xFF : (pixel >> 8) & 0xFF);
}

TEST_F(VideoEffectsTest, SlidesMoveWholeRowsAndColumns) {
  struct Case {
    std::vector<Param> params;
    bool across;
    const char* sources;  // along row 1 across, else down column 1
  } cases[] = {
      {{}, true, "b6b7a2a3a4a5a6a7"},
      {{{L"Push", L"1"}}, true, "b6b7a0a1a2a3a4a5"},
      {{{L"Direction", L"1"}, {L"Push", L"1"}}, true, "a2a3a4a5a6a7b0b1"},
      {{{L"Direction", L"2"}}, false, "b6b7a2a3a4a5a6a7"},
      {{{L"Direction", L"3"}, {L"Push", L"1"}}, false, "a2a3a4a5a6a7b0b1"},
  };
  for (const Case& c : cases) {
    Picture out = Transition(CLSID_EngineSlide, c.params, 0.25, Coded(8, 8, false), Coded(8, 8, true));
    std::string sources;
    for (int i = 0; i < 8; ++i) sources += Source(c.across ? out.At(i, 1) : out.At(1, i), c.across);
    EXPECT_EQ(c.sources, sources) << sources;
  }
}

// Writing over either input must give what a separate output gets.
TEST_F(VideoEffectsTest, TransitionsMayWriteOverEitherInput) {
  const std::pair<const CLSID*, std::vector<Param>> cases[] = {
      {&kSmpte, {{L"MaskNum", L"119"}, {L"BorderWidth", L"1"}, {L"BorderSoftness", L"2"}}},
      {&kKey, {{L"KeyType", L"2"}, {L"Luminance", L"3"}}},
      {&CLSID_DxtCompositor, {{L"OffsetX", L"-1"}, {L"OffsetY", L"2"}, {L"Width", L"5"}, {L"Height", L"3"}}},
      {&CLSID_EngineCrossFade, {}},
      {&kWipe, {{L"Direction", L"2"}, {L"Softness", L"2"}}},
      {&CLSID_EngineSlide, {{L"Direction", L"3"}, {L"Push", L"1"}}},
      {&CLSID_EngineSlide, {{L"Direction", L"0"}}},
  };
  for (int i = 0; i < EffectLibrary::ClassCount(); ++i) {  // every transition is among them
    const EffectClass& effect = EffectLibrary::ClassAt(i);
    EXPECT_TRUE(effect.kind != EffectKind::kVideoTransition ||
                std::any_of(std::begin(cases), std::end(cases), [&](auto& c) { return *c.first == *effect.clsid; }))
        << effect.name;
  }
  for (const auto& c : cases) {
    TestValues values(c.second);
    const Picture a = Coded(7, 6, false), b = Coded(7, 6, true);
    Picture apart(7, 6, 0), overA(a), overB(b);
    std::unique_ptr<VideoTransition> transition = EffectLibrary::NewVideoTransition(*c.first);
    transition->Apply(a.Frame(), b.Frame(), apart.Frame(), 0.4, 0, values.Evaluator());
    transition->Apply(overA.Frame(), b.Frame(), overA.Frame(), 0.4, 0, values.Evaluator());
    transition->Apply(a.Frame(), overB.Frame(), overB.Frame(), 0.4, 0, values.Evaluator());
    EXPECT_EQ(apart.Pixels(), overA.Pixels()) << c.second.size();
    EXPECT_EQ(apart.Pixels(), overB.Pixels()) << c.second.size();
  }
}

TEST_F(VideoEffectsTest, EffectsChangeEveryPixelAlike) {
  struct Case {
    const CLSID* clsid;
    std::vector<std::pair<Param, REFERENCE_TIME>> params;  // interpolated after the first
    REFERENCE_TIME time;                                   // of a 10 s span
    DWORD input, expected;
  } cases[] = {
      {&kLevels, {{{L"Brightness", L"0"}, 0}, {{L"Brightness", L"0.2"}, 10 * kSecond}}, 5 * kSecond, 0xFF646464,
       0xFF7E7E7E},
      {&kLevels, {{{L"Contrast", L"2"}, 0}}, 0, 0xFF646464, 0xFF484848},
      {&kLevels, {{{L"Brightness", L""}, 0}, {{L"Contrast", L""}, 0}}, 0, 0x80646464, 0x80646464},
      {&CLSID_EngineGrayscale, {}, 0, 0x80C86432, 0x807C7C7C},
      {&CLSID_EngineGrayscale, {{{L"Amount", L"0.5"}, 0}}, 0, 0x80C86432, 0x80A27057},
      {&kFade, {{{L"Color", L"0xFF0000"}, 0}}, 5 * kSecond, 0xFF000000, 0xFF800000},
      {&kFade, {{{L"Color", L"#FFFFFF"}, 0}, {{L"Direction", L"1"}, 0}}, 5 * kSecond / 2, 0xFF000000, 0xFFBFBFBF},
      {&kFade, {{{L"Direction", L"1"}, 0}}, 10 * kSecond, 0x80C86432, 0x80C86432},
      {&kAlpha, {{{L"Alpha", L"128"}, 0}}, 0, 0xFF123456, 0x80123456},
      {&kAlpha, {{{L"AlphaRamp", L"0.5"}, 0}}, 0, 0xC8123456, 0x64123456},
      {&kAlpha, {{{L"Alpha", L"16"}, 0}, {{L"AlphaRamp", L"0.5"}, 0}}, 0, 0xC8123456, 0x10123456},
      {&kAlpha, {}, 0, 0xC8123456, 0xC8123456},
      {&CLSID_EngineBlur, {{{L"Radius", L"3"}, 0}}, 0, 0x80C86432, 0x80C86432},
  };
  for (const Case& c : cases) {
    TestValues values;
    for (const auto& param : c.params)
      values.Add(param.first.name, param.first.text, param.second, param.second ? DEXTERF_INTERPOLATE : DEXTERF_JUMP);
    Picture picture(5, 4, c.input);
    std::unique_ptr<VideoEffect> effect = EffectLibrary::NewVideoEffect(*c.clsid);
    effect->Apply(picture.Frame(), c.time, 10 * kSecond, values.Evaluator());
    EXPECT_EQ(std::vector<DWORD>(20, c.expected), picture.Pixels()) << std::hex << c.expected;
  }
}

TEST_F(VideoEffectsTest, BlurSpreadsAPixelOverItsSquare) {
  TestValues values({Param{L"Radius", L"1"}});
  Picture picture(7, 7, 0);
  picture.At(3, 3) = 0xFFFFFFFF;
  EffectLibrary::NewVideoEffect(CLSID_EngineBlur)->Apply(picture.Frame(), 0, kSecond, values.Evaluator());
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 7; ++x)
      EXPECT_EQ(std::abs(x - 3) <= 1 && std::abs(y - 3) <= 1 ? 0x1C1C1C1Cu : 0u, picture.At(x, y)) << x << "," << y;
}

// One pixel of a flat a under a flat b: mixes in exact steps, edges, keys.
TEST_F(VideoEffectsTest, TransitionsGiveExactPixels) {
  constexpr DWORD kGrey = 0xFFC8C8C8, kBeneath = 0xFF102030;
  struct Case {
    const CLSID* clsid;
    std::vector<Param> params;
    double progress;
    DWORD a, b;
    int x;  // of the pixel looked at, in an 8-pixel row
    DWORD expected;
  } cases[] = {
      {&CLSID_EngineCrossFade, {}, 0.25, kBlack, kGrey, 0, 0xFF323232},
      {&CLSID_EngineCrossFade, {}, 0.5, kBlack, kGrey, 5, 0xFF646464},
      {&CLSID_EngineCrossFade, {}, 0.75, kBlack, kGrey, 7, 0xFF969696},
      {&CLSID_EngineCrossFade, {{L"Progress", L"0.25"}}, 0.9, kBlack, kGrey, 7, 0xFF323232},
      {&kSmpte, {{L"BorderWidth", L"2"}, {L"BorderColor", L"0xFF0000"}}, 0.5, kBlack, kGrey, 3, 0xFFFF0000},
      {&kSmpte, {{L"BorderWidth", L"2"}, {L"BorderColor", L"16711680"}}, 0.5, kBlack, kGrey, 4, 0xFFFF0000},
      {&kWipe, {{L"Softness", L"4"}}, 0.5, kBlack, kGrey, 3, 0xFF7D7D7D},
      {&kWipe, {{L"Softness", L"4"}}, 0.5, kBlack, kGrey, 4, 0xFF4B4B4B},
      {&kKey, {{L"KeyType", L"0"}, {L"RGB", L"0x00FF00"}}, 0, kBeneath, 0xFF00FF00, 2, kBeneath},
      {&kKey, {{L"KeyType", L"0"}, {L"RGB", L"0x00FF00"}}, 0, kBeneath, 0xFF00FC00, 2, 0xFF00FC00},
      {&kKey, {{L"KeyType", L"0"}, {L"RGB", L"0x00FF00"}, {L"Similarity", L"2"}}, 0, kBeneath, 0xFF00FC00, 2, kBeneath},
      {&kKey, {{L"KeyType", L"0"}, {L"RGB", L"0x00FF00"}, {L"Invert", L"1"}}, 0, kBeneath, 0xFF00FF00, 2, 0xFF00FF00},
      {&kKey, {{L"KeyType", L"0"}, {L"RGB", L"0x00FF00"}, {L"Invert", L"1"}}, 0, kBeneath, 0xFFFF0000, 2, kBeneath},
      {&kKey, {{L"KeyType", L"1"}, {L"Similarity", L"50"}}, 0, kBeneath, 0xFF2040FF, 2, kBeneath},
      {&kKey, {{L"KeyType", L"1"}, {L"Similarity", L"50"}}, 0, kBeneath, 0xFFFF4040, 2, 0xFFFF4040},
      {&kKey, {{L"KeyType", L"2"}, {L"Luminance", L"50"}}, 0, kBeneath, 0xFF101010, 2, kBeneath},
      {&kKey, {{L"KeyType", L"2"}, {L"Luminance", L"50"}}, 0, kBeneath, 0xFFE0E0E0, 2, 0xFFE0E0E0},
      {&kKey, {{L"KeyType", L"4"}, {L"Hue", L"120"}}, 0, kBeneath, 0xFF20C020, 2, kBeneath},
      {&kKey, {{L"KeyType", L"4"}, {L"Hue", L"120"}}, 0, kBeneath, 0xFFC02020, 2, 0xFFC02020},
      // grey has no hue
      {&kKey, {{L"KeyType", L"4"}, {L"Hue", L"120"}}, 0, kBeneath, 0xFF808080, 2, 0xFF808080},
      // alpha: half of b over a
      {&kKey, {}, 0, kBeneath, 0x80FFFFFF, 2, 0xFF889098},
      {&kKey, {{L"KeyType", L"3"}}, 0, kBeneath, 0x00FFFFFF, 2, kBeneath},
  };
  for (const Case& c : cases) {
    Picture out = Transition(*c.clsid, c.params, c.progress, Picture(8, 2, c.a), Picture(8, 2, c.b));
    EXPECT_EQ(c.expected, out.At(c.x, 1)) << std::hex << c.b << " at " << c.x;
  }
}

TEST_F(VideoEffectsTest, CompositorPlacesTheRectangleOverTheRest) {
  constexpr DWORD kBeneath = 0xFF102030;
  Picture out = Transition(CLSID_DxtCompositor,
                           {{L"OffsetX", L"1"},
                            {L"OffsetY", L"2"},
                            {L"Width", L"2"},
                            {L"Height", L"2"},
                            {L"SrcOffsetX", L"2"},
                            {L"SrcOffsetY", L"1"},
                            {L"SrcWidth", L"2"},
                            {L"SrcHeight", L"2"}},
                           0.5, Picture(5, 5, kBeneath), Coded(5, 5, true));
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 5; ++x) {
      bool inside = x >= 1 && x < 3 && y >= 2 && y < 4;
      DWORD expected = inside ? Coded(5, 5, true).At(x + 1, y - 1) : kBeneath;
      EXPECT_EQ(expected, out.At(x, y)) << x << "," << y;
    }

  Picture wide(2, 1, 0xFF000000);
  wide.At(1, 0) = 0xFFC8C8C8;
  Picture stretched = Transition(CLSID_DxtCompositor, {{L"Width", L"4"}}, 0.5, Picture(5, 1, kBeneath), wide);
  const DWORD row[] = {0xFF000000, 0xFF323232, 0xFF969696, 0xFFC8C8C8, kBeneath};
  for (int x = 0; x < 5; ++x) EXPECT_EQ(row[x], stretched.At(x, 0)) << x;
}

}  // namespace
