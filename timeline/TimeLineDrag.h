// Dragging an object with the left button: its body moves it in time and,
// over another track of its group, onto that track; an edge trims it. Edges
// snap to the time cursor and to the other edges of the row it would land in.
// Nothing is written until the release, and then through the engine's own
// calls, so what the engine refuses leaves the timeline as it was.
#pragma once

#include <windows.h>

#include <cstdint>

#include "TimeLineItems.h"

class TimeLineModel;

class TimeLineDrag {
 public:
  enum Outcome {
    kUnchanged,  // nothing moved, or no drag
    kWritten,    // new times on the same parent; the item stays valid
    kMoved,      // on another track: the item tables no longer match the timeline
    kRefused,    // by the engine, or dropped where it cannot land; nothing changed
  };

  explicit TimeLineDrag(const TimeLineModel& model) : model_(&model) {}

  bool Active() const { return state_.item != nullptr; }
  TLObjectItem* Item() const { return state_.item; }
  // Starts on an object item of the model's tables, pressed at client x.
  void Start(TLObjectItem* item, int x);
  // The mouse at x, y; true when the picture changed.
  bool Continue(int x, int y);
  // Ends the drag and writes it.
  Outcome Finish();
  // Ends the drag writing nothing; true when the item had moved.
  bool Cancel();
  // The tables went: forget the item.
  void Forget() { state_ = State{}; }
  // The box the object would take on another track of its group, in client
  // coordinates; false while it would stay on its own track or cannot land.
  bool DropBox(RECT* box) const;
  // Over a place where the object cannot land (another group, a row of a
  // kind the track cannot hold).
  bool Refused() const { return state_.refused; }

 private:
  enum Mode { kNone, kMove, kStart, kStop };
  struct State {
    Mode mode = kNone;
    TLObjectItem* item = nullptr;    // in the model's tables
    int group = -1;                  // the item's group
    const TLTrackItem* home = nullptr;    // its track; null for a group's own objects
    const TLTrackItem* target = nullptr;  // the track it would land on
    bool refused = false;
    int pressX = 0;
    int64_t start = 0, stop = 0;  // the item's times at the press
  };

  void FindHome();
  void Aim(int y);
  bool Accepts(const TLTrackItem& track) const;
  int64_t Snap(int64_t time, int64_t* distance) const;
  bool WriteTimes() const;
  bool WriteMove() const;

  const TimeLineModel* model_;
  State state_;
};
