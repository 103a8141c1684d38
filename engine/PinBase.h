// The base of the engine's pins. A pin lives inside its filter and shares
// its reference count; its QueryInterface answers the pin's own interfaces
// (a pin adding interface bases writes PIN_DELEGATE_IUNKNOWN and extends
// QueryOwn). The connected peer and media type are held here; a pin says
// which types it takes (Accepts) and offers (TypeAt).
#pragma once

#include <dshow.h>

#include <string>

#include "ComPtr.h"
#include "FilterBase.h"
#include "MediaType.h"

class PinBase : public IPin {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
  STDMETHODIMP_(ULONG) AddRef() override { return filter_->AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return filter_->Release(); }

  STDMETHODIMP ConnectedTo(IPin** peer) override;
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* type) override;
  STDMETHODIMP QueryPinInfo(PIN_INFO* info) override;
  STDMETHODIMP QueryDirection(PIN_DIRECTION* direction) override;
  STDMETHODIMP QueryId(LPWSTR* id) override;
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;
  STDMETHODIMP QueryInternalConnections(IPin** pins, ULONG* count) override;
  STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

  // S_OK when the pin takes type, S_FALSE when not.
  virtual HRESULT Accepts(const AM_MEDIA_TYPE& type) = 0;
  // The i-th type offered in order of preference: S_OK, or
  // VFW_S_NO_MORE_ITEMS past the last.
  virtual HRESULT TypeAt(int index, MediaType* type);

  bool IsConnected();
  const wchar_t* Name() const { return name_.c_str(); }
  FilterBase* Filter() const { return filter_; }
  // The connected type; valid while connected.
  const AM_MEDIA_TYPE& Type() const { return type_.Get(); }

 protected:
  PinBase(FilterBase* filter, PIN_DIRECTION direction, const wchar_t* name);
  virtual ~PinBase() = default;

  // Interfaces beyond IPin; *out is null on entry.
  virtual HRESULT QueryOwn(REFIID iid, void** out);
  HRESULT OuterQuery(REFIID iid, void** out) { return PinBase::QueryInterface(iid, out); }
  ULONG OuterAddRef() { return PinBase::AddRef(); }
  ULONG OuterRelease() { return PinBase::Release(); }

  // Called under the state lock when a connection is made, before it is
  // kept, and when it is broken.
  virtual HRESULT OnConnect(IPin*, const AM_MEDIA_TYPE&) { return S_OK; }
  virtual void OnDisconnect() {}
  // Keeps or drops the connection (under the state lock).
  HRESULT SetPeer(IPin* peer, const AM_MEDIA_TYPE& type);
  void ClearPeer();
  IPin* Peer() const { return peer_.Get(); }

  FilterBase* const filter_;  // not owned: the pin lives inside it

 private:
  PIN_DIRECTION direction_;
  std::wstring name_;
  ComPtr<IPin> peer_;
  MediaType type_;
};

#define PIN_DELEGATE_IUNKNOWN COM_DELEGATE_IUNKNOWN
