#include "core/files.h"

#include <system_error>

bool gf_replaceFile(const std::filesystem::path& source, const std::filesystem::path& target) {
  std::error_code error;
  std::filesystem::rename(source, target, error);
  return !error;
}
