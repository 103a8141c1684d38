#include "EffectLibrary.h"

#include <new>

#include "AudioEffects.h"
#include "BasicTransitions.h"
#include "BlurEffect.h"
#include "ColorEffects.h"
#include "CompositorTransition.h"
#include "EditingServices.h"
#include "EffectIds.h"
#include "EffectObject.h"
#include "KeyTransition.h"
#include "SmpteWipe.h"

namespace {

struct Entry {
  EffectClass info;
  VideoEffect* (*videoEffect)();
  VideoTransition* (*videoTransition)();
  AudioEffect* (*audioEffect)();
  AudioTransition* (*audioTransition)();
};

template <class Base, class T>
Base* Make() {
  return new (std::nothrow) T();
}

// An entry of a class that makes nothing yet.
template <const CLSID& clsid, class T>
Entry Described(EffectKind kind, const wchar_t* name) {
  Entry entry = {};
  entry.info = EffectClass{&clsid, kind, name, T::Parameters(), &EffectObject::Create<clsid>};
  return entry;
}

template <const CLSID& clsid, class T>
Entry VideoEffectEntry(const wchar_t* name) {
  Entry entry = Described<clsid, T>(EffectKind::kVideoEffect, name);
  entry.videoEffect = &Make<VideoEffect, T>;
  return entry;
}

template <const CLSID& clsid, class T>
Entry VideoTransitionEntry(const wchar_t* name) {
  Entry entry = Described<clsid, T>(EffectKind::kVideoTransition, name);
  entry.videoTransition = &Make<VideoTransition, T>;
  return entry;
}

template <const CLSID& clsid, class T>
Entry AudioEffectEntry(const wchar_t* name) {
  Entry entry = Described<clsid, T>(EffectKind::kAudioEffect, name);
  entry.audioEffect = &Make<AudioEffect, T>;
  return entry;
}

template <const CLSID& clsid, class T>
Entry AudioTransitionEntry(const wchar_t* name) {
  Entry entry = Described<clsid, T>(EffectKind::kAudioTransition, name);
  entry.audioTransition = &Make<AudioTransition, T>;
  return entry;
}

// The published classes keep their published friendly names.
const Entry kEntries[] = {
    VideoTransitionEntry<CLSID_DxtJpeg, SmpteWipe>(L"DxtJpeg"),
    VideoTransitionEntry<CLSID_DxtKey, KeyTransition>(L"DxtKey"),
    VideoTransitionEntry<CLSID_DxtCompositor, CompositorTransition>(L"DxtCompositor"),
    VideoEffectEntry<CLSID_DxtAlphaSetter, AlphaSetter>(L"DxtAlphaSetter"),
    AudioEffectEntry<CLSID_AudMixer, VolumeEnvelope>(L"Volume Envelope"),
    VideoEffectEntry<CLSID_EngineBrightnessContrast, BrightnessContrast>(L"Morvik Brightness and Contrast"),
    VideoEffectEntry<CLSID_EngineGrayscale, Grayscale>(L"Morvik Grayscale"),
    VideoEffectEntry<CLSID_EngineBlur, BlurEffect>(L"Morvik Blur"),
    VideoEffectEntry<CLSID_EngineColorFade, ColorFade>(L"Morvik Fade"),
    VideoTransitionEntry<CLSID_EngineCrossFade, CrossFade>(L"Morvik Cross-fade"),
    VideoTransitionEntry<CLSID_EngineWipe, EdgeWipe>(L"Morvik Wipe"),
    VideoTransitionEntry<CLSID_EngineSlide, Slide>(L"Morvik Slide"),
    AudioEffectEntry<CLSID_EngineAudioPan, AudioPan>(L"Morvik Pan"),
    AudioTransitionEntry<CLSID_EngineAudioCrossFade, AudioCrossFade>(L"Morvik Audio Cross-fade"),
};
constexpr int kEntryCount = sizeof(kEntries) / sizeof(kEntries[0]);

const Entry* Find(const CLSID& clsid) {
  for (const Entry& entry : kEntries)
    if (IsEqualGUID(*entry.info.clsid, clsid)) return &entry;
  return nullptr;
}

// The made object of the wanted kind, or null.
template <class Base>
std::unique_ptr<Base> New(const CLSID& clsid, Base* (*Entry::*make)()) {
  const Entry* entry = Find(clsid);
  return std::unique_ptr<Base>(entry && entry->*make ? (entry->*make)() : nullptr);
}

}  // namespace

std::unique_ptr<VideoEffect> EffectLibrary::NewVideoEffect(const CLSID& clsid) {
  return New(clsid, &Entry::videoEffect);
}

std::unique_ptr<VideoTransition> EffectLibrary::NewVideoTransition(const CLSID& clsid) {
  return New(clsid, &Entry::videoTransition);
}

std::unique_ptr<AudioEffect> EffectLibrary::NewAudioEffect(const CLSID& clsid) {
  return New(clsid, &Entry::audioEffect);
}

std::unique_ptr<AudioTransition> EffectLibrary::NewAudioTransition(const CLSID& clsid) {
  return New(clsid, &Entry::audioTransition);
}

int EffectLibrary::ClassCount() { return kEntryCount; }

const EffectClass& EffectLibrary::ClassAt(int index) { return kEntries[index].info; }

const GUID& EffectLibrary::Category(EffectKind kind) {
  switch (kind) {
    case EffectKind::kVideoEffect: return CLSID_VideoEffects1Category;
    case EffectKind::kVideoTransition: return CLSID_VideoEffects2Category;
    case EffectKind::kAudioEffect: return CLSID_AudioEffects1Category;
    default: return CLSID_AudioEffects2Category;
  }
}
