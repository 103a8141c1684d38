#include "Xml2Dex.h"

#include <msxml2.h>

#include <new>
#include <string>

#include "ComPtr.h"
#include "EngineObjects.h"
#include "LoadProblems.h"
#include "ProjectFile.h"
#include "ProjectReader.h"
#include "ProjectWriter.h"
#include "XmlElement.h"

namespace {

ComPtr<IAMTimeline> TimelineOf(IUnknown* object) {
  ComPtr<IAMTimeline> timeline;
  if (object) object->QueryInterface(IID_IAMTimeline, timeline.ReceiveVoid());
  return timeline;
}

// The document element of a DOM document, or the element itself.
}  // namespace

HRESULT Xml2Dex::CreateInstance(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  *object = nullptr;
  Xml2Dex* instance = new (std::nothrow) Xml2Dex();
  if (!instance) return E_OUTOFMEMORY;
  HRESULT hr = instance->QueryInterface(iid, object);
  instance->Release();
  return hr;
}

Xml2Dex::Xml2Dex() { EngineObjectCreated(); }

Xml2Dex::~Xml2Dex() { EngineObjectDestroyed(); }

STDMETHODIMP Xml2Dex::QueryInterface(REFIID iid, void** object) {
  if (!object) return E_POINTER;
  if (iid == IID_IUnknown || iid == IID_IDispatch || iid == IID_IXml2Dex) {
    *object = static_cast<IXml2Dex*>(this);
    AddRef();
    return S_OK;
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

STDMETHODIMP_(ULONG) Xml2Dex::AddRef() { return InterlockedIncrement(&references_); }

STDMETHODIMP_(ULONG) Xml2Dex::Release() {
  ULONG count = InterlockedDecrement(&references_);
  if (count == 0) delete this;
  return count;
}

// --- Project files ---

STDMETHODIMP Xml2Dex::WriteXMLFile(IUnknown* timeline, BSTR name) {
  ComPtr<IAMTimeline> target = TimelineOf(timeline);
  if (!target || !name || !name[0]) return E_INVALIDARG;
  ProjectWriter writer;
  HRESULT hr = writer.Write(target.Get());
  if (SUCCEEDED(hr)) hr = ReplaceProjectFile(name, writer.Xml().Utf8Document());
  if (FAILED(hr)) {
    LoadProblems(target.Get()).Report(DEX_IDS_DISK_WRITE_ERROR, L"cannot write " + std::wstring(name), hr);
  }
  return hr;
}

STDMETHODIMP Xml2Dex::ReadXMLFile(IUnknown* timeline, BSTR name) {
  ComPtr<IAMTimeline> target = TimelineOf(timeline);
  if (!target || !name || !name[0]) return E_INVALIDARG;
  std::string bytes;
  HRESULT hr = ReadProjectFile(name, &bytes);
  if (FAILED(hr)) {
    long code = hr == VFW_E_INVALID_FILE_FORMAT ? DEX_IDS_INVALID_XML : DEX_IDS_BAD_SOURCE_NAME;
    LoadProblems(target.Get()).Report(code, L"cannot read " + std::wstring(name), hr, name);
    return hr;
  }
  XmlElement root;
  long line = 0;
  hr = XmlElement::Parse(bytes, &root, &line);
  bytes.clear();
  bytes.shrink_to_fit();
  if (FAILED(hr)) {
    LoadProblems problems(target.Get());
    if (line > 0) problems.Report(DEX_IDS_INVALID_XML, L"the file is not well-formed XML", hr, line);
    else problems.Report(L"the file is not well-formed XML", hr);
    return hr;
  }
  return ReadRoot(target.Get(), root);
}

// S_FALSE when something was reported: the timeline does not hold all the
// document says.
HRESULT Xml2Dex::ReadRoot(IAMTimeline* timeline, const XmlElement& root) {
  LoadProblems problems(timeline);
  if (root.IsNull() || root.Name() != L"timeline") {
    problems.Report(L"the document is no project: its root element is not <timeline>", VFW_E_INVALID_FILE_FORMAT);
    return VFW_E_INVALID_FILE_FORMAT;
  }
  HRESULT hr = ProjectReader(timeline, problems).Read(root);
  if (hr == E_OUTOFMEMORY) problems.Report(DEX_IDS_OUTOFMEMORY, L"out of memory: nothing was loaded", hr);
  if (FAILED(hr)) return hr;
  return problems.Count() ? S_FALSE : S_OK;
}

STDMETHODIMP Xml2Dex::ReadXML(IUnknown* timeline, IUnknown* xml) {
  ComPtr<IAMTimeline> target = TimelineOf(timeline);
  if (!target || !xml) return E_INVALIDARG;
  return ReadRoot(target.Get(), XmlElement::FromUnknown(xml));
}

STDMETHODIMP Xml2Dex::WriteXML(IUnknown* timeline, BSTR* xml) {
  if (!xml) return E_POINTER;
  *xml = nullptr;
  ComPtr<IAMTimeline> target = TimelineOf(timeline);
  if (!target) return E_INVALIDARG;
  ProjectWriter writer;
  HRESULT hr = writer.Write(target.Get());
  if (FAILED(hr)) return hr;
  const std::wstring& text = writer.Xml().Text();
  *xml = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
  return *xml ? S_OK : E_OUTOFMEMORY;
}

STDMETHODIMP Xml2Dex::Reset() { return S_OK; }

// --- Graph files ---

// The storage is made in memory and written as the project files are, so a
// failure leaves any earlier file whole.
STDMETHODIMP Xml2Dex::WriteGrfFile(IUnknown* graph, BSTR name) {
  if (!graph || !name || !name[0]) return E_INVALIDARG;
  ComPtr<IPersistStream> persist;
  HRESULT hr = graph->QueryInterface(IID_IPersistStream, persist.ReceiveVoid());
  if (FAILED(hr)) return hr;
  ComPtr<ILockBytes> bytes;
  hr = CreateILockBytesOnHGlobal(nullptr, TRUE, bytes.Receive());
  ComPtr<IStorage> storage;
  if (SUCCEEDED(hr)) {
    hr = StgCreateDocfileOnILockBytes(bytes.Get(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0,
                                      storage.Receive());
  }
  ComPtr<IStream> stream;
  if (SUCCEEDED(hr)) {
    hr = storage->CreateStream(L"ActiveMovieGraph", STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0,
                               stream.Receive());
  }
  if (SUCCEEDED(hr)) hr = persist->Save(stream.Get(), TRUE);
  if (SUCCEEDED(hr)) hr = storage->Commit(STGC_DEFAULT);
  std::string file;
  if (SUCCEEDED(hr)) hr = BytesOf(bytes.Get(), &file);
  return SUCCEEDED(hr) ? ReplaceProjectFile(name, file) : hr;
}

HRESULT Xml2Dex::BytesOf(ILockBytes* bytes, std::string* out) {
  STATSTG stat = {};
  HRESULT hr = bytes->Stat(&stat, STATFLAG_NONAME);
  if (FAILED(hr)) return hr;
  if (stat.cbSize.QuadPart > kLargestProjectFile) return E_OUTOFMEMORY;
  HGLOBAL memory = nullptr;
  hr = GetHGlobalFromILockBytes(bytes, &memory);
  if (FAILED(hr)) return hr;
  const char* data = static_cast<const char*>(GlobalLock(memory));
  if (!data) return E_OUTOFMEMORY;
  out->assign(data, static_cast<size_t>(stat.cbSize.QuadPart));
  GlobalUnlock(memory);
  return S_OK;
}

// --- Not offered ---

STDMETHODIMP Xml2Dex::GetTypeInfoCount(UINT* count) {
  if (!count) return E_POINTER;
  *count = 0;
  return S_OK;
}

STDMETHODIMP Xml2Dex::GetTypeInfo(UINT, LCID, ITypeInfo** info) {
  if (info) *info = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP Xml2Dex::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }

STDMETHODIMP Xml2Dex::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
  return E_NOTIMPL;
}

STDMETHODIMP Xml2Dex::CreateGraphFromFile(IUnknown** graph, IUnknown*, BSTR) {
  if (graph) *graph = nullptr;
  return E_NOTIMPL;
}

STDMETHODIMP Xml2Dex::Delete(IUnknown*, double, double) { return E_NOTIMPL; }
STDMETHODIMP Xml2Dex::WriteXMLPart(IUnknown*, double, double, BSTR) { return E_NOTIMPL; }
STDMETHODIMP Xml2Dex::PasteXMLFile(IUnknown*, double, BSTR) { return E_NOTIMPL; }
STDMETHODIMP Xml2Dex::CopyXML(IUnknown*, double, double) { return E_NOTIMPL; }
STDMETHODIMP Xml2Dex::PasteXML(IUnknown*, double) { return E_NOTIMPL; }
