#include "TestStreamFilters.h"

#include <evcode.h>

#include <cstring>


namespace {
const CLSID kBufferSourceClsid = {0x2b7d1c40, 0x51e3, 0x4a7f, {0x8d, 0x02, 0x6e, 0x31, 0x0a, 0x9c, 0x55, 0x01}};
const CLSID kSampleSinkClsid = {0x2b7d1c40, 0x51e3, 0x4a7f, {0x8d, 0x02, 0x6e, 0x31, 0x0a, 0x9c, 0x55, 0x02}};
}  // namespace

BufferSource::BufferSource(IUnknown* outer, const AM_MEDIA_TYPE* type, std::vector<TestChunk> chunks, int rounds)
    : FilterBase(outer, kBufferSourceClsid), chunks_(std::move(chunks)), rounds_(rounds), pin_(this) {
  type_.CopyFrom(*type);
}

PinBase* BufferSource::PinAt(int index) { return index == 0 ? &pin_ : nullptr; }

HRESULT BufferSource::Pin::Accepts(const AM_MEDIA_TYPE& type) {
  return MediaType::Same(type, owner_->type_.Get()) ? S_OK : S_FALSE;
}

HRESULT BufferSource::Pin::TypeAt(int index, MediaType* type) {
  if (index > 0) return VFW_S_NO_MORE_ITEMS;
  return type->CopyFrom(owner_->type_.Get());
}

HRESULT BufferSource::Pin::BufferSize(ALLOCATOR_PROPERTIES* request) {
  LONG largest = 1;
  for (const TestChunk& chunk : owner_->chunks_)
    if (LONG(chunk.bytes.size()) > largest) largest = LONG(chunk.bytes.size());
  request->cBuffers = 2;
  request->cbBuffer = largest;
  return S_OK;
}

HRESULT BufferSource::Pin::OnThreadStart(REFERENCE_TIME* start, REFERENCE_TIME* stop, double* rate) {
  next_ = 0;
  *start = 0;
  *stop = owner_->chunks_.empty() ? 0 : owner_->chunks_.back().stop * owner_->rounds_;
  *rate = 1.0;
  return S_OK;
}

HRESULT BufferSource::Pin::FillSample(IMediaSample* sample) {
  const std::vector<TestChunk>& chunks = owner_->chunks_;
  if (next_ >= chunks.size() * owner_->rounds_) return S_FALSE;
  const TestChunk& chunk = chunks[next_ % chunks.size()];
  REFERENCE_TIME offset = REFERENCE_TIME(next_++ / chunks.size()) * chunks.back().stop;
  REFERENCE_TIME start = chunk.start + offset, stop = chunk.stop + offset;
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  memcpy(data, chunk.bytes.data(), chunk.bytes.size());
  sample->SetActualDataLength(LONG(chunk.bytes.size()));
  sample->SetTime(chunk.timed ? &start : nullptr, chunk.timed ? &stop : nullptr);
  sample->SetSyncPoint(chunk.sync);
  sample->SetDiscontinuity(chunk.discontinuity);
  return S_OK;
}

SampleSink::SampleSink(IUnknown* outer, const GUID& major)
    : FilterBase(outer, kSampleSinkClsid), major_(major), pin_(this) {}

PinBase* SampleSink::PinAt(int index) { return index == 0 ? &pin_ : nullptr; }

HRESULT SampleSink::OnInitStream() {
  samples.clear();
  ended = false;
  pin_.Active();
  return S_OK;
}

HRESULT SampleSink::Pin::Accepts(const AM_MEDIA_TYPE& type) {
  return type.majortype == owner_->major_ ? S_OK : S_FALSE;
}

HRESULT SampleSink::Pin::OnReceive(IMediaSample* sample) {
  TestChunk chunk;
  BYTE* data = nullptr;
  sample->GetPointer(&data);
  chunk.bytes.assign(data, data + sample->GetActualDataLength());
  chunk.timed = SUCCEEDED(sample->GetTime(&chunk.start, &chunk.stop));
  chunk.sync = sample->IsSyncPoint() == S_OK;
  chunk.discontinuity = sample->IsDiscontinuity() == S_OK;
  owner_->samples.push_back(std::move(chunk));
  return S_OK;
}

HRESULT SampleSink::Pin::OnEndOfStream() {
  owner_->ended = true;
  owner_->NotifyComplete();
  return S_OK;
}

long RunToEnd(IGraphBuilder* graph) {
  ComPtr<IMediaEvent> events = ComPtr<IGraphBuilder>(graph).As<IMediaEvent>(IID_IMediaEvent);
  long code = 0;
  LONG_PTR first, second;
  while (events->GetEvent(&code, &first, &second, 0) == S_OK) events->FreeEventParams(code, first, second);
  if (FAILED(ComPtr<IGraphBuilder>(graph).As<IMediaControl>(IID_IMediaControl)->Run())) return 0;
  // GetEvent may give up early when the queue runs empty, so it is asked until the deadline.
  for (DWORD deadline = GetTickCount() + 10000; GetTickCount() < deadline;) {
    if (events->GetEvent(&code, &first, &second, 100) != S_OK) continue;
    events->FreeEventParams(code, first, second);
    if (code == EC_COMPLETE || code == EC_ERRORABORT) return code;
  }
  return 0;
}
