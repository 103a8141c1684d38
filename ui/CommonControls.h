// Initialisation of the common-control window classes, once per class set.
#pragma once

#include <windows.h>

// InitCommonControlsEx with the ICC_... bits unless all are already recorded;
// records them on success.
bool EnsureCommonControls(DWORD classes);
// Whether all the given ICC_... bits are recorded.
bool CommonControlsReady(DWORD classes);
