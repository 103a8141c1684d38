// What a timeline may hold, so that every timeline the engine accepts can be
// saved and read back as it is: the setters refuse more, and the project
// reader takes up to these limits and no further.
#pragma once

#include <windows.h>
#include <strmif.h>

// The latest time (100,000 hours), for start and stop times, media times and
// lengths, cut points and parameter times alike.
constexpr REFERENCE_TIME kLatestTime = 100000LL * 3600 * 10000000;

// The highest frame rate a timeline, group or source may have.
constexpr double kHighestFrameRate = 1e9;

// The largest format block of a group's media type.
constexpr ULONG kLargestGroupFormat = 1u << 16;

// How far below its group (embed depth 0) a node may sit; an effect on a
// source on a track in 60 nested compositions is that deep.
constexpr long kMaxEmbedDepth = 63;
