#include "EngineRegistration.h"

#include <vector>

#include "AviWriterFilter.h"
#include "ClassFactory.h"
#include "EditingServices.h"
#include "EffectLibrary.h"
#include "EngineFilters.h"
#include "FilterCategories.h"
#include "ImaAdpcmCompressor.h"
#include "MediaDetector.h"
#include "MediaLocator.h"
#include "MediaSourceFilter.h"
#include "MjpegCompressor.h"
#include "PropertySetter.h"
#include "RenderEngine.h"
#include "Timeline.h"
#include "Xml2Dex.h"

namespace {

struct EngineClass {
  const CLSID* clsid;
  CreateInstanceFunction create;
};

const EngineClass kClasses[] = {
    {&CLSID_AMTimeline, &Timeline::CreateInstance},
    {&CLSID_EngineMediaSource, &MediaSourceFilter::CreateInstance},
    {&CLSID_MediaDet, &MediaDetector::CreateInstance},
    {&CLSID_MediaLocator, &CreateComObject<MediaLocator>},
    {&CLSID_PropertySetter, &WithoutAggregation<&PropertySetter::CreateInstance>},
    {&CLSID_Xml2Dex, &WithoutAggregation<&Xml2Dex::CreateInstance>},
    {&CLSID_RenderEngine, &CreateComObject<RenderEngine>},
    {&CLSID_EngineAviWriter, &CreateComObject<AviWriterFilter>},
    {&CLSID_EngineMjpegCompressor, &CreateComObject<MjpegCompressor>},
    {&CLSID_EngineImaAdpcmCompressor, &CreateComObject<ImaAdpcmCompressor>},
};
constexpr int kClassCount = sizeof(kClasses) / sizeof(kClasses[0]);

std::vector<DWORD> cookies;  // of the classes registered so far
bool registered = false;

// The i-th class: the fixed ones first, then the library's effects and transitions.
EngineClass ClassAt(int i) {
  if (i < kClassCount) return kClasses[i];
  const EffectClass& effect = EffectLibrary::ClassAt(i - kClassCount);
  return EngineClass{effect.clsid, effect.create};
}

void RevokeRegistered() {
  for (DWORD cookie : cookies) CoRevokeClassObject(cookie);
  cookies.clear();
}

}  // namespace

HRESULT RegisterEngineClasses() {
  if (registered) return S_OK;
  const int total = kClassCount + EffectLibrary::ClassCount();
  for (int i = 0; i < total; ++i) {
    EngineClass entry = ClassAt(i);
    ClassFactory* factory = new ClassFactory(entry.create);
    DWORD cookie = 0;
    HRESULT hr = CoRegisterClassObject(*entry.clsid, factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie);
    factory->Release();  // COM holds its own reference while registered
    if (FAILED(hr)) {
      RevokeRegistered();
      return hr;
    }
    cookies.push_back(cookie);
  }
  registered = true;
  // The classes stay registered when only the category entries fail.
  return RegisterFilterCategories();
}

void RevokeEngineClasses() {
  if (!registered) return;
  RevokeRegistered();
  registered = false;
}
