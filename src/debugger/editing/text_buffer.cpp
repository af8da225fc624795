#include "debugger/editing/text_buffer.h"

#include <algorithm>

namespace zelk {
namespace {

// Undo keeps this many steps; older ones are dropped.
constexpr std::size_t kUndoLimit = 1000;

// The text with CR LF and lone CR turned into '\n'.
std::u16string WithNewlines(std::u16string_view text) {
  std::u16string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\r') {
      out += u'\n';
      if (i + 1 < text.size() && text[i + 1] == u'\n') ++i;
    } else {
      out += text[i];
    }
  }
  return out;
}

}  // namespace

TextPos EndOfInserted(TextPos start, std::u16string_view text) {
  const std::size_t lastBreak = text.rfind(u'\n');
  if (lastBreak == std::u16string_view::npos) {
    return {start.line, start.column + static_cast<int>(text.size())};
  }
  const auto breaks = std::count(text.begin(), text.end(), u'\n');
  return {start.line + static_cast<int>(breaks), static_cast<int>(text.size() - lastBreak - 1)};
}

TextBuffer::TextBuffer() : lines_(1) {}

void TextBuffer::Reset(std::vector<std::u16string> lines) {
  lines_ = std::move(lines);
  if (lines_.empty()) lines_.emplace_back();
  steps_.clear();
  undoCount_ = 0;
  stepOpen_ = false;
  state_ = savedState_ = ++nextState_;
}

TextPos TextBuffer::End() const {
  return {LineCount() - 1, LineLength(LineCount() - 1)};
}

TextPos TextBuffer::Clamp(TextPos pos) const {
  if (pos.line < 0) return {};
  if (pos.line >= LineCount()) return End();
  return {pos.line, std::clamp(pos.column, 0, LineLength(pos.line))};
}

std::u16string TextBuffer::Joined(TextPos from, TextPos to) const {
  from = Clamp(from);
  to = Clamp(to);
  if (to < from) std::swap(from, to);
  if (from.line == to.line) {
    return Line(from.line).substr(static_cast<std::size_t>(from.column),
                                  static_cast<std::size_t>(to.column - from.column));
  }
  std::u16string text = Line(from.line).substr(static_cast<std::size_t>(from.column));
  for (int line = from.line + 1; line < to.line; ++line) {
    text += u'\n';
    text += Line(line);
  }
  text += u'\n';
  text += Line(to.line).substr(0, static_cast<std::size_t>(to.column));
  return text;
}

std::u16string TextBuffer::Text(TextPos from, TextPos to) const {
  std::u16string joined = Joined(from, to);
  std::u16string text;
  text.reserve(joined.size() + joined.size() / 16);
  for (char16_t c : joined) {
    if (c == u'\n') text += u'\r';
    text += c;
  }
  return text;
}

long long TextBuffer::Offset(TextPos pos) const {
  pos = Clamp(pos);
  long long offset = 0;
  for (int line = 0; line < pos.line; ++line) offset += LineLength(line) + 2;
  return offset + pos.column;
}

TextPos TextBuffer::PosAtOffset(long long offset) const {
  if (offset <= 0) return {};
  for (int line = 0; line < LineCount(); ++line) {
    const long long length = LineLength(line);
    if (offset <= length) return {line, static_cast<int>(offset)};
    offset -= length + 2;
    // An offset inside the CR LF pair lands at the start of the next line.
    if (offset < 0) return {line + 1, 0};
  }
  return End();
}

void TextBuffer::Apply(TextPos from, TextPos to, std::u16string_view text) {
  LineChange change;
  change.firstLine = from.line;
  change.oldLastLine = to.line;
  change.startColumn = from.column;
  change.endColumn = to.column;
  change.oldFirstLength = LineLength(from.line);

  std::vector<std::u16string_view> pieces;
  std::size_t pos = 0;
  for (std::size_t brk = text.find(u'\n'); brk != std::u16string_view::npos;
       brk = text.find(u'\n', pos)) {
    pieces.push_back(text.substr(pos, brk - pos));
    pos = brk + 1;
  }
  pieces.push_back(text.substr(pos));

  const std::u16string tail = Line(to.line).substr(static_cast<std::size_t>(to.column));
  const auto at = lines_.begin() + from.line;
  at->resize(static_cast<std::size_t>(from.column));
  at->append(pieces.front());
  std::vector<std::u16string> added(pieces.begin() + 1, pieces.end());
  (added.empty() ? *at : added.back()) += tail;
  const auto removed = static_cast<std::ptrdiff_t>(to.line - from.line);
  const auto kept = static_cast<std::ptrdiff_t>(std::min(added.size(), std::size_t(removed)));
  // Overwrite the lines both texts have, then erase or insert the rest.
  std::move(added.begin(), added.begin() + kept, at + 1);
  if (removed > kept) {
    lines_.erase(at + 1 + kept, at + 1 + removed);
  } else {
    lines_.insert(at + 1 + kept, std::make_move_iterator(added.begin() + kept),
                  std::make_move_iterator(added.end()));
  }
  change.newLastLine = from.line + static_cast<int>(pieces.size()) - 1;
  if (listener_) listener_(change);
}

TextPos TextBuffer::Replace(TextPos from, TextPos to, std::u16string_view text, EditKind kind,
                            const Selection& before) {
  from = Clamp(from);
  to = Clamp(to);
  if (to < from) std::swap(from, to);
  Edit edit{from, Joined(from, to), WithNewlines(text)};
  const TextPos after = EndOfInserted(from, edit.inserted);
  if (edit.removed == edit.inserted) return after;
  Apply(from, to, edit.inserted);

  steps_.erase(steps_.begin() + static_cast<std::ptrdiff_t>(undoCount_), steps_.end());
  const long long stateBefore = state_;
  state_ = ++nextState_;
  if (!Merge(edit, kind, after)) {
    steps_.push_back({std::move(edit), kind, before, after, stateBefore, state_});
    if (steps_.size() > kUndoLimit) steps_.pop_front();
    undoCount_ = steps_.size();
  }
  stepOpen_ = kind != EditKind::kOther;
  return after;
}

bool TextBuffer::Merge(const Edit& edit, EditKind kind, TextPos after) {
  if (!stepOpen_ || steps_.empty() || steps_.back().kind != kind) return false;
  Edit& last = steps_.back().edit;
  switch (kind) {
    case EditKind::kTyping:
      if (!edit.removed.empty() || edit.start != EndOfInserted(last.start, last.inserted)) {
        return false;
      }
      last.inserted += edit.inserted;
      break;
    case EditKind::kBackspace:
      if (!edit.inserted.empty() || !last.inserted.empty() ||
          EndOfInserted(edit.start, edit.removed) != last.start) {
        return false;
      }
      last.removed.insert(0, edit.removed);
      last.start = edit.start;
      break;
    case EditKind::kDelete:
      if (!edit.inserted.empty() || !last.inserted.empty() || edit.start != last.start) {
        return false;
      }
      last.removed += edit.removed;
      break;
    case EditKind::kOther:
      return false;
  }
  steps_.back().after = after;
  steps_.back().stateAfter = state_;
  return true;
}

bool TextBuffer::Undo(Selection* selection) {
  if (!CanUndo()) return false;
  const Step& step = steps_[--undoCount_];
  Apply(step.edit.start, EndOfInserted(step.edit.start, step.edit.inserted), step.edit.removed);
  state_ = step.stateBefore;
  stepOpen_ = false;
  if (selection) *selection = step.before;
  return true;
}

bool TextBuffer::Redo(Selection* selection) {
  if (!CanRedo()) return false;
  const Step& step = steps_[undoCount_++];
  Apply(step.edit.start, EndOfInserted(step.edit.start, step.edit.removed), step.edit.inserted);
  state_ = step.stateAfter;
  stepOpen_ = false;
  if (selection) *selection = {step.after, step.after};
  return true;
}

void TextBuffer::SetUnmodified() {
  savedState_ = state_;
  stepOpen_ = false;
}

}  // namespace zelk
