// Small filters for running a filter under test in the platform's graph: a
// source pushing given buffers of one media type, and a renderer keeping
// what reaches it without holding the stream while paused.
#pragma once

#include <gtest/gtest.h>

#include <dshow.h>
#include <evcode.h>

#include <cstring>
#include <vector>

#include "FilterBase.h"
#include "GraphTesting.h"
#include "InputPin.h"
#include "SourcePin.h"

struct TestChunk {
  std::vector<BYTE> bytes;
  REFERENCE_TIME start = 0;
  REFERENCE_TIME stop = 0;
  bool sync = true;
  bool discontinuity = false;
};

// Plays its chunks rounds times, each round's times after the last's.
class BufferSource final : public FilterBase {
 public:
  BufferSource(IUnknown* outer, const AM_MEDIA_TYPE* type, std::vector<TestChunk> chunks, int rounds = 1)
      : FilterBase(outer, GUID_NULL), chunks_(std::move(chunks)), rounds_(rounds), pin_(this) {
    type_.CopyFrom(*type);
  }
  int PinCount() override { return 1; }
  PinBase* PinAt(int index) override { return index == 0 ? &pin_ : nullptr; }

 private:
  class Pin final : public SourcePin {
   public:
    explicit Pin(BufferSource* filter) : SourcePin(filter, L"Out"), owner_(filter) {}
    HRESULT Accepts(const AM_MEDIA_TYPE& type) override {
      return MediaType::Same(type, owner_->type_.Get()) ? S_OK : S_FALSE;
    }
    HRESULT TypeAt(int index, MediaType* type) override {
      return index > 0 ? VFW_S_NO_MORE_ITEMS : type->CopyFrom(owner_->type_.Get());
    }

   protected:
    HRESULT BufferSize(ALLOCATOR_PROPERTIES* request) override {
      request->cBuffers = 2;
      request->cbBuffer = 1;
      for (const TestChunk& chunk : owner_->chunks_)
        if (LONG(chunk.bytes.size()) > request->cbBuffer) request->cbBuffer = LONG(chunk.bytes.size());
      return S_OK;
    }
    HRESULT OnThreadStart(REFERENCE_TIME* start, REFERENCE_TIME* stop, double* rate) override {
      next_ = 0;
      *start = 0;
      *stop = owner_->chunks_.empty() ? 0 : owner_->chunks_.back().stop * owner_->rounds_;
      *rate = 1.0;
      return S_OK;
    }
    HRESULT FillSample(IMediaSample* sample) override {
      const std::vector<TestChunk>& chunks = owner_->chunks_;
      if (next_ >= chunks.size() * owner_->rounds_) return S_FALSE;
      const TestChunk& chunk = chunks[next_ % chunks.size()];
      REFERENCE_TIME offset = REFERENCE_TIME(next_++ / chunks.size()) * chunks.back().stop;
      REFERENCE_TIME start = chunk.start + offset, stop = chunk.stop + offset;
      BYTE* data = nullptr;
      sample->GetPointer(&data);
      memcpy(data, chunk.bytes.data(), chunk.bytes.size());
      sample->SetActualDataLength(LONG(chunk.bytes.size()));
      sample->SetTime(&start, &stop);
      sample->SetSyncPoint(chunk.sync);
      return sample->SetDiscontinuity(chunk.discontinuity);
    }

   private:
    BufferSource* owner_;
    size_t next_ = 0;
  };

  MediaType type_;
  std::vector<TestChunk> chunks_;
  int rounds_;
  Pin pin_;
};

// Takes any type of its major type and keeps every sample.
class SampleSink final : public FilterBase {
 public:
  SampleSink(IUnknown* outer, const GUID& major) : FilterBase(outer, GUID_NULL), major_(major), pin_(this) {}
  int PinCount() override { return 1; }
  PinBase* PinAt(int index) override { return index == 0 ? &pin_ : nullptr; }

  std::vector<TestChunk> samples;

 protected:
  HRESULT OnInitStream() override {
    samples.clear();
    return S_OK;
  }
  ULONG MiscFlags() override { return AM_FILTER_MISC_FLAGS_IS_RENDERER; }

 private:
  class Pin final : public InputPin {
   public:
    explicit Pin(SampleSink* filter) : InputPin(filter, L"In"), owner_(filter) {}
    HRESULT Accepts(const AM_MEDIA_TYPE& type) override { return type.majortype == owner_->major_ ? S_OK : S_FALSE; }

   protected:
    HRESULT OnReceive(IMediaSample* sample) override {
      TestChunk chunk;
      BYTE* data = nullptr;
      sample->GetPointer(&data);
      chunk.bytes.assign(data, data + sample->GetActualDataLength());
      sample->GetTime(&chunk.start, &chunk.stop);
      chunk.sync = sample->IsSyncPoint() == S_OK;
      chunk.discontinuity = sample->IsDiscontinuity() == S_OK;
      owner_->samples.push_back(std::move(chunk));
      return S_OK;
    }
    HRESULT OnEndOfStream() override {
      owner_->NotifyComplete();
      return S_OK;
    }

   private:
    SampleSink* owner_;
  };

  GUID major_;
  Pin pin_;
};
