// Holds a critical section for the life of a scope.
#pragma once

#include <windows.h>

class Locked {
 public:
  explicit Locked(CRITICAL_SECTION* lock) : lock_(lock) { EnterCriticalSection(lock_); }
  ~Locked() { LeaveCriticalSection(lock_); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;

 private:
  CRITICAL_SECTION* lock_;
};
