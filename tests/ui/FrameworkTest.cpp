#include <gtest/gtest.h>

#include "ContainerWindow.h"
#include "EditBox.h"
#include "StaticText.h"
#include "TestWindows.h"
#include "WindowMap.h"

namespace {

struct Box {
  int x, y, width, height;
};

bool operator==(const Box& a, const Box& b) {
  return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

std::ostream& operator<<(std::ostream& out, const Box& b) {
  return out << "(" << b.x << "," << b.y << " " << b.width << "x" << b.height << ")";
}

// Where the child window really is, in its parent's client coordinates.
Box ActualBox(const Window* child) {
  RECT r;
  GetWindowRect(child->Handle(), &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(child->Handle()), reinterpret_cast<POINT*>(&r), 2);
  return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

Box RecordedBox(const Window* child) { return {child->Left(), child->Top(), child->Width(), child->Height()}; }

StaticText* AddLabel(ContainerWindow* parent, int x, int y, int width, int height, uint32_t anchor) {
  StaticText* label = new StaticText();
  label->SetPosition(x, y);
  label->SetSize(width, height);
  EXPECT_EQ(0u, label->Create(parent->Handle(), TestInstance()));
  label->SetAnchor(anchor);
  EXPECT_TRUE(parent->AddChild(label));
  return label;
}

}  // namespace

TEST(Framework, AnchoringFollowsGrowAndShrink) {
  TestFrame* frame = MakeFrame(nullptr, 50, 50, 400, 300);
  ASSERT_NE(nullptr, frame);
  StaticText* labels[] = {AddLabel(frame, 10, 10, 100, 50, 15), AddLabel(frame, 200, 150, 60, 20, 12),
                          AddLabel(frame, 10, 100, 100, 20, 7), AddLabel(frame, 150, 10, 40, 20, 0)};
  EXPECT_FALSE(frame->AddChild(labels[3]));  // already laid out: one entry
  EXPECT_EQ(4u, frame->ChildCount());
  // Shrinking below the start and growing back restores every child exactly.
  struct {
    int width, height;
    Box boxes[4];
  } steps[] = {
      {410, 320, {{10, 10, 110, 70}, {210, 170, 60, 20}, {10, 100, 110, 20}, {150, 10, 40, 20}}},
      {250, 200, {{10, 10, 0, 0}, {50, 50, 60, 20}, {10, 100, 0, 20}, {150, 10, 40, 20}}},
      {400, 300, {{10, 10, 100, 50}, {200, 150, 60, 20}, {10, 100, 100, 20}, {150, 10, 40, 20}}},
  };
  for (const auto& step : steps) {
    frame->SetSize(step.width, step.height);
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(step.boxes[i], RecordedBox(labels[i])) << step.width << " " << i;
      EXPECT_EQ(step.boxes[i], ActualBox(labels[i])) << step.width << " " << i;
    }
  }
  // Moving without resizing leaves the children alone.
  frame->SetPosition(80, 90);
  EXPECT_EQ(80, frame->Left());
  EXPECT_EQ((Box{200, 150, 60, 20}), ActualBox(labels[1]));

  int before = TestFrame::deleted;
  frame->Destroy(true);
  EXPECT_EQ(before + 1, TestFrame::deleted);
}

TEST(Framework, BindsOnlyAfterCreationAndDefaultsUnsetPlace) {
  size_t bound = WindowMap::Count();
  TestFrame* first = new TestFrame();
  ASSERT_EQ(0u, first->Create(nullptr, TestInstance()));
  EXPECT_EQ(0, first->creationMessagesSeen);
  EXPECT_EQ(first, WindowMap::Find(first->Handle()));
  // CW_USEDEFAULT reads as 0 until a position change reaches the object.
  EXPECT_EQ(0, first->Left());
  EXPECT_EQ(0, first->Width());

  // A second window of the same class: registering again is not an error.
  TestFrame* second = new TestFrame();
  EXPECT_EQ(0u, second->Create(nullptr, TestInstance()));
  EXPECT_EQ(bound + 2, WindowMap::Count());
  first->Destroy(true);
  second->Destroy(true);
  EXPECT_EQ(bound, WindowMap::Count());
}

TEST(Framework, AttachSubclassesAndDeletingGivesTheProcedureBack) {
  TestFrame* frame = MakeFrame(nullptr, 0, 0, 200, 100);
  ASSERT_NE(nullptr, frame);
  HWND raw = CreateWindowExW(0, L"EDIT", L"raw", WS_CHILD | WS_VISIBLE, 5, 5, 80, 20, frame->Handle(), nullptr,
                             TestInstance(), nullptr);
  ASSERT_NE(nullptr, raw);
  LONG_PTR original = GetWindowLongPtrW(raw, GWLP_WNDPROC);

  EditBox* edit = new EditBox();
  ASSERT_EQ(0u, edit->Attach(raw));
  EXPECT_EQ(reinterpret_cast<LONG_PTR>(&Window::SharedWindowProc), GetWindowLongPtrW(raw, GWLP_WNDPROC));
  EXPECT_EQ(frame->Handle(), edit->ParentHandle());
  EXPECT_EQ(TestInstance(), edit->Instance());
  edit->SetSize(90, 22);
  EXPECT_EQ(90, edit->Width());  // WM_WINDOWPOSCHANGED reached the object
  wchar_t text[4];
  EXPECT_STREQ(L"raw", edit->GetText(text, 4));
  EXPECT_STREQ(L"ra", edit->GetText(text, 3));  // cut to the buffer

  // Attaching a window of the framework's own class would make it call itself.
  EditBox other;
  EXPECT_NE(0u, other.Attach(frame->Handle()));
  EXPECT_EQ(nullptr, other.Handle());

  edit->Destroy(false);
  EXPECT_EQ(original, GetWindowLongPtrW(raw, GWLP_WNDPROC));
  SetWindowTextW(raw, L"still works");
  wchar_t back[32];
  GetWindowTextW(raw, back, 32);
  EXPECT_STREQ(L"still works", back);
  frame->Destroy(true);
}

TEST(Framework, DestroyedOrRemovedWindowsAreForgotten) {
  TestFrame* frame = MakeFrame(nullptr, 0, 0, 200, 100);
  ASSERT_NE(nullptr, frame);
  StaticText* label = new StaticText(frame->Handle(), TestInstance());
  ASSERT_NE(nullptr, label->Handle());
  HWND labelHandle = label->Handle();
  DestroyWindow(labelHandle);
  EXPECT_EQ(nullptr, label->Handle());
  EXPECT_EQ(nullptr, WindowMap::Find(labelHandle));
  EXPECT_EQ(nullptr, label->GetText());
  label->Destroy(true);  // nothing left to destroy; deleting is all

  // RemoveChild destroys the child's window only when asked.
  StaticText* kept = AddLabel(frame, 0, 0, 50, 20, 0);
  HWND keptHandle = kept->Handle();
  EXPECT_TRUE(frame->RemoveChild(kept, false, true));  // the object goes, its window stays
  EXPECT_TRUE(IsWindow(keptHandle));
  StaticText* gone = AddLabel(frame, 0, 30, 50, 20, 0);
  HWND goneHandle = gone->Handle();
  EXPECT_TRUE(frame->RemoveChild(gone, true, true));
  EXPECT_FALSE(IsWindow(goneHandle));
  EXPECT_EQ(0u, frame->ChildCount());

  // Destroying a container's window first leaves its children without handles.
  StaticText* child = AddLabel(frame, 0, 0, 50, 20, 0);
  HWND childHandle = child->Handle();
  size_t bound = WindowMap::Count();
  frame->Destroy(true);
  EXPECT_FALSE(IsWindow(childHandle));
  EXPECT_EQ(bound - 2, WindowMap::Count());
}

TEST(Framework, CenterOnWindowAndDesktop) {
  TestFrame* owner = MakeFrame(nullptr, 100, 100, 401, 301);
  ASSERT_NE(nullptr, owner);
  TestFrame* frame = MakeFrame(owner->Handle(), 0, 0, 100, 51);
  ASSERT_NE(nullptr, frame);
  frame->CenterOn(owner->Handle());
  EXPECT_EQ(100 + 200 - 50, frame->Left());
  EXPECT_EQ(100 + 150 - 25, frame->Top());
  RECT desktop;
  GetWindowRect(GetDesktopWindow(), &desktop);
  frame->CenterOn(nullptr);
  EXPECT_EQ(desktop.right / 2 - 50, frame->Left());
  frame->Destroy(true);
  owner->Destroy(true);
}
