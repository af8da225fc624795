// Turns the lines of a script file into the clean rows that preprocessing
// reads: comments cut, continued lines joined, blanks tidied, text upper-cased
// outside literals. One line in, one row out, so line numbers stay intact; the
// state (pending continued text, open text block, module numbers) runs across
// the lines of a file.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

namespace zelk {

class RowNormalizer {
 public:
  // With numberModules, MODULE and CLASS rows get their registration number.
  explicit RowNormalizer(bool numberModules = false) : numberModules_(numberModules) {}

  std::u16string Normalize(const std::u16string& line);

  // A continued text is waiting for its next line.
  bool HasPending() const { return hasPending_; }
  // True after a TEXTBLOCK row and its content rows, false again after ENDTEXTBLOCK.
  bool InTextBlock() const { return inTextBlock_; }
  // The last row's first word, upper-cased; empty for continued lines and
  // text-block content.
  const std::u16string& FirstWord() const { return firstWord_; }
  // The last row before blanks were tidied and case folded: comment cut,
  // continuation joined, trimmed.
  const std::u16string& PlainText() const { return plain_; }

  // The end of a file: a continuation cannot run into the next file, so a
  // pending text becomes a row of its own (returned, *hadPending set); an open
  // text block is closed.
  std::u16string EndOfFile(bool* hadPending);
  // Forgets everything, module numbers included.
  void Reset();

 private:
  std::u16string Finish(std::u16string cut, const std::u16string& line);
  int ModuleNumber(const std::u16string& name);

  bool numberModules_;
  bool hasPending_ = false;
  bool inTextBlock_ = false;
  std::u16string pending_;
  std::u16string firstWord_;
  std::u16string plain_;
  std::unordered_map<std::u16string, int> moduleNumbers_;
};

// Cut at the first "//" outside literals.
std::u16string CutComment(std::u16string_view text);
// Strips blanks, TABs and ideographic spaces (U+3000) from both ends.
std::u16string StripRow(std::u16string_view text);
// Index of a "CALL" that is followed by a blank (or, with ideographic, U+3000)
// and stands at the start or after a blank, ';' (or U+3000), outside literals;
// npos when there is none. ASCII case is ignored.
size_t FindCallWord(std::u16string_view text, bool ideographic);

}  // namespace zelk
