#include "ParameterCatalog.h"

#include <string>

#include "ParameterRecord.h"
#include "Paths.h"
#include "PropsTesting.h"

namespace {

class ParameterCatalogTest : public CatalogGridTest {
 protected:
  std::wstring Names() {
    std::wstring names;
    for (int row = 0; row < grid->GetRowCount(); ++row) names += Cell(0, row) + L";";
    return names;
  }
  std::wstring Listed(int kind, const CLSID& filter) {
    grid->DeleteAllRows();
    catalog.ListParameters(kind, filter, *grid);
    return Names();
  }
};

TEST_F(ParameterCatalogTest, ListsTheFirstElementWhoseGuidMatchesExactly) {
  ParameterCatalog unopened;
  EXPECT_EQ(-1, unopened.ListParameters(ParameterCatalog::kEffect, kBlurFilter, *grid));
  ASSERT_TRUE(catalog.Open());
  EXPECT_EQ(0, catalog.ListParameters(ParameterCatalog::kEffect, kBlurFilter, *grid));
  EXPECT_EQ(L"Level;mode;Size;", Names());
  EXPECT_EQ(L"Levels", Text(ParameterGrid::Record(grid, 0)->valuesList));
  EXPECT_EQ(nullptr, ParameterGrid::Record(grid, 1)->valuesList);  // empty counts as absent
  EXPECT_EQ(1, ParameterGrid::Record(grid, 2)->valueCount);

  EXPECT_EQ(L"", Listed(ParameterCatalog::kEffect, kLowerCaseFilter));
  EXPECT_EQ(L"", Listed(ParameterCatalog::kEffect, kWipeFilter));  // a transition only
  EXPECT_EQ(L"", Listed(ParameterCatalog::kTransition, kBlurFilter));
  EXPECT_EQ(L"Progress;", Listed(ParameterCatalog::kTransition, kWipeFilter));
}

TEST_F(ParameterCatalogTest, FillsValueListsFromTheFirstListOfThatName) {
  ASSERT_TRUE(catalog.Open());
  ComboBox* list = new ComboBox();
  list->Create(GridHost()->Handle(), TestInstance());
  list->AddString(L"stale");
  EXPECT_EQ(0, catalog.FillValueList(L"Levels", *list));
  EXPECT_EQ((::Names{L"0: Off", L"10", L"20: High"}), Entries(list));
  const LRESULT data[] = {1, 0, 2};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(data[i], list->GetItemData(i));
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

// A broken or missing catalog in the current folder gives way to the one
// beside the program; with neither there are no rows.
TEST_F(ParameterCatalogTest, FallsBackToTheCatalogBesideTheProgram) {
  const char* broken = "<DirectShowFilters><Effect";
  for (const char* current : {broken, static_cast<const char*>(nullptr)}) {
    if (current) WriteCatalog(current);
    else DeleteFileW(folder.File(L"DSF_desc.xml").c_str());
    ASSERT_TRUE(catalog.Open());
    EXPECT_EQ(L"", Listed(ParameterCatalog::kEffect, kBlurFilter));
  }

  wchar_t beside[MAX_PATH];
  ASSERT_TRUE(ResolvePath(L"DSF_desc.xml", kResolveProgramDir, beside));
  struct Remove {
    const wchar_t* path;
    ~Remove() { DeleteFileW(path); }
  } remove{beside};
  std::string besideXml = kCatalogXml;
  WriteFileBytes(beside, besideXml.replace(besideXml.find("\"Level\""), 7, "\"Beside\""));
  const char* current[] = {kCatalogXml, broken, nullptr};  // nullptr: no file
  const wchar_t* first[] = {L"Level", L"Beside", L"Beside"};
  for (int i = 0; i < 3; ++i) {
    if (current[i]) WriteCatalog(current[i]);
    else DeleteFileW(folder.File(L"DSF_desc.xml").c_str());
    ASSERT_TRUE(catalog.Open());
    EXPECT_EQ(0u, Listed(ParameterCatalog::kEffect, kBlurFilter).find(first[i])) << i;
  }
}

}  // namespace
