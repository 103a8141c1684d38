// Property-window tests: the engine fixture, run inside a temporary current
// folder that holds the parameter catalog the tests describe.
#pragma once

#include <windows.h>

#include <string>

#include "EngineTestSupport.h"
#include "TempFolder.h"

constexpr CLSID kBlurFilter = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};
constexpr CLSID kLowerCaseFilter = {0xAAAAAAAA, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};
constexpr CLSID kWipeFilter = {0x66666666, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};

// Blur: Level (values "Levels"), mode, an unnamed Param, Size; a second Blur
// element, a lower-case GUID and a transition; two lists named "Levels".
inline const char kCatalogXml[] =
    "<?xml version=\"1.0\"?>\n"
    "<DirectShowFilters>\n"
    " <Effect GUID=\"{11111111-2222-3333-4444-555555555555}\">\n"
    "  <Param Name=\"Level\" ValuesList=\"Levels\"/>\n"
    "  <!-- comment --> text\n"
    "  <Param Name=\"mode\" ValuesList=\"\"/>\n"
    "  <Param Name=\"\"/>\n"
    "  <Other Name=\"Skipped\"/>\n"
    "  <Param Name=\"Size\"/>\n"
    " </Effect>\n"
    " <Effect GUID=\"{11111111-2222-3333-4444-555555555555}\"><Param Name=\"Second\"/></Effect>\n"
    " <Effect GUID=\"{aaaaaaaa-2222-3333-4444-555555555555}\"><Param Name=\"Lower\"/></Effect>\n"
    " <Transition GUID=\"{66666666-2222-3333-4444-555555555555}\"><Param Name=\"Progress\"/></Transition>\n"
    " <ValuesList Name=\"Levels\">\n"
    "  <Item Value=\"0\" Name=\"Off\"/><Item Value=\"10\"/><Item Value=\"\" Name=\"Empty\"/><Item Value=\"20\" Name=\"High\"/>\n"
    " </ValuesList>\n"
    " <ValuesList Name=\"Levels\"><Item Value=\"99\"/></ValuesList>\n"
    "</DirectShowFilters>\n";

class PropsTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    GetCurrentDirectoryW(MAX_PATH, previousFolder_);
    SetCurrentDirectoryW(folder.Path().c_str());
    WriteCatalog(kCatalogXml);
  }
  void TearDown() override {
    SetCurrentDirectoryW(previousFolder_);  // before the folder goes
    EngineTest::TearDown();
  }
  void WriteCatalog(const char* xml) {
    HANDLE file = CreateFileW(folder.File(L"DSF_desc.xml").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    WriteFile(file, xml, static_cast<DWORD>(strlen(xml)), &written, nullptr);
    CloseHandle(file);
  }

  TempFolder folder;

 private:
  wchar_t previousFolder_[MAX_PATH] = {};
};

inline std::wstring Text(const wchar_t* text) { return text ? text : L"(null)"; }
