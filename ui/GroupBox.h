// A group-box control that lays out the children added to it like a container.
#pragma once

#include "ContainerWindow.h"

class GroupBox : public ContainerWindow {
 public:
  GroupBox();
  GroupBox(HWND parent, HINSTANCE instance);
  void InitDefaults() override;
  DWORD Create(HWND parent, HINSTANCE instance) override;
};
