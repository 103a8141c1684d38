#include "Interleaver.h"

Interleaver::Interleaver(CRITICAL_SECTION* lock) : lock_(lock) { InitializeConditionVariable(&changed_); }

void Interleaver::Start(int count, REFERENCE_TIME window, bool blocking) {
  inputs_.assign(size_t(count), Input());
  window_ = window;
  blocking_ = blocking;
  stopped_ = false;
  WakeAllConditionVariable(&changed_);
}

void Interleaver::SetLead(int input, REFERENCE_TIME lead) { inputs_[size_t(input)].lead = lead; }

bool Interleaver::MayGo(int input) const {
  const Input& own = inputs_[size_t(input)];
  for (size_t other = 0; other < inputs_.size(); ++other) {
    const Input& peer = inputs_[other];
    if (int(other) != input && !peer.ended && own.time - own.lead > peer.time - peer.lead + window_) return false;
  }
  return true;
}

bool Interleaver::WaitTurn(int input) {
  for (;;) {
    if (stopped_ || inputs_[size_t(input)].held) return false;
    if (!blocking_ || MayGo(input)) return true;
    SleepConditionVariableCS(&changed_, lock_, INFINITE);
  }
}

void Interleaver::Advance(int input, REFERENCE_TIME time) {
  inputs_[size_t(input)].time = time;
  WakeAllConditionVariable(&changed_);
}

void Interleaver::End(int input) {
  inputs_[size_t(input)].ended = true;
  WakeAllConditionVariable(&changed_);
}

void Interleaver::Hold(int input, bool held) {
  inputs_[size_t(input)].held = held;
  WakeAllConditionVariable(&changed_);
}

void Interleaver::Stop() {
  stopped_ = true;
  WakeAllConditionVariable(&changed_);
}

REFERENCE_TIME Interleaver::Position() const {
  REFERENCE_TIME least = -1, greatest = 0;
  for (const Input& input : inputs_) {
    if (input.time > greatest) greatest = input.time;
    if (!input.ended && (least < 0 || input.time < least)) least = input.time;
  }
  return least >= 0 ? least : greatest;
}
