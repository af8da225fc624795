// The file and INI built-ins' branches and what they share.
#pragma once

#include <string>

#include "builtins/builtin_family.h"

namespace zelk {

// Texts read from files that read as a number become narrow strings, which
// `+` adds as numbers; every other text stays wide.
Value FileText(std::u16string text);

// Branches on the file table: FOPEN, FCLOSE, FGET, FPUT, FDELLINE.
void BuiltinFopen(BuiltinCall& call);
void BuiltinFclose(BuiltinCall& call);
void BuiltinFget(BuiltinCall& call);
void BuiltinFput(BuiltinCall& call);
void BuiltinFdelline(BuiltinCall& call);

// Settings files: READINI, WRITEINI, DELETEINI.
void BuiltinReadIni(BuiltinCall& call);
void BuiltinWriteIni(BuiltinCall& call);
void BuiltinDeleteIni(BuiltinCall& call);

// Folders: DELETEFILE, GETDIR.
void BuiltinDeleteFile(BuiltinCall& call);
void BuiltinGetDir(BuiltinCall& call);

// Another program's window: DROPFILE.
void BuiltinDropfile(BuiltinCall& call);

}  // namespace zelk
