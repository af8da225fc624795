#include "runtime/calls/dll_state.h"

namespace zelk {

std::shared_ptr<PreparedDll> DllState::Prepare(int index, const std::u16string& text) {
  std::lock_guard<std::mutex> guard(lock_);
  auto i = static_cast<std::size_t>(index);
  if (i >= prepared_.size()) prepared_.resize(i + 1);
  std::shared_ptr<PreparedDll>& slot = prepared_[i];
  if (!slot || slot->text != text) {
    auto made = std::make_shared<PreparedDll>();
    made->text = text;
    SplitDllDeclaration(text, &made->declaration, &made->error);
    slot = std::move(made);
  }
  return slot;
}

void DllState::Clear() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    prepared_.clear();
  }
  libraries.ReleaseAll();
}

}  // namespace zelk
