#include "CompressorFilter.h"

#include <vfwmsgs.h>

#include <utility>

#include "Locked.h"

CompressorFilter::CompressorFilter(IUnknown* outer, const CLSID& clsid)
    : TransformFilter(outer, clsid), streamConfig_(static_cast<IPin*>(&Output()), this) {}

HRESULT CompressorFilter::OutputTypeAt(int index, MediaType* type) {
  Locked lock(StateLock());
  if (chosen_.Empty() || !IsFormat(chosen_.Get())) return FormatAt(index, type, nullptr);
  if (index > 0) return VFW_S_NO_MORE_ITEMS;
  return type->CopyFrom(chosen_.Get());
}

HRESULT CompressorFilter::QueryOutputPin(REFIID iid, void** out) {
  if (iid == IID_IAMStreamConfig) return HandOut<IAMStreamConfig>(&streamConfig_, out);
  return E_NOINTERFACE;
}

bool CompressorFilter::IsFormat(const AM_MEDIA_TYPE& type) {
  MediaType format;
  for (int i = 0; FormatAt(i, &format, nullptr) == S_OK; ++i)
    if (MediaType::Same(format.Get(), type)) return true;
  return false;
}

// Under the state lock.
HRESULT CompressorFilter::SetFormat(const AM_MEDIA_TYPE* type) {
  if (State() != State_Stopped) return VFW_E_NOT_STOPPED;
  if (!Input().IsConnected()) return VFW_E_NOT_CONNECTED;
  if (type && !IsFormat(*type)) return VFW_E_INVALIDMEDIATYPE;
  MediaType previous = std::move(chosen_);
  HRESULT hr = type ? chosen_.CopyFrom(*type) : S_OK;
  if (SUCCEEDED(hr) && type && Output().IsConnected() && !MediaType::Same(Output().Type(), *type))
    hr = Reconnect(*type);
  if (FAILED(hr)) chosen_ = std::move(previous);
  return hr;
}

// Only an output connected before its input changed can differ from every
// format; the peer is asked first, so a refusal leaves the connection as it was.
HRESULT CompressorFilter::Reconnect(const AM_MEDIA_TYPE& type) {
  ComPtr<IPin> peer;
  Output().ConnectedTo(peer.Receive());
  if (!peer || peer->QueryAccept(&type) != S_OK) return VFW_E_INVALIDMEDIATYPE;
  HRESULT hr = Output().Disconnect();
  if (SUCCEEDED(hr)) hr = peer->Disconnect();
  if (SUCCEEDED(hr)) hr = Output().Connect(peer.Get(), &type);
  return hr;
}

STDMETHODIMP CompressorFilter::StreamConfig::SetFormat(AM_MEDIA_TYPE* type) {
  Locked lock(filter_->StateLock());
  return filter_->SetFormat(type);
}

STDMETHODIMP CompressorFilter::StreamConfig::GetFormat(AM_MEDIA_TYPE** type) {
  if (!type) return E_POINTER;
  *type = nullptr;
  Locked lock(filter_->StateLock());
  if (!filter_->Input().IsConnected()) return VFW_E_NOT_CONNECTED;
  MediaType format;
  HRESULT hr = filter_->Output().IsConnected() ? format.CopyFrom(filter_->Output().Type())
                                                : filter_->OutputTypeAt(0, &format);
  if (hr != S_OK) return FAILED(hr) ? hr : E_UNEXPECTED;
  return format.CopyToNew(type);
}

STDMETHODIMP CompressorFilter::StreamConfig::GetNumberOfCapabilities(int* count, int* size) {
  if (!count || !size) return E_POINTER;
  Locked lock(filter_->StateLock());
  if (!filter_->Input().IsConnected()) return VFW_E_NOT_CONNECTED;
  MediaType format;
  *count = 0;
  while (filter_->FormatAt(*count, &format, nullptr) == S_OK) ++*count;
  *size = filter_->CapsSize();
  return S_OK;
}

STDMETHODIMP CompressorFilter::StreamConfig::GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* caps) {
  if (type) *type = nullptr;
  if (!type || !caps) return E_POINTER;
  if (index < 0) return E_INVALIDARG;
  Locked lock(filter_->StateLock());
  if (!filter_->Input().IsConnected()) return VFW_E_NOT_CONNECTED;
  MediaType format;
  HRESULT hr = filter_->FormatAt(index, &format, caps);
  if (hr != S_OK) return FAILED(hr) ? hr : S_FALSE;
  return format.CopyToNew(type);
}
