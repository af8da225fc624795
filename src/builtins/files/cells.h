// Lines as rows of cells, as FGET and FPUT read and write them: cells are
// separated by "," (or TAB), a separator inside a double-quoted part does not
// count unless quotes are ignored (quote mode 3).
#pragma once

#include <string>
#include <string_view>

#include "runtime/core/file_table.h"

namespace zelk {

// The quote mode that cuts without regard to quotes.
inline constexpr int kQuotesIgnored = 3;

// Blanks and control characters off both ends, TABs kept: an empty
// TAB-separated cell must not vanish with the blanks around it.
std::u16string_view TrimKeepTabs(std::u16string_view text);

// Cell number column (1-based) of lineText, which is line number line,
// trimmed. Continues from *cache when it holds earlier cells of the same line
// cut the same way, and leaves it after this cell: reading a line cell by
// cell costs one pass over it.
std::u16string_view ReadCell(std::u16string_view lineText, int line, int column, char16_t separator,
                             bool quoteAware, CellCache* cache);

// FGET's quote modes on a trimmed text: 0 removes the quotes of one quoted
// item (and *keepWide says the result must not count as a number), 2 removes
// the outer quotes and undoubles the inner ones, others leave it.
std::u16string ApplyQuoteMode(std::u16string_view text, int quoteMode, bool* keepWide);

// lineText with cell number column (1-based) replaced by text; a short line
// is padded with empty cells. Quote mode 2 quotes a text holding a quote.
std::u16string PutCell(std::u16string_view lineText, int column, std::u16string_view text,
                       char16_t separator, int quoteMode);

}  // namespace zelk
