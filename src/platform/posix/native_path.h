// Maps a Windows-form path onto the POSIX file system.
#pragma once

#include <string>

namespace zelk::os {

// '\' and '/' both separate; "X:" at the start stands for the root; a
// component that does not exist as written matches an existing entry whose
// name differs only in letter case. Components that match nothing are kept as
// written, so the result also names files about to be created.
std::string NativePath(const std::u16string& path);

}  // namespace zelk::os
