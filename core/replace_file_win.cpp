#include "core/files.h"

#include <windows.h>

namespace {

// The new content must be on the disk before the name points at it: after a power cut
// the file is then either the old one or the new one, never an empty one.
bool lf_flushToDisk(const std::filesystem::path& path) {
  const HANDLE file =
      CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return true; // gone meanwhile, or held open by another program
  const bool flushed = FlushFileBuffers(file) != 0;
  CloseHandle(file);
  return flushed;
}

} // namespace

bool gf_replaceFile(const std::filesystem::path& source, const std::filesystem::path& target) {
  auto* batch = gf_flushBatchOfThisThread();
  if (batch == nullptr) {
    lf_flushToDisk(source);
    return MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
  }
  if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) == 0) return false;
  batch->add(target);
  return true;
}

// Without the rights to flush a whole volume, each file is flushed, once; that commits
// the file system's journal, and with it the new names, too.
bool FlushBatch::flush() {
  const auto files = take();
  bool flushed = true;
  for (const auto& file : files) flushed = lf_flushToDisk(file) && flushed;
  return flushed;
}
