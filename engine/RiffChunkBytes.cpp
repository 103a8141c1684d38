#include "RiffChunkBytes.h"

#include <vfwmsgs.h>

HRESULT RiffChunkBytes::Read(UINT64 offset, void* buffer, DWORD size) {
  if (!file_ || offset > chunk_.size || size > chunk_.size - offset) return VFW_E_FILE_TOO_SHORT;
  return file_->Read(chunk_.data + offset, buffer, size);
}
