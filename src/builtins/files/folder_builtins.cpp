// DELETEFILE and GETDIR: files by wildcard, and the sorted listing of a folder.
#include <algorithm>

#include "base/text_scan.h"
#include "builtins/files/file_functions.h"
#include "foundation/case_mapping.h"
#include "foundation/paths.h"
#include "platform/logical_compare.h"
#include "platform/platform.h"

namespace zelk {
namespace {

constexpr std::u16string_view kListName = u"GETDIR_FILES";
constexpr unsigned kMapUpperCase = 0x00000200;  // LCMAP_UPPERCASE

// GETDIR's orders: by size, creation, last write or last access time.
std::int64_t SortKey(const os::FolderEntry& entry, std::int64_t order) {
  switch (order) {
    case 1:
      return static_cast<std::int64_t>(entry.size);
    case 2:
      return entry.created;
    case 3:
      return entry.written;
    case 4:
      return entry.accessed;
    default:
      return 0;
  }
}

struct Listed {
  std::u16string name;
  std::u16string upper;
  std::int64_t key = 0;
};

}  // namespace

void BuiltinDeleteFile(BuiltinCall& call) {
  call.result = Value::Boolean(DeleteMatchingFiles(call.args.text[0]));
}

void BuiltinGetDir(BuiltinCall& call) {
  const BuiltinArgs& a = call.args;
  ClearResult(kListName, call.context);
  call.result = Value::Int(0);
  std::u16string folder = ReplaceAll(a.text[0], u"/", u"\\");
  if (folder.empty()) return;
  const std::u16string filter = ReplaceAll(a.text[1], u"/", u"\\");
  const bool withHidden = a.whole[2] != 0;
  const std::int64_t order = a.whole[3];
  if (folder.back() != u'\\') folder += u'\\';

  // A filter of "\" or "\pattern" lists folders.
  bool folders = false;
  std::u16string pattern = folder;
  if (filter.empty()) {
    pattern += u"*";
  } else if (filter == u"\\") {
    folders = true;
    pattern += u"*";
  } else if (filter[0] == u'\\') {
    folders = true;
    pattern += filter.substr(1);
  } else {
    pattern += filter;
  }

  std::vector<Listed> listed;
  for (os::FolderEntry& entry : os::ListFolder(pattern)) {
    if (entry.folder != folders || (entry.hidden && !withHidden)) continue;
    Listed item{std::move(entry.name), {}, SortKey(entry, order)};
    item.upper = MapString(item.name, kMapUpperCase);
    listed.push_back(std::move(item));
  }
  std::sort(listed.begin(), listed.end(), [](const Listed& x, const Listed& y) {
    return os::CompareLogical(x.upper, y.upper) < 0;
  });
  if (order >= 1 && order <= 4) {
    std::stable_sort(listed.begin(), listed.end(),
                     [](const Listed& x, const Listed& y) { return x.key < y.key; });
  }
  int count = 0;
  for (const Listed& item : listed)
    count = AppendResult(kListName, Value::String(item.name), call.context);
  call.result = Value::Int(count);
}

}  // namespace zelk
