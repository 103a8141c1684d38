#include "ParameterCatalog.h"

#include <string>

#include "ComboBox.h"
#include "GridControl.h"
#include "GridTesting.h"
#include "ParameterGrid.h"
#include "ParameterRecord.h"
#include "Paths.h"
#include "PropsTesting.h"

namespace {

class ParameterCatalogTest : public PropsTest {
 protected:
  void SetUp() override {
    PropsTest::SetUp();
    grid = new GridControl();
    grid->SetSize(300, 200);
    grid->Create(GridHost()->Handle(), TestInstance());
    rows.SetUp(grid);
  }
  void TearDown() override {
    grid->Destroy(true);  // frees the records through rows, which is still alive
    PropsTest::TearDown();
  }
  std::wstring Names() {
    std::wstring names;
    for (int row = 0; row < grid->GetRowCount(); ++row) names += Text(grid->GetCellText(0, row)) + L";";
    return names;
  }

  ParameterCatalog catalog;
  ParameterGrid rows{&catalog};
  GridControl* grid = nullptr;
};

TEST_F(ParameterCatalogTest, ListsTheFirstElementWhoseGuidMatchesExactly) {
  ASSERT_TRUE(catalog.Open());
  EXPECT_EQ(0, catalog.ListParameters(ParameterCatalog::kEffect, kBlurFilter, *grid));
  EXPECT_EQ(L"Level;mode;Size;", Names());
  EXPECT_EQ(L"Levels", Text(ParameterGrid::Record(grid, 0)->valuesList));
  EXPECT_EQ(nullptr, ParameterGrid::Record(grid, 1)->valuesList);  // empty counts as absent
  EXPECT_EQ(1, ParameterGrid::Record(grid, 2)->valueCount);

  grid->DeleteAllRows();
  catalog.ListParameters(ParameterCatalog::kEffect, kLowerCaseFilter, *grid);
  catalog.ListParameters(ParameterCatalog::kEffect, kWipeFilter, *grid);  // a transition only
  catalog.ListParameters(ParameterCatalog::kTransition, kBlurFilter, *grid);
  EXPECT_EQ(0, grid->GetRowCount());
  catalog.ListParameters(ParameterCatalog::kTransition, kWipeFilter, *grid);
  EXPECT_EQ(L"Progress;", Names());
}

TEST_F(ParameterCatalogTest, FillsValueListsFromTheFirstListOfThatName) {
  ASSERT_TRUE(catalog.Open());
  ComboBox* list = new ComboBox();
  list->Create(GridHost()->Handle(), TestInstance());
  list->AddString(L"stale");
  EXPECT_EQ(0, catalog.FillValueList(L"Levels", *list));
  ASSERT_EQ(3, list->GetCount());
  const wchar_t* texts[] = {L"0: Off", L"10", L"20: High"};
  const LRESULT data[] = {1, 0, 2};
  for (int i = 0; i < 3; ++i) {
    wchar_t* text = list->GetString(i);
    EXPECT_EQ(texts[i], Text(text));
    FreeText(text);
    EXPECT_EQ(data[i], list->GetItemData(i));
  }
  EXPECT_EQ(0, catalog.FillValueList(L"Nowhere", *list));
  EXPECT_EQ(3, list->GetCount());  // an unknown list changes nothing
  list->Destroy(true);
}

// A list name goes into a query: quotes in it must not end the literal.
TEST_F(ParameterCatalogTest, ListNamesWithQuotesFindOnlyTheirOwnList) {
  WriteCatalog(
      "<DirectShowFilters><ValuesList Name=\"Levels\"><Item Value=\"1\"/></ValuesList>"
      "<ValuesList Name='say \"hi\"'><Item Value=\"2\"/></ValuesList>"
      "<ValuesList Name=\"it's\"><Item Value=\"3\"/></ValuesList></DirectShowFilters>");
  ASSERT_TRUE(catalog.Open());
  const struct {
    const wchar_t* name;
    const wchar_t* value;  // null: no such list
  } cases[] = {{L"say \"hi\"", L"2"},
               {L"it's", L"3"},
               {L"x\"]|//ValuesList[@Name=\"Levels", nullptr},
               {L"both ' and \"", nullptr}};
  for (const auto& c : cases) {
    std::vector<ParameterCatalog::Value> values;
    bool found = catalog.Values(c.name, &values);
    EXPECT_EQ(c.value != nullptr, found) << Text(c.name);
    if (found) {
      EXPECT_EQ(c.value, values.empty() ? L"" : values[0].value) << Text(c.name);
    }
  }
}

TEST_F(ParameterCatalogTest, MissingOrBrokenFileGivesNoRows) {
  ParameterCatalog unopened;
  EXPECT_EQ(-1, unopened.ListParameters(ParameterCatalog::kEffect, kBlurFilter, *grid));
  DeleteFileW(folder.File(L"DSF_desc.xml").c_str());
  ASSERT_TRUE(catalog.Open());
  EXPECT_EQ(0, catalog.ListParameters(ParameterCatalog::kEffect, kBlurFilter, *grid));
  WriteCatalog("<DirectShowFilters><Effect GUID=");
  ASSERT_TRUE(catalog.Open());
  catalog.ListParameters(ParameterCatalog::kEffect, kBlurFilter, *grid);
  EXPECT_EQ(0, grid->GetRowCount());
}

TEST_F(ParameterCatalogTest, FallsBackToTheCatalogBesideTheProgram) {
  wchar_t beside[MAX_PATH];
  ASSERT_TRUE(ResolvePath(L"DSF_desc.xml", kResolveProgramDir, beside));
  struct Remove {
    const wchar_t* path;
    ~Remove() { DeleteFileW(path); }
  } remove{beside};
  std::string besideXml = kCatalogXml;
  besideXml.replace(besideXml.find("\"Level\""), 7, "\"Beside\"");
  HANDLE file = CreateFileW(beside, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD written = 0;
  WriteFile(file, besideXml.data(), static_cast<DWORD>(besideXml.size()), &written, nullptr);
  CloseHandle(file);

  const char* current[] = {kCatalogXml, "<DirectShowFilters><Effect", nullptr};  // nullptr: no file
  const wchar_t* first[] = {L"Level;", L"Beside;", L"Beside;"};
  for (int i = 0; i < 3; ++i) {
    if (current[i])
      WriteCatalog(current[i]);
    else
      DeleteFileW(folder.File(L"DSF_desc.xml").c_str());
    ASSERT_TRUE(catalog.Open());
    grid->DeleteAllRows();
    catalog.ListParameters(ParameterCatalog::kEffect, kBlurFilter, *grid);
    EXPECT_EQ(first[i], Names().substr(0, Names().find(L';') + 1)) << i;
  }
}

}  // namespace
