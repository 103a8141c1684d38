// Property-window tests: the engine fixture, run inside a temporary current
// folder that holds the parameter catalog the tests describe; a parameter grid
// on the shared grid host; a property window created as the main window
// creates it, and helpers to drive and read it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "Button.h"
#include "ComboBox.h"
#include "EngineTestSupport.h"
#include "GridControl.h"
#include "GridTesting.h"
#include "ParameterCatalog.h"
#include "ParameterGrid.h"
#include "TempFolder.h"
#include "Text.h"

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

using Names = std::vector<std::wstring>;

inline std::wstring Text(const wchar_t* text) { return text ? text : L"(null)"; }

inline void WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
}

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
  void WriteCatalog(const char* xml) { WriteFileBytes(folder.File(L"DSF_desc.xml"), xml); }

  TempFolder folder;

 private:
  wchar_t previousFolder_[MAX_PATH] = {};
};

// A grid whose rows the catalog describes, on the shared grid host.
class CatalogGridTest : public PropsTest {
 protected:
  void SetUp() override {
    PropsTest::SetUp();
    grid = new GridControl();
    grid->SetSize(400, 200);
    grid->Create(GridHost()->Handle(), TestInstance());
    rows.SetUp(grid);
  }
  void TearDown() override {
    grid->Destroy(true);  // frees the records through rows, which is still alive
    PropsTest::TearDown();
  }
  std::wstring Cell(int col, int row) { return Text(grid->GetCellText(col, row)); }

  ParameterCatalog catalog;
  ParameterGrid rows{&catalog};
  GridControl* grid = nullptr;
};

template <class W>
class PropsWindowTest : public PropsTest {
 protected:
  void SetUp() override {
    PropsTest::SetUp();
    window = new W();
    window->ModifyStyle(WS_VISIBLE, false, kStyleRemove);
    ASSERT_EQ(0u, window->Create(nullptr, TestInstance()));
  }
  void TearDown() override {
    window->Destroy(true);  // the window holds references: before the leak check
    PropsTest::TearDown();
  }
  // The close path as OK (IDOK) or Cancel (IDCANCEL) runs it.
  int Close(int result) {
    window->SetResult(result);
    return window->QueryClose();
  }
  // Runs the window modally and clicks the button (after Enter when asked).
  int Press(int button, bool enterFirst = false) {
    if (enterFirst) PostMessageW(window->Handle(), WM_COMMAND, IDOK, 0);
    Button* pressed = button == IDOK ? window->OkButton() : window->CancelButton();
    PostMessageW(pressed->Handle(), BM_CLICK, 0, 0);
    return window->ShowModal(false);
  }
  bool OkEnabled() const { return IsWindowEnabled(window->OkButton()->Handle()) != FALSE; }
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

inline std::wstring Selected(const ComboBox* list) {
  int index = list->GetCurSel();
  return index < 0 ? L"" : Entries(list)[index];
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

// The parameter values of an object's property setter, freed with it.
struct Props {
  LONG count = 0;
  DEXTER_PARAM* params = nullptr;
  DEXTER_VALUE* values = nullptr;
  ComPtr<IPropertySetter> setter;
  explicit Props(IAMTimelineObj* object) {
    object->GetPropertySetter(setter.Receive());
    if (setter) setter->GetProps(&count, &params, &values);
  }
  ~Props() {
    if (setter) setter->FreeProps(count, params, values);
  }
};
