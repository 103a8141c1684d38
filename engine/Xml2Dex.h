// Project files: writes a timeline to an editing-services XML file and reads
// one back (see ProjectWriter and ProjectReader for the format).
//
// ReadXMLFile adds the file's groups to the timeline. A file that cannot be
// opened answers its file error; one that is not a project (not XML, not a
// <timeline> root) answers VFW_E_INVALID_FILE_FORMAT; either way the timeline
// is left as it was. Problems inside a project are reported to the error log
// registered on the timeline and loading goes on around them; the answer is
// then S_FALSE, as the timeline does not hold all the file says. Every
// failure is reported to the error log too.
//
// WriteXMLFile writes a temporary file beside the target and replaces the
// target only when that is complete; on failure the target is untouched, the
// file error is answered and reported (DEX_IDS_DISK_WRITE_ERROR).
//
// WriteXML gives the same document as a string and ReadXML reads a DOM
// document or element, answering as ReadXMLFile. A timeline argument that is
// null or no timeline, or an empty file name, is E_INVALIDARG.
//
// WriteGrfFile saves the graph's IPersistStream into the stream
// "ActiveMovieGraph" of a structured-storage file, replaced as project files
// are: E_INVALIDARG for a null graph or an empty name, the graph's
// QueryInterface error when it cannot be saved, else the storage's, the
// graph's or the file's error.
//
// CreateGraphFromFile, Delete, WriteXMLPart, PasteXMLFile, CopyXML, PasteXML
// and the IDispatch methods other than GetTypeInfoCount answer E_NOTIMPL;
// Reset does nothing.
#pragma once

#include <string>

#include "EditingServices.h"

class XmlElement;

class Xml2Dex final : public IXml2Dex {
 public:
  static HRESULT CreateInstance(REFIID iid, void** object);

  // IUnknown
  STDMETHODIMP QueryInterface(REFIID iid, void** object) override;
  STDMETHODIMP_(ULONG) AddRef() override;
  STDMETHODIMP_(ULONG) Release() override;

  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) override;
  STDMETHODIMP GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override;
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale, DISPID* ids) override;
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO* exception, UINT* argumentError) override;

  // IXml2Dex
  STDMETHODIMP CreateGraphFromFile(IUnknown** graph, IUnknown* timeline, BSTR name) override;
  STDMETHODIMP WriteGrfFile(IUnknown* graph, BSTR name) override;
  STDMETHODIMP WriteXMLFile(IUnknown* timeline, BSTR name) override;
  STDMETHODIMP ReadXMLFile(IUnknown* timeline, BSTR name) override;
  STDMETHODIMP Delete(IUnknown* timeline, double start, double end) override;
  STDMETHODIMP WriteXMLPart(IUnknown* timeline, double start, double end, BSTR name) override;
  STDMETHODIMP PasteXMLFile(IUnknown* timeline, double start, BSTR name) override;
  STDMETHODIMP CopyXML(IUnknown* timeline, double start, double end) override;
  STDMETHODIMP PasteXML(IUnknown* timeline, double start) override;
  STDMETHODIMP Reset() override;
  STDMETHODIMP ReadXML(IUnknown* timeline, IUnknown* xml) override;
  STDMETHODIMP WriteXML(IUnknown* timeline, BSTR* xml) override;

 private:
  Xml2Dex();
  ~Xml2Dex();
  Xml2Dex(const Xml2Dex&) = delete;
  Xml2Dex& operator=(const Xml2Dex&) = delete;

  static HRESULT ReadRoot(IAMTimeline* timeline, const XmlElement& root);
  static HRESULT BytesOf(ILockBytes* bytes, std::string* out);

  volatile LONG references_ = 1;
};
