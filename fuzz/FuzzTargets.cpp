#include "FuzzTargets.h"

#include <windows.h>
#include <dshow.h>

#include <cstdio>
#include <memory>

#include "ComPtr.h"
#include "CountingErrorLog.h"
#include "EditingServices.h"
#include "FuzzAppTargets.h"
#include "FuzzSeeds.h"
#include "MediaReaders.h"
#include "ProjectWriter.h"
#include "TempFolder.h"
#include "TimelineDescription.h"

namespace {

bool Fail(std::string* problem, const std::string& text) {
  *problem = text;
  return false;
}

std::string Failed(const char* what, HRESULT hr) {
  char text[160];
  snprintf(text, sizeof text, "%s (0x%08lx)", what, static_cast<unsigned long>(hr));
  return text;
}

// --- Projects ---

HRESULT NewTimeline(ComPtr<IAMTimeline>* timeline, IAMErrorLog* log) {
  HRESULT hr = CoCreateInstance(CLSID_AMTimeline, nullptr, CLSCTX_INPROC_SERVER, IID_IAMTimeline,
                                timeline->ReceiveVoid());
  if (FAILED(hr)) return hr;
  auto setLog = timeline->As<IAMSetErrorLog>(IID_IAMSetErrorLog);
  return setLog ? setLog->put_ErrorLog(log) : E_NOINTERFACE;
}

HRESULT ReadXml(IAMTimeline* timeline, const std::wstring& path) {
  ComPtr<IXml2Dex> xml;
  HRESULT hr = CoCreateInstance(CLSID_Xml2Dex, nullptr, CLSCTX_INPROC_SERVER, IID_IXml2Dex, xml.ReceiveVoid());
  BSTR name = SysAllocStringLen(path.data(), UINT(path.size()));
  if (SUCCEEDED(hr) && !name) hr = E_OUTOFMEMORY;
  if (SUCCEEDED(hr)) hr = xml->ReadXMLFile(timeline, name);
  SysFreeString(name);
  return hr;
}

// The first line in which two descriptions differ, as "before | after".
std::string FirstDifference(const std::wstring& before, const std::wstring& after) {
  size_t at = 0;
  while (at < before.size() && at < after.size() && before[at] == after[at]) ++at;
  size_t line = before.rfind(L'\n', at);
  line = line == std::wstring::npos ? 0 : line + 1;
  auto lineOf = [line](const std::wstring& text) {
    std::wstring part = text.substr(line, text.find(L'\n', line) - line).substr(0, 300);
    return std::string(part.begin(), part.end());
  };
  return lineOf(before) + " | " + lineOf(after);
}

// A refused file leaves the timeline empty; whatever was read is written, and
// that file reads back the same without a problem.
bool RunProject(const std::wstring& path, std::string* problem) {
  CountingErrorLog loadProblems, rereadProblems;  // outlive the timelines
  ComPtr<IAMTimeline> first, second;
  HRESULT hr = NewTimeline(&first, &loadProblems);
  if (SUCCEEDED(hr)) hr = NewTimeline(&second, &rereadProblems);
  if (FAILED(hr)) return Fail(problem, Failed("no timeline", hr));
  long groups = 0;
  if (FAILED(ReadXml(first.Get(), path))) {
    first->GetGroupCount(&groups);
    if (groups) *problem = "a refused file left groups in the timeline";
    return groups == 0;
  }
  // What WriteXMLFile writes, without its synced replace, which would take
  // most of the time of an input.
  std::wstring copy = path + L".again.mvp";
  ProjectWriter writer;
  hr = writer.Write(first.Get());
  if (SUCCEEDED(hr) && !WriteWholeFile(copy, writer.Xml().Utf8Document())) hr = E_FAIL;
  if (FAILED(hr)) return Fail(problem, Failed("what was read could not be written", hr));
  hr = ReadXml(second.Get(), copy);
  DeleteFileW(copy.c_str());
  if (FAILED(hr)) return Fail(problem, Failed("what was written could not be read", hr));
  if (rereadProblems.reports) {
    const std::wstring& first = rereadProblems.first;
    return Fail(problem, "what was written read back with problems: " + std::string(first.begin(), first.end()));
  }
  std::wstring read = DescribeTimeline(first.Get()), reread = DescribeTimeline(second.Get());
  if (read != reread) return Fail(problem, "what was written read back different: " + FirstDifference(read, reread));
  return true;
}

// --- Media ---

bool CheckFrame(const MediaStream& stream, const std::vector<BYTE>& pixels, std::string* problem) {
  const AM_MEDIA_TYPE& type = stream.type.Get();
  if (type.formattype != FORMAT_VideoInfo || !type.pbFormat || type.cbFormat < sizeof(VIDEOINFOHEADER)) {
    return Fail(problem, "a video stream without a VIDEOINFOHEADER");
  }
  const BITMAPINFOHEADER& bitmap = reinterpret_cast<const VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
  unsigned long long height = bitmap.biHeight < 0 ? 0ull - bitmap.biHeight : bitmap.biHeight;
  if (bitmap.biWidth < 0 || pixels.size() != (unsigned long long)bitmap.biWidth * height * 4) {
    return Fail(problem, "a frame of another size than its stream's");
  }
  return true;
}

// Video frames and audio at the start, the middle, the end and past it.
bool ReadStream(MediaReader& reader, int number, std::string* problem) {
  const MediaStream& stream = reader.Streams()[number];
  bool video = stream.type.Get().majortype == MEDIATYPE_Video;
  if (!video && stream.type.Get().majortype != MEDIATYPE_Audio) {
    return Fail(problem, "a stream neither video nor audio");
  }
  if (stream.length < 0) return Fail(problem, "a stream of negative length");
  const REFERENCE_TIME times[] = {0, stream.length / 2, stream.length ? stream.length - 1 : 0,
                                  stream.length + kUnitsPerSecond};
  const WAVEFORMATEX format = {WAVE_FORMAT_PCM, 2, 44100, 44100 * 4, 4, 16, 0};
  const DWORD frames = 1000;
  for (REFERENCE_TIME time : times) {
    std::vector<BYTE> data;
    HRESULT hr = video ? reader.ReadFrame(number, time, &data) : reader.ReadAudio(number, time, format, frames, &data);
    if (hr != S_OK) continue;
    if (video && !CheckFrame(stream, data, problem)) return false;
    if (!video && data.size() != frames * format.nBlockAlign) {
      return Fail(problem, "audio of another size than asked");
    }
  }
  return true;
}

bool RunMedia(const std::wstring& path, std::string* problem) {
  std::unique_ptr<MediaReader> reader;
  if (FAILED(MediaReaders::Open(path.c_str(), &reader))) return true;
  if (!reader) return Fail(problem, "opened without a reader");
  for (size_t i = 0; i < reader->Streams().size() && i < 4; ++i) {
    if (!ReadStream(*reader, int(i), problem)) return false;
  }
  return true;
}

}  // namespace

const std::vector<FuzzTarget>& FuzzTargets() {
  static const std::vector<std::string> riffTokens = {"RIFF", "LIST", "fmt ", "data", "fact", "idx1", "movi", "hdrl",
                                                      "strl", "strh", "strf", "avih", "00db", "00dc", "01wb", "vids",
                                                      "auds", "indx", "odml", "JUNK", "AVI ", "WAVE"};
  static const std::vector<FuzzTarget> targets = {
      {"project", L".mvp", ProjectSeeds,
       {"<group type=\"video\">", "</group>", "<track>", "</track>", "<composite>", "</composite>",
        "<clip start=\"0\" stop=\"1\"/>", "<effect start=\"0\" stop=\"1\">", "</effect>", "<transition stop=\"2\"/>",
        "<param name=\"p\" value=\"1\">", "</param>", "<linear time=\"1\" value=\"2\"/>", "<at time=\"0\"/>",
        " vt=\"7\"", " vt=\"14\"", " vt=\"13\"", "99999999999999999999", "-1", "1e308", "NaN", "0.0000001",
        "360000000.0000001", " exactusername=\"D800\"", " exactname=\"0000\"", " format=\"FFFF\"",
        " majortype=\"{73646976-0000-0010-8000-00AA00389B71}\"", " type=\"audio\"", " insertmode=\"7\"", "&#0;",
        "&amp;", "<!DOCTYPE t [<!ENTITY e \"x\">]>", "&e;", "]]>", "<![CDATA[x]]>", "<!-- -->", "\xEF\xBB\xBF"},
       RunProject},
      {"tga", L".tga", TgaSeeds, {}, RunMedia},
      {"wav", L".wav", WavSeeds, riffTokens, RunMedia},
      {"avi", L".avi", AviSeeds, riffTokens, RunMedia},
      {"still", L".img", StillSeeds,
       {"BM", "\x89PNG\r\n\x1a\n", "IHDR", "IDAT", "PLTE", "tRNS", "IEND", "\xFF\xD8", "\xFF\xC0", "\xFF\xC2",
        "\xFF\xC4", "\xFF\xDB", "\xFF\xDA", "\xFF\xD9", "GIF89a", "NETSCAPE2.0", "II*", "MM\0*"},
       RunMedia},
      {"catalog", L".xml", CatalogSeeds,
       {"<Effect GUID=\"{9CEA6E51-BE5B-42D8-AB7B-633AA2C0D448}\">", "</Effect>", "<Param Name=\"p\"",
        " ValuesList=\"Colors\"", " ValuesList=\"\"", "<ValuesList Name=\"Colors\">", "</ValuesList>",
        "<Item Value=\"1\" Name=\"x\"/>", "\"]", "'", "&amp;", "&#0;", "<!DOCTYPE d [<!ENTITY e \"x\">]>", "&e;",
        "<![CDATA[x]]>", "\xEF\xBB\xBF"},
       RunCatalog},
      {"time", L".txt", TimeTextSeeds, {"0", "9", ":", ",", "-", "+", " ", "99999999999999999999"}, RunTimeText},
  };
  return targets;
}
