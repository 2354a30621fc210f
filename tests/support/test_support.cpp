#include "support/test_support.h"

#include "core/files.h"
#include "core/log.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

namespace fs = std::filesystem;

namespace testing_support {

TempDir::TempDir(std::string_view prefix) {
  static std::atomic<unsigned> counter{0};
  std::random_device device;
  for (int attempt = 0; attempt < 100; ++attempt) {
    auto candidate = fs::temp_directory_path() /
                     (std::string(prefix) + "-" + std::to_string(device()) + "-" + std::to_string(counter++));
    if (fs::create_directories(candidate)) {
      path_ = candidate;
      return;
    }
  }
  throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir() {
  std::error_code ignored;
  fs::remove_all(path_, ignored);
}

fs::path TempDir::operator/(std::string_view name) const { return path_ / gf_pathFromText(name); }

ScopedCurrentPath::ScopedCurrentPath(const fs::path& path) : previous_(fs::current_path()) { fs::current_path(path); }

ScopedCurrentPath::~ScopedCurrentPath() {
  std::error_code ignored;
  fs::current_path(previous_, ignored);
}

LogCapture::LogCapture() : dir_("hvm-log") { gf_openLog(file()); }

LogCapture::~LogCapture() { gf_closeLog(); }

std::vector<std::string> LogCapture::lines() const {
  std::ifstream in(file());
  std::vector<std::string> result;
  std::string line;
  bool banner = true;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (banner) {
      banner = false;
      continue;
    }
    result.push_back(line);
  }
  return result;
}

bool LogCapture::contains(std::string_view text) const {
  for (const auto& line : lines())
    if (line.find(text) != std::string::npos) return true;
  return false;
}

std::string readFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

} // namespace testing_support
