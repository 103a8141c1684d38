#include "EngineRegistration.h"

#include "AviWriterFilter.h"
#include "ClassFactory.h"
#include "EditingServices.h"
#include "EngineFilters.h"
#include "FilterCategories.h"
#include "ImaAdpcmCompressor.h"
#include "MediaDetector.h"
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
    {&CLSID_PropertySetter, &WithoutAggregation<&PropertySetter::CreateInstance>},
    {&CLSID_Xml2Dex, &WithoutAggregation<&Xml2Dex::CreateInstance>},
    {&CLSID_RenderEngine, &CreateComObject<RenderEngine>},
    {&CLSID_EngineAviWriter, &CreateComObject<AviWriterFilter>},
    {&CLSID_EngineMjpegCompressor, &CreateComObject<MjpegCompressor>},
    {&CLSID_EngineImaAdpcmCompressor, &CreateComObject<ImaAdpcmCompressor>},
};
constexpr int kClassCount = sizeof(kClasses) / sizeof(kClasses[0]);

DWORD cookies[kClassCount];
bool registered = false;

}  // namespace

HRESULT RegisterEngineClasses() {
  if (registered) return S_OK;
  for (int i = 0; i < kClassCount; ++i) {
    ClassFactory* factory = new ClassFactory(kClasses[i].create);
    HRESULT hr = CoRegisterClassObject(*kClasses[i].clsid, factory, CLSCTX_INPROC_SERVER,
                                       REGCLS_MULTIPLEUSE, &cookies[i]);
    factory->Release();  // COM holds its own reference while registered
    if (FAILED(hr)) {
      for (int j = 0; j < i; ++j) CoRevokeClassObject(cookies[j]);
      return hr;
    }
  }
  registered = true;
  // The classes stay registered when only the category entries fail.
  return RegisterFilterCategories();
}

void RevokeEngineClasses() {
  if (!registered) return;
  for (int i = 0; i < kClassCount; ++i) CoRevokeClassObject(cookies[i]);
  registered = false;
}
