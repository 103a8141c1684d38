// Composes a video group's frames from its render plan and the decoded
// source pictures, as the editing services' timeline model defines them:
// walking the layers from the highest priority down, the first that shows
// something covers everything beneath, unless it runs a transition, which
// blends what lies beneath (a) with the layer's own picture (b, black where
// the layer is empty; swapped with swapInputs; a hard cut at the cut point
// with cutsOnly). A source is drawn as its stretch mode places it; effects
// apply to their source's, layer's or group's picture over their spans.
// Where nothing shows the frame is opaque black.
//
// One composer per streaming thread: it keeps scratch frames between calls.
#pragma once

#include <vector>

#include "FetchedFrame.h"
#include "FrameBuffer.h"
#include "PictureScaler.h"
#include "RenderPlan.h"

class VideoComposer {
 public:
  // The sources frame unit of plan shows, each once: what to fetch for it.
  static void Needs(const RenderPlan& plan, LONGLONG unit, std::vector<const PlanSource*>* sources);
  // The source that is frame unit as it stands (alone, of the group's size,
  // with nothing applied), or null.
  static const PlanSource* UnchangedSource(const RenderPlan& plan, LONGLONG unit);
  // Its fetched picture (decoded or stored), or null.
  static const FetchedPicture* Unchanged(const RenderPlan& plan, LONGLONG unit, const FetchedFrame& fetched) {
    const PlanSource* source = UnchangedSource(plan, unit);
    return source ? fetched.Whole(source) : nullptr;
  }
  // Composes frame unit of plan into out, a frame of the group's size.
  void Compose(const RenderPlan& plan, LONGLONG unit, const FetchedFrame& fetched, const VideoFrame& out);

 private:
  // The highest of the first count layers that shows or runs a transition
  // at unit, or -1.
  static int TopLayer(const std::vector<PlanLayer>& layers, int count, LONGLONG unit);
  static void NeedsBelow(const std::vector<PlanLayer>& layers, int count, LONGLONG unit,
                         std::vector<const PlanSource*>* sources);
  static bool AnyCovers(const std::vector<PlanEffect>& effects, LONGLONG unit);

  // The first count layers composed into out; scratch frames from depth on.
  void Layers(const std::vector<PlanLayer>& layers, int count, LONGLONG unit, int depth, const VideoFrame& out);
  void Layer(const PlanLayer& layer, LONGLONG unit, int depth, const VideoFrame& out);
  void Transition(const PlanTransition& transition, const PlanLayer& layer, LONGLONG unit, int depth,
                  const VideoFrame& out);
  void Source(const PlanSource& source, LONGLONG unit, const VideoFrame& out);
  void Effects(const std::vector<PlanEffect>& effects, LONGLONG unit, const VideoFrame& out);
  VideoFrame Scratch(int depth, const VideoFrame& like);

  const FetchedFrame* fetched_ = nullptr;  // of the frame being composed
  const UnitClock* clock_ = nullptr;
  PictureScaler scaler_;
  std::vector<FrameBuffer> scratch_;  // one frame per nesting depth of transitions
};
