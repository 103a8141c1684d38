// What every DirectShow filter must do whatever it is for: one identity,
// pins that share the filter's count, the published answers of unconnected
// pins and enumerators, and state changes without connections.
#pragma once

#include <gtest/gtest.h>

#include <dshow.h>
#include <vfwmsgs.h>

#include <vector>

#include "ComPtr.h"
#include "MediaType.h"

inline ULONG References(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

inline std::vector<ComPtr<IPin>> PinsOf(IBaseFilter* filter) {
  std::vector<ComPtr<IPin>> pins;
  ComPtr<IEnumPins> pinList;
  if (FAILED(filter->EnumPins(pinList.Receive()))) return pins;
  IPin* pin = nullptr;
  while (pinList->Next(1, &pin, nullptr) == S_OK) pins.push_back(ComPtr<IPin>::Adopt(pin));
  return pins;
}

inline ComPtr<IPin> PinOf(IBaseFilter* filter, PIN_DIRECTION wanted) {
  for (ComPtr<IPin>& pin : PinsOf(filter)) {
    PIN_DIRECTION direction;
    pin->QueryDirection(&direction);
    if (direction == wanted) return pin;
  }
  return ComPtr<IPin>();
}

inline void ExpectConformingFilter(IBaseFilter* filter, const CLSID& clsid) {
  ComPtr<IUnknown> identity, again;
  ASSERT_EQ(S_OK, filter->QueryInterface(IID_IUnknown, identity.ReceiveVoid()));
  for (const IID* iid : {&IID_IPersist, &IID_IMediaFilter, &IID_IBaseFilter}) {
    ComPtr<IUnknown> facet;
    ASSERT_EQ(S_OK, filter->QueryInterface(*iid, facet.ReceiveVoid()));
    ASSERT_EQ(S_OK, facet->QueryInterface(IID_IUnknown, again.ReceiveVoid()));
    EXPECT_EQ(identity.Get(), again.Get());
  }
  void* none = reinterpret_cast<void*>(1);
  EXPECT_EQ(E_NOINTERFACE, filter->QueryInterface(IID_IDispatch, &none));
  EXPECT_EQ(nullptr, none);
  CLSID actual;
  EXPECT_EQ(S_OK, filter->GetClassID(&actual));
  EXPECT_TRUE(actual == clsid);

  // Every pin holds its filter, counts with it, and lets it go.
  ULONG base = References(filter);
  ComPtr<IEnumPins> pinList;
  ASSERT_EQ(S_OK, filter->EnumPins(pinList.Receive()));
  EXPECT_EQ(base + 1, References(filter));
  IPin* two[2] = {};
  EXPECT_EQ(E_INVALIDARG, pinList->Next(2, two, nullptr));
  std::vector<ComPtr<IPin>> pins = PinsOf(filter);
  EXPECT_EQ(base + 1 + pins.size(), References(filter));
  for (ComPtr<IPin>& pin : pins) {
    PIN_INFO info = {};
    ASSERT_EQ(S_OK, pin->QueryPinInfo(&info));
    EXPECT_EQ(static_cast<IBaseFilter*>(filter), info.pFilter);
    EXPECT_EQ(base + 2 + pins.size(), References(filter));
    info.pFilter->Release();
    ComPtr<IUnknown> pinIdentity;
    ASSERT_EQ(S_OK, pin->QueryInterface(IID_IUnknown, pinIdentity.ReceiveVoid()));
    EXPECT_NE(identity.Get(), pinIdentity.Get());
    IPin* found = nullptr;
    EXPECT_EQ(S_OK, filter->FindPin(info.achName, &found));
    EXPECT_EQ(pin.Get(), found);
    if (found) found->Release();
    IPin* peer = reinterpret_cast<IPin*>(1);
    EXPECT_EQ(VFW_E_NOT_CONNECTED, pin->ConnectedTo(&peer));
    EXPECT_EQ(nullptr, peer);
    AM_MEDIA_TYPE type;
    EXPECT_EQ(VFW_E_NOT_CONNECTED, pin->ConnectionMediaType(&type));
    EXPECT_EQ(S_FALSE, pin->Disconnect());
    // Every interface of the pin answers for the pin.
    for (const IID* iid : {&IID_IMemInputPin, &IID_IMediaSeeking, &IID_IAMStreamConfig, &IID_IAMVideoCompression,
                           &IID_IQualityControl}) {
      ComPtr<IUnknown> facet, facetIdentity;
      if (FAILED(pin->QueryInterface(*iid, facet.ReceiveVoid()))) continue;
      ASSERT_EQ(S_OK, facet->QueryInterface(IID_IUnknown, facetIdentity.ReceiveVoid()));
      EXPECT_EQ(pinIdentity.Get(), facetIdentity.Get());
    }
    pinIdentity.Reset();
    // What a pin offers, it accepts; its enumerator skips as the platform's do.
    ComPtr<IEnumMediaTypes> types;
    ASSERT_EQ(S_OK, pin->EnumMediaTypes(types.Receive()));
    AM_MEDIA_TYPE* offer = nullptr;
    ULONG offers = 0;
    for (; types->Next(1, &offer, nullptr) == S_OK; ++offers) {
      EXPECT_EQ(S_OK, pin->QueryAccept(offer));
      MediaType::Delete(offer);
    }
    EXPECT_EQ(S_OK, types->Reset());
    EXPECT_EQ(S_OK, types->Skip(offers));
    EXPECT_EQ(S_FALSE, types->Skip(1));
    types.Reset();
    EXPECT_EQ(base + 1 + pins.size(), References(filter));
  }
  EXPECT_EQ(S_OK, pinList->Reset());
  EXPECT_EQ(S_FALSE, pinList->Skip(ULONG(pins.size()) + 1));
  EXPECT_EQ(S_OK, pinList->Skip(ULONG(pins.size())));
  ComPtr<IEnumPins> clone;
  EXPECT_EQ(S_OK, pinList->Clone(clone.Receive()));
  IPin* past = nullptr;
  EXPECT_EQ(S_FALSE, clone->Next(1, &past, nullptr));
  clone.Reset();
  pins.clear();
  pinList.Reset();
  EXPECT_EQ(base, References(filter));
  IPin* missing = reinterpret_cast<IPin*>(1);
  EXPECT_EQ(VFW_E_NOT_FOUND, filter->FindPin(L"no such pin", &missing));

  // An aggregated instance answers only IUnknown at creation.
  ComPtr<IUnknown> aggregated;
  HRESULT created = CoCreateInstance(clsid, identity.Get(), CLSCTX_INPROC_SERVER, IID_IBaseFilter,
                                     aggregated.ReceiveVoid());
  EXPECT_TRUE(created == E_NOINTERFACE || created == REGDB_E_CLASSNOTREG) << std::hex << created;

  // Unconnected, the filter still goes through every state, and refuses
  // connection changes while it is not stopped.
  FILTER_STATE state;
  for (auto [change, expected] : {std::pair{0, State_Paused}, {1, State_Running}, {0, State_Paused}, {2, State_Stopped},
                                  {1, State_Running}, {2, State_Stopped}}) {
    HRESULT hr = change == 0 ? filter->Pause() : change == 1 ? filter->Run(0) : filter->Stop();
    EXPECT_TRUE(SUCCEEDED(hr)) << std::hex << hr;
    EXPECT_TRUE(SUCCEEDED(filter->GetState(0, &state)));
    EXPECT_EQ(expected, state);
    for (ComPtr<IPin>& pin : PinsOf(filter)) {
      PIN_DIRECTION direction;
      pin->QueryDirection(&direction);
      AM_MEDIA_TYPE none = {};
      if (expected != State_Stopped && direction == PINDIR_INPUT) {
        EXPECT_EQ(VFW_E_NOT_STOPPED, pin->ReceiveConnection(pin.Get(), &none));
      }
      EXPECT_EQ(expected == State_Stopped ? S_FALSE : VFW_E_NOT_STOPPED, pin->Disconnect());
    }
  }
  EXPECT_EQ(base, References(filter));
}
