// Filters that graph building must not use, as upper-cased name parts from the
// settings section "RenderSkipFilters" (one per line, at most 255).
#pragma once

#include "SettingsFile.h"

constexpr int kMaxSkipEntries = 255;
constexpr int kSkipBufferChars = 10200;

class RenderSkipList {
 public:
  // Reads the section; a missing settings object leaves the list empty.
  void Load(const SettingsFile* settings);
  // Upper-cases name in place (a to z) and tells whether an entry occurs in it.
  bool Matches(wchar_t* name) const;
  int Count() const { return count_; }

 private:
  wchar_t buffer_[kSkipBufferChars] = {};
  wchar_t* entries_[kMaxSkipEntries] = {};
  int count_ = 0;
};

extern RenderSkipList renderSkipFilters;

// The test the preview and render windows put to every filter proposed.
bool IsRenderSkipFilter(wchar_t* name);
