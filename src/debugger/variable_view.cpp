#include "debugger/variable_view.h"

#include <mutex>

#include "runtime/control/execute.h"
#include "runtime/core/interpreter.h"

namespace zelk {
namespace {

constexpr std::size_t kDeclaredPreview = 10;  // elements of a declared array or hash table
constexpr std::size_t kVariantPreview = 9;    // elements of an array value

// Holds VariableLock while the context is the global one.
class TableLock {
 public:
  explicit TableLock(const THensuFmt& context) {
    Interpreter& interp = *context.interp;
    if (&context == &interp.global) lock_ = std::unique_lock(interp.variableLock);
  }

 private:
  std::unique_lock<std::recursive_mutex> lock_;
};

std::u16string Display(const Value& v) {
  return FormatPrintValue(v, true);
}

// Joins the display texts of count items (taken by at(i)), at most limit of
// them, with ",..." when there are more.
template <class At>
std::u16string Preview(std::size_t count, std::size_t limit, At at) {
  std::u16string text;
  for (std::size_t i = 0; i < count && i < limit; ++i) {
    if (i > 0) text += u", ";
    text += at(i);
  }
  if (count > limit) text += u",...";
  return text;
}

// The preview of an array value: along its last dimension, the other
// dimensions at their lower bounds.
std::u16string ArrayPreview(const ArrayCell& array) {
  const std::size_t dims = array.bounds.size();
  if (dims == 0) return u"";
  const ArrayBound last = array.bounds.back();
  std::vector<std::int32_t> at(dims);
  for (std::size_t d = 0; d < dims; ++d) at[d] = array.bounds[d].lower;
  const std::size_t count = last.count > 0 ? static_cast<std::size_t>(last.count) : 0;
  return Preview(count, kVariantPreview, [&](std::size_t k) -> std::u16string {
    at[dims - 1] = last.lower + static_cast<std::int32_t>(k);
    std::size_t position = 0;
    if (!array.Position(at.data(), dims, &position) || position >= array.items.size()) return {};
    return Display(array.items[position]);
  });
}

std::u16string Decimal(std::int64_t n) {
  std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

// "[i]" or "[i, j, ...]" for the flat position of a row-major declared array.
std::u16string DeclaredIndexName(const std::vector<std::int32_t>& bounds, std::size_t flat) {
  std::vector<std::int64_t> indexes(bounds.size());
  for (std::size_t d = bounds.size(); d-- > 0;) {
    const std::int64_t size = bounds[d] + 1;
    indexes[d] = size > 0 ? static_cast<std::int64_t>(flat % static_cast<std::size_t>(size)) : 0;
    if (size > 0) flat /= static_cast<std::size_t>(size);
  }
  std::u16string name = u"[";
  for (std::size_t d = 0; d < indexes.size(); ++d) {
    if (d > 0) name += u", ";
    name += Decimal(indexes[d]);
  }
  return name + u"]";
}

// The same for an array value: column-major, lower bounds honoured.
std::u16string ValueIndexName(const std::vector<ArrayBound>& bounds, std::size_t flat) {
  std::u16string name = u"[";
  for (std::size_t d = 0; d < bounds.size(); ++d) {
    const std::size_t count = bounds[d].count > 0 ? static_cast<std::size_t>(bounds[d].count) : 1;
    if (d > 0) name += u", ";
    name += Decimal(bounds[d].lower + static_cast<std::int64_t>(flat % count));
    flat /= count;
  }
  return name + u"]";
}

template <class Make>
std::vector<ElementRow> Page(std::size_t total, std::size_t first, std::size_t count, Make make) {
  std::vector<ElementRow> rows;
  for (std::size_t i = first; i < total && i - first < count; ++i) rows.push_back(make(i));
  return rows;
}

}  // namespace

std::vector<VariableRow> VariableRows(const THensuFmt& context) {
  TableLock lock(context);
  std::vector<VariableRow> rows;
  const VariableTable& vars = context.vars;
  for (int i = 0; i < vars.count(); ++i) {
    VariableRow row;
    row.index = i;
    row.name = vars.names.KeyAt(i);
    try {
      const std::vector<Value>& values = vars.values[static_cast<std::size_t>(i)];
      const std::vector<std::int32_t>& bounds = vars.bounds[static_cast<std::size_t>(i)];
      if (!bounds.empty()) {
        for (std::size_t d = 0; d < bounds.size(); ++d) row.name += u"[]";
        row.value = Preview(values.size(), kDeclaredPreview,
                            [&](std::size_t k) { return Display(values[k]); });
      } else if (values.size() == 1 && values[0].type() == (kVtArray | kVtVariant)) {
        row.name += u"->";
        for (std::size_t d = 0; d < values[0].AsArray()->bounds.size(); ++d) row.name += u"[]";
        row.value = ArrayPreview(*values[0].AsArray());
      } else if (values.size() == 1) {
        row.value = Display(values[0]);
        row.kind = values[0].type();
      }
    } catch (...) {
      // A value that cannot be shown leaves its row empty.
      row.value.clear();
      row.kind = kCompositeKind;
    }
    rows.push_back(std::move(row));
  }
  for (int k = 0; k < context.hashNames.Count(); ++k) {
    VariableRow row;
    row.index = k;
    row.isHashTable = true;
    row.name = context.hashNames.KeyAt(k) + u"[]";
    if (static_cast<std::size_t>(k) < context.hashTables.size() && context.hashTables[k]) {
      const TUZHash& table = *context.hashTables[static_cast<std::size_t>(k)];
      row.value =
          Preview(static_cast<std::size_t>(table.Count()), kDeclaredPreview, [&](std::size_t e) {
            const int i = static_cast<int>(e);
            return table.KeyAt(i) + u":" + Display(table.ValueAt(i));
          });
    }
    rows.push_back(std::move(row));
  }
  return rows;
}

std::u16string KindName(int kind) {
  struct Named {
    int code;
    const char16_t* name;
  };
  static constexpr Named kNames[] = {
      {0, u"Empty"},        {1, u"Null"},     {2, u"Smallint"},  {3, u"Integer"},  {4, u"Single"},
      {5, u"Double"},       {6, u"Currency"}, {7, u"Date"},      {8, u"OleStr"},   {9, u"Dispatch"},
      {10, u"Error"},       {11, u"Boolean"}, {12, u"Variant"},  {13, u"Unknown"}, {16, u"Char"},
      {17, u"Byte"},        {18, u"Word"},    {19, u"LongWord"}, {20, u"Int64"},   {72, u"StrArg"},
      {256, u"AnsiString"}, {257, u"Any"},    {258, u"UString"}};
  const unsigned code = static_cast<unsigned>(kind);
  std::u16string name;
  for (const Named& n : kNames) {
    if (static_cast<unsigned>(n.code) == (code & 0xFFF)) name = n.name;
  }
  if (code & 0x2000) return u"Array of " + name;
  if (code & 0x4000) return u"ByRef of " + name;
  return name;
}

std::vector<ElementRow> ArrayValueElements(const Value& array, std::size_t first, std::size_t count,
                                           std::size_t* total) {
  *total = 0;
  if (!array.IsArray() || array.AsArray() == nullptr) return {};
  const ArrayCell& cell = *array.AsArray();
  *total = cell.items.size();
  return Page(*total, first, count, [&](std::size_t i) {
    return ElementRow{ValueIndexName(cell.bounds, i), cell.items[i]};
  });
}

std::vector<ElementRow> ElementRows(const THensuFmt& context, const VariableRow& row,
                                    std::size_t first, std::size_t count, std::size_t* total) {
  TableLock lock(context);
  *total = 0;
  const auto index = static_cast<std::size_t>(row.index);
  if (row.isHashTable) {
    if (index >= context.hashTables.size() || !context.hashTables[index]) return {};
    const TUZHash& table = *context.hashTables[index];
    *total = static_cast<std::size_t>(table.Count());
    return Page(*total, first, count, [&](std::size_t i) {
      return ElementRow{table.KeyAt(static_cast<int>(i)), table.ValueAt(static_cast<int>(i))};
    });
  }
  if (index >= context.vars.values.size()) return {};
  const std::vector<Value>& values = context.vars.values[index];
  const std::vector<std::int32_t>& bounds = context.vars.bounds[index];
  if (!bounds.empty()) {
    *total = values.size();
    return Page(*total, first, count, [&](std::size_t i) {
      return ElementRow{DeclaredIndexName(bounds, i), values[i]};
    });
  }
  if (values.size() == 1) return ArrayValueElements(values[0], first, count, total);
  return {};
}

bool WriteVariable(THensuFmt& context, int index, const Value& value) {
  TableLock lock(context);
  const auto i = static_cast<std::size_t>(index);
  if (index < 0 || i >= context.vars.values.size() || context.vars.values[i].size() != 1 ||
      !context.vars.bounds[i].empty()) {
    return false;
  }
  context.vars.values[i][0] = value;
  return true;
}

}  // namespace zelk
