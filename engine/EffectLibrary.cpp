#include "EffectLibrary.h"

std::unique_ptr<VideoEffect> EffectLibrary::NewVideoEffect(const CLSID&) { return nullptr; }

std::unique_ptr<VideoTransition> EffectLibrary::NewVideoTransition(const CLSID&) { return nullptr; }

std::unique_ptr<AudioEffect> EffectLibrary::NewAudioEffect(const CLSID&) { return nullptr; }

std::unique_ptr<AudioTransition> EffectLibrary::NewAudioTransition(const CLSID&) { return nullptr; }
