#include "NodeComposition.h"

#include <vector>

#include "TimelineNode.h"

namespace {

bool IsLayer(const TimelineNode* node) {
  return node->Kind() == TIMELINE_MAJOR_TYPE_TRACK || node->Kind() == TIMELINE_MAJOR_TYPE_COMPOSITE;
}

// Nodes of a kind below a node, and how many compositions are among them.
void CountBelow(const TimelineNode& node, TIMELINE_MAJOR_TYPE type, long* count, long* comps) {
  for (int list = 0; list < static_cast<int>(ChildList::Count); ++list) {
    for (const TimelineNode* child : node.Children(static_cast<ChildList>(list))) {
      if (child->Kind() == type) ++*count;
      if (child->Kind() == TIMELINE_MAJOR_TYPE_COMPOSITE) ++*comps;
      CountBelow(*child, type, count, comps);
    }
  }
}

// Each composition after the layers it holds, so the node itself comes last.
void LayersDepthFirst(TimelineNode* node, bool withTracks, std::vector<TimelineNode*>* into) {
  for (TimelineNode* child : node->Children(ChildList::Tracks)) {
    if (child->Kind() == TIMELINE_MAJOR_TYPE_TRACK) {
      if (withTracks) into->push_back(child);
    } else {
      LayersDepthFirst(child, withTracks, into);
    }
  }
  into->push_back(node);
}

}  // namespace

STDMETHODIMP NodeComposition::VTrackInsBefore(IAMTimelineObj* track, long priority) {
  if (!track) return E_POINTER;
  TimelineNode* child = TimelineNode::FromObject(track);
  if (!child || !IsLayer(child)) return E_NOINTERFACE;
  return node_.InsertChild(ChildList::Tracks, child, priority);
}

STDMETHODIMP NodeComposition::VTrackSwapPriorities(long trackA, long trackB) {
  return node_.SwapChildren(ChildList::Tracks, trackA, trackB);
}

STDMETHODIMP NodeComposition::VTrackGetCount(long* count) {
  if (!count) return E_POINTER;
  *count = static_cast<long>(node_.Children(ChildList::Tracks).size());
  return S_OK;
}

STDMETHODIMP NodeComposition::GetVTrack(IAMTimelineObj** track, long which) {
  if (!track) return E_POINTER;
  *track = nullptr;
  const auto& tracks = node_.Children(ChildList::Tracks);
  if (which < 0 || which >= static_cast<long>(tracks.size())) return E_INVALIDARG;
  *track = tracks[which];
  (*track)->AddRef();
  return S_OK;
}

STDMETHODIMP NodeComposition::GetCountOfType(long* count, long* countWithComps,
                                             TIMELINE_MAJOR_TYPE type) {
  if (!count || !countWithComps) return E_POINTER;
  long found = 0, comps = 0;
  CountBelow(node_, type, &found, &comps);
  *count = found;
  *countWithComps = type == TIMELINE_MAJOR_TYPE_COMPOSITE ? found : found + comps;
  return S_OK;
}

STDMETHODIMP NodeComposition::GetRecursiveLayerOfType(IAMTimelineObj** track, long which,
                                                      TIMELINE_MAJOR_TYPE type) {
  if (!track) return E_POINTER;
  *track = nullptr;
  std::vector<TimelineNode*> layers;
  LayersDepthFirst(&node_, type == TIMELINE_MAJOR_TYPE_TRACK, &layers);
  if (which < 0 || which >= static_cast<long>(layers.size())) return E_INVALIDARG;
  return TimelineNode::HandOut(layers[which], track);
}

// Not supported by the published services either.
STDMETHODIMP NodeComposition::GetRecursiveLayerOfTypeI(IAMTimelineObj**, long*,
                                                       TIMELINE_MAJOR_TYPE) {
  return E_NOTIMPL;
}

STDMETHODIMP NodeComposition::GetNextVTrack(IAMTimelineObj* track, IAMTimelineObj** next) {
  if (!next) return E_POINTER;
  *next = nullptr;
  const auto& tracks = node_.Children(ChildList::Tracks);
  long index = 0;
  if (track) {
    TimelineNode* current = TimelineNode::FromObject(track);
    if (!current || current->Parent() != &node_) return E_INVALIDARG;
    index = node_.IndexOf(current) + 1;
  }
  if (index >= static_cast<long>(tracks.size())) return S_FALSE;
  *next = tracks[index];
  (*next)->AddRef();
  return S_OK;
}
