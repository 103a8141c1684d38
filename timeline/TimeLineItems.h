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
};

struct TLTrackItem : TLItem {
  int32_t sourceCount;
  int32_t effectCount;
  int32_t transitionCount;
  TLObjectItem* sources;  // time order; null when empty
  TLObjectItem* effects;  // priority order
  TLObjectItem* transitions;  // time order
};

struct TLGroupItem : TLItem {
  int32_t trackCount;
  TLTrackItem* tracks;  // entry j is the group's virtual track j
};

// Called by TimeLineModel::ForEachItem; the results are summed.
using TLItemCallback = int (*)(TimeLineModel* control, TLItem* item, void* argument);
