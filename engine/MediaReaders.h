// Chooses the reader for a file: RIFF 'AVI ' and 'WAVE' by their headers,
// ".tga" by name, other stills through WIC.
#pragma once

#include <memory>

#include "MediaReader.h"

class MediaReaders {
 public:
  // An open reader, or the file error / VFW_E_INVALID_FILE_FORMAT.
  static HRESULT Open(const wchar_t* path, std::unique_ptr<MediaReader>* reader);
};
