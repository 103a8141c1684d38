#include "AviMovieScan.h"

#include <vfwmsgs.h>

namespace {
const DWORD kRiff = RiffId('R', 'I', 'F', 'F');
const DWORD kList = RiffId('L', 'I', 'S', 'T');
// Two chunks a frame of a few streams for hours of video; past that, hostile.
const size_t kMaxChunks = 4 * 1024 * 1024;

// Past the end of a parent (S_FALSE), at a damaged chunk or at one cut off by
// the end of the file, the walk ends with what it found.
bool Stops(HRESULT hr) { return hr != S_OK && hr != VFW_E_FILE_TOO_SHORT; }
}  // namespace

void AviMovieScan::Rebuild(RiffFile* file, std::vector<AviIndex>* indexes) {
  Walk walk{file, indexes, kMaxChunks};
  RiffChunk whole, form;
  whole.size = file->Size();
  for (UINT64 offset = 0; walk.budget > 0; offset = form.next, --walk.budget) {
    HRESULT hr = file->Next(whole, offset, &form);
    if (Stops(hr)) return;
    if (form.id == kRiff && (form.listType == RiffId('A', 'V', 'I', ' ') || form.listType == RiffId('A', 'V', 'I', 'X'))) {
      WalkForm(&walk, form);
    }
    if (hr != S_OK) return;
  }
}

void AviMovieScan::WalkForm(Walk* walk, const RiffChunk& form) {
  RiffChunk chunk;
  for (UINT64 offset = form.data; walk->budget > 0; offset = chunk.next, --walk->budget) {
    HRESULT hr = walk->file->Next(form, offset, &chunk);
    if (Stops(hr)) return;
    if (chunk.id == kList && chunk.listType == RiffId('m', 'o', 'v', 'i')) {
      WalkList(walk, chunk, false);
      return;
    }
    if (hr != S_OK) return;
  }
}

void AviMovieScan::WalkList(Walk* walk, const RiffChunk& list, bool nested) {
  RiffChunk chunk;
  for (UINT64 offset = list.data; walk->budget > 0; offset = chunk.next, --walk->budget) {
    HRESULT hr = walk->file->Next(list, offset, &chunk);
    if (Stops(hr)) return;
    if (!nested && chunk.id == kList && chunk.listType == RiffId('r', 'e', 'c', ' ')) {
      WalkList(walk, chunk, true);
    }
    int stream = AviIndex::StreamOf(chunk.id);
    int palette = AviIndex::PaletteStreamOf(chunk.id);
    if (hr == S_OK && palette >= 0 && size_t(palette) < walk->indexes->size())
      (*walk->indexes)[palette].AddPaletteChange(chunk.data, DWORD(chunk.size));
    // A chunk cut off by the end of the file is not kept.
    if (hr == S_OK && stream >= 0 && size_t(stream) < walk->indexes->size()) {
      AviIndex& index = (*walk->indexes)[stream];
      if (!index.Add(chunk.data, DWORD(chunk.size), index.Count() == 0)) return;
    }
    if (hr != S_OK) return;
  }
}
