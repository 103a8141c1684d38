// Keeps inputs delivered from threads of their own within a window of
// stream time of each other. Each input's time is where its next unit
// starts (what it has written); one whose time, less its lead, is more than
// the window past another input still streaming waits until that one
// catches up, ends, or the wait is called off. The input furthest behind
// never waits, so the inputs cannot all wait on each other.
//
// Every method is called under the lock given at construction; WaitTurn
// leaves it while waiting.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <vector>

class Interleaver {
 public:
  explicit Interleaver(CRITICAL_SECTION* lock);

  // A new run of count inputs at time 0 with no lead. Unless blocking,
  // inputs never wait.
  void Start(int count, REFERENCE_TIME window, bool blocking);
  // How far ahead input may run (audio written before its video).
  void SetLead(int input, REFERENCE_TIME lead);
  // Waits until input may write its next unit; false when called off.
  bool WaitTurn(int input);
  // Whether input is within the window of every other input still streaming.
  bool MayGo(int input) const;
  void Advance(int input, REFERENCE_TIME time);
  // The input has ended and holds no one back.
  void End(int input);
  // While held, input's waits return false (a flush).
  void Hold(int input, bool held);
  // Every wait returns false until the next Start.
  void Stop();
  // Written by every input: the least time of those still streaming, the
  // greatest when all have ended.
  REFERENCE_TIME Position() const;

 private:
  struct Input {
    REFERENCE_TIME time = 0;
    REFERENCE_TIME lead = 0;
    bool ended = false;
    bool held = false;
  };

  CRITICAL_SECTION* lock_;  // not owned: the owner's writing lock
  CONDITION_VARIABLE changed_;
  std::vector<Input> inputs_;
  REFERENCE_TIME window_ = 0;
  bool blocking_ = false;
  bool stopped_ = true;
};
