#include "RenderPlan.h"

const PlanSource* PlanLayer::SourceAt(LONGLONG unit) const {
  const PlanSource* found = nullptr;
  for (const PlanSource& source : sources) {
    if (source.span.first > unit) break;
    if (source.span.Covers(unit)) found = &source;
  }
  return found;
}

const PlanTransition* PlanLayer::TransitionAt(LONGLONG unit) const {
  for (const PlanTransition& transition : transitions) {
    if (transition.span.Covers(unit)) return &transition;
  }
  return nullptr;
}

bool PlanLayer::Shows(LONGLONG unit) const {
  if (!composition) return SourceAt(unit) != nullptr;
  for (const PlanLayer& layer : layers) {
    if (layer.Shows(unit) || layer.TransitionAt(unit)) return true;
  }
  return false;
}
