// The ids the program uses must be the published ones, or it would not work
// against the platform's own editing services.
#include <gtest/gtest.h>

#include "EditingServices.h"

namespace {

std::wstring Text(const GUID& guid) {
  wchar_t text[40];
  StringFromGUID2(guid, text, 40);
  return text;
}

TEST(Declarations, IdsAreThePublishedOnes) {
  EXPECT_EQ(L"{78530B74-61F9-11D2-8CAD-00A024580902}", Text(IID_IAMTimeline));
  EXPECT_EQ(L"{78530B77-61F9-11D2-8CAD-00A024580902}", Text(IID_IAMTimelineObj));
  EXPECT_EQ(L"{9EED4F00-B8A6-11D2-8023-00C0DF10D434}", Text(IID_IAMTimelineGroup));
  EXPECT_EQ(L"{EAE58536-622E-11D2-8CAD-00A024580902}", Text(IID_IAMTimelineComp));
  EXPECT_EQ(L"{EAE58537-622E-11D2-8CAD-00A024580902}", Text(IID_IAMTimelineEffectable));
  EXPECT_EQ(L"{EAE58538-622E-11D2-8CAD-00A024580902}", Text(IID_IAMTimelineTrack));
  EXPECT_EQ(L"{378FA386-622E-11D2-8CAD-00A024580902}", Text(IID_IAMTimelineTransable));
  EXPECT_EQ(L"{A8ED5F80-C2C7-11D2-8D39-00A0C9441E20}", Text(IID_IAMTimelineVirtualTrack));
  EXPECT_EQ(L"{78530B79-61F9-11D2-8CAD-00A024580902}", Text(IID_IAMTimelineSrc));
  EXPECT_EQ(L"{BCE0C264-622D-11D2-8CAD-00A024580902}", Text(IID_IAMTimelineEffect));
  EXPECT_EQ(L"{BCE0C265-622D-11D2-8CAD-00A024580902}", Text(IID_IAMTimelineTrans));
  EXPECT_EQ(L"{AE9472BD-B0C3-11D2-8D24-00A0C9441E20}", Text(IID_IPropertySetter));
  EXPECT_EQ(L"{18C628ED-962A-11D2-8D08-00A0C9441E20}", Text(IID_IXml2Dex));
  EXPECT_EQ(L"{6BEE3A81-66C9-11D2-918F-00C0DF10D434}", Text(IID_IRenderEngine));
  EXPECT_EQ(L"{65BD0710-24D2-4FF7-9324-ED2E5D3ABAFA}", Text(IID_IMediaDet));
  EXPECT_EQ(L"{E43E73A2-0EFA-11D3-9601-00A0C9441E20}", Text(IID_IAMErrorLog));
  EXPECT_EQ(L"{963566DA-BE21-4EAF-88E9-35704F8F52A1}", Text(IID_IAMSetErrorLog));
  EXPECT_EQ(L"{78530B75-61F9-11D2-8CAD-00A024580902}", Text(CLSID_AMTimeline));
  EXPECT_EQ(L"{ADF95821-DED7-11D2-ACBE-0080C75E246E}", Text(CLSID_PropertySetter));
  EXPECT_EQ(L"{18C628EE-962A-11D2-8D08-00A0C9441E20}", Text(CLSID_Xml2Dex));
  EXPECT_EQ(L"{64D8A8E0-80A2-11D2-8CF3-00A0C9441E20}", Text(CLSID_RenderEngine));
  EXPECT_EQ(L"{65BD0711-24D2-4FF7-9324-ED2E5D3ABAFA}", Text(CLSID_MediaDet));
  EXPECT_EQ(L"{CC7BFB42-F175-11D1-A392-00E0291F3959}", Text(CLSID_VideoEffects1Category));
  EXPECT_EQ(L"{CC7BFB45-F175-11D1-A392-00E0291F3959}", Text(CLSID_AudioEffects2Category));
  // __uuidof must agree with the named ids.
  EXPECT_EQ(IID_IAMTimelineComp, __uuidof(IAMTimelineComp));
  EXPECT_EQ(IID_IAMSetErrorLog, __uuidof(IAMSetErrorLog));
  EXPECT_EQ(IID_IXml2Dex, __uuidof(IXml2Dex));
  EXPECT_EQ(0x8004022F, static_cast<unsigned long>(VFW_E_INVALID_FILE_FORMAT));
  EXPECT_EQ(40404, S_WARN_OUTPUTRESET);
  // Structures cross the interface, so their layout must match too.
  EXPECT_EQ(16u, sizeof(DEXTER_PARAM));
  EXPECT_EQ(40u, sizeof(DEXTER_VALUE));
}

}  // namespace
