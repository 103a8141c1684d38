// The editing-services interfaces, class ids, structures and constants, with
// their published ids and method order. The toolchain's qedit.h holds only a
// part of them (and names a DEXTER_PARAM field differently), so this header
// replaces it: include this one, never <qedit.h>. The ids themselves come
// from strmiids.
#pragma once

#ifdef __qedit_h__
#error "include EditingServices.h instead of qedit.h"
#endif
#define __qedit_h__

#include <windows.h>
#include <ole2.h>
#include <oaidl.h>
#include <dshow.h>

interface IAMTimeline;
interface IAMTimelineObj;
interface IAMTimelineGroup;
interface IAMTimelineSrc;
interface IGrfCache;
interface ISampleGrabber;

// Property-setter entries.
enum DEXTERF { DEXTERF_JUMP = 0, DEXTERF_INTERPOLATE = 1 };

struct DEXTER_PARAM {
  BSTR Name;
  DISPID dispID;
  LONG nValues;
};

struct DEXTER_VALUE {
  VARIANT v;
  REFERENCE_TIME rt;  // relative to the object's start
  DWORD dwInterp;
};

enum TIMELINE_MAJOR_TYPE {
  TIMELINE_MAJOR_TYPE_COMPOSITE = 1,
  TIMELINE_MAJOR_TYPE_TRACK = 2,
  TIMELINE_MAJOR_TYPE_SOURCE = 4,
  TIMELINE_MAJOR_TYPE_TRANSITION = 8,
  TIMELINE_MAJOR_TYPE_EFFECT = 16,
  TIMELINE_MAJOR_TYPE_GROUP = 128
};

enum { TIMELINE_INSERT_MODE_INSERT = 1, TIMELINE_INSERT_MODE_OVERLAY = 2 };

enum DEXTERF_TRACK_SEARCH_FLAGS {
  DEXTERF_BOUNDING = -1,
  DEXTERF_EXACTLY_AT = 0,
  DEXTERF_FORWARDS = 1
};

// Source stretch modes.
enum {
  RESIZEF_STRETCH = 0,
  RESIZEF_CROP = 1,
  RESIZEF_PRESERVEASPECTRATIO = 2,
  RESIZEF_PRESERVEASPECTRATIO_NOLETTERBOX = 3
};

enum {
  CONNECTF_DYNAMIC_NONE = 0,
  CONNECTF_DYNAMIC_SOURCES = 1,
  CONNECTF_DYNAMIC_EFFECTS = 2
};

// Result codes of the editing services.
#define E_NOTINTREE ((HRESULT)0x80040400L)
#define E_RENDER_ENGINE_IS_BROKEN ((HRESULT)0x80040401L)
#define E_MUST_INIT_RENDERER ((HRESULT)0x80040402L)
#define E_NOTDETERMINED ((HRESULT)0x80040403L)
#define E_NO_TIMELINE ((HRESULT)0x80040404L)
#define S_WARN_OUTPUTRESET ((HRESULT)40404L)

// Error numbers passed to IAMErrorLog::LogError.
#define DEX_IDS_BAD_SOURCE_NAME 1400
#define DEX_IDS_BAD_SOURCE_NAME2 1401
#define DEX_IDS_MISSING_SOURCE_NAME 1402
#define DEX_IDS_UNKNOWN_SOURCE 1403
#define DEX_IDS_INSTALL_PROBLEM 1404
#define DEX_IDS_NO_SOURCE_NAMES 1405
#define DEX_IDS_BAD_MEDIATYPE 1406
#define DEX_IDS_STREAM_NUMBER 1407
#define DEX_IDS_OUTOFMEMORY 1408
#define DEX_IDS_DIBSEQ_NOTALLSAME 1409
#define DEX_IDS_CLIPTOOSHORT 1410
#define DEX_IDS_INVALID_DXT 1411
#define DEX_IDS_INVALID_DEFAULT_DXT 1412
#define DEX_IDS_NO_3D 1413
#define DEX_IDS_BROKEN_DXT 1414
#define DEX_IDS_NO_SUCH_PROPERTY 1415
#define DEX_IDS_ILLEGAL_PROPERTY_VAL 1416
#define DEX_IDS_INVALID_XML 1417
#define DEX_IDS_CANT_FIND_FILTER 1418
#define DEX_IDS_DISK_WRITE_ERROR 1419
#define DEX_IDS_INVALID_AUDIO_FX 1420
#define DEX_IDS_CANT_FIND_COMPRESSOR 1421
#define DEX_IDS_TIMELINE_PARSE 1426
#define DEX_IDS_GRAPH_ERROR 1427
#define DEX_IDS_GRID_ERROR 1428
#define DEX_IDS_INTERFACE_ERROR 1429

// File name validation flags (IMediaLocator, IAMTimeline::ValidateSourceNames).
#define SFN_VALIDATEF_CHECK 0x01
#define SFN_VALIDATEF_POPUP 0x02
#define SFN_VALIDATEF_TELLME 0x04
#define SFN_VALIDATEF_REPLACE 0x08
#define SFN_VALIDATEF_USELOCAL 0x10
#define SFN_VALIDATEF_NOFIND 0x20
#define SFN_VALIDATEF_IGNOREMUTED 0x40

// A smart recompression format (IAMTimelineGroup::SetSmartRecompressFormat).
struct SCompFmt0 {
  long nFormatId;  // 0
  AM_MEDIA_TYPE MediaType;
};

EXTERN_C const IID IID_IPropertySetter;
EXTERN_C const IID IID_IMediaLocator;
EXTERN_C const IID IID_IMediaDet;
EXTERN_C const IID IID_IRenderEngine;
EXTERN_C const IID IID_IAMTimelineObj;
EXTERN_C const IID IID_IAMTimelineEffectable;
EXTERN_C const IID IID_IAMTimelineEffect;
EXTERN_C const IID IID_IAMTimelineTransable;
EXTERN_C const IID IID_IAMTimelineSplittable;
EXTERN_C const IID IID_IAMTimelineTrans;
EXTERN_C const IID IID_IAMTimelineSrc;
EXTERN_C const IID IID_IAMTimelineTrack;
EXTERN_C const IID IID_IAMTimelineVirtualTrack;
EXTERN_C const IID IID_IAMTimelineComp;
EXTERN_C const IID IID_IAMTimelineGroup;
EXTERN_C const IID IID_IAMTimeline;
EXTERN_C const IID IID_IXml2Dex;
EXTERN_C const IID IID_IAMErrorLog;
EXTERN_C const IID IID_IAMSetErrorLog;

EXTERN_C const CLSID CLSID_AMTimeline;
EXTERN_C const CLSID CLSID_RenderEngine;
EXTERN_C const CLSID CLSID_Xml2Dex;
EXTERN_C const CLSID CLSID_PropertySetter;
EXTERN_C const CLSID CLSID_MediaDet;
EXTERN_C const CLSID CLSID_MediaLocator;

// Filter categories of effects and transitions.
inline constexpr GUID CLSID_VideoEffects1Category = {
    0xcc7bfb42, 0xf175, 0x11d1, {0xa3, 0x92, 0x00, 0xe0, 0x29, 0x1f, 0x39, 0x59}};
inline constexpr GUID CLSID_VideoEffects2Category = {
    0xcc7bfb43, 0xf175, 0x11d1, {0xa3, 0x92, 0x00, 0xe0, 0x29, 0x1f, 0x39, 0x59}};
inline constexpr GUID CLSID_AudioEffects1Category = {
    0xcc7bfb44, 0xf175, 0x11d1, {0xa3, 0x92, 0x00, 0xe0, 0x29, 0x1f, 0x39, 0x59}};
inline constexpr GUID CLSID_AudioEffects2Category = {
    0xcc7bfb45, 0xf175, 0x11d1, {0xa3, 0x92, 0x00, 0xe0, 0x29, 0x1f, 0x39, 0x59}};

MIDL_INTERFACE("AE9472BD-B0C3-11D2-8D24-00A0C9441E20")
IPropertySetter : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE LoadXML(IUnknown* xml) = 0;
  virtual HRESULT STDMETHODCALLTYPE PrintXML(char* xml, int size, int* printed, int indent) = 0;
  virtual HRESULT STDMETHODCALLTYPE CloneProps(IPropertySetter** setter, REFERENCE_TIME start,
                                               REFERENCE_TIME stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE AddProp(DEXTER_PARAM param, DEXTER_VALUE* values) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetProps(LONG* count, DEXTER_PARAM** params,
                                             DEXTER_VALUE** values) = 0;
  virtual HRESULT STDMETHODCALLTYPE FreeProps(LONG count, DEXTER_PARAM* params,
                                              DEXTER_VALUE* values) = 0;
  virtual HRESULT STDMETHODCALLTYPE ClearProps() = 0;
  virtual HRESULT STDMETHODCALLTYPE SaveToBlob(LONG* size, BYTE** blob) = 0;
  virtual HRESULT STDMETHODCALLTYPE LoadFromBlob(LONG size, BYTE* blob) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetProps(IUnknown* target, REFERENCE_TIME now) = 0;
  virtual HRESULT STDMETHODCALLTYPE PrintXMLW(WCHAR* xml, int size, int* printed, int indent) = 0;
};

MIDL_INTERFACE("288581E0-66CE-11d2-918F-00C0DF10D434")
IMediaLocator : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE FindMediaFile(BSTR input, BSTR filter, BSTR* output,
                                                  long flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE AddFoundLocation(BSTR directory) = 0;
};

MIDL_INTERFACE("65BD0710-24D2-4ff7-9324-ED2E5D3ABAFA")
IMediaDet : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_Filter(IUnknown** filter) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Filter(IUnknown* filter) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_OutputStreams(long* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_CurrentStream(long* stream) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_CurrentStream(long stream) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_StreamType(GUID* majorType) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_StreamTypeB(BSTR* majorType) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_StreamLength(double* seconds) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_Filename(BSTR* name) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_Filename(BSTR name) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetBitmapBits(double time, long* size, char* buffer,
                                                  long width, long height) = 0;
  virtual HRESULT STDMETHODCALLTYPE WriteBitmapBits(double time, long width, long height,
                                                    BSTR name) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_StreamMediaType(AM_MEDIA_TYPE* type) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSampleGrabber(ISampleGrabber** grabber) = 0;
  virtual HRESULT STDMETHODCALLTYPE get_FrameRate(double* rate) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnterBitmapGrabMode(double time) = 0;
};

MIDL_INTERFACE("6BEE3A81-66C9-11d2-918F-00C0DF10D434")
IRenderEngine : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetTimelineObject(IAMTimeline* timeline) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetTimelineObject(IAMTimeline** timeline) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetFilterGraph(IGraphBuilder** graph) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetFilterGraph(IGraphBuilder* graph) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetInterestRange(REFERENCE_TIME start, REFERENCE_TIME stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetInterestRange2(double start, double stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetRenderRange(REFERENCE_TIME start, REFERENCE_TIME stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetRenderRange2(double start, double stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetGroupOutputPin(long group, IPin** pin) = 0;
  virtual HRESULT STDMETHODCALLTYPE ScrapIt() = 0;
  virtual HRESULT STDMETHODCALLTYPE RenderOutputPins() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetVendorString(BSTR* vendor) = 0;
  virtual HRESULT STDMETHODCALLTYPE ConnectFrontEnd() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetSourceConnectCallback(IGrfCache* callback) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDynamicReconnectLevel(long level) = 0;
  virtual HRESULT STDMETHODCALLTYPE DoSmartRecompression() = 0;
  virtual HRESULT STDMETHODCALLTYPE UseInSmartRecompressionGraph() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetSourceNameValidation(BSTR filter, IMediaLocator* locator,
                                                            LONG flags) = 0;
  virtual HRESULT STDMETHODCALLTYPE Commit() = 0;
  virtual HRESULT STDMETHODCALLTYPE Decommit() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCaps(long index, long* value) = 0;
};

MIDL_INTERFACE("78530B77-61F9-11D2-8CAD-00A024580902")
IAMTimelineObj : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetStartStop(REFERENCE_TIME* start, REFERENCE_TIME* stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetStartStop2(REFTIME* start, REFTIME* stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE FixTimes(REFERENCE_TIME* start, REFERENCE_TIME* stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE FixTimes2(REFTIME* start, REFTIME* stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetStartStop(REFERENCE_TIME start, REFERENCE_TIME stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetStartStop2(REFTIME start, REFTIME stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPropertySetter(IPropertySetter** setter) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPropertySetter(IPropertySetter* setter) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSubObject(IUnknown** object) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetSubObject(IUnknown* object) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetSubObjectGUID(GUID guid) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetSubObjectGUIDB(BSTR guid) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSubObjectGUID(GUID* guid) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSubObjectGUIDB(BSTR* guid) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSubObjectLoaded(BOOL* loaded) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetTimelineType(TIMELINE_MAJOR_TYPE* type) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetTimelineType(TIMELINE_MAJOR_TYPE type) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetUserID(long* id) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetUserID(long id) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetGenID(long* id) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetUserName(BSTR* name) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetUserName(BSTR name) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetUserData(BYTE* data, long* size) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetUserData(BYTE* data, long size) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMuted(BOOL* muted) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetMuted(BOOL muted) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetLocked(BOOL* locked) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetLocked(BOOL locked) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDirtyRange(REFERENCE_TIME* start, REFERENCE_TIME* stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDirtyRange2(REFTIME* start, REFTIME* stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDirtyRange(REFERENCE_TIME start, REFERENCE_TIME stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDirtyRange2(REFTIME start, REFTIME stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE ClearDirty() = 0;
  virtual HRESULT STDMETHODCALLTYPE Remove() = 0;
  virtual HRESULT STDMETHODCALLTYPE RemoveAll() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetTimelineNoRef(IAMTimeline** timeline) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetGroupIBelongTo(IAMTimelineGroup** group) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetEmbedDepth(long* depth) = 0;
};

MIDL_INTERFACE("EAE58537-622E-11d2-8CAD-00A024580902")
IAMTimelineEffectable : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE EffectInsBefore(IAMTimelineObj* effect, long priority) = 0;
  virtual HRESULT STDMETHODCALLTYPE EffectSwapPriorities(long priorityA, long priorityB) = 0;
  virtual HRESULT STDMETHODCALLTYPE EffectGetCount(long* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetEffect(IAMTimelineObj** effect, long which) = 0;
};

MIDL_INTERFACE("BCE0C264-622D-11d2-8CAD-00A024580902")
IAMTimelineEffect : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE EffectGetPriority(long* priority) = 0;
};

MIDL_INTERFACE("378FA386-622E-11d2-8CAD-00A024580902")
IAMTimelineTransable : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE TransAdd(IAMTimelineObj* transition) = 0;
  virtual HRESULT STDMETHODCALLTYPE TransGetCount(long* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetNextTrans(IAMTimelineObj** transition,
                                                 REFERENCE_TIME* inOut) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetNextTrans2(IAMTimelineObj** transition, REFTIME* inOut) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetTransAtTime(IAMTimelineObj** transition,
                                                   REFERENCE_TIME time, long direction) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetTransAtTime2(IAMTimelineObj** transition, REFTIME time,
                                                    long direction) = 0;
};

MIDL_INTERFACE("A0F840A0-D590-11d2-8D55-00A0C9441E20")
IAMTimelineSplittable : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SplitAt(REFERENCE_TIME time) = 0;
  virtual HRESULT STDMETHODCALLTYPE SplitAt2(REFTIME time) = 0;
};

MIDL_INTERFACE("BCE0C265-622D-11d2-8CAD-00A024580902")
IAMTimelineTrans : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetCutPoint(REFERENCE_TIME* time) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCutPoint2(REFTIME* time) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetCutPoint(REFERENCE_TIME time) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetCutPoint2(REFTIME time) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSwapInputs(BOOL* swap) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetSwapInputs(BOOL swap) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCutsOnly(BOOL* cutsOnly) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetCutsOnly(BOOL cutsOnly) = 0;
};

MIDL_INTERFACE("78530B79-61F9-11D2-8CAD-00A024580902")
IAMTimelineSrc : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE GetMediaTimes(REFERENCE_TIME* start, REFERENCE_TIME* stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMediaTimes2(REFTIME* start, REFTIME* stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE ModifyStopTime(REFERENCE_TIME stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE ModifyStopTime2(REFTIME stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE FixMediaTimes(REFERENCE_TIME* start, REFERENCE_TIME* stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE FixMediaTimes2(REFTIME* start, REFTIME* stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetMediaTimes(REFERENCE_TIME start, REFERENCE_TIME stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetMediaTimes2(REFTIME start, REFTIME stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetMediaLength(REFERENCE_TIME length) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetMediaLength2(REFTIME length) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMediaLength(REFERENCE_TIME* length) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMediaLength2(REFTIME* length) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMediaName(BSTR* name) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetMediaName(BSTR name) = 0;
  virtual HRESULT STDMETHODCALLTYPE SpliceWithNext(IAMTimelineObj* next) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetStreamNumber(long* stream) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetStreamNumber(long stream) = 0;
  virtual HRESULT STDMETHODCALLTYPE IsNormalRate(BOOL* normal) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDefaultFPS(double* fps) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDefaultFPS(double fps) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetStretchMode(int* mode) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetStretchMode(int mode) = 0;
};

MIDL_INTERFACE("EAE58538-622E-11d2-8CAD-00A024580902")
IAMTimelineTrack : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SrcAdd(IAMTimelineObj* source) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetNextSrc(IAMTimelineObj** source, REFERENCE_TIME* inOut) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetNextSrc2(IAMTimelineObj** source, REFTIME* inOut) = 0;
  virtual HRESULT STDMETHODCALLTYPE MoveEverythingBy(REFERENCE_TIME start, REFERENCE_TIME by) = 0;
  virtual HRESULT STDMETHODCALLTYPE MoveEverythingBy2(REFTIME start, REFTIME by) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSourcesCount(long* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE AreYouBlank(long* blank) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSrcAtTime(IAMTimelineObj** source, REFERENCE_TIME time,
                                                 long direction) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSrcAtTime2(IAMTimelineObj** source, REFTIME time,
                                                  long direction) = 0;
  virtual HRESULT STDMETHODCALLTYPE InsertSpace(REFERENCE_TIME start, REFERENCE_TIME end) = 0;
  virtual HRESULT STDMETHODCALLTYPE InsertSpace2(REFTIME start, REFTIME end) = 0;
  virtual HRESULT STDMETHODCALLTYPE ZeroBetween(REFERENCE_TIME start, REFERENCE_TIME end) = 0;
  virtual HRESULT STDMETHODCALLTYPE ZeroBetween2(REFTIME start, REFTIME end) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetNextSrcEx(IAMTimelineObj* last, IAMTimelineObj** next) = 0;
};

MIDL_INTERFACE("A8ED5F80-C2C7-11d2-8D39-00A0C9441E20")
IAMTimelineVirtualTrack : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE TrackGetPriority(long* priority) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetTrackDirty() = 0;
};

MIDL_INTERFACE("EAE58536-622E-11d2-8CAD-00A024580902")
IAMTimelineComp : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE VTrackInsBefore(IAMTimelineObj* track, long priority) = 0;
  virtual HRESULT STDMETHODCALLTYPE VTrackSwapPriorities(long trackA, long trackB) = 0;
  virtual HRESULT STDMETHODCALLTYPE VTrackGetCount(long* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetVTrack(IAMTimelineObj** track, long which) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCountOfType(long* count, long* countWithComps,
                                                   TIMELINE_MAJOR_TYPE type) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRecursiveLayerOfType(IAMTimelineObj** track, long which,
                                                            TIMELINE_MAJOR_TYPE type) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetRecursiveLayerOfTypeI(IAMTimelineObj** track, long* which,
                                                             TIMELINE_MAJOR_TYPE type) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetNextVTrack(IAMTimelineObj* track,
                                                  IAMTimelineObj** next) = 0;
};

MIDL_INTERFACE("9EED4F00-B8A6-11d2-8023-00C0DF10D434")
IAMTimelineGroup : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE SetTimeline(IAMTimeline* timeline) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetTimeline(IAMTimeline** timeline) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPriority(long* priority) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetMediaType(AM_MEDIA_TYPE* type) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetMediaType(AM_MEDIA_TYPE* type) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetOutputFPS(double fps) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetOutputFPS(double* fps) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetGroupName(BSTR name) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetGroupName(BSTR* name) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetPreviewMode(BOOL preview) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetPreviewMode(BOOL* preview) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetMediaTypeForVB(long type) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetOutputBuffering(int* buffers) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetOutputBuffering(int buffers) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetSmartRecompressFormat(long* format) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetSmartRecompressFormat(long** format) = 0;
  virtual HRESULT STDMETHODCALLTYPE IsSmartRecompressFormatSet(BOOL* set) = 0;
  virtual HRESULT STDMETHODCALLTYPE IsRecompressFormatDirty(BOOL* dirty) = 0;
  virtual HRESULT STDMETHODCALLTYPE ClearRecompressFormatDirty() = 0;
  virtual HRESULT STDMETHODCALLTYPE SetRecompFormatFromSource(IAMTimelineSrc* source) = 0;
};

MIDL_INTERFACE("78530B74-61F9-11D2-8CAD-00A024580902")
IAMTimeline : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE CreateEmptyNode(IAMTimelineObj** node,
                                                    TIMELINE_MAJOR_TYPE type) = 0;
  virtual HRESULT STDMETHODCALLTYPE AddGroup(IAMTimelineObj* group) = 0;
  virtual HRESULT STDMETHODCALLTYPE RemGroupFromList(IAMTimelineObj* group) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetGroup(IAMTimelineObj** group, long which) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetGroupCount(long* count) = 0;
  virtual HRESULT STDMETHODCALLTYPE ClearAllGroups() = 0;
  virtual HRESULT STDMETHODCALLTYPE GetInsertMode(long* mode) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetInsertMode(long mode) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnableTransitions(BOOL enabled) = 0;
  virtual HRESULT STDMETHODCALLTYPE TransitionsEnabled(BOOL* enabled) = 0;
  virtual HRESULT STDMETHODCALLTYPE EnableEffects(BOOL enabled) = 0;
  virtual HRESULT STDMETHODCALLTYPE EffectsEnabled(BOOL* enabled) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetInterestRange(REFERENCE_TIME start, REFERENCE_TIME stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDuration(REFERENCE_TIME* duration) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDuration2(double* duration) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDefaultFPS(double fps) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDefaultFPS(double* fps) = 0;
  virtual HRESULT STDMETHODCALLTYPE IsDirty(BOOL* dirty) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDirtyRange(REFERENCE_TIME* start, REFERENCE_TIME* stop) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetCountOfType(long group, long* count, long* countWithComps,
                                                   TIMELINE_MAJOR_TYPE type) = 0;
  virtual HRESULT STDMETHODCALLTYPE ValidateSourceNames(long flags, IMediaLocator* locator,
                                                        LONG_PTR eventHandle) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDefaultTransition(GUID* guid) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDefaultTransition(GUID* guid) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDefaultEffect(GUID* guid) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDefaultEffect(GUID* guid) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDefaultTransitionB(BSTR guid) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDefaultTransitionB(BSTR* guid) = 0;
  virtual HRESULT STDMETHODCALLTYPE SetDefaultEffectB(BSTR guid) = 0;
  virtual HRESULT STDMETHODCALLTYPE GetDefaultEffectB(BSTR* guid) = 0;
};

MIDL_INTERFACE("18C628ED-962A-11D2-8D08-00A0C9441E20")
IXml2Dex : public IDispatch {
  virtual HRESULT STDMETHODCALLTYPE CreateGraphFromFile(IUnknown** graph, IUnknown* timeline,
                                                        BSTR name) = 0;
  virtual HRESULT STDMETHODCALLTYPE WriteGrfFile(IUnknown* graph, BSTR name) = 0;
  virtual HRESULT STDMETHODCALLTYPE WriteXMLFile(IUnknown* timeline, BSTR name) = 0;
  virtual HRESULT STDMETHODCALLTYPE ReadXMLFile(IUnknown* timeline, BSTR name) = 0;
  virtual HRESULT STDMETHODCALLTYPE Delete(IUnknown* timeline, double start, double end) = 0;
  virtual HRESULT STDMETHODCALLTYPE WriteXMLPart(IUnknown* timeline, double start, double end,
                                                 BSTR name) = 0;
  virtual HRESULT STDMETHODCALLTYPE PasteXMLFile(IUnknown* timeline, double start, BSTR name) = 0;
  virtual HRESULT STDMETHODCALLTYPE CopyXML(IUnknown* timeline, double start, double end) = 0;
  virtual HRESULT STDMETHODCALLTYPE PasteXML(IUnknown* timeline, double start) = 0;
  virtual HRESULT STDMETHODCALLTYPE Reset() = 0;
  virtual HRESULT STDMETHODCALLTYPE ReadXML(IUnknown* timeline, IUnknown* xml) = 0;
  virtual HRESULT STDMETHODCALLTYPE WriteXML(IUnknown* timeline, BSTR* xml) = 0;
};

MIDL_INTERFACE("E43E73A2-0EFA-11d3-9601-00A0C9441E20")
IAMErrorLog : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE LogError(long severity, BSTR text, long errorCode,
                                             long result, VARIANT* extra) = 0;
};

MIDL_INTERFACE("963566DA-BE21-4eaf-88E9-35704F8F52A1")
IAMSetErrorLog : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE get_ErrorLog(IAMErrorLog** log) = 0;
  virtual HRESULT STDMETHODCALLTYPE put_ErrorLog(IAMErrorLog* log) = 0;
};

__CRT_UUID_DECL(IPropertySetter, 0xae9472bd, 0xb0c3, 0x11d2, 0x8d, 0x24, 0x00, 0xa0, 0xc9, 0x44, 0x1e, 0x20)
__CRT_UUID_DECL(IMediaLocator, 0x288581e0, 0x66ce, 0x11d2, 0x91, 0x8f, 0x00, 0xc0, 0xdf, 0x10, 0xd4, 0x34)
__CRT_UUID_DECL(IMediaDet, 0x65bd0710, 0x24d2, 0x4ff7, 0x93, 0x24, 0xed, 0x2e, 0x5d, 0x3a, 0xba, 0xfa)
__CRT_UUID_DECL(IRenderEngine, 0x6bee3a81, 0x66c9, 0x11d2, 0x91, 0x8f, 0x00, 0xc0, 0xdf, 0x10, 0xd4, 0x34)
__CRT_UUID_DECL(IAMTimelineObj, 0x78530b77, 0x61f9, 0x11d2, 0x8c, 0xad, 0x00, 0xa0, 0x24, 0x58, 0x09, 0x02)
__CRT_UUID_DECL(IAMTimelineEffectable, 0xeae58537, 0x622e, 0x11d2, 0x8c, 0xad, 0x00, 0xa0, 0x24, 0x58, 0x09, 0x02)
__CRT_UUID_DECL(IAMTimelineEffect, 0xbce0c264, 0x622d, 0x11d2, 0x8c, 0xad, 0x00, 0xa0, 0x24, 0x58, 0x09, 0x02)
__CRT_UUID_DECL(IAMTimelineTransable, 0x378fa386, 0x622e, 0x11d2, 0x8c, 0xad, 0x00, 0xa0, 0x24, 0x58, 0x09, 0x02)
__CRT_UUID_DECL(IAMTimelineSplittable, 0xa0f840a0, 0xd590, 0x11d2, 0x8d, 0x55, 0x00, 0xa0, 0xc9, 0x44, 0x1e, 0x20)
__CRT_UUID_DECL(IAMTimelineTrans, 0xbce0c265, 0x622d, 0x11d2, 0x8c, 0xad, 0x00, 0xa0, 0x24, 0x58, 0x09, 0x02)
__CRT_UUID_DECL(IAMTimelineSrc, 0x78530b79, 0x61f9, 0x11d2, 0x8c, 0xad, 0x00, 0xa0, 0x24, 0x58, 0x09, 0x02)
__CRT_UUID_DECL(IAMTimelineTrack, 0xeae58538, 0x622e, 0x11d2, 0x8c, 0xad, 0x00, 0xa0, 0x24, 0x58, 0x09, 0x02)
__CRT_UUID_DECL(IAMTimelineVirtualTrack, 0xa8ed5f80, 0xc2c7, 0x11d2, 0x8d, 0x39, 0x00, 0xa0, 0xc9, 0x44, 0x1e, 0x20)
__CRT_UUID_DECL(IAMTimelineComp, 0xeae58536, 0x622e, 0x11d2, 0x8c, 0xad, 0x00, 0xa0, 0x24, 0x58, 0x09, 0x02)
__CRT_UUID_DECL(IAMTimelineGroup, 0x9eed4f00, 0xb8a6, 0x11d2, 0x80, 0x23, 0x00, 0xc0, 0xdf, 0x10, 0xd4, 0x34)
__CRT_UUID_DECL(IAMTimeline, 0x78530b74, 0x61f9, 0x11d2, 0x8c, 0xad, 0x00, 0xa0, 0x24, 0x58, 0x09, 0x02)
__CRT_UUID_DECL(IXml2Dex, 0x18c628ed, 0x962a, 0x11d2, 0x8d, 0x08, 0x00, 0xa0, 0xc9, 0x44, 0x1e, 0x20)
__CRT_UUID_DECL(IAMErrorLog, 0xe43e73a2, 0x0efa, 0x11d3, 0x96, 0x01, 0x00, 0xa0, 0xc9, 0x44, 0x1e, 0x20)
__CRT_UUID_DECL(IAMSetErrorLog, 0x963566da, 0xbe21, 0x4eaf, 0x88, 0xe9, 0x35, 0x70, 0x4f, 0x8f, 0x52, 0xa1)
