#include "MediaTypeAttributes.h"

#include <dshow.h>
#include <dvdmedia.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "AttributeReader.h"
#include "MediaType.h"
#include "EngineLimits.h"
#include "LoadProblems.h"
#include "ProjectValues.h"
#include "XmlElement.h"
#include "XmlWriter.h"

namespace {

constexpr long kLargestFrameSide = 16384;
constexpr long kDefaultWidth = 320;
constexpr long kDefaultHeight = 240;
constexpr long kDefaultBitDepth = 16;
constexpr long kDefaultSamplingRate = 44100;

bool HasVideoInfo(const AM_MEDIA_TYPE& type) {
  return type.formattype == FORMAT_VideoInfo && type.pbFormat && type.cbFormat >= sizeof(VIDEOINFOHEADER);
}

bool HasWaveFormat(const AM_MEDIA_TYPE& type) {
  return type.formattype == FORMAT_WaveFormatEx && type.pbFormat && type.cbFormat >= sizeof(WAVEFORMATEX);
}

void WriteCommon(const AM_MEDIA_TYPE& type, XmlWriter& xml) {
  if (type.majortype == MEDIATYPE_Video) {
    xml.Attribute(L"type", L"video");
    if (!HasVideoInfo(type)) return;
    const BITMAPINFOHEADER& header = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
    xml.Attribute(L"width", std::to_wstring(header.biWidth));
    xml.Attribute(L"height", std::to_wstring(std::labs(header.biHeight)));
    xml.Attribute(L"bitdepth", std::to_wstring(header.biBitCount));
  } else if (type.majortype == MEDIATYPE_Audio) {
    xml.Attribute(L"type", L"audio");
    if (!HasWaveFormat(type)) return;
    xml.Attribute(L"samplingrate",
                  std::to_wstring(reinterpret_cast<const WAVEFORMATEX*>(type.pbFormat)->nSamplesPerSec));
  }
}

// A whole number of pixels within the frame limits; the format allows
// decimals in sizes.
void ReadSide(const AttributeReader& reader, const wchar_t* name, long fallback, long* side) {
  double value;
  *side = fallback;
  if (!reader.Rate(name, &value)) return;
  if (value < 1 || value > kLargestFrameSide || value != static_cast<long>(value)) {
    reader.Reject(name, E_INVALIDARG);
    return;
  }
  *side = static_cast<long>(value);
}

// 16, 24 or 32 bits; fallback when absent or unusable.
long ReadDepth(const AttributeReader& reader, long fallback) {
  long depth = fallback;
  if (!reader.Has(L"bitdepth") || !reader.Integer(L"bitdepth", 16, 32, &depth)) return fallback;
  if (depth == 16 || depth == 24 || depth == 32) return depth;
  reader.Reject(L"bitdepth", E_INVALIDARG);
  return fallback;
}

const GUID& SubtypeOfDepth(long depth) {
  return depth == 32 ? MEDIASUBTYPE_ARGB32 : depth == 24 ? MEDIASUBTYPE_RGB24 : MEDIASUBTYPE_RGB555;
}

DWORD FrameBytes(const BITMAPINFOHEADER& header) {
  return static_cast<DWORD>((header.biWidth * header.biBitCount / 8 + 3) & ~3) * std::labs(header.biHeight);
}

bool AllocateFormat(AM_MEDIA_TYPE* type, ULONG size) {
  type->pbFormat = static_cast<BYTE*>(CoTaskMemAlloc(size));
  if (!type->pbFormat) return false;
  memset(type->pbFormat, 0, size);
  type->cbFormat = size;
  return true;
}

}  // namespace

void MediaTypeAttributes::Write(const AM_MEDIA_TYPE& type, XmlWriter& xml) {
  if (type.majortype == GUID_NULL) return;
  WriteCommon(type, xml);
  xml.Attribute(L"majortype", FormatGuid(type.majortype));
  xml.Attribute(L"subtype", FormatGuid(type.subtype));
  xml.Attribute(L"formattype", FormatGuid(type.formattype));
  xml.Attribute(L"fixedsizesamples", FormatFlag(type.bFixedSizeSamples));
  xml.Attribute(L"temporalcompression", FormatFlag(type.bTemporalCompression));
  xml.Attribute(L"samplesize", std::to_wstring(type.lSampleSize));
  xml.Attribute(L"format", FormatHex(type.pbFormat, type.pbFormat ? type.cbFormat : 0));
}

HRESULT MediaTypeAttributes::Read(const XmlElement& element, AM_MEDIA_TYPE* type, LoadProblems& problems) {
  *type = AM_MEDIA_TYPE{};
  bool exact = element.HasAttribute(L"majortype");
  if (!exact && !element.HasAttribute(L"type")) return S_FALSE;
  if (exact && ReadExact(element, type, problems)) {
    if (type->majortype == GUID_NULL) {
      MediaType::Free(type);  // how earlier versions wrote a group without a type
      return S_FALSE;
    }
    if (!element.HasAttribute(L"type") || FollowCommon(element, type, problems)) return S_OK;
    MediaType::Free(type);
  }
  return ReadCommon(element, type, problems) ? S_OK : VFW_E_INVALIDMEDIATYPE;
}

// The renderer trusts the format block, so it must be as large as its kind.
bool MediaTypeAttributes::FormatFits(const GUID& formatType, ULONG size) {
  if (size > kLargestGroupFormat) return false;
  if (formatType == FORMAT_VideoInfo) return size >= sizeof(VIDEOINFOHEADER);
  if (formatType == FORMAT_VideoInfo2) return size >= sizeof(VIDEOINFOHEADER2);
  if (formatType == FORMAT_WaveFormatEx) return size >= sizeof(WAVEFORMATEX);
  return true;
}

bool MediaTypeAttributes::ReadExact(const XmlElement& element, AM_MEDIA_TYPE* type, LoadProblems& problems) {
  AttributeReader reader(element, problems);
  AM_MEDIA_TYPE exact = {};
  std::vector<BYTE> format;
  long sampleSize = 0;
  bool good = reader.Guid(L"majortype", &exact.majortype);
  good = good && (!reader.Has(L"subtype") || reader.Guid(L"subtype", &exact.subtype));
  good = good && (!reader.Has(L"formattype") || reader.Guid(L"formattype", &exact.formattype));
  good = good && (!reader.Has(L"fixedsizesamples") || reader.Flag(L"fixedsizesamples", &exact.bFixedSizeSamples));
  good = good &&
         (!reader.Has(L"temporalcompression") || reader.Flag(L"temporalcompression", &exact.bTemporalCompression));
  good = good && (!reader.Has(L"samplesize") || reader.Integer(L"samplesize", 0, LONG_MAX, &sampleSize));
  good = good && (!reader.Has(L"format") || reader.Hex(L"format", &format));
  if (good && !FormatFits(exact.formattype, static_cast<ULONG>(format.size()))) {
    reader.Reject(L"format", E_INVALIDARG);
    good = false;
  }
  if (!good) return false;
  exact.lSampleSize = static_cast<ULONG>(sampleSize);
  if (!format.empty()) {
    if (!AllocateFormat(&exact, static_cast<ULONG>(format.size()))) return false;
    memcpy(exact.pbFormat, format.data(), format.size());
  }
  *type = exact;
  return true;
}

bool MediaTypeAttributes::ReadCommon(const XmlElement& element, AM_MEDIA_TYPE* type, LoadProblems& problems) {
  AttributeReader reader(element, problems);
  std::wstring kind;
  if (!reader.Text(L"type", &kind)) return false;  // the exact attributes were reported
  if (kind == L"video") return MakeVideo(element, type, problems);
  if (kind == L"audio") return MakeAudio(element, type, problems);
  reader.Reject(L"type", VFW_E_INVALID_FILE_FORMAT);
  return false;
}

bool MediaTypeAttributes::MakeVideo(const XmlElement& element, AM_MEDIA_TYPE* type, LoadProblems& problems) {
  AttributeReader reader(element, problems);
  long width, height, depth = ReadDepth(reader, kDefaultBitDepth);
  ReadSide(reader, L"width", kDefaultWidth, &width);
  ReadSide(reader, L"height", kDefaultHeight, &height);
  return FillVideo(width, height, depth, type);
}

bool MediaTypeAttributes::FillVideo(long width, long height, long depth, AM_MEDIA_TYPE* type) {
  if (!AllocateFormat(type, sizeof(VIDEOINFOHEADER))) return false;
  BITMAPINFOHEADER& header = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader;
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = static_cast<WORD>(depth);
  header.biCompression = BI_RGB;
  header.biSizeImage = FrameBytes(header);
  type->majortype = MEDIATYPE_Video;
  type->subtype = SubtypeOfDepth(depth);
  type->formattype = FORMAT_VideoInfo;
  type->bFixedSizeSamples = TRUE;
  type->lSampleSize = header.biSizeImage;
  return true;
}

bool MediaTypeAttributes::MakeAudio(const XmlElement& element, AM_MEDIA_TYPE* type, LoadProblems& problems) {
  AttributeReader reader(element, problems);
  long rate = kDefaultSamplingRate;
  if (reader.Has(L"samplingrate") && !reader.Integer(L"samplingrate", 1000, 768000, &rate)) {
    rate = kDefaultSamplingRate;
  }
  return FillAudio(rate, type);
}

bool MediaTypeAttributes::FillAudio(long rate, AM_MEDIA_TYPE* type) {
  if (!AllocateFormat(type, sizeof(WAVEFORMATEX))) return false;
  WAVEFORMATEX& wave = *reinterpret_cast<WAVEFORMATEX*>(type->pbFormat);
  wave.wFormatTag = WAVE_FORMAT_PCM;
  wave.nChannels = 2;
  wave.wBitsPerSample = 16;
  wave.nBlockAlign = 4;
  wave.nSamplesPerSec = rate;
  wave.nAvgBytesPerSec = rate * 4;
  type->majortype = MEDIATYPE_Audio;
  type->subtype = MEDIASUBTYPE_PCM;
  type->formattype = FORMAT_WaveFormatEx;
  type->bFixedSizeSamples = TRUE;
  type->lSampleSize = 4;
  return true;
}

HRESULT MediaTypeAttributes::Default(bool video, AM_MEDIA_TYPE* type) {
  *type = AM_MEDIA_TYPE{};
  bool made = video ? FillVideo(kDefaultWidth, kDefaultHeight, kDefaultBitDepth, type)
                    : FillAudio(kDefaultSamplingRate, type);
  return made ? S_OK : E_OUTOFMEMORY;
}

// The format's own attributes may have been edited by hand after the exact
// type was written; where they disagree with it, they win. False when they
// name another kind of media, so that the type is made from them alone.
bool MediaTypeAttributes::FollowCommon(const XmlElement& element, AM_MEDIA_TYPE* type, LoadProblems& problems) {
  AttributeReader reader(element, problems);
  std::wstring kind;
  reader.Text(L"type", &kind);
  if (kind != L"video" && kind != L"audio") {
    reader.Reject(L"type", VFW_E_INVALID_FILE_FORMAT);
    return true;
  }
  if ((kind == L"video") != (type->majortype == MEDIATYPE_Video)) return false;
  if (HasVideoInfo(*type)) {
    BITMAPINFOHEADER& header = reinterpret_cast<VIDEOINFOHEADER*>(type->pbFormat)->bmiHeader;
    long width, height, depth = ReadDepth(reader, header.biBitCount);
    ReadSide(reader, L"width", header.biWidth, &width);
    ReadSide(reader, L"height", std::labs(header.biHeight), &height);
    if (depth == header.biBitCount && width == header.biWidth && height == std::labs(header.biHeight)) return true;
    if (depth != header.biBitCount) {
      header.biBitCount = static_cast<WORD>(depth);
      header.biCompression = BI_RGB;
      type->subtype = SubtypeOfDepth(depth);
      type->cbFormat = sizeof(VIDEOINFOHEADER);  // colour masks belong to the old depth
    }
    header.biWidth = width;
    header.biHeight = header.biHeight < 0 ? -height : height;
    header.biSizeImage = FrameBytes(header);
    if (type->bFixedSizeSamples) type->lSampleSize = header.biSizeImage;
  } else if (HasWaveFormat(*type)) {
    WAVEFORMATEX& wave = *reinterpret_cast<WAVEFORMATEX*>(type->pbFormat);
    long rate = wave.nSamplesPerSec;
    if (reader.Has(L"samplingrate") && reader.Integer(L"samplingrate", 1000, 768000, &rate) &&
        static_cast<DWORD>(rate) != wave.nSamplesPerSec) {
      wave.nSamplesPerSec = rate;
      wave.nAvgBytesPerSec = rate * wave.nBlockAlign;
    }
  }
  return true;
}
