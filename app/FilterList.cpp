#include "FilterList.h"

#include <dshow.h>

#include "ComPtr.h"
#include "EditingServices.h"
#include "Text.h"

FilterList effectFilters[4];
FilterList audioRenderers;
FilterList videoCompressors;
FilterList audioCompressors;

void FilterList::Append(const wchar_t* name, const CLSID& clsid, wchar_t* displayName) {
  entries_.push_back(FilterInfo{CopyText(name ? name : L""), clsid, displayName});
}

void FilterList::Clear() {
  for (FilterInfo& entry : entries_) {
    FreeText(entry.name);
    CoTaskMemFree(entry.displayName);
  }
  entries_.clear();
}

namespace {

// The filter's class id from its property bag ("GUID", or "CLSID" as
// IFilterMapper2 writes it, which spares making every filter at start-up),
// or from the filter itself.
CLSID FilterClassId(IMoniker* moniker, IPropertyBag* bag) {
  CLSID clsid = GUID_NULL;
  for (const wchar_t* key : {L"GUID", L"CLSID"}) {
    VARIANT value;
    VariantInit(&value);
    bool found = SUCCEEDED(bag->Read(key, &value, nullptr)) && value.vt == VT_BSTR &&
                 SUCCEEDED(CLSIDFromString(value.bstrVal, &clsid));
    VariantClear(&value);
    if (found) return clsid;
  }
  ComPtr<IBaseFilter> filter;
  if (SUCCEEDED(moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.ReceiveVoid()))) {
    filter->GetClassID(&clsid);
  }
  return clsid;
}

bool AppendMoniker(IMoniker* moniker, FilterList& list) {
  ComPtr<IPropertyBag> bag;
  if (FAILED(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.ReceiveVoid()))) {
    return false;
  }
  VARIANT name;
  VariantInit(&name);
  if (FAILED(bag->Read(L"FriendlyName", &name, nullptr)) || name.vt != VT_BSTR) {
    VariantClear(&name);
    return false;
  }
  CLSID clsid = FilterClassId(moniker, bag.Get());
  wchar_t* displayName = nullptr;
  moniker->GetDisplayName(nullptr, nullptr, &displayName);
  list.Append(name.bstrVal, clsid, displayName);
  VariantClear(&name);
  return true;
}

void Report(void (*status)(const wchar_t*, void*), void* context, const wchar_t* text) {
  if (status) status(text, context);
}

}  // namespace

int EnumerateCategory(REFCLSID category, FilterList& list) {
  ComPtr<ICreateDevEnum> devices;
  if (FAILED(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER,
                              IID_ICreateDevEnum, devices.ReceiveVoid()))) {
    return 0;
  }
  ComPtr<IEnumMoniker> monikers;
  if (devices->CreateClassEnumerator(category, monikers.Receive(), 0) != S_OK || !monikers) return 0;
  int found = 0;
  for (;;) {
    ComPtr<IMoniker> moniker;
    if (monikers->Next(1, moniker.Receive(), nullptr) != S_OK) break;
    if (AppendMoniker(moniker.Get(), list)) ++found;
  }
  return found;
}

void LoadFilterLists(void (*status)(const wchar_t*, void*), void* context) {
  Report(status, context, L"Enumerating DirectShow effects and transitions...");
  const GUID* effectCategories[4] = {&CLSID_VideoEffects1Category, &CLSID_VideoEffects2Category,
                                     &CLSID_AudioEffects1Category, &CLSID_AudioEffects2Category};
  for (int i = 0; i < 4; ++i) EnumerateCategory(*effectCategories[i], effectFilters[i]);
  Report(status, context, L"Enumerating DirectShow audio renderers...");
  EnumerateCategory(CLSID_AudioRendererCategory, audioRenderers);
  Report(status, context, L"Enumerating DirectShow compressors...");
  videoCompressors.Append(L"Uncompressed video", GUID_NULL, nullptr);
  EnumerateCategory(CLSID_VideoCompressorCategory, videoCompressors);
  audioCompressors.Append(L"Uncompressed audio", GUID_NULL, nullptr);
  EnumerateCategory(CLSID_AudioCompressorCategory, audioCompressors);
}

void FreeFilterLists() {
  for (FilterList& list : effectFilters) list.Clear();
  audioRenderers.Clear();
  videoCompressors.Clear();
  audioCompressors.Clear();
}
