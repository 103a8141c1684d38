// The compressor windows against doubles of the interfaces they edit.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "CompressorDoubles.h"

#include <dvdmedia.h>

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

template <class W>
struct ModalWindowTest : ::testing::Test {
  void SetUp() override {
    window->ModifyStyle(WS_VISIBLE, false, kStyleRemove);
    ASSERT_EQ(0u, window->Create(nullptr, TestInstance()));
  }
  void TearDown() override { window->Destroy(true); }
  void Close(int result) {  // as OK or Cancel closes it
    window->SetResult(result);
    window->QueryClose();
  }
  W* window = new W();
};
using WndVidCmpTest = ModalWindowTest<WndVidCmp>;
using WndStmCfgTest = ModalWindowTest<WndStmCfg>;

TEST_F(WndVidCmpTest, OnlyReportedCapabilitiesAreEnabledAndApplied) {
  const LONG key = CompressionCaps_CanKeyFrame, p = CompressionCaps_CanBFrame, q = CompressionCaps_CanQuality;
  struct Case {
    LONG caps;
    HRESULT info;
  } cases[] = {{q, S_OK}, {key | p, S_OK}, {key | p | q, S_OK}, {key | p | q, E_NOTIMPL}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.caps + c.info);
    FakeVideoCompression codec;
    codec.capabilities = c.caps;
    codec.infoResult = c.info;
    EXPECT_EQ(c.info, window->Init(&codec));
    LONG shown = c.info == S_OK ? c.caps : 0;
    EXPECT_EQ((shown & key) != 0, IsWindowEnabled(window->KeyFrameField()->Handle()) != FALSE);
    EXPECT_EQ((shown & p) != 0, IsWindowEnabled(window->PFramesField()->Handle()) != FALSE);
    EXPECT_EQ((shown & q) != 0, IsWindowEnabled(window->QualitySlider()->Handle()) != FALSE);
    window->KeyFrameField()->SetText(L"12");
    window->PFramesField()->SetText(L"");  // applies 0
    window->QualitySlider()->SetPos(75, false);
    SendMessageW(window->Handle(), WM_HSCROLL, TB_ENDTRACK, LPARAM(window->QualitySlider()->Handle()));
    EXPECT_EQ(L"0.75", TextOf(window->QualityValue()));
    Close(IDCANCEL);
    EXPECT_EQ(-2.0, codec.putQuality);
    Close(IDOK);
    EXPECT_EQ(shown & key ? 12 : -2, codec.putKeyFrames);
    EXPECT_EQ(shown & p ? 0 : -2, codec.putPFrames);
    EXPECT_DOUBLE_EQ(shown & q ? 0.75 : -2.0, codec.putQuality);
  }
}

TEST_F(WndVidCmpTest, ShowsInfoDefaultsAndTheCurrentValuesThatAreNotNegative) {
  FakeVideoCompression codec;
  codec.capabilities = CompressionCaps_CanKeyFrame | CompressionCaps_CanBFrame | CompressionCaps_CanQuality;
  codec.keyFrames = 8;
  ASSERT_EQ(S_OK, window->Init(&codec));
  EXPECT_EQ(L"Test codec 2.1", TextOf(window->InfoField()));
  EXPECT_EQ(L"8", TextOf(window->KeyFrameField()));
  EXPECT_EQ(L"2", TextOf(window->PFramesField()));
  EXPECT_EQ(L"0.5", TextOf(window->QualityValue()));
  EXPECT_EQ(50, window->QualitySlider()->GetPos());
}

std::wstring Row(WndStmCfg* window, int row) {
  std::wstring cells;
  for (int c = 0; c < Header_GetItemCount(ListView_GetHeader(window->List()->Handle())); ++c) {
    wchar_t text[64] = {};
    ListView_GetItemText(window->List()->Handle(), row, c, text, 64);
    cells += std::wstring(c ? L"|" : L"") + text;
  }
  return cells;
}

void Choose(WndStmCfg* window, int row) {
  ListView_SetItemState(window->List()->Handle(), row, LVIS_SELECTED, LVIS_SELECTED);
  ListView_SetSelectionMark(window->List()->Handle(), row);
  NMHDR header = {window->List()->Handle(), 0, LVN_ITEMCHANGED};
  SendMessageW(window->Handle(), WM_NOTIFY, 0, LPARAM(&header));
}

TEST_F(WndStmCfgTest, ListsVideoFormatsMarksThePresentOneAndSetsTheChosenRowsOwnCapability) {
  VIDEOINFOHEADER mjpg = {}, rgb = {}, yuy2 = {};
  VIDEOINFOHEADER2 wide = {};
  mjpg.bmiHeader.biCompression = MAKEFOURCC('M', 'J', 'P', 'G');
  mjpg.bmiHeader.biBitCount = rgb.bmiHeader.biBitCount = 24;
  mjpg.dwBitRate = 1999999;
  rgb.dwBitRate = 1;  // told apart from yuy2's block
  FakeStreamConfig config;
  config.caps = {TypeOf(MEDIATYPE_Video, mjpg.bmiHeader.biCompression, FORMAT_VideoInfo, &mjpg),
                 TypeOf(MEDIATYPE_Video, 0, FORMAT_VideoInfo2, &wide),  // not listed
                 TypeOf(MEDIATYPE_Video, MEDIASUBTYPE_RGB24.Data1, FORMAT_VideoInfo, &rgb),
                 TypeOf(MEDIATYPE_Video, MAKEFOURCC('Y', 'U', 'Y', '2'), FORMAT_None, &yuy2)};
  config.present = config.caps[2];
  ASSERT_EQ(S_OK, window->Init(&config));
  ASSERT_EQ(3, window->List()->GetItemCount());
  EXPECT_EQ(L"MJPG|24|1999", Row(window, 0));
  EXPECT_EQ(L"____|24|0", Row(window, 1));
  EXPECT_EQ(L"YUY2||", Row(window, 2));
  EXPECT_EQ(1, window->List()->GetSelectionMark());
  Choose(window, 2);
  EXPECT_EQ(L"YUY2", TextOf(window->InfoLabel()));
  Close(IDCANCEL);
  EXPECT_TRUE(config.set.empty());
  Close(IDOK);
  EXPECT_EQ(std::vector<int>{3}, config.set);
}

TEST_F(WndStmCfgTest, ListsAudioFormatsOnlyForAWaveFormatAndMarksTheEqualOne) {
  WAVEFORMATEX mono = {0x11, 1, 22050, 11100, 256, 4, 0}, stereo = {0x11, 2, 44100, 44359, 2048, 4, 0};
  struct Case {
    GUID presentFormat;
    WAVEFORMATEX* present;
    int rows, marked;
  } cases[] = {{FORMAT_WaveFormatEx, &stereo, 2, 1}, {FORMAT_None, &stereo, 0, -1}};
  for (const Case& c : cases) {
    FakeStreamConfig config;
    config.caps = {TypeOf(MEDIATYPE_Audio, 0x11, FORMAT_WaveFormatEx, &mono),
                   TypeOf(MEDIATYPE_Audio, 0x11, FORMAT_WaveFormatEx, &stereo)};
    config.present = TypeOf(MEDIATYPE_Audio, 0x11, c.presentFormat, c.present);
    EXPECT_EQ(S_OK, window->Init(&config));
    EXPECT_EQ(4, Header_GetItemCount(ListView_GetHeader(window->List()->Handle())));
    ASSERT_EQ(c.rows, window->List()->GetItemCount());
    EXPECT_EQ(c.marked, window->List()->GetSelectionMark());
    if (c.rows) {
      EXPECT_EQ(L"2|44100|354|4", Row(window, 1));
      EXPECT_EQ(L"0x0011", TextOf(window->InfoLabel()));
      Choose(window, 0);
    }
    Close(IDOK);
    EXPECT_EQ(c.rows ? std::vector<int>{0} : std::vector<int>{}, config.set);
  }
  FakeStreamConfig none;
  EXPECT_EQ(E_FAIL, window->Init(&none));  // no capabilities to be had
}

}  // namespace
