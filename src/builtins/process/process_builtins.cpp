// The process and system family registers its branches.
#include "builtins/process/process_functions.h"
#include "foundation/messages.h"

namespace zelk {

void FailNotOnThisPlatform(BuiltinCall& call, std::u16string_view what) {
  std::u16string message(what);
  message += Msg(u" is not available on this platform", u" はこのプラットフォームでは使えません");
  call.Fail(message);
}

void AddProcessBuiltins(BuiltinBranchTable& table) {
  table.Set(u"EXEC", BuiltinExec);
  table.Set(u"DOSCMD", BuiltinDoscmd);
  table.Set(u"POWERSHELL", BuiltinPowershell);
  table.Set(u"SLEEP", BuiltinSleep);
  table.Set(u"GETTIME", BuiltinGettime);
  table.Set(u"POFF", BuiltinPoff);
  table.Set(u"CPUUSERATE", BuiltinCpuUseRate);
  table.Set(u"CTRLTRD", BuiltinCtrltrd);
}

}  // namespace zelk
