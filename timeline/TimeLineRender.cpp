#include "TimeLineRender.h"

#include <commdlg.h>

#include <cstdlib>
#include <cwchar>

#include "AppGlobals.h"
#include "Button.h"
#include "DecimalText.h"
#include "DirectShowHelpers.h"
#include "EditBox.h"
#include "FilterList.h"
#include "GridCombo.h"
#include "GridControl.h"
#include "JoinedString.h"
#include "NumberText.h"
#include "Paths.h"
#include "StaticText.h"
#include "SystemMessage.h"
#include "Text.h"
#include "TimeText.h"
#include "WndStmCfg.h"
#include "WndVidCmp.h"

namespace {

constexpr wchar_t kCaption[] = L"Morvik";
constexpr wchar_t kInterruptQuestion[] =
    L"Render is in progress now. Do you want to interrupt?\nResult file can be corrupted.";
constexpr wchar_t kDefaultFile[] = L"_MRV_out.avi";
constexpr int kFpsDigits = 6;

enum Column { kTypeColumn, kNameColumn, kFpsColumn, kCompressorColumn, kColumnCount };

FilterList& CompressorsOf(const GUID& majorType) {
  return majorType == MEDIATYPE_Video ? videoCompressors : audioCompressors;
}

bool HasCompressorList(const GUID& majorType) {
  return majorType == MEDIATYPE_Video || majorType == MEDIATYPE_Audio;
}

// "Video 640x480", "Audio 2ch" or "?".
void StreamTypeText(const AM_MEDIA_TYPE& type, wchar_t (&text)[64]) {
  wcscpy(text, L"?");
  if (type.majortype == MEDIATYPE_Video && type.formattype == FORMAT_VideoInfo &&
      type.cbFormat >= sizeof(VIDEOINFOHEADER) && type.pbFormat) {
    const BITMAPINFOHEADER& bitmap = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
    swprintf(text, 64, L"Video %ldx%ld", static_cast<long>(bitmap.biWidth), labs(bitmap.biHeight));
  } else if (type.majortype == MEDIATYPE_Audio && type.cbFormat >= sizeof(PCMWAVEFORMAT) && type.pbFormat) {
    swprintf(text, 64, L"Audio %uch", unsigned(reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat)->nChannels));
  }
}

// hex and the system's text for a failure, as the messages show them.
struct FailureText {
  explicit FailureText(HRESULT hr) : message(static_cast<uint32_t>(hr)) {
    IntToText(static_cast<int32_t>(hr), hex, 16);
  }
  const wchar_t* Text() {
    const wchar_t* text = message.Text();
    return text ? text : L"";
  }
  wchar_t hex[kNumberTextSize] = {};
  SystemMessage message;
};

std::wstring FileNameOf(const std::wstring& path) {
  size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

std::wstring TimeText(int64_t time) {
  wchar_t text[48];
  FormatTime(kTimeFormat, text, time);
  return text;
}

}  // namespace

TimeLineRender::TimeLineRender() : GridObserver(kGridNotifyBeginEdit | kGridNotifyEndEdit) {
  className_ = L"TimeLineRender";
  classStyle_ = 0;
  exStyle_ = WS_EX_STATICEDGE;
  style_ = WS_VISIBLE | WS_SYSMENU;
  connectOnConfig_ = !theSettings || theSettings->ReadInt(L"RenderFile", L"ConnectCompressorOnConfig", 1) != 0;
}

TimeLineRender::~TimeLineRender() {
  if (grid_) grid_->SetObserver(nullptr);
  DestroyGraph(true);
}

DWORD TimeLineRender::Create(HWND parent, HINSTANCE instance) {
  DWORD error = FrameWindow::Create(parent, instance);
  if (error) return error;
  SetSize(500, 250);
  SetText(L"Render");
  CreateControls();
  return 0;
}

void TimeLineRender::CreateControls() {
  RECT client;
  GetClientRect(hwnd_, &client);
  const int w = client.right;
  grid_ = CreateChild(new GridControl(), 4, 4, w - 8, 100);
  grid_->SetGridFlags(kGridHorizontalBorders | kGridVerticalBorders | kGridSelectionAlways);
  grid_->SetDefaultColumnWidth(100);
  grid_->SetColumnCount(kColumnCount);
  const wchar_t* captions[kColumnCount] = {L"Stream type", L"Name", L"FPS", L"Compressor"};
  const int widths[kColumnCount] = {100, 100, 50, 200};
  const uint8_t kinds[kColumnCount] = {kGridUnselectable, kGridUnselectable, 0, 0};
  for (int c = 0; c < kColumnCount; ++c) {
    grid_->SetColumnCaption(c, captions[c]);
    grid_->SetColumnWidth(c, widths[c]);
    grid_->SetColumnKind(c, kinds[c]);
  }
  grid_->SetObserver(this);
  int y = 4 + 100 + 4;
  configButton_ = CreateChild(new Button(), w - 204, y, 200, 25);
  configButton_->SetText(L"Compressor configuration...");
  y += 25 + 4;
  fileLabel_ = CreateChild(new StaticText(), 4, y, w - 8, 15);
  fileLabel_->SetText(L"Destination file");
  y += 15;
  fileField_ = new EditBox();
  fileField_->ModifyStyle(WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, false, kStyleReplace);
  CreateChild(fileField_, 4, y, w - 28, 20);
  fileField_->SetReadOnly(true);
  wchar_t setting[MAX_PATH] = {};
  wchar_t buffer[SettingsFile::kStringChars];
  const wchar_t* name = theSettings ? theSettings->ReadString(L"RenderFile", L"FileName", kDefaultFile, buffer)
                                    : kDefaultFile;
  wcsncpy(setting, name, MAX_PATH - 1);
  fileField_->SetText(ResolvePath(setting, kResolveExpand | kResolveProgramDir, setting));
  browseButton_ = new Button();
  browseButton_->ModifyStyle(BS_FLAT, false, kStyleAdd);
  CreateChild(browseButton_, w - 24, y, 20, 20)->SetText(L"...");
  y += 20 + 4;
  startButton_ = CreateChild(new Button(), 4, y, 75, 25);
  startButton_->SetText(L"Start");
  y += 25 + 4;
  progress_ = new StaticText();
  progress_->ModifyStyle(WS_BORDER, false, kStyleAdd);
  CreateChild(progress_, 4, y, w - 8, 15);
}

const RenderGroupEntry* TimeLineRender::Entry(int row) const {
  return row >= 0 && row < static_cast<int>(groups_.size()) ? &groups_[row] : nullptr;
}

void TimeLineRender::Open(IAMTimeline* timeline) {
  timeline_ = timeline;
  DestroyGraph(true);
  long count = 0;
  if (timeline_) timeline_->GetGroupCount(&count);
  grid_->BeginUpdate();
  grid_->DeleteAllRows();
  groups_.assign(count, RenderGroupEntry());
  grid_->InsertRows(-1, count, 0);
  for (int g = 0; g < count; ++g) FillRow(g);
  grid_->EndUpdate();
  CreateGraph();
}

void TimeLineRender::FillRow(int g) {
  RenderGroupEntry& entry = groups_[g];
  ComPtr<IAMTimelineObj> object;
  if (FAILED(timeline_->GetGroup(object.Receive(), g)) || !object) return;
  entry.group = object.As<IAMTimelineGroup>(IID_IAMTimelineGroup);
  if (!entry.group) return;
  entry.group->SetPreviewMode(FALSE);
  AM_MEDIA_TYPE type = {};
  wchar_t typeText[64] = L"?";
  if (SUCCEEDED(entry.group->GetMediaType(&type))) {
    entry.majorType = type.majortype;
    StreamTypeText(type, typeText);
    FreeMediaType(&type);
  }
  grid_->SetCellText(kTypeColumn, g, typeText, true);
  BSTR name = nullptr;
  if (SUCCEEDED(object->GetUserName(&name)) && name) grid_->SetCellText(kNameColumn, g, name, true);
  SysFreeString(name);
  double fps = 0;
  entry.group->GetOutputFPS(&fps);
  DecimalText rate(fps, kFpsDigits);
  grid_->SetCellText(kFpsColumn, g, rate.AsText(), true);
  FilterList& compressors = CompressorsOf(entry.majorType);
  if (HasCompressorList(entry.majorType) && compressors.Count() > 0)
    grid_->SetCellText(kCompressorColumn, g, compressors[0].name, true);
}

HRESULT TimeLineRender::CreateCaptureBuilder(ICaptureGraphBuilder2** builder) {
  return CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER,
                          IID_ICaptureGraphBuilder2, reinterpret_cast<void**>(builder));
}

HRESULT TimeLineRender::CreateGraph() {
  if (!timeline_) return E_UNEXPECTED;
  ComPtr<ICaptureGraphBuilder2> builder;
  HRESULT hr = CreateCaptureBuilder(builder.Receive());
  if (FAILED(hr)) return hr;
  return graph_.Create(timeline_, &callback_, hwnd_, kRenderWindowMessage, builder.Get());
}

void TimeLineRender::DestroyGraph(bool freeGroups) {
  graph_.Destroy();
  if (timer_ && hwnd_) KillTimer(hwnd_, timer_);
  timer_ = 0;
  for (RenderGroupEntry& entry : groups_) {
    entry.connected = false;
    if (!freeGroups) continue;
    if (entry.group) entry.group->SetPreviewMode(TRUE);
    entry.group.Reset();
    entry.compressor.Reset();
  }
  if (!freeGroups) return;
  groups_.clear();
  if (grid_ && grid_->Handle()) grid_->DeleteAllRows();
}

int TimeLineRender::GetRenderState() { return graph_.State(); }

HRESULT TimeLineRender::MakeCompressor(RenderGroupEntry& entry) {
  if (entry.compressor || !HasCompressorList(entry.majorType)) return S_OK;
  FilterList& compressors = CompressorsOf(entry.majorType);
  if (entry.compressorIndex < 0 || entry.compressorIndex >= compressors.Count()) return E_INVALIDARG;
  // The "Uncompressed" entries have no display name: E_INVALIDARG.
  return CreateFilterFromDisplayName(compressors[entry.compressorIndex].displayName, entry.compressor.Receive());
}

HRESULT TimeLineRender::ConnectCompressor(int g) {
  if (g < 0 || g >= static_cast<int>(groups_.size())) return E_INVALIDARG;
  RenderGroupEntry& entry = groups_[g];
  if (entry.connected) return S_OK;
  if (!graph_.Exists()) {
    HRESULT hr = CreateGraph();
    if (FAILED(hr)) return hr;
  }
  HRESULT made = MakeCompressor(entry);
  HRESULT hr = graph_.ConnectCompressor(g, entry);
  return hr == S_OK && !entry.compressor ? made : hr;
}

template <class W, class I>
HRESULT TimeLineRender::RunModal(I* settings) {
  W* window = new W();
  window->ModifyStyle(WS_VISIBLE, false, kStyleRemove);
  HRESULT hr = E_FAIL;
  if (window->Create(hwnd_, instance_) == 0) {
    hr = window->Init(settings);
    if (SUCCEEDED(hr)) {
      window->CenterOn(hwnd_);
      window->ShowModal(false);
    }
  }
  window->Destroy(true);
  return hr;
}

HRESULT TimeLineRender::ShowCompressorConfig(const GUID& majorType, IBaseFilter* filter) {
  if (!filter) return E_INVALIDARG;
  const bool video = majorType == MEDIATYPE_Video;
  HRESULT hr = E_FAIL;
  if (video) {
    if (ComPtr<IAMVfwCompressDialogs> dialogs = ComPtr<IBaseFilter>(filter).As<IAMVfwCompressDialogs>(
            IID_IAMVfwCompressDialogs)) {
      hr = dialogs->ShowDialog(VfwCompressDialog_Config, hwnd_);
      if (SUCCEEDED(hr)) return hr;
    }
  }
  ComPtr<IPin> output;
  FindPin(filter, PINDIR_OUTPUT, output.Receive());
  if (video && output) {
    if (ComPtr<IAMVideoCompression> compression = output.As<IAMVideoCompression>(IID_IAMVideoCompression)) {
      hr = RunModal<WndVidCmp>(compression.Get());
      if (SUCCEEDED(hr)) return hr;
    }
  }
  hr = ShowFilterPropertyPages(filter, hwnd_);
  if (SUCCEEDED(hr)) return hr;
  if (ComPtr<IAMStreamConfig> config = output.As<IAMStreamConfig>(IID_IAMStreamConfig)) {
    hr = RunModal<WndStmCfg>(config.Get());
  }
  return hr;
}

void TimeLineRender::OnCompressorConfig() {
  int row = grid_->GetSelectedRow();
  if (row < 0 || row >= static_cast<int>(groups_.size())) return;
  RenderGroupEntry& entry = groups_[row];
  HRESULT hr = MakeCompressor(entry);
  if (entry.compressor) {
    if (connectOnConfig_) ConnectCompressor(row);
    hr = ShowCompressorConfig(entry.majorType, entry.compressor.Get());
  }
  if (SUCCEEDED(hr)) return;
  FailureText failure(hr);
  const wchar_t* name = grid_->GetCellText(kCompressorColumn, row);
  JoinedString text(name ? name : L"", L"\n", L"Can't show compressor configuration", L"\n", failure.hex, L". ",
                    failure.Text(), nullptr);
  MessageBoxW(hwnd_, text.Get(), kCaption, MB_ICONEXCLAMATION);
}

void TimeLineRender::BrowseDestination() {
  wchar_t path[MAX_PATH] = {};
  fileField_->GetText(path, MAX_PATH);
  OPENFILENAMEW dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = hwnd_;
  dialog.lpstrFilter = L"Audio-video interleave (*.avi)\0*.avi\0All files (*.*)\0*.*\0";
  dialog.lpstrFile = path;
  dialog.nMaxFile = MAX_PATH;
  dialog.Flags = OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (GetSaveFileNameW(&dialog)) fileField_->SetText(path);
}

void TimeLineRender::StartRender() {
  LogLine(L"Render to file start");
  if (GetRenderState() == State_Running) return;
  HRESULT hr = BeginRender();
  if (SUCCEEDED(hr)) {
    startTick_ = GetTickCount64();
    written_ = 0;
    LONGLONG position = 0;
    if (graph_.Written(&position)) timer_ = SetTimer(hwnd_, kRenderProgressTimer, 1000, nullptr);
    SetRendering(true);
    ShowProgress();
    return;
  }
  FailureText failure(hr);
  JoinedString text(L"Render error", L"\n", failure.hex, L": ", failure.Text(), nullptr);
  MessageBoxW(hwnd_, text.Get(), kCaption, MB_ICONERROR);
  DestroyGraph(false);
  destination_.Discard();
}

HRESULT TimeLineRender::BeginRender() {
  HRESULT hr = graph_.Exists() ? S_OK : CreateGraph();
  if (FAILED(hr)) return hr;
  // The timeline may have changed since the graph was built (the frame rate
  // in the grid, the main window's property windows): plans are taken anew.
  hr = graph_.Refresh();
  if (FAILED(hr)) return hr;
  if (hr == S_WARN_OUTPUTRESET) {
    for (RenderGroupEntry& entry : groups_) entry.connected = false;
  }
  wchar_t path[MAX_PATH] = {};
  fileField_->GetText(path, MAX_PATH);
  for (RenderGroupEntry& entry : groups_) MakeCompressor(entry);  // "Uncompressed" makes none
  hr = graph_.SetupOutput(destination_.Begin(path), groups_);
  if (FAILED(hr)) return hr;
  REFERENCE_TIME duration = 0;
  timeline_->GetDuration(&duration);
  duration_ = duration / 10;
  return graph_.Run();
}

void TimeLineRender::StopRender(RenderEnd end, HRESULT reason) {
  LogLine(L"Render to file stop");
  written_ = WrittenTime();
  graph_.Stop();
  SetRendering(false);
  DestroyGraph(false);
  ReportEnd(end, reason);
}

void TimeLineRender::SetRendering(bool on) {
  grid_->SetReadOnly(on ? kGridReadOnly : 0);
  EnableWindow(configButton_->Handle(), on ? FALSE : TRUE);
  EnableWindow(browseButton_->Handle(), on ? FALSE : TRUE);
  startButton_->SetText(on ? L"Stop" : L"Start");
}

LONGLONG TimeLineRender::WrittenTime() {
  LONGLONG position = 0;
  return graph_.Written(&position) ? position : written_;
}

// The file is in its place only after a whole render; otherwise what was
// written stays under the partial name, which the label gives.
void TimeLineRender::ReportEnd(RenderEnd end, HRESULT reason) {
  std::wstring text;
  std::wstring partial = FileNameOf(destination_.PartialPath());
  if (written_ <= 0) {
    destination_.Discard();
    if (end == RenderEnd::kInterrupted) text = L"Interrupted before anything was written";
    else if (duration_ <= 0) text = L"Nothing was written: the timeline is empty";
    else text = L"Nothing was written";
  } else if (end == RenderEnd::kCompleted) {
    HRESULT hr = destination_.Finish();
    if (SUCCEEDED(hr)) {
      double seconds = (GetTickCount64() - startTick_) / 1000.0;
      DecimalText time(seconds, 1);
      text = L"Done: " + std::to_wstring(RenderDestination::FileSize(destination_.Destination())) + L" bytes in " +
             time.AsText() + L" s";
    } else {
      reason = hr;
      end = RenderEnd::kFailed;
    }
  } else if (end == RenderEnd::kInterrupted) {
    text = L"Interrupted at " + TimeText(written_ / 10) + L"; kept as " + partial;
  }
  if (end == RenderEnd::kFailed) {
    FailureText failure(reason);
    text = std::wstring(L"Failed: ") + failure.hex + L" " + failure.Text();
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r')) text.pop_back();
    if (written_ > 0) text += L"; kept as " + partial;
  }
  progress_->SetText(text.c_str());
  JoinedString line(L"Render to file: ", text.c_str(), nullptr);
  LogLine(line.Get());
}

bool TimeLineRender::AskInterrupt() {
  return MessageBoxW(hwnd_, kInterruptQuestion, kCaption, MB_OKCANCEL | MB_ICONEXCLAMATION) == IDOK;
}

void TimeLineRender::OnStartStop() {
  if (GetRenderState() == State_Running) {
    if (AskInterrupt() && GetRenderState() == State_Running) StopRender(RenderEnd::kInterrupted);
    return;
  }
  StartRender();
}

void TimeLineRender::ShowProgress() {
  LONGLONG position = 0;
  if (!graph_.Written(&position)) return;
  written_ = position;
  std::wstring text = TimeText(position / 10) + L" / " + TimeText(duration_);
  progress_->SetText(text.c_str());
}

void TimeLineRender::OnGraphEvents() {
  bool ended = false;
  RenderEnd end = RenderEnd::kCompleted;
  HRESULT reason = S_OK;
  long code = 0;
  LONG_PTR first = 0;
  while (graph_.NextEvent(&code, &first)) {
    if (code == EC_COMPLETE || code == EC_USERABORT || code == EC_ERRORABORT) {
      // An error outweighs the completion that may follow it.
      if (!ended || code == EC_ERRORABORT) {
        end = code == EC_COMPLETE ? RenderEnd::kCompleted
              : code == EC_USERABORT ? RenderEnd::kInterrupted
                                     : RenderEnd::kFailed;
        reason = code == EC_ERRORABORT ? static_cast<HRESULT>(first) : S_OK;
      }
      ended = true;
    }
  }
  if (ended && GetRenderState() >= 0) StopRender(end, reason);
}

int TimeLineRender::QueryClose() {
  if (GetRenderState() > 0) {
    if (!AskInterrupt()) return -1;
    if (GetRenderState() > 0) StopRender(RenderEnd::kInterrupted);
  }
  return FrameWindow::QueryClose();
}

LRESULT TimeLineRender::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_COMMAND:
      if (HIWORD(wParam) == BN_CLICKED && lParam) {
        HWND from = reinterpret_cast<HWND>(lParam);
        if (from == configButton_->Handle()) OnCompressorConfig();
        else if (from == browseButton_->Handle()) BrowseDestination();
        else if (from == startButton_->Handle()) OnStartStop();
        else break;
        return 0;
      }
      break;
    case WM_DESTROY:
      DestroyGraph(true);
      if (parent_) PostMessageW(parent_, kRenderWindowMessage, 0, reinterpret_cast<LPARAM>(hwnd));
      break;
    case WM_TIMER:
      if (wParam == kRenderProgressTimer) ShowProgress();
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      SetFocus(hwnd);
      break;
    case kRenderWindowMessage:
      if (wParam == 0) OnGraphEvents();
      break;
  }
  return FrameWindow::WindowProc(hwnd, message, wParam, lParam);
}

int TimeLineRender::OnBeginEdit(GridControl* grid, Window** editor) {
  int row = grid->GetSelectedRow();
  if (grid->GetSelectedColumn() != kCompressorColumn || row < 0 || row >= static_cast<int>(groups_.size()))
    return 0;
  const GUID& majorType = groups_[row].majorType;
  if (!HasCompressorList(majorType)) return 0;
  GridCombo* list = new GridCombo();
  list->ModifyStyle(WS_VISIBLE, false, kStyleRemove);
  list->SetPosition(grid->ColumnX(kCompressorColumn), grid->RowY(row));
  list->SetSize(grid->GetColumnWidth(kCompressorColumn), grid->GetRowHeight());
  list->Create(grid->Handle(), grid->Instance());
  FilterList& compressors = CompressorsOf(majorType);
  for (int i = 0; i < compressors.Count(); ++i) list->AddString(compressors[i].name);
  const wchar_t* text = grid->GetCellText(kCompressorColumn, row);
  if (text) list->SetCurSel(list->FindString(text, -1, true));
  if (*editor) (*editor)->Destroy(true);
  *editor = list;
  return 0;
}

void TimeLineRender::OnEndEdit(GridControl* grid, Window* editor, bool commit) {
  int row = grid->GetSelectedRow();
  if (!commit || row < 0 || row >= static_cast<int>(groups_.size())) return;
  RenderGroupEntry& entry = groups_[row];
  if (grid->GetSelectedColumn() == kCompressorColumn) {
    int chosen = static_cast<GridCombo*>(editor)->GetCurSel();
    if (chosen < 0 || chosen == entry.compressorIndex) return;
    entry.compressorIndex = chosen;
    entry.connected = false;
    entry.compressor.Reset();
    return;
  }
  if (grid->GetSelectedColumn() != kFpsColumn || !entry.group) return;
  int errorAt = 0;
  double fps = TextToDouble(grid->GetCellText(kFpsColumn, row), &errorAt);
  if (errorAt == -1 && SUCCEEDED(entry.group->SetOutputFPS(fps))) return;
  // Text that is no rate, or a rate the group refuses, gives way to the group's own.
  entry.group->GetOutputFPS(&fps);
  DecimalText rate(fps, kFpsDigits);
  grid->SetCellText(kFpsColumn, row, rate.AsText(), true);
}
