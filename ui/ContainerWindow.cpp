#include "ContainerWindow.h"

#include <utility>

ContainerWindow::~ContainerWindow() { ClearChildren(true); }

LRESULT ContainerWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ACTIVATE && LOWORD(wParam) != WA_INACTIVE) SetActiveWindowHandle(hwnd);
  if (message == WM_WINDOWPOSCHANGED) LayOut(reinterpret_cast<const WINDOWPOS*>(lParam));
  return Window::WindowProc(hwnd, message, wParam, lParam);
}

void ContainerWindow::LayOut(const WINDOWPOS* pos) {
  if (!pos || (pos->flags & SWP_NOSIZE)) return;
  int dx = pos->cx - width_;
  int dy = pos->cy - height_;
  if (!dx && !dy) return;
  for (ChildEntry& entry : children_) LayOutChild(entry, dx, dy);
}

void ContainerWindow::LayOutChild(ChildEntry& entry, int dx, int dy) {
  uint32_t flags = entry.child->GetAnchor();
  if (flags & kAnchorFollowX) {
    if (flags & kAnchorStretchX) {
      entry.width += dx;
      entry.child->SetSize(entry.width, entry.height);
    } else {
      entry.child->SetPosition(entry.child->Left() + dx, entry.child->Top());
    }
  }
  if (flags & kAnchorFollowY) {
    if (flags & kAnchorStretchY) {
      entry.height += dy;
      entry.child->SetSize(entry.width, entry.height);
    } else {
      entry.child->SetPosition(entry.child->Left(), entry.child->Top() + dy);
    }
  }
}

bool ContainerWindow::AddChild(Window* child) {
  if (!child) return false;
  for (const ChildEntry& entry : children_) {
    if (entry.child == child) return false;
  }
  children_.push_back({child->Width(), child->Height(), child});
  return true;
}

bool ContainerWindow::RemoveChild(Window* child, bool destroyWindow, bool deleteObject) {
  for (auto it = children_.begin(); it != children_.end(); ++it) {
    if (it->child != child) continue;
    children_.erase(it);
    ChildRemoved(child);
    if (destroyWindow && child->Handle()) DestroyWindow(child->Handle());
    if (deleteObject) child->Destroy(false);  // its window went above, if asked
    return true;
  }
  return false;
}

void ContainerWindow::ClearChildren(bool destroyWindow) {
  std::vector<ChildEntry> children;
  children.swap(children_);
  for (ChildEntry& entry : children) {
    ChildRemoved(entry.child);
    entry.child->Destroy(destroyWindow);
  }
}

void ContainerWindow::ChildRemoved(Window*) {}
