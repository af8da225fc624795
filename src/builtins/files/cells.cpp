#include "builtins/files/cells.h"

#include "base/text_scan.h"

namespace zelk {
namespace {

bool IsTrimmed(char16_t c) {
  return c <= u' ' && c != u'\t';
}

// Cuts the cell before the first separator (outside quotes when quoteAware)
// from *rest, which loses it and the separator; without one the whole rest.
std::u16string_view CutCell(std::u16string_view* rest, char16_t separator, bool quoteAware) {
  const std::u16string_view text = *rest;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (quoteAware && text[i] == u'"') quoted = !quoted;
    if (!quoted && text[i] == separator) {
      *rest = text.substr(i + 1);
      return text.substr(0, i);
    }
  }
  *rest = std::u16string_view();
  return text;
}

}  // namespace

std::u16string_view TrimKeepTabs(std::u16string_view text) {
  std::size_t begin = 0, end = text.size();
  while (begin < end && IsTrimmed(text[begin])) ++begin;
  while (end > begin && IsTrimmed(text[end - 1])) --end;
  return text.substr(begin, end - begin);
}

std::u16string_view ReadCell(std::u16string_view lineText, int line, int column, char16_t separator,
                             bool quoteAware, CellCache* cache) {
  int cut = 0;
  std::u16string_view rest = lineText;
  if (cache->cacheLine == line && cache->cacheColumn < column && cache->quoteAware == quoteAware &&
      cache->cacheRestAt + cache->cacheRestSize <= lineText.size()) {
    cut = cache->cacheColumn;
    rest = lineText.substr(cache->cacheRestAt, cache->cacheRestSize);
  }
  std::u16string_view cell;
  while (cut < column) {
    rest = TrimKeepTabs(rest);
    if (rest.empty()) {
      cell = {};
      break;
    }
    cell = TrimKeepTabs(CutCell(&rest, separator, quoteAware));
    ++cut;
  }
  cache->cacheLine = line;
  cache->cacheColumn = column;
  cache->quoteAware = quoteAware;
  // rest may have lost blanks at either end, so both are kept.
  cache->cacheRestAt =
      rest.empty() ? lineText.size() : static_cast<std::size_t>(rest.data() - lineText.data());
  cache->cacheRestSize = rest.size();
  return cell;
}

std::u16string ApplyQuoteMode(std::u16string_view text, int quoteMode, bool* keepWide) {
  *keepWide = false;
  if (text.size() < 2 || text[0] != u'"') return std::u16string(text);
  if (quoteMode == 0) {
    // One quoted item with no quote inside.
    if (text.find(u'"', 1) != text.size() - 1) return std::u16string(text);
    *keepWide = true;
    return Unquote(text);
  }
  if (quoteMode == 2) return ReplaceAll(Unquote(text), u"\"\"", u"\"");
  return std::u16string(text);
}

std::u16string PutCell(std::u16string_view lineText, int column, std::u16string_view text,
                       char16_t separator, int quoteMode) {
  const bool quoteAware = quoteMode != kQuotesIgnored;
  std::u16string_view old = lineText;
  std::u16string head;
  for (int k = 1; k < column; ++k) {
    if (k >= 2) head += separator;
    head += CutCell(&old, separator, quoteAware);
  }
  CutCell(&old, separator, quoteAware);  // the cell being replaced

  std::u16string cell(text);
  if (quoteMode == 2 && cell.find(u'"') != std::u16string::npos) {
    cell = u"\"" + ReplaceAll(cell, u"\"", u"\"\"") + u"\"";
  }
  if (!head.empty()) {
    head += separator;
  } else if (column == 2) {
    head = separator;  // an empty first cell
  }
  std::u16string result = std::move(head);
  result += cell;
  if (!TrimKeepTabs(old).empty()) {
    result += separator;
    result += old;
  }
  return result;
}

}  // namespace zelk
