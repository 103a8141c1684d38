// IAMTimelineTrans: a transition's cut point and input order.
#pragma once

#include "EditingServices.h"
#include "NodeFacet.h"

class NodeTransition : public NodeFacet<IAMTimelineTrans> {
 public:
  using NodeFacet::NodeFacet;

  STDMETHODIMP GetCutPoint(REFERENCE_TIME* time) override;
  STDMETHODIMP GetCutPoint2(REFTIME* time) override;
  STDMETHODIMP SetCutPoint(REFERENCE_TIME time) override;
  STDMETHODIMP SetCutPoint2(REFTIME time) override;
  STDMETHODIMP GetSwapInputs(BOOL* swap) override;
  STDMETHODIMP SetSwapInputs(BOOL swap) override;
  STDMETHODIMP GetCutsOnly(BOOL* cutsOnly) override;
  STDMETHODIMP SetCutsOnly(BOOL cutsOnly) override;

 private:
  friend class NodeSplittable;

  REFERENCE_TIME cutPoint_ = -1;  // relative to the start; -1 until set: the middle
  BOOL swapInputs_ = FALSE;
  BOOL cutsOnly_ = FALSE;
};
