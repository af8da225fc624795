#include "builtins/process/shell_text.h"

#include "base/text_scan.h"
#include "base/utf.h"
#include "platform/platform.h"

namespace zelk {
namespace {

// The trimmed non-empty lines of a text (CR LF, LF or CR end a line).
template <typename Visit>
void ForEachLine(std::u16string_view text, Visit visit) {
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find_first_of(u"\r\n", start);
    if (end == std::u16string_view::npos) end = text.size();
    const std::u16string_view line = TrimView(text.substr(start, end - start));
    if (!line.empty()) visit(line);
    if (end < text.size() && text[end] == u'\r' && end + 1 < text.size() &&
        text[end + 1] == u'\n') {
      ++end;
    }
    start = end + 1;
  }
}

void NulToBlank(std::u16string* text) {
  for (char16_t& c : *text) {
    if (c == 0) c = u' ';
  }
}

}  // namespace

std::u16string CmdCommandText(std::u16string_view command) {
  std::u16string joined;
  ForEachLine(command, [&](std::u16string_view line) {
    if (!joined.empty()) joined += u" & ";
    joined += line;
  });
  const bool quotedAlready = joined.size() >= 2 && joined[0] == u'"' && joined[1] == u'"';
  if (!quotedAlready && joined.find_first_of(u" (") != std::u16string::npos) {
    joined = u"\"" + joined + u"\"";
  }
  return joined;
}

std::u16string PosixShellText(std::u16string_view command) {
  std::u16string joined;
  ForEachLine(command, [&](std::u16string_view line) {
    if (!joined.empty()) joined += u'\n';
    joined += line;
  });
  return joined;
}

std::u16string CmdOutputText(std::string_view bytes, bool utf16) {
  std::u16string text;
  if (utf16) {
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
      text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                    static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
  } else {
    text = os::AnsiToText(bytes);
  }
  NulToBlank(&text);
  return text;
}

std::u16string PosixOutputText(std::string_view bytes) {
  bool ascii = true;
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) {
      ascii = false;
      break;
    }
  }
  std::u16string text = ascii || IsMultiByteUtf8(bytes) ? Utf8ToText(bytes) : os::AnsiToText(bytes);
  NulToBlank(&text);
  return text;
}

std::u16string Base64OfUtf16(std::u16string_view text) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string bytes;
  bytes.reserve(text.size() * 2);
  for (char16_t c : text) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  std::u16string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t n = bytes.size() - i < 3 ? bytes.size() - i : 3;
    std::uint32_t group = static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i])) << 16;
    if (n > 1) group |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[i + 1])) << 8;
    if (n > 2) group |= static_cast<unsigned char>(bytes[i + 2]);
    out += static_cast<char16_t>(kDigits[(group >> 18) & 63]);
    out += static_cast<char16_t>(kDigits[(group >> 12) & 63]);
    out += n > 1 ? static_cast<char16_t>(kDigits[(group >> 6) & 63]) : u'=';
    out += n > 2 ? static_cast<char16_t>(kDigits[group & 63]) : u'=';
  }
  return out;
}

std::u16string PowershellCommandLine(std::u16string_view command, bool plain, bool utf8Output) {
  std::u16string text;
  if (utf8Output) text = kPowershellUtf8Prefix;
  text += command;
  if (plain) return u"powershell " + text;
  return u"powershell -EncodedCommand " + Base64OfUtf16(text);
}

std::u16string PowershellOutputText(std::string_view bytes, bool utf8Output) {
  std::u16string text = IsMultiByteUtf8(bytes) ? Utf8ToText(bytes) : os::AnsiToText(bytes);
  NulToBlank(&text);
  if (utf8Output) {
    for (std::size_t at; (at = text.find(kPowershellUtf8Prefix)) != std::u16string::npos;) {
      text.erase(at, kPowershellUtf8Prefix.size());
    }
  }
  std::u16string lines;
  lines.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'\n' && (i == 0 || text[i - 1] != u'\r')) lines += u'\r';
    lines += text[i];
  }
  if (!lines.empty() && lines[0] == u'\uFEFF') lines.erase(0, 1);
  return lines;
}

}  // namespace zelk
