#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "UndoHistory.h"

namespace {

class UndoHistoryTest : public EngineTest {
 protected:
  std::wstring Text() { return ProjectText(timeline.Get()); }
  ComPtr<IAMTimelineObj> NewVideoGroup(const wchar_t* name) {
    AM_MEDIA_TYPE type = MakeVideoType(320, 240, 24);
    ComPtr<IAMTimelineObj> group = AddGroup(name, &type);
    ClearMediaType(&type);
    return group;
  }
};

TEST_F(UndoHistoryTest, EveryKindOfChangeComesBackExactly) {
  ComPtr<IAMTimelineObj> group = NewVideoGroup(L"Video");
  ComPtr<IAMTimelineObj> track = AddTrack(group.Get(), L"T0");
  UndoHistory history;
  ASSERT_EQ(S_OK, history.Reset(timeline.Get()));
  ComPtr<IAMTimelineObj> source, effect, second;
  const std::vector<std::function<void()>> changes = {
      [&] { source = AddSource(track.Get(), 0, 20000000); },
      [&] { effect = AddEffect(track.Get(), 0, 10000000); },
      [&] { AddTransition(track.Get(), 5000000, 10000000); },
      [&] { second = AddTrack(group.Get(), L"T1"); },
      [&] { NewVideoGroup(L"Second"); },
      [&] { source->SetStartStop(10000000, 40000000); },
      [&] { SetName(effect.Get(), L"Renamed"); },
      [&] { source->SetMuted(TRUE); },
      [&] { ASSERT_EQ(S_OK, second->RemoveAll()); },
      [&] { ASSERT_EQ(S_OK, source->RemoveAll()); },
      [&] { timeline->ClearAllGroups(); },
  };
  std::vector<std::wstring> states = {Text()};
  for (const auto& change : changes) {
    change();
    ASSERT_EQ(S_OK, history.Record(timeline.Get()));
    ASSERT_NE(states.back(), Text());
    states.push_back(Text());
  }
  // Nothing changed: no step.
  EXPECT_EQ(S_FALSE, history.Record(timeline.Get()));
  EXPECT_EQ(changes.size(), history.UndoSteps());

  for (size_t i = states.size() - 1; i > 0; --i) {
    ASSERT_EQ(S_OK, history.Undo(timeline.Get()));
    EXPECT_EQ(states[i - 1], Text()) << "undo to state " << i - 1;
  }
  EXPECT_EQ(S_FALSE, history.Undo(timeline.Get()));
  for (size_t i = 1; i < states.size(); ++i) {
    ASSERT_EQ(S_OK, history.Redo(timeline.Get()));
    EXPECT_EQ(states[i], Text()) << "redo to state " << i;
  }
  EXPECT_EQ(S_FALSE, history.Redo(timeline.Get()));

  // A change after undo replaces what could have been redone.
  ASSERT_EQ(S_OK, history.Undo(timeline.Get()));
  NewVideoGroup(L"Other");
  ASSERT_EQ(S_OK, history.Record(timeline.Get()));
  EXPECT_EQ(0u, history.RedoSteps());
  ASSERT_EQ(S_OK, history.Undo(timeline.Get()));
  EXPECT_EQ(states[states.size() - 2], Text());
}

TEST_F(UndoHistoryTest, DepthAndMemoryStayBounded) {
  ComPtr<IAMTimelineObj> track = AddTrack(NewVideoGroup(L"Video").Get(), L"T0");
  struct Case {
    size_t depth, byteLimit;
    int changes;
  } const cases[] = {
      {100, UndoHistory::kDefaultByteLimit, 150},
      {100, 1 << 20, 150},  // the last states are some 50 KB each: about 20 fit
  };
  for (const Case& c : cases) {
    timeline->ClearAllGroups();
    track = AddTrack(NewVideoGroup(L"Video").Get(), L"T0");
    UndoHistory history(c.depth, c.byteLimit);
    ASSERT_EQ(S_OK, history.Reset(timeline.Get()));
    std::vector<std::wstring> states = {Text()};
    for (int i = 0; i < c.changes; ++i) {
      AddSource(track.Get(), i * 10000000LL, (i + 1) * 10000000LL);
      ASSERT_EQ(S_OK, history.Record(timeline.Get()));
      states.push_back(Text());
      ASSERT_LE(history.Bytes(), c.byteLimit);
    }
    size_t steps = history.UndoSteps();
    if (c.byteLimit == UndoHistory::kDefaultByteLimit) EXPECT_EQ(c.depth, steps);
    else EXPECT_LT(steps, 50u);
    EXPECT_GT(steps, 0u);
    while (history.Undo(timeline.Get()) == S_OK) {
    }
    EXPECT_EQ(states[states.size() - 1 - steps], Text());
  }
}

}  // namespace
