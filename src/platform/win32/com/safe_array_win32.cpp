// Safe arrays handed to library functions: built through the variant
// conversion, so elements take the same forms as in automation calls.
#include "platform/com_safe_array.h"
#include "platform/win32/com/variant_convert.h"

namespace zelk::os {

void* ComNewSafeArray(const ComArray& array, std::size_t* descriptorBytes) {
  *descriptorBytes = 0;
  EnsureComInitialized();
  ComValue value;
  value.type = static_cast<std::uint16_t>(kComArray | array.elementType);
  value.array = std::make_shared<ComArray>(array);
  VARIANT v;
  VariantInit(&v);
  if (!ComValueToVariant(value, &v)) return nullptr;
  if (!(v.vt & VT_ARRAY) || (v.vt & VT_BYREF) || !v.parray) {
    VariantClear(&v);
    return nullptr;
  }
  SAFEARRAY* psa = v.parray;  // taken over from the variant
  const std::size_t dims = psa->cDims == 0 ? 1 : psa->cDims;
  *descriptorBytes = sizeof(SAFEARRAY) + (dims - 1) * sizeof(SAFEARRAYBOUND);
  return psa;
}

void ComDestroySafeArray(void* safeArray) {
  if (safeArray) SafeArrayDestroy(static_cast<SAFEARRAY*>(safeArray));
}

}  // namespace zelk::os
