// Turns a video stream's stored frames into top-down 32-bit BGRA pictures
// (alpha 255) of the stream's size. One decoder serves one stream and is
// used from one thread at a time.
#pragma once

#include <windows.h>

#include <vector>

class FrameDecoder {
 public:
  virtual ~FrameDecoder() = default;

  // Whether a frame is drawn over the ones before it, so that frame n must
  // be reached by decoding from a key frame on.
  virtual bool Temporal() const = 0;
  // Whether decoding a frame again costs no more than copying it from a
  // cache, so that keeping copies would only slow reading down.
  virtual bool Cheap() const { return false; }
  // Decodes one stored frame (key false for a delta frame). pixels may be
  // null for a frame decoded only to reach a later one; otherwise it receives
  // width * height * 4 bytes. A damaged frame is an error, never a picture.
  virtual HRESULT Decode(const BYTE* frame, size_t size, bool key, std::vector<BYTE>* pixels) = 0;
  // The palette of a paletted format from the next frame on (a stream's
  // palette changes); formats without one ignore it.
  virtual void SetPalette(const RGBQUAD* colours, size_t count) {
    (void)colours;
    (void)count;
  }
};
