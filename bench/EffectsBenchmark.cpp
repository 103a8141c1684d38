// Times the built-in effects and transitions on 640x480 frames, and the volume
// envelope on a second of 44.1 kHz stereo. Run by hand:
//   build/wine-run.sh build/tests/engine/effects_benchmark.exe
// Exits non-zero when a result is wrong, so no figure for wrong output is reported.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

#include "EffectIds.h"
#include "EffectLibrary.h"
#include "EffectTesting.h"
#include "EngineRegistration.h"
#include "FrameOps.h"

namespace {

constexpr int kWidth = 640, kHeight = 480, kRounds = 200, kPixels = kWidth * kHeight;
constexpr DWORD kA = 0xFF204060, kB = 0xFFC0A080;

double Seconds() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return double(counter.QuadPart) / double(frequency.QuadPart);
}

int CountOf(const Picture& picture, DWORD pixel) {
  int count = 0;
  for (DWORD p : picture.Pixels()) count += p == pixel;
  return count;
}

class Bench {
 public:
  bool Run();

 private:
  using Check = std::function<bool()>;

  bool Time(const char* name, const std::function<void()>& run, const Check& right) {
    run();
    double start = Seconds();
    for (int i = 0; i < kRounds; ++i) run();
    double each = (Seconds() - start) * 1000 / kRounds;
    bool ok = right();
    printf("%-28s %7.3f ms%s\n", name, each, ok ? "" : "   WRONG RESULT");
    return ok;
  }
  // From a to b into out_.
  bool Transition(const char* name, const CLSID& clsid, const std::vector<Param>& params, double progress,
                  const Check& right) {
    TestValues values(params);
    const PropertyEvaluator& evaluator = values.Evaluator();
    std::unique_ptr<VideoTransition> t = EffectLibrary::NewVideoTransition(clsid);
    return Time(
        name, [&] { t->Apply(a_.Frame(), b_.Frame(), out_.Frame(), progress, 0, evaluator); }, right);
  }
  // On a copy of a in out_, half way through a second.
  bool Effect(const char* name, const CLSID& clsid, TestValues& values, const Check& right) {
    const PropertyEvaluator& evaluator = values.Evaluator();
    std::unique_ptr<VideoEffect> e = EffectLibrary::NewVideoEffect(clsid);
    auto run = [&] {
      CopyFrame(a_.Frame(), out_.Frame());
      e->Apply(out_.Frame(), 5000000, 10000000, evaluator);
    };
    return Time(name, run, right);
  }
  bool Volume();
  // Every pixel of out_ is pixel.
  Check All(DWORD pixel, int count = kPixels) {
    return [this, pixel, count] { return CountOf(out_, pixel) == count; };
  }

  Picture a_{kWidth, kHeight, kA}, b_{kWidth, kHeight, kB}, out_{kWidth, kHeight, 0};
};

bool Bench::Volume() {
  TestValues vol;
  vol.Add(L"Vol", L"0").Add(L"Vol", L"1", 10000000, DEXTERF_INTERPOLATE);
  const PropertyEvaluator& evaluator = vol.Evaluator();
  std::vector<float> sound(44100 * 2);
  std::unique_ptr<AudioEffect> envelope = EffectLibrary::NewAudioEffect(CLSID_AudMixer);
  auto run = [&] {
    std::fill(sound.begin(), sound.end(), 0.5f);
    envelope->Apply(AudioBlock{sound.data(), 44100, 2, 44100}, 0, 10000000, evaluator);
  };
  return Time("volume envelope, 1 s stereo", run, [&] { return std::fabs(sound[44100] - 0.25f) < 1e-3f; });
}

bool Bench::Run() {
  TestValues none, blur({Param{L"Radius", L"4"}}), bright;
  bright.Add(L"Brightness", L"0").Add(L"Brightness", L"0.2", 10000000, DEXTERF_INTERPOLATE);
  bool right = Transition("cross-fade 50%", CLSID_EngineCrossFade, {}, 0.5, All(0xFF707070));
  right &= Transition("SMPTE wipe 1 (bar) 50%", CLSID_DxtJpeg, {}, 0.5, All(kB, kPixels / 2));
  right &= Transition("SMPTE wipe 119 soft border", CLSID_DxtJpeg,
                      {{L"MaskNum", L"119"}, {L"BorderWidth", L"3"}, {L"BorderSoftness", L"4"}}, 0.5,
                      [this] { return out_.At(320, 240) == kB && out_.At(0, 0) == kA; });
  right &= Transition("SMPTE wipe 201 (clock) 25%", CLSID_DxtJpeg, {{L"MaskNum", L"201"}}, 0.25, All(kB, kPixels / 4));
  right &= Transition("key (RGB)", CLSID_DxtKey, {{L"KeyType", L"0"}, {L"RGB", L"0xC0A080"}}, 0.5, All(kA));
  right &= Transition("compositor 320x240", CLSID_DxtCompositor,
                      {{L"OffsetX", L"16"}, {L"OffsetY", L"16"}, {L"Width", L"320"}, {L"Height", L"240"}}, 0.5,
                      All(kB, 320 * 240));
  right &= Effect("brightness (interpolated)", CLSID_EngineBrightnessContrast, bright, All(0xFF3A5A7A));
  right &= Effect("grayscale", CLSID_EngineGrayscale, none, All(0xFF3A3A3A));
  right &= Effect("blur radius 4", CLSID_EngineBlur, blur, All(kA));
  return Volume() && right;
}

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  RegisterEngineClasses();
  bool right = Bench().Run();
  RevokeEngineClasses();
  CoUninitialize();
  return right ? 0 : 1;
}
