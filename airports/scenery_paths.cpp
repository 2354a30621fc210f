#include "airports/scenery_paths.h"

#include "core/files.h"

#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Components of a path, each folded to upper case (ASCII letters only, as the file system
// compares them), with "." and ".." resolved.
std::vector<std::string> lf_foldedComponents(const fs::path& path) {
  std::error_code error;
  fs::path full = fs::weakly_canonical(path, error);
  if (error) {
    error.clear();
    full = fs::absolute(path, error);
    if (error) full = path;
    full = full.lexically_normal();
  }
  std::vector<std::string> components;
  std::string current;
  const auto flush = [&] {
    if (current == "..") {
      if (!components.empty()) components.pop_back();
    } else if (!current.empty() && current != ".") {
      components.push_back(current);
    }
    current.clear();
  };
  for (const char c : gf_pathText(full)) {
    if (c == '/' || c == '\\') {
      flush();
      continue;
    }
    current += c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
  }
  flush();
  return components;
}

} // namespace

fs::path gf_pathFromConfigText(std::string_view text) {
  std::string normal(text);
  if constexpr (fs::path::preferred_separator == '/') {
    for (auto& c : normal)
      if (c == '\\') c = '/';
  }
  return gf_pathFromText(normal);
}

InsideFolderTest::InsideFolderTest(const fs::path& folder) {
  if (!folder.empty()) folder_ = lf_foldedComponents(folder);
}

bool InsideFolderTest::operator()(const fs::path& path) const {
  if (folder_.empty() || path.empty()) return false;
  const auto inner = lf_foldedComponents(path);
  if (folder_.size() > inner.size()) return false;
  for (std::size_t i = 0; i < folder_.size(); ++i)
    if (inner[i] != folder_[i]) return false;
  return true;
}

bool gf_isInsideFolder(const fs::path& path, const fs::path& folder) { return InsideFolderTest(folder)(path); }

bool lf_isStockScenery(const fs::path& path, const fs::path& stockFolder) {
  return gf_isInsideFolder(path, stockFolder);
}

bool lf_isBGLextension(std::string_view extension) { return extension == ".BGL" || extension == ".bgl"; }
