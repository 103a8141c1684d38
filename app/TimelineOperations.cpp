#include "TimelineOperations.h"

#include <cstring>

#include "AppGlobals.h"
#include "BstrVariant.h"
#include "ComPtr.h"
#include "ComboBox.h"
#include "JoinedString.h"
#include "NumberText.h"

namespace {

constexpr wchar_t kCaption[] = L"Morvik";

void FillVideoFormat(const MediaFormat& entry, uint32_t size, AM_MEDIA_TYPE* type) {
  auto* info = static_cast<VIDEOINFOHEADER*>(CoTaskMemAlloc(sizeof(VIDEOINFOHEADER)));
  if (!info) return;
  memset(info, 0, sizeof(*info));
  LONG width = size >> 16;
  LONG height = size & 0xFFFF;
  LONG stride = ((entry.bitCount * width + 31) / 32) * 4;
  BITMAPINFOHEADER& bitmap = info->bmiHeader;
  bitmap.biSize = sizeof(BITMAPINFOHEADER);
  bitmap.biWidth = width;
  bitmap.biHeight = height;
  bitmap.biPlanes = 1;
  bitmap.biBitCount = entry.bitCount;
  bitmap.biSizeImage = stride * height;
  type->formattype = FORMAT_VideoInfo;
  type->cbFormat = sizeof(VIDEOINFOHEADER);
  type->pbFormat = reinterpret_cast<BYTE*>(info);
  type->bFixedSizeSamples = TRUE;
  type->lSampleSize = stride * height;
}

void FillAudioFormat(uint32_t rate, AM_MEDIA_TYPE* type) {
  auto* wave = static_cast<WAVEFORMATEX*>(CoTaskMemAlloc(sizeof(WAVEFORMATEX)));
  if (!wave) return;
  memset(wave, 0, sizeof(*wave));
  wave->wFormatTag = WAVE_FORMAT_PCM;
  wave->nChannels = 2;
  wave->nSamplesPerSec = rate;
  wave->nAvgBytesPerSec = rate * 4;
  wave->nBlockAlign = 4;
  wave->wBitsPerSample = 16;
  type->formattype = FORMAT_WaveFormatEx;
  type->cbFormat = sizeof(WAVEFORMATEX);
  type->pbFormat = reinterpret_cast<BYTE*>(wave);
}

// Appends the tracks Track_0 ... of a new group.
void AddTracks(IAMTimeline* timeline, IAMTimelineObj* group, int32_t count) {
  ComPtr<IAMTimelineComp> composition = ComPtr<IAMTimelineObj>(group).As<IAMTimelineComp>(IID_IAMTimelineComp);
  if (!composition) return;
  for (int32_t i = 0; i < count; ++i) {
    ComPtr<IAMTimelineObj> track;
    if (FAILED(timeline->CreateEmptyNode(track.Receive(), TIMELINE_MAJOR_TYPE_TRACK)) || !track) {
      continue;
    }
    NumberText number(i);
    JoinedString name(L"Track_", number.AsText(), nullptr);
    BstrVariant text(name.Get());
    track->SetUserName(text.Bstr());
    composition->VTrackInsBefore(track.Get(), -1);
  }
}

ComPtr<IAMTimelineObj> GroupAt(IAMTimeline* timeline, long index) {
  ComPtr<IAMTimelineObj> group;
  if (timeline && index >= 0) timeline->GetGroup(group.Receive(), index);
  return group;
}

// A copy of an object's name for a list; empty when it has none.
void AppendName(ComboBox& list, IAMTimelineObj* object, long data) {
  BSTR name = nullptr;
  object->GetUserName(&name);
  int item = list.AddString(name ? name : L"");
  SysFreeString(name);
  if (item >= 0) list.SetItemData(item, data);
}

}  // namespace

const wchar_t* TimelineKindName(long kind) {
  switch (kind) {
    case TIMELINE_MAJOR_TYPE_GROUP:
      return L"Group";
    case TIMELINE_MAJOR_TYPE_TRACK:
      return L"Track";
    case TIMELINE_MAJOR_TYPE_SOURCE:
      return L"Source";
    case TIMELINE_MAJOR_TYPE_TRANSITION:
      return L"Transition";
    case TIMELINE_MAJOR_TYPE_EFFECT:
      return L"Effect";
  }
  return L"<unknown>";
}

int BuildGroupMediaType(const GroupFormat& format, AM_MEDIA_TYPE* mediaType) {
  if (!mediaType || format.kindIndex < 0 || format.formatIndex < 0) return -1;
  // Indexes past the table would read beyond it.
  if (format.kindIndex >= kMediaKindCount) return -1;
  const MediaKind& kind = kMediaKinds[format.kindIndex];
  if (format.formatIndex >= kind.formatCount) return -1;
  *mediaType = AM_MEDIA_TYPE{};
  const MediaFormat& entry = kind.formats[format.formatIndex];
  mediaType->majortype = *kind.majorType;
  mediaType->subtype = *entry.subtype;
  if (*kind.majorType == MEDIATYPE_Video) {
    FillVideoFormat(entry, format.size, mediaType);
  } else {
    FillAudioFormat(format.size, mediaType);
  }
  return mediaType->pbFormat ? 0 : -1;
}

void AddOrUpdateGroup(IAMTimeline* timeline, IAMTimelineObj** group, const GroupSettings& settings) {
  ComPtr<IAMTimelineObj> object(group ? *group : nullptr);
  if (!object) {
    if (!timeline || FAILED(timeline->CreateEmptyNode(object.Receive(), TIMELINE_MAJOR_TYPE_GROUP)) ||
        !object) {
      return;
    }
    timeline->AddGroup(object.Get());
    ComPtr<IAMTimelineGroup> made = object.As<IAMTimelineGroup>(IID_IAMTimelineGroup);
    if (made) made->SetPreviewMode(TRUE);
    AddTracks(timeline, object.Get(), settings.trackCount);
    if (group) *group = ComPtr<IAMTimelineObj>(object).Detach();
  }
  ComPtr<IAMTimelineGroup> info = object.As<IAMTimelineGroup>(IID_IAMTimelineGroup);
  AM_MEDIA_TYPE type;
  if (!info || BuildGroupMediaType(settings.format, &type) != 0) return;
  info->SetMediaType(&type);
  CoTaskMemFree(type.pbFormat);
  BstrVariant name(settings.name && *settings.name ? settings.name : nullptr);
  object->SetUserName(name.Bstr());
  object->SetLocked(settings.locked);
  object->SetMuted(settings.muted);
}

void AddDefaultGroups(IAMTimeline* timeline) {
  const GroupSettings video = {false, false, 2, L"Video group", {0, 1, VideoSize(640, 480)}};
  const GroupSettings audio = {false, false, 1, L"Audio group", {1, 0, 44100}};
  AddOrUpdateGroup(timeline, nullptr, video);
  AddOrUpdateGroup(timeline, nullptr, audio);
}

int FillGroupChoices(IAMTimeline* timeline, ComboBox& list, REFGUID majorType) {
  long count = 0;
  if (!timeline || FAILED(timeline->GetGroupCount(&count))) return 0;
  int added = 0;
  for (long i = 0; i < count; ++i) {
    ComPtr<IAMTimelineObj> group = GroupAt(timeline, i);
    if (!group) continue;
    if (majorType != GUID_NULL && GetGroupMajorType(timeline, i) != majorType) continue;
    AppendName(list, group.Get(), i);
    ++added;
  }
  return added;
}

int FillTrackChoices(IAMTimeline* timeline, long groupIndex, ComboBox& list) {
  list.ResetContent();
  ComPtr<IAMTimelineObj> group = GroupAt(timeline, groupIndex);
  if (!group || !group.As<IAMTimelineGroup>(IID_IAMTimelineGroup)) return -1;
  ComPtr<IAMTimelineComp> composition = group.As<IAMTimelineComp>(IID_IAMTimelineComp);
  long count = 0;
  if (!composition || FAILED(composition->VTrackGetCount(&count))) return -1;
  for (long i = 0; i < count; ++i) {
    ComPtr<IAMTimelineObj> track;
    if (SUCCEEDED(composition->GetVTrack(track.Receive(), i)) && track) {
      AppendName(list, track.Get(), i);
    }
  }
  return count;
}

GUID GetGroupMajorType(IAMTimeline* timeline, long groupIndex) {
  ComPtr<IAMTimelineObj> group = GroupAt(timeline, groupIndex);
  ComPtr<IAMTimelineGroup> info = group.As<IAMTimelineGroup>(IID_IAMTimelineGroup);
  AM_MEDIA_TYPE type;
  if (!info || FAILED(info->GetMediaType(&type))) return GUID_NULL;
  CoTaskMemFree(type.pbFormat);
  if (type.pUnk) type.pUnk->Release();
  return type.majortype;
}

bool DeleteTimelineObject(HWND owner, long kind, IAMTimelineObj* object) {
  if (!object) return false;
  ComPtr<IAMTimelineObj> held(object);  // the question's loop may let others go of it
  JoinedString question(L"Delete selected ", TimelineKindName(kind), L" from timeline?", nullptr);
  if (MessageBoxW(owner, question.Get(), kCaption, MB_OKCANCEL | MB_ICONQUESTION) != IDOK) {
    return false;
  }
  IAMTimeline* stillIn = nullptr;
  if (FAILED(held->GetTimelineNoRef(&stillIn))) return false;  // gone meanwhile (a new project)
  held->RemoveAll();
  JoinedString line(TimelineKindName(kind), L": ", L"delete", nullptr);
  LogLine(line.Get());
  return true;
}
