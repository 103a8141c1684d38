#include "WndTLSource.h"

#include <commdlg.h>

#include "CheckBox.h"
#include "ComboBox.h"
#include "EditBox.h"
#include "JoinedString.h"
#include "PropertyWindowShape.h"
#include "StaticText.h"
#include "TimeEdit.h"
#include "TimeText.h"
#include "TimelineOperations.h"

namespace {

constexpr int kBrowseSize = PropertyWindowShape::kControlHeight;

struct StretchMode {
  const wchar_t* name;
  int value;
};
constexpr StretchMode kStretchModes[] = {
    {L"Stretch", RESIZEF_STRETCH},
    {L"Crop", RESIZEF_CROP},
    {L"Preserve aspect ratio", RESIZEF_PRESERVEASPECTRATIO},
    {L"Preserve aspect ratio (no letter box)", RESIZEF_PRESERVEASPECTRATIO_NOLETTERBOX},
};

const wchar_t kFileFilter[] =
    L"All files (*.*)\0*.*\0"
    L"Image files (*.bmp,*.gif,*.jpg,*.tga)\0*.bmp;*.gif;*.jpg;*.tga\0";

}  // namespace

WndTLSource::WndTLSource() {
  className_ = L"WndTLSource";
  ModifyStyle(WS_THICKFRAME, false, kStyleRemove);
}

DWORD WndTLSource::Create(HWND parent, HINSTANCE instance) {
  DWORD error = FrameWindow::Create(parent, instance);
  if (error) return error;
  SetSize(300, 190);
  SetText(L"Timeline source");
  BuildControls();
  ArrangeButtons(stretchChoice_);
  EnableOk(false);
  return 0;
}

void WndTLSource::BuildControls() {
  PropertyWindowShape shape(this);
  PlacementRows rows = shape.AddPlacementRows(L"Timeline source name:");
  groupChoice_ = rows.group;
  trackChoice_ = rows.track;
  nameField_ = rows.name;
  lockedBox_ = rows.locked;
  mutedBox_ = rows.muted;
  startField_ = rows.start;
  stopField_ = rows.stop;
  BuildMediaControls(shape);
}

void WndTLSource::BuildMediaControls(PropertyWindowShape& shape) {
  shape.AddLabel(L"Media file name:", 4);
  fileField_ = new EditBox();
  fileField_->ModifyStyle(ES_READONLY, false, kStyleAdd);
  browseButton_ = new Button();
  browseButton_->ModifyStyle(BS_FLAT | BS_TOP, false, kStyleAdd);
  shape.AddPair(fileField_, browseButton_, 0, PropertyWindowShape::kControlHeight);
  // The row is the field and a square button at its right end, not two halves.
  int top = fileField_->Top();
  fileField_->SetSize(shape.Width() - kBrowseSize, kBrowseSize);
  browseButton_->SetPosition(shape.Left() + shape.Width() - kBrowseSize, top);
  browseButton_->SetSize(kBrowseSize, kBrowseSize);
  browseButton_->SetText(L"...");
  streamChoice_ = shape.AddLabeled(L"Media stream:", new ComboBox(), 4);
  shape.AddLabel(L"Media start and stop times:", 4);
  mediaStartField_ = new TimeEdit();
  mediaStopField_ = new TimeEdit();
  shape.AddPair(mediaStartField_, mediaStopField_, 0, PropertyWindowShape::kControlHeight);
  stretchChoice_ = shape.AddLabeled(L"Stretch mode:", new ComboBox(), 4);
  for (const StretchMode& mode : kStretchModes) {
    int at = stretchChoice_->AddString(mode.name);
    stretchChoice_->SetItemData(at, mode.value);
  }
  stretchChoice_->SetCurSel(0);
}

void WndTLSource::SetObject(IAMTimeline* timeline, IAMTimelineObj* object, long groupIndex, long trackIndex) {
  timeline_ = timeline;
  object_ = ComPtr<IAMTimelineObj>(object);
  source_.Reset();
  newSource_ = object == nullptr;
  if (!timeline_ || !groupChoice_) return;
  groupChoice_->ResetContent();
  if (object_) {
    SetText(L"Timeline source");
    source_ = object_.As<IAMTimelineSrc>(IID_IAMTimelineSrc);
    initialGroup_ = groupIndex;
    initialTrack_ = trackIndex;
    Load();
    return;
  }
  SetText(L"New timeline source");
  initialGroup_ = initialTrack_ = -1;
  groupMediaType_ = GUID_NULL;
  FillGroupChoices(timeline_, *groupChoice_, GUID_NULL);
  groupChoice_->SetCurSel(0);
  OnGroupChange();
}

void WndTLSource::SetDefaultTimes(int64_t time) {
  if (startField_) startField_->SetValue(time);
}

void WndTLSource::Load() {
  groupMediaType_ = GetGroupMajorType(timeline_, initialGroup_);
  FillGroupChoices(timeline_, *groupChoice_, groupMediaType_);
  PropertyWindowShape::SelectByData(groupChoice_, initialGroup_);
  OnGroupChange();
  BSTR name = nullptr;
  if (source_) source_->GetMediaName(&name);
  fileField_->SetText(name ? name : L"");
  DetectMedia(name ? name : L"");  // a file gone missing shows no message here
  SysFreeString(name);
  FillStreamChoice(SourceStreamNumber());
  REFERENCE_TIME mediaStart = 0, mediaStop = 0;
  if (source_ && SUCCEEDED(source_->GetMediaTimes(&mediaStart, &mediaStop))) {
    PropertyWindowShape::LoadTime(mediaStartField_, mediaStart);
    PropertyWindowShape::LoadTime(mediaStopField_, mediaStop);
  }
  int stretch = 0;
  if (source_ && SUCCEEDED(source_->GetStretchMode(&stretch)))
    PropertyWindowShape::SelectByData(stretchChoice_, stretch);
  PropertyWindowShape::LoadNameAndFlags(object_.Get(), nameField_, lockedBox_, mutedBox_);
  PropertyWindowShape::LoadStartStop(object_.Get(), startField_, stopField_);
}

long WndTLSource::SourceStreamNumber() const {
  long stream = -1;
  if (!source_ || FAILED(source_->GetStreamNumber(&stream))) return -1;
  return stream;
}

LRESULT WndTLSource::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_COMMAND && lParam) {
    HWND from = reinterpret_cast<HWND>(lParam);
    WORD code = HIWORD(wParam);
    if (code == BN_CLICKED && browseButton_ && from == browseButton_->Handle()) {
      Browse();
      return 0;
    }
    if (code == CBN_SELCHANGE && groupChoice_ && from == groupChoice_->Handle()) {
      OnGroupChange();
      return 0;
    }
    if (code == CBN_SELCHANGE && streamChoice_ && from == streamChoice_->Handle()) {
      OnStreamChange();
      return 0;
    }
  }
  return DialogWindow::WindowProc(hwnd, message, wParam, lParam);
}

void WndTLSource::Browse() {
  wchar_t path[MAX_PATH] = {};
  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof(dialog);
  dialog.hwndOwner = Handle();
  dialog.lpstrFilter = kFileFilter;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path;
  dialog.nMaxFile = MAX_PATH;
  dialog.Flags = OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  if (!GetOpenFileNameW(&dialog)) return;
  OpenMediaFile(path);
}

void WndTLSource::OpenMediaFile(const wchar_t* path) {
  SetCursor(LoadCursorW(nullptr, IDC_WAIT));
  fileField_->SetText(path);
  HRESULT result = DetectMedia(path);
  // Refilled before the message: the old entries point at streams now gone.
  FillStreamChoice(-1);
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  if (FAILED(result)) ShowUnrecognized(path, result);
}

void WndTLSource::ShowUnrecognized(const wchar_t* path, HRESULT result) {
  JoinedString text(L"This file cannot be used as media:\n", path ? path : L"", L"\n\n", MediaStreams::Reason(result),
                    nullptr);
  MessageBoxW(Handle(), text.Get(), L"Morvik", MB_OK | MB_ICONERROR);
}

// Media times past the end of timed media would play nothing there; a still
// has no end of its own.
bool WndTLSource::MediaTimesFit() {
  const StreamInfo* stream = SelectedStream();
  if (!stream || streams_.IsStill() || stream->length <= 0) return true;
  int64_t stop = mediaStopField_->GetValue();
  if (stop <= stream->length) return true;
  wchar_t stopText[48], lengthText[48];
  FormatTime(kTimeFormat, stopText, stop);
  FormatTime(kTimeFormat, lengthText, stream->length);
  JoinedString text(L"The media stop, ", stopText, L", lies beyond the end of the media stream, ", lengthText,
                    L".\nShorten the clip or choose a media stop within the media.", nullptr);
  MessageBoxW(Handle(), text.Get(), L"Morvik", MB_OK | MB_ICONWARNING);
  SetFocus(mediaStopField_->Handle());
  return false;
}

void WndTLSource::OnGroupChange() {
  long group = PropertyWindowShape::SelectedData(groupChoice_, -1);
  int tracks = group < 0 ? -1 : FillTrackChoices(timeline_, group, *trackChoice_);
  if (tracks <= 0) {
    if (group < 0) trackChoice_->ResetContent();
    EnableOk(false);
    return;
  }
  groupMediaType_ = GetGroupMajorType(timeline_, group);
  if (group != initialGroup_ || !PropertyWindowShape::SelectByData(trackChoice_, initialTrack_))
    trackChoice_->SetCurSel(0);
  FillStreamChoice(SourceStreamNumber());
}

void WndTLSource::FillStreamChoice(long wanted) {
  streamChoice_->ResetContent();
  for (int k = 0; k < streams_.Count(); ++k) {
    const StreamInfo* stream = streams_.At(k);
    if (!IsEqualGUID(stream->majorType, groupMediaType_)) continue;
    wchar_t length[64];
    FormatTime(kTimeFormat, length, stream->length);
    JoinedString text(stream->description.c_str(), L" [", length, L"]", nullptr);
    int at = streamChoice_->AddString(text.Get());
    streamChoice_->SetItemData(at, k);
  }
  int count = streamChoice_->GetCount();
  if (wanted >= 0 && wanted < count) streamChoice_->SetCurSel(static_cast<int>(wanted));
  else if (count > 0) streamChoice_->SetCurSel(0);
  OnStreamChange();
}

const StreamInfo* WndTLSource::SelectedStream() const {
  return streams_.At(PropertyWindowShape::SelectedData(streamChoice_, -1));
}

void WndTLSource::OnStreamChange() {
  const StreamInfo* stream = SelectedStream();
  if (!stream) {
    EnableOk(false);
    return;
  }
  // A new clip covers the whole stream from its start on.
  if (newSource_) {
    mediaStartField_->SetValue(0);
    mediaStopField_->SetValue(stream->length);
    stopField_->SetValue(startField_->GetValue() + stream->length);
  }
  // The list may still hold the streams of a group without tracks.
  EnableOk(trackChoice_->GetCurSel() >= 0);
}

void WndTLSource::EnableOk(bool enable) {
  if (OkButton()) EnableWindow(OkButton()->Handle(), enable ? TRUE : FALSE);
}

bool WndTLSource::OkEnabled() const { return OkButton() && IsWindowEnabled(OkButton()->Handle()); }

int WndTLSource::QueryClose() {
  if (Result() == IDOK) {
    // Enter reaches here also while OK is disabled: there is nothing valid to write then.
    if (!OkEnabled() || !MediaTimesFit()) return -1;
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    bool written = WriteSource();
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    if (!written) return -1;
  }
  if (newSource_) {
    // The track holds a source made here; shown again, the window makes another.
    source_.Reset();
    object_.Reset();
    initialGroup_ = initialTrack_ = -1;
  }
  return DialogWindow::QueryClose();
}

ComPtr<IAMTimelineTrack> WndTLSource::TrackAt(long groupIndex, long trackIndex) const {
  ComPtr<IAMTimelineObj> group, track;
  if (!timeline_ || groupIndex < 0 || trackIndex < 0) return ComPtr<IAMTimelineTrack>();
  if (FAILED(timeline_->GetGroup(group.Receive(), groupIndex)) || !group) return ComPtr<IAMTimelineTrack>();
  ComPtr<IAMTimelineComp> comp = group.As<IAMTimelineComp>(IID_IAMTimelineComp);
  if (!comp || FAILED(comp->GetVTrack(track.Receive(), trackIndex)) || !track) return ComPtr<IAMTimelineTrack>();
  return track.As<IAMTimelineTrack>(IID_IAMTimelineTrack);
}

bool WndTLSource::CreateSource() {
  if (!timeline_ || FAILED(timeline_->CreateEmptyNode(object_.Receive(), TIMELINE_MAJOR_TYPE_SOURCE))) {
    object_.Reset();
    return false;
  }
  source_ = object_.As<IAMTimelineSrc>(IID_IAMTimelineSrc);
  return static_cast<bool>(source_);
}

bool WndTLSource::WriteSource() {
  long group = PropertyWindowShape::SelectedData(groupChoice_, -1);
  long track = PropertyWindowShape::SelectedData(trackChoice_, -1);
  bool move = group != initialGroup_ || track != initialTrack_;
  // Looked up first, so that a source never leaves its track for nowhere.
  ComPtr<IAMTimelineTrack> target = move ? TrackAt(group, track) : ComPtr<IAMTimelineTrack>();
  if (move && !target) return false;
  if (newSource_ && !CreateSource()) return false;
  if (!source_) return false;
  // The move goes first: when the track refuses the source, nothing of it
  // has been written, so Cancel afterwards still leaves it as it was.
  if (move && !MoveTo(target.Get(), group, track)) {
    if (newSource_) {
      source_.Reset();
      object_.Reset();
    }
    return false;
  }
  WriteMedia();
  PropertyWindowShape::StoreNameAndFlags(object_.Get(), nameField_, lockedBox_, mutedBox_);
  PropertyWindowShape::StoreStartStop(object_.Get(), startField_, stopField_);
  return true;
}

void WndTLSource::WriteMedia() {
  wchar_t* path = fileField_->GetText();
  BSTR name = SysAllocString(path ? path : L"");
  source_->SetMediaName(name);
  SysFreeString(name);
  FreeText(path);
  source_->SetStreamNumber(streamChoice_->GetCurSel());
  source_->SetDefaultFPS(0.0);
  const StreamInfo* stream = SelectedStream();
  source_->SetMediaLength(stream ? stream->length * 10 : 0);
  source_->SetMediaTimes(PropertyWindowShape::StoreTime(mediaStartField_),
                         PropertyWindowShape::StoreTime(mediaStopField_));
  source_->SetStretchMode(static_cast<int>(PropertyWindowShape::SelectedData(stretchChoice_, RESIZEF_STRETCH)));
}

bool WndTLSource::MoveTo(IAMTimelineTrack* target, long groupIndex, long trackIndex) {
  ComPtr<IAMTimelineTrack> old = TrackAt(initialGroup_, initialTrack_);
  // Also a placed source whose place was not known leaves its track first.
  if (!newSource_) object_->Remove();
  if (FAILED(target->SrcAdd(object_.Get()))) {
    // Put it back rather than leave it out of the timeline.
    if (old) old->SrcAdd(object_.Get());
    return false;
  }
  initialGroup_ = groupIndex;
  initialTrack_ = trackIndex;
  return true;
}
