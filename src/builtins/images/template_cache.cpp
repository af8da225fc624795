#include "builtins/images/template_cache.h"

#include <mutex>
#include <vector>

#include "builtins/images/bmp_codec.h"
#include "platform/platform.h"

namespace zelk {
namespace {

struct Entry {
  std::u16string path;
  std::int64_t written = 0;
  std::uint64_t size = 0;
  std::shared_ptr<const os::Bitmap> image;
};

// Guards the cache across script threads; a thread keeps the picture it got
// even when another one reloads the entry meanwhile.
std::mutex& ImageCacheLock() {
  static std::mutex lock;
  return lock;
}
std::vector<Entry>& TemplateCache() {
  static std::vector<Entry> cache;
  return cache;
}

}  // namespace

TemplateLoad LoadTemplate(const std::u16string& path, std::shared_ptr<const os::Bitmap>* out) {
  // A wildcard would list other files: such a name is no file here.
  if (path.find_first_of(u"*?") != std::u16string::npos) return TemplateLoad::kMissing;
  const std::vector<os::FolderEntry> found = os::ListFolder(path);
  if (found.size() != 1 || found[0].folder) return TemplateLoad::kMissing;
  const os::FolderEntry& file = found[0];

  std::lock_guard<std::mutex> hold(ImageCacheLock());
  std::vector<Entry>& cache = TemplateCache();
  Entry* entry = nullptr;
  for (Entry& e : cache) {
    if (e.path == path) {
      entry = &e;
      break;
    }
  }
  if (entry && entry->written == file.written && entry->size == file.size) {
    *out = entry->image;
    return TemplateLoad::kLoaded;
  }
  std::string error, bytes;
  std::unique_ptr<os::File> f = os::OpenFile(path, os::OpenHow::kRead, false, &error);
  if (!f) return TemplateLoad::kMissing;
  auto image = std::make_shared<os::Bitmap>();
  if (!f->ReadAll(&bytes) || !DecodeBmp(bytes, image.get())) return TemplateLoad::kNotBmp;
  if (!entry) {
    cache.push_back(Entry{path, 0, 0, nullptr});
    entry = &cache.back();
  }
  entry->written = file.written;
  entry->size = file.size;
  entry->image = std::move(image);
  *out = entry->image;
  return TemplateLoad::kLoaded;
}

}  // namespace zelk
