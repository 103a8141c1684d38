#include "EffectTesting.h"

#include <gtest/gtest.h>

#include "EngineTestSupport.h"

namespace {
constexpr int kMarginPixels = 3;
}

Picture::Picture(int width, int height, DWORD fill)
    : rowPixels_(width + kMarginPixels), pixels_(static_cast<size_t>(rowPixels_) * height, 0) {
  frame_ = VideoFrame{reinterpret_cast<BYTE*>(pixels_.data()), width, height, rowPixels_ * 4};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) At(x, y) = fill;
}

Picture::Picture(const Picture& other) : rowPixels_(other.rowPixels_), pixels_(other.pixels_), frame_(other.frame_) {
  frame_.pixels = reinterpret_cast<BYTE*>(pixels_.data());
}

std::vector<DWORD> Picture::Pixels() const {
  std::vector<DWORD> pixels;
  for (int y = 0; y < frame_.height; ++y)
    for (int x = 0; x < frame_.width; ++x) pixels.push_back(pixels_[static_cast<size_t>(y) * rowPixels_ + x]);
  return pixels;
}

TestValues::TestValues(const std::vector<Param>& params) {
  EXPECT_EQ(S_OK, CoCreateInstance(CLSID_PropertySetter, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertySetter,
                                   setter_.ReceiveVoid()));
  for (const Param& param : params) Add(param.name, param.text);
}

TestValues::~TestValues() {
  for (auto& param : params_)
    for (DEXTER_VALUE& value : param.second) VariantClear(&value.v);
}

TestValues& TestValues::Add(const wchar_t* name, const wchar_t* text, REFERENCE_TIME time, DWORD interp) {
  for (auto& param : params_) {
    if (param.first == name) {
      param.second.push_back(TextValue(text, time, interp));
      return *this;
    }
  }
  params_.push_back({name, {TextValue(text, time, interp)}});
  return *this;
}

const PropertyEvaluator& TestValues::Evaluator() {
  setter_->ClearProps();
  for (auto& param : params_) {
    BSTR name = SysAllocString(param.first.c_str());
    EXPECT_EQ(S_OK,
              setter_->AddProp(DEXTER_PARAM{name, 0, static_cast<LONG>(param.second.size())}, param.second.data()));
    SysFreeString(name);
  }
  EXPECT_EQ(S_OK, evaluator_.Load(setter_.Get()));
  return evaluator_;
}
