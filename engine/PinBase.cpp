#include "PinBase.h"

#include <vfwmsgs.h>

#include <cstring>

#include "MediaTypeEnumerator.h"

PinBase::PinBase(FilterBase* filter, PIN_DIRECTION direction, const wchar_t* name)
    : filter_(filter), direction_(direction), name_(name) {}

STDMETHODIMP PinBase::QueryInterface(REFIID iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid == IID_IUnknown || iid == IID_IPin) return HandOut<IPin>(this, out);
  return QueryOwn(iid, out);
}

HRESULT PinBase::QueryOwn(REFIID, void**) { return E_NOINTERFACE; }

HRESULT PinBase::TypeAt(int, MediaType*) { return VFW_S_NO_MORE_ITEMS; }

bool PinBase::IsConnected() {
  EnterCriticalSection(filter_->StateLock());
  bool connected = bool(peer_);
  LeaveCriticalSection(filter_->StateLock());
  return connected;
}

HRESULT PinBase::SetPeer(IPin* peer, const AM_MEDIA_TYPE& type) {
  HRESULT hr = type_.CopyFrom(type);
  if (SUCCEEDED(hr)) peer_ = ComPtr<IPin>(peer);
  return hr;
}

void PinBase::ClearPeer() {
  peer_.Reset();
  type_.Receive();
}

STDMETHODIMP PinBase::ConnectedTo(IPin** peer) {
  if (!peer) return E_POINTER;
  EnterCriticalSection(filter_->StateLock());
  *peer = ComPtr<IPin>(peer_).Detach();
  LeaveCriticalSection(filter_->StateLock());
  return *peer ? S_OK : VFW_E_NOT_CONNECTED;
}

STDMETHODIMP PinBase::ConnectionMediaType(AM_MEDIA_TYPE* type) {
  if (!type) return E_POINTER;
  EnterCriticalSection(filter_->StateLock());
  HRESULT hr = VFW_E_NOT_CONNECTED;
  if (peer_) {
    hr = type_.CopyTo(type);
  } else {
    ZeroMemory(type, sizeof *type);
  }
  LeaveCriticalSection(filter_->StateLock());
  return hr;
}

STDMETHODIMP PinBase::QueryPinInfo(PIN_INFO* info) {
  if (!info) return E_POINTER;
  info->pFilter = filter_;
  filter_->AddRef();
  info->dir = direction_;
  size_t length = name_.size() < MAX_PIN_NAME - 1 ? name_.size() : MAX_PIN_NAME - 1;
  memcpy(info->achName, name_.c_str(), length * sizeof(wchar_t));
  info->achName[length] = 0;
  return S_OK;
}

STDMETHODIMP PinBase::QueryDirection(PIN_DIRECTION* direction) {
  if (!direction) return E_POINTER;
  *direction = direction_;
  return S_OK;
}

STDMETHODIMP PinBase::QueryId(LPWSTR* id) {
  if (!id) return E_POINTER;
  size_t bytes = (name_.size() + 1) * sizeof(wchar_t);
  *id = static_cast<LPWSTR>(CoTaskMemAlloc(bytes));
  if (!*id) return E_OUTOFMEMORY;
  memcpy(*id, name_.c_str(), bytes);
  return S_OK;
}

STDMETHODIMP PinBase::QueryAccept(const AM_MEDIA_TYPE* type) {
  if (!type) return E_POINTER;
  return Accepts(*type) == S_OK ? S_OK : S_FALSE;
}

STDMETHODIMP PinBase::EnumMediaTypes(IEnumMediaTypes** types) {
  return CreateComObject<MediaTypeEnumerator>(nullptr, IID_IEnumMediaTypes, reinterpret_cast<void**>(types), this);
}

STDMETHODIMP PinBase::QueryInternalConnections(IPin** pins, ULONG* count) {
  if (!count) return E_POINTER;
  (void)pins;
  // Every input feeds every output, which is what this answer means.
  return E_NOTIMPL;
}

STDMETHODIMP PinBase::NewSegment(REFERENCE_TIME, REFERENCE_TIME, double) { return S_OK; }
