#include "EngineObjects.h"

#include <windows.h>

namespace {
volatile LONG liveObjects = 0;
}

long EngineObjectCount() { return InterlockedCompareExchange(&liveObjects, 0, 0); }
void EngineObjectCreated() { InterlockedIncrement(&liveObjects); }
void EngineObjectDestroyed() { InterlockedDecrement(&liveObjects); }
