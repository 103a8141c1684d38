#include "Project.h"

#include <commdlg.h>

#include "BstrVariant.h"
#include "ComPtr.h"
#include "JoinedString.h"
#include "SystemMessage.h"
#include "Text.h"
#include "TimelineOperations.h"

namespace {

constexpr wchar_t kCaption[] = L"Morvik";
constexpr wchar_t kFilter[] = L"Morvik Projects (*.mvp, *.xml)\0*.mvp;*.xml\0All Files (*.*)\0*.*\0";

enum Confirmation { kGoOn = 0, kCancelled = 1, kSaveFailed = -1 };

class WaitCursor {
 public:
  WaitCursor() { SetCursor(LoadCursorW(nullptr, IDC_WAIT)); }
  ~WaitCursor() { SetCursor(LoadCursorW(nullptr, IDC_ARROW)); }
};

ComPtr<IXml2Dex> NewXml2Dex(HRESULT* result) {
  ComPtr<IXml2Dex> xml;
  *result = CoCreateInstance(CLSID_Xml2Dex, nullptr, CLSCTX_INPROC_SERVER, IID_IXml2Dex,
                             xml.ReceiveVoid());
  return xml;
}

HRESULT ReadProject(IAMTimeline* timeline, const wchar_t* name) {
  HRESULT result;
  ComPtr<IXml2Dex> xml = NewXml2Dex(&result);
  if (!xml) return FAILED(result) ? result : E_NOINTERFACE;
  BstrVariant path(name);
  return xml->ReadXMLFile(timeline, path.Bstr());
}

HRESULT WriteProject(IAMTimeline* timeline, const wchar_t* name) {
  HRESULT result;
  ComPtr<IXml2Dex> xml = NewXml2Dex(&result);
  if (!xml) return FAILED(result) ? result : E_NOINTERFACE;
  BstrVariant path(name);
  return xml->WriteXMLFile(timeline, path.Bstr());
}

}  // namespace

int Project::AskBeforeReplacing() {
  if (!modified_) return kGoOn;
  int answer = MessageBoxW(host_.ProjectWindow(), L"Project is modified. Do you want to save it?",
                           kCaption, MB_YESNOCANCEL | MB_ICONQUESTION);
  if (answer == IDCANCEL) return kCancelled;
  if (answer == IDYES && Save(false) != 0) return kSaveFailed;
  return kGoOn;
}

int Project::New() {
  int confirmation = AskBeforeReplacing();
  if (confirmation != kGoOn) return confirmation == kCancelled ? 0 : -1;
  if (!timeline_) return -1;
  timeline_->ClearAllGroups();
  AddDefaultGroups(timeline_);
  host_.ShowTitle(kCaption);
  path_[0] = 0;
  history_.Reset(timeline_);
  host_.TimelineReplaced(false);
  ClearModified();
  return 0;
}

int Project::Open(const wchar_t* path) {
  int confirmation = AskBeforeReplacing();
  if (confirmation != kGoOn) return confirmation == kCancelled ? 0 : -1;
  wchar_t name[MAX_PATH] = {};
  wchar_t title[MAX_PATH] = {};
  if (path) {
    CopyTextCut(path, name, MAX_PATH);
    CopyTextCut(path, title, MAX_PATH);
  } else if (!AskFileName(false, name, title)) {
    return 1;
  }
  WaitCursor wait;
  if (!timeline_) return -1;
  timeline_->ClearAllGroups();
  HRESULT result = ReadProject(timeline_, name);
  if (SUCCEEDED(result)) {
    SetTitleFor(title);
    CopyText(name, path_);
  } else {
    // The timeline is empty now: a plain save must not write it over the old
    // project, so the project becomes an unnamed one.
    ShowOpenError(name, result);
    path_[0] = 0;
    host_.ShowTitle(kCaption);
  }
  history_.Reset(timeline_);
  host_.TimelineReplaced(true);
  ClearModified();
  return SUCCEEDED(result) ? 0 : -1;
}

int Project::Save(bool saveAs) {
  if (!timeline_) return -1;
  wchar_t name[MAX_PATH] = {};
  wchar_t title[MAX_PATH] = {};
  CopyText(path_, name);
  if (!name[0]) saveAs = true;
  if (saveAs && !AskFileName(true, name, title)) return 1;
  WaitCursor wait;
  HRESULT result = WriteProject(timeline_, name);
  if (FAILED(result)) {
    SystemMessage message(static_cast<uint32_t>(result));
    JoinedString text(name, L"\n", message.Text() ? message.Text() : L"", nullptr);
    MessageBoxW(host_.ProjectWindow(), text.Get(), kCaption, MB_ICONERROR);
    return -1;
  }
  if (saveAs) {
    SetTitleFor(title);
    CopyText(name, path_);
  }
  ClearModified();
  return 0;
}

void Project::MarkModified() {
  if (timeline_) history_.Record(timeline_);
  modified_ = true;
  host_.ShowModifiedMark(true);
  host_.TimelineReplaced(false);
}

bool Project::Undo() { return timeline_ && TakeStep(history_.Undo(timeline_)); }

bool Project::Redo() { return timeline_ && TakeStep(history_.Redo(timeline_)); }

bool Project::TakeStep(HRESULT result) {
  if (result == S_FALSE) return false;
  if (FAILED(result)) {
    SystemMessage message(static_cast<uint32_t>(result));
    JoinedString text(L"The timeline could not be restored.\n\n", message.Text() ? message.Text() : L"", nullptr);
    MessageBoxW(host_.ProjectWindow(), text.Get(), kCaption, MB_ICONERROR);
  }
  modified_ = true;
  host_.ShowModifiedMark(true);
  host_.TimelineReplaced(false);
  return true;
}

bool Project::AskFileName(bool save, wchar_t* name, wchar_t* title) {
  OPENFILENAMEW dialog = {};
  dialog.lStructSize = OPENFILENAME_SIZE_VERSION_400W;
  dialog.hwndOwner = host_.ProjectWindow();
  dialog.lpstrFilter = kFilter;
  dialog.lpstrFile = name;
  dialog.nMaxFile = MAX_PATH;
  dialog.lpstrFileTitle = title;
  dialog.nMaxFileTitle = MAX_PATH;
  dialog.lpstrDefExt = L"MVP";
  if (save) {
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST;
    return GetSaveFileNameW(&dialog) != FALSE;
  }
  name[0] = 0;
  dialog.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_FILEMUSTEXIST;
  return GetOpenFileNameW(&dialog) != FALSE;
}

void Project::SetTitleFor(const wchar_t* fileTitle) {
  JoinedString title(kCaption, L" - [", fileTitle, L"]", nullptr);
  host_.ShowTitle(title.Get());
}

void Project::ClearModified() {
  modified_ = false;
  host_.ShowModifiedMark(false);
}

void Project::ShowOpenError(const wchar_t* name, HRESULT result) {
  SystemMessage message(static_cast<uint32_t>(result));
  const wchar_t* reason = result == VFW_E_INVALID_FILE_FORMAT ? L"Invalid file format" : message.Text();
  JoinedString text(name, L"\n\n", reason ? reason : L"", nullptr);
  MessageBoxW(host_.MessageOwner(), text.Get(), kCaption, MB_ICONERROR);
}
