// Reads a timeline's groups, tracks and objects into the timeline control's
// item records. Each record takes over the reference it was handed.
#pragma once

#include <cstdint>

#include "EditingServices.h"
#include "TimeLineItems.h"

class TimeLineReader {
 public:
  // Every object read raises *maxTime to its stop time.
  explicit TimeLineReader(int64_t* maxTime) : maxTime_(maxTime) {}

  // item must be zeroed. A group without IAMTimelineComp, or one whose tracks
  // cannot all be had, is kept with no tracks; its own effects and
  // transitions are read either way.
  void ReadGroup(IAMTimelineObj* group, TLGroupItem* item);
  // item must be zeroed. Tables whose interface the track lacks stay empty
  // (a nested composition has no sources of its own, but tracks at depth + 1).
  void ReadTrack(IAMTimelineObj* track, TLTrackItem* item, int32_t depth = 0);

 private:
  // A group's or composition's virtual tracks into a new table; false, with
  // nothing read, when any of them cannot be had.
  bool ReadTracks(IAMTimelineObj* composition, int32_t depth, TLTrackItem** table, int32_t* count);
  void ReadSources(IAMTimelineObj* track, TLTrackItem* item);
  void ReadEffects(IAMTimelineObj* parent, TLObjectItem** table, int32_t* count);
  void ReadTransitions(IAMTimelineObj* parent, TLObjectItem** table, int32_t* count);
  // Fills a table of up to count entries from next(index, &object), which
  // answers false when there is no further object. Returns the entries read.
  template <class NextObject>
  int32_t ReadObjects(long count, int32_t kind, TLObjectItem** table, NextObject next);
  void FillObject(TLObjectItem* item, IAMTimelineObj* object, int32_t kind);

  int64_t* maxTime_;
};
