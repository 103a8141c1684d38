// A property window on an engine timeline, created as the main window creates
// it, and helpers to drive and read it.
#pragma once

#include <string>
#include <vector>

#include "ComboBox.h"
#include "EngineTestSupport.h"
#include "TestWindows.h"
#include "Text.h"

using Names = std::vector<std::wstring>;

template <class W>
class PropsWindowTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    window = new W();
    window->ModifyStyle(WS_VISIBLE, false, kStyleRemove);
    ASSERT_EQ(0u, window->Create(nullptr, TestInstance()));
  }
  void TearDown() override {
    window->Destroy(true);  // the window holds references: before the leak check
    EngineTest::TearDown();
  }
  // The close path as OK (IDOK) or Cancel (IDCANCEL) runs it.
  int Close(int result) {
    window->SetResult(result);
    return window->QueryClose();
  }
  long GroupCount() {
    long count = 0;
    timeline->GetGroupCount(&count);
    return count;
  }

  W* window = nullptr;
};

inline std::wstring TextOf(const Window* control) {
  wchar_t* text = control->GetText();
  std::wstring copy = text ? text : L"";
  FreeText(text);
  return copy;
}

// Selects an entry as the user does, with the notification the parent gets.
inline void Choose(ComboBox* list, int index) {
  list->SetCurSel(index);
  SendMessageW(GetParent(list->Handle()), WM_COMMAND, MAKEWPARAM(0, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(list->Handle()));
}

inline Names Entries(const ComboBox* list) {
  Names texts;
  for (int i = 0; i < list->GetCount(); ++i) {
    wchar_t* text = list->GetString(i);
    texts.emplace_back(text ? text : L"");
    FreeText(text);
  }
  return texts;
}

// A group's track names by priority level.
inline Names TrackNames(IAMTimelineObj* group) {
  Names names;
  ComPtr<IAMTimelineComp> tracks = ComPtr<IAMTimelineObj>(group).As<IAMTimelineComp>(IID_IAMTimelineComp);
  long count = 0;
  tracks->VTrackGetCount(&count);
  for (long i = 0; i < count; ++i) {
    ComPtr<IAMTimelineObj> track;
    tracks->GetVTrack(track.Receive(), i);
    names.push_back(NameOf(track.Get()));
  }
  return names;
}
