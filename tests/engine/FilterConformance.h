// What every DirectShow filter must do whatever it is for: one identity,
// pins that share the filter's count, the published answers of unconnected
// pins and enumerators, and state changes without connections.
#pragma once

#include <gtest/gtest.h>

#include <dshow.h>
#include <vfwmsgs.h>

#include <vector>

#include "ComPtr.h"

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
    pinIdentity.Reset();
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
    ComPtr<IEnumMediaTypes> types;
    EXPECT_EQ(S_OK, pin->EnumMediaTypes(types.Receive()));
    types.Reset();
    EXPECT_EQ(base + 1 + pins.size(), References(filter));
  }
  pins.clear();
  pinList.Reset();
  EXPECT_EQ(base, References(filter));
  IPin* missing = reinterpret_cast<IPin*>(1);
  EXPECT_EQ(VFW_E_NOT_FOUND, filter->FindPin(L"no such pin", &missing));

  // Unconnected, the filter still goes through every state.
  FILTER_STATE state;
  for (auto [change, expected] : {std::pair{0, State_Paused}, {1, State_Running}, {0, State_Paused}, {2, State_Stopped},
                                  {1, State_Running}, {2, State_Stopped}}) {
    HRESULT hr = change == 0 ? filter->Pause() : change == 1 ? filter->Run(0) : filter->Stop();
    EXPECT_TRUE(SUCCEEDED(hr)) << std::hex << hr;
    EXPECT_TRUE(SUCCEEDED(filter->GetState(0, &state)));
    EXPECT_EQ(expected, state);
  }
  EXPECT_EQ(base, References(filter));
}
