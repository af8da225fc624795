// Creating, finding and invoking automation objects through IDispatch.
#include <windows.h>
// after windows.h
#include <objbase.h>
#include <oleauto.h>

#include <array>
#include <vector>

#include "platform/com_automation.h"
#include "platform/win32/com/variant_convert.h"

namespace zelk::os {
namespace {

bool ClassOf(std::u16string_view progId, CLSID* clsid, std::u16string* failure) {
  std::u16string id(progId);
  const wchar_t* w = reinterpret_cast<const wchar_t*>(id.c_str());
  HRESULT hr = !id.empty() && id[0] == u'{' ? CLSIDFromString(w, clsid) : CLSIDFromProgID(w, clsid);
  if (FAILED(hr)) {
    *failure = ComFailureText(hr);
    return false;
  }
  return true;
}

bool AsDispatch(IUnknown* unknown, ComRef* object, std::u16string* failure) {
  IDispatch* dispatch = nullptr;
  HRESULT hr = unknown->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch));
  unknown->Release();
  if (FAILED(hr)) {
    *failure = ComFailureText(hr);
    return false;
  }
  *object = ComRef::Adopt(dispatch);
  return true;
}

}  // namespace

bool ComCreateObject(std::u16string_view progId, ComRef* object, std::u16string* failure) {
  EnsureComInitialized();
  CLSID clsid;
  if (!ClassOf(progId, &clsid, failure)) return false;
  IUnknown* unknown = nullptr;
  HRESULT hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER | CLSCTX_LOCAL_SERVER,
                                IID_IUnknown, reinterpret_cast<void**>(&unknown));
  if (FAILED(hr)) {
    *failure = ComFailureText(hr);
    return false;
  }
  return AsDispatch(unknown, object, failure);
}

bool ComGetActiveObject(std::u16string_view progId, ComRef* object, std::u16string* failure) {
  EnsureComInitialized();
  CLSID clsid;
  if (!ClassOf(progId, &clsid, failure)) return false;
  IUnknown* unknown = nullptr;
  HRESULT hr = GetActiveObject(clsid, nullptr, &unknown);
  if (FAILED(hr) || !unknown) {
    *failure = ComFailureText(FAILED(hr) ? hr : E_POINTER);
    return false;
  }
  return AsDispatch(unknown, object, failure);
}

namespace {

constexpr std::size_t kMostArguments = 17;  // 16 and a put value

// Invokes member with the arguments; namedIds[i] is the identifier of
// argument i when it is named (DISPID_UNKNOWN otherwise).
bool Call(IDispatch* dispatch, DISPID member, const DISPID* namedIds, ComInvoke kind,
          std::span<ComArgument> arguments, ComValue* result, std::u16string* failure) {
  const std::size_t count = arguments.size();
  if (count > kMostArguments) {
    *failure = ComFailureText(DISP_E_BADPARAMCOUNT);
    return false;
  }
  const bool put = kind == ComInvoke::kPut || kind == ComInvoke::kPutRef;
  // The put value: the marked argument, else the last one.
  std::size_t putAt = count;
  if (put && count > 0) {
    putAt = count - 1;
    for (std::size_t i = 0; i < count; ++i) {
      if (arguments[i].putValue) putAt = i;
    }
  }
  // Order for the call: the put value, the named arguments, then the
  // positional ones last to first.
  std::array<std::size_t, kMostArguments> order;
  std::array<DISPID, kMostArguments> ids;
  std::size_t n = 0, named = 0;
  if (putAt < count) {
    order[n++] = putAt;
    ids[named++] = DISPID_PROPERTYPUT;
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (i != putAt && namedIds[i] != DISPID_UNKNOWN) {
      order[n++] = i;
      ids[named++] = namedIds[i];
    }
  }
  for (std::size_t i = count; i-- > 0;) {
    if (i != putAt && namedIds[i] == DISPID_UNKNOWN) order[n++] = i;
  }

  std::array<VARIANT, kMostArguments> args;
  std::array<VARIANT, kMostArguments> refs;
  for (std::size_t k = 0; k < count; ++k) {
    const std::size_t i = order[k];
    VariantInit(&args[k]);
    VariantInit(&refs[k]);
    if (arguments[i].byRef) {
      ComValueToVariant(arguments[i].value, &refs[k]);
      args[k].vt = VT_BYREF | VT_VARIANT;
      args[k].pvarVal = &refs[k];
    } else {
      ComValueToVariant(arguments[i].value, &args[k]);
    }
  }

  DISPPARAMS params{};
  params.rgvarg = count ? args.data() : nullptr;
  params.cArgs = static_cast<UINT>(count);
  params.rgdispidNamedArgs = named ? ids.data() : nullptr;
  params.cNamedArgs = static_cast<UINT>(named);
  WORD flags = DISPATCH_METHOD | DISPATCH_PROPERTYGET;
  if (kind == ComInvoke::kMethod) flags = DISPATCH_METHOD;
  if (kind == ComInvoke::kPut) flags = DISPATCH_PROPERTYPUT;
  if (kind == ComInvoke::kPutRef) flags = DISPATCH_PROPERTYPUTREF;

  VARIANT answer;
  VariantInit(&answer);
  EXCEPINFO info{};
  UINT badArgument = 0;
  HRESULT hr = dispatch->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT, flags, &params,
                                put ? nullptr : &answer, &info, &badArgument);
  const bool ok = SUCCEEDED(hr);
  if (ok) {
    if (result) VariantToComValue(answer, result);
    for (std::size_t k = 0; k < count; ++k) {
      if (arguments[order[k]].byRef) VariantToComValue(refs[k], &arguments[order[k]].value);
    }
  } else {
    *failure = FailureFromResult(hr, &info);
  }
  SysFreeString(info.bstrSource);
  SysFreeString(info.bstrDescription);
  SysFreeString(info.bstrHelpFile);
  VariantClear(&answer);
  for (std::size_t k = 0; k < count; ++k) {
    VariantClear(&args[k]);
    VariantClear(&refs[k]);
  }
  return ok;
}

// The object's dispatch interface, COM ready on this thread; null (and
// *failure set) for no object.
IDispatch* DispatchOf(const ComRef& object, std::u16string* failure) {
  EnsureComInitialized();
  IDispatch* dispatch = static_cast<IDispatch*>(object.get());
  if (!dispatch) *failure = ComFailureText(E_POINTER);
  return dispatch;
}

}  // namespace

bool ComInvokeMember(const ComRef& object, std::u16string_view member, ComInvoke kind,
                     std::span<ComArgument> arguments, ComValue* result, std::u16string* failure) {
  IDispatch* dispatch = DispatchOf(object, failure);
  if (!dispatch) return false;
  const std::size_t count = arguments.size();
  // Member name first, then the names of the named arguments, resolved together.
  std::vector<std::u16string> nameTexts;
  nameTexts.emplace_back(member);
  std::vector<std::size_t> named;
  for (std::size_t i = 0; i < count; ++i) {
    if (!arguments[i].putValue && !arguments[i].name.empty()) {
      named.push_back(i);
      nameTexts.push_back(arguments[i].name);
    }
  }
  std::vector<LPOLESTR> names;
  for (std::u16string& n : nameTexts) names.push_back(reinterpret_cast<LPOLESTR>(n.data()));
  std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
  HRESULT hr = dispatch->GetIDsOfNames(IID_NULL, names.data(), static_cast<UINT>(names.size()),
                                       LOCALE_USER_DEFAULT, ids.data());
  if (FAILED(hr)) {
    *failure = ComFailureText(hr);
    return false;
  }
  std::vector<DISPID> namedIds(count, DISPID_UNKNOWN);
  for (std::size_t k = 0; k < named.size(); ++k) namedIds[named[k]] = ids[k + 1];
  return Call(dispatch, ids[0], namedIds.data(), kind, arguments, result, failure);
}

bool ComMemberId(const ComRef& object, std::u16string_view member, std::int32_t* id,
                 std::u16string* failure) {
  IDispatch* dispatch = DispatchOf(object, failure);
  if (!dispatch) return false;
  std::u16string name(member);
  LPOLESTR names[1] = {reinterpret_cast<LPOLESTR>(name.data())};
  DISPID dispid = DISPID_UNKNOWN;
  HRESULT hr = dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &dispid);
  if (FAILED(hr)) {
    *failure = ComFailureText(hr);
    return false;
  }
  *id = dispid;
  return true;
}

bool ComInvokeId(const ComRef& object, std::int32_t id, ComInvoke kind,
                 std::span<ComArgument> arguments, ComValue* result, std::u16string* failure) {
  IDispatch* dispatch = DispatchOf(object, failure);
  if (!dispatch) return false;
  std::array<DISPID, kMostArguments> none;
  none.fill(DISPID_UNKNOWN);
  if (arguments.size() > kMostArguments) {
    *failure = ComFailureText(DISP_E_BADPARAMCOUNT);
    return false;
  }
  return Call(dispatch, id, none.data(), kind, arguments, result, failure);
}

bool ComEnumerate(const ComRef& object, std::vector<ComValue>* items, std::u16string* failure) {
  IDispatch* dispatch = DispatchOf(object, failure);
  if (!dispatch) return false;
  DISPPARAMS none{};
  VARIANT enumerator;
  VariantInit(&enumerator);
  EXCEPINFO info{};
  HRESULT hr =
      dispatch->Invoke(DISPID_NEWENUM, IID_NULL, LOCALE_USER_DEFAULT,
                       DISPATCH_METHOD | DISPATCH_PROPERTYGET, &none, &enumerator, &info, nullptr);
  if (FAILED(hr)) {
    *failure = FailureFromResult(hr, &info);
    SysFreeString(info.bstrSource);
    SysFreeString(info.bstrDescription);
    SysFreeString(info.bstrHelpFile);
    return false;
  }
  IUnknown* unknown =
      (enumerator.vt == VT_UNKNOWN || enumerator.vt == VT_DISPATCH) ? enumerator.punkVal : nullptr;
  IEnumVARIANT* each = nullptr;
  hr = unknown ? unknown->QueryInterface(IID_IEnumVARIANT, reinterpret_cast<void**>(&each))
               : E_NOINTERFACE;
  VariantClear(&enumerator);
  if (FAILED(hr)) {
    *failure = ComFailureText(hr);
    return false;
  }
  for (;;) {
    VARIANT item;
    VariantInit(&item);
    ULONG fetched = 0;
    if (each->Next(1, &item, &fetched) != S_OK || fetched != 1) break;
    items->emplace_back();
    VariantToComValue(item, &items->back());
    VariantClear(&item);
  }
  each->Release();
  return true;
}

}  // namespace zelk::os
