// Names in the pre-run check: declarations (CheckNew), assignment targets
// (CheckTarget) and names read in expressions (CheckName). A check context
// knows only the names the walk has met so far in its definition, so a read
// before any assignment or declaration is an error.
#include <exception>
#include <string>
#include <string_view>
#include <unordered_set>

#include "base/utf.h"
#include "foundation/messages.h"
#include "runtime/check/prerun_check.h"
#include "runtime/check/prerun_check_internal.h"
#include "runtime/core/interpreter.h"
#include "runtime/vars/variables.h"
#include "runtime/vars/variables_internal.h"

namespace zelk {

using namespace check;

namespace {

// Names every expression may read though no table holds them: the fixed
// names and the result arrays that built-ins fill.
bool IsAlwaysKnown(std::u16string_view name) {
  static const std::unordered_set<std::u16string_view> names = {
      u"TRUE",         u"FALSE",         u"COM_ERR_FLG", u"G_IMG_X",      u"G_IMG_Y",
      u"NULL",         u"NOTHING",       u"EMPTY",       u"TRY_ERRMSG",   u"TRY_ERRLINE",
      u"G_TIME_YY",    u"G_TIME_MM",     u"G_TIME_DD",   u"G_TIME_HH",    u"G_TIME_NN",
      u"G_TIME_SS",    u"G_TIME_ZZ",     u"G_TIME_WW",   u"G_TIME_YY4",   u"G_TIME_YY2",
      u"G_TIME_MM2",   u"G_TIME_DD2",    u"G_TIME_HH2",  u"G_TIME_NN2",   u"G_TIME_SS2",
      u"G_TIME_ZZ2",   u"EVENT_ID",      u"EVENT_PRM",   u"HOTKEY_VK",    u"HOTKEY_MOD",
      u"GETDIR_FILES", u"ALL_ITEM_LIST", u"ALL_WIN_ID",  u"ALL_OLE_ITEM", u"ALL_IMG_X",
      u"ALL_IMG_Y",
  };
  return names.contains(name);
}

std::u16string NotDefinedMessage(std::u16string_view name) {
  return vars::NotDefinedMessage(name);
}

std::u16string NotVisibleMessage(std::u16string_view name) {
  std::u16string n(name);
  return vars::Pick(u"It isn't defined: " + n, u"変数: " + n + u" は参照できません");
}

std::u16string AlreadyDefinedMessage(std::u16string_view name) {
  std::u16string n(name);
  return vars::Pick(u"It has already been defined: " + n,
                    u"変数: " + n + u" は既に定義されています");
}

std::u16string BadNameMessage(std::u16string_view name) {
  std::u16string n(name);
  return vars::Pick(u"variable name which is not right: " + n, u"正しくない変数名です: " + n);
}

// A module-level DIM or HASHTBL is visible only to the definitions of its
// module, whose names begin with the module's name and a dot.
bool Visible(const std::vector<std::uint8_t>& privateFlags, int index, const std::u16string& key) {
  auto at = static_cast<std::size_t>(index);
  if (at >= privateFlags.size() || privateFlags[at] == 0) return true;
  std::size_t dot = key.find(u'.');
  if (dot == std::u16string::npos) return true;
  const std::u16string& definition = State().definitionName;
  return definition.size() > dot + 1 && definition.compare(0, dot + 1, key, 0, dot + 1) == 0;
}

int FindGlobalVariable(THensuFmt& context, std::u16string_view base, bool* visible) {
  int index = FindGlobal(context, base, GlobalTable::kVariables);
  if (index >= 0) {
    Interpreter& interp = *context.interp;
    *visible = Visible(interp.declared.privateFlags, index, interp.global.vars.names.KeyAt(index));
  }
  return index;
}

int FindGlobalHashTable(THensuFmt& context, std::u16string_view base, bool* visible) {
  int index = FindGlobal(context, base, GlobalTable::kHashTables);
  if (index >= 0) {
    Interpreter& interp = *context.interp;
    *visible =
        Visible(interp.declared.hashPrivateFlags, index, interp.global.hashNames.KeyAt(index));
  }
  return index;
}

bool IsConstantName(THensuFmt& context, std::u16string_view base) {
  return FindGlobal(context, base, GlobalTable::kConstants) >= 0 ||
         FindGlobal(context, base, GlobalTable::kTextBlocks) >= 0;
}

Value Placeholder() {
  return Value::Int(1, kVtByte);
}

}  // namespace

namespace check {

bool CheckNewName(std::u16string_view declaration, THensuFmt& context, std::u16string* base,
                  int* indexes) {
  std::u16string_view text = TrimView(declaration);
  *base = TrimView(text.substr(0, text.find(u'[')));
  *indexes = 0;
  static constexpr std::u16string_view kBreaking = u" ,+-*/=<>()!?";
  int depth = 0;
  for (char16_t c : text) {
    if (c == u'[') {
      ++depth;
    } else if (c == u']') {
      --depth;
    } else if (depth <= 0 && kBreaking.find(c) != std::u16string_view::npos) {
      return Fail(BadNameMessage(*base), context);
    }
  }
  if (base->empty()) return Fail(u"SyntaxError-75", context);
  try {
    vars::IndexedName parsed;
    if (!vars::ParseName(context, text, &parsed) || Stopped(context)) return false;
    *indexes = parsed.count;
  } catch (const std::exception& e) {
    return Fail(u"ChkKB_hjgnbukai:" + Utf8ToText(e.what()), context);
  }
  return true;
}

}  // namespace check

void CheckNew(std::u16string_view declaration, THensuFmt& context, bool hashTable) {
  if (Stopped(context)) return;
  std::u16string_view text = TrimView(declaration);
  std::u16string_view name = TrimView(text.substr(0, text.find(u'[')));
  std::u16string reserved = CheckReserved(*context.interp, name);
  if (!reserved.empty()) {
    Fail(reserved, context);
    return;
  }
  if (context.vars.names.IndexOf(name) >= 0 || IsConstantName(context, name)) {
    Fail(AlreadyDefinedMessage(name), context);
    return;
  }
  std::u16string base;
  int indexes = 0;
  if (!CheckNewName(text, context, &base, &indexes)) return;
  Declare(context, base, indexes, hashTable);
}

void CheckTarget(std::u16string_view target, THensuFmt& context, bool clearsHashTable) {
  if (Stopped(context)) return;
  std::u16string_view text = TrimView(target);
  if (!text.empty() && text[0] >= u'0' && text[0] <= u'9') {
    Fail(u"SyntaxError-76", context);
    return;
  }
  vars::IndexedName parsed;
  if (!vars::ParseName(context, text, &parsed) || Stopped(context)) return;
  const std::u16string_view base = parsed.base;

  int own = context.vars.names.IndexOf(base);
  if (own >= 0) {
    if (parsed.count == 0 && !clearsHashTable && IsCheckHashTable(context, own)) {
      Fail(u"SyntaxError-77", context);
    }
    return;
  }
  bool visible = true;
  if (FindGlobalVariable(context, base, &visible) >= 0) {
    if (!visible) Fail(NotVisibleMessage(base), context);
    return;
  }
  if (FindGlobalHashTable(context, base, &visible) >= 0) {
    if (!visible) {
      Fail(NotVisibleMessage(base), context);
    } else if (parsed.count != 1 && !(parsed.count == 0 && clearsHashTable)) {
      Fail(u"SyntaxError-78", context);
    }
    return;
  }
  if (IsConstantName(context, base)) {
    Fail(Msg(u"Constant can not be assigned a value", u"定数には値を代入できません"), context);
    return;
  }
  std::u16string reserved = CheckReserved(*context.interp, base);
  if (!reserved.empty()) {
    Fail(reserved, context);
    return;
  }
  if (context.interp->options.explicitDeclarations ||
      base.find(u'.') != std::u16string_view::npos) {
    Fail(NotDefinedMessage(base), context);
    return;
  }
  Declare(context, base, parsed.count, false);
}

Value CheckName(std::u16string_view name, THensuFmt& context) {
  if (Stopped(context)) return Value::FailedByte();
  vars::IndexedName parsed;
  if (!vars::ParseName(context, name, &parsed) || Stopped(context)) return Value::FailedByte();
  const std::u16string_view base = parsed.base;

  if (context.vars.names.IndexOf(base) >= 0) return Placeholder();
  bool visible = true;
  if (FindGlobalVariable(context, base, &visible) >= 0) {
    if (!visible) Fail(NotVisibleMessage(base), context);
    return Placeholder();
  }
  if (FindGlobalHashTable(context, base, &visible) >= 0) {
    if (!visible) {
      Fail(NotVisibleMessage(base), context);
    } else if (parsed.count > 2) {
      Fail(u"SyntaxError-79", context);
    }
    return Placeholder();
  }
  if (IsConstantName(context, base) || IsAlwaysKnown(base)) return Placeholder();
  Value special;
  if (vars::ReadSpecialName(context, base, &special)) return special;

  std::u16string_view written = TrimView(name);
  if (written.find_first_of(u"[]") != std::u16string_view::npos) {
    Fail(Msg(u"SyntaxError of [ ]", u"[ ]内の構文が間違っています"), context);
  } else if (written.find(u'(') != std::u16string_view::npos) {
    Fail(u"SyntaxError-80", context);
  } else {
    Fail(NotDefinedMessage(base), context);
  }
  return Value::FailedByte();
}

}  // namespace zelk
