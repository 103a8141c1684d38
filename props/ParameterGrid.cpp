#include "ParameterGrid.h"

#include <string>
#include <vector>

#include "ComPtr.h"
#include "GridControl.h"
#include "GridTimeEdit.h"
#include "ParameterCatalog.h"
#include "ParameterRecord.h"
#include "Text.h"
#include "TimeText.h"
#include "ValueListEditor.h"
#include "Variants.h"

namespace {

constexpr wchar_t kJump[] = L"Jump";
constexpr wchar_t kInterpolate[] = L"Interpolate";

std::wstring Upper(const wchar_t* text) {
  std::wstring result = text ? text : L"";
  UpperText(&result[0]);
  return result;
}

// The first row that starts a parameter of this name, letter case aside.
int FindParameterRow(const GridControl* grid, const wchar_t* name) {
  std::wstring wanted = Upper(name);
  for (int row = 0; row < grid->GetRowCount(); ++row) {
    ParameterRecord* record = ParameterGrid::Record(grid, row);
    if (record && record->valueCount > 0 && Upper(grid->GetCellText(0, row)) == wanted) return row;
  }
  return -1;
}

// Any value type is shown as text, so that OK writes back what was there.
wchar_t* ValueText(const VARIANT& value) {
  if (value.vt == VT_BSTR) return CopyNonEmpty(value.bstrVal);
  VARIANT text;
  VariantInit(&text);
  wchar_t* result = nullptr;
  // Invariant, so that a number reads back the same under any user locale.
  if (SUCCEEDED(VariantChangeTypeEx(&text, const_cast<VARIANT*>(&value), LOCALE_INVARIANT, 0, VT_BSTR))) {
    result = CopyNonEmpty(text.bstrVal);
  }
  VariantClear(&text);
  return result;
}

const wchar_t* InterpolationText(DWORD flag) {
  if (flag == DEXTERF_JUMP) return kJump;
  if (flag == DEXTERF_INTERPOLATE) return kInterpolate;
  return nullptr;
}

ComPtr<IPropertySetter> SetterToWrite(IAMTimelineObj* object) {
  ComPtr<IPropertySetter> setter;
  object->GetPropertySetter(setter.Receive());
  if (setter) return setter;
  if (FAILED(CoCreateInstance(CLSID_PropertySetter, nullptr, CLSCTX_INPROC_SERVER, IID_IPropertySetter,
                              setter.ReceiveVoid())) ||
      FAILED(object->SetPropertySetter(setter.Get())))
    setter.Reset();
  return setter;
}

// A row continuing the parameter whose record is given.
ParameterRecord* ContinuationOf(const ParameterRecord& record) {
  ParameterRecord* more = new ParameterRecord();
  more->valuesList = CopyText(record.valuesList);
  more->valueCount = 0;
  return more;
}

// The row that starts the parameter row belongs to; -1 for none.
int FirstRowOf(const GridControl* grid, int row) {
  for (; row >= 0; --row) {
    ParameterRecord* record = ParameterGrid::Record(grid, row);
    if (!record) return -1;
    if (record->valueCount > 0) return row;
  }
  return -1;
}

void PlaceEditor(GridControl* grid, Window* editor) {
  int col = grid->GetSelectedColumn();
  editor->SetPosition(grid->ColumnX(col), grid->RowY(grid->GetSelectedRow()));
  editor->SetSize(grid->GetColumnWidth(col), grid->GetRowHeight());
}

}  // namespace

ParameterGrid::ParameterGrid(const ParameterCatalog* catalog)
    : GridObserver(kGridNotifyBeginEdit | kGridNotifyRowDeleted | kGridNotifyKey), catalog_(catalog) {}

ParameterRecord* ParameterGrid::Record(const GridControl* grid, int row) {
  return reinterpret_cast<ParameterRecord*>(grid->GetRowData(row));
}

void ParameterGrid::SetUp(GridControl* grid) {
  static const wchar_t* const captions[] = {L"Property", L"Value", L"Start time", L"Interpolation"};
  grid->BeginUpdate();
  grid->SetColumnCount(4);
  for (int col = 0; col < 4; ++col) grid->SetColumnCaption(col, captions[col]);
  grid->SetColumnWidth(kNameColumn, 90);
  grid->SetColumnWidth(kTimeColumn, 100);
  grid->SetColumnKind(kNameColumn, kGridUnselectable | kGridStyleHeader);
  grid->SetProportionalWidths(true, true);
  grid->SetObserver(this);
  grid->EndUpdate();
}

void ParameterGrid::OnRowDeleted(GridControl* grid, int row) {
  ParameterRecord* record = Record(grid, row);
  if (!record) return;
  grid->SetRowData(row, 0);
  FreeText(record->valuesList);
  delete record;
}

bool ParameterGrid::OnKey(GridControl* grid, WPARAM key) {
  int row = grid->GetSelectedRow();
  int first = FirstRowOf(grid, row);
  if (first < 0) return false;
  if (key == VK_INSERT) return AddValueRow(grid, first);
  if (key != VK_DELETE || row == first) return false;
  --Record(grid, first)->valueCount;
  grid->DeleteRows(row, 1);
  return true;
}

// The new value starts as a copy of the one above it, reached by interpolation.
bool ParameterGrid::AddValueRow(GridControl* grid, int first) const {
  ParameterRecord* record = Record(grid, first);
  int at = first + record->valueCount;
  if (grid->InsertRows(at, 1, 0) != 1) return false;
  grid->SetRowData(at, reinterpret_cast<intptr_t>(ContinuationOf(*record)));
  ++record->valueCount;
  grid->SetCellText(kValueColumn, at, grid->GetCellText(kValueColumn, at - 1), true);
  grid->SetCellText(kTimeColumn, at, grid->GetCellText(kTimeColumn, at - 1), true);
  grid->SetCellText(kInterpolationColumn, at, kInterpolate, true);
  grid->SelectCell(kValueColumn, at);
  return true;
}

Window* ParameterGrid::MakeValueEditor(GridControl* grid, int row) const {
  ParameterRecord* record = Record(grid, row);
  if (!record || !record->valuesList) return nullptr;  // the grid's own text editor
  ValueListEditor* list = new ValueListEditor(true);
  list->Create(grid->Handle(), grid->Instance());
  if (catalog_) catalog_->FillValueList(record->valuesList, *list);
  list->SetText(grid->GetCellText(kValueColumn, row));
  list->ShowDropDown(true);
  list->ShowDropDown(false);
  return list;
}

int ParameterGrid::OnBeginEdit(GridControl* grid, Window** editor) {
  int row = grid->GetSelectedRow();
  const wchar_t* text = grid->GetCellText(grid->GetSelectedColumn(), row);
  Window* made = nullptr;
  switch (grid->GetSelectedColumn()) {
    case kValueColumn:
      made = MakeValueEditor(grid, row);
      break;
    case kTimeColumn: {
      GridTimeEdit* field = new GridTimeEdit();
      field->Create(grid->Handle(), grid->Instance());
      field->SetValue(text ? ParseTime(text) : 0);
      made = field;
      break;
    }
    case kInterpolationColumn: {
      ValueListEditor* list = new ValueListEditor(false);
      list->Create(grid->Handle(), grid->Instance());
      list->AddString(kJump);
      list->AddString(kInterpolate);
      if (text) list->SetCurSel(list->FindString(text, -1, false));
      made = list;
      break;
    }
  }
  if (!made) return 0;
  PlaceEditor(grid, made);
  if (*editor) (*editor)->Destroy(true);
  *editor = made;
  return 0;
}

void ParameterGrid::LoadValues(GridControl* grid, IAMTimelineObj* object) const {
  ComPtr<IPropertySetter> setter;
  // Without a setter there is nothing to show; none is attached, so Cancel leaves the object as it was.
  if (!object || FAILED(object->GetPropertySetter(setter.Receive())) || !setter) return;
  LONG count = 0;
  DEXTER_PARAM* params = nullptr;
  DEXTER_VALUE* values = nullptr;
  if (FAILED(setter->GetProps(&count, &params, &values))) return;
  grid->BeginUpdate();
  LONG first = 0;
  for (LONG i = 0; i < count; ++i) {
    if (params[i].nValues < 0) continue;  // a broken count would misplace every later value
    int row = FindParameterRow(grid, params[i].Name);
    if (row >= 0 && params[i].nValues > 0) ShowParameter(grid, row, params[i], values + first);
    first += params[i].nValues;
  }
  grid->EndUpdate();
  setter->FreeProps(count, params, values);
}

// One row per value: the parameter's row, then continuation rows below it.
void ParameterGrid::ShowParameter(GridControl* grid, int row, const DEXTER_PARAM& param,
                                  const DEXTER_VALUE* values) const {
  ParameterRecord* record = Record(grid, row);
  int old = record->valueCount;
  if (old > 1) grid->DeleteRows(row + 1, old - 1);
  // Without room for continuation rows only the first value is shown, never
  // written over the parameters below.
  int shown = grid->InsertRows(row + 1, param.nValues - 1, 0) == param.nValues - 1 ? param.nValues : 1;
  record->valueCount = shown;
  for (int j = 0; j < shown; ++j) {
    int at = row + j;
    if (j > 0) grid->SetRowData(at, reinterpret_cast<intptr_t>(ContinuationOf(*record)));
    grid->SetCellText(kValueColumn, at, ValueText(values[j].v), false);
    wchar_t time[32];
    grid->SetCellText(kTimeColumn, at, FormatTime(kTimeFormatEdit, time, values[j].rt / 10), true);
    grid->SetCellText(kInterpolationColumn, at, InterpolationText(values[j].dwInterp), true);
  }
}

bool ParameterGrid::WriteValues(GridControl* grid, IAMTimelineObj* object) const {
  if (!object) return false;
  ComPtr<IPropertySetter> setter = SetterToWrite(object);
  if (!setter) return false;
  setter->ClearProps();
  int rows = grid->GetRowCount();
  for (int row = 0; row < rows;) {
    ParameterRecord* record = Record(grid, row);
    if (!record || record->valueCount <= 0) {
      ++row;
      continue;
    }
    // Never read past the last row, whatever the count says.
    int count = record->valueCount < rows - row ? record->valueCount : rows - row;
    AddParameter(grid, setter.Get(), row, count);
    row += count;
  }
  return true;
}

void ParameterGrid::AddParameter(GridControl* grid, IPropertySetter* setter, int row, int count) const {
  std::vector<DEXTER_VALUE> values(count);
  for (int j = 0; j < count; ++j) {
    DEXTER_VALUE& value = values[j];
    MakeBstrVariant(&value.v, grid->GetCellText(kValueColumn, row + j));
    value.rt = ParseTime(grid->GetCellText(kTimeColumn, row + j)) * 10;
    const wchar_t* interpolation = grid->GetCellText(kInterpolationColumn, row + j);
    // Anything but "Interpolate", an empty cell included, jumps.
    value.dwInterp = interpolation && lstrcmpW(interpolation, kInterpolate) == 0 ? DEXTERF_INTERPOLATE : DEXTERF_JUMP;
  }
  DEXTER_PARAM param = {AllocBstr(grid->GetCellText(kNameColumn, row)), 0, count};
  setter->AddProp(param, values.data());
  SysFreeString(param.Name);
  for (DEXTER_VALUE& value : values) ClearBstrVariant(&value.v);
}
