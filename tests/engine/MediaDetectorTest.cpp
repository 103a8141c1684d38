#include <wincodec.h>
#include <mmreg.h>
#include <vfwmsgs.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <random>
#include <string>

#include "EngineFilters.h"
#include "EngineObjects.h"
#include "EngineTestSupport.h"
#include "RiffBytes.h"
#include "StillImageReader.h"
#include "TempFolder.h"
#include "TestMedia.h"

namespace {

// An uncompressed 24-bit TGA, width x height, top rows red, bottom rows blue,
// stored bottom-up; or a run-length 32-bit one stored top-down.
std::string Tga(WORD width, WORD height, bool runLength) {
  BYTE header[18] = {};
  header[2] = runLength ? 10 : 2;
  memcpy(header + 12, &width, 2);
  memcpy(header + 14, &height, 2);
  header[16] = runLength ? 32 : 24;
  header[17] = runLength ? 0x28 : 0;  // top-down with 8 alpha bits
  std::string tga(reinterpret_cast<char*>(header), 18);
  const std::string red = runLength ? std::string("\0\0\xff\xff", 4) : std::string("\0\0\xff", 3);
  const std::string blue = runLength ? std::string("\xff\0\0\xff", 4) : std::string("\xff\0\0", 3);
  for (int row = 0; row < height; ++row) {
    bool top = runLength ? row < height / 2 : row >= height / 2;
    if (runLength) {
      tga += char(0x80 | (width - 1));
      tga += top ? red : blue;
    } else {
      for (int x = 0; x < width; ++x) tga += top ? red : blue;
    }
  }
  return tga;
}

enum class Media { kNone, kAvi, kWav, kStill };

class MediaDetectorTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_EQ(S_OK, WriteClip(folder.File(L"clip.avi")));
    ASSERT_TRUE(WriteWholeFile(folder.File(L"tone.wav"), PcmWav(16, 2, 8000, std::vector<int>(1600, 5))));
    ASSERT_TRUE(WriteWholeFile(folder.File(L"still.png"), RedOverBlue(GUID_ContainerFormatPng, 8, 4)));
    detector = NewDetector(Media::kNone);
  }
  void TearDown() override {
    detector.Reset();
    EngineTest::TearDown();
  }

  ComPtr<IMediaDet> NewDetector(Media media) {
    ComPtr<IMediaDet> fresh;
    EXPECT_EQ(S_OK, CoCreateInstance(CLSID_MediaDet, nullptr, CLSCTX_INPROC_SERVER, IID_IMediaDet,
                                     fresh.ReceiveVoid()));
    const wchar_t* names[] = {nullptr, L"clip.avi", L"tone.wav", L"still.png"};
    BSTR name = media == Media::kNone ? nullptr : SysAllocString(folder.File(names[int(media)]).c_str());
    EXPECT_EQ(S_OK, name ? fresh->put_Filename(name) : S_OK);
    SysFreeString(name);
    return fresh;
  }
  HRESULT Detect(const std::wstring& path) {
    BSTR name = SysAllocString(path.c_str());
    HRESULT hr = detector->put_Filename(name);
    SysFreeString(name);
    return hr;
  }
  HRESULT DetectBytes(const wchar_t* name, const std::string& bytes) {
    std::wstring path = folder.File(name);
    EXPECT_TRUE(WriteWholeFile(path, bytes));
    return Detect(path);
  }
  double Length(long stream) {
    double seconds = -1;
    EXPECT_EQ(S_OK, detector->put_CurrentStream(stream));
    EXPECT_EQ(S_OK, detector->get_StreamLength(&seconds));
    return seconds;
  }
  void ExpectNoFile() {
    long count = 7;
    EXPECT_EQ(E_INVALIDARG, detector->get_OutputStreams(&count));
    EXPECT_EQ(7, count);
    BSTR name = reinterpret_cast<BSTR>(1);
    EXPECT_EQ(S_OK, detector->get_Filename(&name));
    EXPECT_EQ(nullptr, name);
  }

  // One 32-bit video stream of width x height whose frame is red over blue,
  // decoded once: the file may change after.
  void ExpectPicture(const std::wstring& path, LONG width, LONG height) {
    long streams = 0;
    ASSERT_EQ(S_OK, detector->get_OutputStreams(&streams));
    ASSERT_EQ(1, streams);
    AM_MEDIA_TYPE type = {};
    EXPECT_EQ(S_OK, detector->get_StreamMediaType(&type));
    EXPECT_TRUE(type.majortype == MEDIATYPE_Video);
    const BITMAPINFOHEADER& bitmap = reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader;
    EXPECT_TRUE(bitmap.biWidth == width && bitmap.biHeight == height && bitmap.biBitCount == 32);
    CoTaskMemFree(type.pbFormat);
    StillImageReader reader;
    ASSERT_EQ(S_OK, reader.Open(path.c_str()));
    std::vector<BYTE> pixels, again;
    ASSERT_EQ(S_OK, reader.ReadFrame(0, 12345678, &pixels));
    ASSERT_EQ(size_t(width) * height * 4, pixels.size());
    const BYTE* first = pixels.data();
    const BYTE* last = pixels.data() + pixels.size() - 4;
    EXPECT_TRUE(abs(255 - first[2]) <= 12 && first[0] <= 12 && first[3] == 255) << "top left red";
    EXPECT_TRUE(abs(255 - last[0]) <= 12 && last[2] <= 12) << "bottom right blue";
    ASSERT_TRUE(WriteWholeFile(path, "no longer a picture"));
    ASSERT_EQ(S_OK, reader.ReadFrame(0, 0, &again));
    EXPECT_EQ(pixels, again);
  }
  // The bitmap GetBitmapBits answers, after checking its size query.
  static std::string Bitmap(IMediaDet* from, double time, long width, long height) {
    long size = 0;
    EXPECT_EQ(S_OK, from->GetBitmapBits(time, &size, nullptr, width, height));
    EXPECT_EQ(long(40 + (width * 3 + 3) / 4 * 4 * height), size);
    std::string bits(size_t(size), '\0');
    EXPECT_EQ(S_OK, from->GetBitmapBits(time, nullptr, &bits[0], width, height));
    return bits;
  }

  TempFolder folder;
  ComPtr<IMediaDet> detector;
};

TEST_F(MediaDetectorTest, StillPicturesAreOneVideoStreamOfFiveSecondsReadTopDown) {
  const struct {
    const wchar_t* name;
    std::string bytes;
    LONG width, height;
  } pictures[] = {{L"a.bmp", RedOverBlue(GUID_ContainerFormatBmp, 37, 20), 37, 20},
                  {L"a.png", RedOverBlue(GUID_ContainerFormatPng, 37, 20), 37, 20},
                  {L"a.jpg", RedOverBlue(GUID_ContainerFormatJpeg, 37, 20), 37, 20},
                  {L"a.gif", RedOverBlue(GUID_ContainerFormatGif, 37, 20), 37, 20},
                  {L"a.tga", Tga(33, 10, false), 33, 10},
                  {L"b.tga", Tga(33, 10, true), 33, 10}};
  for (const auto& picture : pictures) {
    SCOPED_TRACE(picture.name);
    ASSERT_EQ(S_OK, DetectBytes(picture.name, picture.bytes));
    ExpectPicture(folder.File(picture.name), picture.width, picture.height);
    EXPECT_DOUBLE_EQ(5.0, Length(0));
    double rate = 0;
    EXPECT_EQ(S_OK, detector->get_FrameRate(&rate));
    EXPECT_EQ(30.0, rate);
  }
}

TEST_F(MediaDetectorTest, DamagedAndForeignFilesAreRefusedAndLeaveNoFile) {
  const std::string avi = ReadWholeFile(folder.File(L"clip.avi"));
  ASSERT_EQ(S_OK, DetectBytes(L"good.avi", avi));
  // Cut inside the headers; a file cut inside 'movi' opens (AviReaderTest).
  for (size_t cut : {size_t(11), size_t(40), size_t(150), size_t(300)}) {
    SCOPED_TRACE(cut);
    HRESULT hr = DetectBytes(L"cut.avi", avi.substr(0, cut));
    EXPECT_TRUE(hr == VFW_E_FILE_TOO_SHORT || hr == VFW_E_INVALID_FILE_FORMAT) << std::hex << hr;
    ExpectNoFile();
  }
  // A stream list claiming 2 GB; in the video's headers a rate of 0, a
  // length that does not fit in time, and 8 bits without a palette.
  const size_t video = avi.find("vids"), bits = avi.find("strf", video) + 8 + 14;
  const std::pair<size_t, std::string> damages[] = {
      {avi.find("strl") - 4, "\xff\xff\xff\x7f"},
      {video + 24, std::string(4, '\0')},
      {video + 20, std::string("\xff\xff\xff\xff\x01\0\0\0\0\0\0\0\xff\xff\xff\xff", 16)},
      {bits, "\x08"}};
  for (const auto& [at, bytes] : damages) {
    SCOPED_TRACE(at);
    std::string damaged = avi;
    damaged.replace(at, bytes.size(), bytes);
    EXPECT_EQ(at < video ? VFW_E_FILE_TOO_SHORT : VFW_E_INVALID_FILE_FORMAT, DetectBytes(L"damaged.avi", damaged));
  }
  // A TGA cut short, and one of 65535 x 65535, which must not slip through a product that wraps.
  std::string plain = Tga(33, 10, false), huge = Tga(1, 1, true);
  EXPECT_EQ(VFW_E_FILE_TOO_SHORT, DetectBytes(L"cut.tga", plain.substr(0, plain.size() - 1)));
  memcpy(&huge[12], "\xff\xff\xff\xff", 4);
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, DetectBytes(L"huge.tga", huge));

  std::mt19937 random(7);
  std::string noise(4096, '\0');
  for (char& c : noise) c = char(random());
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, DetectBytes(L"noise.dat", noise));
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, DetectBytes(L"noise.png", noise));
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, DetectBytes(L"empty.avi", ""));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), Detect(folder.File(L"missing.avi")));
  ExpectNoFile();

  // A run reaching past the picture's last pixel fails its frame.
  std::string overrun = Tga(33, 10, true);
  overrun[overrun.size() - 5] = char(0xff);
  StillImageReader reader;
  ASSERT_TRUE(WriteWholeFile(folder.File(L"over.tga"), overrun));
  ASSERT_EQ(S_OK, reader.Open(folder.File(L"over.tga").c_str()));
  std::vector<BYTE> pixels;
  EXPECT_EQ(VFW_E_INVALID_FILE_FORMAT, reader.ReadFrame(0, 0, &pixels));
}

// --- The published IMediaDet results, frames, filters and aggregation ---

// Aggregates one engine object: answers IUnknown itself and forwards only
// the iids it lists, so what it holds looks like any other object.
class Outer final : public IUnknown {
 public:
  explicit Outer(std::vector<IID> forwarded) : forwarded_(std::move(forwarded)) {}
  HRESULT Aggregate(const CLSID& clsid) {
    return CoCreateInstance(clsid, this, CLSCTX_INPROC_SERVER, IID_IUnknown, inner.ReceiveVoid());
  }
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    for (const IID& forwarded : forwarded_)
      if (iid == forwarded) return inner->QueryInterface(iid, out);
    *out = iid == IID_IUnknown ? this : nullptr;
    return *out ? AddRef(), S_OK : E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return ++references; }
  STDMETHODIMP_(ULONG) Release() override { return --references; }  // lives on the test's stack

  ComPtr<IUnknown> inner;
  ULONG references = 1;

 private:
  std::vector<IID> forwarded_;
};

// A call of method whose out value starts as junk and must come back null.
template <class T>
std::function<HRESULT(IMediaDet*)> Clears(HRESULT (STDMETHODCALLTYPE IMediaDet::*method)(T*)) {
  return [method](IMediaDet* d) {
    T out = reinterpret_cast<T>(1);
    HRESULT hr = (d->*method)(&out);
    EXPECT_EQ(T(), out);
    return hr;
  };
}

struct Call {
  const char* what;
  Media media;
  HRESULT expected;
  std::function<HRESULT(IMediaDet*)> call;
};

TEST_F(MediaDetectorTest, EveryMethodAnswersThePublishedResultWithoutAFileAndForBadArguments) {
  const double nan = std::nan("");
  const Call calls[] = {
      {"streams", Media::kNone, E_INVALIDARG,
       [](IMediaDet* d) { long n = 7; HRESULT hr = d->get_OutputStreams(&n); EXPECT_EQ(7, n); return hr; }},
      {"current", Media::kNone, E_INVALIDARG, [](IMediaDet* d) { long n = 7; return d->get_CurrentStream(&n); }},
      {"put current", Media::kNone, E_INVALIDARG, [](IMediaDet* d) { return d->put_CurrentStream(0); }},
      {"type", Media::kNone, E_INVALIDARG, [](IMediaDet* d) { GUID g; return d->get_StreamType(&g); }},
      {"media type", Media::kNone, E_INVALIDARG, [](IMediaDet* d) {
         AM_MEDIA_TYPE t = {};
         t.pbFormat = reinterpret_cast<BYTE*>(1);
         HRESULT hr = d->get_StreamMediaType(&t);
         EXPECT_EQ(nullptr, t.pbFormat);
         return hr;
       }},
      {"type text", Media::kNone, E_INVALIDARG, Clears(&IMediaDet::get_StreamTypeB)},
      {"filter", Media::kNone, S_OK, Clears(&IMediaDet::get_Filter)},
      {"name", Media::kNone, S_OK, Clears(&IMediaDet::get_Filename)},
      {"bits", Media::kNone, E_INVALIDARG, [](IMediaDet* d) { long n; return d->GetBitmapBits(0, &n, nullptr, 8, 8); }},
      {"write", Media::kNone, E_INVALIDARG,
       [](IMediaDet* d) { return d->WriteBitmapBits(0, 8, 8, const_cast<BSTR>(L"x.bmp")); }},
      {"grab", Media::kNone, E_INVALIDARG, [](IMediaDet* d) { return d->EnterBitmapGrabMode(0); }},
      {"grabber", Media::kAvi, E_NOINTERFACE, Clears(&IMediaDet::GetSampleGrabber)},
      {"empty name", Media::kAvi, E_INVALIDARG, [](IMediaDet* d) { return d->put_Filename(nullptr); }},
      {"null filter", Media::kAvi, E_POINTER, [](IMediaDet* d) { return d->put_Filter(nullptr); }},
      {"no filter", Media::kAvi, E_NOINTERFACE, [](IMediaDet* d) { return d->put_Filter(d); }},
      {"stream 2", Media::kAvi, E_INVALIDARG, [](IMediaDet* d) { return d->put_CurrentStream(2); }},
      {"null streams", Media::kAvi, E_POINTER, [](IMediaDet* d) { return d->get_OutputStreams(nullptr); }},
      {"null bits", Media::kAvi, E_POINTER, [](IMediaDet* d) { return d->GetBitmapBits(0, nullptr, nullptr, 8, 8); }},
      {"width 0", Media::kAvi, E_INVALIDARG,
       [](IMediaDet* d) { long n; return d->GetBitmapBits(0, &n, nullptr, 0, 8); }},
      {"too large", Media::kAvi, E_INVALIDARG,
       [](IMediaDet* d) { long n; return d->GetBitmapBits(0, &n, nullptr, 100000, 100000); }},
      {"time nan", Media::kAvi, E_INVALIDARG, [nan](IMediaDet* d) { return d->EnterBitmapGrabMode(nan); }},
      {"write no name", Media::kAvi, E_INVALIDARG, [](IMediaDet* d) { return d->WriteBitmapBits(0, 8, 8, nullptr); }},
      {"audio rate", Media::kWav, VFW_E_INVALIDMEDIATYPE,
       [](IMediaDet* d) { double r = 7; HRESULT hr = d->get_FrameRate(&r); EXPECT_EQ(7, r); return hr; }},
      {"audio bits", Media::kWav, VFW_E_INVALIDMEDIATYPE,
       [](IMediaDet* d) { long n; return d->GetBitmapBits(0, &n, nullptr, 8, 8); }},
  };
  for (const Call& call : calls) {
    SCOPED_TRACE(call.what);
    EXPECT_EQ(call.expected, call.call(NewDetector(call.media).Get()));
  }
}

TEST_F(MediaDetectorTest, FramesAreBottomUp24BitBitmapsOfTheTimeScaledToTheSizeAsked) {
  detector = NewDetector(Media::kAvi);
  std::string bitmap = Bitmap(detector.Get(), 0.25, 5, 3);  // frame 6 of 10 at 25 fps
  BITMAPINFOHEADER header = {40, 5, 3, 1, 24, BI_RGB, 48, 0, 0, 0, 0};
  EXPECT_EQ(Bytes(header), bitmap.substr(0, 40));
  EXPECT_EQ(TestFrame(5, 3, 3, 6), bitmap.substr(40));
  EXPECT_EQ(TestFrame(5, 3, 3, 9), Bitmap(detector.Get(), 100.0, 5, 3).substr(40));  // past the end: the last frame
  // Averaged to one pixel, each channel the mean of the frame's, rounded.
  std::string frame = TestFrame(5, 3, 3, 2), mean(4, '\0');
  for (int c = 0; c < 3; ++c) {
    int sum = 0;
    for (int p = 0; p < 15; ++p) sum += BYTE(frame[p / 5 * 16 + p % 5 * 3 + c]);
    mean[c] = char((sum + 7) / 15);
  }
  EXPECT_EQ(mean, Bitmap(detector.Get(), 0.08, 1, 1).substr(40));

  // WriteBitmapBits writes the same bitmap as a file.
  std::wstring path = folder.File(L"frame.bmp");
  BSTR name = SysAllocString(path.c_str());
  ASSERT_TRUE(WriteWholeFile(path, std::string(1000, 'x')));  // written over
  ASSERT_EQ(S_OK, detector->WriteBitmapBits(0.25, 5, 3, name));
  SysFreeString(name);
  BITMAPFILEHEADER fileHeader = {0x4d42, 14 + 40 + 48, 0, 0, 14 + 40};
  EXPECT_EQ(Bytes(fileHeader) + Bitmap(detector.Get(), 0.25, 5, 3), ReadWholeFile(path));

  name = SysAllocString(folder.File(L"no such folder\\frame.bmp").c_str());
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_PATH_NOT_FOUND), detector->WriteBitmapBits(0.25, 5, 3, name));
  SysFreeString(name);

  // Grabbing frames ends stream information, as the reference says.
  long count;
  EXPECT_EQ(E_INVALIDARG, detector->get_OutputStreams(&count));
  EXPECT_EQ(E_INVALIDARG, detector->put_CurrentStream(0));

  // An 8 x 4 still, red over blue, doubled and halved.
  detector = NewDetector(Media::kStill);
  for (long scale : {2, 8}) {
    std::string bits = Bitmap(detector.Get(), 1.0, 2 * scale, scale).substr(40);
    size_t row = size_t(2 * scale * 3 + 3) / 4 * 4, rows = size_t(scale);
    EXPECT_EQ(std::string("\xff\0\0", 3), bits.substr(0, 3));                       // bottom left: blue
    EXPECT_EQ(std::string("\0\0\xff", 3), bits.substr(row * (rows - 1) + 3, 3));  // top: red
  }
}

// Every answer about the streams, in order, and the file name.
std::vector<std::wstring> Describe(IMediaDet* detector) {
  std::vector<std::wstring> lines;
  AM_MEDIA_TYPE type;
  for (long i = 0; detector->put_CurrentStream(i) == S_OK && detector->get_StreamMediaType(&type) == S_OK; ++i) {
    double length = 0, rate = 0;
    detector->get_StreamLength(&length);
    detector->get_FrameRate(&rate);
    wchar_t subtype[40];
    StringFromGUID2(type.subtype, subtype, 40);
    lines.push_back(subtype + (L" " + std::to_wstring(type.cbFormat) + L" " + std::to_wstring(length)) + L" " +
                    std::to_wstring(rate));
    MediaType::Free(&type);
  }
  BSTR name = nullptr;
  detector->get_Filename(&name);
  lines.push_back(name);
  SysFreeString(name);
  return lines;
}

TEST_F(MediaDetectorTest, GetFilterHandsOutTheSourceAndPutFilterTakesItOrAForeignOne) {
  ComPtr<IMediaDet> byName = NewDetector(Media::kAvi);
  ComPtr<IUnknown> source, again;
  ASSERT_EQ(S_OK, byName->get_Filter(source.Receive()));
  CLSID clsid = GUID_NULL;
  source.As<IBaseFilter>(IID_IBaseFilter)->GetClassID(&clsid);
  EXPECT_TRUE(clsid == CLSID_EngineMediaSource);
  // The same filter aggregated by an object that hides what it is: its pins
  // describe it (16-bit PCM of 3 samples at 8 kHz, RGB32 at 25 fps) and its
  // frames come through a graph.
  Outer foreign({IID_IBaseFilter, IID_IMediaFilter, IID_IPersist, IID_IFileSourceFilter});
  ASSERT_EQ(S_OK, foreign.Aggregate(CLSID_EngineMediaSource));
  ASSERT_EQ(S_OK, ComPtr<IUnknown>(&foreign).As<IFileSourceFilter>(IID_IFileSourceFilter)->Load(
                      folder.File(L"clip.avi").c_str(), nullptr));
  std::vector<std::wstring> foreignStreams = {L"{00000001-0000-0010-8000-00AA00389B71} 18 0.000375 0.000000",
                                              L"{E436EB7E-524F-11CE-9F53-0020AF0BA770} 88 0.400000 25.000000",
                                              folder.File(L"clip.avi")};
  for (auto [filter, streams] : {std::pair{source.Get(), Describe(byName.Get())}, {&foreign, foreignStreams}}) {
    ComPtr<IMediaDet> byFilter = NewDetector(Media::kNone);
    ASSERT_EQ(S_OK, byFilter->put_Filter(filter));
    EXPECT_EQ(streams, Describe(byFilter.Get()));
    EXPECT_EQ(Bitmap(byName.Get(), 0.1, 5, 3), Bitmap(byFilter.Get(), 0.1, 5, 3));
    EXPECT_EQ(TestFrame(5, 3, 3, 6), Bitmap(byFilter.Get(), 0.25, 5, 3).substr(40));
    ASSERT_EQ(S_OK, byFilter->get_Filter(again.Receive()));
    EXPECT_EQ(filter, again.Get());
  }
  again.Reset();
  foreign.inner.Reset();
  EXPECT_EQ(1u, foreign.references);
}

struct Aggregable {
  const CLSID* clsid;
  const IID* iid;
};

TEST_F(MediaDetectorTest, TheDetectorAndTheTimelineCanBeAggregated) {
  long live = EngineObjectCount();
  for (const Aggregable& kind : {Aggregable{&CLSID_MediaDet, &IID_IMediaDet}, {&CLSID_AMTimeline, &IID_IAMTimeline}}) {
    Outer outer({*kind.iid});
    IUnknown* refused = reinterpret_cast<IUnknown*>(1);
    // Aggregated objects are made for IUnknown only, as the platform's answer.
    EXPECT_EQ(E_NOINTERFACE, CoCreateInstance(*kind.clsid, &outer, CLSCTX_INPROC_SERVER, *kind.iid,
                                              reinterpret_cast<void**>(&refused)));
    EXPECT_EQ(nullptr, refused);
    ASSERT_EQ(S_OK, outer.Aggregate(*kind.clsid));
    EXPECT_EQ(1u, outer.references);
    ComPtr<IUnknown> facet, identity;
    ASSERT_EQ(S_OK, outer.inner->QueryInterface(IID_IUnknown, identity.ReceiveVoid()));
    EXPECT_EQ(outer.inner.Get(), identity.Get());  // the inner IUnknown does not delegate
    ASSERT_EQ(S_OK, outer.QueryInterface(*kind.iid, facet.ReceiveVoid()));
    EXPECT_EQ(2u, outer.references);  // the interface counts on the outer object
    ASSERT_EQ(S_OK, facet->QueryInterface(IID_IUnknown, identity.ReceiveVoid()));
    EXPECT_EQ(static_cast<IUnknown*>(&outer), identity.Get());
    identity.Reset();
    facet.Reset();
    EXPECT_EQ(1u, outer.references);
    outer.inner.Reset();
    EXPECT_EQ(live, EngineObjectCount());
  }
}

}  // namespace
