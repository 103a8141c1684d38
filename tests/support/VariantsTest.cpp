#include <gtest/gtest.h>

#include <msxml2.h>
// msxml2.h renames the class to an id the import library lacks; use the plain DOM document.
#undef CLSID_DOMDocument

#include "BstrVariant.h"
#include "Text.h"
#include "Variants.h"
#include "WideText.h"

TEST(Variants, BstrHolders) {
  BstrVariant wide(L"Cinepak");
  EXPECT_EQ(VT_BSTR, wide.Variant().vt);
  EXPECT_STREQ(L"Cinepak", wide.Bstr());
  BstrVariant narrow("Video 1");
  EXPECT_EQ(7u, SysStringLen(narrow.Bstr()));
  EXPECT_STREQ(L"Video 1", narrow.Bstr());
  BstrVariant none(static_cast<const char*>(nullptr));
  EXPECT_EQ(nullptr, none.Bstr());

  WideText text(wide.Variant());
  EXPECT_EQ(wide.Bstr(), text.Wide());
  EXPECT_STREQ("Cinepak", text.Ansi());
  VARIANT number;
  MakeVariant(&number, 5, VT_I4);
  WideText notText(number);
  EXPECT_EQ(nullptr, notText.Ansi());
}

TEST(Variants, TextOfStringVariantsOnly) {
  VARIANT v;
  MakeBstrVariant(&v, L"");
  wchar_t buffer[8] = L"junk";
  EXPECT_EQ(nullptr, VariantText(&v, buffer));  // empty string: no text, empty buffer
  EXPECT_STREQ(L"", buffer);
  ClearBstrVariant(&v);
  EXPECT_EQ(VT_EMPTY, v.vt);
  MakeVariant(&v, 42, VT_I4);
  EXPECT_EQ(nullptr, VariantText(&v));
}

TEST(Variants, AttributeTextFromDom) {
  ASSERT_TRUE(SUCCEEDED(CoInitialize(nullptr)));
  IXMLDOMDocument* document = nullptr;
  ASSERT_TRUE(SUCCEEDED(CoCreateInstance(CLSID_DOMDocument, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                                         reinterpret_cast<void**>(&document))));
  BSTR xml = SysAllocString(L"<param name=\"Duration\" default=\"1.5\" empty=\"\"/>");
  VARIANT_BOOL loaded = VARIANT_FALSE;
  document->loadXML(xml, &loaded);
  SysFreeString(xml);
  ASSERT_EQ(VARIANT_TRUE, loaded);
  IXMLDOMElement* root = nullptr;
  ASSERT_EQ(S_OK, document->get_documentElement(&root));
  IXMLDOMNamedNodeMap* attributes = nullptr;
  ASSERT_EQ(S_OK, root->get_attributes(&attributes));

  wchar_t* name = AttributeText(attributes, L"name");
  EXPECT_STREQ(L"Duration", name);
  FreeText(name);
  wchar_t buffer[32];
  EXPECT_STREQ(L"1.5", AttributeText(attributes, L"default", buffer));
  EXPECT_EQ(nullptr, AttributeText(attributes, L"missing", buffer));
  EXPECT_EQ(nullptr, AttributeText(attributes, L"empty", buffer));
  EXPECT_EQ(nullptr, AttributeText(nullptr, L"name", buffer));

  attributes->Release();
  root->Release();
  document->Release();
  CoUninitialize();
}
