#include "WndStmCfg.h"

#include <commctrl.h>

#include <cwchar>

#include "DirectShowHelpers.h"
#include "ListView.h"
#include "NumberText.h"
#include "StaticText.h"

namespace {

constexpr wchar_t kNoSubtype[] = L"...";

const VIDEOINFOHEADER* VideoInfo(const AM_MEDIA_TYPE* type) {
  if (type->formattype != FORMAT_VideoInfo || type->cbFormat < sizeof(VIDEOINFOHEADER) || !type->pbFormat)
    return nullptr;
  return reinterpret_cast<const VIDEOINFOHEADER*>(type->pbFormat);
}

// Audio is read as a WAVEFORMATEX whatever the format type says, when it is that long.
const WAVEFORMATEX* WaveFormat(const AM_MEDIA_TYPE* type) {
  if (type->cbFormat < sizeof(PCMWAVEFORMAT) || !type->pbFormat) return nullptr;
  return reinterpret_cast<const WAVEFORMATEX*>(type->pbFormat);
}

bool IsUntypedFormat(const AM_MEDIA_TYPE* type) {
  return type->formattype == GUID_NULL || type->formattype == FORMAT_None;
}

bool SameVideo(const AM_MEDIA_TYPE* a, const AM_MEDIA_TYPE* b) {
  const VIDEOINFOHEADER* x = VideoInfo(a);
  const VIDEOINFOHEADER* y = VideoInfo(b);
  if (x && y) {
    return x->bmiHeader.biCompression == y->bmiHeader.biCompression &&
           x->bmiHeader.biBitCount == y->bmiHeader.biBitCount && x->dwBitRate == y->dwBitRate;
  }
  return !x && !y && a->subtype == b->subtype;
}

bool SameAudio(const WAVEFORMATEX* a, const WAVEFORMATEX* b) {
  return a && b && a->nChannels == b->nChannels && a->nSamplesPerSec == b->nSamplesPerSec &&
         a->nAvgBytesPerSec == b->nAvgBytesPerSec && a->wBitsPerSample == b->wBitsPerSample;
}

wchar_t* Decimal(uint32_t value, wchar_t (&buffer)[16]) {
  swprintf(buffer, 16, L"%u", value);
  return buffer;
}

}  // namespace

WndStmCfg::WndStmCfg() {
  className_ = L"WndStmCfg";
  style_ = WS_SYSMENU;
}

WndStmCfg::~WndStmCfg() { Clear(); }

DWORD WndStmCfg::Create(HWND parent, HINSTANCE instance) {
  DWORD error = DialogWindow::Create(parent, instance);
  if (error) return error;
  SetSize(400, 280);
  SetText(L"Compressor capabilities");
  RECT client;
  GetClientRect(hwnd_, &client);
  list_ = new ListView();
  list_->ModifyStyle(WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, false,
                     kStyleReplace);
  list_->ModifyStyle(WS_EX_CLIENTEDGE, true, kStyleReplace);
  CreateChild(list_, 4, 4, client.right - 8, 240)->SetExtendedStyle(LVS_EX_FULLROWSELECT);
  info_ = CreateChild(new StaticText(), 4, 4 + 240 + 4, client.right - 8, 15);
  info_->SetText(kNoSubtype);
  ArrangeButtons(info_);
  return 0;
}

void WndStmCfg::Clear() {
  for (AM_MEDIA_TYPE* type : types_) DeleteMediaType(type);
  types_.clear();
  rowCapabilities_.clear();
  DeleteMediaType(current_);
  current_ = nullptr;
  if (list_) {
    list_->DeleteAllItems();
    while (columns_ > 0) list_->DeleteColumn(--columns_);
  }
  columns_ = 0;
  if (info_) info_->SetText(kNoSubtype);
}

HRESULT WndStmCfg::Init(IAMStreamConfig* config) {
  Clear();
  config_ = config;
  if (!config_) return E_POINTER;
  int count = 0, size = 0;
  HRESULT hr = config_->GetNumberOfCapabilities(&count, &size);
  if (FAILED(hr) || count <= 0) return hr;
  types_.assign(count, nullptr);
  hr = config_->GetFormat(&current_);
  if (FAILED(hr) || !current_) return hr;
  AddColumns(current_->majortype);
  if (current_->majortype == MEDIATYPE_Video) return ListVideo();
  if (current_->majortype == MEDIATYPE_Audio) return current_->formattype == FORMAT_WaveFormatEx ? ListAudio() : S_OK;
  return hr;
}

void WndStmCfg::AddColumns(const GUID& majorType) {
  struct Column {
    const wchar_t* caption;
    int width;
  };
  static const Column kVideo[] = {{L"FOURCC", 60}, {L"Bit depth [bpp]", 90}, {L"Bitrate [kBits/sec]", 100}};
  static const Column kAudio[] = {
      {L"Channels", 60}, {L"Sample rate [Hz]", 90}, {L"Bitrate [kBits/sec]", 100}, {L"Precision [Bits]", 90}};
  const Column* columns = majorType == MEDIATYPE_Video ? kVideo : majorType == MEDIATYPE_Audio ? kAudio : nullptr;
  int count = majorType == MEDIATYPE_Video ? 3 : majorType == MEDIATYPE_Audio ? 4 : 0;
  for (int i = 0; i < count && columns; ++i) {
    if (list_->InsertColumn(columns[i].caption, i, columns[i].width) >= 0) ++columns_;
  }
}

HRESULT WndStmCfg::ListVideo() {
  HRESULT hr = S_OK;
  int marked = -1;
  for (int i = 0; i < static_cast<int>(types_.size()); ++i) {
    VIDEO_STREAM_CONFIG_CAPS caps = {};
    hr = config_->GetStreamCaps(i, &types_[i], reinterpret_cast<BYTE*>(&caps));
    if (FAILED(hr) || !types_[i]) continue;
    const AM_MEDIA_TYPE* type = types_[i];
    wchar_t fourcc[5], bits[16], rate[16];
    int row = -1;
    if (const VIDEOINFOHEADER* info = VideoInfo(type)) {
      row = AddRow(i, FourccText(info->bmiHeader.biCompression, fourcc), Decimal(info->bmiHeader.biBitCount, bits),
                   Decimal(info->dwBitRate / 1000, rate), nullptr);
    } else if (IsUntypedFormat(type)) {
      row = AddRow(i, FourccText(type->subtype.Data1, fourcc), L"", L"", nullptr);
    }
    if (row >= 0 && marked < 0 && SameVideo(type, current_)) marked = row;
  }
  MarkRow(marked);
  return hr;
}

HRESULT WndStmCfg::ListAudio() {
  HRESULT hr = S_OK;
  int marked = -1;
  const WAVEFORMATEX* present = WaveFormat(current_);
  for (int i = 0; i < static_cast<int>(types_.size()); ++i) {
    AUDIO_STREAM_CONFIG_CAPS caps = {};
    hr = config_->GetStreamCaps(i, &types_[i], reinterpret_cast<BYTE*>(&caps));
    if (FAILED(hr) || !types_[i]) continue;
    const WAVEFORMATEX* wave = WaveFormat(types_[i]);
    wchar_t channels[16] = L"", rate[16] = L"", bitRate[16] = L"", bits[16] = L"";
    if (wave) {
      Decimal(wave->nChannels, channels);
      Decimal(wave->nSamplesPerSec, rate);
      Decimal(static_cast<uint32_t>(uint64_t(wave->nAvgBytesPerSec) * 8 / 1000), bitRate);
      Decimal(wave->wBitsPerSample, bits);
    }
    int row = AddRow(i, channels, rate, bitRate, bits);
    if (row >= 0 && marked < 0 && SameAudio(wave, present)) marked = row;
  }
  MarkRow(marked);
  return hr;
}

int WndStmCfg::AddRow(int capability, const wchar_t* first, const wchar_t* second, const wchar_t* third,
                      const wchar_t* fourth) {
  int row = list_->InsertItem(first, list_->GetItemCount());
  if (row < 0) return row;
  list_->SetItemText(row, 1, second);
  list_->SetItemText(row, 2, third);
  if (fourth) list_->SetItemText(row, 3, fourth);
  rowCapabilities_.insert(rowCapabilities_.begin() + row, capability);
  return row;
}

void WndStmCfg::MarkRow(int row) {
  if (row < 0) return;
  list_->SetItemState(row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_SetSelectionMark(list_->Handle(), row);
  ShowSubtype();
}

int WndStmCfg::CapabilityOfRow(int row) const {
  return row >= 0 && row < static_cast<int>(rowCapabilities_.size()) ? rowCapabilities_[row] : -1;
}

void WndStmCfg::ShowSubtype() {
  int capability = CapabilityOfRow(list_->GetSelectionMark());
  const AM_MEDIA_TYPE* type = capability >= 0 ? types_[capability] : nullptr;
  wchar_t text[16];
  if (type && type->majortype == MEDIATYPE_Video) {
    wchar_t fourcc[5];
    info_->SetText(FourccText(type->subtype.Data1, fourcc));
  } else if (type && type->majortype == MEDIATYPE_Audio) {
    swprintf(text, 16, L"0x%.4X", static_cast<unsigned>(type->subtype.Data1));
    info_->SetText(text);
  } else {
    info_->SetText(kNoSubtype);
  }
}

int WndStmCfg::QueryClose() {
  int capability = CapabilityOfRow(list_ ? list_->GetSelectionMark() : -1);
  if (result_ == IDOK && config_ && capability >= 0) config_->SetFormat(types_[capability]);
  return DialogWindow::QueryClose();
}

LRESULT WndStmCfg::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NOTIFY && list_ && reinterpret_cast<NMHDR*>(lParam)->hwndFrom == list_->Handle()) {
    ShowSubtype();
  }
  if (message == WM_SHOWWINDOW && wParam && list_) SetFocus(list_->Handle());
  return DialogWindow::WindowProc(hwnd, message, wParam, lParam);
}
