// A window that owns a list of children and lays them out by their anchoring
// flags when its own size changes.
#pragma once

#include <vector>

#include "Window.h"

class ContainerWindow : public Window {
 public:
  LRESULT WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) override;
  // Destroys the children, windows included.
  ~ContainerWindow() override;

  // Appends child with its current size recorded; false when it is already there.
  bool AddChild(Window* child);
  // Takes child out of the list, then destroys its window and deletes it as asked.
  // False when child is not in the list (then nothing is done to it).
  bool RemoveChild(Window* child, bool destroyWindow, bool deleteObject);
  // Places control at (x, y) with the size, creates it on this window and
  // appends it; returns it.
  template <class T>
  T* CreateChild(T* control, int x, int y, int width, int height) {
    control->SetPosition(x, y);
    control->SetSize(width, height);
    control->Create(hwnd_, instance_);
    AddChild(control);
    return control;
  }
  // Destroy(destroyWindow) of every child in list order; the list ends empty.
  void ClearChildren(bool destroyWindow);
  size_t ChildCount() const { return children_.size(); }

 protected:
  // Told as child leaves the list, before it is destroyed, so that a derived
  // window can forget its own pointer to it.
  virtual void ChildRemoved(Window* child);

 private:
  struct ChildEntry {
    int width;  // as recorded, so stretching back restores the size exactly
    int height;
    Window* child;
  };
  void LayOut(const WINDOWPOS* pos);
  void LayOutChild(ChildEntry& entry, int dx, int dy);

  std::vector<ChildEntry> children_;
};
