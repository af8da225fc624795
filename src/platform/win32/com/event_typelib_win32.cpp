// Finding an event in the type library of an object: the coclasses of the
// library that describes the object's dispatch interface, their source
// interfaces, and the members of the one named.
#include <ocidl.h>
#include <oleauto.h>
#include <windows.h>

#include <cstring>

#include "platform/com_events.h"

namespace zelk::os {
namespace {

// Names compare as the script writes them: upper case.
bool SameName(BSTR name, std::u16string_view wanted) {
  if (name == nullptr) return false;
  const UINT length = SysStringLen(name);
  if (length != wanted.size()) return false;
  return CompareStringOrdinal(name, static_cast<int>(length),
                              reinterpret_cast<const wchar_t*>(wanted.data()),
                              static_cast<int>(wanted.size()), TRUE) == CSTR_EQUAL;
}

bool NameOf(ITypeInfo* info, MEMBERID member, std::u16string_view wanted) {
  BSTR name = nullptr;
  if (FAILED(info->GetDocumentation(member, &name, nullptr, nullptr, nullptr))) return false;
  const bool same = SameName(name, wanted);
  SysFreeString(name);
  return same;
}

// The member of that name by walking the function descriptions (the
// library's own name lookup fails on some libraries under Wine).
bool FindMember(ITypeInfo* info, std::u16string_view eventName, std::int32_t* dispid) {
  TYPEATTR* attr = nullptr;
  if (FAILED(info->GetTypeAttr(&attr))) return false;
  const WORD functions = attr->cFuncs;
  info->ReleaseTypeAttr(attr);
  for (WORD i = 0; i < functions; ++i) {
    FUNCDESC* desc = nullptr;
    if (FAILED(info->GetFuncDesc(i, &desc))) continue;
    const MEMBERID member = desc->memid;
    info->ReleaseFuncDesc(desc);
    if (NameOf(info, member, eventName)) {
      *dispid = member;
      return member != 0;
    }
  }
  return false;
}

// The source interface of the coclass named interfaceName, with its member.
bool FindInCoclass(ITypeInfo* coclass, std::u16string_view interfaceName,
                   std::u16string_view eventName, ComGuid* iid, std::int32_t* dispid) {
  TYPEATTR* attr = nullptr;
  if (FAILED(coclass->GetTypeAttr(&attr))) return false;
  const WORD implemented = attr->cImplTypes;
  coclass->ReleaseTypeAttr(attr);
  for (UINT j = 0; j < implemented; ++j) {
    INT flags = 0;
    HREFTYPE ref = 0;
    ITypeInfo* source = nullptr;
    if (FAILED(coclass->GetImplTypeFlags(j, &flags)) || !(flags & IMPLTYPEFLAG_FSOURCE) ||
        FAILED(coclass->GetRefTypeOfImplType(j, &ref)) ||
        FAILED(coclass->GetRefTypeInfo(ref, &source))) {
      continue;
    }
    bool found = false;
    if (NameOf(source, MEMBERID_NIL, interfaceName)) {
      TYPEATTR* sourceAttr = nullptr;
      if (SUCCEEDED(source->GetTypeAttr(&sourceAttr))) {
        std::memcpy(iid->bytes, &sourceAttr->guid, sizeof iid->bytes);
        source->ReleaseTypeAttr(sourceAttr);
        found = FindMember(source, eventName, dispid);
      }
    }
    source->Release();
    if (found) return true;
  }
  return false;
}

// The library describing the object: through its dispatch interface's type
// information, else through the class information it provides.
ITypeLib* LibraryOf(IDispatch* object) {
  ITypeInfo* info = nullptr;
  if (FAILED(object->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info)) || info == nullptr) {
    IProvideClassInfo* provider = nullptr;
    if (FAILED(object->QueryInterface(IID_IProvideClassInfo, reinterpret_cast<void**>(&provider))))
      return nullptr;
    HRESULT hr = provider->GetClassInfo(&info);
    provider->Release();
    if (FAILED(hr) || info == nullptr) return nullptr;
  }
  ITypeLib* lib = nullptr;
  UINT index = 0;
  if (FAILED(info->GetContainingTypeLib(&lib, &index))) lib = nullptr;
  info->Release();
  return lib;
}

}  // namespace

bool ComFindEvent(const ComRef& object, std::u16string_view interfaceName,
                  std::u16string_view eventName, ComGuid* iid, std::int32_t* dispid) {
  if (!object) return false;
  EnsureComInitialized();
  ITypeLib* lib = LibraryOf(static_cast<IDispatch*>(object.get()));
  if (lib == nullptr) return false;
  bool found = false;
  const UINT count = lib->GetTypeInfoCount();
  for (UINT i = 0; i < count && !found; ++i) {
    TYPEKIND kind;
    ITypeInfo* coclass = nullptr;
    if (FAILED(lib->GetTypeInfoType(i, &kind)) || kind != TKIND_COCLASS ||
        FAILED(lib->GetTypeInfo(i, &coclass))) {
      continue;
    }
    found = FindInCoclass(coclass, interfaceName, eventName, iid, dispid);
    coclass->Release();
  }
  lib->Release();
  return found;
}

}  // namespace zelk::os
