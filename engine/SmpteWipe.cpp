#include "SmpteWipe.h"

#include <dshow.h>

#include <algorithm>
#include <cstdlib>

#include "FrameOps.h"
#include "StillImageReader.h"
#include "WipeShapes.h"

WipePattern SmpteWipe::PatternOf(const EffectParameters& parameters) {
  WipePattern pattern;
  pattern.code = SupportedWipeCode(parameters.Integer(kMaskNum));
  if (!IsShapeWipe(pattern.code)) return pattern;
  pattern.offsetX = parameters.Number(kOffsetX);
  pattern.offsetY = parameters.Number(kOffsetY);
  pattern.scaleX = parameters.Number(kScaleX);
  pattern.scaleY = parameters.Number(kScaleY);
  pattern.cellsX = std::max(1, parameters.Integer(kReplicateX));
  pattern.cellsY = std::max(1, parameters.Integer(kReplicateY));
  return pattern;
}

bool SmpteWipe::DrawPicture(const wchar_t* name, int width, int height) {
  if (pictureName_ != name) {
    pictureName_ = name;
    picture_.clear();
    pictureMaskWidth_ = 0;
    StillImageReader reader;
    if (FAILED(reader.Open(name)) || FAILED(reader.ReadFrame(0, 0, &picture_))) picture_.clear();
    if (!picture_.empty()) {
      const VIDEOINFOHEADER* format = reinterpret_cast<const VIDEOINFOHEADER*>(reader.Streams()[0].type.Get().pbFormat);
      pictureWidth_ = format->bmiHeader.biWidth;
      pictureHeight_ = std::abs(format->bmiHeader.biHeight);
      if (pictureWidth_ <= 0 || picture_.size() < static_cast<size_t>(pictureWidth_) * pictureHeight_ * 4)
        picture_.clear();
    }
  }
  if (picture_.empty()) return false;
  if (pictureMaskWidth_ != width || pictureMaskHeight_ != height) {
    mask_.DrawPicture(picture_.data(), pictureWidth_, pictureHeight_, width, height);
    pictureMaskWidth_ = width;
    pictureMaskHeight_ = height;
  }
  return true;
}

void SmpteWipe::Apply(const VideoFrame& a, const VideoFrame& b, const VideoFrame& out, double progress,
                      REFERENCE_TIME time, const PropertyEvaluator& values) {
  EffectParameters parameters(values, time);
  const wchar_t* picture = parameters.Text(kMaskName);
  if (!*picture || !DrawPicture(picture, out.width, out.height)) {
    pictureMaskWidth_ = 0;  // the pattern replaces the picture's mask
    mask_.Draw(PatternOf(parameters), out.width, out.height);
  }
  WipeEdge edge;
  edge.border = parameters.Number(kBorderWidth);
  edge.softness = parameters.Number(kBorderSoftness);
  edge.borderPixel = OpaquePixel(parameters.Color(kBorderColor));
  mask_.Blend(a, b, out, parameters.Progress(progress), edge);
}
