// A fixture with COM, the engine's classes and one timeline, which checks
// after every test that no engine object is left alive.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ComPtr.h"
#include "EditingServices.h"

// Keeps every line the engine reports.
class RecordingErrorLog final : public IAMErrorLog {
 public:
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override { return ++references_; }
  STDMETHODIMP_(ULONG) Release() override { return --references_; }  // owned by the fixture
  STDMETHODIMP LogError(long severity, BSTR text, long errorCode, long result,
                        VARIANT* extra) override;

  std::vector<std::wstring> lines;
  std::vector<long> codes;
  std::vector<std::wstring> extras;  // the extra value as text, or empty

 private:
  ULONG references_ = 1;
};

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  ComPtr<IAMTimelineObj> NewNode(TIMELINE_MAJOR_TYPE kind);
  // A group appended to the timeline, with a media type and a name.
  ComPtr<IAMTimelineObj> AddGroup(const wchar_t* name, AM_MEDIA_TYPE* type);
  // A track appended to a group or composition.
  ComPtr<IAMTimelineObj> AddTrack(IAMTimelineObj* parent, const wchar_t* name);
  ComPtr<IAMTimelineObj> AddSource(IAMTimelineObj* track, REFERENCE_TIME start,
                                   REFERENCE_TIME stop, const wchar_t* media = L"clip.avi");
  ComPtr<IAMTimelineObj> AddEffect(IAMTimelineObj* parent, REFERENCE_TIME start,
                                   REFERENCE_TIME stop);
  ComPtr<IAMTimelineObj> AddTransition(IAMTimelineObj* parent, REFERENCE_TIME start,
                                       REFERENCE_TIME stop);

  // Outlives the timeline, so a test may register it with put_ErrorLog.
  RecordingErrorLog errorLog;
  ComPtr<IAMTimeline> timeline;

 private:
  long liveAtStart_ = 0;
};

// Media types as a new project's groups have them; free with ClearMediaType.
AM_MEDIA_TYPE MakeVideoType(LONG width, LONG height, WORD bits);
AM_MEDIA_TYPE MakeAudioType(DWORD rate);
void ClearMediaType(AM_MEDIA_TYPE* type);

// A property value as the application writes it: a string. Clear v after use.
DEXTER_VALUE TextValue(const wchar_t* text, REFERENCE_TIME time, DWORD interp = DEXTERF_JUMP);

std::wstring NameOf(IAMTimelineObj* object);
// The timeline in the project format (IXml2Dex::WriteXML).
std::wstring ProjectText(IAMTimeline* timeline);
void SetName(IAMTimelineObj* object, const wchar_t* name);
// The names of a track's sources in the order GetNextSrcEx gives them.
std::vector<std::wstring> SourceNames(IAMTimelineObj* track);

