#include "WndVidCmp.h"

#include <cmath>

#include "DecimalText.h"
#include "EditBox.h"
#include "JoinedString.h"
#include "NumberText.h"
#include "StaticText.h"
#include "Text.h"
#include "TrackBar.h"

namespace {

constexpr int kRowGap = 4;
constexpr int kQualityDigits = 6;

void ShowNumber(EditBox* field, LONG value) {
  NumberText text(value);
  field->SetText(text.AsText());
}

LONG ReadNumber(const EditBox* field) {
  wchar_t* text = field->GetText();
  LONG value = TextToInt(text);
  FreeText(text);
  return value;
}

void Enable(Window* control, bool on) { EnableWindow(control->Handle(), on ? TRUE : FALSE); }

}  // namespace

WndVidCmp::WndVidCmp() {
  className_ = L"WndVidCmp";
  style_ = WS_SYSMENU;
}

DWORD WndVidCmp::Create(HWND parent, HINSTANCE instance) {
  DWORD error = DialogWindow::Create(parent, instance);
  if (error) return error;
  SetSize(300, 280);
  SetText(L"Compressor properties");
  RECT client;
  GetClientRect(hwnd_, &client);
  const int w = client.right;
  info_ = new EditBox();
  info_->ModifyStyle(WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL, false, kStyleReplace);
  info_->ModifyStyle(0, true, kStyleReplace);
  CreateChild(info_, 4, 4, w - 8, 20)->SetText(L"?");
  int y = 4 + 20 + kRowGap;
  y = AddNumberRow(L"Key-frame rate [frames]:", y, &keyFrameLabel_, &keyFrames_);
  y = AddNumberRow(L"Predicted (P) frames per key-frame:", y, &pFramesLabel_, &pFrames_);
  qualityLabel_ = CreateChild(new StaticText(), 4, y, w - 233, 15);
  qualityLabel_->SetText(L"Quality:");
  qualityValue_ = CreateChild(new StaticText(), w - 229, y, 25, 20);
  qualityValue_->SetText(L"0");
  slider_ = CreateChild(new TrackBar(), w - 204, y, 200, 20);
  slider_->SetRange(0, 100, false);
  ArrangeButtons(slider_);
  return 0;
}

// A caption with a digits-only field at its right; answers the next row's top.
int WndVidCmp::AddNumberRow(const wchar_t* caption, int y, StaticText** label, EditBox** field) {
  RECT client;
  GetClientRect(hwnd_, &client);
  *label = CreateChild(new StaticText(), 4, y, client.right - 48, 15);
  (*label)->SetText(caption);
  *field = new EditBox();
  (*field)->ModifyStyle(ES_NUMBER, false, kStyleAdd);
  CreateChild(*field, client.right - 44, y, 40, 20);
  return y + 20 + kRowGap;
}

HRESULT WndVidCmp::Init(IAMVideoCompression* compression) {
  compression_ = compression;
  capabilities_ = 0;
  if (!compression_) return E_POINTER;
  wchar_t version[50] = {}, description[100] = {};
  int versionBytes = sizeof version, descriptionBytes = sizeof description;
  LONG keyFrames = 0, pFrames = 0, capabilities = 0;
  double quality = 0.0;
  HRESULT hr = compression_->GetInfo(version, &versionBytes, description, &descriptionBytes, &keyFrames,
                                     &pFrames, &quality, &capabilities);
  if (SUCCEEDED(hr)) {
    // The compressor may fill the buffers to the brim.
    version[49] = description[99] = 0;
    JoinedString info(description, L" ", version, nullptr);
    info_->SetText(info.Get());
    ShowNumber(keyFrames_, keyFrames);
    ShowNumber(pFrames_, pFrames);
    ShowQuality(quality, true);
    capabilities_ = capabilities;
  }
  LoadCurrentValues();
  return hr;
}

void WndVidCmp::LoadCurrentValues() {
  bool keyFrames = capabilities_ & CompressionCaps_CanKeyFrame;
  bool pFrames = capabilities_ & CompressionCaps_CanBFrame;
  bool quality = capabilities_ & CompressionCaps_CanQuality;
  LONG value = -1;
  if (keyFrames && SUCCEEDED(compression_->get_KeyFrameRate(&value)) && value >= 0) ShowNumber(keyFrames_, value);
  value = -1;
  if (pFrames && SUCCEEDED(compression_->get_PFramesPerKeyFrame(&value)) && value >= 0) ShowNumber(pFrames_, value);
  double current = -1.0;
  if (quality && SUCCEEDED(compression_->get_Quality(&current)) && current >= 0.0) ShowQuality(current, true);
  Enable(keyFrameLabel_, keyFrames);
  Enable(keyFrames_, keyFrames);
  Enable(pFramesLabel_, pFrames);
  Enable(pFrames_, pFrames);
  Enable(qualityLabel_, quality);
  Enable(qualityValue_, quality);
  Enable(slider_, quality);
}

void WndVidCmp::ShowQuality(double quality, bool moveSlider) {
  DecimalText text(quality, kQualityDigits);
  qualityValue_->SetText(text.AsText());
  if (moveSlider) slider_->SetPos(static_cast<int>(std::lround(quality * 100.0)), true);
}

int WndVidCmp::QueryClose() {
  if (result_ == IDOK && compression_) {
    if (capabilities_ & CompressionCaps_CanKeyFrame) compression_->put_KeyFrameRate(ReadNumber(keyFrames_));
    if (capabilities_ & CompressionCaps_CanBFrame) compression_->put_PFramesPerKeyFrame(ReadNumber(pFrames_));
    if (capabilities_ & CompressionCaps_CanQuality) compression_->put_Quality(slider_->GetPos() * 0.01);
  }
  return DialogWindow::QueryClose();
}

LRESULT WndVidCmp::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_HSCROLL && slider_ && reinterpret_cast<HWND>(lParam) == slider_->Handle()) {
    ShowQuality(slider_->GetPos() * 0.01, false);
    return 0;
  }
  if (message == WM_SHOWWINDOW && wParam && info_) SetFocus(info_->Handle());
  return DialogWindow::WindowProc(hwnd, message, wParam, lParam);
}
