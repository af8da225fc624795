#include "frontend/const_reader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/text_scan.h"
#include "foundation/case_mapping.h"
#include "foundation/paths.h"
#include "platform/platform.h"

namespace zelk {
namespace {

// Deep enough for any real expression, shallow enough for the stack.
constexpr int kMaxNesting = 200;

std::u16string NumberText(double value) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.15g", value);
  return std::u16string(buffer, buffer + std::char_traits<char>::length(buffer));
}

bool IsNameStart(char16_t c) {
  return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_' ||
         (c >= 0x80 && c != u'\u3000');
}

bool IsNameChar(char16_t c) {
  return IsNameStart(c) || (c >= u'0' && c <= u'9');
}

bool IsHexDigit(char16_t c) {
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}

std::u16string FolderOf(const std::u16string& path) {
  std::u16string folder = FolderPart(path);
  if (folder.size() > 1 && (folder.back() == u'\\' || folder.back() == u'/')) folder.pop_back();
  return folder;
}

}  // namespace

struct TReadZlsFile::Operand {
  bool isText = true;
  std::u16string text;
  double number = 0;
};

// Recursive descent over the text; every method returns false on failure.
class TReadZlsFile::Parser {
 public:
  Parser(const TReadZlsFile& owner, const std::u16string& text) : owner_(owner), text_(text) {}

  bool Run(Operand* result) {
    if (!Sum(result, 0)) return false;
    SkipBlanks();
    return pos_ == text_.size();  // anything left over fails
  }

 private:
  void SkipBlanks() {
    while (pos_ < text_.size() &&
           (text_[pos_] == u' ' || text_[pos_] == u'\t' || text_[pos_] == u'\u3000')) {
      ++pos_;
    }
  }

  bool Sum(Operand* result, int depth) {
    if (depth > kMaxNesting || !Term(result, depth)) return false;
    for (;;) {
      SkipBlanks();
      if (pos_ >= text_.size() || text_[pos_] != u'+') return true;
      ++pos_;
      Operand right;
      if (!Term(&right, depth)) return false;
      if (!result->isText && !right.isText) {
        result->number += right.number;
      } else {
        result->text = Text(*result) + Text(right);
        result->isText = true;
      }
    }
  }

  static std::u16string Text(const Operand& o) { return o.isText ? o.text : NumberText(o.number); }

  bool Term(Operand* out, int depth) {
    SkipBlanks();
    if (pos_ >= text_.size()) return false;
    char16_t c = text_[pos_];
    if (c == u'"') return Literal(out);
    if (c == u'(') {
      ++pos_;
      if (!Sum(out, depth + 1)) return false;
      SkipBlanks();
      if (pos_ >= text_.size() || text_[pos_] != u')') return false;
      ++pos_;
      return true;
    }
    if (c == u'$' || c == u'.' || (c >= u'0' && c <= u'9')) return Number(out);
    if (IsNameStart(c)) return Name(out);
    return false;
  }

  // A doubled quote inside a literal stands for one quote.
  bool Literal(Operand* out) {
    out->isText = true;
    out->text.clear();
    ++pos_;
    for (;;) {
      size_t close = text_.find(u'"', pos_);
      if (close == std::u16string::npos) return false;
      out->text.append(text_, pos_, close - pos_);
      pos_ = close + 1;
      if (pos_ < text_.size() && text_[pos_] == u'"') {
        out->text += u'"';
        ++pos_;
        continue;
      }
      return true;
    }
  }

  bool Number(Operand* out) {
    size_t start = pos_;
    std::string digits;
    if (text_[pos_] == u'$') {
      ++pos_;
      while (pos_ < text_.size() && IsHexDigit(text_[pos_])) digits += char(text_[pos_++]);
      if (digits.empty() || digits.size() > 16) return false;
      out->isText = false;
      out->number = double(std::int64_t(std::strtoull(digits.c_str(), nullptr, 16)));
      return true;
    }
    auto take_digits = [&] {
      size_t n = 0;
      while (pos_ < text_.size() && text_[pos_] >= u'0' && text_[pos_] <= u'9') {
        digits += char(text_[pos_++]);
        ++n;
      }
      return n;
    };
    size_t count = take_digits();
    if (pos_ < text_.size() && text_[pos_] == u'.') {
      digits += '.';
      ++pos_;
      count += take_digits();
    }
    if (count == 0) return false;
    if (pos_ < text_.size() && (text_[pos_] == u'E' || text_[pos_] == u'e')) {
      digits += 'e';
      ++pos_;
      if (pos_ < text_.size() && (text_[pos_] == u'+' || text_[pos_] == u'-')) {
        digits += char(text_[pos_++]);
      }
      if (take_digits() == 0) return false;
    }
    if (pos_ - start > 64) return false;
    out->isText = false;
    out->number = std::strtod(digits.c_str(), nullptr);
    return true;
  }

  bool Name(Operand* out) {
    size_t start = pos_;
    while (pos_ < text_.size() && IsNameChar(text_[pos_])) ++pos_;
    std::u16string name = UpperAscii(std::u16string_view(text_).substr(start, pos_ - start));
    out->isText = true;
    if (name == u"GET_WIN_DIR") {
      out->text = os::WindowsFolder();
    } else if (name == u"GET_SYS_DIR") {
      out->text = os::SystemFolder();
    } else if (name == u"GET_CUR_DIR") {
      out->text = CurrentFolder();
    } else if (name == u"GET_ZELK_DIR") {
      out->text = FolderOf(os::ExecutablePath());
    } else if (name == u"GET_APPDATA_DIR") {
      out->text = AppDataFolder(false);
    } else {
      int i = owner_.names_.IndexOf(name);
      if (i < 0) return false;
      if (owner_.numeric_[i]) {
        out->isText = false;
        out->number = std::strtod(
            std::string(owner_.texts_[i].begin(), owner_.texts_[i].end()).c_str(), nullptr);
      } else {
        out->text = owner_.texts_[i];
      }
    }
    return true;
  }

  const TReadZlsFile& owner_;
  const std::u16string& text_;
  size_t pos_ = 0;
};

void TReadZlsFile::Reset() {
  names_.Clear();
  texts_.clear();
  numeric_.clear();
}

void TReadZlsFile::RecordConst(const std::u16string& row) {
  if (!StartsWith(row, u"CONST ")) return;
  size_t eq = row.find(u'=', 6);
  if (eq == std::u16string::npos) return;
  std::u16string name = Trim(std::u16string_view(row).substr(6, eq - 6));
  if (name.empty() || names_.IndexOf(name) >= 0) return;
  std::u16string expression = Trim(std::u16string_view(row).substr(eq + 1));
  Operand value;
  bool ok = EvaluateOperand(expression, &value);
  names_.Add(name);
  // A failed expression is remembered as its own text.
  numeric_.push_back(ok && !value.isText);
  texts_.push_back(!ok ? expression : value.isText ? value.text : NumberText(value.number));
}

std::u16string TReadZlsFile::Evaluate(const std::u16string& text, bool* failed) const {
  Operand value;
  *failed = !EvaluateOperand(text, &value);
  if (*failed) return text;
  return value.isText ? value.text : NumberText(value.number);
}

bool TReadZlsFile::EvaluateOperand(const std::u16string& text, Operand* value) const {
  if (!Parser(*this, text).Run(value)) return false;
  static const char16_t* const kEscapes[][2] = {
      {u"<#_DBL>", u"\""}, {u"<#_CR>", u"\r\n"}, {u"<#_TAB>", u"\t"},
      {u"<#DBL>", u"\""},  {u"<#CR>", u"\r\n"},  {u"<#TAB>", u"\t"},
  };
  if (value->isText && value->text.find(u"<#") != std::u16string::npos) {
    for (const auto& e : kEscapes) value->text = ReplaceAllIgnoringCase(value->text, e[0], e[1]);
  }
  return true;
}

}  // namespace zelk
