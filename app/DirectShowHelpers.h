// Small DirectShow routines shared by the preview, render, compressor, stream
// and source windows.
#pragma once

#include <windows.h>
#include <dshow.h>

#include <cstddef>

// Creates a filter from a device moniker's display name; on failure *filter
// is null and the failing result is returned.
HRESULT CreateFilterFromDisplayName(const wchar_t* displayName, IBaseFilter** filter);
// Shows the filter's property pages, modally, owned by owner.
HRESULT ShowFilterPropertyPages(IBaseFilter* filter, HWND owner);

// "FilterGraph %08x pid %08x": the name under which a graph is registered in
// the running object table, so that an external graph viewer can attach.
wchar_t* GraphItemName(const void* graph, DWORD processId, wchar_t (&buffer)[64]);
HRESULT RegisterGraph(IUnknown* graph, DWORD* cookie);
void UnregisterGraph(DWORD cookie);

// The filter's first pin of a direction, with its reference; E_FAIL when none.
HRESULT FindPin(IBaseFilter* filter, PIN_DIRECTION direction, IPin** pin);

// Frees a media type's format block and object; DeleteMediaType also the
// record itself (from CoTaskMemAlloc). Null is ignored.
void FreeMediaType(AM_MEDIA_TYPE* mediaType);
void DeleteMediaType(AM_MEDIA_TYPE* mediaType);

// The four characters of a code, lowest byte first; "____" for 0 and 1 and
// for codes that are not printable characters.
wchar_t* FourccText(DWORD code, wchar_t (&buffer)[5]);

// What to describe: the kind, the subtype, the format details.
constexpr int kDescribeKind = 1;
constexpr int kDescribeSubtype = 2;
constexpr int kDescribeFormat = 4;
// One line about a media type, for example "Video: YUY2, 640x480, 25.0 fps",
// "Video: RGB24, 640x480" or "Audio: 0x0001, 2 ch., 44100 Hz". Empty for
// other major types.
wchar_t* DescribeMediaType(const AM_MEDIA_TYPE* mediaType, wchar_t* buffer, size_t size, int parts);
