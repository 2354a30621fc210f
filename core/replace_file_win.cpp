#include "core/files.h"

#include <windows.h>

bool gf_replaceFile(const std::filesystem::path& source, const std::filesystem::path& target) {
  return MoveFileExW(source.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}
