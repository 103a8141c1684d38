// The readers of one streaming thread, opened as first needed and kept
// (with their decoded-frame caches) for as long as the thread streams. A
// file that fails to open is not tried again. Used from one thread at a
// time, which has COM initialised.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "MediaReader.h"

class ReaderSet {
 public:
  // The reader of the file at path, or null when it cannot be opened.
  MediaReader* Get(const std::wstring& path);
  void Clear() { readers_.clear(); }

 private:
  std::map<std::wstring, std::unique_ptr<MediaReader>> readers_;  // null: failed to open
};
