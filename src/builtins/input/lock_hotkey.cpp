// LOCKHARD, LOCKHARDEX and SETHOTKEY.
#include <mutex>

#include "base/text_scan.h"
#include "builtins/input/input_functions.h"
#include "builtins/input/send_key.h"
#include "builtins/windows/window_ids.h"
#include "builtins/windows/window_search.h"
#include "foundation/messages.h"
#include "platform/input.h"
#include "platform/platform.h"
#include "runtime/calls/calls.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/report_error.h"
#include "runtime/vars/variables.h"

namespace zelk {
namespace {

bool IsMouseCode(int code) {
  return code == 1 || code == 2 || (code >= 4 && code <= 6);
}

// Before a lock: no key may stay down that the user can no longer release.
void ReleaseStuckKeys(DesktopState& desk, bool mainThread) {
  os::Pump(4);
  for (int code = 0; code < 256; ++code) os::AsyncKeyDown(code);
  for (int round = 0; round < 2; ++round) {
    for (int code = 0; code <= 145; ++code) {
      if (!IsMouseCode(code) && os::AsyncKeyDown(code)) {
        SendKey(desk, code, kKeyClick, 0, false, mainThread);
      }
    }
  }
}

void OnHotKey(int slot, void* data) {
  auto& desk = *static_cast<DesktopState*>(data);
  Interpreter& interp = desk.interp;
  if (interp.run.abortLevel.load() > 0 || interp.run.runState.load() == kRunIdle) return;
  if (slot < 0 || slot >= static_cast<int>(desk.hotKeys.size())) return;
  const HotKeyEntry entry = desk.hotKeys[static_cast<std::size_t>(slot)];
  if (entry.procedure.empty()) return;
  THensuFmt& global = interp.global;
  std::u16string module = entry.module;
  int kind = 0;
  const int header =
      FindFunction(entry.procedure, kAnyFunctionKind, global, &module, CallMode::kCall, &kind);
  if (header < 0) return;
  SetValue(global, u"HOTKEY_VK", Value::Int(entry.key));
  SetValue(global, u"HOTKEY_MOD", Value::Int(entry.modifiers));
  CallUserFunction(module, header, global, {}, {}, CallMode::kCall, kind);
}

}  // namespace

void RegisterHotKeyAgain(DesktopState& desk, int slot, const HotKeyEntry& entry) {
  os::RegisterScriptHotKey(slot, static_cast<unsigned>(entry.modifiers),
                           static_cast<unsigned>(entry.key), OnHotKey, &desk);
}

void UnlockInput(DesktopState& desk) {
  std::lock_guard<std::recursive_mutex> guard(desk.inputLock);
  if (desk.lockMode == 1) os::BlockAllInput(false);
  if (desk.lockMode == 2) os::StopInputHooks();
  desk.lockMode = 0;
}

void LockInput(DesktopState& desk, int mode, bool mainThread) {
  UnlockInput(desk);
  ReleaseStuckKeys(desk, mainThread);
  std::lock_guard<std::recursive_mutex> guard(desk.inputLock);
  desk.lockMode = mode;
  if (mode == 1) {
    // Refused without rights or where the system lacks it; the script goes on unlocked.
    os::BlockAllInput(true);
  } else if (mode == 2) {
    os::StartInputHooks(desk.lockTarget, desk.lockDevices);
  }
  desk.WatchRun();
}

void BuiltinLockhard(BuiltinCall& call) {
  if (!RequireDesktop(call)) return;
  DesktopState& desk = DesktopOf(call.context);
  if (call.args.whole[0] != 0) {
    LockInput(desk, 1, call.context.recordIndex == 0);
  } else {
    UnlockInput(desk);
  }
}

void BuiltinLockhardex(BuiltinCall& call) {
  if (!RequireDesktop(call)) return;
  DesktopState& desk = DesktopOf(call.context);
  if (call.args.count == 0) {
    UnlockInput(desk);
    return;
  }
  const std::int64_t id = call.args.whole[0];
  desk.lockTarget = id == 0 ? 0 : WindowOfId(static_cast<int>(id), call.context);
  desk.lockDevices = static_cast<int>(call.args.whole[1]);
  LockInput(desk, 2, call.context.recordIndex == 0);
}

void BuiltinSethotkey(BuiltinCall& call) {
  call.result = Value::Boolean(false);
  if (!RequireDesktop(call)) return;
  const BuiltinArgs& a = call.args;
  THensuFmt& context = call.context;
  const int key = static_cast<int>(a.whole[0]);
  const int modifiers = static_cast<int>(a.whole[1]);
  if (key == 0 && modifiers == 0) return;
  DesktopState& desk = DesktopOf(context);
  call.result = Value::Boolean(true);
  std::lock_guard<std::recursive_mutex> guard(desk.inputLock);
  std::size_t slot = 0;
  while (slot < desk.hotKeys.size() &&
         !(desk.hotKeys[slot].key == key && desk.hotKeys[slot].modifiers == modifiers)) {
    ++slot;
  }
  if (slot < desk.hotKeys.size()) {
    if (!desk.hotKeys[slot].procedure.empty()) os::UnregisterScriptHotKey(static_cast<int>(slot));
    desk.hotKeys[slot].procedure.clear();
  } else {
    desk.hotKeys.push_back(HotKeyEntry{key, modifiers, u"", u""});
  }
  const std::u16string procedure = UpperText(Trim(a.text[2]));
  if (procedure.empty()) return;
  std::u16string module = context.moduleName;
  if (FindFunction(procedure, kAnyFunctionKind, context, &module, CallMode::kCall, nullptr) < 0) {
    call.result = Value::Boolean(false);
    call.Fail(JapaneseMessages() ? u"指定関数がありません:" + procedure
                                 : procedure + u":No specified function");
    return;
  }
  HotKeyEntry& entry = desk.hotKeys[slot];
  entry.procedure = procedure;
  entry.module = context.moduleName;
  if (!os::RegisterScriptHotKey(static_cast<int>(slot), static_cast<unsigned>(modifiers),
                                static_cast<unsigned>(key), OnHotKey, &desk)) {
    entry.procedure.clear();
    call.result = Value::Boolean(false);
  }
}

}  // namespace zelk
