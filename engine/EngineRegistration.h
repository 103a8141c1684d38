// Makes the engine's classes creatable through CoCreateInstance in this
// process, under the published class ids.
#pragma once

#include <windows.h>

// Registers the class objects; call once after CoInitialize and before
// anything creates a timeline. Calling it again does nothing.
HRESULT RegisterEngineClasses();
// Revokes them; call before CoUninitialize.
void RevokeEngineClasses();
