#include "AviWriterInput.h"

#include "AviWriter.h"
#include "AviWriterFilter.h"

AviWriterInput::AviWriterInput(AviWriterFilter* filter, const wchar_t* name)
    : InputPin(filter, name), owner_(filter) {
  InitializeCriticalSection(&receiveLock_);
}

AviWriterInput::~AviWriterInput() { DeleteCriticalSection(&receiveLock_); }

HRESULT AviWriterInput::Accepts(const AM_MEDIA_TYPE& type) { return AviWriter::CanWrite(type); }

HRESULT AviWriterInput::OnConnect(IPin*, const AM_MEDIA_TYPE&) { return owner_->InputConnected(); }

HRESULT AviWriterInput::OnReceive(IMediaSample* sample) { return owner_->Receive(this, sample); }

HRESULT AviWriterInput::OnEndOfStream() { return owner_->EndOfInput(this); }

HRESULT AviWriterInput::OnBeginFlush() { return owner_->HoldInput(this, true); }

HRESULT AviWriterInput::OnEndFlush() { return owner_->HoldInput(this, false); }
