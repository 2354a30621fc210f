#include "core/files.h"

#include <windows.h>

namespace {

// The new content must be on the disk before the name points at it: after a power cut
// the file is then either the old one or the new one, never an empty one.
void lf_flushToDisk(const std::filesystem::path& path) {
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  FlushFileBuffers(file);
  CloseHandle(file);
}

} // namespace

bool gf_replaceFile(const std::filesystem::path& source, const std::filesystem::path& target) {
  lf_flushToDisk(source);
  return MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
