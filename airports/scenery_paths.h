#pragma once
// Paths of scenery folders as the simulator's configuration names them, and the one test
// of whether a path lies in the simulator's own (stock) scenery.
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// A path written in a configuration file: a backslash separates folders on every platform
// (natively only tests read such files).
std::filesystem::path gf_pathFromConfigText(std::string_view text);

// Whether `path` is `folder` or lies inside it, compared as Windows compares paths: made
// absolute and normal, component by component, ignoring letter case. An empty folder
// holds nothing.
bool gf_isInsideFolder(const std::filesystem::path& path, const std::filesystem::path& folder);

// The same test of many paths against one folder.
class InsideFolderTest {
public:
  explicit InsideFolderTest(const std::filesystem::path& folder);
  bool operator()(const std::filesystem::path& path) const;

private:
  std::vector<std::string> folder_;
};

// Whether a path lies in the simulator's own scenery folder.
bool lf_isStockScenery(const std::filesystem::path& path, const std::filesystem::path& stockFolder);

// ".BGL" or ".bgl", nothing else.
bool lf_isBGLextension(std::string_view extension);
