// The streams of the media file last examined with the editing services'
// media detector (CLSID_MediaDet), in stream order.
#pragma once

#include <vector>

#include "EditingServices.h"
#include "StreamInfo.h"

class MediaStreams {
 public:
  // Forgets the previous file's streams, then lists path's. Answers the
  // detector's failure (or a positive answer other than S_OK from
  // put_Filename) with no streams listed.
  HRESULT DetectMedia(const wchar_t* path);
  void Clear() {
    streams_.clear();
    still_ = false;
  }
  // A picture: the readers take RIFF files (AVI, WAV) as timed media and
  // anything else they read as a still, whose length is only nominal.
  bool IsStill() const { return still_; }

  // Why a file cannot be used, in words, for a failure of DetectMedia.
  static const wchar_t* Reason(HRESULT result);

  int Count() const { return static_cast<int>(streams_.size()); }
  // Null for an index out of range.
  const StreamInfo* At(long index) const;

  // Seconds to interface time, truncating; 0 for a negative or unknown length,
  // and never so large that ten times it overflows REFERENCE_TIME.
  static int64_t LengthFromSeconds(double seconds);

 private:
  static StreamInfo ReadStream(IMediaDet* detector, long index);

  std::vector<StreamInfo> streams_;
  bool still_ = false;
};
