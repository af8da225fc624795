#include "foundation/text_file.h"

#include <new>
#include <stdexcept>

#include "base/utf.h"
#include "foundation/user_interface.h"

namespace zelk {
namespace {

constexpr int kAttempts = 3;

// A file held by another program often frees up shortly; keep the windows
// alive meanwhile.
void PauseBeforeRetry() {
  os::SleepMs(100);
  for (int i = 0; i < 100; ++i) os::ProcessMessages();
}

bool MentionsOutOfMemory(const std::string& error) {
  std::string upper = error;
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - ('a' - 'A'));
  }
  return upper.find("OUT OF MEMORY") != std::string::npos;
}

std::u16string Utf16LeToText(std::string_view bytes) {
  std::u16string text;
  text.reserve(bytes.size() / 2);
  // An odd trailing byte is no character and is dropped.
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    text.push_back(static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                         (static_cast<unsigned char>(bytes[i + 1]) << 8)));
  }
  return text;
}

void AppendUtf16Le(std::string* out, std::u16string_view text) {
  for (char16_t c : text) {
    out->push_back(static_cast<char>(c & 0xFF));
    out->push_back(static_cast<char>(c >> 8));
  }
}

// ASCII is the same bytes in every ANSI code page: such a line needs no
// round trip through the system's converter.
bool IsAscii(std::u16string_view text) {
  char16_t any = 0;
  for (char16_t c : text) any |= c;
  return any < 0x80;
}

// Every line is tested: a character past any cut-off would otherwise be
// written as a substitute and lost.
bool AllLinesAnsi(const std::vector<std::u16string>& lines) {
  std::string scratch;
  for (const std::u16string& line : lines) {
    if (!IsAscii(line) && !os::TextToAnsi(line, &scratch)) return false;
  }
  return true;
}

bool LoadOnce(const std::u16string& path, os::OpenHow how, bool exclusive,
              std::vector<std::u16string>* lines, int* encoding, std::unique_ptr<os::File>* held,
              std::string* error) {
  try {
    std::unique_ptr<os::File> file = os::OpenFile(path, how, exclusive, error);
    if (!file) return false;
    std::string bytes;
    if (!file->ReadAll(&bytes)) {
      *error = "read failed";
      return false;
    }
    *lines = DecodeText(bytes, encoding);
    if (exclusive && held) *held = std::move(file);
    return true;
  } catch (const std::bad_alloc&) {
    *error = "Out of memory";
    return false;
  } catch (const std::length_error&) {
    // More than a text can hold in this build (4 GB and beyond in 32 bits).
    *error = "Out of memory";
    return false;
  }
}

}  // namespace

namespace {

// Appends the lines of text, split at CR LF, CR or LF.
void AppendLines(std::u16string_view text, std::vector<std::u16string>* lines) {
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    char16_t c = text[i];
    if (c == u'\r' || c == u'\n') {
      lines->emplace_back(text.substr(start, i - start));
      i += (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines->emplace_back(text.substr(start));
}

// A file is decoded slice by slice, each ending just after a line feed: the
// whole text never exists beside its lines, and no converter sees more than
// it can count (the system's takes int lengths).
constexpr std::size_t kSlice = std::size_t{1} << 24;

// The next slice of bytes in units of unit bytes: up to just after the first
// line feed at or beyond kSlice, or all of them.
std::string_view NextSlice(std::string_view bytes, std::size_t unit) {
  if (bytes.size() <= kSlice) return bytes;
  std::size_t at = kSlice - kSlice % unit;
  for (; at + unit <= bytes.size(); at += unit) {
    if (bytes[at] == '\n' && (unit == 1 || bytes[at + 1] == '\0'))
      return bytes.substr(0, at + unit);
  }
  return bytes;
}

// ANSI bytes of any length: converted in pieces cut after a byte below 0x40,
// which is neither the lead nor the trail byte of a double-byte character.
std::u16string AnsiSliceToText(std::string_view bytes) {
  std::u16string text;
  while (bytes.size() > kSlice) {
    std::size_t cut = kSlice;
    while (cut > 0 && static_cast<unsigned char>(bytes[cut - 1]) >= 0x40) --cut;
    if (cut == 0) cut = kSlice;
    text += os::AnsiToText(bytes.substr(0, cut));
    bytes.remove_prefix(cut);
  }
  text += os::AnsiToText(bytes);
  return text;
}

enum class Form { kAnsi, kUtf8, kUtf16 };

std::vector<std::u16string> DecodeLines(std::string_view bytes, Form form) {
  std::vector<std::u16string> lines;
  const std::size_t unit = form == Form::kUtf16 ? 2 : 1;
  while (!bytes.empty()) {
    const std::string_view slice = NextSlice(bytes, unit);
    switch (form) {
      case Form::kAnsi:
        AppendLines(AnsiSliceToText(slice), &lines);
        break;
      case Form::kUtf8:
        AppendLines(Utf8ToText(slice), &lines);
        break;
      case Form::kUtf16:
        AppendLines(Utf16LeToText(slice), &lines);
        break;
    }
    bytes.remove_prefix(slice.size());
  }
  return lines;
}

}  // namespace

std::vector<std::u16string> SplitLines(std::u16string_view text) {
  std::vector<std::u16string> lines;
  AppendLines(text, &lines);
  return lines;
}

std::vector<std::u16string> DecodeText(const std::string& bytes, int* encoding) {
  auto starts = [&](std::string_view mark) { return bytes.compare(0, mark.size(), mark) == 0; };
  int code = kEncodingAnsiOrUtf8;
  std::vector<std::u16string> lines;
  if (bytes.size() > 2 && starts("\xFF\xFE")) {
    code = kEncodingUtf16;
    lines = DecodeLines(std::string_view(bytes).substr(2), Form::kUtf16);
  } else if (bytes.size() > 3 && starts("\xEF\xBB\xBF")) {
    code = kEncodingUtf8Mark;
    lines = DecodeLines(std::string_view(bytes).substr(3), Form::kUtf8);
  } else if (starts("\xFF\xFE") || starts("\xEF\xBB\xBF")) {
    // Nothing but the mark: no lines, and it counts as ANSI.
  } else if (IsMultiByteUtf8(bytes)) {
    code = kEncodingUtf8;
    lines = DecodeLines(bytes, Form::kUtf8);
  } else {
    lines = DecodeLines(bytes, Form::kAnsi);
  }
  if (encoding) *encoding = code;
  return lines;
}

std::string EncodeText(const std::vector<std::u16string>& lines, int encoding, bool noFinalBreak) {
  if (encoding != kEncodingAnsi && encoding != kEncodingUtf8 && encoding != kEncodingUtf8Mark &&
      encoding != kEncodingUtf16) {
    encoding = AllLinesAnsi(lines) ? kEncodingAnsi : kEncodingUtf8;
  }
  std::string out;
  std::size_t size = 4;
  for (const std::u16string& line : lines) size += line.size() + 2;
  out.reserve(encoding == kEncodingUtf16 ? 2 * size : size);
  if (encoding == kEncodingUtf8Mark) out = "\xEF\xBB\xBF";
  if (encoding == kEncodingUtf16) out = "\xFF\xFE";
  std::string piece;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    bool lastBreak = !(noFinalBreak && i + 1 == lines.size());
    if (encoding == kEncodingUtf16) {
      AppendUtf16Le(&out, lines[i]);
      if (lastBreak) AppendUtf16Le(&out, u"\r\n");
      continue;
    }
    if (encoding == kEncodingAnsi) {
      if (IsAscii(lines[i])) {
        for (char16_t c : lines[i]) out.push_back(static_cast<char>(c));
      } else {
        piece.clear();
        os::TextToAnsi(lines[i], &piece);  // the caller chose ANSI: substitutes stay
        out += piece;
      }
    } else {
      out += TextToUtf8(lines[i]);
    }
    if (lastBreak) out += "\r\n";
  }
  return out;
}

bool LoadTextFile(const std::u16string& path, std::vector<std::u16string>* lines, int* encoding,
                  int openMode, std::unique_ptr<os::File>* held) {
  lines->clear();
  if (encoding) *encoding = kEncodingAnsiOrUtf8;
  const bool read = (openMode & kOpenModeRead) != 0;
  const bool write = (openMode & kOpenModeWriteBits) != 0;
  const bool exclusive = (openMode & kOpenModeExclusive) != 0;
  os::OpenHow how = os::OpenHow::kRead;
  if (write) how = read ? os::OpenHow::kReadWriteCreate : os::OpenHow::kCreateTruncate;

  int attempts = kAttempts;
  if (!os::FileExists(path)) attempts = (exclusive && write) ? 1 : 0;
  for (int attempt = 0; attempt < attempts; ++attempt) {
    if (attempt > 0) PauseBeforeRetry();
    std::string error;
    std::vector<std::u16string> loaded;
    int code = kEncodingAnsiOrUtf8;
    if (LoadOnce(path, how, exclusive, &loaded, &code, held, &error)) {
      *lines = std::move(loaded);
      if (encoding) *encoding = code;
      return true;
    }
    if (MentionsOutOfMemory(error)) {
      ShowMessageBox(u"File: Out Of Memory");
      return false;
    }
  }
  return false;
}

bool SaveTextFile(const std::u16string& path, const std::vector<std::u16string>& lines,
                  int encoding, bool noFinalBreak, bool /*exclusive*/,
                  std::unique_ptr<os::File>* held) {
  std::string bytes;
  try {
    bytes = EncodeText(lines, encoding, noFinalBreak);
  } catch (const std::bad_alloc&) {
    return false;
  } catch (const std::length_error&) {
    return false;
  }
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    if (attempt > 0) PauseBeforeRetry();
    bool ok;
    if (held && *held) {
      ok = (*held)->Rewrite(bytes);
    } else {
      // The new content is complete beside the file before it replaces it,
      // so a failed write loses nothing; nobody else sees the half-written
      // file, whatever exclusive asks.
      std::string error;
      ok = os::ReplaceFileContent(path, bytes, &error);
    }
    if (ok) {
      if (held) held->reset();
      for (int i = 0; i < 10; ++i) os::ProcessMessages();
      return true;
    }
  }
  return false;
}

}  // namespace zelk
