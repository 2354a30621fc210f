#include "core/files.h"

#include <chrono>
#include <thread>
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

// Another program reading the file for a moment (a virus scanner, a backup, an editor) holds
// it open without sharing its deletion: the replace fails until it lets go.
bool lf_heldByAnother(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED || error == ERROR_LOCK_VIOLATION;
}

// A setting the user just changed must not be lost to a reader's moment: try for a second.
bool lf_move(const std::filesystem::path& source, const std::filesystem::path& target, DWORD flags) {
  constexpr int attempts = 100;
  for (int attempt = 1;; ++attempt) {
    if (MoveFileExW(source.c_str(), target.c_str(), flags) != 0) return true;
    if (attempt == attempts || !lf_heldByAnother(GetLastError())) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

} // namespace

bool gf_replaceFile(const std::filesystem::path& source, const std::filesystem::path& target) {
  auto* batch = gf_flushBatchOfThisThread();
  if (batch == nullptr) {
    lf_flushToDisk(source);
    return lf_move(source, target, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  }
  if (!lf_move(source, target, MOVEFILE_REPLACE_EXISTING)) return false;
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
