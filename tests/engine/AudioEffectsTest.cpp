#include <gtest/gtest.h>

#include <vector>

#include "EffectIds.h"
#include "EffectLibrary.h"
#include "EffectTesting.h"
#include "EngineTestSupport.h"

namespace {

constexpr REFERENCE_TIME kSecond = 10000000;
constexpr DWORD kRate = 1000;

struct Value {
  const wchar_t* text;
  REFERENCE_TIME time;
  DWORD interp;
};

// frames of stereo sound, left and right constant.
std::vector<float> Stereo(int frames, float left, float right) {
  std::vector<float> samples;
  for (int i = 0; i < frames; ++i) samples.insert(samples.end(), {left, right});
  return samples;
}

AudioBlock Block(std::vector<float>& samples) {
  return AudioBlock{samples.data(), static_cast<int>(samples.size() / 2), 2, kRate};
}

class AudioEffectsTest : public EngineTest {};

TEST_F(AudioEffectsTest, EffectsFollowTheirValuesAtEachSample) {
  const std::vector<Value> fadeIn = {
      {L"0", 0, DEXTERF_JUMP}, {L"1", kSecond, DEXTERF_INTERPOLATE}, {L"0.5", 2 * kSecond, DEXTERF_JUMP}};
  struct Case {
    const CLSID* clsid;
    const wchar_t* name;
    std::vector<Value> values;
    REFERENCE_TIME start;  // of the block
    int frame;
    float left, right;  // there, from 1.0 in both
  } cases[] = {
      {&CLSID_AudMixer, L"Vol", fadeIn, 0, 250, 0.25f, 0.25f},
      {&CLSID_AudMixer, L"vol", fadeIn, 0, 500, 0.5f, 0.5f},
      {&CLSID_AudMixer, L"Vol", fadeIn, kSecond / 2, 100, 0.6f, 0.6f},
      {&CLSID_AudMixer, L"Vol", fadeIn, kSecond + kSecond / 2, 700, 0.5f, 0.5f},  // jumped at 2 s
      {&CLSID_AudMixer, L"Vol", {{L"", 0, DEXTERF_JUMP}}, 0, 10, 1.0f, 1.0f},
      {&CLSID_EngineAudioPan, L"Pan", {{L"-1", 0, DEXTERF_JUMP}}, 0, 300, 1.0f, 0.0f},
      {&CLSID_EngineAudioPan, L"Pan", {{L"0.25", 0, DEXTERF_JUMP}}, 0, 300, 0.75f, 1.0f},
  };
  for (const Case& c : cases) {
    TestValues values;
    for (const Value& value : c.values) values.Add(c.name, value.text, value.time, value.interp);
    std::vector<float> samples = Stereo(1000, 1.0f, 1.0f);
    EffectLibrary::NewAudioEffect(*c.clsid)->Apply(Block(samples), c.start, 3 * kSecond, values.Evaluator());
    EXPECT_NEAR(c.left, samples[c.frame * 2], 1e-4) << c.name << " at " << c.frame;
    EXPECT_NEAR(c.right, samples[c.frame * 2 + 1], 1e-4) << c.name << " at " << c.frame;
  }
}

TEST_F(AudioEffectsTest, CrossFadeIsHalfOfEachHalfway) {
  struct Case {
    const wchar_t* curve;
    float halfway;  // from 0.8 to 0.2
  } cases[] = {{L"", 0.5f}, {L"0", 0.5f}, {L"1", 0.70711f}};
  for (const Case& c : cases) {
    TestValues values({Param{L"Curve", c.curve}});
    // The block starts a quarter in; its frame 500 lies halfway through the 2 s span.
    std::vector<float> a = Stereo(1000, 0.8f, 0.8f), b = Stereo(1000, 0.2f, 0.2f);
    EffectLibrary::NewAudioTransition(CLSID_EngineAudioCrossFade)
        ->Apply(Block(a), Block(b), Block(a), kSecond / 2, 2 * kSecond, values.Evaluator());
    EXPECT_NEAR(c.halfway, a[1000], 1e-4) << c.curve;
    EXPECT_NEAR(c.halfway, a[1001], 1e-4) << c.curve;
    EXPECT_NEAR(c.curve[0] == L'1' ? 0.8f * 0.92388f + 0.2f * 0.38268f : 0.65f, a[0], 1e-4) << c.curve;
  }
}

}  // namespace
