// Lists the engine's compressors in the platform's compressor categories and
// its effects and transitions in the four effect categories, so that the
// system device enumerator offers them by their friendly names and binding a
// moniker reaches the class object RegisterEngineClasses registered in this
// process.
#pragma once

#include <windows.h>

// Writes the entries through IFilterMapper2::RegisterFilter (the registry
// under Wine lives in the prefix and persists), each only when it is not
// already there as this program writes it, so it is done at every start.
HRESULT RegisterFilterCategories();
