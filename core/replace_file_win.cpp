#include "core/files.h"

#include <chrono>
#include <thread>
#include <windows.h>

namespace {

// The new content must be on the disk before the name points at it: after a power cut
// the file is then either the old one or the new one, never an empty one.
void lf_flushToDisk(const std::filesystem::path& path) {
  const HANDLE file =
      CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  FlushFileBuffers(file);
  CloseHandle(file);
}

// Another program reading the file for a moment (a virus scanner, a backup, an editor) holds
// it open without sharing its deletion: the replace fails until it lets go.
bool lf_heldByAnother(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION;
}

} // namespace

bool gf_replaceFile(const std::filesystem::path& source, const std::filesystem::path& target) {
  lf_flushToDisk(source);
  // A setting the user just changed must not be lost to a reader's moment: try for a second.
  constexpr int attempts = 100;
  for (int attempt = 1;; ++attempt) {
    if (MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0)
      return true;
    if (attempt == attempts || !lf_heldByAnother(GetLastError())) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}
