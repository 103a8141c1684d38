// Counts the engine's live COM objects, so tests can prove nothing leaks.
#pragma once

long EngineObjectCount();
void EngineObjectCreated();
void EngineObjectDestroyed();
