// The modal "Compressor capabilities" window: the output formats a
// compressor's output pin offers through IAMStreamConfig, one row per
// capability, with the pin's present format selected; OK sets the chosen
// row's format on the pin.
#pragma once

#include <dshow.h>

#include <vector>

#include "DialogWindow.h"

class ListView;
class StaticText;

class WndStmCfg : public DialogWindow {
 public:
  WndStmCfg();
  ~WndStmCfg() override;
  DWORD Create(HWND parent, HINSTANCE instance) override;
  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
  // With result OK and a row chosen, SetFormat with that row's capability.
  int QueryClose() override;

  // After Create. Keeps config (not owned: it must outlive the window) and
  // lists its capabilities; a failure means the window is not to be shown.
  HRESULT Init(IAMStreamConfig* config);

  ListView* List() const { return list_; }
  StaticText* InfoLabel() const { return info_; }
  // The capability index a row stands for; -1 for no such row.
  int CapabilityOfRow(int row) const;

 private:
  void Clear();
  void AddColumns(const GUID& majorType);
  HRESULT ListVideo();
  HRESULT ListAudio();
  int AddRow(int capability, const wchar_t* first, const wchar_t* second, const wchar_t* third,
             const wchar_t* fourth);
  void MarkRow(int row);
  void ShowSubtype();

  StaticText* info_ = nullptr;
  ListView* list_ = nullptr;
  IAMStreamConfig* config_ = nullptr;     // not owned
  std::vector<AM_MEDIA_TYPE*> types_;     // one per capability, owned; null where GetStreamCaps failed
  std::vector<int> rowCapabilities_;      // the capability of each row
  AM_MEDIA_TYPE* current_ = nullptr;      // owned
  int columns_ = 0;
};
