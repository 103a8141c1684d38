#include "WindowMap.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace {

// A handful of windows at most a few dozen: a linear list in binding order.
std::vector<std::pair<HWND, Window*>>& Entries() {
  static std::vector<std::pair<HWND, Window*>> entries;
  return entries;
}

}  // namespace

void WindowMap::Bind(HWND hwnd, Window* window) {
  if (!hwnd || !window) return;
  Unbind(nullptr, hwnd);
  Entries().emplace_back(hwnd, window);
}

void WindowMap::Unbind(Window* window, HWND hwnd) {
  auto& entries = Entries();
  entries.erase(std::remove_if(entries.begin(), entries.end(),
                               [&](const std::pair<HWND, Window*>& entry) {
                                 return window ? entry.second == window : entry.first == hwnd;
                               }),
                entries.end());
}

Window* WindowMap::Find(HWND hwnd) {
  for (const auto& entry : Entries()) {
    if (entry.first == hwnd) return entry.second;
  }
  return nullptr;
}

size_t WindowMap::Count() { return Entries().size(); }
