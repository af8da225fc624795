// An in-process automation server of our own for the event tests:
// "ZelkTest.EventSource" raises events with by-value and by-reference
// arguments through a connection point and tells what its sinks answered.
// Its type library is built at run time (no IDL compiler here) and shows the
// event interface as the coclass's source interface, as real servers do.
// The tests register it themselves through DllRegisterServer.
#include <ocidl.h>
#include <oleauto.h>
#include <olectl.h>
#include <windows.h>

#include <atomic>
#include <cwchar>
#include <string>
#include <vector>

#define ZT_EXPORT extern "C" __declspec(dllexport)

namespace {

// {07929CE1-A8D3-48EB-A9A2-4654BA6FEBB7}
const CLSID kClsid = {0x07929ce1, 0xa8d3, 0x48eb, {0xa9, 0xa2, 0x46, 0x54, 0xba, 0x6f, 0xeb, 0xb7}};
// The object's own members.
const IID kSourceIid = {
    0x95c44fa0, 0x6cf1, 0x490b, {0xac, 0x1d, 0xc1, 0x71, 0x82, 0xc4, 0xf3, 0x08}};
// The event interface.
const IID kEventsIid = {
    0x4f9e14f7, 0x2bf1, 0x497b, {0xb4, 0x11, 0x94, 0xf4, 0xf8, 0x68, 0x4a, 0xd9}};
const GUID kLibId = {0x74822626, 0x6eb9, 0x4ed1, {0x8c, 0x6a, 0x95, 0xb8, 0xb9, 0xb6, 0xb3, 0xad}};

constexpr const wchar_t* kProgId = L"ZelkTest.EventSource";
constexpr const wchar_t* kClsidText = L"{07929CE1-A8D3-48EB-A9A2-4654BA6FEBB7}";

HMODULE module = nullptr;
std::atomic<long> liveObjects{0};

// Dispatch identifiers of the object's members.
enum Member : DISPID {
  kFireChanged = 1,
  kFireBeforeClose,
  kFireAdjust,
  kFireLater,
  kSinkCount,
  kVarTypeOf,
  kLastResult,
  kParent,
  kName,
  kActLikeOffice,
  kFireUnknown,
};

// Dispatch identifiers of the events.
enum Event : DISPID { kChanged = 1, kBeforeClose, kAdjust };

struct MemberName {
  const wchar_t* name;
  DISPID id;
};
constexpr MemberName kMembers[] = {
    {L"FireChanged", kFireChanged},
    {L"FireBeforeClose", kFireBeforeClose},
    {L"FireAdjust", kFireAdjust},
    {L"FireLater", kFireLater},
    {L"SinkCount", kSinkCount},
    {L"VarTypeOf", kVarTypeOf},
    {L"LastResult", kLastResult},
    {L"Parent", kParent},
    {L"Name", kName},
    {L"ActLikeOffice", kActLikeOffice},
    {L"FireUnknown", kFireUnknown},
};

// --- The type library ------------------------------------------------------

struct FunctionShape {
  const wchar_t* name;
  DISPID id;
  INVOKEKIND kind;
  VARTYPE result;
  std::vector<VARTYPE> params;  // VT_BYREF marks a by-reference parameter
  std::vector<const wchar_t*> paramNames;
};

HRESULT AddFunctions(ICreateTypeInfo* info, const std::vector<FunctionShape>& shapes) {
  UINT index = 0;
  for (const FunctionShape& shape : shapes) {
    std::vector<ELEMDESC> params(shape.params.size());
    std::vector<TYPEDESC> pointed(shape.params.size());
    for (std::size_t i = 0; i < shape.params.size(); ++i) {
      const VARTYPE vt = shape.params[i];
      ELEMDESC& p = params[i];
      if (vt & VT_BYREF) {
        pointed[i].vt = static_cast<VARTYPE>(vt & ~VT_BYREF);
        p.tdesc.vt = VT_PTR;
        p.tdesc.lptdesc = &pointed[i];
        p.paramdesc.wParamFlags = PARAMFLAG_FIN | PARAMFLAG_FOUT;
      } else {
        p.tdesc.vt = vt;
        p.paramdesc.wParamFlags = PARAMFLAG_FIN;
      }
    }
    FUNCDESC desc{};
    desc.memid = shape.id;
    desc.funckind = FUNC_DISPATCH;
    desc.invkind = shape.kind;
    desc.callconv = CC_STDCALL;
    desc.cParams = static_cast<SHORT>(params.size());
    desc.lprgelemdescParam = params.empty() ? nullptr : params.data();
    desc.elemdescFunc.tdesc.vt = shape.result;
    HRESULT hr = info->AddFuncDesc(index, &desc);
    if (FAILED(hr)) return hr;
    std::vector<LPOLESTR> names{const_cast<LPOLESTR>(shape.name)};
    // A property get names no parameters.
    for (const wchar_t* n : shape.paramNames) names.push_back(const_cast<LPOLESTR>(n));
    hr = info->SetFuncAndParamNames(index, names.data(), static_cast<UINT>(names.size()));
    if (FAILED(hr)) return hr;
    ++index;
  }
  return S_OK;
}

// IDispatch as every dispinterface's base, when the system's stdole2 has it.
void InheritDispatch(ICreateTypeInfo* info) {
  ITypeLib* stdole = nullptr;
  if (FAILED(LoadRegTypeLib(IID_StdOle, 2, 0, LOCALE_NEUTRAL, &stdole))) return;
  ITypeInfo* dispatch = nullptr;
  if (SUCCEEDED(stdole->GetTypeInfoOfGuid(IID_IDispatch, &dispatch))) {
    HREFTYPE ref = 0;
    if (SUCCEEDED(info->AddRefTypeInfo(dispatch, &ref))) info->AddImplType(0, ref);
    dispatch->Release();
  }
  stdole->Release();
}

HRESULT CreateDispInterface(ICreateTypeLib2* lib, const wchar_t* name, const IID& iid,
                            const std::vector<FunctionShape>& shapes, ICreateTypeInfo** out) {
  ICreateTypeInfo* info = nullptr;
  HRESULT hr = lib->CreateTypeInfo(const_cast<LPOLESTR>(name), TKIND_DISPATCH, &info);
  if (FAILED(hr)) return hr;
  info->SetGuid(iid);
  InheritDispatch(info);
  hr = AddFunctions(info, shapes);
  if (SUCCEEDED(hr)) hr = info->LayOut();
  if (FAILED(hr)) {
    info->Release();
    return hr;
  }
  *out = info;
  return S_OK;
}

HRESULT AddImplemented(ICreateTypeInfo* coclass, ICreateTypeInfo* implemented, UINT index,
                       INT flags) {
  ITypeInfo* typeInfo = nullptr;
  HRESULT hr = implemented->QueryInterface(IID_ITypeInfo, reinterpret_cast<void**>(&typeInfo));
  if (FAILED(hr)) return hr;
  HREFTYPE ref = 0;
  hr = coclass->AddRefTypeInfo(typeInfo, &ref);
  typeInfo->Release();
  if (SUCCEEDED(hr)) hr = coclass->AddImplType(index, ref);
  if (SUCCEEDED(hr)) hr = coclass->SetImplTypeFlags(index, flags);
  return hr;
}

HRESULT BuildTypeLib(ITypeLib** out) {
  // The file name is only recorded: the library lives in memory.
  wchar_t path[MAX_PATH + 32];
  DWORD n = GetTempPathW(MAX_PATH, path);
  if (n == 0 || n > MAX_PATH) return E_FAIL;
  wcscat(path, L"zelk_test_events.tlb");
#ifdef _WIN64
  const SYSKIND kind = SYS_WIN64;
#else
  const SYSKIND kind = SYS_WIN32;
#endif
  ICreateTypeLib2* lib = nullptr;
  HRESULT hr = CreateTypeLib2(kind, path, &lib);
  if (FAILED(hr)) return hr;
  lib->SetGuid(kLibId);
  lib->SetName(const_cast<LPOLESTR>(L"ZelkTest"));
  lib->SetVersion(1, 0);
  lib->SetLcid(LOCALE_NEUTRAL);

  const std::vector<FunctionShape> members = {
      {L"FireChanged",
       kFireChanged,
       INVOKE_FUNC,
       VT_I4,
       {VT_BSTR, VT_VARIANT},
       {L"name", L"value"}},
      {L"FireBeforeClose", kFireBeforeClose, INVOKE_FUNC, VT_I4, {}, {}},
      {L"FireAdjust", kFireAdjust, INVOKE_FUNC, VT_BSTR, {VT_I4}, {L"amount"}},
      {L"FireLater", kFireLater, INVOKE_FUNC, VT_EMPTY, {VT_BSTR, VT_I4}, {L"name", L"ms"}},
      {L"SinkCount", kSinkCount, INVOKE_PROPERTYGET, VT_I4, {}, {}},
      {L"VarTypeOf", kVarTypeOf, INVOKE_FUNC, VT_I4, {VT_VARIANT}, {L"value"}},
      {L"LastResult", kLastResult, INVOKE_PROPERTYGET, VT_I4, {}, {}},
      {L"Parent", kParent, INVOKE_PROPERTYGET, VT_DISPATCH, {}, {}},
      {L"Name", kName, INVOKE_PROPERTYGET, VT_BSTR, {}, {}},
      {L"ActLikeOffice", kActLikeOffice, INVOKE_FUNC, VT_EMPTY, {}, {}},
      {L"FireUnknown", kFireUnknown, INVOKE_FUNC, VT_I4, {}, {}},
  };
  const std::vector<FunctionShape> events = {
      {L"Changed", kChanged, INVOKE_FUNC, VT_EMPTY, {VT_BSTR, VT_VARIANT}, {L"name", L"value"}},
      {L"BeforeClose", kBeforeClose, INVOKE_FUNC, VT_EMPTY, {VT_BOOL | VT_BYREF}, {L"cancel"}},
      {L"Adjust",
       kAdjust,
       INVOKE_FUNC,
       VT_EMPTY,
       {VT_I4 | VT_BYREF, VT_R8 | VT_BYREF, VT_BSTR | VT_BYREF, VT_I2 | VT_BYREF, VT_R4 | VT_BYREF,
        VT_UI1 | VT_BYREF, VT_VARIANT | VT_BYREF},
       {L"amount", L"factor", L"label", L"small", L"single", L"octet", L"any"}},
  };
  ICreateTypeInfo* source = nullptr;
  ICreateTypeInfo* sink = nullptr;
  ICreateTypeInfo* coclass = nullptr;
  hr = CreateDispInterface(lib, L"IZelkEventSource", kSourceIid, members, &source);
  if (SUCCEEDED(hr)) hr = CreateDispInterface(lib, L"ZelkTestEvents", kEventsIid, events, &sink);
  if (SUCCEEDED(hr))
    hr = lib->CreateTypeInfo(const_cast<LPOLESTR>(L"EventSource"), TKIND_COCLASS, &coclass);
  if (SUCCEEDED(hr)) {
    coclass->SetGuid(kClsid);
    coclass->SetTypeFlags(TYPEFLAG_FCANCREATE);
    hr = AddImplemented(coclass, source, 0, IMPLTYPEFLAG_FDEFAULT);
    if (SUCCEEDED(hr))
      hr = AddImplemented(coclass, sink, 1, IMPLTYPEFLAG_FDEFAULT | IMPLTYPEFLAG_FSOURCE);
    if (SUCCEEDED(hr)) hr = coclass->LayOut();
  }
  if (SUCCEEDED(hr)) hr = lib->QueryInterface(IID_ITypeLib, reinterpret_cast<void**>(out));
  if (FAILED(hr)) {
    // A system whose library being built cannot be read yet: save and load it.
    if (SUCCEEDED(lib->SaveAllChanges())) hr = LoadTypeLibEx(path, REGKIND_NONE, out);
  }
  if (coclass) coclass->Release();
  if (sink) sink->Release();
  if (source) source->Release();
  lib->Release();
  return hr;
}

ITypeLib* TypeLib() {
  static ITypeLib* lib = [] {
    ITypeLib* built = nullptr;
    return SUCCEEDED(BuildTypeLib(&built)) ? built : nullptr;
  }();
  return lib;
}

HRESULT TypeInfoOf(const GUID& guid, ITypeInfo** out) {
  *out = nullptr;
  ITypeLib* lib = TypeLib();
  return lib ? lib->GetTypeInfoOfGuid(guid, out) : TYPE_E_CANTLOADLIBRARY;
}

// --- Variant helpers -------------------------------------------------------

// Argument i of the call in declaration order (they arrive last first).
VARIANT* Argument(DISPPARAMS* params, UINT i) {
  if (params == nullptr || i >= params->cArgs) return nullptr;
  return &params->rgvarg[params->cArgs - 1 - i];
}

bool ArgumentAs(DISPPARAMS* params, UINT i, VARTYPE vt, VARIANT* out) {
  VARIANT* arg = Argument(params, i);
  VariantInit(out);
  return arg != nullptr && SUCCEEDED(VariantChangeType(out, arg, 0, vt));
}

std::wstring Text(const VARIANT& v) {
  VARIANT copy;
  VariantInit(&copy);
  std::wstring text;
  if (SUCCEEDED(
          VariantChangeTypeEx(&copy, const_cast<VARIANT*>(&v), LOCALE_INVARIANT, 0, VT_BSTR)) &&
      copy.bstrVal) {
    text.assign(copy.bstrVal, SysStringLen(copy.bstrVal));
  }
  VariantClear(&copy);
  return text;
}

// --- The object ------------------------------------------------------------

class EventSource;
EventSource* lastCreated = nullptr;

class ConnectionPoint final : public IConnectionPoint {
 public:
  explicit ConnectionPoint(IConnectionPointContainer* owner) : owner_(owner) {}
  ~ConnectionPoint() {
    for (IDispatch* sink : sinks_) {
      if (sink) sink->Release();
    }
  }

  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IConnectionPoint) {
      *out = static_cast<IConnectionPoint*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  // Lives as long as its owner.
  STDMETHODIMP_(ULONG) AddRef() override { return owner_->AddRef(); }
  STDMETHODIMP_(ULONG) Release() override { return owner_->Release(); }

  STDMETHODIMP GetConnectionInterface(IID* iid) override {
    *iid = kEventsIid;
    return S_OK;
  }
  STDMETHODIMP GetConnectionPointContainer(IConnectionPointContainer** out) override {
    *out = owner_;
    owner_->AddRef();
    return S_OK;
  }
  STDMETHODIMP Advise(IUnknown* sink, DWORD* cookie) override {
    if (sink == nullptr || cookie == nullptr) return E_POINTER;
    // As clients expect: the sink answers for the event interface itself.
    IDispatch* events = nullptr;
    if (FAILED(sink->QueryInterface(kEventsIid, reinterpret_cast<void**>(&events)))) {
      return CONNECT_E_CANNOTCONNECT;
    }
    sinks_.push_back(events);
    *cookie = static_cast<DWORD>(sinks_.size());
    return S_OK;
  }
  STDMETHODIMP Unadvise(DWORD cookie) override {
    if (cookie == 0 || cookie > sinks_.size() || sinks_[cookie - 1] == nullptr) {
      return CONNECT_E_NOCONNECTION;
    }
    IDispatch* sink = sinks_[cookie - 1];
    sinks_[cookie - 1] = nullptr;
    sink->Release();
    return S_OK;
  }
  STDMETHODIMP EnumConnections(IEnumConnections**) override { return E_NOTIMPL; }

  long Count() const {
    long n = 0;
    for (IDispatch* sink : sinks_) n += sink != nullptr;
    return n;
  }

  // Calls every sink; the number reached. *last: the last sink's answer.
  long Fire(DISPID id, DISPPARAMS* params, HRESULT* last) {
    long reached = 0;
    // A handler may disconnect while it runs: walk a snapshot.
    std::vector<IDispatch*> sinks;
    for (IDispatch* sink : sinks_) {
      if (sink) {
        sink->AddRef();
        sinks.push_back(sink);
      }
    }
    for (IDispatch* sink : sinks) {
      *last = sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, params, nullptr,
                           nullptr, nullptr);
      ++reached;
      sink->Release();
    }
    return reached;
  }

 private:
  IConnectionPointContainer* owner_;
  std::vector<IDispatch*> sinks_;
};

class EventSource final : public IDispatch,
                          public IConnectionPointContainer,
                          public IProvideClassInfo {
 public:
  EventSource() : point_(this) {
    ++liveObjects;
    lastCreated = this;
  }
  ~EventSource() {
    if (lastCreated == this) lastCreated = nullptr;
    if (app_) app_->Release();
    --liveObjects;
  }

  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IDispatch || riid == kSourceIid) {
      *out = static_cast<IDispatch*>(this);
    } else if (riid == IID_IConnectionPointContainer) {
      *out = static_cast<IConnectionPointContainer*>(this);
    } else if (riid == IID_IProvideClassInfo) {
      *out = static_cast<IProvideClassInfo*>(this);
    } else {
      *out = nullptr;
      return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return static_cast<ULONG>(++refs_); }
  STDMETHODIMP_(ULONG) Release() override {
    const long left = --refs_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
  }

  // IDispatch
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    *count = 1;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** out) override {
    if (index != 0) return DISP_E_BADINDEX;
    return TypeInfoOf(kSourceIid, out);
  }
  STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
      ids[i] = DISPID_UNKNOWN;
      if (i == 0) {
        for (const MemberName& m : kMembers) {
          if (_wcsicmp(m.name, names[0]) == 0) ids[0] = m.id;
        }
      }
      if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
  }
  STDMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                      EXCEPINFO*, UINT*) override;

  // IConnectionPointContainer
  STDMETHODIMP EnumConnectionPoints(IEnumConnectionPoints**) override { return E_NOTIMPL; }
  STDMETHODIMP FindConnectionPoint(REFIID riid, IConnectionPoint** out) override {
    if (riid != kEventsIid) {
      *out = nullptr;
      return CONNECT_E_NOCONNECTION;
    }
    *out = &point_;
    point_.AddRef();
    return S_OK;
  }

  // IProvideClassInfo
  STDMETHODIMP GetClassInfo(ITypeInfo** out) override { return TypeInfoOf(kClsid, out); }

  // The events, raised as a real server does: arguments last first, except
  // for an object acting as an office application, which passes them first
  // first.
  long FireChanged(const wchar_t* name, const VARIANT& value) {
    VARIANT args[2];
    VariantInit(&args[0]);
    VariantInit(&args[1]);
    args[0].vt = VT_BSTR;
    args[0].bstrVal = SysAllocString(name);
    VariantCopy(&args[1], const_cast<VARIANT*>(&value));
    if (!officeOrder_) std::swap(args[0], args[1]);
    DISPPARAMS params{args, nullptr, 2, 0};
    const long reached = point_.Fire(kChanged, &params, &lastResult_);
    VariantClear(&args[0]);
    VariantClear(&args[1]);
    return reached;
  }
  long FireBeforeClose() {
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANT arg;
    arg.vt = VT_BOOL | VT_BYREF;
    arg.pboolVal = &cancel;
    DISPPARAMS params{&arg, nullptr, 1, 0};
    point_.Fire(kBeforeClose, &params, &lastResult_);
    return cancel;
  }
  // The values every by-reference argument holds after the handlers, joined by "|".
  std::wstring FireAdjust(long amount) {
    double factor = 1.5;
    BSTR label = SysAllocString(L"start");
    SHORT small = 7;
    FLOAT single = 0.25f;
    BYTE octet = 9;
    VARIANT any;
    VariantInit(&any);
    any.vt = VT_BSTR;
    any.bstrVal = SysAllocString(L"v");
    VARIANT args[7];
    args[0].vt = VT_I4 | VT_BYREF;
    args[0].plVal = &amount;
    args[1].vt = VT_R8 | VT_BYREF;
    args[1].pdblVal = &factor;
    args[2].vt = VT_BSTR | VT_BYREF;
    args[2].pbstrVal = &label;
    args[3].vt = VT_I2 | VT_BYREF;
    args[3].piVal = &small;
    args[4].vt = VT_R4 | VT_BYREF;
    args[4].pfltVal = &single;
    args[5].vt = VT_UI1 | VT_BYREF;
    args[5].pbVal = &octet;
    args[6].vt = VT_VARIANT | VT_BYREF;
    args[6].pvarVal = &any;
    if (!officeOrder_) {
      for (int i = 0; i < 3; ++i) std::swap(args[i], args[6 - i]);
    }
    DISPPARAMS params{args, nullptr, 7, 0};
    point_.Fire(kAdjust, &params, &lastResult_);
    wchar_t numbers[160];
    swprintf(numbers, 160, L"%ld|%g|", amount, factor);
    std::wstring report = numbers;
    report += label ? std::wstring(label, SysStringLen(label)) : std::wstring();
    swprintf(numbers, 160, L"|%d|%g|%u|", small, static_cast<double>(single), octet);
    report += numbers;
    report += Text(any);
    SysFreeString(label);
    VariantClear(&any);
    return report;
  }
  // An event the type library does not list.
  long FireUnknown() {
    DISPPARAMS params{nullptr, nullptr, 0, 0};
    return point_.Fire(99, &params, &lastResult_);
  }

  // Changed(name, "later") from this thread's message loop after ms.
  void FireLater(const wchar_t* name, UINT ms) {
    laterName_ = name;
    AddRef();  // until the timer has fired
    laterTimer_ = SetTimer(nullptr, 0, ms, &EventSource::LaterProc);
    pendingLater_ = this;
  }

 private:
  static void CALLBACK LaterProc(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    EventSource* self = pendingLater_;
    pendingLater_ = nullptr;
    if (self == nullptr) return;
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_BSTR;
    value.bstrVal = SysAllocString(L"later");
    self->FireChanged(self->laterName_.c_str(), value);
    VariantClear(&value);
    self->Release();
  }

  HRESULT Get(DISPID id, DISPPARAMS* params, VARIANT* result);

  std::atomic<long> refs_{1};
  ConnectionPoint point_;
  HRESULT lastResult_ = S_OK;
  bool officeOrder_ = false;
  bool isApplication_ = false;
  EventSource* app_ = nullptr;  // the "application" above an office-like object
  std::wstring laterName_;
  UINT_PTR laterTimer_ = 0;
  static inline EventSource* pendingLater_ = nullptr;
};

HRESULT EventSource::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                            EXCEPINFO*, UINT* argErr) {
  VARIANT scratch;
  VariantInit(&scratch);
  if (result == nullptr) result = &scratch;
  VariantInit(result);
  HRESULT hr = Get(id, params, result);
  VariantClear(&scratch);
  if (hr == DISP_E_TYPEMISMATCH && argErr) *argErr = 0;
  return hr;
}

HRESULT EventSource::Get(DISPID id, DISPPARAMS* params, VARIANT* result) {
  VARIANT a;
  switch (id) {
    case kFireChanged: {
      VARIANT* value = Argument(params, 1);
      if (!ArgumentAs(params, 0, VT_BSTR, &a) || value == nullptr) return DISP_E_TYPEMISMATCH;
      VARIANT copy;
      VariantInit(&copy);
      // A by-reference argument raises the value it refers to.
      VariantCopyInd(&copy, value);
      result->vt = VT_I4;
      result->lVal = FireChanged(a.bstrVal, copy);
      VariantClear(&copy);
      VariantClear(&a);
      return S_OK;
    }
    case kFireBeforeClose:
      result->vt = VT_I4;
      result->lVal = FireBeforeClose();
      return S_OK;
    case kFireAdjust: {
      if (!ArgumentAs(params, 0, VT_I4, &a)) return DISP_E_TYPEMISMATCH;
      result->vt = VT_BSTR;
      result->bstrVal = SysAllocString(FireAdjust(a.lVal).c_str());
      return S_OK;
    }
    case kFireLater: {
      VARIANT ms;
      if (!ArgumentAs(params, 0, VT_BSTR, &a) || !ArgumentAs(params, 1, VT_I4, &ms))
        return DISP_E_TYPEMISMATCH;
      FireLater(a.bstrVal, static_cast<UINT>(ms.lVal));
      VariantClear(&a);
      return S_OK;
    }
    case kSinkCount:
      result->vt = VT_I4;
      result->lVal = point_.Count();
      return S_OK;
    case kVarTypeOf: {
      VARIANT* value = Argument(params, 0);
      if (value == nullptr) return DISP_E_BADPARAMCOUNT;
      result->vt = VT_I4;
      result->lVal = value->vt;
      return S_OK;
    }
    case kLastResult:
      result->vt = VT_I4;
      result->lVal = lastResult_;
      return S_OK;
    case kParent: {
      // An office-like object's parent is its application; the top object
      // is its own parent.
      IDispatch* parent = app_ ? static_cast<IDispatch*>(app_) : this;
      parent->AddRef();
      result->vt = VT_DISPATCH;
      result->pdispVal = parent;
      return S_OK;
    }
    case kName:
      result->vt = VT_BSTR;
      result->bstrVal =
          SysAllocString(isApplication_ ? L"Microsoft Excel" : L"ZelkTest EventSource");
      return S_OK;
    case kActLikeOffice:
      if (app_ == nullptr) {
        app_ = new EventSource();
        app_->isApplication_ = true;
        lastCreated = this;
      }
      officeOrder_ = true;
      return S_OK;
    case kFireUnknown:
      result->vt = VT_I4;
      result->lVal = FireUnknown();
      return S_OK;
    default:
      return DISP_E_MEMBERNOTFOUND;
  }
}

class Factory final : public IClassFactory {
 public:
  STDMETHODIMP QueryInterface(REFIID riid, void** out) override {
    if (riid == IID_IUnknown || riid == IID_IClassFactory) {
      *out = static_cast<IClassFactory*>(this);
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  STDMETHODIMP_(ULONG) AddRef() override { return 2; }
  STDMETHODIMP_(ULONG) Release() override { return 1; }
  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** out) override {
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    auto* source = new EventSource();
    HRESULT hr = source->QueryInterface(riid, out);
    source->Release();
    return hr;
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

Factory factory;

LONG SetKey(HKEY root, const std::wstring& path, const wchar_t* name, const std::wstring& value) {
  HKEY key = nullptr;
  LONG status =
      RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr);
  if (status != ERROR_SUCCESS) return status;
  status = RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  RegCloseKey(key);
  return status;
}

// The program identifier and the class with this file as its in-process
// server, usable from any apartment, under classes (a key of root).
bool Register(HKEY root, const std::wstring& classes, const wchar_t* path) {
  const std::wstring clsid = classes + L"CLSID\\" + kClsidText;
  return SetKey(root, classes + kProgId, nullptr, L"ZelkTest event source") == ERROR_SUCCESS &&
         SetKey(root, classes + kProgId + L"\\CLSID", nullptr, kClsidText) == ERROR_SUCCESS &&
         SetKey(root, clsid, nullptr, L"ZelkTest event source") == ERROR_SUCCESS &&
         SetKey(root, clsid + L"\\ProgID", nullptr, kProgId) == ERROR_SUCCESS &&
         SetKey(root, clsid + L"\\InprocServer32", nullptr, path) == ERROR_SUCCESS &&
         SetKey(root, clsid + L"\\InprocServer32", L"ThreadingModel", L"Both") == ERROR_SUCCESS;
}

void Unregister(HKEY root, const std::wstring& classes) {
  RegDeleteTreeW(root, (classes + kProgId).c_str());
  RegDeleteTreeW(root, (classes + L"CLSID\\" + kClsidText).c_str());
}

}  // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) module = instance;
  return TRUE;
}

ZT_EXPORT HRESULT WINAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** out) {
  if (clsid != kClsid) {
    *out = nullptr;
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  return factory.QueryInterface(riid, out);
}

ZT_EXPORT HRESULT WINAPI DllCanUnloadNow() {
  return liveObjects == 0 ? S_OK : S_FALSE;
}

// Registration needs no administrator: the current user's classes. Wine's
// automation layer reads only the machine's classes, which its prefix user
// may write, so those are written too where that is allowed.
ZT_EXPORT HRESULT WINAPI DllRegisterServer() {
  wchar_t path[MAX_PATH];
  if (GetModuleFileNameW(module, path, MAX_PATH) == 0) return SELFREG_E_CLASS;
  const bool user = Register(HKEY_CURRENT_USER, L"Software\\Classes\\", path);
  const bool machine = Register(HKEY_CLASSES_ROOT, L"", path);
  return user || machine ? S_OK : SELFREG_E_CLASS;
}

ZT_EXPORT HRESULT WINAPI DllUnregisterServer() {
  Unregister(HKEY_CURRENT_USER, L"Software\\Classes\\");
  Unregister(HKEY_CLASSES_ROOT, L"");
  return S_OK;
}

// For tests that raise the events without a method call: the object created
// last on this process. Each answers as the method of the same name, or -1
// when there is no object.
ZT_EXPORT int WINAPI ZtsFireChanged(const wchar_t* name, int value) {
  if (lastCreated == nullptr) return -1;
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = value;
  return lastCreated->FireChanged(name, v);
}

ZT_EXPORT int WINAPI ZtsFireBeforeClose() {
  return lastCreated ? lastCreated->FireBeforeClose() : -1;
}
