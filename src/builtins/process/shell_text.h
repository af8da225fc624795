// The texts around DOSCMD and POWERSHELL: the command line made from a
// script's command text, and the text made from the bytes a command printed.
#pragma once

#include <string>
#include <string_view>

namespace zelk {

// For CMD /C: the non-empty trimmed lines joined with " & ", then enclosed in
// double quotes when it holds a blank or "(" (unless it starts with two).
std::u16string CmdCommandText(std::u16string_view command);
// For /bin/sh -c: the non-empty trimmed lines, one per line.
std::u16string PosixShellText(std::u16string_view command);

// What CMD printed: UTF-16 (CMD /U) or the ANSI code page; NUL becomes a blank.
std::u16string CmdOutputText(std::string_view bytes, bool utf16);
// What a POSIX shell printed: UTF-8, else the ANSI code page; NUL becomes a blank.
std::u16string PosixOutputText(std::string_view bytes);

// The prefix that makes PowerShell print UTF-8.
inline constexpr std::u16string_view kPowershellUtf8Prefix =
    u"[Console]::OutputEncoding=[Text.Encoding]::UTF8;";
// "powershell -EncodedCommand " + Base64 of the command's UTF-16LE bytes, or
// with plain the command as it is; utf8Output puts the prefix first.
std::u16string PowershellCommandLine(std::u16string_view command, bool plain, bool utf8Output);
// Standard Base64 with "=" padding of the UTF-16LE bytes of text.
std::u16string Base64OfUtf16(std::u16string_view text);
// What PowerShell printed: UTF-8 when it reads as such (with multi-byte
// forms), else ANSI; NUL becomes a blank; the prefix (utf8Output) taken out;
// a lone LF becomes CR LF; a leading byte-order mark dropped.
std::u16string PowershellOutputText(std::string_view bytes, bool utf8Output);

}  // namespace zelk
