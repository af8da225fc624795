// Preprocessing (FReLoad): turns the combined source into the statement table,
// one row per statement, with its kind code, its file and line, its source
// text, and the partner offsets of every block head. Rows that cannot be
// accepted become marker texts for the pre-run check; errors that belong to no
// row are reported at once.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "frontend/registrar.h"
#include "frontend/statement_table.h"

namespace zelk {

class Preprocessor {
 public:
  Preprocessor(StatementTable& table, DefinitionTables& definitions, FrontEndErrors& errors)
      : table_(table),
        definitions_(definitions),
        errors_(errors),
        registrar_(table, definitions, errors) {}

  // Something of another component that a new run must forget (print window,
  // OPTION flags, thread slots, COM objects, key states...). Hooks run in the
  // order added, at the start of every FReLoad, before the tables are emptied.
  void AddResetHook(std::function<void()> hook) { resetHooks_.push_back(std::move(hook)); }
  // Per-row data of other components (the body runner's caches) sized with
  // the table: called with the row count when the kind pass starts.
  void AddRowCountHook(std::function<void(int rows)> hook) {
    rowCountHooks_.push_back(std::move(hook));
  }
  Registrar& registrar() { return registrar_; }

  // Resets, then builds every column of the table from the combined source.
  // Returns true when an error was reported at once (the run must not start);
  // row errors stay as markers.
  bool FReLoad(const std::vector<std::u16string>& combinedSource);
  // The same, freeing each source row once it is taken in, so that the
  // source and the table are not both whole in memory.
  bool FReLoad(std::vector<std::u16string>&& combinedSource);

 private:
  void Reset(const std::vector<std::u16string>& source);
  bool Load(const std::vector<std::u16string>& source, std::vector<std::u16string>* consumed);
  // consumed: the same rows, to be freed as they are taken in; may be null.
  void Build(const std::vector<std::u16string>& source, std::vector<std::u16string>* consumed);
  void SourceRow(const std::u16string& original);
  void MultiStatement(const std::u16string& row);
  void ReportOpenTextBlock();
  void OneLineIf(const std::u16string& text);
  // Appends the row and lets the registrar see it; returns its index.
  int AppendRow(std::u16string text);
  // StmtSources and StmtLines of the row just appended; withLine: a line
  // reference unless the row's final text is empty.
  void WriteOrigin(std::u16string_view sourceText, bool withLine);
  void KindPass();
  void CheckConstructors();

  StatementTable& table_;
  DefinitionTables& definitions_;
  FrontEndErrors& errors_;
  Registrar registrar_;
  std::vector<std::function<void()>> resetHooks_;
  std::vector<std::function<void(int)>> rowCountHooks_;

  // Row pass counters: line i of file j; h rows of the file's block are not
  // source lines (the header, and the inserted FEND once passed).
  int line_ = 0;
  int file_ = 0;
  int headerOffset_ = 1;
  bool awaitingFirstFend_ = true;
};

// The rows a one-line IF ("IF cond THEN a ELSE b", no RESULT check) expands
// to: "IFB cond" alone when it has no THEN part (a block IF), a marker alone
// when it is malformed, else the five rows IFB, then-part, ELSE, else-part,
// ENDIF with the placeholder row for an empty part.
std::vector<std::u16string> ExpandOneLineIf(std::u16string_view line);

// Rewrites each ")." outside literals so that its parentheses become brackets
// ("F(1).NAME" -> "F[1].NAME"). False when the parentheses do not pair.
bool RewriteCallMembers(std::u16string& row);

// 1-based position of the '(' that opens the ')' at the 1-based position,
// scanning backwards and skipping double-quoted literals; -1 if there is none.
int MatchingOpenParen(std::u16string_view text, int position);
// The marker for a closer whose opener is missing.
std::u16string NoCorrespondingMessage(std::u16string_view keyword);
// RESULT stands in the text as a whole token.
bool UsesResult(std::u16string_view text);
// The text holds a character no name may hold: mode 1 any of ",+*=<>()!?"
// outside literals and brackets; mode 0 any of " ,+*/=<>()![]?" outside literals.
bool HasNameBreak(std::u16string_view text, int mode);

}  // namespace zelk
