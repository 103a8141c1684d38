// A canonical text of everything a timeline holds, read through the published
// interfaces (and the engine's timeline for its own labels), so that two
// timelines are the same exactly when their
// descriptions are. Values are exact (doubles to 17 digits, strings code unit
// by code unit); the text is ASCII.
#pragma once

#include <string>

#include "EditingServices.h"

std::wstring DescribeTimeline(IAMTimeline* timeline);
