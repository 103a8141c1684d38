#include "ReaderSet.h"

#include "MediaReaders.h"

MediaReader* ReaderSet::Get(const std::wstring& path) {
  auto found = readers_.find(path);
  if (found != readers_.end()) return found->second.get();
  std::unique_ptr<MediaReader> reader;
  if (FAILED(MediaReaders::Open(path.c_str(), &reader))) reader.reset();
  return (readers_[path] = std::move(reader)).get();
}
