#include <gtest/gtest.h>

#include "Button.h"
#include "DialogWindow.h"
#include "StaticText.h"
#include "TestWindows.h"

namespace {

// A top-level owner and a window owned by it; both deleted at the end.
struct OwnedPair : ::testing::Test {
  void SetUp() override {
    owner = MakeFrame(nullptr, 20, 20, 300, 200, true);
    ASSERT_NE(nullptr, owner);
    window = MakeFrame(owner->Handle(), 60, 60, 200, 120);
    ASSERT_NE(nullptr, window);
  }
  void TearDown() override {
    if (window) window->Destroy(true);
    if (owner) owner->Destroy(true);
    TakeQuit();
  }
  // A child of window shown without a loop of its own (window disabled meanwhile).
  TestFrame* ShownChild() {
    TestFrame* child = MakeFrame(window->Handle(), 90, 90, 100, 60);
    if (child) {
      EXPECT_EQ(0, child->ShowModal(true));
    }
    return child;
  }
  TestFrame* owner = nullptr;
  TestFrame* window = nullptr;
};

// A dialog owned by owner with text buttons.
DialogWindow* MakeDialog(HWND owner) {
  DialogWindow* dialog = new DialogWindow();
  dialog->SetPosition(80, 80);
  dialog->SetSize(300, 200);
  if (dialog->Create(owner, TestInstance()) != 0) {
    dialog->Destroy(false);
    return nullptr;
  }
  dialog->ArrangeButtons(nullptr);
  return dialog;
}

}  // namespace

using CloseProtocol = OwnedPair;

TEST_F(CloseProtocol, RefusedHiddenOrDestroyed) {
  ShowWindow(window->Handle(), SW_SHOWNOACTIVATE);
  window->overrideClose = true;
  window->closeAnswer = -1;
  SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
  EXPECT_TRUE(IsWindowVisible(window->Handle()));

  window->closeAnswer = 1;
  SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
  ASSERT_NE(nullptr, window->Handle());
  EXPECT_FALSE(IsWindowVisible(window->Handle()));

  int deleted = TestFrame::deleted;
  window->closeAnswer = 2;
  SendMessageW(window->Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(nullptr, window->Handle());
  EXPECT_EQ(deleted, TestFrame::deleted);  // not shown without a loop: the caller deletes
}

TEST(CloseProtocolAlone, WindowWithoutOwnerEndsItsLoop) {
  TestFrame* alone = MakeFrame(nullptr, 40, 40, 200, 100);
  ASSERT_NE(nullptr, alone);
  alone->SetResult(3);
  PostMessageW(alone->Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(3, alone->ShowModal(false));
  EXPECT_FALSE(alone->ModalRunning());
  alone->Destroy(true);
}

TEST_F(CloseProtocol, ShownWithoutLoopTellsParentWhichDeletes) {
  TestFrame* child = ShownChild();
  ASSERT_NE(nullptr, child);
  EXPECT_FALSE(IsWindowEnabled(window->Handle()));
  int deleted = TestFrame::deleted;
  SendMessageW(child->Handle(), WM_CLOSE, 0, 0);
  EXPECT_EQ(child, window->closedChild);
  EXPECT_EQ(deleted + 1, TestFrame::deleted);
  EXPECT_TRUE(IsWindowEnabled(window->Handle()));

  // A parent answering non-zero keeps the object; destroying it otherwise than
  // by WM_CLOSE still gives the owner back.
  ASSERT_NE(nullptr, child = ShownChild());
  window->childClosedAnswer = 1;
  DestroyWindow(child->Handle());
  EXPECT_EQ(deleted + 1, TestFrame::deleted);
  EXPECT_EQ(nullptr, child->Handle());
  EXPECT_TRUE(IsWindowEnabled(window->Handle()));
  // Created again and destroyed during a loop, it must not delete itself under that loop.
  window->childClosedAnswer = 0;
  ASSERT_EQ(0u, child->Create(window->Handle(), TestInstance()));
  child->onPing = [&] { DestroyWindow(child->Handle()); };
  PostMessageW(child->Handle(), kPingMessage, 0, 0);
  child->ShowModal(false);
  EXPECT_EQ(deleted + 1, TestFrame::deleted);
  if (TestFrame::deleted == deleted + 1) child->Destroy(true);
  EXPECT_EQ(deleted + 2, TestFrame::deleted);

  // Destroy(true) on such a window deletes it once, whatever the parent answers.
  ASSERT_NE(nullptr, child = ShownChild());
  child->Destroy(true);
  EXPECT_EQ(deleted + 3, TestFrame::deleted);
}

using ModalLoops = OwnedPair;

// Each loop disables its owner while it runs; when the inner one ends the
// outer one goes on, and when that ends the owner is enabled and active again.
TEST_F(ModalLoops, NestedLoopReturnsToOuter) {
  TestFrame* inner = MakeFrame(window->Handle(), 100, 100, 100, 60);
  ASSERT_NE(nullptr, inner);
  int innerResult = -1;
  bool outerRunningAfterInner = false, outerEnabledWhileInner = true, ownerEnabledAfterInner = true;
  inner->onPing = [&] {
    outerEnabledWhileInner = IsWindowEnabled(window->Handle());
    inner->SetResult(2);
    PostMessageW(inner->Handle(), WM_CLOSE, 0, 0);
  };
  window->onPing = [&] {
    PostMessageW(inner->Handle(), kPingMessage, 0, 0);
    innerResult = inner->ShowModal(false);
    outerRunningAfterInner = window->ModalRunning();
    ownerEnabledAfterInner = IsWindowEnabled(owner->Handle());
    window->SetResult(1);
    PostMessageW(window->Handle(), WM_CLOSE, 0, 0);
  };
  PostMessageW(window->Handle(), kPingMessage, 0, 0);
  EXPECT_EQ(1, window->ShowModal(false));
  EXPECT_EQ(2, innerResult);
  EXPECT_FALSE(outerEnabledWhileInner);
  EXPECT_TRUE(outerRunningAfterInner);
  EXPECT_FALSE(ownerEnabledAfterInner);
  EXPECT_EQ(owner->Handle(), window->ModalOwner());
  EXPECT_TRUE(IsWindowEnabled(window->Handle()));
  EXPECT_TRUE(IsWindowEnabled(owner->Handle()));
  EXPECT_EQ(owner->Handle(), GetActiveWindow());
  ASSERT_NE(nullptr, window->Handle());  // hidden, not destroyed
  EXPECT_FALSE(IsWindowVisible(window->Handle()));
  inner->Destroy(true);
}

TEST_F(ModalLoops, AcceleratorsOfTheModalWindowAreTranslated) {
  ACCEL keys[] = {{FVIRTKEY, VK_F5, 77}};
  HACCEL table = CreateAcceleratorTableW(keys, 1);
  window->SetAccelerators(table);
  window->onCommand = [&](WPARAM command) {
    if (LOWORD(command) != 77) return;
    window->SetResult(77);
    PostMessageW(window->Handle(), WM_CLOSE, 0, 0);
  };
  PostMessageW(window->Handle(), WM_KEYDOWN, VK_F5, 1);
  EXPECT_EQ(77, window->ShowModal(false));
  DestroyAcceleratorTable(table);
}

TEST_F(ModalLoops, QuitEndsEveryLoopAndStaysPosted) {
  window->SetResult(4);
  PostQuitMessage(3);
  EXPECT_EQ(4, window->ShowModal(false));
  EXPECT_FALSE(window->ModalRunning());
  EXPECT_TRUE(IsWindowEnabled(owner->Handle()));
  WPARAM code = 0;
  EXPECT_TRUE(TakeQuit(&code));
  EXPECT_EQ(3u, code);

  TestFrame* inner = MakeFrame(window->Handle(), 100, 100, 100, 60);
  ASSERT_NE(nullptr, inner);
  bool innerReturned = false;
  window->onPing = [&] {
    PostQuitMessage(5);
    inner->ShowModal(false);
    innerReturned = true;
  };
  PostMessageW(window->Handle(), kPingMessage, 0, 0);
  window->ShowModal(false);
  EXPECT_TRUE(innerReturned);
  EXPECT_TRUE(IsWindowEnabled(window->Handle()));
  EXPECT_TRUE(IsWindowEnabled(owner->Handle()));
  EXPECT_TRUE(TakeQuit(&code));
  EXPECT_EQ(5u, code);
  inner->Destroy(true);
}

TEST(Dialog, EnterEscapeButtonsAndCloseBoxSetResult) {
  TestFrame* owner = MakeFrame(nullptr, 20, 20, 300, 200, true);
  ASSERT_NE(nullptr, owner);
  struct Case {
    UINT message;
    WPARAM wParam;
    bool toOkButton;
    int result;
  } cases[] = {
      {WM_KEYDOWN, VK_RETURN, false, 1},
      {WM_KEYDOWN, VK_ESCAPE, false, 2},
      {WM_SYSCOMMAND, SC_CLOSE, false, 0},
      {BM_CLICK, 0, true, 1},
  };
  for (const Case& c : cases) {
    DialogWindow* dialog = MakeDialog(owner->Handle());
    ASSERT_NE(nullptr, dialog);
    HWND target = c.toOkButton ? dialog->OkButton()->Handle() : dialog->Handle();
    PostMessageW(target, c.message, c.wParam, 0);
    EXPECT_EQ(c.result, dialog->ShowModal(false)) << "message " << c.message << " " << c.wParam;
    EXPECT_TRUE(IsWindowEnabled(owner->Handle()));
    dialog->Destroy(true);
  }
  owner->Destroy(true);
}

// Buttons that leave with the children are forgotten; new ones go below the
// content, and the window's height follows it.
TEST(Dialog, ButtonsPlacedAndWindowSizedToContent) {
  DialogWindow* dialog = MakeDialog(nullptr);
  ASSERT_NE(nullptr, dialog);
  dialog->ClearChildren(true);
  EXPECT_EQ(nullptr, dialog->OkButton());
  EXPECT_EQ(nullptr, dialog->CancelButton());
  StaticText* content = new StaticText();
  content->SetPosition(8, 30);
  content->SetSize(200, 40);
  ASSERT_EQ(0u, content->Create(dialog->Handle(), TestInstance()));
  dialog->AddChild(content);
  dialog->ArrangeButtons(content);
  EXPECT_EQ(3u, dialog->ChildCount());
  EXPECT_NE(nullptr, content->Handle());

  RECT client;
  GetClientRect(dialog->Handle(), &client);
  EXPECT_EQ(30 + 40 + 12 + 25, client.bottom);
  EXPECT_EQ(300, dialog->Width());  // the width is kept
  Button* ok = dialog->OkButton();
  Button* cancel = dialog->CancelButton();
  EXPECT_EQ(client.right - 84, cancel->Left());
  EXPECT_EQ(client.bottom - 29, cancel->Top());
  EXPECT_EQ(cancel->Left() - 84, ok->Left());
  EXPECT_EQ(cancel->Top(), ok->Top());
  EXPECT_EQ(80, ok->Width());
  EXPECT_EQ(12u, ok->GetAnchor());
  wchar_t text[16];
  EXPECT_STREQ(L"OK", ok->GetText(text, 16));  // no images given: text buttons
  EXPECT_STREQ(L"Cancel", cancel->GetText(text, 16));
  dialog->Destroy(true);
}
