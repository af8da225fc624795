// The command lines DOSCMD and POWERSHELL make, and the texts they make of
// what a command printed.
#include <gtest/gtest.h>

#include <string>

#include "builtins/process/shell_text.h"

namespace zelk {
namespace {

TEST(CmdCommandText, JoinsLinesAndQuotesWhatCmdWouldSplit) {
  EXPECT_EQ(u"dir", CmdCommandText(u"  dir  "));
  EXPECT_EQ(u"\"cd \\ & dir\"", CmdCommandText(u"cd \\\r\n\r\n  dir  \r\n"));
  EXPECT_EQ(u"\"echo(\"", CmdCommandText(u"echo("));
  EXPECT_EQ(u"a&b", CmdCommandText(u"a&b"));
  // Two leading quotes: the caller quoted it already.
  EXPECT_EQ(u"\"\"C:\\a b\\x.exe\" arg\"", CmdCommandText(u"\"\"C:\\a b\\x.exe\" arg\""));
  EXPECT_EQ(u"", CmdCommandText(u"\r\n  \r\n"));
  // Lone LF and CR end lines too.
  EXPECT_EQ(u"\"a & b & c\"", CmdCommandText(u"a\nb\rc"));
}

TEST(PosixShellText, KeepsOneCommandPerLine) {
  EXPECT_EQ(u"cd /tmp\nls", PosixShellText(u" cd /tmp \r\n\r\n ls\r\n"));
  EXPECT_EQ(u"echo \"a b\"", PosixShellText(u"echo \"a b\""));
}

TEST(CommandOutput, DecodesAndBlanksNul) {
  EXPECT_EQ(u"a b\r\n", CmdOutputText(std::string("a\0b\r\n", 5), false));
  // CMD /U prints UTF-16LE; an odd last byte is dropped.
  EXPECT_EQ(u"h\u3042 ", CmdOutputText(std::string("h\0\x42\x30\0\0\x01", 7), true));
  EXPECT_EQ(u"\u3042\n", PosixOutputText("\xE3\x81\x82\n"));
  // Not UTF-8: the ANSI code page (Latin-1 natively).
  EXPECT_EQ(4u, PosixOutputText("caf\xE9").size());
  EXPECT_EQ(u"x y", PosixOutputText(std::string("x\0y", 3)));
}

TEST(Powershell, EncodesTheCommandAsBase64OfUtf16) {
  // "dir" as UTF-16LE is 64 00 69 00 72 00.
  EXPECT_EQ(u"ZABpAHIA", Base64OfUtf16(u"dir"));
  EXPECT_EQ(u"YQA=", Base64OfUtf16(u"a"));
  EXPECT_EQ(u"YQBiAA==", Base64OfUtf16(u"ab"));
  EXPECT_EQ(u"", Base64OfUtf16(u""));
  EXPECT_EQ(u"QjA=", Base64OfUtf16(u"\u3042"));
  EXPECT_EQ(u"powershell -EncodedCommand ZABpAHIA", PowershellCommandLine(u"dir", false, false));
  EXPECT_EQ(u"powershell dir", PowershellCommandLine(u"dir", true, false));
  EXPECT_EQ(u"powershell [Console]::OutputEncoding=[Text.Encoding]::UTF8;dir",
            PowershellCommandLine(u"dir", true, true));
  EXPECT_EQ(u"powershell -EncodedCommand " +
                Base64OfUtf16(u"[Console]::OutputEncoding=[Text.Encoding]::UTF8;dir"),
            PowershellCommandLine(u"dir", false, true));
}

TEST(Powershell, OutputTextIsCleanedUp) {
  EXPECT_EQ(u"a\r\nb\r\nc", PowershellOutputText("a\nb\r\nc", false));
  EXPECT_EQ(u"\u3042\r\n", PowershellOutputText("\xEF\xBB\xBF\xE3\x81\x82\n", false));
  EXPECT_EQ(u"x\r\n",
            PowershellOutputText("[Console]::OutputEncoding=[Text.Encoding]::UTF8;x\n", true));
  EXPECT_EQ(u"[Console]::OutputEncoding=[Text.Encoding]::UTF8;x\r\n",
            PowershellOutputText("[Console]::OutputEncoding=[Text.Encoding]::UTF8;x\n", false));
  EXPECT_EQ(u"\r\n", PowershellOutputText("\n", false));
}

}  // namespace
}  // namespace zelk
