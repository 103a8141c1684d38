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

bool IsAudioGroup(IAMTimelineObj* object) {
  ComPtr<IAMTimelineGroup> group = ComPtr<IAMTimelineObj>(object).As<IAMTimelineGroup>(IID_IAMTimelineGroup);
  AM_MEDIA_TYPE type = {};
  if (!group || FAILED(group->GetMediaType(&type))) return false;
  bool audio = type.majortype == MEDIATYPE_Audio;
  if (type.pbFormat) CoTaskMemFree(type.pbFormat);
  if (type.pUnk) type.pUnk->Release();
  return audio;
}

}  // namespace

void TimeLineReader::ReadGroup(IAMTimelineObj* group, TLGroupItem* item) {
  item->kind = kItemGroup;
  item->object = group;
  item->audio = IsAudioGroup(group);
  ReadEffects(group, &item->effects, &item->effectCount);
  ReadTransitions(group, &item->transitions, &item->transitionCount);
  ReadTracks(group, 0, &item->tracks, &item->trackCount);
}

bool TimeLineReader::ReadTracks(IAMTimelineObj* parent, int32_t depth, TLTrackItem** table, int32_t* count) {
  ComPtr<IAMTimelineComp> composition = ComPtr<IAMTimelineObj>(parent).As<IAMTimelineComp>(IID_IAMTimelineComp);
  long total = 0;
  if (!composition || FAILED(composition->VTrackGetCount(&total)) || total <= 0) return false;
  // All tracks first, so that a refusal leaves nothing half read.
  std::vector<ComPtr<IAMTimelineObj>> tracks(total);
  for (long j = 0; j < total; ++j) {
    if (FAILED(composition->GetVTrack(tracks[j].Receive(), j)) || !tracks[j]) return false;
  }
  *table = new TLTrackItem[total]();
  for (long j = total - 1; j >= 0; --j) {
    ReadTrack(tracks[j].Detach(), &(*table)[j], depth);
    ++*count;
  }
  return true;
}

void TimeLineReader::ReadTrack(IAMTimelineObj* track, TLTrackItem* item, int32_t depth) {
  item->kind = kItemTrack;
  item->object = track;
  item->depth = depth;
  ReadSources(track, item);
  ReadEffects(track, &item->effects, &item->effectCount);
  ReadTransitions(track, &item->transitions, &item->transitionCount);
  ReadTracks(track, depth + 1, &item->tracks, &item->trackCount);
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

void TimeLineReader::ReadEffects(IAMTimelineObj* parent, TLObjectItem** table, int32_t* count) {
  ComPtr<IAMTimelineEffectable> effects =
      ComPtr<IAMTimelineObj>(parent).As<IAMTimelineEffectable>(IID_IAMTimelineEffectable);
  long total = 0;
  if (!effects || FAILED(effects->EffectGetCount(&total))) return;
  *count = ReadObjects(total, kItemEffect, table, [&](long index, IAMTimelineObj** next) {
    return SUCCEEDED(effects->GetEffect(next, index)) && *next;
  });
}

void TimeLineReader::ReadTransitions(IAMTimelineObj* parent, TLObjectItem** table, int32_t* count) {
  ComPtr<IAMTimelineTransable> transitions =
      ComPtr<IAMTimelineObj>(parent).As<IAMTimelineTransable>(IID_IAMTimelineTransable);
  long total = 0;
  if (!transitions || FAILED(transitions->TransGetCount(&total))) return;
  REFERENCE_TIME after = 0;
  *count = ReadObjects(total, kItemTransition, table, [&](long, IAMTimelineObj** next) {
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
