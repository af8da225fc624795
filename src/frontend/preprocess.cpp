#include "frontend/preprocess.h"

#include <algorithm>
#include <charconv>
#include <exception>
#include <string>
#include <unordered_map>

#include "base/text_scan.h"
#include "base/utf.h"
#include "foundation/case_mapping.h"
#include "foundation/messages.h"
#include "frontend/block_match.h"

namespace zelk {
namespace {

// The decimal digits of n, written into buffer.
std::u16string_view DecimalInto(int n, char16_t (&buffer)[16]) {
  char digits[16];
  auto [end, error] = std::to_chars(digits, digits + sizeof digits, n);
  std::size_t length = error == std::errc() ? static_cast<std::size_t>(end - digits) : 0;
  for (std::size_t i = 0; i < length; ++i) buffer[i] = static_cast<char16_t>(digits[i]);
  return std::u16string_view(buffer, length);
}

std::u16string Marker(std::u16string_view message) {
  std::u16string marker(kErrorMarker);
  marker += message;
  return marker;
}

// An include's wrapper row: "PROCEDURE <PATH>.ZLS()".
bool IsIncludeHeader(std::u16string_view row) {
  return row.starts_with(u"PROCEDURE ") && row.ends_with(u".ZLS()");
}

// How the kind pass treats a row by its keyword.
enum class Rule {
  kIfb,
  kFor,
  kWhile,
  kRepeat,
  kSelect,
  kTry,
  kTryPart,      // FINALLY, EXCEPT, ENDTRY: must have been taken by a TRY
  kCloser,       // must have been taken by its opener
  kKeyword,      // text := rest
  kBareKeyword,  // text := rest, which must be empty
  kNop,
};

struct KindRule {
  Rule rule;
  std::int32_t kind;
  const char16_t* opener;  // for closers: the head named in the "no corresponding" marker
};

const std::unordered_map<std::u16string_view, KindRule>& KindRules() {
  static const std::unordered_map<std::u16string_view, KindRule> rules = {
      {u"IFB", {Rule::kIfb, kKindIfb, nullptr}},
      {u"ELSEIF", {Rule::kIfb, kKindIfb, nullptr}},
      {u"FOR", {Rule::kFor, kKindForTo, nullptr}},
      {u"WHILE", {Rule::kWhile, kKindWhile, nullptr}},
      {u"REPEAT", {Rule::kRepeat, kKindRepeat, nullptr}},
      {u"SELECT", {Rule::kSelect, kKindSelect, nullptr}},
      {u"TRY", {Rule::kTry, kKindTry, nullptr}},
      {u"FINALLY", {Rule::kTryPart, kKindFinally, u"TRY"}},
      {u"EXCEPT", {Rule::kTryPart, kKindExcept, u"TRY"}},
      {u"ENDTRY", {Rule::kTryPart, kKindEndtry, u"TRY"}},
      {u"ELSE", {Rule::kCloser, kKindElse, u"IFB"}},
      {u"ENDIF", {Rule::kCloser, kKindEndif, u"IFB"}},
      {u"NEXT", {Rule::kCloser, kKindNext, u"FOR"}},
      {u"WEND", {Rule::kCloser, kKindWend, u"WHILE"}},
      {u"UNTIL", {Rule::kCloser, kKindUntil, u"REPEAT"}},
      {u"SELEND", {Rule::kCloser, kKindSelend, u"SELECT"}},
      {u"CASE", {Rule::kCloser, kKindCase, u"SELECT"}},
      {u"DEFAULT", {Rule::kCloser, kKindDefault, u"SELECT"}},
      {u"PRINT", {Rule::kKeyword, kKindPrint, nullptr}},
      {u"THREAD", {Rule::kKeyword, kKindThread, nullptr}},
      {u"DEF_DLL", {Rule::kKeyword, kKindDefDll, nullptr}},
      {u"DIM", {Rule::kKeyword, kKindDim, nullptr}},
      {u"HASHTBL", {Rule::kKeyword, kKindHashtbl, nullptr}},
      {u"BREAK", {Rule::kKeyword, kKindBreak, nullptr}},
      {u"CONTINUE", {Rule::kKeyword, kKindContinue, nullptr}},
      {u"EXIT", {Rule::kKeyword, kKindExit, nullptr}},
      {u"CALL", {Rule::kKeyword, kKindCallFile, nullptr}},
      {u"EXITEXIT", {Rule::kKeyword, kKindExitExit, nullptr}},
      {u"WITH", {Rule::kKeyword, kKindWith, nullptr}},
      {u"ENDWITH", {Rule::kBareKeyword, kKindEndWith, nullptr}},
      {u"COM_ERR_IGN", {Rule::kBareKeyword, kKindComErrIgn, nullptr}},
      {u"COM_ERR_RET", {Rule::kBareKeyword, kKindComErrRet, nullptr}},
      {u"FEND", {Rule::kBareKeyword, kKindFend, nullptr}},
      {kNopRow, {Rule::kNop, kKindNop, nullptr}},
  };
  return rules;
}

// The rows the source will give, near enough: a one-line IF gives up to
// five, a ';' one more; *chars: the characters of their source entries.
std::size_t RowEstimate(const std::vector<std::u16string>& source, std::size_t* chars) {
  constexpr std::size_t kNumberAndComma = 8;
  std::size_t rows = 0;
  *chars = 0;
  for (const std::u16string& row : source) {
    std::size_t copies = row.starts_with(u"IF ") ? 5 : 1;
    std::size_t pieces = static_cast<std::size_t>(std::count(row.begin(), row.end(), u';'));
    rows += copies + pieces;
    *chars += copies * (row.size() + kNumberAndComma) + pieces * kNumberAndComma;
  }
  return rows;
}

}  // namespace

bool Preprocessor::FReLoad(const std::vector<std::u16string>& combinedSource) {
  return Load(combinedSource, nullptr);
}

bool Preprocessor::FReLoad(std::vector<std::u16string>&& combinedSource) {
  std::vector<std::u16string> source = std::move(combinedSource);
  return Load(source, &source);
}

bool Preprocessor::Load(const std::vector<std::u16string>& source,
                        std::vector<std::u16string>* consumed) {
  try {
    Reset(source);
    Build(source, consumed);
  } catch (const std::exception& e) {
    errors_.Report(u"SyntaxError(FReLoad):" + Utf8ToText(e.what()));
  } catch (...) {
    errors_.Report(u"SyntaxError(FReLoad):");
  }
  // Whatever stopped the build, every column has one entry per row.
  std::size_t rows = table_.StmtTexts.size();
  table_.StmtKinds.resize(rows, kKindStatement);
  table_.StmtLines.resize(rows);
  table_.StmtSources.resize(rows);
  table_.BlockMatched.clear();
  table_.BlockMatched.shrink_to_fit();
  return errors_.errorFlag();
}

void Preprocessor::Reset(const std::vector<std::u16string>& source) {
  for (const auto& hook : resetHooks_) hook();
  table_.Clear();
  errors_.Clear();
  registrar_.Reset();
  // Sized once: growing a column of a million rows by doubling holds the
  // old and the new block at the same time.
  std::size_t chars = 0;
  std::size_t rows = RowEstimate(source, &chars);
  table_.StmtTexts.reserve(rows);
  table_.StmtSources.reserve(rows, chars);
  table_.StmtLines.reserve(rows);
  line_ = 0;
  file_ = 0;
  headerOffset_ = 1;
  awaitingFirstFend_ = true;
}

void Preprocessor::Build(const std::vector<std::u16string>& source,
                         std::vector<std::u16string>* consumed) {
  for (std::size_t i = 0; i < source.size(); ++i) {
    SourceRow(source[i]);
    if (consumed) std::u16string().swap((*consumed)[i]);
  }
  // The rows' own blocks went one by one; the list of them goes before the
  // block matchers build their index beside the table.
  if (consumed) std::vector<std::u16string>().swap(*consumed);

  if (!registrar_.moduleName().empty()) {
    const std::u16string& name = registrar_.moduleName();
    errors_.Report(Msg(u"ENDMODULE(ENDCLASS) is not defined: MODULE(CLASS)", u"MODULE(CLASS) ") +
                   name + Msg(u"", u" に対しENDMODULE(ENDCLASS)の定義が無い"));
    return;
  }
  if (registrar_.inTextBlock()) {
    ReportOpenTextBlock();
    return;
  }
  KindPass();
  CheckConstructors();
}

void Preprocessor::SourceRow(const std::u16string& original) {
  // Assembly closes a text block at the end of its file; one still open at
  // the next file's header was never closed, and would swallow that file.
  if (IsIncludeHeader(original) && registrar_.CloseTextBlockAtFileEnd()) ReportOpenTextBlock();
  std::u16string row = original;
  bool pairsFailed = false;
  if (!registrar_.inTextBlock()) {
    // Escapes written in the source are always expanded by the evaluator;
    // only the plain forms arriving in data obey OPTION SPECIALCHAR.
    if (row.find(u"<#") != std::u16string::npos) {
      row = ReplaceAllIgnoringCase(row, u"<#cr>", u"<#_CR>");
      row = ReplaceAllIgnoringCase(row, u"<#tab>", u"<#_TAB>");
      row = ReplaceAllIgnoringCase(row, u"<#dbl>", u"<#_DBL>");
    }
    pairsFailed = !RewriteCallMembers(row);
  }
  ++line_;

  if (pairsFailed) {
    table_.StmtTexts.push_back(Marker(u"SyntaxError-45"));
    // The marker keeps its line, so that the editor can show the error.
    WriteOrigin(original, true);
    return;
  }

  const bool textBlock = registrar_.inTextBlock();
  bool simple = textBlock || row.starts_with(u"DEF_DLL ") ||
                (!row.starts_with(u"IF ") && PosOutside(u";", row, false, false) == 0);
  if (textBlock && row.find(u';') != std::u16string::npos &&
      (row.starts_with(u"ENDTEXTBLOCK;") || row.starts_with(u"ENDTEXTBLOCK "))) {
    simple = false;
  }
  if (!simple) {
    if (row.starts_with(u"IF ")) {
      OneLineIf(row);
    } else {
      MultiStatement(row);
    }
    return;
  }

  AppendRow(row);
  bool firstFend = false;
  if (IsIncludeHeader(row)) {
    line_ = 1;
    headerOffset_ = 1;
    ++file_;
    awaitingFirstFend_ = true;
  }
  // A "FEND" line inside a text block is text, not the inserted FEND.
  if (awaitingFirstFend_ && !textBlock && row == u"FEND") {
    headerOffset_ = 2;
    awaitingFirstFend_ = false;
    firstFend = true;
  }
  WriteOrigin(row, !firstFend);
}

void Preprocessor::ReportOpenTextBlock() {
  errors_.Report(Msg(u"ENDTEXTBLOCK is not defined", u"ENDTEXTBLOCKの定義が無い"));
}

void Preprocessor::MultiStatement(const std::u16string& row) {
  // Cut at ';' outside literals, brackets and parentheses; like CutToken,
  // the scan state starts afresh after every cut.
  std::u16string_view text = row;
  std::size_t start = 0;
  bool literal = false;
  int parens = 0;
  int brackets = 0;
  for (std::size_t k = 0; k <= text.size(); ++k) {
    if (k < text.size()) {
      char16_t c = text[k];
      if (c == u'"') literal = !literal;
      if (literal) continue;
      if (c == u'(') ++parens;
      if (c == u')') --parens;
      if (c == u'[') ++brackets;
      if (c == u']') --brackets;
      if (c != u';' || parens > 0 || brackets > 0) continue;
    }
    std::u16string piece(TrimView(text.substr(start, k - start)));
    start = k + 1;
    literal = false;
    parens = 0;
    brackets = 0;
    if (piece.empty()) continue;
    if (piece.starts_with(u"IF ")) {
      OneLineIf(piece);
      continue;
    }
    AppendRow(piece);
    // A text block cannot start inside a multi-statement line.
    if (registrar_.inTextBlock()) table_.StmtTexts.back() = Marker(u"SyntaxError-46");
    WriteOrigin(piece, true);
  }
}

void Preprocessor::OneLineIf(const std::u16string& text) {
  if (registrar_.insideDefinition() && UsesResult(text)) {
    registrar_.MarkResultUsed();
    if (registrar_.definitionKind() == kDefinitionProcedure) {
      table_.StmtTexts.push_back(ResultInProcedureMessage(registrar_.definitionName()));
      WriteOrigin(text, true);
      return;
    }
  }
  // The expanded rows are not registered, and all carry the line of the IF,
  // so the debugger stops once for it.
  for (std::u16string& row : ExpandOneLineIf(text)) {
    table_.StmtTexts.push_back(std::move(row));
    WriteOrigin(text, true);
  }
}

int Preprocessor::AppendRow(std::u16string text) {
  table_.StmtTexts.push_back(std::move(text));
  int q = table_.RowCount() - 1;
  registrar_.RegisterRow(q);
  return q;
}

void Preprocessor::WriteOrigin(std::u16string_view sourceText, bool withLine) {
  char16_t digits[16];
  std::u16string_view lineNumber = DecimalInto(line_ - headerOffset_, digits);
  table_.StmtSources.Append(lineNumber, sourceText);
  if (withLine && !table_.StmtTexts.back().empty()) {
    table_.StmtLines.push_back(LineRef{file_, line_ - headerOffset_});
  } else {
    table_.StmtLines.push_back(LineRef{});
  }
}

void Preprocessor::KindPass() {
  const int rows = table_.RowCount();
  table_.StmtKinds.assign(static_cast<std::size_t>(rows), kKindStatement);
  table_.BlockMatched.assign(static_cast<std::size_t>(rows), 0);
  for (const auto& hook : rowCountHooks_) hook(rows);

  const auto& rules = KindRules();
  // Shared by every head of the pass, so that matching stays near-linear.
  BlockIndex blocks;
  for (int r = 0; r < rows; ++r) {
    const std::size_t at = static_cast<std::size_t>(r);
    std::u16string_view text = table_.StmtTexts[at];
    std::size_t blank = text.find(u' ');
    auto found = rules.find(TrimView(text.substr(0, blank)));
    if (found == rules.end()) continue;
    const KindRule& rule = found->second;
    std::u16string rest(blank == std::u16string_view::npos ? std::u16string_view()
                                                           : TrimView(text.substr(blank + 1)));
    std::int32_t kind = rule.kind;
    std::u16string result;
    switch (rule.rule) {
      case Rule::kIfb:
        result = MatchIfb(table_, r, &blocks);
        break;
      case Rule::kFor:
        if (PosOutside(u"=", rest, false, false) > 0) {
          result = MatchForTo(table_, r, &blocks);
        } else {
          kind = kKindForIn;
          result = MatchForIn(table_, r, &blocks);
        }
        break;
      case Rule::kWhile:
        result = MatchWhile(table_, r, &blocks);
        break;
      case Rule::kRepeat:
        result = MatchRepeat(table_, r, &blocks);
        break;
      case Rule::kSelect:
        result = MatchSelect(table_, r, &blocks);
        break;
      case Rule::kTry:
        result = MatchTry(table_, r, &blocks);
        break;
      case Rule::kTryPart:
      case Rule::kCloser:
        if (!table_.BlockMatched[at]) {
          result = NoCorrespondingMessage(rule.opener);
        } else if (kind == kKindFinally && FinallyHasJump(table_, r, &blocks)) {
          result = Marker(
              Msg(u"\"Break\", \"Continue\", and \"Exit\" cannot be used in the part FINALLY",
                  u"FINALLY部では Break, Continue, Exit は使えません"));
        } else {
          result = std::move(rest);
        }
        break;
      case Rule::kKeyword:
        result = std::move(rest);
        break;
      case Rule::kBareKeyword:
        result = rest.empty() ? std::move(rest) : Marker(u"SyntaxError-49");
        break;
      case Rule::kNop:
        result = std::u16string(kNopRow);
        break;
    }
    table_.StmtKinds[at] = kind;
    table_.StmtTexts[at] = std::move(result);
  }
}

void Preprocessor::CheckConstructors() {
  table_.BlockMatched.clear();
  for (const std::u16string& text : table_.StmtTexts) {
    if (text.find(kErrorMarker) != std::u16string::npos) return;
  }
  const TUHashedStrList& modules = definitions_.moduleNames;
  for (int m = 0; m < modules.Count(); ++m) {
    const std::u16string& name = modules.KeyAt(m);
    int f = definitions_.functions.Find(name + u"." + name);
    if (f < 0) continue;
    int header = definitions_.functions.HeaderAt(f);
    if (header < 0 || header >= table_.RowCount()) continue;
    const std::u16string& text = table_.StmtTexts[static_cast<std::size_t>(header)];
    std::size_t open = text.find(u'(');
    if (open == std::u16string::npos) continue;
    std::size_t close = text.rfind(u')');
    std::size_t end = close == std::u16string::npos || close < open ? text.size() : close;
    if (TrimView(std::u16string_view(text).substr(open + 1, end - open - 1)).empty()) continue;
    errors_.setCurrentStatement(text);
    errors_.Report(Msg(u"Argument is not put on the constructor function",
                       u"コンストラクタ関数に引数は付けられません"));
    return;
  }
}

}  // namespace zelk
