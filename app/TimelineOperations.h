// The rules by which the editor makes, lists and deletes timeline objects.
#pragma once

#include "EditingServices.h"
#include "MediaFormats.h"

class ComboBox;

// "Group", "Track", "Source", "Transition", "Effect" or "<unknown>".
const wchar_t* TimelineKindName(long kind);

// Fills a media type for a group format; its format block comes from
// CoTaskMemAlloc and is the caller's. 0, or -1 for a format not in the table.
int BuildGroupMediaType(const GroupFormat& format, AM_MEDIA_TYPE* mediaType);

// Without *group (or without group) makes a group with its tracks and appends
// it to the timeline; with one, reconfigures it and adds no tracks. A group
// made is stored into *group when given, and the caller owns that reference.
void AddOrUpdateGroup(IAMTimeline* timeline, IAMTimelineObj** group, const GroupSettings& settings);

// The two groups of a new project.
void AddDefaultGroups(IAMTimeline* timeline);

// Appends the names of the groups of a major type (all groups for GUID_NULL),
// each with its group index as item data; returns how many.
int FillGroupChoices(IAMTimeline* timeline, ComboBox& list, REFGUID majorType);

// Empties the list and appends the names of a group's tracks, item data the
// track index; the track count, or -1 when there is no such group.
int FillTrackChoices(IAMTimeline* timeline, long groupIndex, ComboBox& list);

// The major type of a group's media type; GUID_NULL when there is no such group.
GUID GetGroupMajorType(IAMTimeline* timeline, long groupIndex);

// Asks the owner's user, then takes the object and all it holds out of the
// timeline and logs it; true when it was removed.
bool DeleteTimelineObject(HWND owner, long kind, IAMTimelineObj* object);
