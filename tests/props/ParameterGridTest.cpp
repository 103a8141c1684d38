#include "ParameterGrid.h"

#include "ComboBox.h"
#include "GridControl.h"
#include "GridTesting.h"
#include "ParameterCatalog.h"
#include "ParameterRecord.h"
#include "PropsTesting.h"
#include "TimeEdit.h"

namespace {

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

class ParameterGridTest : public PropsTest {
 protected:
  void SetUp() override {
    PropsTest::SetUp();
    catalog.Open();
    grid = new GridControl();
    grid->SetSize(400, 200);
    grid->Create(GridHost()->Handle(), TestInstance());
    rows.SetUp(grid);
    AM_MEDIA_TYPE type = MakeVideoType(64, 48, 32);
    ComPtr<IAMTimelineObj> group = AddGroup(L"Video", &type);
    ClearMediaType(&type);
    effect = AddEffect(AddTrack(group.Get(), L"V1").Get(), 0, 100000000);
    catalog.ListParameters(ParameterCatalog::kEffect, kBlurFilter, *grid);
  }
  void TearDown() override {
    grid->Destroy(true);
    effect.Reset();
    PropsTest::TearDown();
  }
  std::wstring Cell(int col, int row) { return Text(grid->GetCellText(col, row)); }
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

  ParameterCatalog catalog;
  ParameterGrid rows{&catalog};
  GridControl* grid = nullptr;
  ComPtr<IAMTimelineObj> effect;
};

TEST_F(ParameterGridTest, SetterReadIntoRowsAndWrittenBackUnchanged) {
  GiveSetter();
  rows.LoadValues(grid, effect.Get());
  // Each value of Level has a row of its own.
  ASSERT_EQ(4, grid->GetRowCount());
  EXPECT_EQ(2, ParameterGrid::Record(grid, 0)->valueCount);
  EXPECT_EQ(0, ParameterGrid::Record(grid, 1)->valueCount);
  EXPECT_EQ(L"20", Cell(1, 1));
  EXPECT_EQ(L"000:00:01,500000", Cell(2, 1));
  EXPECT_EQ(L"Interpolate", Cell(3, 1));
  EXPECT_EQ(L"Jump", Cell(3, 0));
  EXPECT_EQ(L"3", Cell(1, 2));
  EXPECT_EQ(L"(null)", Cell(1, 3));

  ASSERT_TRUE(rows.WriteValues(grid, effect.Get()));
  Props props(effect.Get());
  ASSERT_EQ(3, props.count);  // Unknown has no row; Size is written empty
  EXPECT_EQ(std::wstring(L"Level"), props.params[0].Name);
  ASSERT_EQ(2, props.params[0].nValues);
  EXPECT_EQ(std::wstring(L"10"), props.values[0].v.bstrVal);
  EXPECT_EQ(DEXTERF_JUMP, props.values[0].dwInterp);
  EXPECT_EQ(std::wstring(L"20"), props.values[1].v.bstrVal);
  EXPECT_EQ(15000000, props.values[1].rt);
  EXPECT_EQ(DEXTERF_INTERPOLATE, props.values[1].dwInterp);
  EXPECT_EQ(std::wstring(L"mode"), props.params[1].Name);  // the catalog's spelling
  EXPECT_EQ(20000000, props.values[2].rt);
  EXPECT_EQ(std::wstring(L"Size"), props.params[2].Name);
  EXPECT_EQ(VT_BSTR, props.values[3].v.vt);
  EXPECT_EQ(0u, SysStringLen(props.values[3].v.bstrVal));
  EXPECT_EQ(DEXTERF_JUMP, props.values[3].dwInterp);  // an empty cell jumps
}

// The cell editors, driven as the user would: pick, type, Enter.
TEST_F(ParameterGridTest, EditorsStoreWhatWasPickedOrTyped) {
  grid->SelectCell(1, 0);
  ASSERT_EQ(0, grid->BeginEdit());
  ComboBox* values = dynamic_cast<ComboBox*>(grid->GetEditor());
  ASSERT_NE(nullptr, values);
  EXPECT_EQ(3, values->GetCount());
  values->SetCurSel(0);  // "0: Off"
  SendMessageW(values->EditWindow(), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(nullptr, grid->GetEditor());
  EXPECT_EQ(L"0", Cell(1, 0));

  grid->SelectCell(1, 2);  // Size: no value list, the grid's own editor
  grid->BeginEdit();
  EXPECT_EQ(nullptr, dynamic_cast<ComboBox*>(grid->GetEditor()));
  grid->EndEdit(false);

  grid->SelectCell(2, 0);
  grid->BeginEdit();
  TimeEdit* time = dynamic_cast<TimeEdit*>(grid->GetEditor());
  ASSERT_NE(nullptr, time);
  time->SetValue(2500000);
  SendMessageW(time->Handle(), WM_KEYDOWN, VK_RETURN, 0);
  EXPECT_EQ(L"000:00:02,500000", Cell(2, 0));

  grid->SelectCell(3, 0);
  grid->BeginEdit();
  ComboBox* interpolation = dynamic_cast<ComboBox*>(grid->GetEditor());
  ASSERT_NE(nullptr, interpolation);
  interpolation->SetCurSel(1);
  SendMessageW(interpolation->Handle(), WM_KEYDOWN, VK_RETURN, 0);
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
