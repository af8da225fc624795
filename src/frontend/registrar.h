// The definitions registrar: sees every new statement row as preprocessing
// appends it, keeps the definition state (text block, module, function) while
// the rows stream past, fills the function and module tables, and blanks the
// rows it has fully handled so that the executor never sees them. Row errors
// become marker texts; a few errors are reported at once.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/hashed_str_list.h"
#include "frontend/options.h"
#include "frontend/statement_table.h"

namespace zelk {

// Errors found while the statement table is built that cannot wait for the
// pre-run check. Like the run's error reporter, only the first report of a run
// is passed on; every report sets the error flag.
class FrontEndErrors {
 public:
  // message, then the statement being examined (may be empty).
  using Callback =
      std::function<void(const std::u16string& message, const std::u16string& statement)>;

  void setCallback(Callback callback) { callback_ = std::move(callback); }
  void Report(const std::u16string& message);
  bool errorFlag() const { return errorFlag_; }
  // The statement that error messages of preprocessing show.
  void setCurrentStatement(std::u16string_view text) { currentStatement_.assign(text); }
  const std::u16string& currentStatement() const { return currentStatement_; }
  void Clear();

 private:
  Callback callback_;
  bool errorFlag_ = false;
  std::u16string currentStatement_;
};

enum DefinitionKind : int {
  kDefinitionNone = 0,
  kDefinitionFunction = 1,
  kDefinitionProcedure = 2
};

// User functions and procedures (module members as "MODULE.NAME"): a name
// table and, at the same position, the entry text "kind,headerIndex".
class FunctionTable {
 public:
  // Position of the name, or -1; ASCII case is ignored.
  int Find(std::u16string_view name) const { return names_.IndexOf(name); }
  // The name must not be present yet.
  int Add(std::u16string_view name, int kind, int headerIndex);
  int Count() const { return names_.Count(); }
  const std::u16string& NameAt(int i) const { return names_.KeyAt(i); }
  // Range failures throw std::out_of_range, as for the names.
  const std::u16string& EntryAt(int i) const { return entries_.at(static_cast<std::size_t>(i)); }
  int KindAt(int i) const { return kinds_.at(static_cast<std::size_t>(i)); }
  int HeaderAt(int i) const { return headers_.at(static_cast<std::size_t>(i)); }
  const TUHashedStrList& names() const { return names_; }
  void Clear();

 private:
  TUHashedStrList names_;
  std::vector<std::u16string> entries_;
  // The entry texts as numbers, for lookups at every call.
  std::vector<int> kinds_;
  std::vector<int> headers_;
};

// The tables the registrar fills; they live as long as the interpreter and
// are emptied by every preprocessing.
struct DefinitionTables {
  FunctionTable functions;
  // MODULE and CLASS names with their registration numbers (order of first
  // appearance, assigned by assembly): module initialisers run in this order.
  TUHashedStrList moduleNames;

  void Clear() {
    functions.Clear();
    moduleNames.Clear();
  }
};

// Where the declarations that take effect before the run go: the runtime's
// name tables, variables and options. Messages come back as texts ("" when
// accepted), which the registrar turns into row markers. The defaults accept
// everything and keep nothing, for front-end tools and tests.
class DeclarationSink {
 public:
  virtual ~DeclarationSink() = default;
  // Defines a text block with an empty text; returns an error message, or an
  // empty text when the name was accepted.
  virtual std::u16string DefineTextBlock(const std::u16string& name) = 0;
  // The block's lines, joined with CR LF.
  virtual void SetTextBlockText(const std::u16string& name, const std::u16string& text) = 0;
  // The module whose rows follow ("" outside modules): the declarations
  // below evaluate and qualify their later names as its members.
  virtual void SetModuleName(const std::u16string& /*name*/) {}
  // The text after CONST (its first name qualified): one or more constants.
  virtual std::u16string DefineConst(const std::u16string& /*text*/) { return {}; }
  // PUBLIC and module-level DIM: one declaration, or a list ending in an
  // array initializer; errorIfDefined refuses a name that exists already,
  // isPrivate marks the variables as visible inside their module only.
  virtual std::u16string DeclareGlobal(const std::u16string& /*declaration*/,
                                       bool /*errorIfDefined*/, bool /*isPrivate*/) {
    return {};
  }
  // One global hash table, "NAME" or "NAME = options", the name qualified.
  virtual std::u16string DeclareGlobalHashTable(const std::u16string& /*declaration*/,
                                                bool /*isPrivate*/) {
    return {};
  }
  // A DEF_DLL name (qualified) and its declaration text; a name that has one
  // already keeps it (a later declaration takes over when its row runs).
  virtual void RegisterDll(const std::u16string& /*name*/, const std::u16string& /*declaration*/) {}
  // False when the option's value cannot be used.
  virtual bool ApplyOption(const OptionSetting& /*setting*/) { return true; }
};

class Registrar {
 public:
  Registrar(StatementTable& table, DefinitionTables& definitions, FrontEndErrors& errors)
      : table_(table), definitions_(definitions), errors_(errors) {}

  // Without a sink, declarations are still recognised, checked and blanked,
  // but their names and values go nowhere.
  void setDeclarationSink(DeclarationSink* sink) { sink_ = sink; }

  // Forgets the state of the last preprocessing and empties the definition tables.
  void Reset();
  // Takes in the row just appended at index q; may blank it or mark it.
  void RegisterRow(int q);
  // Registers "CLASS " + module name as a procedure headed by the row before
  // q, so that the pre-run check, which walks definitions only, reaches a
  // marker on a module-level row.
  void AddPseudoDefinition(int q);
  // A text block cannot run into the next file: forgets an open one (its
  // lines are dropped) and tells whether there was one.
  bool CloseTextBlockAtFileEnd();

  bool inTextBlock() const { return inTextBlock_; }
  const std::u16string& moduleName() const { return moduleName_; }
  bool insideDefinition() const { return insideDefinition_; }
  int definitionKind() const { return definitionKind_; }
  const std::u16string& definitionName() const { return definitionName_; }
  bool resultUsed() const { return resultUsed_; }
  // A one-line IF inside a definition uses RESULT.
  void MarkResultUsed() { resultUsed_ = true; }

 private:
  void TextBlockRow(int q, std::u16string& text, std::u16string_view first,
                    std::u16string_view rest);
  void ModuleRow(int q, std::u16string& text, std::u16string_view rest);
  void DefinitionHeader(int q, std::u16string_view first, std::u16string_view rest);
  void FendRow(std::u16string& text);
  void ConstRow(int q, std::u16string& text, std::u16string_view rest);
  void DeclarationRow(int q, std::u16string& text, bool isPublic, std::u16string_view rest);
  void HashTableRow(int q, std::u16string& text, std::u16string_view names, bool isPrivate);
  void DllRow(int q, std::u16string& text, std::u16string_view rest);
  void OptionRow(std::u16string& text, std::u16string_view rest);
  // Row q becomes the marker of message; at module level the module gets its
  // pseudo-definition so that the pre-run check reaches the row.
  void MarkRow(int q, std::u16string& text, std::u16string_view message);
  bool AtModuleLevel() const { return !moduleName_.empty() && !insideDefinition_; }
  void SetModuleName(std::u16string name);
  std::u16string Qualified(std::u16string_view name) const;

  StatementTable& table_;
  DefinitionTables& definitions_;
  FrontEndErrors& errors_;
  DeclarationSink* sink_ = nullptr;

  bool inTextBlock_ = false;
  // No name, or the name was refused: the lines are dropped.
  bool anonymousTextBlock_ = false;
  std::u16string textBlockName_;
  std::vector<std::u16string> textBlockLines_;
  std::u16string moduleName_;
  bool insideDefinition_ = false;
  std::u16string definitionName_;
  int definitionKind_ = kDefinitionNone;
  bool resultUsed_ = false;
};

// The marker for RESULT inside a procedure.
std::u16string ResultInProcedureMessage(std::u16string_view procedureName);

}  // namespace zelk
