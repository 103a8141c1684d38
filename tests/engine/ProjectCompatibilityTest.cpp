// Projects written by other programs in the published format: what they say
// is kept, and what cannot be kept or used is said.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "EngineTestSupport.h"
#include "TempFolder.h"
#include "TimelineDescription.h"

namespace {

template <class I>
ComPtr<I> Query(IUnknown* object, REFIID iid) {
  ComPtr<I> result;
  if (object) object->QueryInterface(iid, result.ReceiveVoid());
  return result;
}

class ProjectCompatibilityTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    Query<IAMSetErrorLog>(timeline.Get(), IID_IAMSetErrorLog)->put_ErrorLog(&errorLog);
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_Xml2Dex, nullptr, CLSCTX_INPROC_SERVER, IID_IXml2Dex, xml.ReceiveVoid()));
  }

  void TearDown() override {
    xml.Reset();
    EngineTest::TearDown();
  }

  void FreshTimeline() {
    timeline.Reset();
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_AMTimeline, nullptr, CLSCTX_INPROC_SERVER, IID_IAMTimeline,
                                     timeline.ReceiveVoid()));
    Query<IAMSetErrorLog>(timeline.Get(), IID_IAMSetErrorLog)->put_ErrorLog(&errorLog);
    errorLog.lines.clear();
    errorLog.codes.clear();
    errorLog.extras.clear();
  }

  HRESULT Read(IAMTimeline* target, const std::wstring& path) {
    BSTR name = SysAllocString(path.c_str());
    HRESULT hr = xml->ReadXMLFile(target, name);
    SysFreeString(name);
    return hr;
  }

  HRESULT LoadText(IAMTimeline* target, const std::string& text) {
    EXPECT_TRUE(WriteWholeFile(folder.File(L"in.xml"), text));
    return Read(target, folder.File(L"in.xml"));
  }

  std::string Saved(IAMTimeline* source) {
    BSTR name = SysAllocString(folder.File(L"out.xml").c_str());
    EXPECT_EQ(S_OK, xml->WriteXMLFile(source, name));
    SysFreeString(name);
    return ReadWholeFile(folder.File(L"out.xml"));
  }

  // Loads a project, saves it and reads that back into a new timeline, which
  // must hold the same; answers what the first load answered.
  HRESULT RoundTrip(const std::string& text, std::string* saved) {
    HRESULT hr = LoadText(timeline.Get(), text);
    *saved = Saved(timeline.Get());
    ComPtr<IAMTimeline> copy;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_AMTimeline, nullptr, CLSCTX_INPROC_SERVER, IID_IAMTimeline,
                                     copy.ReceiveVoid()));
    Query<IAMSetErrorLog>(copy.Get(), IID_IAMSetErrorLog)->put_ErrorLog(&errorLog);
    HRESULT again = LoadText(copy.Get(), *saved);
    EXPECT_EQ(DescribeTimeline(timeline.Get()), DescribeTimeline(copy.Get()));
    EXPECT_EQ(*saved, Saved(copy.Get()));
    return hr == S_OK || hr == again ? hr : E_UNEXPECTED;
  }

  ComPtr<IXml2Dex> xml;
  TempFolder folder;
};

std::string InTrack(const std::string& inside) {
  return "<timeline><group type=\"video\"><track>" + inside + "</track></group></timeline>";
}

// Every example of the format's reference pages, in the least context it needs.
TEST_F(ProjectCompatibilityTest, DocumentedExamplesLoadAndReadBackAsTheyWere) {
  struct Case {
    const char* what;
    std::string text;
    const wchar_t* shows;  // in the loaded timeline's description
    bool namesClassElsewhere;  // a DirectX transform this engine does not have
  } cases[] = {
      {"timeline", "<timeline> </timeline>", L"timeline fps=15", false},
      {"group", "<timeline><group type=\"video\" width=\"640\" height=\"480\" framerate=\"30\"> </group></timeline>",
       L"fps=30", false},
      {"track", InTrack(" "), L"[2] ", false},
      {"composite", "<timeline><group type=\"video\"><composite> </composite></group></timeline>", L"[1] ", false},
      {"clip", InTrack("<clip src=\"sample.avi\" start=\"1:05\" stop=\"1:42.5\" mstart=\"30\" />"),
       L"media=300000000-675000000", false},
      {"clip at the normal rate", InTrack("<clip start=\"2\" stop=\"9\" mstart=\"3\" />"), L"media=30000000-100000000",
       false},
      {"clip at twice the rate", InTrack("<clip start=\"5\" stop=\"10\" mstop=\"10\" />"), L"media=0-100000000", false},
      {"effect", InTrack("<effect clsid=\"{b05a941c-3ce1-11d2-952a-00c04fa34f05}\" start=\"0\" stop=\"32.0\" />"),
       L"span=0-320000000", true},
      {"transition", InTrack("<transition\n    clsid=\"{2a54c913-07aa-11d2-8d6d-00c04f8ef8e0}\"\n    start=\"7\"\n"
                             "    stop=\"10\"\n/>"),
       L"span=70000000-100000000", true},
      {"param running a transition backward",
       InTrack("<transition clsid=\"{af279b30-86eb-11d1-81bf-0000f87557db}\" start=\"0\" stop=\"6\">\n"
               "    <param name=\"progress\" value=\"1.0\">\n        <linear time=\"6\" value=\"0.0\" />\n"
               "    </param>\n</transition>"),
       L"param 'progress' dispid=0: 0/0=vt8:'1.0' 60000000/1=vt8:'0.0'", true},
      {"param", InTrack("<effect stop=\"1\"><param name=\"progress\" value=\"1.0\" /></effect>"), L"0/0=vt8:'1.0'",
       false},
      {"linear", InTrack("<effect stop=\"9\"><param name=\"p\" value=\"1\"><linear time=\"6\" value=\"0.0\" />"
                         "</param></effect>"),
       L"60000000/1=vt8:'0.0'", false},
      {"at", InTrack("<effect stop=\"9\"><param name=\"p\" value=\"1\"><at time=\"1\" value=\"0.5\" />"
                     "</param></effect>"),
       L"10000000/0=vt8:'0.5'", false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FreshTimeline();
    std::string saved;
    EXPECT_EQ(c.namesClassElsewhere ? S_FALSE : S_OK, RoundTrip(c.text, &saved));
    EXPECT_NE(std::wstring::npos, DescribeTimeline(timeline.Get()).find(c.shows)) << DescribeTimeline(timeline.Get());
    // Only the class is reported, once on each load.
    EXPECT_EQ(std::vector<long>(c.namesClassElsewhere ? 2 : 0, DEX_IDS_INVALID_DXT), errorLog.codes);
  }
}

// A project as Morvik saved it before it kept the labels below.
const char kSavedBefore[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<timeline framerate="30" enablefx="1" enabletrans="1" insertmode="2">
  <group name="Video group" lock="0" mute="0" previewmode="1" buffering="30" type="video" width="640" height="480" bitdepth="24" majortype="{73646976-0000-0010-8000-00AA00389B71}" subtype="{E436EB7D-524F-11CE-9F53-0020AF0BA770}" formattype="{05589F80-C356-11CE-BF01-00AA0055595A}" fixedsizesamples="1" temporalcompression="0" samplesize="921600" format="0000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000000002800000080020000E0010000010018000000000000100E0000000000000000000000000000000000">
    <track username="Track_0" lock="0" mute="0">
      <clip username="" lock="0" mute="0" start="0.0000000" stop="5.0000000" src="C:\media\a.avi" mstart="0.0000000" mstop="0.0000000" mlength="0.0000000" stream="0" stretchmode="stretch" framerate="0">
        <effect username="" lock="0" mute="0" clsid="{9CEA6E51-BE5B-42D8-AB7B-633AA2C0D448}" start="0.0000000" stop="2.0000000"/>
      </clip>
      <transition username="" lock="0" mute="0" clsid="{DE75D012-7A65-11D2-8CEA-00A0C9441E20}" start="1.0000000" stop="2.0000000" swapinputs="0" cutsonly="0"/>
    </track>
    <track username="Track_1" lock="0" mute="0"/>
  </group>
  <group name="Audio group" lock="0" mute="0" previewmode="0" buffering="30" type="audio" samplingrate="44100" majortype="{73647561-0000-0010-8000-00AA00389B71}" subtype="{00000001-0000-0010-8000-00AA00389B71}" formattype="{05589F81-C356-11CE-BF01-00AA0055595A}" fixedsizesamples="0" temporalcompression="0" samplesize="0" format="0100020044AC000010B10200040010000000">
    <track username="Track_0" lock="0" mute="0">
      <clip username="" lock="0" mute="0" start="0.0000000" stop="5.0000000" src="C:\media\a.wav" mstart="0.0000000" mstop="0.0000000" mlength="0.0000000" stream="0" stretchmode="stretch" framerate="0"/>
    </track>
  </group>
</timeline>)";

// The same with some of the format's own attributes edited by hand.
std::string Edited(std::string text, const std::vector<std::pair<std::string, std::string>>& edits) {
  for (const auto& edit : edits) text.replace(text.find(edit.first), edit.first.size(), edit.second);
  return text;
}

TEST_F(ProjectCompatibilityTest, AttributesOnceLostOrEditedByHandAreKept) {
  struct Case {
    const char* what;
    std::string text;
    std::vector<std::string> saved;  // each in what is saved
    const char* notSaved;            // or null
  } cases[] = {
      {"the timeline's own labels",
       "<timeline username=\"Root &amp; all\" lock=\"T\" mute=\"y\" userid=\"-7\" userdata=\"0A0B\"/>",
       {"username=\"Root &amp; all\" lock=\"1\" mute=\"1\" userid=\"-7\" userdata=\"0A0B\""}, nullptr},
      {"a group's user name beside its name", "<timeline><group type=\"audio\" name=\"A\" username=\"B\"/></timeline>",
       {"name=\"A\" username=\"B\""}, nullptr},
      {"a group's name that is its user name too", "<timeline><group type=\"audio\" name=\"A\"/></timeline>",
       {"name=\"A\""}, "username"},
      {"a clip given by its source filter",
       InTrack("<clip clsid=\"{92E1B637-45A0-432A-9461-B49F66E7DF0E}\" start=\"0\" stop=\"1\"/>"),
       {"clsid=\"{92E1B637-45A0-432A-9461-B49F66E7DF0E}\""}, "src="},
      {"a project saved before, unchanged", kSavedBefore, {std::string(kSavedBefore) + "\n"}, nullptr},
      // The exact types saved beside them say 640 x 480 x 24 and 44,100 Hz.
      {"sizes and rates edited by hand",
       Edited(kSavedBefore, {{"width=\"640\" height=\"480\" bitdepth=\"24\"",
                              "width=\"800\" height=\"600\" bitdepth=\"32\""},
                             {"samplingrate=\"44100\"", "samplingrate=\"22050\""}}),
       {"width=\"800\" height=\"600\" bitdepth=\"32\" majortype",
        "subtype=\"{773C9AC0-3274-11D0-B724-00AA006C1A01}\"", "samplesize=\"1920000\"",
        "280000002003000058020000010020", "samplingrate=\"22050\"", "0100020022560000885801"},
       nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FreshTimeline();
    std::string saved;
    EXPECT_EQ(S_OK, RoundTrip(c.text, &saved));
    for (const std::string& part : c.saved) EXPECT_NE(std::string::npos, saved.find(part)) << saved;
    if (c.notSaved) {
      EXPECT_EQ(std::string::npos, saved.find(c.notSaved)) << saved;
    }
    EXPECT_TRUE(errorLog.lines.empty());
  }
}

TEST_F(ProjectCompatibilityTest, WhatCannotBeUsedIsReportedWithItsCode) {
  struct Case {
    const char* what;
    std::string text;
    HRESULT result;
    long code;
    const wchar_t* extra;  // or null where the platform may not know it
  } cases[] = {
      {"unknown element", "<timeline><widget/></timeline>", S_FALSE, DEX_IDS_INVALID_XML, L""},
      {"unknown attribute", "<timeline><group type=\"audio\" sparkle=\"1\"/></timeline>", S_FALSE,
       DEX_IDS_INVALID_XML, L""},
      {"unusable value", "<timeline framerate=\"fast\"/>", S_FALSE, DEX_IDS_INVALID_XML, L""},
      {"unusable group type", "<timeline><group type=\"video\" bitdepth=\"12\"/><group type=\"radio\"/></timeline>",
       S_FALSE, DEX_IDS_BAD_MEDIATYPE, L"1"},
      {"unusable parameter value", InTrack("<effect stop=\"1\"><param name=\"p\" value=\"x\" vt=\"5\"/></effect>"),
       S_FALSE, DEX_IDS_ILLEGAL_PROPERTY_VAL, L"x"},
      {"effect class the engine lacks",
       InTrack("<effect clsid=\"{00000001-0002-0003-0405-060708090A0B}\" stop=\"1\"/>"),
       S_FALSE, DEX_IDS_INVALID_DXT, L"{00000001-0002-0003-0405-060708090A0B}"},
      {"default class the engine lacks", "<timeline defaulttrans=\"{00000001-0002-0003-0405-060708090A0B}\"/>",
       S_FALSE, DEX_IDS_INVALID_DEFAULT_DXT, L"{00000001-0002-0003-0405-060708090A0B}"},
      {"source filter nobody has", InTrack("<clip clsid=\"{00000001-0002-0003-0405-060708090A0B}\" stop=\"1\"/>"),
       S_FALSE, DEX_IDS_UNKNOWN_SOURCE, L""},
      {"not well-formed", "<timeline>\n<group>\n</timeline>", VFW_E_INVALID_FILE_FORMAT, DEX_IDS_INVALID_XML, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FreshTimeline();
    EXPECT_EQ(c.result, LoadText(timeline.Get(), c.text));
    size_t at = std::find(errorLog.codes.begin(), errorLog.codes.end(), c.code) - errorLog.codes.begin();
    ASSERT_LT(at, errorLog.codes.size());
    if (c.extra) {
      EXPECT_EQ(c.extra, errorLog.extras[at]);
    }
  }
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), Read(timeline.Get(), folder.File(L"missing.xml")));
  EXPECT_EQ(DEX_IDS_BAD_SOURCE_NAME, errorLog.codes.back());
}

TEST_F(ProjectCompatibilityTest, BadArgumentsAreRefusedAndOutPointersCleared) {
  BSTR name = SysAllocString(folder.File(L"x.xml").c_str()), empty = SysAllocString(L""), text = name;
  IUnknown* graph = xml.Get();
  ComPtr<IUnknown> notTimeline = xml.As<IUnknown>(IID_IUnknown);
  struct Case {
    const char* what;
    HRESULT expected;
    HRESULT result;
  } cases[] = {
      {"read into nothing", E_INVALIDARG, xml->ReadXMLFile(nullptr, name)},
      {"read into no timeline", E_INVALIDARG, xml->ReadXMLFile(notTimeline.Get(), name)},
      {"read no file", E_INVALIDARG, xml->ReadXMLFile(timeline.Get(), empty)},
      {"write from no timeline", E_INVALIDARG, xml->WriteXMLFile(notTimeline.Get(), name)},
      {"write to no file", E_INVALIDARG, xml->WriteXMLFile(timeline.Get(), nullptr)},
      {"string without a place", E_POINTER, xml->WriteXML(timeline.Get(), nullptr)},
      {"string from no timeline", E_INVALIDARG, xml->WriteXML(nullptr, &text)},
      {"document of nothing", E_INVALIDARG, xml->ReadXML(timeline.Get(), nullptr)},
      {"graph from a file", E_NOTIMPL, xml->CreateGraphFromFile(&graph, timeline.Get(), name)},
  };
  for (const Case& c : cases) EXPECT_EQ(c.expected, c.result) << c.what;
  EXPECT_EQ(nullptr, text);
  EXPECT_EQ(nullptr, graph);
  SysFreeString(name);
  SysFreeString(empty);
}

}  // namespace
