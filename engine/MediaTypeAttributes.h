// A group's media type in a project file. The format's own attributes (type,
// width, height, bitdepth, samplingrate) describe only common types, so the
// exact type is written beside them (majortype, subtype, formattype,
// fixedsizesamples, temporalcompression, samplesize, and the format block as
// hexadecimal in format) and read back, except where the format's own
// attributes, edited by hand, disagree with it: those win. A group that has no
// media type yet (no major type) is written without any of these and read
// back without a type.
#pragma once

#include <windows.h>
#include <strmif.h>

class LoadProblems;
class XmlElement;
class XmlWriter;

class MediaTypeAttributes {
 public:
  static void Write(const AM_MEDIA_TYPE& type, XmlWriter& xml);
  // S_OK with the type, S_FALSE when the element gives none, or
  // VFW_E_INVALIDMEDIATYPE (reported) when the type it gives is unusable. The
  // caller frees the format block with CoTaskMemFree.
  static HRESULT Read(const XmlElement& element, AM_MEDIA_TYPE* type, LoadProblems& problems);
  // What a group element of a kind with none of the format's own attributes
  // gives: 320 x 240 RGB 555 video, or 16-bit stereo PCM at 44.1 kHz.
  static HRESULT Default(bool video, AM_MEDIA_TYPE* type);

 private:
  static bool ReadExact(const XmlElement& element, AM_MEDIA_TYPE* type, LoadProblems& problems);
  static bool FollowCommon(const XmlElement& element, AM_MEDIA_TYPE* type, LoadProblems& problems);
  static bool ReadCommon(const XmlElement& element, AM_MEDIA_TYPE* type, LoadProblems& problems);
  static bool MakeVideo(const XmlElement& element, AM_MEDIA_TYPE* type, LoadProblems& problems);
  static bool MakeAudio(const XmlElement& element, AM_MEDIA_TYPE* type, LoadProblems& problems);
  static bool FillVideo(long width, long height, long depth, AM_MEDIA_TYPE* type);
  static bool FillAudio(long rate, AM_MEDIA_TYPE* type);
  static bool FormatFits(const GUID& formatType, ULONG size);
};
