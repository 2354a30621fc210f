#include "core/files.h"

#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace {

// The new content must be on the disk before the name points at it, and the new name
// must be on the disk after: after a power cut the file is the old one or the new one.
void lf_flushToDisk(const std::filesystem::path& path, int flags) {
  const int fd = ::open(path.c_str(), flags);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

} // namespace

bool gf_replaceFile(const std::filesystem::path& source, const std::filesystem::path& target) {
  lf_flushToDisk(source, O_RDONLY);
  std::error_code error;
  std::filesystem::rename(source, target, error);
  if (error) return false;
  const auto folder = target.parent_path().empty() ? std::filesystem::path(".") : target.parent_path();
  lf_flushToDisk(folder, O_RDONLY | O_DIRECTORY);
  return true;
}
