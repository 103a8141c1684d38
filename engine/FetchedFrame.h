// The decoded source pictures one output frame needs: top-down BGRA at each
// source's own size. Buffers are kept and refilled from frame to frame.
#pragma once

#include <vector>

#include "RenderPlan.h"
#include "VideoFrame.h"

struct FetchedPicture {
  const PlanSource* source = nullptr;
  HRESULT result = E_FAIL;  // a failed read shows black
  bool stored = false;      // pixels are the source's stored frame (PlanSource::stored), not BGRA
  std::vector<BYTE> pixels;

  VideoFrame Frame() const {
    VideoFrame frame;
    frame.pixels = const_cast<BYTE*>(pixels.data());
    frame.width = source->width;
    frame.height = source->height;
    frame.stride = ptrdiff_t(source->width) * 4;
    return frame;
  }
  bool Usable() const {
    return SUCCEEDED(result) && (stored || pixels.size() == size_t(source->width) * size_t(source->height) * 4);
  }
};

struct FetchedFrame {
  LONGLONG unit = 0;
  std::vector<FetchedPicture> pictures;  // the first count are this frame's
  size_t count = 0;

  // The source's picture when it was fetched and decoded, else null.
  const FetchedPicture* Find(const PlanSource* source) const {
    const FetchedPicture* picture = Whole(source);
    return picture && !picture->stored ? picture : nullptr;
  }
  // The same, or its stored frame where that was fetched instead.
  const FetchedPicture* Whole(const PlanSource* source) const {
    for (size_t i = 0; i < count; ++i) {
      if (pictures[i].source == source) return pictures[i].Usable() ? &pictures[i] : nullptr;
    }
    return nullptr;
  }
};
