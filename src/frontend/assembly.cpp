#include "frontend/assembly.h"

#include <exception>

#include "base/text_scan.h"
#include "base/utf.h"
#include "foundation/messages.h"
#include "foundation/paths.h"
#include "foundation/text_file.h"
#include "foundation/user_interface.h"
#include "platform/platform.h"

namespace zelk {
namespace {

constexpr char16_t kCaption[] = u"ZELK Debugger";
constexpr char16_t kFileNotFound[] = u"FILE not found :";
constexpr char16_t kTempSuffix[] = u"$$$";

bool IsSeparator(char16_t c) {
  return c == u'\\' || c == u'/';
}

bool IsAbsolute(std::u16string_view path) {
  return (path.size() >= 2 && path[1] == u':') || (!path.empty() && IsSeparator(path[0]));
}

// Drops "." steps and lets ".." take back the step before it.
std::u16string CollapseSteps(const std::u16string& path) {
  if (path.find(u'.') == std::u16string::npos) return path;
  std::vector<std::u16string> out;
  size_t start = 0;
  for (;;) {
    size_t end = path.find(u'\\', start);
    std::u16string part = path.substr(start, end == std::u16string::npos ? end : end - start);
    if (part == u"." && !out.empty()) {
      // nothing
    } else if (part == u".." && out.size() > 1 && out.back() != u".." && !out.back().empty()) {
      out.pop_back();
    } else {
      out.push_back(std::move(part));
    }
    if (end == std::u16string::npos) break;
    start = end + 1;
  }
  std::u16string result;
  for (size_t i = 0; i < out.size(); ++i) {
    if (i > 0) result += u'\\';
    result += out[i];
  }
  return result.empty() ? u"\\" : result;
}

std::u16string FolderOf(const std::u16string& path) {
  std::u16string folder = FolderPart(path);
  if (folder.size() > 1 && IsSeparator(folder.back())) folder.pop_back();
  return folder;
}

size_t FindOutsideQuotes(std::u16string_view text, char16_t c) {
  bool literal = false;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'"') {
      literal = !literal;
    } else if (text[i] == c && !literal) {
      return i;
    }
  }
  return std::u16string::npos;
}

// Start of the parenthesised group that ends the text, or npos.
size_t TrailingGroup(std::u16string_view text) {
  bool literal = false;
  std::vector<size_t> open;
  size_t matched = std::u16string::npos;
  size_t lastClose = std::u16string::npos;
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c == u'"') {
      literal = !literal;
    } else if (!literal && c == u'(') {
      open.push_back(i);
    } else if (!literal && c == u')') {
      if (open.empty()) return std::u16string::npos;
      matched = open.back();
      open.pop_back();
      lastClose = i;
    }
  }
  return lastClose + 1 == text.size() && open.empty() ? matched : std::u16string::npos;
}

// Splits a CALL target into the file path and the argument list behind it
// ("(...)" or ", ..."). The arguments may hold '/', '\' and even ".ZLS", so
// they must not reach the path resolution.
void SplitTarget(const std::u16string& target, std::u16string* path, std::u16string* args) {
  bool literal = false;
  int depth = 0;
  size_t nameStart = 0;
  for (size_t i = 0; i < target.size(); ++i) {
    char16_t c = target[i];
    if (c == u'"') {
      literal = !literal;
    } else if (!literal) {
      if (c == u'(') {
        ++depth;
      } else if (c == u')') {
        --depth;
      } else if (IsSeparator(c) && depth <= 0) {
        nameStart = i + 1;
      }
    }
  }
  // A name written with its extension may contain parentheses before it.
  std::u16string name = UpperAscii(std::u16string_view(target).substr(nameStart));
  size_t from = nameStart;
  size_t zls = name.find(u".ZLS");
  if (zls != std::u16string::npos && zls < name.find(u'"')) from = nameStart + zls + 4;
  size_t split = target.size();
  literal = false;
  for (size_t i = 0; i < target.size(); ++i) {
    if (target[i] == u'"') {
      literal = !literal;
    } else if (!literal && i >= from && (target[i] == u'(' || target[i] == u',')) {
      split = i;
      break;
    }
  }
  *path = Trim(std::u16string_view(target).substr(0, split));
  *args = target.substr(split);
}

bool IsDefinitionWord(const std::u16string& word) {
  return word == u"FUNCTION" || word == u"PROCEDURE" || word == u"MODULE" || word == u"CLASS";
}

}  // namespace

std::u16string IncludeProcedureName(std::u16string_view path) {
  std::u16string name = UpperAscii(path);
  size_t folderEnd = 0;
  bool literal = false;
  for (size_t i = 0; i < name.size(); ++i) {
    if (name[i] == u'"') {
      literal = !literal;
    } else if (!literal && IsSeparator(name[i])) {
      folderEnd = i + 1;
    }
  }
  for (size_t i = 0; i < folderEnd; ++i) {
    switch (name[i]) {
      case u'!':
        name[i] = u'\uFF01';
        break;
      case u',':
        name[i] = u'\uFF0C';
        break;
      case u'+':
        name[i] = u'\uFF0B';
        break;
      case u'=':
        name[i] = u'\uFF1D';
        break;
      case u'(':
        name[i] = u'\uFF08';
        break;
      case u')':
        name[i] = u'\uFF09';
        break;
      default:
        break;
    }
  }
  return name;
}

std::u16string FullScriptPath(std::u16string_view path, std::u16string_view base) {
  std::u16string full = ReplaceAll(path, u"/", u"\\");
  if (!IsAbsolute(full)) {
    std::u16string folder = ReplaceAll(base.empty() ? CurrentFolder() : base, u"/", u"\\");
    if (!folder.empty() && folder.back() != u'\\') folder += u'\\';
    full = folder + full;
  }
  return CollapseSteps(full);
}

std::u16string ScriptPathKey(std::u16string_view path, std::u16string_view base) {
  return UpperAscii(FullScriptPath(path, base));
}

bool IsEncryptedScript(const std::vector<std::u16string>& rows) {
  if (rows.empty()) return false;
  std::u16string first = Trim(rows[0]);
  return first.size() == 5 && first.starts_with(u"ZLS0");
}

void ScriptAssembly::Clear() {
  combined_.clear();
  files_.clear();
  navigation_.clear();
  includes_.clear();
  createNewFile_ = false;
}

bool ScriptAssembly::AssembleScript(Source source) {
  bool ok = false;
  try {
    ok = Assemble(source);
  } catch (const std::exception& e) {
    ShowMessageBox(u"creUscrptFil:" + Utf8ToText(e.what()), u"", kMbIconError);
  } catch (...) {
    ShowMessageBox(u"creUscrptFil:unknown error", u"", kMbIconError);
  }
  blocks_.clear();
  includedKeys_.clear();
  return ok;
}

bool ScriptAssembly::Assemble(Source source) {
  useTempCopies_ = source == Source::kEditorCopies;
  constReader_.Reset();
  normalizer_.Reset();
  Clear();
  blocks_.clear();
  includedKeys_.clear();
  mainKey_ = ScriptPathKey(mainPath_, u"");

  std::u16string readPath = mainPath_;
  if (useTempCopies_ && os::FileExists(mainPath_ + kTempSuffix)) readPath += kTempSuffix;
  if (!os::FileExists(readPath)) {
    ShowStatusMessage(kFileNotFound + mainPath_);
    return false;
  }
  std::vector<std::u16string> rows;
  if (!ReadRows(readPath, &rows)) return false;
  files_.push_back({mainPath_, os::FileModificationTime(mainPath_)});
  bool appended = false;
  if (!Wrap(&rows, u"__MAIN__", FileNamePart(mainPath_), 0, &appended)) return false;
  combined_ = std::move(rows);
  blocks_.push_back({0, combined_.size(), appended, u""});

  // The list grows while it is scanned: includes are appended behind it.
  size_t block = 0;
  bool ended = false;
  for (size_t i = 0; i < combined_.size(); ++i) {
    if (block + 1 < blocks_.size() && i == blocks_[block + 1].headerRow) {
      if (!ended && !EndFile(i, block)) return false;
      ++block;
      ended = false;
    }
    if (!ended && blocks_[block].fendAppended && i + 1 == blocks_[block].endRow) {
      if (!EndFile(i, block)) return false;
      ended = true;
    }
    combined_[i] = normalizer_.Normalize(combined_[i]);
    if (normalizer_.InTextBlock()) continue;
    if (!HandleRow(i, block)) return false;
  }
  return ended || EndFile(combined_.size(), block);
}

bool ScriptAssembly::ReadRows(const std::u16string& path, std::vector<std::u16string>* rows) {
  int encoding = kEncodingDetect;
  if (!LoadTextFile(path, rows, &encoding)) {
    ShowMessageBox(Msg(u"Cannot read the file :", u"ファイルを読み込めません :") + path, u"",
                   kMbIconError);
    return false;
  }
  if (IsEncryptedScript(*rows)) {
    ShowMessageBox(Msg(u"It is encrypted file", u"暗号化されたものはデバックできません"), u"",
                   kMbIconError);
    return false;
  }
  return true;
}

bool ScriptAssembly::Wrap(std::vector<std::u16string>* rows, const std::u16string& name,
                          const std::u16string& fileName, int fileIndex, bool* fendAppended) {
  std::vector<NavigationEntry> entries;
  if (UpperAscii(fileName).find(u"_$$$_.ZLS") == std::u16string::npos) {
    entries.push_back({fileName, fileIndex, kNavigationFileHeader});
  }
  // A scratch normaliser: the rows stay as read, and module numbers are given
  // later in the order of the combined source.
  RowNormalizer scan(false);
  size_t definition = std::u16string::npos;
  size_t pendingStart = 0;
  auto consider = [&]() {
    const std::u16string& word = scan.FirstWord();
    if (definition == std::u16string::npos) {
      if (word == u"FEND") {
        ShowMessageBox(Msg(u"Position of the FEND sentence is strange", u"FEND文の位置がおかしい"),
                       u"", kMbIconError);
        return false;
      }
      // A definition continued over several lines starts at its first line.
      if (IsDefinitionWord(word)) definition = pendingStart;
    }
    if (word == u"FUNCTION" || word == u"PROCEDURE") {
      const std::u16string& plain = scan.PlainText();
      entries.push_back({u" " + FileNamePart(plain.substr(0, plain.find(u'('))), fileIndex, plain});
    }
    return true;
  };
  for (size_t i = 0; i < rows->size(); ++i) {
    if (!scan.HasPending()) pendingStart = i;
    scan.Normalize((*rows)[i]);
    if (scan.InTextBlock()) continue;
    if (!consider()) return false;
  }
  bool hadPending = false;
  scan.EndOfFile(&hadPending);
  if (hadPending && !consider()) return false;

  if (definition != std::u16string::npos) rows->insert(rows->begin() + definition, u"FEND");
  rows->insert(rows->begin(), u"PROCEDURE " + name + u"()");
  *fendAppended = definition == std::u16string::npos;
  if (*fendAppended) rows->push_back(u"FEND");
  navigation_.insert(navigation_.end(), entries.begin(), entries.end());
  return true;
}

// The rows of a block are done: a continuation left open by its last line
// becomes that line's row.
bool ScriptAssembly::EndFile(size_t row, size_t block) {
  bool hadPending = false;
  std::u16string text = normalizer_.EndOfFile(&hadPending);
  if (!hadPending || row == 0) return true;
  combined_[row - 1] = text;
  return HandleRow(row - 1, block);
}

bool ScriptAssembly::HandleRow(size_t row, size_t block) {
  if (combined_[row].starts_with(u"CONST ")) constReader_.RecordConst(combined_[row]);
  // The path in an include header is no CALL.
  if (row == blocks_[block].headerRow) return true;
  if (FindCallWord(combined_[row], false) == std::u16string::npos) return true;

  const std::u16string folder = blocks_[block].folder;
  const std::u16string text = combined_[row];
  std::u16string out;
  // Every piece after a ';' outside literals starts outside literals again,
  // so the search goes on from there without rescanning the row.
  size_t pos = 0;
  for (;;) {
    std::u16string_view rest = std::u16string_view(text).substr(pos);
    size_t call = FindCallWord(rest, false);
    if (call == std::u16string::npos) {
      out += rest;
      break;
    }
    out += rest.substr(0, call + 5);
    std::u16string_view after = rest.substr(call + 5);
    size_t semicolon = FindOutsideQuotes(after, u';');
    std::u16string target = Trim(after.substr(0, semicolon));
    std::u16string key;
    std::u16string args;
    if (!ResolveCallTarget(target, folder, &key, &args)) {
      ShowMessageBox(u"Syntax Error: CALL " + target, u"", kMbIconError);
      return false;
    }
    out += IncludeProcedureName(key) + args;
    if (!Include(key)) return false;
    if (semicolon == std::u16string::npos) break;
    out += u';';
    pos += call + 5 + semicolon + 1;
  }
  combined_[row] = std::move(out);
  return true;
}

bool ScriptAssembly::ResolveCallTarget(const std::u16string& target, const std::u16string& folder,
                                       std::u16string* key, std::u16string* args) {
  if (target.empty()) return false;
  std::u16string text = target;
  if (text.find(u'"') != std::u16string::npos) {
    bool failed = false;
    std::u16string value = constReader_.Evaluate(text, &failed);
    if (!failed) {
      text = UpperOutside(value, false);
    } else {
      // The literals may stand in the argument list: evaluate what precedes it.
      size_t open = TrailingGroup(text);
      if (open == std::u16string::npos) return false;
      std::u16string head = Trim(std::u16string_view(text).substr(0, open));
      if (head.empty()) return false;
      if (head.find(u'"') != std::u16string::npos) {
        value = constReader_.Evaluate(head, &failed);
        if (failed) return false;
        head = UpperOutside(value, false);
      }
      text = head + text.substr(open);
    }
  }
  std::u16string path;
  SplitTarget(text, &path, args);
  if (path.empty()) return false;
  *key = ScriptPathKey(ResolveScriptPath(path, folder), folder);
  return true;
}

bool ScriptAssembly::Include(const std::u16string& key) {
  if (includedKeys_.contains(key)) return true;
  if (key == mainKey_) {
    // A second copy of the main file would define all its functions twice.
    ShowMessageBox(Msg(u"The main script cannot be included by CALL :",
                       u"メインスクリプトはCALLで取り込めません :") +
                       key,
                   u"", kMbIconError);
    return false;
  }
  includedKeys_.insert(key);

  std::vector<std::u16string> rows;
  std::u16string temp = key + kTempSuffix;
  if (useTempCopies_ && os::FileExists(temp)) {
    if (!ReadRows(temp, &rows)) return false;
  } else if (os::FileExists(key)) {
    if (!ReadRows(key, &rows)) return false;
  } else if (!(isOpenInEditor_ && isOpenInEditor_(key))) {
    std::u16string question =
        kFileNotFound + key + u"\r" + Msg(u"Does it create newly ?", u"新規に作成しますか？");
    if (ShowMessageBox(question, kCaption, kMbOkCancel | kMbIconQuestion) != kIdOk) return false;
    createNewFile_ = true;  // read as empty; it comes into being when saved
  }

  files_.push_back({key, os::FileModificationTime(key)});
  std::u16string name = IncludeProcedureName(key);
  includes_.push_back({key, name});
  bool appended = false;
  if (!Wrap(&rows, name, FileNamePart(key), static_cast<int>(files_.size()) - 1, &appended)) {
    return false;
  }
  size_t start = combined_.size();
  combined_.insert(combined_.end(), std::make_move_iterator(rows.begin()),
                   std::make_move_iterator(rows.end()));
  blocks_.push_back({start, combined_.size(), appended, FolderOf(key)});
  return true;
}

}  // namespace zelk
