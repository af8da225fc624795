// FOPEN and FCLOSE: a file comes into a slot of the run's file table whole,
// and goes back to disk whole.
#include <mutex>

#include "base/text_scan.h"
#include "builtins/files/file_functions.h"
#include "foundation/messages.h"
#include "foundation/text_file.h"
#include "platform/platform.h"
#include "runtime/core/interpreter.h"
#include "runtime/core/report_error.h"

namespace zelk {
namespace {

// Open-mode bits as scripts give them (F_EXISTS ... F_EXCLUSIVE).
enum : int {
  kModeExists = 1,
  kModeRead = 2,
  kModeWrite = 4,
  kModeWriteAnsi = 8,
  kModeWriteUtf8 = 16,
  kModeWriteUtf8Mark = 32,
  kModeWriteUtf16 = 64,
  kModeNoFinalBreak = 128,
  kModeTab = 256,
  kModeExclusive = 512,
  kModeWriteBits =
      kModeWrite | kModeWriteAnsi | kModeWriteUtf8 | kModeWriteUtf8Mark | kModeWriteUtf16,
};

bool Exists(const std::u16string& argument) {
  const std::u16string path = Unquote(argument);
  if (!path.empty() && (path.back() == u'\\' || path.back() == u'/')) {
    return os::FolderExists(path);
  }
  return os::FileExists(path);
}

// The write-back encoding: F_WRITE keeps the loaded file's own (4 for a new
// one); an explicit encoding makes the file writable by itself, the last wins.
int WriteEncoding(std::int64_t mode, int loaded) {
  int encoding = (mode & kModeWrite) ? (loaded == 0 ? kEncodingAnsiOrUtf8 : loaded) : 0;
  if (mode & kModeWriteAnsi) encoding = kEncodingAnsi;
  if (mode & kModeWriteUtf8) encoding = kEncodingUtf8;
  if (mode & kModeWriteUtf8Mark) encoding = kEncodingUtf8Mark;
  if (mode & kModeWriteUtf16) encoding = kEncodingUtf16;
  return encoding;
}

// Fills the slot from disk as the mode asks; false when the open fails.
bool LoadSlot(FileSlot& slot, std::int64_t mode) {
  const bool write = (mode & kModeWriteBits) != 0;
  const bool exclusive = (mode & kModeExclusive) != 0;
  const int openMode = static_cast<int>(mode & (kModeRead | kModeWriteBits | kModeExclusive));
  int loaded = 0;
  if (os::FileExists(slot.path)) {
    if (exclusive && write && !(mode & kModeRead)) {
      // Held for writing without its content: opened without emptying it, so
      // that the old content stays until FCLOSE has the new one.
      if (!LoadTextFile(slot.path, &slot.lines, &loaded, openMode | kModeRead, &slot.stream)) {
        return false;
      }
      std::vector<std::u16string>().swap(slot.lines);
      loaded = kEncodingAnsiOrUtf8;
    } else if (!LoadTextFile(slot.path, &slot.lines, &loaded, openMode, &slot.stream)) {
      return false;
    }
  } else if (!write) {
    return false;
  } else if (exclusive) {
    // Created at once and held.
    if (!LoadTextFile(slot.path, &slot.lines, &loaded, openMode, &slot.stream)) return false;
  } else if (slot.path.empty()) {
    slot.path = kScratchPath;
  }
  slot.encoding = WriteEncoding(mode, loaded);
  return true;
}

}  // namespace

void BuiltinFopen(BuiltinCall& call) {
  const BuiltinArgs& a = call.args;
  std::int64_t mode = a.whole[1];
  if (mode == kModeExists) {
    call.result = Value::Boolean(Exists(a.text[0]));
    return;
  }
  FileTable& table = call.context.interp->files;
  std::unique_lock<std::recursive_mutex> guard(table.lock);
  int index = 0;
  while (index < kFileSlots && table.slots[static_cast<std::size_t>(index)].InUse()) ++index;
  if (index == kFileSlots) {
    guard.unlock();
    call.result = Value::Int(0);
    call.Fail(Msg(u"Error: It exceeded maximum FILE_OEPN number =64",
                  u"Error: 最大FILE_OEPN数=64 を超えました"));
    return;
  }
  FileSlot& slot = table.slots[static_cast<std::size_t>(index)];
  slot.Release();
  slot.path = Trim(Unquote(a.text[0]));
  if (mode == 0) mode = kModeRead;
  if (!(mode & (kModeRead | kModeExclusive)) && !(mode & kModeWriteBits)) {
    slot.Release();
    guard.unlock();
    call.result = Value::Int(-1);
    ReportError(Msg(u"Error of the file open mode", u"ファイルオープンモードの間違い"),
                call.context, false, false);
    call.failed = true;
    return;
  }
  if (mode & (kModeRead | kModeExclusive)) {
    if (!LoadSlot(slot, mode)) {
      slot.Release();
      call.result = Value::Int(-1);
      return;
    }
  } else {
    // Written only: the file starts empty. Without a name it is a scratch
    // file, as with F_READ, rather than a slot that looks free.
    if (slot.path.empty()) slot.path = kScratchPath;
    slot.encoding = WriteEncoding(mode, 0);
  }
  slot.noFinalBreak = (mode & kModeNoFinalBreak) != 0;
  slot.exclusive = (mode & kModeExclusive) != 0;
  slot.tabSeparated = (mode & kModeTab) != 0;
  call.result = Value::Int(index + 1);
}

void BuiltinFclose(BuiltinCall& call) {
  const std::int64_t id = call.args.whole[0];
  const bool quiet = call.args.whole[1] != 0;
  call.result = Value::Boolean(true);
  if (id < 1 || id > kFileSlots) return;
  FileTable& table = call.context.interp->files;
  std::unique_lock<std::recursive_mutex> guard(table.lock);
  FileSlot& slot = table.slots[static_cast<std::size_t>(id - 1)];
  // A free slot has nothing to write: closing it twice is harmless.
  if (!slot.InUse()) return;
  bool written = true;
  if (slot.path != kScratchPath && slot.encoding >= 1) {
    written = SaveTextFile(slot.path, slot.lines, slot.encoding, slot.noFinalBreak, slot.exclusive,
                           &slot.stream);
  }
  const std::u16string path = slot.path;
  slot.Release();
  guard.unlock();
  if (written) return;
  call.result = Value::Boolean(false);
  if (!quiet) ReportAndAsk(path + u"\uFF1ACan't be written in", call.context);
}

}  // namespace zelk
