// Undo and redo of the timeline: after each change the whole timeline is kept
// as its project text (IXml2Dex::WriteXML), and a step back or forward reads
// the kept text into the cleared timeline. Whatever made the change, the
// timeline comes back exactly as the project format holds it.
//
// At most `depth` steps are kept, and no more text than `byteLimit` (the
// oldest steps go first; the current state is always kept), so memory stays
// bounded however large the project.
#pragma once

#include <cstddef>
#include <deque>
#include <string>

#include "EditingServices.h"

class UndoHistory {
 public:
  static constexpr size_t kDefaultDepth = 100;
  static constexpr size_t kDefaultByteLimit = size_t(256) << 20;

  explicit UndoHistory(size_t depth = kDefaultDepth, size_t byteLimit = kDefaultByteLimit)
      : depth_(depth), byteLimit_(byteLimit) {}

  // Forgets every step; the timeline as it is becomes the base state.
  HRESULT Reset(IAMTimeline* timeline);
  // After a change: the timeline as it is becomes the current state and the
  // steps that could be redone are dropped.
  HRESULT Record(IAMTimeline* timeline);
  // Rebuild the timeline one step back or forward: S_OK, S_FALSE when there is
  // no such step (the timeline untouched), or the failure of reading it back.
  HRESULT Undo(IAMTimeline* timeline);
  HRESULT Redo(IAMTimeline* timeline);

  size_t UndoSteps() const { return states_.empty() ? 0 : current_; }
  size_t RedoSteps() const { return states_.empty() ? 0 : states_.size() - 1 - current_; }
  size_t Bytes() const { return bytes_; }

 private:
  HRESULT Restore(IAMTimeline* timeline, size_t index);
  void Trim();

  std::deque<std::wstring> states_;
  size_t current_ = 0;
  size_t bytes_ = 0;
  size_t depth_;
  size_t byteLimit_;
};
