// Times the built-in effects and transitions on 640x480 frames, and the volume
// envelope on a second of 44.1 kHz stereo. Run by hand:
//   build/wine-run.sh build/tests/engine/effects_benchmark.exe
// Exits non-zero when a result is wrong, so no figure for wrong output is reported.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>

#include "EffectIds.h"
#include "EffectLibrary.h"
#include "EffectTesting.h"
#include "EngineRegistration.h"
#include "FrameOps.h"

namespace {

constexpr int kWidth = 640, kHeight = 480, kRounds = 200;
constexpr DWORD kA = 0xFF204060, kB = 0xFFC0A080;

double Seconds() {
  LARGE_INTEGER frequency, counter;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&counter);
  return double(counter.QuadPart) / double(frequency.QuadPart);
}

struct Case {
  const char* name;
  std::function<void()> run;   // one frame (or one second of sound)
  std::function<bool()> check;
};

int CountOf(Picture& picture, DWORD pixel) {
  int count = 0;
  for (DWORD p : picture.Pixels()) count += p == pixel;
  return count;
}

bool Time(const Case& c) {
  c.run();
  double start = Seconds();
  for (int i = 0; i < kRounds; ++i) c.run();
  double each = (Seconds() - start) / kRounds;
  bool right = c.check();
  printf("%-28s %7.3f ms%s\n", c.name, each * 1000, right ? "" : "   WRONG RESULT");
  return right;
}

bool Run() {
  Picture a(kWidth, kHeight, kA), b(kWidth, kHeight, kB), out(kWidth, kHeight, 0), work(a);
  TestValues none, wipe, circle, clock, bright, blur, key, pip, vol;
  wipe.Add(L"MaskNum", L"1");
  circle.Add(L"MaskNum", L"119").Add(L"BorderWidth", L"3").Add(L"BorderSoftness", L"4");
  clock.Add(L"MaskNum", L"201");
  bright.Add(L"Brightness", L"0").Add(L"Brightness", L"0.2", 10000000, DEXTERF_INTERPOLATE);
  blur.Add(L"Radius", L"4");
  key.Add(L"KeyType", L"0").Add(L"RGB", L"0xC0A080");
  pip.Add(L"OffsetX", L"16").Add(L"OffsetY", L"16").Add(L"Width", L"320").Add(L"Height", L"240");
  vol.Add(L"Vol", L"0").Add(L"Vol", L"1", 10000000, DEXTERF_INTERPOLATE);
  auto transition = [&](const CLSID& clsid, TestValues& values, double progress) {
    std::shared_ptr<VideoTransition> t(EffectLibrary::NewVideoTransition(clsid));
    const PropertyEvaluator& evaluator = values.Evaluator();
    return [&, t, progress, &evaluator = evaluator] { t->Apply(a.Frame(), b.Frame(), out.Frame(), progress, 0, evaluator); };
  };
  auto effect = [&](const CLSID& clsid, TestValues& values, REFERENCE_TIME time) {
    std::shared_ptr<VideoEffect> e(EffectLibrary::NewVideoEffect(clsid));
    const PropertyEvaluator& evaluator = values.Evaluator();
    return [&, e, time, &evaluator = evaluator] {
      CopyFrame(a.Frame(), work.Frame());
      e->Apply(work.Frame(), time, 10000000, evaluator);
    };
  };
  std::vector<float> sound(44100 * 2, 0.5f);
  std::shared_ptr<AudioEffect> envelope(EffectLibrary::NewAudioEffect(CLSID_AudMixer));
  const int half = kWidth * kHeight / 2;
  const Case cases[] = {
      {"cross-fade 50%", transition(CLSID_EngineCrossFade, none, 0.5), [&] { return CountOf(out, 0xFF707070) == 2 * half; }},
      {"SMPTE wipe 1 (bar) 50%", transition(CLSID_DxtJpeg, wipe, 0.5), [&] { return CountOf(out, kB) == half; }},
      {"SMPTE wipe 119 soft border", transition(CLSID_DxtJpeg, circle, 0.5),
       [&] { return out.At(320, 240) == kB && out.At(0, 0) == kA; }},
      {"SMPTE wipe 201 (clock) 25%", transition(CLSID_DxtJpeg, clock, 0.25),
       [&] { return CountOf(out, kB) == half / 2; }},
      {"key (RGB)", transition(CLSID_DxtKey, key, 0.5), [&] { return CountOf(out, kA) == 2 * half; }},
      {"compositor 320x240", transition(CLSID_DxtCompositor, pip, 0.5),
       [&] { return CountOf(out, kB) == 320 * 240 && out.At(15, 15) == kA; }},
      {"brightness (interpolated)", effect(CLSID_EngineBrightnessContrast, bright, 5000000),
       [&] { return CountOf(work, 0xFF3A5A7A) == 2 * half; }},
      {"grayscale", effect(CLSID_EngineGrayscale, none, 0), [&] { return CountOf(work, 0xFF3A3A3A) == 2 * half; }},
      {"blur radius 4", effect(CLSID_EngineBlur, blur, 0), [&] { return CountOf(work, kA) == 2 * half; }},
      {"volume envelope, 1 s stereo",
       [&] {
         std::fill(sound.begin(), sound.end(), 0.5f);
         envelope->Apply(AudioBlock{sound.data(), 44100, 2, 44100}, 0, 10000000, vol.Evaluator());
       },
       [&] { return std::abs(sound[44100] - 0.25f) < 1e-3f; }},
  };
  bool right = true;
  for (const Case& c : cases) right = Time(c) && right;
  return right;
}

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  RegisterEngineClasses();
  bool right = Run();
  RevokeEngineClasses();
  CoUninitialize();
  return right ? 0 : 1;
}
