#include "frontend/registrar.h"

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "base/text_scan.h"
#include "foundation/messages.h"
#include "frontend/dll_types.h"
#include "frontend/options.h"
#include "frontend/preprocess.h"

namespace zelk {
namespace {

std::u16string Decimal(int n) {
  std::string digits = std::to_string(n);
  return std::u16string(digits.begin(), digits.end());
}

std::u16string Marker(std::u16string_view message) {
  std::u16string marker(kErrorMarker);
  marker += message;
  return marker;
}

// Both texts chosen by the message language.
std::u16string Pick(std::u16string english, std::u16string japanese) {
  return JapaneseMessages() ? std::move(japanese) : std::move(english);
}

bool IsDigits(std::u16string_view text) {
  return !text.empty() && text.size() <= 9 &&
         std::all_of(text.begin(), text.end(), [](char16_t c) { return c >= u'0' && c <= u'9'; });
}

// A hash table name may not hold one of these (the options after "=" may).
bool IsBadHashTableName(std::u16string_view name) {
  static constexpr std::u16string_view kBreaking = u",+*/<>()![]?";
  return name.find_first_of(kBreaking) != std::u16string_view::npos;
}

}  // namespace

std::u16string ResultInProcedureMessage(std::u16string_view procedureName) {
  std::u16string name(procedureName);
  return Marker(Pick(u"There is RESULT: " + name, u"PROCEDURE " + name + u": Resultは無効です"));
}

void FrontEndErrors::Report(const std::u16string& message) {
  bool first = !errorFlag_;
  errorFlag_ = true;
  if (first && callback_) callback_(message, currentStatement_);
}

void FrontEndErrors::Clear() {
  errorFlag_ = false;
  currentStatement_.clear();
}

int FunctionTable::Add(std::u16string_view name, int kind, int headerIndex) {
  int position = names_.Add(name);
  entries_.push_back(Decimal(kind) + u"," + Decimal(headerIndex));
  kinds_.push_back(kind);
  headers_.push_back(headerIndex);
  return position;
}

void FunctionTable::Clear() {
  names_.Clear();
  entries_.clear();
  kinds_.clear();
  headers_.clear();
}

void Registrar::Reset() {
  definitions_.Clear();
  inTextBlock_ = false;
  anonymousTextBlock_ = false;
  textBlockName_.clear();
  textBlockLines_.clear();
  SetModuleName(u"");
  insideDefinition_ = false;
  definitionName_.clear();
  definitionKind_ = kDefinitionNone;
  resultUsed_ = false;
}

void Registrar::RegisterRow(int q) {
  if (q < 0 || q >= table_.RowCount()) return;
  std::u16string& text = table_.StmtTexts[static_cast<std::size_t>(q)];
  if (text.empty() && !inTextBlock_) return;
  errors_.setCurrentStatement(text);

  std::size_t blank = text.find(u' ');
  std::u16string first = text.substr(0, blank);
  std::u16string rest = blank == std::u16string::npos ? std::u16string() : Trim(text.substr(blank));

  if (inTextBlock_ && first != u"ENDTEXTBLOCK") {
    if (!anonymousTextBlock_) textBlockLines_.push_back(std::move(text));
    text.clear();
    return;
  }
  if (first == u"TEXTBLOCK" || first == u"ENDTEXTBLOCK") {
    TextBlockRow(q, text, first, rest);
  } else if (first == u"MODULE" || first == u"CLASS") {
    ModuleRow(q, text, rest);
  } else if (first == u"ENDMODULE" || first == u"ENDCLASS") {
    if (moduleName_.empty()) {
      text = Marker(u"SyntaxError-35");
    } else {
      SetModuleName(u"");
      text.clear();
    }
  } else if (first == u"FUNCTION" || first == u"PROCEDURE") {
    DefinitionHeader(q, first, rest);
  } else if (first == u"FEND") {
    FendRow(text);
  } else {
    if (insideDefinition_ && UsesResult(first)) {
      resultUsed_ = true;
      if (definitionKind_ == kDefinitionProcedure) {
        text = ResultInProcedureMessage(definitionName_);
        return;
      }
    }
    if (first == u"CONST") {
      ConstRow(q, text, rest);
    } else if (first == u"PUBLIC" || (first == u"DIM" && AtModuleLevel())) {
      DeclarationRow(q, text, first == u"PUBLIC", rest);
    } else if (first == u"HASHTBL" && AtModuleLevel()) {
      text.clear();
      HashTableRow(q, text, rest, true);
    } else if (AtModuleLevel() && first != u"DEF_DLL") {
      // Only declarations and definitions may stand between a module's functions.
      MarkRow(q, text, u"SyntaxError-40");
    } else if (first == u"DEF_DLL") {
      DllRow(q, text, rest);
    } else if (first == u"OPTION") {
      OptionRow(text, rest);
    }
  }
}

void Registrar::TextBlockRow(int q, std::u16string& text, std::u16string_view first,
                             std::u16string_view rest) {
  if (first == u"TEXTBLOCK") {
    if (HasNameBreak(rest, 0)) {
      MarkRow(q, text, u"SyntaxError-31");
      return;
    }
    text.clear();
    textBlockLines_.clear();
    inTextBlock_ = true;
    anonymousTextBlock_ = rest.empty();
    textBlockName_.clear();
    if (!rest.empty()) {
      textBlockName_ = Qualified(rest);
      std::u16string message = sink_ ? sink_->DefineTextBlock(textBlockName_) : std::u16string();
      if (!message.empty()) {
        MarkRow(q, text, message);
        // A refused name must not receive the lines (they would land in an
        // older block of the same name).
        anonymousTextBlock_ = true;
      }
    }
    return;
  }

  // ENDTEXTBLOCK
  if (!rest.empty()) {
    MarkRow(q, text, u"SyntaxError-30");
    // Assembly closed the block at this row, so the rows after it are
    // statements again: close it here too rather than swallow the script.
    inTextBlock_ = false;
    textBlockLines_.clear();
    return;
  }
  if (!inTextBlock_) {
    MarkRow(q, text, Pick(u"It doesn't pair with \"TEXTBLOCK\"", u"TEXTBLOCK文と対になっていない"));
    return;
  }
  if (!anonymousTextBlock_ && sink_) {
    std::size_t size = 0;
    for (const std::u16string& line : textBlockLines_) size += line.size() + 2;
    std::u16string joined;
    joined.reserve(size);
    for (std::size_t k = 0; k < textBlockLines_.size(); ++k) {
      if (k > 0) joined += u"\r\n";
      joined += textBlockLines_[k];
    }
    sink_->SetTextBlockText(textBlockName_, joined);
  }
  textBlockLines_.clear();
  text.clear();
  inTextBlock_ = false;
}

void Registrar::ModuleRow(int q, std::u16string& text, std::u16string_view rest) {
  if (!moduleName_.empty()) {
    AddPseudoDefinition(q);
    text = Marker(Pick(u"MODULE is multiplexing", u"MODULEが多重化している"));
    return;
  }
  // The rest is the name and the registration number assembly appended.
  std::u16string name(rest);
  int number = definitions_.moduleNames.Count();
  std::size_t blank = rest.rfind(u' ');
  std::u16string_view last = blank == std::u16string_view::npos ? rest : rest.substr(blank + 1);
  if (IsDigits(last)) {
    number = std::stoi(std::string(last.begin(), last.end()));
    name = blank == std::u16string_view::npos ? std::u16string() : Trim(rest.substr(0, blank));
  }

  std::u16string error;
  if (name.empty() || HasNameBreak(name, 0) || name.find(u'.') != std::u16string::npos) {
    error = Marker(u"SyntaxError-32");
  } else if (UpperAscii(name) == u"THIS" || UpperAscii(name) == u"GLOBAL") {
    error = Marker(u"prohibition word: " + name);
  } else if (definitions_.moduleNames.IndexOf(name) >= 0) {
    error = Marker(Pick(u"It is multiplex definition", u"多重定義です"));
  }
  if (!error.empty()) {
    AddPseudoDefinition(q);
    text = std::move(error);
    return;
  }
  SetModuleName(name);
  definitions_.moduleNames.AddWithValue(name, number);
  text.clear();
}

void Registrar::DefinitionHeader(int q, std::u16string_view first, std::u16string_view rest) {
  if (insideDefinition_) {
    errors_.Report(Pick(u"Function/Procedure is nest or not closed: " + definitionName_,
                        definitionName_ + u": 関数が入れ子しているか、閉じていません"));
    return;
  }
  insideDefinition_ = true;
  resultUsed_ = false;
  definitionKind_ = first == u"FUNCTION" ? kDefinitionFunction : kDefinitionProcedure;
  definitionName_ = Trim(rest.substr(0, rest.find(u'(')));
  if (HasNameBreak(definitionName_, 1)) errors_.Report(u"SyntaxError-36:" + definitionName_);

  std::u16string name = Qualified(definitionName_);
  if (definitions_.functions.Find(name) < 0) {
    definitions_.functions.Add(name, definitionKind_, q);
  } else {
    errors_.Report(Pick(u"It is multiplex definition: " + name, name + u": 多重定義です"));
  }
}

void Registrar::FendRow(std::u16string& text) {
  // A FEND outside any definition closes nothing and has no RESULT to miss.
  if (insideDefinition_ && definitionKind_ == kDefinitionFunction && !resultUsed_) {
    text = Marker(
        Pick(u"It doesn't have RESULT: " + definitionName_, definitionName_ + u": Resultが無い"));
  }
  insideDefinition_ = false;
  definitionKind_ = kDefinitionNone;
}

void Registrar::AddPseudoDefinition(int q) {
  std::u16string name = u"CLASS " + moduleName_;
  // One entry per module reaches its first marker; the table takes a name once.
  if (definitions_.functions.Find(name) >= 0) return;
  definitions_.functions.Add(name, kDefinitionProcedure, std::max(q - 1, 0));
}

bool Registrar::CloseTextBlockAtFileEnd() {
  if (!inTextBlock_) return false;
  inTextBlock_ = false;
  textBlockLines_.clear();
  return true;
}

void Registrar::ConstRow(int q, std::u16string& text, std::u16string_view rest) {
  text.clear();
  std::u16string message = sink_ ? sink_->DefineConst(Qualified(rest)) : std::u16string();
  if (!message.empty()) MarkRow(q, text, message);
}

void Registrar::DeclarationRow(int q, std::u16string& text, bool isPublic,
                               std::u16string_view rest) {
  text.clear();
  const bool moduleLevel = AtModuleLevel();
  if (isPublic && (rest == u"HASHTBL" || rest.starts_with(u"HASHTBL "))) {
    HashTableRow(q, text, rest.substr(7), false);
    return;
  }
  // An array with an initializer list runs to the end of the row, so such a
  // row goes whole; the declarations code splits it itself.
  std::size_t eq = rest.find(u'=');
  std::size_t open = rest.find(u'[');
  const bool whole =
      eq != std::u16string_view::npos && eq > 0 && open != std::u16string_view::npos && open > 0;
  std::u16string list(rest);
  bool firstDeclaration = true;
  while (!list.empty()) {
    std::u16string declaration =
        whole
            ? std::exchange(list, std::u16string())
            : Trim(CutToken(list, u",",
                            {.skipEmpty = true, .parens = true, .brackets = true, .quotes = true}));
    if (declaration.empty()) break;
    if (isPublic && firstDeclaration && declaration.starts_with(u"DIM ")) {
      declaration = Trim(std::u16string_view(declaration).substr(4));
    }
    firstDeclaration = false;
    std::u16string message =
        sink_ ? sink_->DeclareGlobal(Qualified(declaration), moduleLevel, moduleLevel && !isPublic)
              : std::u16string();
    if (!message.empty()) {
      MarkRow(q, text, message);
      return;
    }
  }
}

void Registrar::HashTableRow(int q, std::u16string& text, std::u16string_view names,
                             bool isPrivate) {
  std::u16string list = Trim(names);
  if (list.empty()) {
    MarkRow(q, text, u"SyntaxError-37");
    return;
  }
  while (!list.empty()) {
    std::u16string declaration = Trim(CutToken(
        list, u",", {.skipEmpty = true, .parens = true, .brackets = true, .quotes = true}));
    if (declaration.empty()) break;
    int eq = PosOutside(u"=", declaration, false, false);
    std::u16string_view name =
        std::u16string_view(declaration)
            .substr(0, eq > 0 ? static_cast<std::size_t>(eq - 1) : declaration.size());
    if (Trim(name).empty() || IsBadHashTableName(name)) {
      MarkRow(q, text, u"SyntaxError-37");
      return;
    }
    std::u16string message =
        sink_ ? sink_->DeclareGlobalHashTable(Qualified(declaration), isPrivate) : std::u16string();
    if (!message.empty()) {
      MarkRow(q, text, message);
      return;
    }
  }
}

void Registrar::DllRow(int q, std::u16string& text, std::u16string_view rest) {
  std::u16string declaration = Trim(ReplaceAll(rest, u"[ ]", u"[]"));
  std::size_t nameEnd = declaration.find_first_of(u"( :;");
  std::u16string name = Trim(std::u16string_view(declaration).substr(0, nameEnd));
  if (name.empty()) {
    // A nameless declaration could never be called.
    MarkRow(q, text,
            Pick(u"DEF_DLL:SyntaxError:", u"DEF_DLLの定義に間違いがあります:") + declaration);
    return;
  }
  if (sink_) sink_->RegisterDll(Qualified(name), declaration);

  // The parameter types, up to the piece holding the return type and library.
  std::u16string params;
  if (nameEnd != std::u16string::npos) {
    params = declaration.substr(nameEnd);
    if (params.front() == u'(') params.erase(0, 1);
  }
  while (!params.empty()) {
    std::u16string word = Trim(CutToken(params, u",){}", {}));
    if (word.find_first_of(u":;.") != std::u16string::npos) break;
    if (word.empty()) continue;
    int code = DllTypeCode(word);
    if (code == kDllUnknown) {
      MarkRow(q, text, Pick(u"DEF_DLL:SyntaxError:", u"DEF_DLLの定義に間違いがあります:") + word);
      return;
    }
    if (word.find(u"[]") != std::u16string::npos && !DllTypeAllowsArray(code)) {
      MarkRow(q, text, Pick(word + u" cannot specify the array", word + u" は配列指定できません"));
      return;
    }
  }
}

void Registrar::OptionRow(std::u16string& text, std::u16string_view rest) {
  text.clear();
  std::vector<OptionSetting> settings;
  bool ok = ParseOptions(rest, &settings);
  for (const OptionSetting& setting : settings) {
    if (sink_ && !sink_->ApplyOption(setting)) {
      ok = false;
      break;
    }
  }
  // OPTION may not stand at module level, so no pseudo-definition is needed.
  if (!ok) text = Marker(OptionSyntaxErrorMessage());
}

void Registrar::MarkRow(int q, std::u16string& text, std::u16string_view message) {
  if (AtModuleLevel()) AddPseudoDefinition(q);
  text = Marker(message);
}

void Registrar::SetModuleName(std::u16string name) {
  moduleName_ = std::move(name);
  if (sink_) sink_->SetModuleName(moduleName_);
}

std::u16string Registrar::Qualified(std::u16string_view name) const {
  if (moduleName_.empty()) return std::u16string(name);
  std::u16string qualified = moduleName_;
  qualified += u'.';
  qualified += name;
  return qualified;
}

}  // namespace zelk
