#include "GroupVideoPin.h"

#include "GroupFilter.h"
#include "PictureWriter.h"

HRESULT GroupVideoPin::Active() {
  HRESULT hr = IsConnected() ? fetcher_.Start() : S_OK;
  return SUCCEEDED(hr) ? GroupPin::Active() : hr;
}

HRESULT GroupVideoPin::Inactive() {
  HRESULT hr = GroupPin::Inactive();
  fetcher_.Stop();
  return hr;
}

HRESULT GroupVideoPin::BufferSize(ALLOCATOR_PROPERTIES* request) {
  long bytes = long(group_->Plan()->format.UnitBytes());
  if (request->cBuffers < 3) request->cBuffers = 3;
  if (request->cbBuffer < bytes) request->cbBuffer = bytes;
  return S_OK;
}

LONGLONG GroupVideoPin::FirstUnit(const RenderPlan& plan, REFERENCE_TIME position) {
  return plan.clock.UnitAt(plan.clock.Time(plan.units.first) + position);
}

HRESULT GroupVideoPin::Render(const std::shared_ptr<const RenderPlan>& plan, LONGLONG unit, LONGLONG, BYTE* data) {
  if (!fetcher_.Follows(plan.get(), unit)) fetcher_.Seek(plan, unit);
  const FetchedFrame* fetched = fetcher_.Take();
  if (!fetched) return E_ABORT;  // the thread is being stopped
  PictureWriter writer(plan->format);
  if (const FetchedPicture* picture = VideoComposer::Unchanged(*plan, unit, *fetched)) {
    if (picture->stored) writer.WriteStored(picture->pixels.data(), picture->source->storedTopDown, data);
    else writer.Write(picture->Frame(), data);
  } else {
    VideoFrame frame = writer.InPlace(data);
    bool inPlace = frame.pixels != nullptr;
    if (!inPlace) frame = scratch_.Frame(plan->format.width, plan->format.height);
    composer_.Compose(*plan, unit, *fetched, frame);
    if (!inPlace) writer.Write(frame, data);
  }
  fetcher_.Done();
  return S_OK;
}
