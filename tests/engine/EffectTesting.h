// Pictures and property values for driving the built-in effects directly.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ComPtr.h"
#include "EditingServices.h"
#include "PropertyEvaluator.h"
#include "VideoFrame.h"

// A top-down BGRA picture whose rows lie further apart than its width.
class Picture {
 public:
  Picture(int width, int height, DWORD fill);
  Picture(const Picture& other);

  const VideoFrame& Frame() const { return frame_; }
  DWORD& At(int x, int y) { return pixels_[static_cast<size_t>(y) * rowPixels_ + x]; }
  // Every pixel of the frame, row by row.
  std::vector<DWORD> Pixels() const;

 private:
  int rowPixels_;
  std::vector<DWORD> pixels_;
  VideoFrame frame_;
};

struct Param {
  const wchar_t* name;
  const wchar_t* text;
};

// Property values as the property window stores them: text at times.
class TestValues {
 public:
  // Each of params at time 0.
  explicit TestValues(const std::vector<Param>& params = {});
  ~TestValues();
  TestValues& Add(const wchar_t* name, const wchar_t* text, REFERENCE_TIME time = 0, DWORD interp = DEXTERF_JUMP);
  // Loads the evaluator from everything added so far.
  const PropertyEvaluator& Evaluator();

 private:
  std::vector<std::pair<std::wstring, std::vector<DEXTER_VALUE>>> params_;
  ComPtr<IPropertySetter> setter_;
  PropertyEvaluator evaluator_;
};
