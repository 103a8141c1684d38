#include "WndTLGroup.h"

#include "CheckBox.h"
#include "ComboBox.h"
#include "EditBox.h"
#include "JoinedString.h"
#include "NumberText.h"
#include "PropertyWindowShape.h"
#include "StaticText.h"
#include "Text.h"
#include "TimelineOperations.h"

namespace {

constexpr uint32_t kRates[] = {8000, 11025, 22050, 44100};
constexpr int kDefaultRate = 3;
constexpr uint32_t kMaxSide = 0xFFFF;  // the packed size holds 16 bits a side

bool IsKindOf(int kind, REFGUID majorType) {
  return kind >= 0 && kind < kMediaKindCount && *kMediaKinds[kind].majorType == majorType;
}

bool IsVideoKind(int kind) { return IsKindOf(kind, MEDIATYPE_Video); }

bool IsAudioKind(int kind) { return IsKindOf(kind, MEDIATYPE_Audio); }

int KindOf(REFGUID majorType) {
  for (int i = 0; i < kMediaKindCount; ++i) {
    if (*kMediaKinds[i].majorType == majorType) return i;
  }
  return -1;
}

int FormatOf(int kind, REFGUID subtype) {
  for (int i = 0; i < kMediaKinds[kind].formatCount; ++i) {
    if (*kMediaKinds[kind].formats[i].subtype == subtype) return i;
  }
  return -1;
}

void SetNumber(EditBox* field, int32_t value) {
  NumberText text(value);
  field->SetText(text.AsText());
}

// The field's leading digits; 0 without any.
int64_t ReadNumber(const EditBox* field) {
  wchar_t* text = field->GetText();
  int64_t value = TextToInt64(text);
  FreeText(text);
  return value;
}

// Refuses a side that is empty, 0 or too wide for the packed size.
bool ReadSide(EditBox* field, uint32_t* side) {
  int64_t value = ReadNumber(field);
  if (value > 0 && value <= kMaxSide) {
    *side = static_cast<uint32_t>(value);
    return true;
  }
  SetFocus(field->Handle());
  SendMessageW(field->Handle(), EM_SETSEL, 0, -1);
  return false;
}

void ReleaseMediaType(AM_MEDIA_TYPE* type) {
  if (type->cbFormat && type->pbFormat) CoTaskMemFree(type->pbFormat);
  if (type->pUnk) type->pUnk->Release();
  *type = AM_MEDIA_TYPE{};
}

}  // namespace

WndTLGroup::WndTLGroup() {
  className_ = L"WndTLGroup";
  ModifyStyle(WS_THICKFRAME, false, kStyleRemove);
}

DWORD WndTLGroup::Create(HWND parent, HINSTANCE instance) {
  DWORD error = FrameWindow::Create(parent, instance);
  if (error) return error;
  SetSize(kWidth, 200);
  SetText(L"Timeline group");
  PropertyWindowShape shape(this);
  nameField_ = shape.AddLabeled(L"Timeline group name:", new EditBox(), 4);
  lockedBox_ = new CheckBox();
  mutedBox_ = new CheckBox();
  shape.AddCheckPair(lockedBox_, L"Locked", mutedBox_, L"Muted", 4);
  typeList_ = shape.AddLabeled(L"Media type:", new ComboBox(), 4);
  // The subtype label sits 25 below the top of the type list.
  subtypeList_ = shape.AddLabeled(L"Media subtype:", new ComboBox(), 5);
  optionalTop_ = shape.Bottom() + 4;
  for (int i = 0; i < kMediaKindCount; ++i) typeList_->AddString(kMediaKinds[i].name);
  typeList_->SetCurSel(0);
  OnTypeChange();
  ArrangeButtons(heightField_);
  return 0;
}

LRESULT WndTLGroup::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && HIWORD(wParam) == CBN_SELCHANGE && typeList_ &&
      reinterpret_cast<HWND>(lParam) == typeList_->Handle()) {
    OnTypeChange();
    return 0;
  }
  return DialogWindow::WindowProc(hwnd, message, wParam, lParam);
}

void WndTLGroup::SetObject(IAMTimeline* timeline, IAMTimelineObj* object) {
  timeline_ = timeline;
  object_ = ComPtr<IAMTimelineObj>(object);
  group_.Reset();
  openedWithGroup_ = object != nullptr;
  if (object) {
    SetText(L"Timeline group");
    group_ = object_.As<IAMTimelineGroup>(IID_IAMTimelineGroup);
    Load();
  } else {
    SetText(L"New timeline group");
    long count = 0;
    if (timeline_) timeline_->GetGroupCount(&count);
    NumberText number(count);
    JoinedString name(L"Group_", number.AsText(), nullptr);
    nameField_->SetText(name.Get());
  }
  // The major type of an existing group is fixed.
  EnableWindow(typeList_->Handle(), object ? FALSE : TRUE);
}

void WndTLGroup::OnTypeChange() {
  int kind = typeList_->GetCurSel();
  subtypeList_->ResetContent();
  if (kind < 0 || kind >= kMediaKindCount) return;
  for (int i = 0; i < kMediaKinds[kind].formatCount; ++i) {
    subtypeList_->AddString(kMediaKinds[kind].formats[i].description);
  }
  subtypeList_->SetCurSel(0);
  if (IsVideoKind(kind)) {
    MakeVideoControls();
  } else {
    RemoveControl(sizeLabel_);
    RemoveControl(widthField_);
    RemoveControl(heightField_);
  }
  if (IsAudioKind(kind)) {
    MakeAudioControls();
  } else {
    RemoveControl(rateLabel_);
    RemoveControl(rateList_);
  }
}

// Fields kept from an earlier choice of the type keep what was typed.
void WndTLGroup::MakeVideoControls() {
  if (widthField_) return;
  PropertyWindowShape shape(this);
  sizeLabel_ = shape.AddLabel(L"Video resolution (width, height):", optionalTop_);
  widthField_ = new EditBox();
  heightField_ = new EditBox();
  widthField_->ModifyStyle(ES_NUMBER, false, kStyleAdd);
  heightField_->ModifyStyle(ES_NUMBER, false, kStyleAdd);
  shape.AddPair(widthField_, heightField_, 0, PropertyWindowShape::kControlHeight);
  widthField_->SetText(L"640");
  heightField_->SetText(L"480");
}

void WndTLGroup::MakeAudioControls() {
  if (rateList_) return;
  PropertyWindowShape shape(this);
  rateLabel_ = shape.AddLabel(L"Audio sample rate:", optionalTop_);
  rateList_ = shape.AddControl(new ComboBox(), 0);
  for (uint32_t rate : kRates) AddRate(rate);
  rateList_->SetCurSel(kDefaultRate);
}

int WndTLGroup::AddRate(uint32_t rate) {
  NumberText number(static_cast<int32_t>(rate));
  JoinedString text(number.AsText(), L" Hz", nullptr);
  int item = rateList_->AddString(text.Get());
  if (item >= 0) rateList_->SetItemData(item, rate);
  return item;
}

void WndTLGroup::Load() {
  AM_MEDIA_TYPE type = {};
  if (group_ && SUCCEEDED(group_->GetMediaType(&type))) {
    LoadFormat(type);
    ReleaseMediaType(&type);
  }
  PropertyWindowShape::LoadNameAndFlags(object_.Get(), nameField_, lockedBox_, mutedBox_);
}

void WndTLGroup::LoadFormat(const AM_MEDIA_TYPE& type) {
  int kind = KindOf(type.majortype);
  typeList_->SetCurSel(kind);
  OnTypeChange();
  if (kind < 0) return;
  subtypeList_->SetCurSel(FormatOf(kind, type.subtype));
  // Read a format block only as far as it reaches.
  if (IsVideoKind(kind) && type.formattype == FORMAT_VideoInfo && type.pbFormat &&
      type.cbFormat >= sizeof(VIDEOINFOHEADER)) {
    const BITMAPINFOHEADER& bitmap = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
    SetNumber(widthField_, bitmap.biWidth);
    SetNumber(heightField_, bitmap.biHeight);
  } else if (IsAudioKind(kind) && type.formattype == FORMAT_WaveFormatEx && type.pbFormat &&
             type.cbFormat >= sizeof(WAVEFORMAT)) {
    uint32_t rate = reinterpret_cast<const WAVEFORMAT*>(type.pbFormat)->nSamplesPerSec;
    // A rate not offered is added, so OK writes it back instead of none.
    if (!PropertyWindowShape::SelectByData(rateList_, rate)) rateList_->SetCurSel(AddRate(rate));
  }
}

bool WndTLGroup::FillSize(GroupFormat* format) {
  if (IsVideoKind(format->kindIndex) && widthField_) {
    uint32_t width = 0, height = 0;
    if (!ReadSide(widthField_, &width) || !ReadSide(heightField_, &height)) return false;
    format->size = VideoSize(width, height);
  } else if (IsAudioKind(format->kindIndex) && rateList_) {
    format->size = static_cast<uint32_t>(PropertyWindowShape::SelectedData(rateList_, 0));
  }
  return true;
}

bool WndTLGroup::WriteGroup() {
  GroupSettings settings = {};
  settings.locked = lockedBox_->GetCheck() == BST_CHECKED;
  settings.muted = mutedBox_->GetCheck() == BST_CHECKED;
  settings.trackCount = 1;
  settings.format.kindIndex = typeList_->GetCurSel();
  settings.format.formatIndex = subtypeList_->GetCurSel();
  if (!FillSize(&settings.format)) return false;
  wchar_t* name = nameField_->GetText();
  settings.name = name;
  IAMTimelineObj* slot = object_.Get();
  AddOrUpdateGroup(timeline_, &slot, settings);
  FreeText(name);
  if (!object_ && slot) object_ = ComPtr<IAMTimelineObj>::Adopt(slot);
  // AddOrUpdateGroup skips every field of a group whose format is not in the
  // table; its name and flags are still the user's to change.
  if (openedWithGroup_) {
    PropertyWindowShape::StoreNameAndFlags(object_.Get(), nameField_, lockedBox_, mutedBox_);
  }
  group_ = object_.As<IAMTimelineGroup>(IID_IAMTimelineGroup);
  return static_cast<bool>(group_);
}

int WndTLGroup::QueryClose() {
  if (result_ == IDOK) {
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    bool written = WriteGroup();
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    if (!written) return -1;
  }
  group_.Reset();
  // The timeline holds a group made here.
  if (!openedWithGroup_) object_.Reset();
  return DialogWindow::QueryClose();
}
