#include "core/files.h"

#include <algorithm>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The new content must be on the disk before the name points at it, and the new name
// must be on the disk after: after a power cut the file is the old one or the new one.
bool lf_flushToDisk(const fs::path& path, int flags) {
  const int fd = ::open(path.c_str(), flags);
  if (fd < 0) return true; // gone meanwhile: nothing of it to flush
  const bool flushed = ::fsync(fd) == 0;
  ::close(fd);
  return flushed;
}

fs::path lf_folderOf(const fs::path& file) { return file.parent_path().empty() ? fs::path(".") : file.parent_path(); }

} // namespace

bool gf_replaceFile(const fs::path& source, const fs::path& target) {
  auto* batch = gf_flushBatchOfThisThread();
  if (batch == nullptr) lf_flushToDisk(source, O_RDONLY);
  std::error_code error;
  fs::rename(source, target, error);
  if (error) return false;
  if (batch != nullptr)
    batch->add(target);
  else
    lf_flushToDisk(lf_folderOf(target), O_RDONLY | O_DIRECTORY);
  return true;
}

bool FlushBatch::flush() {
  const auto files = take();
  std::set<fs::path> folders;
  for (const auto& file : files) folders.insert(lf_folderOf(file));
  bool flushed = true;
#ifdef __linux__
  // One flush of the whole file system holds every file and name of the batch.
  std::set<dev_t> devices;
  for (const auto& folder : folders) {
    struct stat status {};
    if (::stat(folder.c_str(), &status) != 0 || !devices.insert(status.st_dev).second) continue;
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    if (fd < 0) continue;
    flushed = ::syncfs(fd) == 0 && flushed;
    ::close(fd);
  }
#else
  for (const auto& file : files) flushed = lf_flushToDisk(file, O_RDONLY) && flushed;
  for (const auto& folder : folders) flushed = lf_flushToDisk(folder, O_RDONLY | O_DIRECTORY) && flushed;
#endif
  return flushed;
}
