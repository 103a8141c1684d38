#include <gtest/gtest.h>

#include "ComPtr.h"
#include "DirectShowHelpers.h"

namespace {

AM_MEDIA_TYPE VideoType(DWORD subtypeCode, LONG width, LONG height, REFERENCE_TIME frame) {
  AM_MEDIA_TYPE type = {};
  type.majortype = MEDIATYPE_Video;
  type.subtype = MEDIASUBTYPE_RGB24;
  type.subtype.Data1 = subtypeCode;
  type.formattype = FORMAT_VideoInfo;
  type.cbFormat = sizeof(VIDEOINFOHEADER);
  auto* info = static_cast<VIDEOINFOHEADER*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
  *info = VIDEOINFOHEADER{};
  info->bmiHeader.biWidth = width;
  info->bmiHeader.biHeight = height;
  info->AvgTimePerFrame = frame;
  type.pbFormat = reinterpret_cast<BYTE*>(info);
  return type;
}

std::wstring Describe(const AM_MEDIA_TYPE& type, int parts) {
  wchar_t text[128];
  return DescribeMediaType(&type, text, 128, parts);
}

TEST(DirectShowHelpers, DescribesVideoAndAudioTypes) {
  const int all = kDescribeKind | kDescribeSubtype | kDescribeFormat;
  AM_MEDIA_TYPE video = VideoType(MEDIASUBTYPE_RGB24.Data1, 640, 480, 400000);
  std::wstring text = Describe(video, all);
  EXPECT_EQ(0u, text.find(L"Video: "));
  const std::wstring ending = L", 640x480, 25.0 fps";
  ASSERT_GE(text.size(), ending.size());
  EXPECT_EQ(ending, text.substr(text.size() - ending.size())) << text;
  reinterpret_cast<VIDEOINFOHEADER*>(video.pbFormat)->AvgTimePerFrame = 0;
  EXPECT_EQ(L"Video: RGB24, 640x480", Describe(video, all));  // no rate: none shown
  FreeMediaType(&video);
  EXPECT_EQ(0u, video.cbFormat);
  EXPECT_EQ(nullptr, video.pbFormat);

  AM_MEDIA_TYPE yuy2 = VideoType(MAKEFOURCC('Y', 'U', 'Y', '2'), 8, 8, 0);
  EXPECT_EQ(L"Video: YUY2", Describe(yuy2, kDescribeKind | kDescribeSubtype));
  yuy2.subtype.Data1 = 1;
  EXPECT_EQ(L"____", Describe(yuy2, kDescribeSubtype));
  yuy2.subtype.Data1 = 0x12345678;  // not all characters
  EXPECT_EQ(L"____", Describe(yuy2, kDescribeSubtype));
  FreeMediaType(&yuy2);

  WAVEFORMATEX wave = {WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
  AM_MEDIA_TYPE audio = {};
  audio.majortype = MEDIATYPE_Audio;
  audio.subtype = MEDIASUBTYPE_PCM;
  audio.formattype = FORMAT_WaveFormatEx;
  audio.cbFormat = sizeof(wave);
  audio.pbFormat = reinterpret_cast<BYTE*>(&wave);
  EXPECT_EQ(L"Audio: 0x0001, 2 ch., 44100 Hz", Describe(audio, all));
  audio.majortype = MEDIATYPE_Text;
  EXPECT_EQ(L"", Describe(audio, all));
  wchar_t tiny[8];
  audio.majortype = MEDIATYPE_Audio;
  EXPECT_STREQ(L"Audio: ", DescribeMediaType(&audio, tiny, 8, all));  // cut, never past the buffer
}

TEST(DirectShowHelpers, GraphNamesPinsAndFilters) {
  wchar_t name[64];
  EXPECT_STREQ(L"FilterGraph 00001234 pid 000004d2",
               GraphItemName(reinterpret_cast<void*>(0x1234), 1234, name));

  ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
  {
    ComPtr<IBaseFilter> filter;
    EXPECT_TRUE(FAILED(CreateFilterFromDisplayName(L"@device:sw:{00000000-0000-0000-0000-000000000000}\\nothing", filter.Receive())));
    EXPECT_FALSE(filter);
    EXPECT_EQ(E_INVALIDARG, CreateFilterFromDisplayName(nullptr, filter.Receive()));

    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_VideoRenderer, nullptr, CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                     filter.ReceiveVoid()));
    ComPtr<IPin> pin;
    EXPECT_EQ(S_OK, FindPin(filter.Get(), PINDIR_INPUT, pin.Receive()));
    EXPECT_TRUE(pin);
    EXPECT_EQ(E_FAIL, FindPin(filter.Get(), PINDIR_OUTPUT, pin.Receive()));
    EXPECT_FALSE(pin);

    ComPtr<IGraphBuilder> graph;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                     graph.ReceiveVoid()));
    DWORD cookie = 0;
    EXPECT_EQ(S_OK, RegisterGraph(graph.Get(), &cookie));
    ComPtr<IRunningObjectTable> table;
    GetRunningObjectTable(0, table.Receive());
    ComPtr<IMoniker> moniker;
    CreateItemMoniker(L"!", GraphItemName(graph.Get(), GetCurrentProcessId(), name), moniker.Receive());
    EXPECT_EQ(S_OK, table->IsRunning(moniker.Get()));
    UnregisterGraph(cookie);
    EXPECT_NE(S_OK, table->IsRunning(moniker.Get()));
  }
  CoUninitialize();
}

}  // namespace
