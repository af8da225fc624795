// Placeholder until the dispatcher lands: the name table and a clear error.
#include <array>
#include <string>

#include "builtins/builtin_family.h"
#include "foundation/hashed_str_list.h"
#include "foundation/messages.h"
#include "runtime/report_error.h"

namespace zelk {
namespace {

constexpr std::array<const char16_t*, kBuiltinCount> kBuiltinNames = {
    u"INT",         u"ABS",          u"ZCUT",
    u"ROUND",       u"SQRT",         u"POWER",
    u"SIN",         u"COS",          u"TAN",
    u"EXP",         u"LN",           u"LOGN",
    u"GETID",       u"EXEC",         u"MSGBOX",
    u"CTRLWIN",     u"SLEEP",        u"SENDSTR",
    u"MMV",         u"BTN",          u"KBD",
    u"ACW",         u"FUKIDASI",     u"CLKITEM",
    u"DOSCMD",      u"SCKEY",        u"SOUND",
    u"INPUT",       u"COPY",         u"LENGTH",
    u"POS",         u"GETSTR",       u"CHKNUM",
    u"SETSLIDER",   u"STATUS",       u"GETALLWIN",
    u"GETTIME",     u"LOGPRINT",     u"VAL",
    u"FOPEN",       u"FCLOSE",       u"FGET",
    u"FPUT",        u"SETCLEAR",     u"FORMAT",
    u"STOPFORM",    u"CHGMOJ",       u"POFF",
    u"CHKBTN",      u"SLCTBOX",      u"MOUSEORG",
    u"TRIM",        u"GETITEM",      u"PEEKCOLOR",
    u"CHKIMG",      u"SAVEIMG",      u"KINDOFOS",
    u"CHR",         u"ASC",          u"GETKEYSTATE",
    u"RANDOM",      u"LOCKHARD",     u"GETDIR",
    u"GETOLEITEM",  u"MUSCUR",       u"GETCTLHND",
    u"IDTOHND",     u"HNDTOID",      u"TOKEN",
    u"CPUUSERATE",  u"RESIZE",       u"POSACC",
    u"SPEAK",       u"RECOSTATE",    u"DICTATE",
    u"BALLOON",     u"CREATEFORM",   u"GETFORMDATA",
    u"DELETEFILE",  u"CREATEOLEOBJ", u"GETACTIVEOLEOBJ",
    u"LENGTHB",     u"COPYB",        u"POSB",
    u"SENSOR",      u"POPUPMENU",    u"ISUNICODE",
    u"FDELLINE",    u"CEIL",         u"ARCSIN",
    u"ARCCOS",      u"ARCTAN",       u"DROPFILE",
    u"STRCONV",     u"IEGETDATA",    u"IESETDATA",
    u"SETFORMDATA", u"IELINK",       u"ENCODE",
    u"DECODE",      u"OLEEVENT",     u"REPLACE",
    u"ASCB",        u"XLGETDATA",    u"XLSETDATA",
    u"XLACTIVATE",  u"XLSHEET",      u"XLOPEN",
    u"XLCLOSE",     u"VARTYPE",      u"READINI",
    u"WRITEINI",    u"DELETEINI",    u"IEGETSRC",
    u"BETWEENSTR",  u"EVAL",         u"GETSLCTLST",
    u"CHRB",        u"SHIFTARRAY",   u"CALCARRAY",
    u"SAFEARRAY",   u"POWERSHELL",   u"SET8087CW",
    u"SETHOTKEY",   u"GETSLIDER",    u"SPLIT",
    u"JOIN",        u"SLICE",        u"QSORT",
    u"IESETSRC",    u"MONITOR",      u"CTRLTRD",
    u"LOCKHARDEX",  u"LENGTHS",      u"IEGETFRAME",
};

const TUHashedStrList& BuiltinIndex() {
  static const TUHashedStrList index = [] {
    TUHashedStrList list(true);
    for (const char16_t* name : kBuiltinNames) list.Add(name);
    return list;
  }();
  return index;
}

}  // namespace

int FindBuiltin(std::u16string_view name) {
  return BuiltinIndex().IndexOf(name);
}
std::u16string_view BuiltinName(int number) {
  return kBuiltinNames[static_cast<std::size_t>(number)];
}
bool IsMathBuiltin(int number) {
  return (number >= 0 && number < 12) || (number >= 88 && number <= 91);
}

Value CallBuiltin(int number, std::u16string_view, THensuFmt& context, bool* failed) {
  std::u16string message(BuiltinName(number));
  message += Msg(u" is not available yet", u" はまだ使えません");
  ReportError(message, context);
  if (failed) *failed = true;
  return Value::FailedByte();
}

Value CallMathBuiltin(int number, std::u16string_view text, THensuFmt& context, bool* failed) {
  return CallBuiltin(number, text, context, failed);
}

bool CheckBuiltinCall(int, std::u16string_view, THensuFmt&) {
  return true;
}
bool IsRawArgument(int, int) {
  return false;
}
int MinimumArguments(int) {
  return 0;
}
void BuiltinBranchTable::Set(std::u16string_view name, BuiltinBranch branch) {
  branches_[static_cast<std::size_t>(FindBuiltin(name))] = branch;
}
void BuiltinCall::Fail(std::u16string_view message) {
  ReportError(message, context);
  failed = true;
}
void ClearResult(std::u16string_view, THensuFmt&) {}
int AppendResult(std::u16string_view, const Value&, THensuFmt&) {
  return 0;
}
int ThreadSlotOf(const THensuFmt&) {
  return -1;
}
int CallerIndex(const THensuFmt&) {
  return 0;
}

}  // namespace zelk
