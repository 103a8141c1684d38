// The SMPTE wipe transition (CLSID_DxtJpeg) with its published parameters:
//   MaskNum         SMPTE wipe code (WipeShapes.h), default 1
//   MaskName        a picture whose brightness orders the wipe instead, default none
//   BorderColor     0xRRGGBB, default 0 (black)
//   BorderWidth     solid border, pixels 0-1000, default 0
//   BorderSoftness  blended band at each edge, pixels 0-1000, default 0
//   OffsetX/Y       origin from the centre, pixels, default 0   (codes 101-131)
//   ScaleX/Y        stretch, 0.01-100, default 1                 (codes 101-131)
//   ReplicateX/Y    copies of the pattern across, 0-32, default 0 (0 and 1: one)
//   Progress        overrides the transition's progress, 0-1
#pragma once

#include <string>
#include <vector>

#include "EffectParameters.h"
#include "VideoEffect.h"
#include "WipeMask.h"

class SmpteWipe final : public VideoTransition {
 public:
  static constexpr ParameterInfo kMaskNum = {L"MaskNum", 1, 1, 409};
  static constexpr ParameterInfo kMaskName = {L"MaskName", 0, 0, 0};
  static constexpr ParameterInfo kBorderColor = {L"BorderColor", 0, 0, 0xFFFFFF};
  static constexpr ParameterInfo kBorderWidth = {L"BorderWidth", 0, 0, 1000};
  static constexpr ParameterInfo kBorderSoftness = {L"BorderSoftness", 0, 0, 1000};
  static constexpr ParameterInfo kOffsetX = {L"OffsetX", 0, -100000, 100000};
  static constexpr ParameterInfo kOffsetY = {L"OffsetY", 0, -100000, 100000};
  static constexpr ParameterInfo kScaleX = {L"ScaleX", 1, 0.01, 100};
  static constexpr ParameterInfo kScaleY = {L"ScaleY", 1, 0.01, 100};
  static constexpr ParameterInfo kReplicateX = {L"ReplicateX", 0, 0, 32};
  static constexpr ParameterInfo kReplicateY = {L"ReplicateY", 0, 0, 32};
  static constexpr ParameterInfo kParameters[] = {kMaskNum,        kMaskName,   kBorderColor, kBorderWidth,
                                                  kBorderSoftness, kOffsetX,    kOffsetY,     kScaleX,
                                                  kScaleY,         kReplicateX, kReplicateY,  kProgressParameter};
  static ParameterList Parameters() { return ListOf(kParameters); }

  void Apply(const VideoFrame& a, const VideoFrame& b, const VideoFrame& out, double progress, REFERENCE_TIME time,
             const PropertyEvaluator& values) override;

 private:
  static WipePattern PatternOf(const EffectParameters& parameters);
  // Draws the mask from the named picture; false when it cannot be read.
  bool DrawPicture(const wchar_t* name, int width, int height);

  WipeMask mask_;
  std::wstring pictureName_;  // the picture decoded into picture_, if any
  std::vector<BYTE> picture_;
  int pictureWidth_ = 0;
  int pictureHeight_ = 0;
  int pictureMaskWidth_ = 0;  // the frame size the mask was last drawn from the picture for
  int pictureMaskHeight_ = 0;
};
