// The constant table's lookup, and the special names whose value is read
// afresh at every use: screen and cursor facts, folders and window markers.
#include <array>
#include <string>
#include <string_view>

#include "builtins/constants/constants.h"
#include "foundation/paths.h"
#include "platform/desktop.h"
#include "platform/platform.h"
#include "runtime/core/interpreter.h"

namespace zelk {
namespace {

// Longer than every special name; longer names are none.
constexpr std::size_t kNameBuffer = 48;

// NAME with a-z upper-cased, in BUFFER only when it has lower-case letters.
// False when NAME is too long to be a special name.
bool UpperName(std::u16string_view name, char16_t (&buffer)[kNameBuffer],
               std::u16string_view* upper) {
  if (name.size() > kNameBuffer) return false;
  std::size_t i = 0;
  while (i < name.size() && !(name[i] >= u'a' && name[i] <= u'z')) ++i;
  if (i == name.size()) {
    *upper = name;
    return true;
  }
  for (std::size_t j = 0; j < name.size(); ++j) {
    char16_t c = name[j];
    buffer[j] = c >= u'a' && c <= u'z' ? static_cast<char16_t>(c - (u'a' - u'A')) : c;
  }
  *upper = std::u16string_view(buffer, name.size());
  return true;
}

enum class Live { kScreenW, kScreenH, kScreenC, kMouseX, kMouseY };

constexpr std::array<std::pair<std::u16string_view, Live>, 5> kLiveNumbers = {{
    {u"G_SCREEN_W", Live::kScreenW},
    {u"G_SCREEN_H", Live::kScreenH},
    {u"G_SCREEN_C", Live::kScreenC},
    {u"G_MOUSE_X", Live::kMouseX},
    {u"G_MOUSE_Y", Live::kMouseY},
}};

double LiveNumber(Live which) {
  int x = 0;
  int y = 0;
  switch (which) {
    case Live::kScreenW:
      return os::VirtualScreenWidth();
    case Live::kScreenH:
      return os::VirtualScreenHeight();
    case Live::kScreenC:
      return os::ScreenColorDepth();
    case Live::kMouseX:
      os::CursorPosition(&x, &y);
      return x;
    case Live::kMouseY:
      os::CursorPosition(&x, &y);
      return y;
  }
  return kNoNumericSpecial;
}

enum class TextKind { kWinDir, kSysDir, kCurDir, kZelkDir, kAppDataDir, kZelkName, kMarker };

struct TextName {
  std::u16string_view name;
  TextKind kind;
  std::u16string_view marker;  // for kMarker
};

constexpr std::array<TextName, 19> kTextNames = {{
    {u"GET_WIN_DIR", TextKind::kWinDir, {}},
    {u"GET_SYS_DIR", TextKind::kSysDir, {}},
    {u"GET_CUR_DIR", TextKind::kCurDir, {}},
    {u"GET_ZELK_DIR", TextKind::kZelkDir, {}},
    {u"GET_APPDATA_DIR", TextKind::kAppDataDir, {}},
    {u"GET_ZELK_NAME", TextKind::kZelkName, {}},
    {u"GET_ACTIVE_WIN", TextKind::kMarker, u"__GET_ACTIVE_WIN__"},
    {u"GET_FROMPOINT_WIN", TextKind::kMarker, u"__GET_FROMPOINT_WIN__"},
    {u"GET_FROMPOINT_OBJ", TextKind::kMarker, u"__GET_FROMPOINT_OBJ__"},
    {u"GET_LOGPRINT_WIN", TextKind::kMarker, u"__GET_LOGPRINT_WIN__"},
    {u"GET_STOPFORM_WIN", TextKind::kMarker, u"__GET_STOPFORM_WIN__"},
    {u"GET_THISZELK_WIN", TextKind::kMarker, u"__GET_THISZELK_WIN__"},
    {u"GET_FUKIDASI_WIN", TextKind::kMarker, u"__GET_FUKIDASI_WIN__"},
    // The balloon is the FUKIDASI window under its other name.
    {u"GET_BALLOON_WIN", TextKind::kMarker, u"__GET_FUKIDASI_WIN__"},
    {u"GET_FORM_WIN", TextKind::kMarker, u"__GET_FORM_WIN__"},
    {u"GET_FORM_WIN2", TextKind::kMarker, u"__GET_FORM_WIN2__"},
    {u"GET_SCHEDULE_WIN", TextKind::kMarker, u"__GET_SCHEDULE_WIN__"},
    {u"GET_MENU_HND", TextKind::kMarker, u"__GET_MENU_HND__"},
    {u"GET_SYSMENU_HND", TextKind::kMarker, u"__GET_SYSMENU_HND__"},
}};

constexpr std::u16string_view kEmptyParam = u"EMPTYPARAM";

const TextName* FindTextName(std::u16string_view upper) {
  if (upper.size() < 4 || upper.substr(0, 4) != u"GET_") return nullptr;
  for (const TextName& entry : kTextNames) {
    if (entry.name == upper) return &entry;
  }
  return nullptr;
}

std::u16string WithoutTrailingSeparator(std::u16string folder) {
  if (folder.size() > 1 && (folder.back() == u'\\' || folder.back() == u'/')) folder.pop_back();
  return folder;
}

std::u16string TextOf(const TextName& entry, const Interpreter* interp) {
  switch (entry.kind) {
    case TextKind::kWinDir:
      return os::WindowsFolder();
    case TextKind::kSysDir:
      return os::SystemFolder();
    case TextKind::kCurDir:
      return CurrentFolder();
    case TextKind::kZelkDir:
      return WithoutTrailingSeparator(FolderPart(os::ExecutablePath()));
    case TextKind::kAppDataDir:
      return AppDataFolder(false);
    case TextKind::kZelkName:
      return interp ? FileNamePart(interp->assembly.mainPath()) : std::u16string();
    case TextKind::kMarker:
      return std::u16string(entry.marker);
  }
  return {};
}

}  // namespace

void BuiltinConstantTable::Add(std::u16string_view name, Value value) {
  if (entries_.find(name) != entries_.end()) return;
  double number = 0;
  value.ToNumber(&number);
  const std::u16string& key = names_.emplace_back(name);
  entries_.emplace(key, Entry{std::move(value), number});
  if (key.size() > longest_) longest_ = key.size();
}

const BuiltinConstantTable::Entry* BuiltinConstantTable::Find(std::u16string_view name) const {
  if (name.size() > longest_) return nullptr;
  char16_t buffer[kNameBuffer];
  std::u16string_view upper;
  if (!UpperName(name, buffer, &upper)) return nullptr;
  auto it = entries_.find(upper);
  return it == entries_.end() ? nullptr : &it->second;
}

const BuiltinConstantTable& BuiltinConstants() {
  static const BuiltinConstantTable table = [] {
    BuiltinConstantTable t;
    RegisterConstants(t);
    return t;
  }();
  return table;
}

bool IsBuiltinConstant(std::u16string_view name) {
  return BuiltinConstants().Find(name) != nullptr;
}

double NumericSpecial(std::u16string_view name) {
  if (const BuiltinConstantTable::Entry* entry = BuiltinConstants().Find(name)) {
    return entry->number;
  }
  char16_t buffer[kNameBuffer];
  std::u16string_view upper;
  if (name.size() < 2 || !UpperName(name, buffer, &upper) || upper.substr(0, 2) != u"G_") {
    return kNoNumericSpecial;
  }
  for (const auto& [liveName, which] : kLiveNumbers) {
    if (liveName == upper) return LiveNumber(which);
  }
  return kNoNumericSpecial;
}

std::u16string TextSpecial(std::u16string_view name, const Interpreter* interp) {
  char16_t buffer[kNameBuffer];
  std::u16string_view upper;
  if (!UpperName(name, buffer, &upper)) return {};
  if (upper == kEmptyParam) return u"__EMPTYPARAM__";
  const TextName* entry = FindTextName(upper);
  return entry ? TextOf(*entry, interp) : std::u16string();
}

bool IsSpecialName(std::u16string_view name) {
  if (IsBuiltinConstant(name)) return true;
  char16_t buffer[kNameBuffer];
  std::u16string_view upper;
  if (!UpperName(name, buffer, &upper)) return false;
  for (const auto& live : kLiveNumbers) {
    if (live.first == upper) return true;
  }
  return upper == kEmptyParam || FindTextName(upper) != nullptr;
}

}  // namespace zelk
