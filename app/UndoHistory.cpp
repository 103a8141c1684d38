#include "UndoHistory.h"

#include <msxml.h>

#include "BstrVariant.h"
#include "ComPtr.h"

namespace {

HRESULT NewXml2Dex(ComPtr<IXml2Dex>* xml) {
  return CoCreateInstance(CLSID_Xml2Dex, nullptr, CLSCTX_INPROC_SERVER, IID_IXml2Dex, xml->ReceiveVoid());
}

HRESULT WriteText(IAMTimeline* timeline, std::wstring* text) {
  ComPtr<IXml2Dex> xml;
  HRESULT hr = NewXml2Dex(&xml);
  if (FAILED(hr)) return hr;
  BSTR written = nullptr;
  hr = xml->WriteXML(timeline, &written);
  if (SUCCEEDED(hr)) text->assign(written, SysStringLen(written));
  SysFreeString(written);
  return hr;
}

HRESULT ReadText(IAMTimeline* timeline, const std::wstring& text) {
  ComPtr<IXMLDOMDocument> document;
  HRESULT hr = CoCreateInstance(CLSID_DOMDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                document.ReceiveVoid());
  if (FAILED(hr)) return hr;
  BstrVariant source(text.c_str());
  VARIANT_BOOL loaded = VARIANT_FALSE;
  hr = document->loadXML(source.Bstr(), &loaded);
  if (FAILED(hr) || loaded != VARIANT_TRUE) return FAILED(hr) ? hr : E_FAIL;
  ComPtr<IXml2Dex> xml;
  hr = NewXml2Dex(&xml);
  if (FAILED(hr)) return hr;
  timeline->ClearAllGroups();
  return xml->ReadXML(timeline, document.Get());
}

size_t BytesOf(const std::wstring& text) { return text.size() * sizeof(wchar_t); }

}  // namespace

HRESULT UndoHistory::Reset(IAMTimeline* timeline) {
  states_.clear();
  current_ = 0;
  bytes_ = 0;
  return Record(timeline);
}

HRESULT UndoHistory::Record(IAMTimeline* timeline) {
  if (!timeline) return E_POINTER;
  std::wstring text;
  HRESULT hr = WriteText(timeline, &text);
  if (FAILED(hr)) return hr;
  // A change that leaves the project text as it was is no step.
  if (!states_.empty() && states_[current_] == text) return S_FALSE;
  // What could be redone belongs to a past that this change replaced.
  while (!states_.empty() && states_.size() - 1 > current_) {
    bytes_ -= BytesOf(states_.back());
    states_.pop_back();
  }
  bytes_ += BytesOf(text);
  states_.push_back(std::move(text));
  current_ = states_.size() - 1;
  Trim();
  return S_OK;
}

void UndoHistory::Trim() {
  while (current_ > 0 && (states_.size() > depth_ + 1 || bytes_ > byteLimit_)) {
    bytes_ -= BytesOf(states_.front());
    states_.pop_front();
    --current_;
  }
}

HRESULT UndoHistory::Undo(IAMTimeline* timeline) {
  if (UndoSteps() == 0) return S_FALSE;
  return Restore(timeline, current_ - 1);
}

HRESULT UndoHistory::Redo(IAMTimeline* timeline) {
  if (RedoSteps() == 0) return S_FALSE;
  return Restore(timeline, current_ + 1);
}

HRESULT UndoHistory::Restore(IAMTimeline* timeline, size_t index) {
  if (!timeline) return E_POINTER;
  HRESULT hr = ReadText(timeline, states_[index]);
  // Even a partial read has changed the timeline: the step is taken either way,
  // so the next step starts from what the timeline was meant to be.
  current_ = index;
  return FAILED(hr) ? hr : S_OK;
}
