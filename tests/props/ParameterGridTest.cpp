#include "ParameterGrid.h"

#include "ParameterRecord.h"
#include "PropsTesting.h"
#include "TimeEdit.h"

namespace {

class ParameterGridTest : public CatalogGridTest {
 protected:
  void SetUp() override {
    CatalogGridTest::SetUp();
    catalog.Open();
    AM_MEDIA_TYPE type = MakeVideoType(64, 48, 32);
    ComPtr<IAMTimelineObj> group = AddGroup(L"Video", &type);
    ClearMediaType(&type);
    effect = AddEffect(AddTrack(group.Get(), L"V1").Get(), 0, 100000000);
    catalog.ListParameters(ParameterCatalog::kEffect, kBlurFilter, *grid);
  }
  void TearDown() override {
    effect.Reset();
    CatalogGridTest::TearDown();
  }
  // Level: two values; MODE: one (case differs from the catalog); Unknown: not in the catalog.
  void GiveSetter() {
    ComPtr<IPropertySetter> setter;
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_PropertySetter, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertySetter,
                                     setter.ReceiveVoid()));
    Add(setter.Get(), L"Level", {TextValue(L"10", 0), TextValue(L"20", 15000000, DEXTERF_INTERPOLATE)});
    Add(setter.Get(), L"Unknown", {TextValue(L"x", 0)});
    Add(setter.Get(), L"MODE", {TextValue(L"3", 20000000)});
    effect->SetPropertySetter(setter.Get());
  }
  static void Add(IPropertySetter* setter, const wchar_t* name, std::vector<DEXTER_VALUE> values) {
    DEXTER_PARAM param = {SysAllocString(name), 0, static_cast<LONG>(values.size())};
    EXPECT_EQ(S_OK, setter->AddProp(param, values.data()));
    SysFreeString(param.Name);
    for (DEXTER_VALUE& value : values) VariantClear(&value.v);
  }
  // Opens the cell's editor; the caller picks or types, then Enter stores.
  template <class Editor>
  Editor* Edit(int col, int row) {
    grid->SelectCell(col, row);
    grid->BeginEdit();
    return dynamic_cast<Editor*>(grid->GetEditor());
  }
  static void Enter(HWND editor) { SendMessageW(editor, WM_KEYDOWN, VK_RETURN, 0); }

  ComPtr<IAMTimelineObj> effect;
};

TEST_F(ParameterGridTest, SetterReadIntoRowsAndWrittenBackUnchanged) {
  GiveSetter();
  rows.LoadValues(grid, effect.Get());
  // Each value of Level has a row of its own.
  ASSERT_EQ(4, grid->GetRowCount());
  EXPECT_EQ(2, ParameterGrid::Record(grid, 0)->valueCount);
  EXPECT_EQ(0, ParameterGrid::Record(grid, 1)->valueCount);
  const wchar_t* cells[][3] = {{L"10", L"000:00:00,000000", L"Jump"},
                               {L"20", L"000:00:01,500000", L"Interpolate"},
                               {L"3", L"000:00:02,000000", L"Jump"},
                               {L"(null)", L"(null)", L"(null)"}};
  for (int row = 0; row < 4; ++row)
    for (int col = 1; col < 4; ++col) EXPECT_EQ(cells[row][col - 1], Cell(col, row)) << col << "," << row;

  ASSERT_TRUE(rows.WriteValues(grid, effect.Get()));
  Props props(effect.Get());
  ASSERT_EQ(3, props.count);  // Unknown has no row; Size is written empty
  const wchar_t* names[] = {L"Level", L"mode", L"Size"};  // the catalog's spelling
  for (int i = 0; i < 3; ++i) EXPECT_EQ(std::wstring(names[i]), props.params[i].Name);
  ASSERT_EQ(2, props.params[0].nValues);
  struct Value {
    const wchar_t* text;
    REFERENCE_TIME time;
    DWORD interpolation;
  } values[] = {{L"10", 0, DEXTERF_JUMP},
                {L"20", 15000000, DEXTERF_INTERPOLATE},
                {L"3", 20000000, DEXTERF_JUMP},
                {L"", 0, DEXTERF_JUMP}};  // an empty cell jumps
  for (int i = 0; i < 4; ++i) {
    ASSERT_EQ(VT_BSTR, props.values[i].v.vt) << i;
    EXPECT_EQ(values[i].text, Text(props.values[i].v.bstrVal)) << i;
    EXPECT_EQ(values[i].time, props.values[i].rt) << i;
    EXPECT_EQ(values[i].interpolation, props.values[i].dwInterp) << i;
  }
}

// The cell editors, driven as the user would: pick, type, Enter.
TEST_F(ParameterGridTest, EditorsStoreWhatWasPickedOrTyped) {
  ComboBox* values = Edit<ComboBox>(1, 0);
  ASSERT_NE(nullptr, values);
  EXPECT_EQ(3, values->GetCount());
  values->SetCurSel(0);  // "0: Off"
  Enter(values->EditWindow());
  EXPECT_EQ(nullptr, grid->GetEditor());
  EXPECT_EQ(L"0", Cell(1, 0));

  EXPECT_EQ(nullptr, Edit<ComboBox>(1, 2));  // Size: no value list, the grid's own editor
  grid->EndEdit(false);

  TimeEdit* time = Edit<TimeEdit>(2, 0);
  ASSERT_NE(nullptr, time);
  time->SetValue(2500000);
  Enter(time->Handle());
  EXPECT_EQ(L"000:00:02,500000", Cell(2, 0));

  ComboBox* interpolation = Edit<ComboBox>(3, 0);
  ASSERT_NE(nullptr, interpolation);
  interpolation->SetCurSel(1);
  Enter(interpolation->Handle());
  EXPECT_EQ(L"Interpolate", Cell(3, 0));

  rows.WriteValues(grid, effect.Get());
  Props props(effect.Get());
  ASSERT_EQ(3, props.count);
  EXPECT_EQ(std::wstring(L"0"), props.values[0].v.bstrVal);
  EXPECT_EQ(25000000, props.values[0].rt);
  EXPECT_EQ(DEXTERF_INTERPOLATE, props.values[0].dwInterp);
}

// Insert and Delete, as pressed on the grid: a second value reached by
// interpolation, written as one parameter of two values.
TEST_F(ParameterGridTest, InsertAddsAValueAndDeleteTakesItOff) {
  grid->SelectCell(1, 2);  // Size
  grid->SetCellText(1, 2, L"4", true);
  SendMessageW(grid->Handle(), WM_KEYDOWN, VK_INSERT, 0);
  SendMessageW(grid->Handle(), WM_KEYDOWN, VK_INSERT, 0);
  ASSERT_EQ(5, grid->GetRowCount());
  EXPECT_EQ(4, grid->GetSelectedRow());
  SendMessageW(grid->Handle(), WM_KEYDOWN, VK_DELETE, 0);
  grid->SelectCell(1, 2);
  SendMessageW(grid->Handle(), WM_KEYDOWN, VK_DELETE, 0);  // a parameter's own row stays
  ASSERT_EQ(4, grid->GetRowCount());
  grid->SetCellText(1, 3, L"8", true);
  grid->SetCellText(2, 3, L"000:00:02,000000", true);

  ASSERT_TRUE(rows.WriteValues(grid, effect.Get()));
  Props props(effect.Get());
  ASSERT_EQ(3, props.count);
  EXPECT_EQ(std::wstring(L"Size"), props.params[2].Name);
  ASSERT_EQ(2, props.params[2].nValues);
  EXPECT_EQ(std::wstring(L"4"), props.values[2].v.bstrVal);
  EXPECT_EQ(std::wstring(L"8"), props.values[3].v.bstrVal);
  EXPECT_EQ(20000000, props.values[3].rt);
  EXPECT_EQ(DEXTERF_INTERPOLATE, props.values[3].dwInterp);
}

}  // namespace
