#include "frontend/table_dump.h"

#include <cstddef>
#include <string>
#include <vector>

namespace zelk {
namespace {

void AppendDecimal(std::u16string& out, long long n) {
  std::string digits = std::to_string(n);
  out.append(digits.begin(), digits.end());
}

void AppendColumn(std::u16string& out, std::u16string_view text) {
  for (char16_t c : text) {
    switch (c) {
      case u'\t':
        out += u"\\t";
        break;
      case u'\r':
        out += u"\\r";
        break;
      case u'\n':
        out += u"\\n";
        break;
      default:
        out += c;
    }
  }
}

template <typename T>
const T* At(const std::vector<T>& column, std::size_t row) {
  return row < column.size() ? &column[row] : nullptr;
}

}  // namespace

std::u16string DumpStatementTable(const StatementTable& table, bool withSources) {
  std::u16string out;
  for (std::size_t row = 0; row < table.StmtTexts.size(); ++row) {
    AppendDecimal(out, static_cast<long long>(row));
    out += u'\t';
    if (const std::int32_t* kind = At(table.StmtKinds, row)) AppendDecimal(out, *kind);
    out += u'\t';
    if (row < table.StmtLines.size()) AppendColumn(out, table.StmtLines[row].Text());
    out += u'\t';
    AppendColumn(out, table.StmtTexts[row]);
    if (withSources) {
      out += u'\t';
      if (row < table.StmtSources.size()) {
        AppendColumn(out, ScrambleSource(table.StmtSources[row]));
      }
    }
    out += u'\n';
  }
  return out;
}

}  // namespace zelk
