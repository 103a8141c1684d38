// An immutable picture of one group of a timeline, taken on the thread that
// calls ConnectFrontEnd, from which the group's streaming threads compose
// without ever touching the timeline. Muted objects, effects and
// transitions of classes nobody knows, and those the timeline disables are
// left out.
//
// Spans are in the group's units (UnitClock: output frames for video,
// sample frames for audio) counted from the timeline's start; an object
// covers units [first, end), its edges rounded to the nearest unit as the
// editing services place them. Layers are in priority order, lowest first;
// a track's sources in the order of their starts.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "AudioEffect.h"
#include "GroupFormat.h"
#include "MediaType.h"
#include "PropertyEvaluator.h"
#include "UnitClock.h"
#include "VideoEffect.h"

struct PlanSpan {
  LONGLONG first = 0;
  LONGLONG end = 0;

  bool Covers(LONGLONG unit) const { return unit >= first && unit < end; }
  LONGLONG Length() const { return end - first; }
};

// What an effect or transition is given: its span, and its property-setter
// values with times from its own start.
struct PlanObject {
  PlanSpan span;
  REFERENCE_TIME start = 0;  // the time of span.first
  REFERENCE_TIME length = 0;
  std::shared_ptr<const PropertyEvaluator> values;
};

// Exactly one of the two is set, as the group is video or audio.
struct PlanEffect : PlanObject {
  std::unique_ptr<VideoEffect> video;
  std::unique_ptr<AudioEffect> audio;
};

struct PlanTransition : PlanObject {
  std::unique_ptr<VideoTransition> video;
  std::unique_ptr<AudioTransition> audio;
  bool swapInputs = false;
  bool cutsOnly = false;
  LONGLONG cut = 0;  // with cutsOnly: the unit from which the track's own picture shows

  // How far the transition has gone at unit: 0 at its first unit.
  double Progress(LONGLONG unit) const { return double(unit - span.first) / double(span.Length()); }
};

struct PlanSource {
  PlanSpan span;
  std::wstring path;
  int stream = -1;  // the reader's stream index; -1: nothing to read (black or silence)
  int width = 0;    // of a video stream's frames
  int height = 0;
  int stretchMode = 0;
  // Frames stored in the group's own format (rows top-down or not): a frame
  // that is one of them as it stands is copied, not decoded and converted.
  bool stored = false;
  bool storedTopDown = false;
  REFERENCE_TIME mediaStart = 0;
  double speed = 1.0;  // media time passing per timeline time
  std::vector<PlanEffect> effects;

  // The media time shown at the start of unit, exact.
  double MediaTime(LONGLONG unit, const UnitClock& clock) const {
    return double(mediaStart) + (clock.ExactTime(unit) - clock.ExactTime(span.first)) * speed;
  }
};

// A track (sources) or a composition (layers) with its effects and transitions.
struct PlanLayer {
  bool composition = false;
  std::vector<PlanSource> sources;
  std::vector<PlanLayer> layers;
  std::vector<PlanEffect> effects;
  std::vector<PlanTransition> transitions;

  // The source a track plays at unit (the latest starting, where several
  // overlap), or null.
  const PlanSource* SourceAt(LONGLONG unit) const;
  // The transition running at unit, or null.
  const PlanTransition* TransitionAt(LONGLONG unit) const;
  // Whether the layer has a picture of its own at unit: a source of the
  // track, or something shown by a layer of the composition.
  bool Shows(LONGLONG unit) const;
};

struct RenderPlan {
  GroupFormat format;
  MediaType pinType;
  UnitClock clock;
  REFERENCE_TIME rangeStart = 0;  // timeline times rendered; stream time 0 is rangeStart
  REFERENCE_TIME rangeStop = 0;
  PlanSpan units;                 // the units rendered
  PlanLayer root;                 // the group: its layers and effects; empty when muted

  REFERENCE_TIME Duration() const { return rangeStop - rangeStart; }
  // The stream time of unit.
  REFERENCE_TIME StreamTime(LONGLONG unit) const { return clock.Time(unit) - clock.Time(units.first); }
};
