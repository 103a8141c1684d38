// Words for what the timeline control shows: an item's description for the
// status bar and the names behind a point of the header column.
#pragma once

#include <string>

#include "TimeLineItems.h"

// An object's user name, a group's name when it has none; empty when neither.
std::wstring ObjectName(IAMTimelineObj* object);
// "Source "A": 00:00:10,000000 to 00:00:20,000000, length 00:00:10,000000";
// a group or track gives its kind and name only, null gives "".
std::wstring DescribeItem(const TLItem* item);
