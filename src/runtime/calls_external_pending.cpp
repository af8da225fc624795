// Stand-ins for what the call dispatcher hands to components that come later
// (built-ins, DLL calls, COM automation, script threads, hash tables): each
// reports clearly that it cannot run yet, so that a script never silently
// skips one.
#include <array>
#include <string>

#include "foundation/hashed_str_list.h"
#include "foundation/messages.h"
#include "foundation/text_scan.h"
#include "runtime/calls.h"
#include "runtime/interpreter.h"
#include "runtime/report_error.h"

namespace zelk {
namespace {

void NotAvailable(THensuFmt& context, std::u16string_view what, std::u16string_view text,
                  bool* failed) {
  std::u16string message(what);
  message += Msg(u" is not available yet: ", u" はまだ使えません: ");
  message += Trim(text);
  ReportError(message, context);
  if (failed) *failed = true;
}

// The built-in names in table order; a name's number is its position.
constexpr std::array<const char16_t*, 135> kBuiltinNames = {
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
    TUHashedStrList list(true);  // script text is upper-cased before it gets here
    for (const char16_t* name : kBuiltinNames) list.Add(name);
    return list;
  }();
  return index;
}

}  // namespace

int FindBuiltin(std::u16string_view name) {
  return BuiltinIndex().IndexOf(name);
}

Value CallBuiltin(int, std::u16string_view name, std::u16string_view argumentText,
                  THensuFmt& context, bool* failed) {
  std::u16string text(name);
  text += u'(';
  text += argumentText;
  text += u')';
  NotAvailable(context, Msg(u"Built-in function", u"組み込み関数"), text, failed);
  return Value::FailedByte();
}

int FindDllDeclaration(const THensuFmt& context, std::u16string_view name) {
  const TUHashedStrList& names = context.interp->dllNames;
  if (!context.moduleName.empty() && name.find(u'.') == std::u16string_view::npos) {
    int qualified = names.IndexOf(context.moduleName + u"." + std::u16string(name));
    if (qualified >= 0) return qualified;
  }
  return names.IndexOf(name);
}

Value CallDllFunction(int declaration, std::span<const std::u16string_view>, std::span<Value>,
                      THensuFmt& context, bool* failed) {
  NotAvailable(context, Msg(u"Calling a DLL function", u"DLL 関数の呼び出し"),
               context.interp->dllNames.KeyAt(declaration), failed);
  return Value::FailedByte();
}

Value ComMethodCall(std::u16string_view callText, THensuFmt& context, bool* failed) {
  NotAvailable(context, Msg(u"COM automation", u"COM オートメーション"), callText, failed);
  return Value::FailedByte();
}

bool ScriptThreadsAvailable(std::u16string_view callText, THensuFmt& context) {
  NotAvailable(context, u"THREAD", callText, nullptr);
  return false;
}

Value StartScriptThread(std::unique_ptr<THensuFmt>, THensuFmt& caller, bool* failed) {
  NotAvailable(caller, u"THREAD", u"", failed);
  return Value::FailedByte();
}

bool PassHashTable(std::u16string_view, THensuFmt&, THensuFmt&, std::u16string_view) {
  return false;  // no name is a hash table yet
}

void ReturnHashTable(std::u16string_view, THensuFmt&, THensuFmt&, std::u16string_view) {}

Value ComMemberRead(std::u16string_view text, THensuFmt& context, bool* failed) {
  NotAvailable(context, Msg(u"COM automation", u"COM オートメーション"), text, failed);
  return Value::FailedByte();
}

void ComPropertyAssign(std::u16string_view target, const Value&, THensuFmt& context) {
  NotAvailable(context, Msg(u"COM automation", u"COM オートメーション"), target, nullptr);
}

void ComMemberCall(std::u16string_view text, THensuFmt& context) {
  NotAvailable(context, Msg(u"COM automation", u"COM オートメーション"), text, nullptr);
}

}  // namespace zelk
