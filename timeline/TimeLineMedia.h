// What the timeline shows of a source's media: a picture of its first frame
// (through the media detector) or an outline of its sound (through the AVI
// file API, which reads WAV and AVI audio). Each is made once per media file,
// stream and media range, and kept while the control lives.
#pragma once

#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "TimeLineItems.h"

struct TLMediaEntry {
  HBITMAP picture = nullptr;  // 24-bit, pictureWidth x pictureHeight; null when none
  int pictureWidth = 0;
  int pictureHeight = 0;
  std::vector<uint8_t> peaks;  // loudness 0..255 across the media range; empty when none
};

class TimeLineMedia {
 public:
  static constexpr int kPeakCount = 128;

  explicit TimeLineMedia(int pictureHeight) : pictureHeight_(pictureHeight) {}
  ~TimeLineMedia();
  TimeLineMedia(const TimeLineMedia&) = delete;
  TimeLineMedia& operator=(const TimeLineMedia&) = delete;

  // The entry of a source item, made on first use; item->media remembers it
  // for the item's life. Null for an item that is no source.
  const TLMediaEntry* For(TLObjectItem* item, bool audio);
  int EntryCount() const { return static_cast<int>(entries_.size()); }

 private:
  void LoadPicture(const std::wstring& path, long stream, REFERENCE_TIME at, TLMediaEntry* entry) const;
  void LoadPeaks(const std::wstring& path, long stream, REFERENCE_TIME start, REFERENCE_TIME stop,
                 TLMediaEntry* entry) const;

  int pictureHeight_;
  std::vector<std::unique_ptr<TLMediaEntry>> entries_;
  std::map<std::wstring, int> index_;
};
