#include "TimeLineDrag.h"

#include <algorithm>

#include "ComPtr.h"
#include "TimeLineModel.h"
#include "TimeText.h"

namespace {

constexpr int kEdgePixels = 3;
constexpr int kSnapPixels = 5;

struct Row {
  const TLObjectItem* table = nullptr;
  int count = 0;
  bool Holds(const TLItem* item) const { return item >= table && item < table + count; }
};

Row RowOf(const TLTrackItem& track, int32_t kind) {
  if (kind == kItemSource) return {track.sources, track.sourceCount};
  if (kind == kItemEffect) return {track.effects, track.effectCount};
  return {track.transitions, track.transitionCount};
}

// The track, at any depth, whose row holds item.
const TLTrackItem* TrackHolding(const TLTrackItem* tracks, int count, const TLItem* item) {
  for (int j = 0; j < count; ++j) {
    if (RowOf(tracks[j], item->kind).Holds(item)) return &tracks[j];
    if (const TLTrackItem* found = TrackHolding(tracks[j].tracks, tracks[j].trackCount, item)) return found;
  }
  return nullptr;
}

// The interface a parent needs to hold an object of kind.
REFIID ParentInterface(int32_t kind) {
  if (kind == kItemSource) return IID_IAMTimelineTrack;
  return kind == kItemEffect ? IID_IAMTimelineEffectable : IID_IAMTimelineTransable;
}

// Adds a loose object to parent; an effect goes in at priority (-1 last).
HRESULT AddTo(IAMTimelineObj* parent, IAMTimelineObj* object, int32_t kind, long priority) {
  ComPtr<IAMTimelineObj> holder(parent);
  if (kind == kItemSource) {
    ComPtr<IAMTimelineTrack> track = holder.As<IAMTimelineTrack>(IID_IAMTimelineTrack);
    return track ? track->SrcAdd(object) : E_NOINTERFACE;
  }
  if (kind == kItemEffect) {
    ComPtr<IAMTimelineEffectable> effectable = holder.As<IAMTimelineEffectable>(IID_IAMTimelineEffectable);
    return effectable ? effectable->EffectInsBefore(object, priority) : E_NOINTERFACE;
  }
  ComPtr<IAMTimelineTransable> transable = holder.As<IAMTimelineTransable>(IID_IAMTimelineTransable);
  return transable ? transable->TransAdd(object) : E_NOINTERFACE;
}

}  // namespace

void TimeLineDrag::Start(TLObjectItem* item, int x) {
  state_ = State{};
  state_.item = item;
  FindHome();
  int64_t left = model_->XOfTime(item->start), right = model_->XOfTime(item->stop);
  bool wide = right - left > 3 * kEdgePixels;
  state_.mode = wide && x - left < kEdgePixels ? kStart : wide && right - x <= kEdgePixels ? kStop : kMove;
  state_.target = state_.home;
  state_.pressX = x;
  state_.start = item->start;
  state_.stop = item->stop;
}

void TimeLineDrag::FindHome() {
  for (int g = 0; g < model_->GroupCount(); ++g) {
    const TLGroupItem& group = *model_->Group(g);
    if (Row{group.effects, group.effectCount}.Holds(state_.item) ||
        Row{group.transitions, group.transitionCount}.Holds(state_.item)) {
      state_.group = g;
      return;
    }
    state_.home = TrackHolding(group.tracks, group.trackCount, state_.item);
    if (state_.home) {
      state_.group = g;
      return;
    }
  }
}

// The track under y: only a track of the item's own group can take it; a
// group's own objects stay in their row.
void TimeLineDrag::Aim(int y) {
  state_.target = state_.home;
  state_.refused = false;
  if (!state_.home) return;
  int g = model_->GroupAtY(y);
  if (g < 0) return;
  if (g != state_.group) {
    state_.refused = true;
    return;
  }
  const TLTrackItem* track = model_->TrackAt(*model_->Group(g), y - model_->GroupTop(g));
  if (!track || track == state_.home) return;
  state_.target = track;
  state_.refused = !Accepts(*track);
}

bool TimeLineDrag::Accepts(const TLTrackItem& track) const {
  return static_cast<bool>(ComPtr<IAMTimelineObj>(track.object).As<IUnknown>(ParentInterface(state_.item->kind)));
}

// The nearest snapping time within reach of time, or time itself: the cursor
// and the edges of the row the object would land in.
int64_t TimeLineDrag::Snap(int64_t time, int64_t* distance) const {
  int64_t best = time;
  *distance = kSnapPixels * model_->Scale() + 1;
  auto consider = [&](int64_t candidate) {
    int64_t away = candidate > time ? candidate - time : time - candidate;
    if (away < *distance) *distance = away, best = candidate;
  };
  consider(model_->GetCursorTime());
  Row row;
  if (state_.target) {
    row = RowOf(*state_.target, state_.item->kind);
  } else if (const TLGroupItem* group = model_->Group(state_.group)) {
    row = state_.item->kind == kItemEffect ? Row{group->effects, group->effectCount}
                                           : Row{group->transitions, group->transitionCount};
  }
  for (int i = 0; i < row.count; ++i) {
    if (&row.table[i] == state_.item) continue;
    consider(row.table[i].start);
    consider(row.table[i].stop);
  }
  return best;
}

bool TimeLineDrag::Continue(int x, int y) {
  if (!Active()) return false;
  const TLTrackItem* target = state_.target;
  bool refused = state_.refused;
  if (state_.mode == kMove) Aim(y);
  int64_t delta = static_cast<int64_t>(x - state_.pressX) * model_->Scale();
  int64_t start = state_.start, stop = state_.stop;
  int64_t startDistance = 0, stopDistance = 0;
  if (state_.mode == kMove) {
    delta = std::max(delta, -state_.start);
    int64_t snappedStart = Snap(state_.start + delta, &startDistance);
    int64_t snappedStop = Snap(state_.stop + delta, &stopDistance);
    if (startDistance <= stopDistance) delta = snappedStart - state_.start;
    else if (snappedStop - (state_.stop - state_.start) >= 0) delta = snappedStop - state_.stop;
    start += delta;
    stop += delta;
  } else if (state_.mode == kStart) {
    start = std::clamp<int64_t>(Snap(state_.start + delta, &startDistance), 0, state_.stop - 1);
  } else {
    stop = std::max(Snap(state_.stop + delta, &stopDistance), state_.start + 1);
  }
  if (refused != state_.refused) SetCursor(LoadCursorW(nullptr, state_.refused ? IDC_NO : IDC_ARROW));
  bool changed = target != state_.target || refused != state_.refused;
  if (start == state_.item->start && stop == state_.item->stop) return changed;
  state_.item->start = start;
  state_.item->stop = stop;
  return true;
}

TimeLineDrag::Outcome TimeLineDrag::Finish() {
  if (!Active()) return kUnchanged;
  TLObjectItem& item = *state_.item;
  bool moved = item.start != state_.start || item.stop != state_.stop;
  Outcome outcome = kUnchanged;
  if (state_.refused) outcome = kRefused;
  else if (state_.target != state_.home) outcome = WriteMove() ? kMoved : kRefused;
  else if (moved) outcome = WriteTimes() ? kWritten : kRefused;
  if (outcome == kRefused) {
    item.start = state_.start;
    item.stop = state_.stop;
  }
  if (state_.refused) SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  state_ = State{};
  return outcome;
}

bool TimeLineDrag::Cancel() {
  if (!Active()) return false;
  bool moved = state_.item->start != state_.start || state_.item->stop != state_.stop || state_.target != state_.home;
  state_.item->start = state_.start;
  state_.item->stop = state_.stop;
  if (state_.refused) SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  state_ = State{};
  return moved;
}

bool TimeLineDrag::DropBox(RECT* box) const {
  if (!Active() || state_.refused || state_.target == state_.home || !state_.target) return false;
  const TLObjectItem& item = *state_.item;
  int width = model_->Width();
  box->left = static_cast<int>(std::clamp<int64_t>(model_->XOfTime(item.start), kTimeLineHeaderWidth, width));
  box->right = static_cast<int>(std::clamp<int64_t>(model_->XOfTime(item.stop), kTimeLineHeaderWidth, width));
  box->top = model_->GroupTop(state_.group) + state_.target->top + model_->RowOffset(item.kind);
  box->bottom = box->top + model_->RowHeight(item.kind);
  return true;
}

namespace {

// A moved object keeps its times below a microsecond; a trimmed edge takes
// the new time.
REFERENCE_TIME NewTime(REFERENCE_TIME old, int64_t now, int64_t then, bool move) {
  if (now == then) return old;
  return move ? old + ToReferenceTime(now - then) : ToReferenceTime(now);
}

}  // namespace

// A source trimmed at an edge keeps showing the same media at its other edge:
// its media times move by the trimmed time at the source's playing rate.
bool TimeLineDrag::WriteTimes() const {
  const TLObjectItem& item = *state_.item;
  IAMTimelineObj* object = item.object;
  REFERENCE_TIME oldStart = 0, oldStop = 0;
  object->GetStartStop(&oldStart, &oldStop);
  bool move = state_.mode == kMove;
  REFERENCE_TIME start = NewTime(oldStart, item.start, state_.start, move);
  REFERENCE_TIME stop = NewTime(oldStop, item.stop, state_.stop, move);
  ComPtr<IAMTimelineSrc> source = ComPtr<IAMTimelineObj>(object).As<IAMTimelineSrc>(IID_IAMTimelineSrc);
  REFERENCE_TIME mediaStart = 0, mediaStop = 0;
  bool trimSource = source && !move && SUCCEEDED(source->GetMediaTimes(&mediaStart, &mediaStop));
  if (FAILED(object->SetStartStop(start, stop))) return false;
  if (!trimSource || oldStop <= oldStart) return true;
  double rate = static_cast<double>(mediaStop - mediaStart) / static_cast<double>(oldStop - oldStart);
  REFERENCE_TIME newStart = mediaStart, newStop = mediaStop;
  if (state_.mode == kStart) newStart += static_cast<REFERENCE_TIME>((start - oldStart) * rate);
  else newStop += static_cast<REFERENCE_TIME>((stop - oldStop) * rate);
  if (newStart >= 0 && newStop >= newStart && SUCCEEDED(source->SetMediaTimes(newStart, newStop))) return true;
  object->SetStartStop(oldStart, oldStop);
  return false;
}

// Out of its track, new times, into the target; at any refusal the object
// goes back where it was, with its old times and (an effect) its priority.
bool TimeLineDrag::WriteMove() const {
  const TLObjectItem& item = *state_.item;
  ComPtr<IAMTimelineObj> object(item.object);  // the parent's reference goes with Remove
  long priority = -1;
  if (item.kind == kItemEffect) {
    ComPtr<IAMTimelineEffect> effect = object.As<IAMTimelineEffect>(IID_IAMTimelineEffect);
    if (!effect || FAILED(effect->EffectGetPriority(&priority))) return false;
  }
  REFERENCE_TIME oldStart = 0, oldStop = 0;
  if (FAILED(object->GetStartStop(&oldStart, &oldStop)) || FAILED(object->Remove())) return false;
  REFERENCE_TIME start = NewTime(oldStart, item.start, state_.start, true);
  REFERENCE_TIME stop = NewTime(oldStop, item.stop, state_.stop, true);
  if (SUCCEEDED(object->SetStartStop(start, stop)) &&
      SUCCEEDED(AddTo(state_.target->object, object.Get(), item.kind, -1))) {
    return true;
  }
  object->SetStartStop(oldStart, oldStop);
  AddTo(state_.home->object, object.Get(), item.kind, priority);
  return false;
}
