#include "VideoComposer.h"

#include <algorithm>
#include <cstring>

int VideoComposer::TopLayer(const std::vector<PlanLayer>& layers, int count, LONGLONG unit) {
  for (int i = count - 1; i >= 0; --i) {
    if (layers[i].TransitionAt(unit) || layers[i].Shows(unit)) return i;
  }
  return -1;
}

bool VideoComposer::AnyCovers(const std::vector<PlanEffect>& effects, LONGLONG unit) {
  return std::any_of(effects.begin(), effects.end(), [unit](const PlanEffect& e) { return e.span.Covers(unit); });
}

void VideoComposer::NeedsBelow(const std::vector<PlanLayer>& layers, int count, LONGLONG unit,
                               std::vector<const PlanSource*>* sources) {
  int top = TopLayer(layers, count, unit);
  if (top < 0) return;
  const PlanLayer& layer = layers[top];
  if (layer.TransitionAt(unit)) NeedsBelow(layers, top, unit, sources);
  if (layer.composition) return NeedsBelow(layer.layers, int(layer.layers.size()), unit, sources);
  const PlanSource* source = layer.SourceAt(unit);
  if (source && source->stream >= 0 && std::find(sources->begin(), sources->end(), source) == sources->end())
    sources->push_back(source);
}

void VideoComposer::Needs(const RenderPlan& plan, LONGLONG unit, std::vector<const PlanSource*>* sources) {
  sources->clear();
  NeedsBelow(plan.root.layers, int(plan.root.layers.size()), unit, sources);
}

const PlanSource* VideoComposer::UnchangedSource(const RenderPlan& plan, LONGLONG unit) {
  if (AnyCovers(plan.root.effects, unit)) return nullptr;
  const std::vector<PlanLayer>* layers = &plan.root.layers;
  for (;;) {
    int top = TopLayer(*layers, int(layers->size()), unit);
    if (top < 0) return nullptr;
    const PlanLayer& layer = (*layers)[top];
    if (layer.TransitionAt(unit) || AnyCovers(layer.effects, unit)) return nullptr;
    if (!layer.composition) {
      const PlanSource* source = layer.SourceAt(unit);
      if (!source || AnyCovers(source->effects, unit) || source->width != plan.format.width ||
          source->height != plan.format.height)
        return nullptr;
      return source;
    }
    layers = &layer.layers;
  }
}

void VideoComposer::Compose(const RenderPlan& plan, LONGLONG unit, const FetchedFrame& fetched, const VideoFrame& out) {
  fetched_ = &fetched;
  clock_ = &plan.clock;
  Layers(plan.root.layers, int(plan.root.layers.size()), unit, 0, out);
  Effects(plan.root.effects, unit, out);
}

void VideoComposer::Layers(const std::vector<PlanLayer>& layers, int count, LONGLONG unit, int depth,
                           const VideoFrame& out) {
  int top = TopLayer(layers, count, unit);
  if (top < 0) return PictureScaler::Fill(out);
  const PlanTransition* transition = layers[top].TransitionAt(unit);
  if (!transition) return Layer(layers[top], unit, depth, out);
  Layers(layers, top, unit, depth + 1, out);  // what lies beneath
  Transition(*transition, layers[top], unit, depth, out);
}

void VideoComposer::Transition(const PlanTransition& transition, const PlanLayer& layer, LONGLONG unit, int depth,
                               const VideoFrame& out) {
  if (transition.cutsOnly && unit < transition.cut) return;
  VideoFrame own = Scratch(depth, out);
  Layer(layer, unit, depth + 1, own);
  if (transition.cutsOnly) {
    for (int y = 0; y < out.height; ++y) memcpy(out.Row(y), own.Row(y), size_t(out.width) * 4);
    return;
  }
  const VideoFrame& a = transition.swapInputs ? own : out;
  const VideoFrame& b = transition.swapInputs ? out : own;
  transition.video->Apply(a, b, out, transition.Progress(unit), clock_->Time(unit) - transition.start,
                          *transition.values);
}

void VideoComposer::Layer(const PlanLayer& layer, LONGLONG unit, int depth, const VideoFrame& out) {
  if (layer.composition) {
    Layers(layer.layers, int(layer.layers.size()), unit, depth, out);
  } else if (const PlanSource* source = layer.SourceAt(unit)) {
    Source(*source, unit, out);
  } else {
    PictureScaler::Fill(out);
  }
  Effects(layer.effects, unit, out);
}

void VideoComposer::Source(const PlanSource& source, LONGLONG unit, const VideoFrame& out) {
  const FetchedPicture* picture = fetched_->Find(&source);
  if (picture) scaler_.Draw(picture->Frame(), source.stretchMode, out);
  else PictureScaler::Fill(out);
  Effects(source.effects, unit, out);
}

void VideoComposer::Effects(const std::vector<PlanEffect>& effects, LONGLONG unit, const VideoFrame& out) {
  for (const PlanEffect& effect : effects) {
    if (effect.span.Covers(unit)) effect.video->Apply(out, clock_->Time(unit) - effect.start, effect.length, *effect.values);
  }
}

VideoFrame VideoComposer::Scratch(int depth, const VideoFrame& like) {
  if (scratch_.size() <= size_t(depth)) scratch_.resize(size_t(depth) + 1);
  return scratch_[depth].Frame(like.width, like.height);
}
