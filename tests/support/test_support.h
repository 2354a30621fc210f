#pragma once
// Fixtures shared by the test programs: temporary folders, the working folder, the log.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace testing_support {

// A fresh folder, removed with everything in it at the end of the test.
class TempDir {
public:
  explicit TempDir(std::string_view prefix = "hvm");
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir();
  const std::filesystem::path& path() const { return path_; }
  std::filesystem::path operator/(std::string_view name) const;

private:
  std::filesystem::path path_;
};

// Changes the working folder for the life of the object.
class ScopedCurrentPath {
public:
  explicit ScopedCurrentPath(const std::filesystem::path& path);
  ScopedCurrentPath(const ScopedCurrentPath&) = delete;
  ScopedCurrentPath& operator=(const ScopedCurrentPath&) = delete;
  ~ScopedCurrentPath();

private:
  std::filesystem::path previous_;
};

// Opens the program's log in a temporary folder and reads back what was written.
class LogCapture {
public:
  LogCapture();
  LogCapture(const LogCapture&) = delete;
  LogCapture& operator=(const LogCapture&) = delete;
  ~LogCapture();
  // Lines written after the banner.
  std::vector<std::string> lines() const;
  bool contains(std::string_view text) const;
  std::filesystem::path file() const { return dir_ / "Log.txt"; }

private:
  TempDir dir_;
};

std::string readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, std::string_view bytes);

} // namespace testing_support
