// No automation layer here: the runtime asks ComAvailable first and reports
// every COM statement as not available on this platform.
#include "platform/com_automation.h"

namespace zelk::os {

bool ComAvailable() {
  return false;
}

void EnsureComInitialized() {}

void ComRef::AddRef() {}
void ComRef::Release() {
  p_ = nullptr;
}

bool ComCreateObject(std::u16string_view, ComRef*, std::u16string* failure) {
  failure->clear();
  return false;
}

bool ComGetActiveObject(std::u16string_view, ComRef*, std::u16string* failure) {
  failure->clear();
  return false;
}

bool ComInvokeMember(const ComRef&, std::u16string_view, ComInvoke, std::span<ComArgument>,
                     ComValue*, std::u16string* failure) {
  failure->clear();
  return false;
}

bool ComMemberId(const ComRef&, std::u16string_view, std::int32_t*, std::u16string* failure) {
  failure->clear();
  return false;
}

bool ComInvokeId(const ComRef&, std::int32_t, ComInvoke, std::span<ComArgument>, ComValue*,
                 std::u16string* failure) {
  failure->clear();
  return false;
}

bool ComEnumerate(const ComRef&, std::vector<ComValue>*, std::u16string* failure) {
  failure->clear();
  return false;
}

std::uintptr_t ComIdentity(const ComRef& object) {
  return reinterpret_cast<std::uintptr_t>(object.get());
}

std::u16string ComFailureText(std::int32_t) {
  return {};
}

}  // namespace zelk::os
