// A group's media type in a project file. The format's own attributes (type,
// width, height, bitdepth, samplingrate) describe only common types, so the
// exact type is written beside them (majortype, subtype, formattype,
// fixedsizesamples, temporalcompression, samplesize, and the format block as
// hexadecimal in format) and preferred when read back.
#pragma once

#include <windows.h>
#include <strmif.h>

class LoadProblems;
class XmlElement;
class XmlWriter;

class MediaTypeAttributes {
 public:
  static void Write(const AM_MEDIA_TYPE& type, XmlWriter& xml);
  // False when the element describes no usable type. The caller frees the
  // format block with CoTaskMemFree.
  static bool Read(const XmlElement& element, AM_MEDIA_TYPE* type, LoadProblems& problems);

 private:
  static bool ReadExact(const XmlElement& element, AM_MEDIA_TYPE* type, LoadProblems& problems);
  static bool ReadCommon(const XmlElement& element, AM_MEDIA_TYPE* type, LoadProblems& problems);
  static bool MakeVideo(const XmlElement& element, AM_MEDIA_TYPE* type, LoadProblems& problems);
  static bool MakeAudio(const XmlElement& element, AM_MEDIA_TYPE* type, LoadProblems& problems);
  static bool FormatFits(const GUID& formatType, ULONG size);
};
