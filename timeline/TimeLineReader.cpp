#include "TimeLineReader.h"

#include <vector>

#include "ComPtr.h"
#include "Text.h"
#include "TimeText.h"

namespace {

// The user name, or for a source without one its media name; null when neither.
BSTR DisplayName(IAMTimelineObj* object) {
  BSTR name = nullptr;
  if (SUCCEEDED(object->GetUserName(&name)) && name && name[0]) return name;
  SysFreeString(name);
  name = nullptr;
  ComPtr<IAMTimelineSrc> source = ComPtr<IAMTimelineObj>(object).As<IAMTimelineSrc>(IID_IAMTimelineSrc);
  if (source && FAILED(source->GetMediaName(&name))) name = nullptr;
  return name;
}

}  // namespace

void TimeLineReader::ReadGroup(IAMTimelineObj* group, TLGroupItem* item) {
  item->kind = kItemGroup;
  item->object = group;
  ComPtr<IAMTimelineComp> composition = ComPtr<IAMTimelineObj>(group).As<IAMTimelineComp>(IID_IAMTimelineComp);
  long count = 0;
  if (!composition || FAILED(composition->VTrackGetCount(&count)) || count <= 0) return;
  // All tracks first, so that a refusal leaves nothing half read.
  std::vector<ComPtr<IAMTimelineObj>> tracks(count);
  for (long j = 0; j < count; ++j) {
    if (FAILED(composition->GetVTrack(tracks[j].Receive(), j)) || !tracks[j]) return;
  }
  item->tracks = new TLTrackItem[count]();
  for (long j = count - 1; j >= 0; --j) {
    ReadTrack(tracks[j].Detach(), &item->tracks[j]);
    ++item->trackCount;
  }
}

void TimeLineReader::ReadTrack(IAMTimelineObj* track, TLTrackItem* item) {
  item->kind = kItemTrack;
  item->object = track;
  ReadSources(track, item);
  ReadEffects(track, item);
  ReadTransitions(track, item);
}

void TimeLineReader::ReadSources(IAMTimelineObj* track, TLTrackItem* item) {
  ComPtr<IAMTimelineTrack> sources = ComPtr<IAMTimelineObj>(track).As<IAMTimelineTrack>(IID_IAMTimelineTrack);
  long count = 0;
  if (!sources || FAILED(sources->GetSourcesCount(&count))) return;
  IAMTimelineObj* previous = nullptr;  // held by the previous entry
  item->sourceCount = ReadObjects(count, kItemSource, &item->sources, [&](long, IAMTimelineObj** next) {
    if (FAILED(sources->GetNextSrcEx(previous, next)) || !*next) return false;
    previous = *next;
    return true;
  });
}

void TimeLineReader::ReadEffects(IAMTimelineObj* track, TLTrackItem* item) {
  ComPtr<IAMTimelineEffectable> effects =
      ComPtr<IAMTimelineObj>(track).As<IAMTimelineEffectable>(IID_IAMTimelineEffectable);
  long count = 0;
  if (!effects || FAILED(effects->EffectGetCount(&count))) return;
  item->effectCount = ReadObjects(count, kItemEffect, &item->effects, [&](long index, IAMTimelineObj** next) {
    return SUCCEEDED(effects->GetEffect(next, index)) && *next;
  });
}

void TimeLineReader::ReadTransitions(IAMTimelineObj* track, TLTrackItem* item) {
  ComPtr<IAMTimelineTransable> transitions =
      ComPtr<IAMTimelineObj>(track).As<IAMTimelineTransable>(IID_IAMTimelineTransable);
  long count = 0;
  if (!transitions || FAILED(transitions->TransGetCount(&count))) return;
  REFERENCE_TIME after = 0;
  item->transitionCount = ReadObjects(count, kItemTransition, &item->transitions, [&](long, IAMTimelineObj** next) {
    return SUCCEEDED(transitions->GetNextTrans(next, &after)) && *next;
  });
}

template <class NextObject>
int32_t TimeLineReader::ReadObjects(long count, int32_t kind, TLObjectItem** table, NextObject next) {
  if (count <= 0) return 0;
  TLObjectItem* items = new TLObjectItem[count]();
  int32_t read = 0;
  while (read < count) {
    IAMTimelineObj* object = nullptr;
    if (!next(read, &object)) {
      if (object) object->Release();
      break;
    }
    FillObject(&items[read++], object, kind);
  }
  if (!read) {
    delete[] items;
    items = nullptr;
  }
  *table = items;
  return read;
}

void TimeLineReader::FillObject(TLObjectItem* item, IAMTimelineObj* object, int32_t kind) {
  item->kind = kind;
  item->object = object;
  REFERENCE_TIME start = 0, stop = 0;
  if (SUCCEEDED(object->GetStartStop(&start, &stop))) {
    item->start = FromReferenceTime(start);
    item->stop = FromReferenceTime(stop);
  }
  if (item->stop > *maxTime_) *maxTime_ = item->stop;
  BSTR name = DisplayName(object);
  item->name = CopyText(name);
  SysFreeString(name);
}
