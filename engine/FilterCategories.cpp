#include "FilterCategories.h"

#include <dshow.h>
#include <mmreg.h>

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

HRESULT Register(IFilterMapper2* mapper, const CategoryEntry& entry) {
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
  return mapper->RegisterFilter(*entry.clsid, entry.name, nullptr, entry.category, nullptr, &filter);
}

// Effects and transitions have no pins to match: the render engine applies them itself.
HRESULT RegisterEffect(IFilterMapper2* mapper, const EffectClass& effect) {
  REGFILTER2 filter = {};
  filter.dwVersion = 2;
  filter.dwMerit = MERIT_DO_NOT_USE;
  return mapper->RegisterFilter(*effect.clsid, effect.name, nullptr, &EffectLibrary::Category(effect.kind), nullptr,
                                &filter);
}

}  // namespace

HRESULT RegisterFilterCategories() {
  ComPtr<IFilterMapper2> mapper;
  HRESULT hr = CoCreateInstance(CLSID_FilterMapper2, nullptr, CLSCTX_INPROC_SERVER, IID_IFilterMapper2,
                                mapper.ReceiveVoid());
  for (const CategoryEntry& entry : kEntries)
    if (SUCCEEDED(hr)) hr = Register(mapper.Get(), entry);
  for (int i = 0; i < EffectLibrary::ClassCount(); ++i)
    if (SUCCEEDED(hr)) hr = RegisterEffect(mapper.Get(), EffectLibrary::ClassAt(i));
  return hr;
}
