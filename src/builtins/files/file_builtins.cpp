// The file and INI family registers its branches.
#include "base/numbers.h"
#include "builtins/files/file_functions.h"

namespace zelk {

Value FileText(std::u16string text) {
  const bool number = IsNumberText(text, true, false);
  return Value::String(std::move(text), number ? kVtNarrowStr : kVtUString);
}

void AddFileBuiltins(BuiltinBranchTable& table) {
  table.Set(u"FOPEN", BuiltinFopen);
  table.Set(u"FCLOSE", BuiltinFclose);
  table.Set(u"FGET", BuiltinFget);
  table.Set(u"FPUT", BuiltinFput);
  table.Set(u"FDELLINE", BuiltinFdelline);
  table.Set(u"READINI", BuiltinReadIni);
  table.Set(u"WRITEINI", BuiltinWriteIni);
  table.Set(u"DELETEINI", BuiltinDeleteIni);
  table.Set(u"DELETEFILE", BuiltinDeleteFile);
  table.Set(u"GETDIR", BuiltinGetDir);
  table.Set(u"DROPFILE", BuiltinDropfile);
}

}  // namespace zelk
