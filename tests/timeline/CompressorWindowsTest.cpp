// The compressor windows against doubles of the interfaces they edit: what
// is shown, what is enabled, and what OK applies.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "CompressorDoubles.h"
#include "EditBox.h"
#include "ListView.h"
#include "StaticText.h"
#include "TestWindows.h"
#include "Text.h"
#include "TrackBar.h"
#include "WndStmCfg.h"
#include "WndVidCmp.h"

namespace {

std::wstring TextOf(const Window* control) {
  wchar_t* text = control->GetText();
  std::wstring copy = text ? text : L"";
  FreeText(text);
  return copy;
}

bool Enabled(const Window* control) { return IsWindowEnabled(control->Handle()) != FALSE; }

template <class W>
class ModalWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CoInitialize(nullptr);
    window = new W();
    window->ModifyStyle(WS_VISIBLE, false, kStyleRemove);
    ASSERT_EQ(0u, window->Create(nullptr, TestInstance()));
  }
  void TearDown() override {
    window->Destroy(true);
    CoUninitialize();
  }
  // The close path as OK or Cancel runs it.
  void Close(int result) {
    window->SetResult(result);
    window->QueryClose();
  }
  W* window = nullptr;
};

using WndVidCmpTest = ModalWindowTest<WndVidCmp>;
using WndStmCfgTest = ModalWindowTest<WndStmCfg>;

TEST_F(WndVidCmpTest, OnlyReportedCapabilitiesAreEnabledAndApplied) {
  struct Case {
    LONG caps;
    HRESULT info;
    bool keyFrames, pFrames, quality;
  } cases[] = {
      {CompressionCaps_CanQuality, S_OK, false, false, true},
      {CompressionCaps_CanKeyFrame | CompressionCaps_CanBFrame, S_OK, true, true, false},
      {CompressionCaps_CanKeyFrame | CompressionCaps_CanBFrame | CompressionCaps_CanQuality, S_OK, true, true, true},
      {CompressionCaps_CanQuality, E_NOTIMPL, false, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caps);
    FakeVideoCompression codec;
    codec.capabilities = c.caps;
    codec.infoResult = c.info;
    EXPECT_EQ(c.info, window->Init(&codec));
    EXPECT_EQ(c.keyFrames, Enabled(window->KeyFrameField()));
    EXPECT_EQ(c.pFrames, Enabled(window->PFramesField()));
    EXPECT_EQ(c.quality, Enabled(window->QualitySlider()));
    window->KeyFrameField()->SetText(L"12");
    window->PFramesField()->SetText(L"3");
    window->QualitySlider()->SetPos(40, false);
    Close(IDOK);
    EXPECT_EQ(c.keyFrames ? 12 : -2, codec.putKeyFrames);
    EXPECT_EQ(c.pFrames ? 3 : -2, codec.putPFrames);
    EXPECT_DOUBLE_EQ(c.quality ? 0.4 : -2.0, codec.putQuality);
  }
}

TEST_F(WndVidCmpTest, ShowsInfoDefaultsAndCurrentValues) {
  FakeVideoCompression codec;
  codec.capabilities = CompressionCaps_CanKeyFrame | CompressionCaps_CanBFrame | CompressionCaps_CanQuality;
  codec.keyFrames = 8;   // replaces the default
  codec.quality = -1.0;  // negative: the default stays
  ASSERT_EQ(S_OK, window->Init(&codec));
  EXPECT_EQ(L"Test codec 2.1", TextOf(window->InfoField()));
  EXPECT_EQ(L"8", TextOf(window->KeyFrameField()));
  EXPECT_EQ(L"2", TextOf(window->PFramesField()));
  EXPECT_EQ(L"0.5", TextOf(window->QualityValue()));
  EXPECT_EQ(50, window->QualitySlider()->GetPos());
}

TEST_F(WndVidCmpTest, SliderShowsItsValueAndOkAppliesItWithAnEmptyKeyFrameRateAsZero) {
  FakeVideoCompression codec;
  codec.capabilities = CompressionCaps_CanKeyFrame | CompressionCaps_CanQuality;
  codec.quality = 0.2;
  ASSERT_EQ(S_OK, window->Init(&codec));
  window->QualitySlider()->SetPos(75, false);
  SendMessageW(window->Handle(), WM_HSCROLL, TB_THUMBPOSITION, reinterpret_cast<LPARAM>(window->QualitySlider()->Handle()));
  EXPECT_EQ(L"0.75", TextOf(window->QualityValue()));
  window->KeyFrameField()->SetText(L"");
  Close(IDCANCEL);
  EXPECT_EQ(-2.0, codec.putQuality);
  Close(IDOK);
  EXPECT_DOUBLE_EQ(0.75, codec.putQuality);
  EXPECT_EQ(0, codec.putKeyFrames);
}

std::vector<std::wstring> Row(ListView* list, int row, int columns) {
  std::vector<std::wstring> cells;
  for (int c = 0; c < columns; ++c) {
    wchar_t text[64] = {};
    ListView_GetItemText(list->Handle(), row, c, text, 64);
    cells.push_back(text);
  }
  return cells;
}

int Columns(ListView* list) { return Header_GetItemCount(ListView_GetHeader(list->Handle())); }

void Choose(WndStmCfg* window, int row) {
  ListView* list = window->List();
  list->SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_SetSelectionMark(list->Handle(), row);
  NMHDR header = {list->Handle(), 0, LVN_ITEMCHANGED};
  SendMessageW(window->Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&header));
}

TEST_F(WndStmCfgTest, ListsVideoFormatsMarksThePresentOneAndSetsTheChosenRowsOwnCapability) {
  const DWORD mjpg = MAKEFOURCC('M', 'J', 'P', 'G');
  FakeStreamConfig config;
  config.AddCaps(VideoCaps(mjpg, 24, 1999999));
  config.AddCaps(VideoCaps(mjpg, 24, 5000, FORMAT_VideoInfo2));  // not listed
  config.AddCaps(VideoCaps(0, 24, 0));
  config.AddCaps(VideoCaps(MAKEFOURCC('Y', 'U', 'Y', '2'), 0, 0, GUID_NULL));
  config.present = VideoCaps(0, 24, 0);
  ASSERT_EQ(S_OK, window->Init(&config));
  ListView* list = window->List();
  ASSERT_EQ(3, Columns(list));
  ASSERT_EQ(3, list->GetItemCount());
  EXPECT_EQ((std::vector<std::wstring>{L"MJPG", L"24", L"1999"}), Row(list, 0, 3));
  EXPECT_EQ((std::vector<std::wstring>{L"____", L"24", L"0"}), Row(list, 1, 3));
  EXPECT_EQ((std::vector<std::wstring>{L"YUY2", L"", L""}), Row(list, 2, 3));
  EXPECT_EQ(1, list->GetSelectionMark());
  EXPECT_EQ(L"____", TextOf(window->InfoLabel()));
  Choose(window, 2);
  EXPECT_EQ(L"YUY2", TextOf(window->InfoLabel()));
  Close(IDCANCEL);
  EXPECT_TRUE(config.set.empty());
  Close(IDOK);
  EXPECT_EQ(std::vector<int>{3}, config.set);
}

TEST_F(WndStmCfgTest, ListsAudioFormatsAndMarksTheOneEqualToThePresentFormat) {
  FakeStreamConfig config;
  config.AddCaps(AudioCaps(0x11, 1, 22050, 11100, 4));
  config.AddCaps(AudioCaps(0x11, 2, 44100, 44359, 4));
  config.present = AudioCaps(0x11, 2, 44100, 44359, 4);
  ASSERT_EQ(S_OK, window->Init(&config));
  ASSERT_EQ(4, Columns(window->List()));
  EXPECT_EQ((std::vector<std::wstring>{L"2", L"44100", L"354", L"4"}), Row(window->List(), 1, 4));
  EXPECT_EQ(1, window->List()->GetSelectionMark());
  EXPECT_EQ(L"0x0011", TextOf(window->InfoLabel()));
  Choose(window, 0);
  Close(IDOK);
  EXPECT_EQ(std::vector<int>{0}, config.set);
}

TEST_F(WndStmCfgTest, WithoutAListableOrMatchingPresentFormatNothingIsMarkedOrSet) {
  struct Case {
    const char* name;
    GUID presentFormat;
    int rows;
  } cases[] = {
      {"audio not WAVEFORMATEX: four columns, no rows", FORMAT_None, 0},
      {"no capability equal to the present format", FORMAT_WaveFormatEx, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeStreamConfig config;
    config.AddCaps(AudioCaps(1, 1, 8000, 16000, 16));
    config.present = AudioCaps(1, 2, 8000, 32000, 16, c.presentFormat);
    EXPECT_EQ(S_OK, window->Init(&config));
    EXPECT_EQ(4, Columns(window->List()));
    EXPECT_EQ(c.rows, window->List()->GetItemCount());
    EXPECT_EQ(-1, window->List()->GetSelectionMark());
    Close(IDOK);
    EXPECT_TRUE(config.set.empty());
  }
}

TEST_F(WndStmCfgTest, AFailingCapabilityCountFailsInit) {
  FakeStreamConfig config;
  config.AddCaps(AudioCaps(1, 1, 8000, 16000, 16));
  config.countResult = E_FAIL;
  EXPECT_EQ(E_FAIL, window->Init(&config));
}

}  // namespace
