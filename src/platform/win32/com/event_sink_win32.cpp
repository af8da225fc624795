// The event sink (TEventSink): a dispatch interface of our own that a
// source's connection point calls for each event. It hands the arguments to
// its receiver and stores the by-reference ones the receiver changed back
// into the source's variables.
#include <ocidl.h>
#include <oleauto.h>
#include <windows.h>

#include <atomic>
#include <cstring>
#include <vector>

#include "platform/com_events.h"
#include "platform/win32/com/variant_convert.h"

namespace zelk::os {
namespace {

class TEventSink final : public IDispatch {
 public:
  TEventSink(const ComGuid& iid, ComEventReceiver* receiver) : receiver_(receiver) {
    std::memcpy(&iid_, iid.bytes, sizeof iid_);
  }

  // After the disconnection a source that still holds the sink reaches no one.
  void Forget() { receiver_ = nullptr; }

  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    // The source asks for its own event interface: we answer it with IDispatch.
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == iid_) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs_); }
  STDMETHODIMP_(ULONG) Release() override {
    const long left = --refs_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO*, UINT*) override {
    if (result) VariantInit(result);
    if (receiver_ == nullptr) return S_OK;
    const UINT count = params ? params->cArgs : 0;
    std::vector<ComEventArgument> arguments(count);
    for (UINT i = 0; i < count; ++i) {
      const VARIANT& v = params->rgvarg[i];
      if (v.vt & VT_BYREF) arguments[i].refType = static_cast<std::uint16_t>(v.vt & ~VT_BYREF);
      VariantToComValue(v, &arguments[i].value);
    }
    // The receiver may run script code that disconnects this very sink.
    AddRef();
    bool ok = false;
    try {
      ok = receiver_->OnEvent(id, arguments);
    } catch (...) {
      ok = false;
    }
    for (UINT i = 0; i < count; ++i) {
      // One argument that will not convert is skipped; the others still go back.
      if (arguments[i].writeBack) StoreThroughReference(arguments[i].value, &params->rgvarg[i]);
    }
    Release();
    return ok ? S_OK : S_FALSE;
  }

 private:
  std::atomic<long> refs_{1};
  IID iid_;
  ComEventReceiver* receiver_;
};

class Connection final : public ComEventConnection {
 public:
  Connection(IConnectionPoint* point, TEventSink* sink, DWORD cookie)
      : point_(point), sink_(sink), cookie_(cookie) {}
  ~Connection() override {
    sink_->Forget();
    point_->Unadvise(cookie_);
    point_->Release();
    sink_->Release();
  }

 private:
  IConnectionPoint* point_;
  TEventSink* sink_;
  DWORD cookie_;
};

}  // namespace

std::unique_ptr<ComEventConnection> ComConnectEvents(const ComRef& object, const ComGuid& iid,
                                                     ComEventReceiver* receiver,
                                                     std::u16string* failure) {
  failure->clear();
  if (!object) return nullptr;
  EnsureComInitialized();
  IConnectionPointContainer* container = nullptr;
  HRESULT hr =
      static_cast<IUnknown*>(object.get())
          ->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&container));
  if (FAILED(hr)) {
    *failure = ComFailureText(hr);
    return nullptr;
  }
  IID wanted;
  std::memcpy(&wanted, iid.bytes, sizeof wanted);
  IConnectionPoint* point = nullptr;
  hr = container->FindConnectionPoint(wanted, &point);
  container->Release();
  if (FAILED(hr)) {
    *failure = ComFailureText(hr);
    return nullptr;
  }
  auto* sink = new TEventSink(iid, receiver);
  DWORD cookie = 0;
  hr = point->Advise(sink, &cookie);
  if (FAILED(hr)) {
    *failure = ComFailureText(hr);
    sink->Release();
    point->Release();
    return nullptr;
  }
  return std::make_unique<Connection>(point, sink, cookie);
}

}  // namespace zelk::os
