#pragma once
// The search of one scenery folder for BGL files with airports, and the workers that read
// them, one per file, no more at once than the shared worker counter allows.
#include "airports/addon_outputs.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Larger files are not read: no airport scenery comes near it, and eight workers must fit
// in memory at once.
inline constexpr std::uintmax_t bglMaxFileSize = std::uintmax_t{256} << 20;

// What one worker did with its file.
struct BglFileResult {
  std::vector<std::string> report; // its lines of the scan report
  std::string error;               // the error that ended it, empty when none
  bool problem = false;            // a damaged airport, a failed write, a file not read
};

struct FolderSearch {
  bool complete = true;      // not cut short by a stop
  std::int32_t files = 0;    // airport files handed to workers
  std::int32_t problems = 0; // files not processed without problems
};

// Reads the header and the section table only.
bool lf_hasAirportSection(const std::filesystem::path& path);
// The worker: reads the file and writes what its airports leave behind. Releases its
// worker slot on every way out.
BglFileResult lf_processBGLfile(const std::filesystem::path& path, std::int32_t folderRank, std::int32_t fileRank);
// Searches a folder and returns when every worker it started has ended.
FolderSearch lf_searchBGLfiles(const std::filesystem::path& folder, std::int32_t folderRank,
                               const std::filesystem::path& stockFolder);
