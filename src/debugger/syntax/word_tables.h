// The words the editor colours and offers help for. Words are compared in
// upper case; the tables are fixed.
#pragma once

#include <string_view>

namespace zelk {

// The colour classes of source text, in the order of their settings.
enum WordClass : int {
  kPlainWord = 0,
  kSyntaxWord = 1,
  kConstantWord = 2,
  kSpecialVariableWord = 3,
  kCommentText = 4,
  kBuiltinFunctionWord = 5,
  kStringLiteral = 6,
};
inline constexpr int kWordClassCount = 7;  // including the plain class 0

// The class a word has by the tables alone: a literal in quotes is a string,
// a word of 24 or more characters is plain, VK_ words are looked up among
// the key codes only; otherwise syntax words, constants, special variables
// and built-in functions in that order, then option words on an OPTION line
// and type words on a DEF_DLL line (both as syntax).
int TableWordClass(std::u16string_view upperWord, bool optionLine, bool dllLine);

// What help exists for a word: 0 none, 1 a built-in function, 2 a
// mathematical built-in function.
int IsHelpWord(std::u16string_view word);

}  // namespace zelk
