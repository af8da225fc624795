// Script assembly: joins a main script file and every file it reaches through
// CALL into one list of normalised source rows, in which each file has become
// a procedure (the main file __MAIN__, each include one named after its full
// path), and builds the list of files and the navigation list.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "frontend/const_reader.h"
#include "frontend/row_normalizer.h"

namespace zelk {

// One file of the script; its index is the file index of tabs and line references.
struct TsvFileJyho {
  std::u16string path;  // main file as given, includes as upper-cased full path
  double modified = 0;  // modification date-time; 0 when unknown
};

// One entry of the file/function selector.
struct NavigationEntry {
  std::u16string caption;  // file name, or " " + definition text up to '('
  int fileIndex = 0;
  std::u16string text;  // kNavigationFileHeader, or the trimmed definition row
};
inline constexpr char16_t kNavigationFileHeader[] = u"_ZELK_FILE_HEADER_PROCEDURE_";

// An included file and the procedure name its CALLs use.
struct IncludeEntry {
  std::u16string path;  // upper-cased full path
  std::u16string name;  // path with folder punctuation made full-width
};

class ScriptAssembly {
 public:
  // Whether an open editor shows the given (upper-cased full) path.
  using EditorQuery = std::function<bool(const std::u16string& path)>;

  void setMainPath(const std::u16string& path) { mainPath_ = path; }
  const std::u16string& mainPath() const { return mainPath_; }
  void setEditorQuery(EditorQuery query) { isOpenInEditor_ = std::move(query); }

  // Where assembly reads each file from.
  enum class Source {
    kFiles,         // the files on disk
    kEditorCopies,  // a file's "<path>$$$" copy where one exists, else the file
  };
  // Assembles the main file and its includes. False when assembly failed; the
  // user has then been told why (a failure inside shows "creUscrptFil:...").
  bool AssembleScript(Source source = Source::kFiles);
  // Forgets the outputs of the last assembly.
  void Clear();

  const std::vector<std::u16string>& combinedSource() const { return combined_; }
  // Hands the combined source over (a run's preprocessing consumes it) and
  // forgets it here.
  std::vector<std::u16string> TakeCombinedSource() { return std::move(combined_); }
  std::vector<TsvFileJyho>& sourceFiles() { return files_; }
  const std::vector<TsvFileJyho>& sourceFiles() const { return files_; }
  const std::vector<NavigationEntry>& navigation() const { return navigation_; }
  const std::vector<IncludeEntry>& includes() const { return includes_; }
  // A CALLed file was missing and the user chose to create it: no run may start.
  bool createNewFileRequested() const { return createNewFile_; }
  TReadZlsFile& constReader() { return constReader_; }

 private:
  // Where one file's rows lie in the combined source.
  struct FileBlock {
    size_t headerRow = 0;
    size_t endRow = 0;          // one past the block
    bool fendAppended = false;  // the block's last row is the FEND added behind the file
    std::u16string folder;      // for relative CALLs; empty: the current folder
  };

  bool Assemble(Source source);
  bool ReadRows(const std::u16string& path, std::vector<std::u16string>* rows);
  bool Wrap(std::vector<std::u16string>* rows, const std::u16string& name,
            const std::u16string& fileName, int fileIndex, bool* fendAppended);
  bool EndFile(size_t row, size_t block);
  bool HandleRow(size_t row, size_t block);
  bool ResolveCallTarget(const std::u16string& target, const std::u16string& folder,
                         std::u16string* key, std::u16string* args);
  bool Include(const std::u16string& key);

  std::u16string mainPath_;
  EditorQuery isOpenInEditor_;
  TReadZlsFile constReader_;

  bool useTempCopies_ = false;
  std::u16string mainKey_;
  RowNormalizer normalizer_{true};
  std::vector<FileBlock> blocks_;
  std::unordered_set<std::u16string> includedKeys_;

  std::vector<std::u16string> combined_;
  std::vector<TsvFileJyho> files_;
  std::vector<NavigationEntry> navigation_;
  std::vector<IncludeEntry> includes_;
  bool createNewFile_ = false;
};

// An include's procedure name: the path upper-cased, with ! , + = ( ) in its
// folder part replaced by their full-width forms, so that nothing in it ends a
// procedure name.
std::u16string IncludeProcedureName(std::u16string_view path);
// A path made absolute (against base, or the current folder when base is
// empty), with '\' separators and "." and ".." steps resolved.
std::u16string FullScriptPath(std::u16string_view path, std::u16string_view base);
// The same upper-cased: the key under which a file is included once.
std::u16string ScriptPathKey(std::u16string_view path, std::u16string_view base);
// First row trimmed is "ZLS0" and one more character.
bool IsEncryptedScript(const std::vector<std::u16string>& rows);

}  // namespace zelk
