#include <gtest/gtest.h>

#include "EngineObjects.h"
#include "EngineTestSupport.h"

namespace {

template <class I>
ComPtr<I> Query(const ComPtr<IAMTimelineObj>& object, REFIID iid) {
  return object.As<I>(iid);
}

ComPtr<IAMTimelineObj> GroupAt(IAMTimeline* timeline, long index) {
  ComPtr<IAMTimelineObj> group;
  EXPECT_EQ(S_OK, timeline->GetGroup(group.Receive(), index));
  return group;
}

ComPtr<IAMTimelineObj> TrackAt(const ComPtr<IAMTimelineObj>& group, long index) {
  ComPtr<IAMTimelineObj> track;
  Query<IAMTimelineComp>(group, IID_IAMTimelineComp)->GetVTrack(track.Receive(), index);
  return track;
}

std::vector<std::wstring> TrackNames(const ComPtr<IAMTimelineObj>& group) {
  long count = 0;
  Query<IAMTimelineComp>(group, IID_IAMTimelineComp)->VTrackGetCount(&count);
  std::vector<std::wstring> names;
  for (long i = 0; i < count; ++i) names.push_back(NameOf(TrackAt(group, i).Get()));
  return names;
}

using Names = std::vector<std::wstring>;

class TimelineTest : public EngineTest {};

TEST_F(TimelineTest, NewProjectShapeReadsBackThroughTheInterfaces) {
  AM_MEDIA_TYPE video = MakeVideoType(640, 480, 24);
  AM_MEDIA_TYPE audio = MakeAudioType(44100);
  ComPtr<IAMTimelineObj> videoGroup = AddGroup(L"Video group", &video);
  AddTrack(videoGroup.Get(), L"Track_0");
  AddTrack(videoGroup.Get(), L"Track_1");
  AddTrack(AddGroup(L"Audio group", &audio).Get(), L"Track_0");
  ClearMediaType(&video);  // the groups hold their own copies
  ClearMediaType(&audio);

  long groups = 0;
  timeline->GetGroupCount(&groups);
  ASSERT_EQ(2, groups);
  EXPECT_EQ(L"Video group", NameOf(GroupAt(timeline.Get(), 0).Get()));
  EXPECT_EQ((Names{L"Track_0", L"Track_1"}), TrackNames(GroupAt(timeline.Get(), 0)));
  EXPECT_EQ((Names{L"Track_0"}), TrackNames(GroupAt(timeline.Get(), 1)));

  AM_MEDIA_TYPE type;
  auto videoInfo = Query<IAMTimelineGroup>(GroupAt(timeline.Get(), 0), IID_IAMTimelineGroup);
  ASSERT_EQ(S_OK, videoInfo->GetMediaType(&type));
  EXPECT_EQ(MEDIATYPE_Video, type.majortype);
  EXPECT_EQ(921600u, reinterpret_cast<VIDEOINFOHEADER*>(type.pbFormat)->bmiHeader.biSizeImage);
  type.pbFormat[0] = 0xFF;  // a copy: scribbling on it changes nothing
  ClearMediaType(&type);
  ASSERT_EQ(S_OK, videoInfo->GetMediaType(&type));
  EXPECT_NE(0xFF, type.pbFormat[0]);
  ClearMediaType(&type);

  Query<IAMTimelineGroup>(GroupAt(timeline.Get(), 1), IID_IAMTimelineGroup)->GetMediaType(&type);
  auto* wave = reinterpret_cast<WAVEFORMATEX*>(type.pbFormat);
  EXPECT_EQ(MEDIATYPE_Audio, type.majortype);
  EXPECT_EQ(44100u, wave->nSamplesPerSec);
  EXPECT_EQ(2, wave->nChannels);
  ClearMediaType(&type);

  // Groups take the timeline's frame rate until they are given their own.
  timeline->SetDefaultFPS(30);
  double fps = 0;
  videoInfo->GetOutputFPS(&fps);
  EXPECT_EQ(30, fps);
  videoInfo->SetOutputFPS(25);
  timeline->SetDefaultFPS(24);
  videoInfo->GetOutputFPS(&fps);
  EXPECT_EQ(25, fps);

  long priority = -1;
  Query<IAMTimelineGroup>(GroupAt(timeline.Get(), 1), IID_IAMTimelineGroup)->GetPriority(&priority);
  EXPECT_EQ(1, priority);
  EXPECT_EQ(E_INVALIDARG, timeline->GetGroup(ComPtr<IAMTimelineObj>().Receive(), 2));

  timeline->ClearAllGroups();
  timeline->GetGroupCount(&groups);
  EXPECT_EQ(0, groups);
}

TEST_F(TimelineTest, SourcesComeBackInTimeOrderAndFollowTimeChanges) {
  AM_MEDIA_TYPE video = MakeVideoType(64, 48, 24);
  ComPtr<IAMTimelineObj> track = AddTrack(AddGroup(L"g", &video).Get(), L"t");
  ClearMediaType(&video);
  SetName(AddSource(track.Get(), 300, 400).Get(), L"c");
  SetName(AddSource(track.Get(), 100, 200).Get(), L"a");
  ComPtr<IAMTimelineObj> late = AddSource(track.Get(), 200, 300);
  SetName(late.Get(), L"b");
  SetName(AddSource(track.Get(), 100, 150).Get(), L"a0");  // same start, shorter
  EXPECT_EQ((Names{L"a0", L"a", L"b", L"c"}), SourceNames(track.Get()));

  // Moving a placed source keeps the order true.
  ASSERT_EQ(S_OK, late->SetStartStop(500, 777));
  EXPECT_EQ((Names{L"a0", L"a", L"c", L"b"}), SourceNames(track.Get()));
  REFERENCE_TIME duration = 0;
  timeline->GetDuration(&duration);
  EXPECT_EQ(777, duration);

  // A source from another track is no position in this one.
  ComPtr<IAMTimelineObj> stranger = NewNode(TIMELINE_MAJOR_TYPE_SOURCE);
  ComPtr<IAMTimelineObj> next;
  EXPECT_EQ(E_INVALIDARG, Query<IAMTimelineTrack>(track, IID_IAMTimelineTrack)
                              ->GetNextSrcEx(stranger.Get(), next.Receive()));
}

TEST_F(TimelineTest, TransitionsWalkInTimeOrderAndNeverOverlap) {
  AM_MEDIA_TYPE video = MakeVideoType(64, 48, 24);
  ComPtr<IAMTimelineObj> track = AddTrack(AddGroup(L"g", &video).Get(), L"t");
  ClearMediaType(&video);
  SetName(AddTransition(track.Get(), 50, 80).Get(), L"late");
  SetName(AddTransition(track.Get(), 10, 20).Get(), L"early");
  SetName(AddTransition(track.Get(), 20, 21).Get(), L"tiny");
  SetName(AddTransition(track.Get(), 0, 1).Get(), L"first");

  auto transable = Query<IAMTimelineTransable>(track, IID_IAMTimelineTransable);
  long count = 0;
  transable->TransGetCount(&count);
  ASSERT_EQ(4, count);
  // Each walk from 0 meets them all, whatever walks came before it.
  const Names all = {L"first", L"early", L"tiny", L"late"};
  for (long length : {count, 1L, count}) {
    Names walked;
    REFERENCE_TIME time = 0;
    for (long i = 0; i < length; ++i) {
      ComPtr<IAMTimelineObj> next;
      ASSERT_EQ(S_OK, transable->GetNextTrans(next.Receive(), &time)) << i;
      walked.push_back(NameOf(next.Get()));
    }
    EXPECT_EQ(Names(all.begin(), all.begin() + length), walked);
  }

  // Empty transitions could not be told apart from the next in a walk by time.
  ComPtr<IAMTimelineObj> empty = NewNode(TIMELINE_MAJOR_TYPE_TRANSITION);
  EXPECT_EQ(E_INVALIDARG, transable->TransAdd(empty.Get()));
  ComPtr<IAMTimelineObj> overlapping = NewNode(TIMELINE_MAJOR_TYPE_TRANSITION);
  overlapping->SetStartStop(15, 60);
  EXPECT_EQ(E_INVALIDARG, transable->TransAdd(overlapping.Get()));
  ComPtr<IAMTimelineObj> placed;
  REFERENCE_TIME time = 0;
  transable->GetNextTrans(placed.Receive(), &time);
  EXPECT_EQ(E_INVALIDARG, placed->SetStartStop(0, 60));  // would cover "early"
  EXPECT_EQ(E_INVALIDARG, placed->SetStartStop(1, 1));
  // Moving part of the track may not push one transition onto another.
  auto moving = Query<IAMTimelineTrack>(track, IID_IAMTimelineTrack);
  EXPECT_EQ(E_INVALIDARG, moving->MoveEverythingBy(50, -40));
  EXPECT_EQ(S_OK, moving->MoveEverythingBy(50, 10));
}

TEST_F(TimelineTest, EffectsKeepInsertionOrderAndSwap) {
  AM_MEDIA_TYPE video = MakeVideoType(64, 48, 24);
  ComPtr<IAMTimelineObj> track = AddTrack(AddGroup(L"g", &video).Get(), L"t");
  ClearMediaType(&video);
  SetName(AddEffect(track.Get(), 900, 1000).Get(), L"first");
  SetName(AddEffect(track.Get(), 0, 10).Get(), L"second");
  ComPtr<IAMTimelineObj> front = NewNode(TIMELINE_MAJOR_TYPE_EFFECT);
  SetName(front.Get(), L"front");
  auto effectable = Query<IAMTimelineEffectable>(track, IID_IAMTimelineEffectable);
  ASSERT_EQ(S_OK, effectable->EffectInsBefore(front.Get(), 0));

  auto names = [&] {
    long count = 0;
    effectable->EffectGetCount(&count);
    Names result;
    for (long i = 0; i < count; ++i) {
      ComPtr<IAMTimelineObj> effect;
      effectable->GetEffect(effect.Receive(), i);
      result.push_back(NameOf(effect.Get()));
    }
    return result;
  };
  EXPECT_EQ((Names{L"front", L"first", L"second"}), names());
  long priority = -1;
  Query<IAMTimelineEffect>(front, IID_IAMTimelineEffect)->EffectGetPriority(&priority);
  EXPECT_EQ(0, priority);
  ASSERT_EQ(S_OK, effectable->EffectSwapPriorities(0, 2));
  EXPECT_EQ((Names{L"second", L"first", L"front"}), names());
  EXPECT_EQ(E_INVALIDARG, effectable->EffectSwapPriorities(0, 3));
  ComPtr<IAMTimelineObj> none;
  EXPECT_EQ(S_FALSE, effectable->GetEffect(none.Receive(), 3));
  EXPECT_EQ(E_INVALIDARG, effectable->EffectInsBefore(NewNode(TIMELINE_MAJOR_TYPE_EFFECT).Get(), 4));
}

TEST_F(TimelineTest, TracksInsertBeforeAPositionAndSwapPriorities) {
  AM_MEDIA_TYPE video = MakeVideoType(64, 48, 24);
  ComPtr<IAMTimelineObj> group = AddGroup(L"g", &video);
  ClearMediaType(&video);
  AddTrack(group.Get(), L"A");
  ComPtr<IAMTimelineObj> b = AddTrack(group.Get(), L"B");
  ComPtr<IAMTimelineObj> middle = NewNode(TIMELINE_MAJOR_TYPE_TRACK);
  SetName(middle.Get(), L"M");
  auto composition = Query<IAMTimelineComp>(group, IID_IAMTimelineComp);
  ASSERT_EQ(S_OK, composition->VTrackInsBefore(middle.Get(), 1));
  EXPECT_EQ((Names{L"A", L"M", L"B"}), TrackNames(group));

  ASSERT_EQ(S_OK, composition->VTrackSwapPriorities(0, 2));
  EXPECT_EQ((Names{L"B", L"M", L"A"}), TrackNames(group));
  long priority = -1;
  Query<IAMTimelineVirtualTrack>(b, IID_IAMTimelineVirtualTrack)->TrackGetPriority(&priority);
  EXPECT_EQ(0, priority);
  EXPECT_EQ(E_INVALIDARG, composition->VTrackSwapPriorities(-1, 0));
  EXPECT_EQ(E_INVALIDARG, composition->VTrackInsBefore(NewNode(TIMELINE_MAJOR_TYPE_TRACK).Get(), 5));
}

TEST_F(TimelineTest, WrongKindsAndPlacesAreRejected) {
  AM_MEDIA_TYPE video = MakeVideoType(64, 48, 24);
  ComPtr<IAMTimelineObj> group = AddGroup(L"g", &video);
  ClearMediaType(&video);
  ComPtr<IAMTimelineObj> track = AddTrack(group.Get(), L"t");
  ComPtr<IAMTimelineObj> source = AddSource(track.Get(), 0, 10);
  ComPtr<IAMTimelineObj> effect = NewNode(TIMELINE_MAJOR_TYPE_EFFECT);

  EXPECT_EQ(E_NOINTERFACE, Query<IAMTimelineTrack>(track, IID_IAMTimelineTrack)->SrcAdd(effect.Get()));
  EXPECT_EQ(E_NOINTERFACE,
            Query<IAMTimelineComp>(group, IID_IAMTimelineComp)->VTrackInsBefore(source.Get(), -1));
  EXPECT_EQ(E_NOTIMPL, Query<IAMTimelineEffectable>(track, IID_IAMTimelineEffectable)
                               ->EffectInsBefore(track.Get(), -1));
  EXPECT_EQ(E_NOINTERFACE, Query<IAMTimelineTransable>(track, IID_IAMTimelineTransable)
                               ->TransAdd(effect.Get()));
  EXPECT_EQ(E_NOINTERFACE, timeline->AddGroup(track.Get()));
  EXPECT_FALSE(Query<IAMTimelineTrack>(source, IID_IAMTimelineTrack));
  EXPECT_FALSE(Query<IAMTimelineTransable>(source, IID_IAMTimelineTransable));
  EXPECT_FALSE(Query<IAMTimelineComp>(track, IID_IAMTimelineComp));

  // A node lives in one place only, and never inside itself.
  EXPECT_EQ(E_INVALIDARG, Query<IAMTimelineTrack>(track, IID_IAMTimelineTrack)->SrcAdd(source.Get()));
  EXPECT_EQ(E_INVALIDARG, timeline->AddGroup(group.Get()));
  ComPtr<IAMTimelineObj> outer = NewNode(TIMELINE_MAJOR_TYPE_COMPOSITE);
  ComPtr<IAMTimelineObj> inner = NewNode(TIMELINE_MAJOR_TYPE_COMPOSITE);
  auto outerComp = Query<IAMTimelineComp>(outer, IID_IAMTimelineComp);
  ASSERT_EQ(S_OK, outerComp->VTrackInsBefore(inner.Get(), -1));
  EXPECT_EQ(E_INVALIDARG,
            Query<IAMTimelineComp>(inner, IID_IAMTimelineComp)->VTrackInsBefore(outer.Get(), -1));

  ComPtr<IAMTimelineObj> bad;
  EXPECT_EQ(E_INVALIDARG, timeline->CreateEmptyNode(bad.Receive(), static_cast<TIMELINE_MAJOR_TYPE>(3)));
  EXPECT_EQ(E_INVALIDARG, source->SetStartStop(-1, 5));
  EXPECT_EQ(E_INVALIDARG, source->SetStartStop(9, 5));
  EXPECT_EQ(E_INVALIDARG, Query<IAMTimelineSrc>(source, IID_IAMTimelineSrc)->SetStretchMode(4));
  EXPECT_EQ(E_INVALIDARG, Query<IAMTimelineGroup>(group, IID_IAMTimelineGroup)->SetOutputFPS(0));

  // A group takes only the outputs the render engine renders to.
  auto info = Query<IAMTimelineGroup>(group, IID_IAMTimelineGroup);
  struct Output {
    bool video;
    GUID subtype;
    LONG height;
    WORD bits, channels;
    HRESULT expected;
  };
  for (const Output& output : {Output{true, MEDIASUBTYPE_RGB24, -48, 24, 0, S_OK},
                               Output{true, MEDIASUBTYPE_RGB32, 48, 32, 0, S_OK},
                               Output{true, MEDIASUBTYPE_RGB565, 48, 16, 0, S_OK},
                               Output{true, MEDIASUBTYPE_RGB8, 48, 8, 0, VFW_E_INVALIDMEDIATYPE},
                               Output{true, MEDIASUBTYPE_RGB32, 48, 24, 0, VFW_E_INVALIDMEDIATYPE},
                               Output{true, MEDIASUBTYPE_RGB24, 0, 24, 0, VFW_E_INVALIDMEDIATYPE},
                               Output{false, MEDIASUBTYPE_PCM, 0, 8, 1, S_OK},
                               Output{false, MEDIASUBTYPE_PCM, 0, 12, 2, VFW_E_INVALIDMEDIATYPE},
                               Output{false, MEDIASUBTYPE_PCM, 0, 16, 9, VFW_E_INVALIDMEDIATYPE}}) {
    AM_MEDIA_TYPE type = output.video ? MakeVideoType(64, output.height, output.bits) : MakeAudioType(44100);
    type.subtype = output.subtype;
    if (!output.video) {
      reinterpret_cast<WAVEFORMATEX*>(type.pbFormat)->wBitsPerSample = output.bits;
      reinterpret_cast<WAVEFORMATEX*>(type.pbFormat)->nChannels = output.channels;
    }
    EXPECT_EQ(output.expected, info->SetMediaType(&type)) << output.bits;
    ClearMediaType(&type);
  }

  for (int i = 1; i < 32; ++i) timeline->AddGroup(NewNode(TIMELINE_MAJOR_TYPE_GROUP).Get());
  EXPECT_EQ(E_INVALIDARG, timeline->AddGroup(NewNode(TIMELINE_MAJOR_TYPE_GROUP).Get()));
}

TEST_F(TimelineTest, RemoveMovesASubtreeAndRemoveAllDismantlesIt) {
  AM_MEDIA_TYPE video = MakeVideoType(64, 48, 24);
  ComPtr<IAMTimelineObj> first = AddGroup(L"first", &video);
  ComPtr<IAMTimelineObj> second = AddGroup(L"second", &video);
  ClearMediaType(&video);
  ComPtr<IAMTimelineObj> track = AddTrack(first.Get(), L"t");
  ComPtr<IAMTimelineObj> source = AddSource(track.Get(), 0, 10);
  AddEffect(source.Get(), 0, 5);
  AddTransition(track.Get(), 0, 5);

  // Remove and insert elsewhere: the track takes its contents along.
  ASSERT_EQ(S_OK, track->Remove());
  EXPECT_TRUE(TrackNames(first).empty());
  ASSERT_EQ(S_OK, Query<IAMTimelineComp>(second, IID_IAMTimelineComp)->VTrackInsBefore(track.Get(), -1));
  long count = 0;
  Query<IAMTimelineTrack>(track, IID_IAMTimelineTrack)->GetSourcesCount(&count);
  EXPECT_EQ(1, count);
  ComPtr<IAMTimelineGroup> owner;
  ASSERT_EQ(S_OK, source->GetGroupIBelongTo(owner.Receive()));
  EXPECT_EQ(Query<IAMTimelineGroup>(second, IID_IAMTimelineGroup).Get(), owner.Get());

  ASSERT_EQ(S_OK, track->RemoveAll());
  EXPECT_TRUE(TrackNames(second).empty());
  Query<IAMTimelineTrack>(track, IID_IAMTimelineTrack)->GetSourcesCount(&count);
  EXPECT_EQ(0, count);
  EXPECT_EQ(E_NOTINTREE, source->GetGroupIBelongTo(owner.Receive()));
  long effects = -1;
  Query<IAMTimelineEffectable>(source, IID_IAMTimelineEffectable)->EffectGetCount(&effects);
  EXPECT_EQ(0, effects);

  ASSERT_EQ(S_OK, second->RemoveAll());
  timeline->GetGroupCount(&count);
  EXPECT_EQ(1, count);
}

TEST_F(TimelineTest, ReleasingTheTimelineFreesEveryNodeEvenWithHandlesOutstanding) {
  long before = EngineObjectCount();
  AM_MEDIA_TYPE video = MakeVideoType(64, 48, 24);
  ComPtr<IAMTimelineObj> group = AddGroup(L"g", &video);
  ClearMediaType(&video);
  ComPtr<IAMTimelineObj> track = AddTrack(group.Get(), L"t");
  for (int i = 0; i < 50; ++i) AddEffect(AddSource(track.Get(), i * 10, i * 10 + 10).Get(), 0, 5);
  ComPtr<IAMTimelineObj> kept = AddSource(track.Get(), 1000, 1010);
  group.Reset();
  track.Reset();
  EXPECT_EQ(before + 2 + 101, EngineObjectCount());

  timeline.Reset();
  // The timeline and the node of its own labels are gone; the kept source
  // outlives its tree and knows it is no longer in one.
  EXPECT_EQ(before - 1, EngineObjectCount());
  ComPtr<IAMTimelineGroup> owner;
  EXPECT_EQ(E_NOTINTREE, kept->GetGroupIBelongTo(owner.Receive()));
  IAMTimeline* none = nullptr;
  EXPECT_EQ(E_NO_TIMELINE, kept->GetTimelineNoRef(&none));
}

TEST_F(TimelineTest, SourceAndObjectFieldsKeepWhatWasSet) {
  ComPtr<IAMTimelineObj> source = NewNode(TIMELINE_MAJOR_TYPE_SOURCE);
  auto media = Query<IAMTimelineSrc>(source, IID_IAMTimelineSrc);
  BSTR path = SysAllocString(L"C:\\Видео\\clip ✓.avi");
  media->SetMediaName(path);
  SysFreeString(path);
  media->SetMediaTimes(123456789, 223456789);
  media->SetStreamNumber(2);
  media->SetStretchMode(RESIZEF_PRESERVEASPECTRATIO_NOLETTERBOX);
  BSTR guidText = SysAllocString(L"{CC7BFB42-F175-11D1-A392-00E0291F3959}");
  EXPECT_EQ(S_OK, source->SetSubObjectGUIDB(guidText));
  SysFreeString(guidText);

  BSTR name = nullptr;
  media->GetMediaName(&name);
  EXPECT_STREQ(L"C:\\Видео\\clip ✓.avi", name);
  SysFreeString(name);
  REFERENCE_TIME start = 0, stop = 0;
  media->GetMediaTimes(&start, &stop);
  EXPECT_EQ(123456789, start);
  EXPECT_EQ(223456789, stop);
  GUID guid;
  source->GetSubObjectGUID(&guid);
  EXPECT_EQ(CLSID_VideoEffects1Category, guid);
  BSTR bad = SysAllocString(L"not a guid");
  EXPECT_EQ(E_INVALIDARG, source->SetSubObjectGUIDB(bad));
  SysFreeString(bad);

  // An object shows no name until it is given one, and a null name clears it.
  EXPECT_EQ(L"", NameOf(source.Get()));
  SetName(source.Get(), L"named");
  EXPECT_EQ(S_OK, source->SetUserName(nullptr));
  EXPECT_EQ(L"", NameOf(source.Get()));
}

}  // namespace
