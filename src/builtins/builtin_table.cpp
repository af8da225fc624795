// The 135 built-in names in table order (a built-in's number is its
// position) with their argument rules, kept in the form they are documented
// in and turned into bit masks once.
#include <array>
#include <cstdio>
#include <cstdlib>

#include "builtins/builtin_family.h"
#include "builtins/builtin_table.h"
#include "foundation/hashed_str_list.h"

namespace zelk {
namespace {

// Min: the pre-run check's minimum count; Max: the run-time maximum. Text:
// 1-based positions that may be non-numeric ("4+" the fourth and later, "e"
// only an empty text). Raw: positions passed as source text.
struct Row {
  const char16_t* name;
  int min;
  int max;
  const char* text;
  const char* raw;
};

// clang-format off
constexpr std::array<Row, kBuiltinCount> kRows = {{
  // name               Min Max  Text           Raw
  {u"INT", 1, 36, "-", "-"},
  {u"ABS", 1, 36, "-", "-"},
  {u"ZCUT", 1, 36, "-", "-"},
  {u"ROUND", 1, 36, "-", "-"},
  {u"SQRT", 1, 36, "-", "-"},
  {u"POWER", 1, 36, "-", "-"},
  {u"SIN", 1, 36, "-", "-"},
  {u"COS", 1, 36, "-", "-"},
  {u"TAN", 1, 36, "-", "-"},
  {u"EXP", 1, 36, "-", "-"},
  {u"LN", 1, 36, "-", "-"},
  {u"LOGN", 1, 36, "-", "-"},
  {u"GETID", 1, 36, "1,2,3,4+", "-"},
  {u"EXEC", 1, 36, "1", "-"},
  {u"MSGBOX", 1, 36, "1,2,3,4+", "-"},
  {u"CTRLWIN", 2, 36, "-", "-"},
  {u"SLEEP", 0, 1, "-", "-"},
  {u"SENDSTR", 2, 36, "2", "-"},
  {u"MMV", 2, 36, "-", "-"},
  {u"BTN", 1, 36, "-", "-"},
  {u"KBD", 1, 36, "-", "-"},
  {u"ACW", 1, 36, "2,3", "-"},
  {u"FUKIDASI", 0, 36, "1,2,3,4+", "-"},
  {u"CLKITEM", 2, 36, "2,3e,4+e", "-"},
  {u"DOSCMD", 1, 36, "1,2,3", "-"},
  {u"SCKEY", 2, 36, "2,3,4+", "-"},
  {u"SOUND", 0, 36, "1", "-"},
  {u"INPUT", 0, 36, "1,2,3", "-"},
  {u"COPY", 2, 36, "1", "-"},
  {u"LENGTH", 1, 36, "1", "1"},
  {u"POS", 2, 36, "1,2", "-"},
  {u"GETSTR", 1, 36, "-", "-"},
  {u"CHKNUM", 1, 36, "1", "-"},
  {u"SETSLIDER", 2, 36, "-", "-"},
  {u"STATUS", 2, 36, "-", "-"},
  {u"GETALLWIN", 0, 36, "-", "-"},
  {u"GETTIME", 0, 36, "2", "-"},
  {u"LOGPRINT", 0, 36, "-", "-"},
  {u"VAL", 1, 36, "1,2", "-"},
  {u"FOPEN", 1, 2, "1", "-"},
  {u"FCLOSE", 1, 2, "-", "-"},
  {u"FGET", 2, 36, "3", "-"},
  {u"FPUT", 2, 36, "2", "-"},
  {u"SETCLEAR", 1, 36, "1,2", "1"},
  {u"FORMAT", 2, 36, "1,2", "-"},
  {u"STOPFORM", 0, 36, "-", "-"},
  {u"CHGMOJ", 3, 36, "1,2,3", "-"},
  {u"POFF", 1, 36, "-", "-"},
  {u"CHKBTN", 2, 36, "2", "-"},
  {u"SLCTBOX", 3, 36, "3,4+", "3+"},
  {u"MOUSEORG", 0, 36, "-", "-"},
  {u"TRIM", 1, 36, "1", "-"},
  {u"GETITEM", 2, 36, "3,4+", "-"},
  {u"PEEKCOLOR", 2, 36, "3", "-"},
  {u"CHKIMG", 0, 36, "1,2,3,4+", "-"},
  {u"SAVEIMG", 0, 36, "1,2,3,4+", "-"},
  {u"KINDOFOS", 0, 36, "-", "-"},
  {u"CHR", 1, 36, "-", "-"},
  {u"ASC", 1, 36, "1", "-"},
  {u"GETKEYSTATE", 1, 36, "-", "-"},
  {u"RANDOM", 0, 36, "-", "-"},
  {u"LOCKHARD", 0, 36, "-", "-"},
  {u"GETDIR", 1, 36, "1,2,3", "-"},
  {u"GETOLEITEM", 1, 36, "1", "1"},
  {u"MUSCUR", 0, 36, "-", "-"},
  {u"GETCTLHND", 1, 36, "2", "-"},
  {u"IDTOHND", 1, 36, "-", "-"},
  {u"HNDTOID", 1, 36, "-", "-"},
  {u"TOKEN", 2, 36, "1,2", "2"},
  {u"CPUUSERATE", 0, 36, "-", "-"},
  {u"RESIZE", 1, 36, "1", "1"},
  {u"POSACC", 3, 36, "-", "-"},
  {u"SPEAK", 0, 36, "1", "-"},
  {u"RECOSTATE", 0, 36, "2,3,4+", "2+"},
  {u"DICTATE", 0, 36, "-", "-"},
  {u"BALLOON", 0, 36, "1,2e,3e,4+", "-"},
  {u"CREATEFORM", 1, 36, "1,2,4+", "-"},
  {u"GETFORMDATA", 1, 36, "1,2", "-"},
  {u"DELETEFILE", 1, 1, "1", "-"},
  {u"CREATEOLEOBJ", 1, 36, "1", "-"},
  {u"GETACTIVEOLEOBJ", 1, 36, "1,2", "-"},
  {u"LENGTHB", 1, 36, "1", "-"},
  {u"COPYB", 2, 36, "1", "-"},
  {u"POSB", 2, 36, "1,2", "-"},
  {u"SENSOR", 1, 36, "-", "-"},
  {u"POPUPMENU", 1, 36, "1,2,3", "1"},
  {u"ISUNICODE", 1, 36, "1", "-"},
  {u"FDELLINE", 2, 2, "-", "-"},
  {u"CEIL", 1, 36, "-", "-"},
  {u"ARCSIN", 1, 36, "-", "-"},
  {u"ARCCOS", 1, 36, "-", "-"},
  {u"ARCTAN", 1, 36, "-", "-"},
  {u"DROPFILE", 3, 36, "2,3,4+", "2+"},
  {u"STRCONV", 2, 36, "1", "-"},
  {u"IEGETDATA", 2, 36, "1,2,3", "-"},
  {u"IESETDATA", 3, 36, "1,2,3,4+", "-"},
  {u"SETFORMDATA", 2, 36, "1,2,3", "-"},
  {u"IELINK", 1, 36, "1,2,3", "-"},
  {u"ENCODE", 1, 36, "1", "-"},
  {u"DECODE", 1, 36, "1", "-"},
  {u"OLEEVENT", 1, 36, "1,2,3,4+", "-"},
  {u"REPLACE", 3, 36, "1,2,3", "-"},
  {u"ASCB", 1, 36, "1", "-"},
  {u"XLGETDATA", 1, 36, "1,2,3,4+", "-"},
  {u"XLSETDATA", 2, 36, "1,2,3,4+", "2"},
  {u"XLACTIVATE", 1, 36, "1,2,3", "-"},
  {u"XLSHEET", 2, 36, "1,2", "-"},
  {u"XLOPEN", 0, 36, "1,2,3,4+", "-"},
  {u"XLCLOSE", 1, 36, "1,2", "-"},
  {u"VARTYPE", 1, 36, "1", "-"},
  {u"READINI", 2, 36, "1,2,3", "-"},
  {u"WRITEINI", 3, 36, "1,2,3,4+", "-"},
  {u"DELETEINI", 1, 36, "1,2,3", "-"},
  {u"IEGETSRC", 2, 36, "1,2", "-"},
  {u"BETWEENSTR", 2, 36, "1,2,3", "-"},
  {u"EVAL", 1, 36, "1", "-"},
  {u"GETSLCTLST", 1, 36, "-", "-"},
  {u"CHRB", 1, 36, "-", "-"},
  {u"SHIFTARRAY", 2, 36, "1", "1"},
  {u"CALCARRAY", 2, 36, "1", "1"},
  {u"SAFEARRAY", 0, 36, "-", "-"},
  {u"POWERSHELL", 1, 36, "1", "-"},
  {u"SET8087CW", 0, 36, "-", "-"},
  {u"SETHOTKEY", 1, 36, "1,2,3", "-"},
  {u"GETSLIDER", 1, 36, "-", "-"},
  {u"SPLIT", 1, 36, "1,2", "-"},
  {u"JOIN", 1, 36, "1,2", "1"},
  {u"SLICE", 1, 36, "1,2", "1"},
  {u"QSORT", 1, 10, "1,2,3,4+", "1,3+"},
  {u"IESETSRC", 3, 36, "1,2,3", "-"},
  {u"MONITOR", 0, 36, "-", "-"},
  {u"CTRLTRD", 2, 36, "-", "-"},
  {u"LOCKHARDEX", 0, 36, "-", "-"},
  {u"LENGTHS", 1, 36, "1", "-"},
  {u"IEGETFRAME", 2, 36, "1,2", "-"},
}};
// clang-format on

struct Shapes {
  std::array<BuiltinShape, kBuiltinCount> shapes;
  TUHashedStrList index{true};
};

const Shapes& Table() {
  static const Shapes table = [] {
    Shapes t;
    for (std::size_t i = 0; i < kRows.size(); ++i) {
      const Row& row = kRows[i];
      BuiltinShape& shape = t.shapes[i];
      shape.minimum = row.min;
      shape.maximum = row.max;
      if (!ParsePositionColumn(row.text, &shape.text, &shape.emptyOnly) ||
          !ParsePositionColumn(row.raw, &shape.raw, nullptr)) {
        std::fprintf(stderr, "built-in table: bad column in row %zu\n", i);
        std::abort();
      }
      t.index.Add(row.name);
    }
    return t;
  }();
  return table;
}

}  // namespace

bool ParsePositionColumn(std::string_view column, std::uint64_t* mask, std::uint64_t* emptyOnly) {
  *mask = 0;
  if (emptyOnly) *emptyOnly = 0;
  if (column == "-") return true;
  for (bool more = true; more;) {
    std::size_t comma = column.find(',');
    more = comma != std::string_view::npos;
    std::string_view item = column.substr(0, comma);
    if (more) column.remove_prefix(comma + 1);
    int position = 0;
    std::size_t i = 0;
    for (; i < item.size() && item[i] >= '0' && item[i] <= '9'; ++i) {
      position = position * 10 + (item[i] - '0');
    }
    if (i == 0 || position < 1 || position > kMaxBuiltinArguments + 1) return false;
    bool onward = i < item.size() && item[i] == '+';
    if (onward) ++i;
    bool empty = i < item.size() && item[i] == 'e';
    if (empty) ++i;
    if (i != item.size() || (empty && emptyOnly == nullptr)) return false;
    const int last = onward ? kMaxBuiltinArguments : position - 1;
    for (int p = position - 1; p <= last; ++p) {
      *mask |= std::uint64_t{1} << p;
      if (empty) *emptyOnly |= std::uint64_t{1} << p;
    }
  }
  return true;
}

const BuiltinShape& ShapeOf(int number) {
  return Table().shapes[static_cast<std::size_t>(number)];
}

int FindBuiltin(std::u16string_view name) {
  return Table().index.IndexOf(name);
}

std::u16string_view BuiltinName(int number) {
  return kRows[static_cast<std::size_t>(number)].name;
}

bool IsMathBuiltin(int number) {
  return (number >= 0 && number < 12) || (number >= 88 && number <= 91);
}

bool IsRawArgument(int number, int position) {
  if (number < 0 || number >= kBuiltinCount) return false;
  return HasPosition(ShapeOf(number).raw, position);
}

int MinimumArguments(int number) {
  if (number < 0 || number >= kBuiltinCount) return 0;
  return ShapeOf(number).minimum;
}

}  // namespace zelk
