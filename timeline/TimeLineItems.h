// The timeline control's snapshot of a timeline: one record per group, track
// and object, each holding one reference to its timeline object.
#pragma once

#include <cstdint>

#include "EditingServices.h"

class TimeLineModel;

// Kinds are the editing services' major types.
constexpr int32_t kItemGroup = TIMELINE_MAJOR_TYPE_GROUP;
constexpr int32_t kItemTrack = TIMELINE_MAJOR_TYPE_TRACK;
constexpr int32_t kItemSource = TIMELINE_MAJOR_TYPE_SOURCE;
constexpr int32_t kItemTransition = TIMELINE_MAJOR_TYPE_TRANSITION;
constexpr int32_t kItemEffect = TIMELINE_MAJOR_TYPE_EFFECT;
constexpr uint32_t kItemObjects = kItemSource | kItemTransition | kItemEffect;
constexpr uint32_t kItemAll = 159;

// The head every record starts with.
struct TLItem {
  int32_t kind;
  IAMTimelineObj* object;  // one reference, released with the item
  uint8_t selected;        // only object items are ever marked
};

// A source, effect or transition.
struct TLObjectItem : TLItem {
  int64_t start;  // timeline times, microseconds
  int64_t stop;
  wchar_t* name;  // user name, or a source's media name; may be null (FreeText)
  int32_t media;  // 1 + the source's entry in the media cache, 0 until looked up
};

struct TLTrackItem : TLItem {
  int32_t sourceCount;
  int32_t effectCount;
  int32_t transitionCount;
  TLObjectItem* sources;  // time order; null when empty
  TLObjectItem* effects;  // priority order
  TLObjectItem* transitions;  // time order
  // Nesting: a composition's own tracks follow it, indented.
  int32_t depth;          // 0 for a group's tracks, 1 for a composition's in it, ...
  int32_t top;            // the track's offset from its band's top, pixels
  int32_t trackCount;     // a composition's tracks; 0 for a plain track
  TLTrackItem* tracks;    // entry j is the composition's virtual track j
};

struct TLGroupItem : TLItem {
  int32_t trackCount;
  TLTrackItem* tracks;  // entry j is the group's virtual track j
  // The group's own effects and transitions, drawn in a row above its tracks
  // when there are any.
  int32_t effectCount;
  int32_t transitionCount;
  TLObjectItem* effects;
  TLObjectItem* transitions;
  int32_t height;  // the band's height, pixels
  bool audio;      // an audio group: sources show a waveform, not a picture
};

// Called by TimeLineModel::ForEachItem; the results are summed.
using TLItemCallback = int (*)(TimeLineModel* control, TLItem* item, void* argument);
