// A horizontal track bar (slider).
#pragma once

#include "Window.h"

class TrackBar : public Window {
 public:
  TrackBar();
  TrackBar(HWND parent, HINSTANCE instance);
  void InitDefaults() override;
  DWORD Create(HWND parent, HINSTANCE instance) override;

  // The minimum when minimum is true, else the maximum; also stored through out.
  int GetRange(bool minimum, int* out) const;
  // min and max are sent as 16-bit values.
  void SetRange(int min, int max, bool redraw);
  int GetPos() const;
  void SetPos(int pos, bool redraw);
};
