// Makes the engine's classes creatable through CoCreateInstance in this
// process, under the published class ids.
#pragma once

#include <windows.h>

// Registers the class objects and lists the compressors in the platform's
// compressor categories; call once after CoInitialize and before anything
// creates a timeline or enumerates the categories. Calling it again does
// nothing. A failure to list the compressors is returned with the class
// objects left registered.
HRESULT RegisterEngineClasses();
// Revokes them; call before CoUninitialize.
void RevokeEngineClasses();
