// Button images: an icon with a caption drawn to its right.
#pragma once

#include <windows.h>

// A new icon (the caller destroys it) showing icon at the left and caption
// 2 pixels to its right, vertically centred, in the default GUI font, on a
// transparent background. Null when icon is null or the drawing fails.
HICON MakeCaptionIcon(HICON icon, const wchar_t* caption);
