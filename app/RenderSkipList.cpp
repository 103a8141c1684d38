#include "RenderSkipList.h"

#include "Text.h"

RenderSkipList renderSkipFilters;

void RenderSkipList::Load(const SettingsFile* settings) {
  count_ = 0;
  for (wchar_t& c : buffer_) c = 0;
  if (!settings) return;
  settings->ReadSection(L"RenderSkipFilters", buffer_);
  int count = kMaxSkipEntries;
  SplitText(buffer_, &count, L'\0', entries_, true, kSkipBufferChars);
  count_ = count;
  for (int i = 0; i < count_; ++i) UpperText(entries_[i]);
}

bool RenderSkipList::Matches(wchar_t* name) const {
  if (!name) return false;
  UpperText(name);
  for (int i = 0; i < count_; ++i) {
    if (FindText(name, entries_[i])) return true;
  }
  return false;
}

bool IsRenderSkipFilter(wchar_t* name) { return renderSkipFilters.Matches(name); }
