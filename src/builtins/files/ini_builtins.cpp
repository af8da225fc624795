// READINI, WRITEINI and DELETEINI: settings files of the section/key form,
// through the settings layer, which keeps each file's encoding.
#include "builtins/files/file_functions.h"
#include "foundation/paths.h"
#include "foundation/settings.h"
#include "runtime/core/interpreter.h"

namespace zelk {
namespace {

// No file: the script's own name with ".INI"; a name without any '.' gets
// ".INI" appended. SettingsPath resolves it against the current folder.
std::u16string IniFile(const std::u16string& argument, const Interpreter& interp) {
  if (argument.empty()) {
    std::u16string name = FileNamePart(interp.assembly.mainPath());
    const std::size_t dot = name.rfind(u'.');
    if (dot != std::u16string::npos) name.erase(dot);
    return name + u".INI";
  }
  if (argument.find(u'.') == std::u16string::npos) return argument + u".INI";
  return argument;
}

}  // namespace

void BuiltinReadIni(BuiltinCall& call) {
  const BuiltinArgs& a = call.args;
  call.result = FileText(IniRead(a.text[0], a.text[1], IniFile(a.text[2], *call.context.interp)));
}

void BuiltinWriteIni(BuiltinCall& call) {
  const BuiltinArgs& a = call.args;
  IniWrite(a.text[0], a.text[1], a.text[2], IniFile(a.text[3], *call.context.interp));
  call.result = Value();
}

void BuiltinDeleteIni(BuiltinCall& call) {
  const BuiltinArgs& a = call.args;
  IniDelete(a.text[0], a.text[1], IniFile(a.text[2], *call.context.interp));
  call.result = Value();
}

}  // namespace zelk
