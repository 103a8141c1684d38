// The engine's built-in effects and transitions, found by their class ids
// (the sub-object GUIDs of timeline effects and transitions). A class id
// the library does not know gives null: the render engine reports it and
// renders the object as absent.
#pragma once

#include <windows.h>

#include <memory>

#include "AudioEffect.h"
#include "VideoEffect.h"

class EffectLibrary {
 public:
  static std::unique_ptr<VideoEffect> NewVideoEffect(const CLSID& clsid);
  static std::unique_ptr<VideoTransition> NewVideoTransition(const CLSID& clsid);
  static std::unique_ptr<AudioEffect> NewAudioEffect(const CLSID& clsid);
  static std::unique_ptr<AudioTransition> NewAudioTransition(const CLSID& clsid);
};
