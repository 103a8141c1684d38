// The engine's built-in effects and transitions, found by their class ids
// (the sub-object GUIDs of timeline effects and transitions). A class id
// the library does not know, or one of another kind, gives null: the render
// engine reports it and renders the object as absent. Each object made is
// used by one thread at a time; it keeps scratch memory between calls.
#pragma once

#include <windows.h>

#include <memory>

#include "AudioEffect.h"
#include "ClassFactory.h"
#include "EffectParameters.h"
#include "VideoEffect.h"

enum class EffectKind { kVideoEffect, kVideoTransition, kAudioEffect, kAudioTransition };

// One built-in class as it is registered and described.
struct EffectClass {
  const CLSID* clsid;
  EffectKind kind;
  const wchar_t* name;            // the friendly name in its category
  ParameterList parameters;       // every parameter the implementation reads
  CreateInstanceFunction create;  // its COM object, for the class objects
};

class EffectLibrary {
 public:
  static std::unique_ptr<VideoEffect> NewVideoEffect(const CLSID& clsid);
  static std::unique_ptr<VideoTransition> NewVideoTransition(const CLSID& clsid);
  static std::unique_ptr<AudioEffect> NewAudioEffect(const CLSID& clsid);
  static std::unique_ptr<AudioTransition> NewAudioTransition(const CLSID& clsid);

  // Every built-in class, for registration and for the parameter catalog.
  static int ClassCount();
  static const EffectClass& ClassAt(int index);
  // The device category that lists classes of a kind.
  static const GUID& Category(EffectKind kind);
};
