#include "DirectShowHelpers.h"

#include <olectl.h>

#include <cstdio>
#include <cwchar>

#include "ComPtr.h"

HRESULT CreateFilterFromDisplayName(const wchar_t* displayName, IBaseFilter** filter) {
  if (!displayName) return E_INVALIDARG;
  if (!filter) return E_POINTER;
  *filter = nullptr;
  ComPtr<IBindCtx> context;
  HRESULT hr = CreateBindCtx(0, context.Receive());
  if (FAILED(hr)) return hr;
  ComPtr<IMoniker> moniker;
  ULONG eaten = 0;
  hr = MkParseDisplayName(context.Get(), displayName, &eaten, moniker.Receive());
  if (FAILED(hr)) return hr;
  hr = moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, reinterpret_cast<void**>(filter));
  if (FAILED(hr)) *filter = nullptr;
  return hr;
}

HRESULT ShowFilterPropertyPages(IBaseFilter* filter, HWND owner) {
  if (!filter) return E_INVALIDARG;
  ComPtr<ISpecifyPropertyPages> pages;
  HRESULT hr = filter->QueryInterface(IID_ISpecifyPropertyPages, pages.ReceiveVoid());
  if (FAILED(hr)) return hr;
  FILTER_INFO info = {};
  filter->QueryFilterInfo(&info);
  ComPtr<IUnknown> object;
  filter->QueryInterface(IID_IUnknown, object.ReceiveVoid());
  CAUUID list = {};
  hr = pages->GetPages(&list);
  if (SUCCEEDED(hr)) {
    IUnknown* objects[] = {object.Get()};
    hr = OleCreatePropertyFrame(owner, 0, 0, info.achName, 1, objects, list.cElems, list.pElems, 0,
                                0, nullptr);
  }
  if (info.pGraph) info.pGraph->Release();
  CoTaskMemFree(list.pElems);
  return hr;
}

wchar_t* GraphItemName(const void* graph, DWORD processId, wchar_t (&buffer)[64]) {
  // Eight digits of the address, as the graph viewer expects them.
  auto address = static_cast<unsigned>(reinterpret_cast<uintptr_t>(graph));
  swprintf(buffer, 64, L"FilterGraph %08x pid %08x", address, static_cast<unsigned>(processId));
  return buffer;
}

HRESULT RegisterGraph(IUnknown* graph, DWORD* cookie) {
  if (!graph || !cookie) return E_POINTER;
  ComPtr<IRunningObjectTable> table;
  if (FAILED(GetRunningObjectTable(0, table.Receive()))) return E_FAIL;
  wchar_t name[64];
  GraphItemName(graph, GetCurrentProcessId(), name);
  ComPtr<IMoniker> moniker;
  HRESULT hr = CreateItemMoniker(L"!", name, moniker.Receive());
  if (FAILED(hr)) return hr;
  return table->Register(ROTFLAGS_REGISTRATIONKEEPSALIVE, graph, moniker.Get(), cookie);
}

void UnregisterGraph(DWORD cookie) {
  ComPtr<IRunningObjectTable> table;
  if (SUCCEEDED(GetRunningObjectTable(0, table.Receive()))) table->Revoke(cookie);
}

HRESULT FindPin(IBaseFilter* filter, PIN_DIRECTION direction, IPin** pin) {
  if (!filter) return E_INVALIDARG;
  if (!pin) return E_POINTER;
  *pin = nullptr;
  ComPtr<IEnumPins> pins;
  HRESULT hr = filter->EnumPins(pins.Receive());
  if (FAILED(hr)) return hr;
  for (;;) {
    ComPtr<IPin> candidate;
    if (pins->Next(1, candidate.Receive(), nullptr) != S_OK) return E_FAIL;
    PIN_DIRECTION found;
    hr = candidate->QueryDirection(&found);
    if (FAILED(hr)) return hr;
    if (found == direction) {
      *pin = candidate.Detach();
      return S_OK;
    }
  }
}

void FreeMediaType(AM_MEDIA_TYPE* mediaType) {
  if (!mediaType) return;
  if (mediaType->cbFormat) {
    CoTaskMemFree(mediaType->pbFormat);
    mediaType->cbFormat = 0;
    mediaType->pbFormat = nullptr;
  }
  if (mediaType->pUnk) {
    mediaType->pUnk->Release();
    mediaType->pUnk = nullptr;
  }
}

void DeleteMediaType(AM_MEDIA_TYPE* mediaType) {
  if (!mediaType) return;
  FreeMediaType(mediaType);
  CoTaskMemFree(mediaType);
}

wchar_t* FourccText(DWORD code, wchar_t (&buffer)[5]) {
  for (int i = 0; i < 4; ++i) buffer[i] = static_cast<wchar_t>((code >> (8 * i)) & 0xFF);
  buffer[4] = 0;
  // Codes that are no characters (the RGB subtypes among them) would print junk.
  for (int i = 0; i < 4; ++i) {
    if (code <= 1 || buffer[i] < 0x20 || buffer[i] > 0x7E) {
      wcscpy(buffer, L"____");
      break;
    }
  }
  return buffer;
}

namespace {

void Append(wchar_t* buffer, size_t size, const wchar_t* text) {
  size_t used = wcslen(buffer);
  if (used + 1 < size) swprintf(buffer + used, size - used, L"%ls", text);
}

// The uncompressed subtypes have no character code of their own.
const wchar_t* RgbName(const GUID& subtype) {
  if (subtype == MEDIASUBTYPE_RGB24) return L"RGB24";
  if (subtype == MEDIASUBTYPE_RGB32) return L"RGB32";
  if (subtype == MEDIASUBTYPE_ARGB32) return L"ARGB32";
  if (subtype == MEDIASUBTYPE_RGB555) return L"RGB555";
  if (subtype == MEDIASUBTYPE_RGB565) return L"RGB565";
  return nullptr;
}

void DescribeVideo(const AM_MEDIA_TYPE& type, wchar_t* buffer, size_t size, int parts) {
  if (parts & kDescribeKind) Append(buffer, size, L"Video: ");
  if (parts & kDescribeSubtype) {
    wchar_t code[5];
    Append(buffer, size, RgbName(type.subtype) ? RgbName(type.subtype) : FourccText(type.subtype.Data1, code));
  }
  if ((parts & kDescribeFormat) && type.formattype == FORMAT_VideoInfo && type.pbFormat &&
      type.cbFormat >= sizeof(VIDEOINFOHEADER)) {
    const auto* info = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat);
    wchar_t text[96];
    // Without a frame duration there is no rate to show.
    if (info->AvgTimePerFrame > 0) {
      swprintf(text, 96, L", %ux%u, %.1f fps", static_cast<unsigned>(info->bmiHeader.biWidth),
               static_cast<unsigned>(labs(info->bmiHeader.biHeight)), 10000000.0 / info->AvgTimePerFrame);
    } else {
      swprintf(text, 96, L", %ux%u", static_cast<unsigned>(info->bmiHeader.biWidth),
               static_cast<unsigned>(labs(info->bmiHeader.biHeight)));  // top-down is negative
    }
    Append(buffer, size, text);
  }
}

void DescribeAudio(const AM_MEDIA_TYPE& type, wchar_t* buffer, size_t size, int parts) {
  if (parts & kDescribeKind) Append(buffer, size, L"Audio: ");
  wchar_t text[64];
  if (parts & kDescribeSubtype) {
    swprintf(text, 64, L"0x%.4X", static_cast<unsigned>(type.subtype.Data1));
    Append(buffer, size, text);
  }
  if ((parts & kDescribeFormat) && type.formattype == FORMAT_WaveFormatEx && type.pbFormat &&
      type.cbFormat >= sizeof(WAVEFORMAT)) {
    const auto* wave = reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat);
    swprintf(text, 64, L", %u ch., %u Hz", static_cast<unsigned>(wave->nChannels),
             static_cast<unsigned>(wave->nSamplesPerSec));
    Append(buffer, size, text);
  }
}

}  // namespace

wchar_t* DescribeMediaType(const AM_MEDIA_TYPE* mediaType, wchar_t* buffer, size_t size, int parts) {
  if (!buffer || size == 0) return buffer;
  buffer[0] = 0;
  if (!mediaType) return buffer;
  if (mediaType->majortype == MEDIATYPE_Video) DescribeVideo(*mediaType, buffer, size, parts);
  if (mediaType->majortype == MEDIATYPE_Audio) DescribeAudio(*mediaType, buffer, size, parts);
  return buffer;
}
