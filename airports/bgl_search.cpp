#include "airports/bgl_search.h"

#include "airports/bgl_scan_report.h"
#include "airports/scenery_paths.h"
#include "core/files.h"
#include "core/log.h"
#include "core/shell/run_state.h"
#include "core/workers.h"

#include <algorithm>
#include <array>
#include <deque>
#include <fmt/format.h>
#include <fstream>
#include <future>
#include <thread>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view warning = "===> ";
// Section entries read at once by the file filter.
constexpr std::size_t entriesPerRead = 512;

// The worker's slot goes back on every way out of the worker.
class WorkerSlotRelease {
public:
  WorkerSlotRelease() = default;
  WorkerSlotRelease(const WorkerSlotRelease&) = delete;
  WorkerSlotRelease& operator=(const WorkerSlotRelease&) = delete;
  ~WorkerSlotRelease() { gf_releaseWorker(); }
};

// Statics and heliport libraries hold no airports worth a stand file. Only the part of the
// path below the searched folder counts, so a folder of the user's named so is still read.
bool lf_isStaticsPath(const fs::path& path, const fs::path& folder) {
  const auto below = gf_pathText(path.lexically_relative(folder));
  return below.find("statics") != std::string::npos || below.find("_heliports") != std::string::npos;
}

// The scenery files of the folder, in path order: the order of the workers' report lines
// and of the airports' ranks. The file filter comes later, while the workers read. Returns
// false when a stop cut it short.
bool lf_findSceneryFiles(const fs::path& folder, const fs::path& stockFolder, std::vector<fs::path>& files) {
  const auto folderText = gf_pathText(folder);
  const InsideFolderTest isStock(stockFolder);
  std::error_code error;
  fs::recursive_directory_iterator entries(folder, error);
  const fs::recursive_directory_iterator end;
  for (; !error && entries != end; entries.increment(error)) {
    if (gf_stopOrClosed()) return false;
    try {
      const auto& entry = *entries;
      // The type the folder listing gave serves; only a link is followed to what it names.
      std::error_code statusError;
      if (entry.is_directory(statusError)) {
        if (isStock(entry.path())) {
          entries.disable_recursion_pending();
          continue;
        }
        // The iterator gives up on the first folder it cannot open; pass that one by instead.
        std::error_code openError;
        fs::directory_iterator probe(entry.path(), openError);
        if (openError) {
          entries.disable_recursion_pending();
          gf_addScanReportLine(fmt::format("{}airports search cannot read folder {}: {}", warning,
                                           gf_pathText(entry.path()), openError.message()));
        }
        continue;
      }
      if (statusError) throw fs::filesystem_error("status", entry.path(), statusError);
      const bool regular = entry.is_regular_file(statusError);
      if (statusError) throw fs::filesystem_error("status", entry.path(), statusError);
      if (!regular) continue;
      const auto& path = entry.path();
      if (!lf_isBGLextension(gf_pathText(path.extension()))) continue;
      if (lf_isStaticsPath(path, folder)) continue;
      files.push_back(path);
    } catch (const std::exception& e) {
      gf_addScanReportLine(
          fmt::format("{} airports search in folder {} aborted, cause: {}", warning, folderText, e.what()));
    }
  }
  if (error)
    gf_addScanReportLine(fmt::format("{} airports search in folder {} aborted because of iterator problem: {}", warning,
                                     folderText, error.message()));
  std::vector<std::pair<std::string, fs::path>> byText;
  byText.reserve(files.size());
  for (auto& file : files) byText.emplace_back(gf_pathText(file), std::move(file));
  std::sort(byText.begin(), byText.end());
  files.clear();
  for (auto& [text, file] : byText) files.push_back(std::move(file));
  return true;
}

struct PendingFile {
  std::future<BglFileResult> result;
  std::jthread thread;
  std::string path;
};

// Takes the oldest worker's result into the report, in the order the workers started:
// while files are still handed out, or at the end of the folder's search.
void lf_collectOldest(std::deque<PendingFile>& pending, FolderSearch& search, bool atEnd,
                      const std::string& folderText) {
  auto& oldest = pending.front();
  BglFileResult result;
  try {
    result = oldest.result.get();
  } catch (const std::exception& e) {
    result.error = e.what();
    result.problem = true;
  }
  oldest.thread.join();
  gf_addScanReportLines(result.report);
  if (!result.error.empty()) {
    gf_logWarning(fmt::format("Exception in lf_processBGLfile: {}", oldest.path));
    // The line names the file whose worker failed, not the one started last.
    if (!atEnd)
      gf_addScanReportLine(fmt::format("{} airports search aborted, futs inner, \n{}\n{}\n{}", warning, result.error,
                                       pending.size(), oldest.path));
    else
      gf_addScanReportLine(
          fmt::format("{} airports search in {} aborted, futs outer error: {}", warning, folderText, result.error));
  }
  if (result.problem) ++search.problems;
  pending.pop_front();
}

} // namespace

bool lf_hasAirportSection(const fs::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  std::error_code error;
  const auto size = fs::file_size(path, error);
  if (error) return false;
  std::array<std::uint8_t, bglHeaderSize> header{};
  if (!file.read(reinterpret_cast<char*>(header.data()), header.size())) return false;
  std::uint64_t count = gf_bglSectionCount(header, size);
  std::vector<std::uint8_t> entries;
  while (count > 0) {
    const auto now = std::min<std::uint64_t>(count, entriesPerRead);
    entries.resize(now * bglSectionEntrySize);
    if (!file.read(reinterpret_cast<char*>(entries.data()), static_cast<std::streamsize>(entries.size()))) return false;
    if (gf_bglEntriesHaveAirportSection(entries)) return true;
    count -= now;
  }
  return false;
}

BglFileResult lf_processBGLfile(const fs::path& path, std::int32_t folderRank, std::int32_t fileRank) {
  const WorkerSlotRelease release;
  BglFileResult result;
  const auto pathText = gf_pathText(path);
  try {
    const ScanReportCapture capture(result.report);
    std::ifstream file(path, std::ios::binary);
    std::error_code error;
    const auto size = fs::file_size(path, error);
    if (!file || error) {
      gf_addScanReportLine(fmt::format("{}{} could not be read", warning, pathText));
      result.problem = true;
      return result;
    }
    if (size > bglMaxFileSize) {
      gf_addScanReportLine(fmt::format("{}{} not read: {} bytes, more than the {} that a scenery file is read with",
                                       warning, pathText, size, bglMaxFileSize));
      result.problem = true;
      return result;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    file.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    // A file that shrank meanwhile is read as far as it goes.
    bytes.resize(static_cast<std::size_t>(file.gcount()));
    auto found = gf_readBglAirports(bytes, pathText);
    gf_addScanReportLines(found.report);
    if (found.damaged > 0) result.problem = true;
    for (std::size_t i = 0; i < found.airports.size(); ++i) {
      const SceneryRank rank{folderRank, fileRank, static_cast<std::int32_t>(i)};
      if (!lf_processAirportRecord(std::move(found.airports[i]), pathText, rank)) result.problem = true;
    }
  } catch (const std::exception& e) {
    result.error = e.what();
    result.problem = true;
  }
  return result;
}

FolderSearch lf_searchBGLfiles(const fs::path& folder, std::int32_t folderRank, const fs::path& stockFolder) {
  const auto folderText = gf_pathText(folder);
  gf_addScanReportLine(fmt::format("Scanning for addon airports in {}", folderText));
  FolderSearch search;
  std::vector<fs::path> files;
  search.complete = lf_findSceneryFiles(folder, stockFolder, files);
  std::deque<PendingFile> pending;
  for (std::size_t i = 0; search.complete && i < files.size(); ++i) {
    if (gf_stopOrClosed()) {
      search.complete = false;
      break;
    }
    try {
      if (!lf_hasAirportSection(files[i])) continue;
      gf_waitForWorkerSlot();
      const auto fileRank = static_cast<std::int32_t>(i);
      std::packaged_task<BglFileResult()> task(
          [path = files[i], folderRank, fileRank] { return lf_processBGLfile(path, folderRank, fileRank); });
      auto result = task.get_future();
      std::jthread thread(std::move(task));
      ++runningWorkers;
      pending.push_back({std::move(result), std::move(thread), gf_pathText(files[i])});
      ++search.files;
    } catch (const std::exception& e) {
      gf_addScanReportLine(
          fmt::format("{} airports search in folder {} aborted, cause: {}", warning, folderText, e.what()));
      ++search.problems;
    }
    if (pending.size() > static_cast<std::size_t>(std::max(1, maxWorkers.load())))
      lf_collectOldest(pending, search, false, folderText);
  }
  while (!pending.empty()) lf_collectOldest(pending, search, true, folderText);
  return search;
}
