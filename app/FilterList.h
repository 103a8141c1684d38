// Installed DirectShow filters of one device category, as start-up found them.
#pragma once

#include <windows.h>

#include <vector>

struct FilterInfo {
  wchar_t* name;         // friendly name, owned
  CLSID clsid;           // all zero when unknown
  wchar_t* displayName;  // moniker display name from CoTaskMemAlloc; may be null
};

class FilterList {
 public:
  FilterList() = default;
  ~FilterList() { Clear(); }
  FilterList(const FilterList&) = delete;
  FilterList& operator=(const FilterList&) = delete;

  // Takes ownership of displayName; copies name.
  void Append(const wchar_t* name, const CLSID& clsid, wchar_t* displayName);
  void Clear();
  int Count() const { return static_cast<int>(entries_.size()); }
  const FilterInfo& operator[](int index) const { return entries_[index]; }

 private:
  std::vector<FilterInfo> entries_;
};

// Appends the filters registered in a device category; returns how many were
// found (0 also when the category is empty or cannot be read).
int EnumerateCategory(REFCLSID category, FilterList& list);

// The process-wide lists: effects and transitions by index 2 × (0 video,
// 1 audio) + (0 effect, 1 transition), audio renderers, and the compressors,
// whose first entry stands for no compressor.
extern FilterList effectFilters[4];
extern FilterList audioRenderers;
extern FilterList videoCompressors;
extern FilterList audioCompressors;

// Fills every list, in the order start-up reports them; status is told of each
// step (may be null).
void LoadFilterLists(void (*status)(const wchar_t* text, void* context), void* context);
void FreeFilterLists();
