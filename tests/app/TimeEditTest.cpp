#include <gtest/gtest.h>

#include <string>

#include "FrameWindow.h"
#include "TimeEdit.h"
#include "TimeText.h"

namespace {

class TimeEditTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    frame = new FrameWindow();
    frame->SetPosition(40, 40);
    frame->SetSize(300, 120);
    ASSERT_EQ(0u, frame->Create(nullptr, GetModuleHandleW(nullptr)));
  }
  static void TearDownTestSuite() { frame->Destroy(true); }

  void SetUp() override {
    edit = new TimeEdit();
    edit->SetPosition(10, 10);
    ASSERT_EQ(0u, edit->Create(frame->Handle(), GetModuleHandleW(nullptr)));
  }
  void TearDown() override { edit->Destroy(true); }

  std::wstring Shown() const {
    wchar_t text[64];
    GetWindowTextW(edit->Handle(), text, 64);
    return text;
  }
  int Caret() const {
    DWORD start = 0;
    SendMessageW(edit->Handle(), EM_GETSEL, reinterpret_cast<WPARAM>(&start), 0);
    return static_cast<int>(start);
  }
  void Type(int caret, wchar_t c) {
    SendMessageW(edit->Handle(), EM_SETSEL, caret, caret);
    SendMessageW(edit->Handle(), WM_CHAR, c, 1);
  }
  void StepUp(int caret) {
    SendMessageW(edit->Handle(), EM_SETSEL, caret, caret);
    SendMessageW(edit->Handle(), WM_KEYDOWN, VK_UP, 1);
  }
  void Clipboard(const wchar_t* text) {
    ASSERT_TRUE(OpenClipboard(edit->Handle()));
    EmptyClipboard();
    size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    memcpy(GlobalLock(memory), text, bytes);
    GlobalUnlock(memory);
    SetClipboardData(CF_UNICODETEXT, memory);
    CloseClipboard();
  }
  std::wstring Clipboard() {
    std::wstring text;
    if (!OpenClipboard(edit->Handle())) return L"(closed)";
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
      text = static_cast<const wchar_t*>(GlobalLock(data));
      GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
  }

  static FrameWindow* frame;
  TimeEdit* edit = nullptr;
};

FrameWindow* TimeEditTest::frame = nullptr;

}  // namespace

TEST_F(TimeEditTest, TypingOverwritesAndSkipsSeparators) {
  EXPECT_EQ(L"000:00:00,000000", Shown());
  Type(4, L'7');
  EXPECT_EQ(L"000:50:00,000000", Shown());  // tens of minutes stop at 5
  EXPECT_EQ(5, Caret());
  Type(7, L'9');
  EXPECT_EQ(L"000:50:50,000000", Shown());
  const int separators[] = {3, 6, 9};
  for (int p : separators) {
    edit->SetValue(0);
    Type(p, L'1');
    EXPECT_EQ(L'1', Shown()[p + 1]) << p;
    EXPECT_EQ(p + 2, Caret()) << p;
  }
  EXPECT_EQ(100000, edit->GetValue());  // the first of six fraction digits
  edit->SetValue(0);
  Type(15, L'8');
  EXPECT_EQ(8, edit->GetValue());
  Type(16, L'9');  // past the end: the control's own handling, held to 16 characters
  Type(2, L'x');   // not a digit: the control refuses it
  EXPECT_EQ(L"000:00:00,000008", Shown());
  EXPECT_EQ(8, edit->GetValue());
}

TEST_F(TimeEditTest, UpArrowStepsTheFieldWithCarries) {
  edit->SetValue(59 * kMicrosecondsPerSecond);
  StepUp(8);
  EXPECT_EQ(L"000:01:00,000000", Shown());
  EXPECT_EQ(8, Caret());
  edit->SetValue(59 * kMicrosecondsPerMinute);
  StepUp(5);
  EXPECT_EQ(L"001:00:00,000000", Shown());
  StepUp(0);
  EXPECT_EQ(L"002:00:00,000000", Shown());
  edit->SetValue(999999);
  StepUp(12);
  EXPECT_EQ(L"000:00:01,000000", Shown());
  EXPECT_EQ(kMicrosecondsPerSecond, edit->GetValue());
}

// Delete, paste, cut and clear keep the value; backspace changes only the
// display, until the next digit shows the held text again.
TEST_F(TimeEditTest, EditsOtherThanDigitsKeepTheValue) {
  Clipboard(L"123456");
  const wchar_t* held = L"001:02:03,000004";
  struct Case {
    int from, to;
    UINT message;
    WPARAM key;
    const wchar_t* shown;
  } const cases[] = {{4, 4, WM_KEYDOWN, VK_DELETE, held}, {0, -1, WM_PASTE, 0, held}, {0, 3, WM_CUT, 0, held},
                     {4, 9, WM_CLEAR, 0, held},            {5, 5, WM_CHAR, VK_BACK, L"001:2:03,000004"}};
  for (const Case& c : cases) {
    edit->SetValue(3723000004LL);
    SendMessageW(edit->Handle(), EM_SETSEL, c.from, c.to);
    SendMessageW(edit->Handle(), c.message, c.key, 1);
    EXPECT_EQ(c.shown, Shown()) << c.message;
    EXPECT_EQ(3723000004LL, edit->GetValue()) << c.message;
  }
  EXPECT_EQ(L"001", Clipboard());  // a cut still copies
  Type(0, L'0');
  EXPECT_EQ(held, Shown());
}

TEST_F(TimeEditTest, ThousandHoursAndMoreAreHeldAtTheLimit) {
  EXPECT_TRUE(edit->SetValue(TimeEdit::kMaxValue));
  EXPECT_EQ(L"999:59:59,999999", Shown());
  EXPECT_FALSE(edit->SetValue(1000 * kMicrosecondsPerHour));
  EXPECT_EQ(L"999:59:59,999999", Shown());
  EXPECT_EQ(TimeEdit::kMaxValue, edit->GetValue());
  EXPECT_FALSE(edit->SetValue(-5));
  EXPECT_EQ(L"000:00:00,000000", Shown());

  // A step that the field could not show is refused; the others still work.
  edit->SetValue(999 * kMicrosecondsPerHour);
  StepUp(1);
  EXPECT_EQ(L"999:00:00,000000", Shown());
  StepUp(5);
  EXPECT_EQ(L"999:01:00,000000", Shown());
  edit->SetValue(TimeEdit::kMaxValue);
  StepUp(15);
  EXPECT_EQ(L"999:59:59,999999", Shown());
  EXPECT_EQ(TimeEdit::kMaxValue, ParseTime(Shown().c_str()));
}

// With the whole text selected, typing starts a new value from the right of
// the seconds; moving the caret goes back to digit-by-digit overwriting.
TEST_F(TimeEditTest, TypingOverASelectedValueStartsANewOne) {
  struct Case {
    const wchar_t* typed;
    const wchar_t* shown;
  } const cases[] = {
      {L"10", L"000:00:10,000000"},
      {L"130", L"000:01:30,000000"},
      {L"90", L"000:01:30,000000"},          // 90 seconds
      {L"1,5", L"000:00:01,500000"},
      {L".25", L"000:00:00,250000"},
      {L"1234559", L"123:45:59,000000"},
      {L"12345590", L"123:45:59,000000"},     // an eighth digit is refused
      {L"9999999", L"999:59:59,999999"},      // beyond the field: its end
  };
  for (const Case& c : cases) {
    edit->SetValue(5 * kMicrosecondsPerHour + 7);
    SendMessageW(edit->Handle(), EM_SETSEL, 0, -1);
    for (const wchar_t* p = c.typed; *p; ++p) SendMessageW(edit->Handle(), WM_CHAR, *p, 1);
    EXPECT_EQ(c.shown, Shown()) << c.typed;
    EXPECT_EQ(ParseTime(c.shown), edit->GetValue()) << c.typed;
  }
  // A caret moved by a key ends the new value.
  SendMessageW(edit->Handle(), EM_SETSEL, 0, -1);
  SendMessageW(edit->Handle(), WM_CHAR, L'1', 1);
  SendMessageW(edit->Handle(), WM_KEYDOWN, VK_HOME, 1);
  Type(4, L'2');
  EXPECT_EQ(L"000:20:01,000000", Shown());
}
