// The progress line of a render on standard error: the share done, frames
// (or, without video, times real time) a second, and the time left. On a
// terminal it is redrawn in place a few times a second, elsewhere written
// as a line a second.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <string>

class ProgressLine {
 public:
  // total: the stream time to render; fps: the video frame rate, 0 without video.
  ProgressLine(REFERENCE_TIME total, double fps);

  // position: the stream time written so far.
  void Update(REFERENCE_TIME position);
  // Ends the line with what was done.
  void Finish(REFERENCE_TIME position);

  // The text for position after elapsed seconds; with the time left when left.
  static std::wstring Text(REFERENCE_TIME position, REFERENCE_TIME total, double fps, double elapsed, bool left);

 private:
  static double Now();

  REFERENCE_TIME total_;
  double fps_;
  bool terminal_;
  double start_;
  double shown_ = 0;  // when the line was last written
  size_t width_ = 0;  // of the text last drawn on a terminal
};
