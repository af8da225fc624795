// The text-file layer shared by settings, the editor, assembly and the file
// built-ins: reads ANSI, UTF-8 and UTF-16 LE with detection, writes them back.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace zelk {

// Encoding codes that callers remember and request.
enum : int {
  kEncodingDetect = 2,      // request: detect
  kEncodingAnsiOrUtf8 = 4,  // read: no mark, ANSI; write: ANSI if lossless, else UTF-8
  kEncodingAnsi = 8,
  kEncodingUtf8 = 16,      // no mark
  kEncodingUtf8Mark = 32,  // EF BB BF
  kEncodingUtf16 = 64,     // FF FE, little-endian
};

// Open-mode bits of the file built-ins; every other caller passes 0.
enum : int {
  kOpenModeRead = 2,
  kOpenModeWriteBits = 4 | 8 | 16 | 32 | 64,
  kOpenModeExclusive = 512,
};

// Splits at CR LF, CR or LF. With the exclusive bit a successful load keeps the
// file open in *held. Retries a failed load of an existing file.
// Saving writes through *held when one is given, else the new content
// replaces the file only once it is completely written; either way a failed
// save leaves the old content. Retries a failed save.
bool LoadTextFile(const std::u16string& path, std::vector<std::u16string>* lines, int* encoding,
                  int openMode = 0, std::unique_ptr<os::File>* held = nullptr);
bool SaveTextFile(const std::u16string& path, const std::vector<std::u16string>& lines,
                  int encoding, bool noFinalBreak = false, bool exclusive = false,
                  std::unique_ptr<os::File>* held = nullptr);

// Lines of a text split at CR LF, CR or LF; a break at the very end starts no
// further line.
std::vector<std::u16string> SplitLines(std::u16string_view text);

// The byte-level halves, for callers that have the bytes already.
std::vector<std::u16string> DecodeText(const std::string& bytes, int* encoding);
std::string EncodeText(const std::vector<std::u16string>& lines, int encoding, bool noFinalBreak);

}  // namespace zelk
