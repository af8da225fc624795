// The string, conversion and encoding family registers its branches.
#include "builtins/strings/string_functions.h"

namespace zelk {

void AddStringBuiltins(BuiltinBranchTable& table) {
  table.Set(u"COPY", BuiltinCopy);
  table.Set(u"LENGTHS", BuiltinLengthS);
  table.Set(u"POS", BuiltinPos);
  table.Set(u"TRIM", BuiltinTrim);
  table.Set(u"REPLACE", BuiltinReplace);
  table.Set(u"CHGMOJ", BuiltinReplace);
  table.Set(u"TOKEN", BuiltinToken);
  table.Set(u"BETWEENSTR", BuiltinBetweenStr);
  table.Set(u"STRCONV", BuiltinStrConv);
  table.Set(u"CHR", BuiltinChr);
  table.Set(u"ASC", BuiltinAsc);
  table.Set(u"CHKNUM", BuiltinChkNum);
  table.Set(u"VAL", BuiltinVal);
  table.Set(u"FORMAT", BuiltinFormat);
  table.Set(u"ISUNICODE", BuiltinIsUnicode);
  table.Set(u"LENGTHB", BuiltinLengthB);
  table.Set(u"COPYB", BuiltinCopyB);
  table.Set(u"POSB", BuiltinPosB);
  table.Set(u"ASCB", BuiltinAscB);
  table.Set(u"CHRB", BuiltinChrB);
  table.Set(u"ENCODE", BuiltinEncode);
  table.Set(u"DECODE", BuiltinDecode);
  table.Set(u"EVAL", BuiltinEval);
  table.Set(u"VARTYPE", BuiltinVarType);
  table.Set(u"RANDOM", BuiltinRandom);
}

}  // namespace zelk
