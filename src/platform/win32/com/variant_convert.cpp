// ComValue <-> VARIANT, safe arrays element by element.
#include "platform/win32/com/variant_convert.h"

#include <vector>

namespace zelk::os {
namespace {

// The element storage SafeArrayGetElement/PutElement use for kind vt.
void* ElementSlot(VARIANT* v, VARTYPE vt) {
  if (vt == VT_VARIANT) return v;
  if (vt == VT_DECIMAL) return &v->decVal;
  return &v->llVal;
}

bool ArrayToComValue(SAFEARRAY* psa, VARTYPE vt, ComValue* out) {
  auto array = std::make_shared<ComArray>();
  VARTYPE element = static_cast<VARTYPE>(vt & VT_TYPEMASK);
  if (element == VT_EMPTY && FAILED(SafeArrayGetVartype(psa, &element))) element = VT_VARIANT;
  array->elementType = element;
  const UINT dims = psa ? SafeArrayGetDim(psa) : 0;
  std::size_t total = dims == 0 ? 0 : 1;
  for (UINT d = 1; d <= dims; ++d) {
    LONG lo = 0, hi = -1;
    SafeArrayGetLBound(psa, d, &lo);
    SafeArrayGetUBound(psa, d, &hi);
    array->lower.push_back(lo);
    array->count.push_back(hi >= lo ? hi - lo + 1 : 0);
    total *= static_cast<std::size_t>(array->count.back());
  }
  array->items.resize(total);
  std::vector<LONG> index(array->lower.begin(), array->lower.end());
  for (std::size_t n = 0; n < total; ++n) {
    VARIANT v;
    VariantInit(&v);
    if (SUCCEEDED(SafeArrayGetElement(psa, index.data(), ElementSlot(&v, element)))) {
      if (element != VT_VARIANT) v.vt = element;
      VariantToComValue(v, &array->items[n]);
      VariantClear(&v);
    }
    // The first index runs fastest.
    for (UINT d = 0; d < dims; ++d) {
      if (++index[d] < array->lower[d] + array->count[d]) break;
      index[d] = array->lower[d];
    }
  }
  out->type = static_cast<std::uint16_t>(kComArray | element);
  out->array = std::move(array);
  return true;
}

SAFEARRAY* ComArrayToSafeArray(const ComArray& array) {
  const VARTYPE element = array.elementType == 0 ? VARTYPE{VT_VARIANT} : VARTYPE{array.elementType};
  const std::size_t dims = array.count.size();
  if (dims == 0) return SafeArrayCreateVector(element, 0, 0);
  std::vector<SAFEARRAYBOUND> bounds(dims);
  std::size_t total = 1;
  for (std::size_t d = 0; d < dims; ++d) {
    bounds[d].lLbound = array.lower[d];
    bounds[d].cElements = static_cast<ULONG>(array.count[d] < 0 ? 0 : array.count[d]);
    total *= bounds[d].cElements;
  }
  SAFEARRAY* psa = SafeArrayCreate(element, static_cast<UINT>(dims), bounds.data());
  if (!psa) return nullptr;
  std::vector<LONG> index(array.lower.begin(), array.lower.end());
  for (std::size_t n = 0; n < total && n < array.items.size(); ++n) {
    VARIANT v;
    VariantInit(&v);
    if (ComValueToVariant(array.items[n], &v)) {
      if (element == VT_VARIANT) {
        SafeArrayPutElement(psa, index.data(), &v);
      } else if (SUCCEEDED(VariantChangeType(&v, &v, 0, element))) {
        // Strings and interfaces go in as the pointer itself.
        void* data = (element == VT_BSTR || element == VT_DISPATCH || element == VT_UNKNOWN)
                         ? v.byref
                         : ElementSlot(&v, element);
        SafeArrayPutElement(psa, index.data(), data);
      }
    }
    VariantClear(&v);
    for (std::size_t d = 0; d < dims; ++d) {
      if (++index[d] < array.lower[d] + array.count[d]) break;
      index[d] = array.lower[d];
    }
  }
  return psa;
}

}  // namespace

bool VariantToComValue(const VARIANT& in, ComValue* out) {
  *out = ComValue{};
  if (in.vt & VT_BYREF) {
    if (in.vt == (VT_BYREF | VT_VARIANT)) {
      return in.pvarVal ? VariantToComValue(*in.pvarVal, out) : false;
    }
    VARIANT copy;
    VariantInit(&copy);
    if (FAILED(VariantCopyInd(&copy, const_cast<VARIANT*>(&in)))) return false;
    bool ok = VariantToComValue(copy, out);
    VariantClear(&copy);
    return ok;
  }
  if (in.vt & VT_ARRAY) return ArrayToComValue(in.parray, in.vt, out);
  out->type = in.vt;
  switch (in.vt) {
    case VT_EMPTY:
    case VT_NULL:
      return true;
    case VT_I2:
      out->integer = in.iVal;
      return true;
    case VT_I4:
    case VT_INT:
      out->type = kComI4;
      out->integer = in.lVal;
      return true;
    case VT_R4:
      out->real = in.fltVal;
      return true;
    case VT_R8:
      out->real = in.dblVal;
      return true;
    case VT_CY:
      out->integer = in.cyVal.int64;
      return true;
    case VT_DATE:
      out->real = in.date;
      return true;
    case VT_BSTR:
      if (in.bstrVal) {
        out->text.assign(reinterpret_cast<const char16_t*>(in.bstrVal), SysStringLen(in.bstrVal));
      }
      return true;
    case VT_DISPATCH:
      if (in.pdispVal) {
        in.pdispVal->AddRef();
        out->object = ComRef::Adopt(in.pdispVal);
      }
      return true;
    case VT_UNKNOWN: {
      if (!in.punkVal) {
        out->type = kComDispatch;
        return true;
      }
      IDispatch* dispatch = nullptr;
      if (SUCCEEDED(
              in.punkVal->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)))) {
        out->type = kComDispatch;
        out->object = ComRef::Adopt(dispatch);
      } else {
        in.punkVal->AddRef();
        out->object = ComRef::Adopt(in.punkVal);
      }
      return true;
    }
    case VT_ERROR:
      out->integer = in.scode;
      return true;
    case VT_BOOL:
      out->integer = in.boolVal ? -1 : 0;
      return true;
    case VT_I1:
      out->integer = in.cVal;
      return true;
    case VT_UI1:
      out->integer = in.bVal;
      return true;
    case VT_UI2:
      out->integer = in.uiVal;
      return true;
    case VT_UI4:
    case VT_UINT:
      out->type = kComUI4;
      out->integer = in.ulVal;
      return true;
    case VT_I8:
      out->integer = in.llVal;
      return true;
    case VT_UI8:
      out->integer = static_cast<std::int64_t>(in.ullVal);
      return true;
    default: {
      // Decimals and the like: as a double when the system can convert them.
      VARIANT d;
      VariantInit(&d);
      if (SUCCEEDED(VariantChangeType(&d, const_cast<VARIANT*>(&in), 0, VT_R8))) {
        out->type = kComR8;
        out->real = d.dblVal;
        return true;
      }
      out->type = kComEmpty;
      return false;
    }
  }
}

bool ComValueToVariant(const ComValue& v, VARIANT* out) {
  VariantInit(out);
  if (v.type & kComArray) {
    if (!v.array) return false;
    SAFEARRAY* psa = ComArrayToSafeArray(*v.array);
    if (!psa) return false;
    VARTYPE element =
        v.array->elementType == 0 ? VARTYPE{VT_VARIANT} : VARTYPE{v.array->elementType};
    out->vt = static_cast<VARTYPE>(VT_ARRAY | element);
    out->parray = psa;
    return true;
  }
  switch (v.type) {
    case kComEmpty:
    case kComNull:
      out->vt = v.type;
      return true;
    case kComI2:
      out->vt = VT_I2;
      out->iVal = static_cast<SHORT>(v.integer);
      return true;
    case kComI4:
      out->vt = VT_I4;
      out->lVal = static_cast<LONG>(v.integer);
      return true;
    case kComR4:
      out->vt = VT_R4;
      out->fltVal = static_cast<float>(v.real);
      return true;
    case kComR8:
      out->vt = VT_R8;
      out->dblVal = v.real;
      return true;
    case kComCurrency:
      out->vt = VT_CY;
      out->cyVal.int64 = v.integer;
      return true;
    case kComDate:
      out->vt = VT_DATE;
      out->date = v.real;
      return true;
    case kComString:
      out->vt = VT_BSTR;
      out->bstrVal = SysAllocStringLen(reinterpret_cast<const OLECHAR*>(v.text.data()),
                                       static_cast<UINT>(v.text.size()));
      if (!out->bstrVal) {
        out->vt = VT_EMPTY;
        return false;
      }
      return true;
    case kComDispatch:
    case kComUnknown:
      out->vt = v.type;
      out->punkVal = static_cast<IUnknown*>(v.object.get());
      if (out->punkVal) out->punkVal->AddRef();
      return true;
    case kComError:
      out->vt = VT_ERROR;
      out->scode = static_cast<SCODE>(v.integer);
      return true;
    case kComBool:
      out->vt = VT_BOOL;
      out->boolVal = v.integer ? VARIANT_TRUE : VARIANT_FALSE;
      return true;
    case kComI1:
      out->vt = VT_I1;
      out->cVal = static_cast<CHAR>(v.integer);
      return true;
    case kComUI1:
      out->vt = VT_UI1;
      out->bVal = static_cast<BYTE>(v.integer);
      return true;
    case kComUI2:
      out->vt = VT_UI2;
      out->uiVal = static_cast<USHORT>(v.integer);
      return true;
    case kComUI4:
      out->vt = VT_UI4;
      out->ulVal = static_cast<ULONG>(v.integer);
      return true;
    case kComI8:
      out->vt = VT_I8;
      out->llVal = v.integer;
      return true;
    case kComUI8:
      out->vt = VT_UI8;
      out->ullVal = static_cast<ULONGLONG>(v.integer);
      return true;
    default:
      return false;
  }
}

bool StoreThroughReference(const ComValue& v, VARIANT* reference) {
  if (!reference || !(reference->vt & VT_BYREF)) return false;
  const VARTYPE target = static_cast<VARTYPE>(reference->vt & ~VT_BYREF);
  VARIANT value;
  if (!ComValueToVariant(v, &value)) return false;
  bool ok = false;
  if (target == VT_VARIANT) {
    ok = reference->pvarVal && SUCCEEDED(VariantCopy(reference->pvarVal, &value));
  } else if (SUCCEEDED(VariantChangeType(&value, &value, 0, target))) {
    ok = true;
    switch (target) {
      case VT_I2:
        *reference->piVal = value.iVal;
        break;
      case VT_I4:
        *reference->plVal = value.lVal;
        break;
      case VT_R4:
        *reference->pfltVal = value.fltVal;
        break;
      case VT_R8:
        *reference->pdblVal = value.dblVal;
        break;
      case VT_UI1:
        *reference->pbVal = value.bVal;
        break;
      case VT_BOOL:
        *reference->pboolVal = value.boolVal ? VARIANT_TRUE : VARIANT_FALSE;
        break;
      case VT_DISPATCH:
        if (*reference->ppdispVal) (*reference->ppdispVal)->Release();
        *reference->ppdispVal = value.pdispVal;
        value.vt = VT_EMPTY;  // the reference now owns it
        break;
      default:
        ok = false;
        break;
    }
  }
  VariantClear(&value);
  return ok;
}

}  // namespace zelk::os
