// Base of the interfaces a timeline node exposes besides IAMTimelineObj: each
// is a member object of the node and shares the node's identity and count.
#pragma once

#include <unknwn.h>

class TimelineNode;

template <class I>
class NodeFacet : public I {
 public:
  NodeFacet(TimelineNode& node, IUnknown& identity) : node_(node), identity_(identity) {}
  NodeFacet(const NodeFacet&) = delete;
  NodeFacet& operator=(const NodeFacet&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** object) override {
    return identity_.QueryInterface(iid, object);
  }
  STDMETHODIMP_(ULONG) AddRef() override { return identity_.AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return identity_.Release(); }

 protected:
  TimelineNode& node_;

 private:
  IUnknown& identity_;
};
