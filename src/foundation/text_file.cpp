#include "foundation/text_file.h"

#include <new>

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

// Every line is tested: a character past any cut-off would otherwise be
// written as a substitute and lost.
bool AllLinesAnsi(const std::vector<std::u16string>& lines) {
  std::string scratch;
  for (const std::u16string& line : lines) {
    if (!os::TextToAnsi(line, &scratch)) return false;
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
  }
}

}  // namespace

std::vector<std::u16string> SplitLines(std::u16string_view text) {
  std::vector<std::u16string> lines;
  std::size_t start = 0;
  std::size_t i = 0;
  while (i < text.size()) {
    char16_t c = text[i];
    if (c == u'\r' || c == u'\n') {
      lines.emplace_back(text.substr(start, i - start));
      i += (c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') ? 2 : 1;
      start = i;
    } else {
      ++i;
    }
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::vector<std::u16string> DecodeText(const std::string& bytes, int* encoding) {
  auto starts = [&](std::string_view mark) { return bytes.compare(0, mark.size(), mark) == 0; };
  int code = kEncodingAnsiOrUtf8;
  std::u16string text;
  if (bytes.size() > 2 && starts("\xFF\xFE")) {
    code = kEncodingUtf16;
    text = Utf16LeToText(std::string_view(bytes).substr(2));
  } else if (bytes.size() > 3 && starts("\xEF\xBB\xBF")) {
    code = kEncodingUtf8Mark;
    text = Utf8ToText(std::string_view(bytes).substr(3));
  } else if (starts("\xFF\xFE") || starts("\xEF\xBB\xBF")) {
    // Nothing but the mark: no lines, and it counts as ANSI.
  } else if (IsMultiByteUtf8(bytes)) {
    code = kEncodingUtf8;
    text = Utf8ToText(bytes);
  } else {
    text = os::AnsiToText(bytes);
  }
  if (encoding) *encoding = code;
  return SplitLines(text);
}

std::string EncodeText(const std::vector<std::u16string>& lines, int encoding, bool noFinalBreak) {
  if (encoding != kEncodingAnsi && encoding != kEncodingUtf8 && encoding != kEncodingUtf8Mark &&
      encoding != kEncodingUtf16) {
    encoding = AllLinesAnsi(lines) ? kEncodingAnsi : kEncodingUtf8;
  }
  std::string out;
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
      piece.clear();
      os::TextToAnsi(lines[i], &piece);  // the caller chose ANSI: substitutes stay
      out += piece;
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
