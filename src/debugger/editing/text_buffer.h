// The text of a source editor as lines, with the edits made to it and their
// undo and redo. Only text is recorded: colouring is derived from the text,
// so every undo step changes the text.
#pragma once

#include <compare>
#include <cstddef>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace zelk {

// A place between characters: 0-based line and column (code units).
struct TextPos {
  int line = 0;
  int column = 0;
  auto operator<=>(const TextPos&) const = default;
};

struct Selection {
  TextPos anchor;
  TextPos caret;
  TextPos Start() const { return anchor < caret ? anchor : caret; }
  TextPos End() const { return anchor < caret ? caret : anchor; }
  bool Empty() const { return anchor == caret; }
  bool operator==(const Selection&) const = default;
};

// What one replacement did: the old lines firstLine..oldLastLine became
// firstLine..newLastLine. The replaced text ran from startColumn of
// firstLine to endColumn of oldLastLine (old coordinates).
struct LineChange {
  int firstLine = 0;
  int oldLastLine = 0;
  int newLastLine = 0;
  int startColumn = 0;
  int endColumn = 0;
  int oldFirstLength = 0;  // length of firstLine before the change
};

// How an edit joins the undo step before it: runs of typing, of Backspace
// and of Delete each undo as one step.
enum class EditKind { kTyping, kBackspace, kDelete, kOther };

class TextBuffer {
 public:
  TextBuffer();

  // New text without history; unmodified. An empty list gives one empty line.
  void Reset(std::vector<std::u16string> lines);

  const std::vector<std::u16string>& Lines() const { return lines_; }
  int LineCount() const { return static_cast<int>(lines_.size()); }
  const std::u16string& Line(int line) const { return lines_[static_cast<std::size_t>(line)]; }
  int LineLength(int line) const { return static_cast<int>(Line(line).size()); }
  TextPos End() const;
  TextPos Clamp(TextPos pos) const;
  // The text between two places (either order), lines joined with CR LF.
  std::u16string Text(TextPos from, TextPos to) const;
  std::u16string AllText() const { return Text({}, End()); }
  // Offsets count CR LF between lines as two characters, as the text above.
  long long Offset(TextPos pos) const;
  TextPos PosAtOffset(long long offset) const;

  // Replaces the text between from and to (either order) with text, whose
  // line breaks may be CR LF, CR or LF; before is the selection to restore
  // when the edit is undone. Returns the end of the inserted text.
  TextPos Replace(TextPos from, TextPos to, std::u16string_view text, EditKind kind,
                  const Selection& before);

  // Called for every replacement, including those of undo and redo.
  void OnChange(std::function<void(const LineChange&)> listener) {
    listener_ = std::move(listener);
  }

  bool CanUndo() const { return undoCount_ > 0; }
  bool CanRedo() const { return undoCount_ < steps_.size(); }
  // Undoes the last step; *selection becomes the selection from before it.
  bool Undo(Selection* selection);
  // Does the next undone step again; *selection is the place after it.
  bool Redo(Selection* selection);
  // The next edit starts a new undo step (the caret was moved).
  void EndStep() { stepOpen_ = false; }

  bool IsModified() const { return state_ != savedState_; }
  void SetUnmodified();
  // Marks the text as changed, as an edit would (for a text that is not
  // the file's).
  void SetModified() { savedState_ = -1; }

 private:
  struct Edit {
    TextPos start;
    std::u16string removed;   // lines joined with '\n'
    std::u16string inserted;  // lines joined with '\n'
  };
  struct Step {
    Edit edit;
    EditKind kind = EditKind::kOther;
    Selection before;
    TextPos after;
    long long stateBefore = 0;
    long long stateAfter = 0;
  };

  // Replaces [from, to) by text joined with '\n'; tells the listener.
  void Apply(TextPos from, TextPos to, std::u16string_view text);
  std::u16string Joined(TextPos from, TextPos to) const;  // with '\n'
  bool Merge(const Edit& edit, EditKind kind, TextPos after);

  std::vector<std::u16string> lines_;
  std::deque<Step> steps_;     // the undo steps, then the redo steps
  std::size_t undoCount_ = 0;  // steps_[0, undoCount_) can be undone
  bool stepOpen_ = false;      // the last step may still grow
  long long state_ = 0;        // names the present text for IsModified
  long long savedState_ = 0;
  long long nextState_ = 0;
  std::function<void(const LineChange&)> listener_;
};

// The place after text inserted at start (text with '\n' line breaks).
TextPos EndOfInserted(TextPos start, std::u16string_view text);

}  // namespace zelk
