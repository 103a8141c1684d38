// One IUnknown for the engine's COM objects: the reference count, the
// live-object accounting, aggregation, and QueryInterface from a table.
//
// A class lists its interfaces as bases of ComObject<...>; one that adds
// interfaces beyond the list (or answers base interfaces such as IPersist)
// overrides QueryOwn and calls its base's. A class deriving from a ComObject
// and adding interface bases of its own writes COM_DELEGATE_IUNKNOWN once, so
// every base's IUnknown reaches the same count.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <new>

class ComObjectBase {
 public:
  ComObjectBase(const ComObjectBase&) = delete;
  ComObjectBase& operator=(const ComObjectBase&) = delete;

  // The non-delegating IUnknown: what an aggregating object holds.
  IUnknown* Inner() { return &inner_; }

 protected:
  // outer: the aggregating object's IUnknown, or null. The count starts at 1,
  // the creator's reference.
  explicit ComObjectBase(IUnknown* outer);
  virtual ~ComObjectBase();

  // The object's own interfaces: IUnknown itself is answered before this is
  // asked. E_NOINTERFACE with *out null when the iid is not one of them.
  virtual HRESULT QueryOwn(REFIID iid, void** out) = 0;

  // What every interface's IUnknown methods forward to.
  HRESULT OuterQuery(REFIID iid, void** out) { return outer_->QueryInterface(iid, out); }
  ULONG OuterAddRef() { return outer_->AddRef(); }
  ULONG OuterRelease() { return outer_->Release(); }

 private:
  class NonDelegating final : public IUnknown {
   public:
    explicit NonDelegating(ComObjectBase* object) : object_(object) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override;
    STDMETHODIMP_(ULONG) AddRef() override;
    STDMETHODIMP_(ULONG) Release() override;

   private:
    ComObjectBase* object_;  // the object this lives in
  };

  NonDelegating inner_;
  IUnknown* outer_;  // the aggregator (not owned: it owns us) or &inner_
  volatile LONG references_ = 1;
};

#define COM_DELEGATE_IUNKNOWN                                                                         \
  STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return OuterQuery(iid, out); }      \
  STDMETHODIMP_(ULONG) AddRef() override { return OuterAddRef(); }                                    \
  STDMETHODIMP_(ULONG) Release() override { return OuterRelease(); }

// Hands out interface I of object with a new reference.
template <class I, class T>
HRESULT HandOut(T* object, void** out) {
  I* result = static_cast<I*>(object);
  result->AddRef();
  *out = result;
  return S_OK;
}

template <class... Interfaces>
class ComObject : public ComObjectBase, public Interfaces... {
 public:
  COM_DELEGATE_IUNKNOWN

 protected:
  explicit ComObject(IUnknown* outer = nullptr) : ComObjectBase(outer) {}

  HRESULT QueryOwn(REFIID iid, void** out) override {
    *out = nullptr;
    bool found = ((iid == __uuidof(Interfaces) && (*out = static_cast<Interfaces*>(this))) || ...);
    if (!found) return E_NOINTERFACE;
    static_cast<IUnknown*>(*out)->AddRef();
    return S_OK;
  }
};

// Makes a T (constructed from args) and answers its interface iid: the
// pattern of every class object's CreateInstance. An aggregated object can
// only be asked for IUnknown, as COM requires.
template <class T, class... Args>
HRESULT CreateComObject(IUnknown* outer, REFIID iid, void** out, Args&&... args) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (outer && iid != IID_IUnknown) return CLASS_E_NOAGGREGATION;
  T* object = new (std::nothrow) T(outer, static_cast<Args&&>(args)...);
  if (!object) return E_OUTOFMEMORY;
  IUnknown* inner = object->Inner();
  HRESULT hr = inner->QueryInterface(iid, out);
  inner->Release();
  return hr;
}

// An interface implemented inside another object and sharing its identity
// and count (a pin's IMediaSeeking, a compressor's settings on its pin).
template <class I>
class Facet : public I {
 public:
  explicit Facet(IUnknown* owner) : owner_(owner) {}
  Facet(const Facet&) = delete;
  Facet& operator=(const Facet&) = delete;

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override { return owner_->QueryInterface(iid, out); }
  STDMETHODIMP_(ULONG) AddRef() override { return owner_->AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return owner_->Release(); }

 private:
  IUnknown* owner_;  // not owned: the facet lives inside it
};
