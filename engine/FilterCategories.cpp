#include "FilterCategories.h"

#include <dshow.h>
#include <mmreg.h>

#include <string>

#include "ComPtr.h"
#include "EffectLibrary.h"
#include "EngineFilters.h"

namespace {

const REGPINTYPES kMjpegInputs[] = {
    {&MEDIATYPE_Video, &MEDIASUBTYPE_RGB24}, {&MEDIATYPE_Video, &MEDIASUBTYPE_RGB32},
    {&MEDIATYPE_Video, &MEDIASUBTYPE_ARGB32}};
const REGPINTYPES kMjpegOutputs[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_MJPG}};
const GUID kImaAdpcmSubtype = {WAVE_FORMAT_IMA_ADPCM, 0x0000, 0x0010, {0x80, 0x00, 0x00, 0xaa, 0x00, 0x38, 0x9b, 0x71}};
const REGPINTYPES kImaAdpcmInputs[] = {{&MEDIATYPE_Audio, &MEDIASUBTYPE_PCM}};
const REGPINTYPES kImaAdpcmOutputs[] = {{&MEDIATYPE_Audio, &kImaAdpcmSubtype}};

struct CategoryEntry {
  const CLSID* clsid;
  const CLSID* category;
  const wchar_t* name;
  const REGPINTYPES* inputs;
  UINT inputCount;
  const REGPINTYPES* outputs;
  UINT outputCount;
};

const CategoryEntry kEntries[] = {
    {&CLSID_EngineMjpegCompressor, &CLSID_VideoCompressorCategory, L"Morvik Motion JPEG", kMjpegInputs, 3,
     kMjpegOutputs, 1},
    {&CLSID_EngineImaAdpcmCompressor, &CLSID_AudioCompressorCategory, L"Morvik IMA ADPCM", kImaAdpcmInputs, 1,
     kImaAdpcmOutputs, 1},
};

// Raise when what an entry holds changes, so that entries written before are written again.
constexpr DWORD kEntryVersion = 1;
constexpr wchar_t kVersionValue[] = L"MorvikEntry";

std::wstring InstanceKey(const CLSID& category, const CLSID& clsid) {
  wchar_t categoryText[40], clsidText[40];
  StringFromGUID2(category, categoryText, 40);
  StringFromGUID2(clsid, clsidText, 40);
  return std::wstring(L"CLSID\\") + categoryText + L"\\Instance\\" + clsidText;
}

// Whether the entry is there as this program writes it; reading is far quicker than writing.
bool IsListed(const std::wstring& key, const wchar_t* name) {
  HKEY instance = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_READ, &instance) != ERROR_SUCCESS) return false;
  wchar_t listedName[256] = {};
  DWORD nameSize = sizeof(listedName) - sizeof(wchar_t);
  DWORD version = 0, versionSize = sizeof(version);
  bool listed = RegQueryValueExW(instance, L"FriendlyName", nullptr, nullptr, reinterpret_cast<BYTE*>(listedName),
                                 &nameSize) == ERROR_SUCCESS &&
                lstrcmpW(listedName, name) == 0 &&
                RegQueryValueExW(instance, kVersionValue, nullptr, nullptr, reinterpret_cast<BYTE*>(&version),
                                 &versionSize) == ERROR_SUCCESS &&
                version == kEntryVersion;
  RegCloseKey(instance);
  return listed;
}

void MarkListed(const std::wstring& key) {
  HKEY instance = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, KEY_SET_VALUE, &instance) != ERROR_SUCCESS) return;
  RegSetValueExW(instance, kVersionValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&kEntryVersion),
                 sizeof(kEntryVersion));
  RegCloseKey(instance);
}

// Writes one entry unless it is there already; mapper is made when first needed.
HRESULT List(ComPtr<IFilterMapper2>& mapper, const CLSID& clsid, const CLSID& category, const wchar_t* name,
             const REGFILTER2& filter) {
  const std::wstring key = InstanceKey(category, clsid);
  if (IsListed(key, name)) return S_OK;
  HRESULT hr = mapper ? S_OK
                      : CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                         mapper.ReceiveVoid());
  if (SUCCEEDED(hr)) hr = mapper->RegisterFilter(clsid, name, nullptr, &category, nullptr, &filter);
  if (SUCCEEDED(hr)) MarkListed(key);
  return hr;
}

HRESULT ListCompressor(ComPtr<IFilterMapper2>& mapper, const CategoryEntry& entry) {
  REGFILTERPINS2 pins[2] = {};
  pins[0].cInstances = 1;
  pins[0].nMediaTypes = entry.inputCount;
  pins[0].lpMediaType = entry.inputs;
  pins[1].dwFlags = REG_PINFLAG_B_OUTPUT;
  pins[1].cInstances = 1;
  pins[1].nMediaTypes = entry.outputCount;
  pins[1].lpMediaType = entry.outputs;
  REGFILTER2 filter = {};
  filter.dwVersion = 2;
  // Compressors are chosen by name, never picked by intelligent connect.
  filter.dwMerit = MERIT_DO_NOT_USE;
  filter.cPins2 = 2;
  filter.rgPins2 = pins;
  return List(mapper, *entry.clsid, *entry.category, entry.name, filter);
}

// Effects and transitions have no pins to match: the render engine applies them itself.
HRESULT ListEffect(ComPtr<IFilterMapper2>& mapper, const EffectClass& effect) {
  REGFILTER2 filter = {};
  filter.dwVersion = 2;
  filter.dwMerit = MERIT_DO_NOT_USE;
  return List(mapper, *effect.clsid, EffectLibrary::Category(effect.kind), effect.name, filter);
}

}  // namespace

HRESULT RegisterFilterCategories() {
  ComPtr<IFilterMapper2> mapper;
  HRESULT hr = S_OK;
  for (const CategoryEntry& entry : kEntries)
    if (SUCCEEDED(hr)) hr = ListCompressor(mapper, entry);
  for (int i = 0; i < EffectLibrary::ClassCount(); ++i)
    if (SUCCEEDED(hr)) hr = ListEffect(mapper, EffectLibrary::ClassAt(i));
  return hr;
}
