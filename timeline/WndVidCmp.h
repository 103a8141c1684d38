// The modal "Compressor properties" window: the key-frame rate, the P frames
// per key frame and the quality of a video compressor, through the
// IAMVideoCompression of its output pin. Only the settings the compressor
// reports in its capabilities are enabled, and only those are applied on OK.
#pragma once

#include <dshow.h>

#include "DialogWindow.h"

class EditBox;
class StaticText;
class TrackBar;

class WndVidCmp : public DialogWindow {
 public:
  WndVidCmp();
  DWORD Create(HWND parent, HINSTANCE instance) override;
  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
  // With result OK applies the enabled settings; their results are not examined.
  int QueryClose() override;

  // After Create. Keeps compression (not owned: it must outlive the window)
  // and fills the controls; answers GetInfo's result, a failure meaning the
  // window is not to be shown.
  HRESULT Init(IAMVideoCompression* compression);

  LONG Capabilities() const { return capabilities_; }
  EditBox* InfoField() const { return info_; }
  EditBox* KeyFrameField() const { return keyFrames_; }
  EditBox* PFramesField() const { return pFrames_; }
  StaticText* QualityValue() const { return qualityValue_; }
  TrackBar* QualitySlider() const { return slider_; }

 private:
  int AddNumberRow(const wchar_t* caption, int y, StaticText** label, EditBox** field);
  void ShowQuality(double quality, bool moveSlider);
  void LoadCurrentValues();

  LONG capabilities_ = 0;
  EditBox* info_ = nullptr;
  StaticText* keyFrameLabel_ = nullptr;
  EditBox* keyFrames_ = nullptr;
  StaticText* pFramesLabel_ = nullptr;
  EditBox* pFrames_ = nullptr;
  StaticText* qualityLabel_ = nullptr;
  StaticText* qualityValue_ = nullptr;
  TrackBar* slider_ = nullptr;
  IAMVideoCompression* compression_ = nullptr;  // not owned
};
