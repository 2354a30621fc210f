#include "liveries/folder_walk.h"

#include "core/files.h"
#include "core/log.h"
#include "core/shell/run_state.h"
#include "core/text.h"
#include "core/workers.h"
#include "liveries/cfg_file.h"
#include "liveries/cfg_lines.h"
#include "liveries/record_fixes.h"
#include "liveries/scan_reports.h"
#include "liveries/scanned_liveries.h"

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <fmt/format.h>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <thread>

namespace fs = std::filesystem;

namespace {

// Paths this long are not descended into: their files could not be opened by the simulator.
constexpr std::size_t maxDescentPathLength = 250;

// The threads the file tasks run on; it finishes every task handed to it before it ends.
class FileTaskPool {
public:
  explicit FileTaskPool(std::int32_t threads) {
    threads_.reserve(static_cast<std::size_t>(std::max(1, threads)));
    for (std::int32_t i = 0; i < std::max(1, threads); ++i) threads_.emplace_back([this] { run(); });
  }
  FileTaskPool(const FileTaskPool&) = delete;
  FileTaskPool& operator=(const FileTaskPool&) = delete;
  ~FileTaskPool() {
    {
      std::lock_guard lock(mutex_);
      closing_ = true;
    }
    ready_.notify_all();
    for (auto& thread : threads_) thread.join();
  }

  void submit(std::function<void()> task) {
    {
      std::lock_guard lock(mutex_);
      tasks_.push_back(std::move(task));
    }
    ready_.notify_one();
  }

private:
  void run() {
    while (true) {
      std::function<void()> task;
      {
        std::unique_lock lock(mutex_);
        ready_.wait(lock, [this] { return closing_ || !tasks_.empty(); });
        if (tasks_.empty()) return;
        task = std::move(tasks_.front());
        tasks_.pop_front();
      }
      task();
    }
  }

  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::function<void()>> tasks_;
  bool closing_ = false;
  std::vector<std::thread> threads_;
};

// A task gives its worker slot back on every road out.
struct WorkerSlotRelease {
  WorkerSlotRelease() = default;
  WorkerSlotRelease(const WorkerSlotRelease&) = delete;
  WorkerSlotRelease& operator=(const WorkerSlotRelease&) = delete;
  ~WorkerSlotRelease() { gf_releaseWorker(); }
};

struct FileResult {
  std::string pathText;
  std::vector<SectionLivery> sections;
};

struct PendingTask {
  std::string pathText;
  std::future<std::vector<SectionLivery>> result;
};

class FolderWalk {
public:
  FolderWalk(std::int32_t folderNumber, const fs::path& root)
      : folderNumber_(folderNumber), root_(root), rootText_(gf_pathText(root)), pool_(maxWorkers.load()) {}

  void walk() {
    std::vector<fs::path> folders{root_};
    while (!folders.empty() && !stopped_) {
      const auto folder = std::move(folders.back());
      folders.pop_back();
      walkFolder(folder, folders);
    }
    while (!pending_.empty()) collectOldest("outer");
  }

  // Titles go to the sections in the order of their files' paths, and within a file in
  // the order of its sections.
  void claimTitles() {
    std::sort(results_.begin(), results_.end(),
              [](const FileResult& a, const FileResult& b) { return a.pathText < b.pathText; });
    for (auto& result : results_)
      for (auto& section : result.sections) {
        const auto& r = section.record;
        auto livery = gf_makeLiveryData(r.folder, r.airl, r.type, !r.cargo, r.title, r.atcid);
        if (livery.title.empty())
          gf_addIncompleteSectionLine(std::move(section.takenLine));
        else
          ScannedLiveryList.push_back(std::move(livery));
      }
    results_.clear();
  }

private:
  void walkFolder(const fs::path& folder, std::vector<fs::path>& folders) {
    std::error_code error;
    fs::directory_iterator it(folder, error);
    // A folder that cannot be read is passed over; the rest of the walk goes on.
    for (const fs::directory_iterator end; !error && it != end; it.increment(error)) {
      if (gf_stopOrClosed()) {
        stopped_ = true;
        return;
      }
      try {
        examine(*it, folders);
      } catch (const std::exception& e) {
        gf_logWarning(fmt::format("liveries search in {} aborted, cause: {}", gf_pathText(it->path()), e.what()));
      }
    }
    if (error)
      gf_logWarning(fmt::format("liveries search in folder {} {} because of iterator problem: {}", gf_pathText(folder),
                                folder == root_ ? "aborted" : "skipped", error.message()));
  }

  void examine(const fs::directory_entry& entry, std::vector<fs::path>& folders) {
    const auto text = gf_pathText(entry.path());
    // Only the part below the livery folder decides: a livery folder may itself lie in a
    // folder whose name holds "airport".
    const auto below = std::string_view(text).substr(std::min(text.size(), rootText_.size()));
    const bool descend = below.find("airport") == std::string_view::npos && text.size() < maxDescentPathLength;
    if (descend && entry.is_directory() && !entry.is_symlink()) folders.push_back(entry.path());
    if (!entry.is_regular_file() || !gf_isLiveryCfgFile(entry.path())) return;
    start(entry.path(), text);
  }

  void start(const fs::path& file, const std::string& text) {
    gf_waitForWorkerSlot();
    auto task = std::make_shared<std::packaged_task<std::vector<SectionLivery>()>>(
        [folderNumber = folderNumber_, file, ivao = gf_isIvaoLibraryFile(file)] {
          WorkerSlotRelease release;
          return ivao ? gf_searchIvaoLiveriesinFile(folderNumber, file) : gf_searchLiveriesinFile(folderNumber, file);
        });
    pending_.push_back({text, task->get_future()});
    ++runningWorkers;
    try {
      pool_.submit([task] { (*task)(); });
    } catch (...) {
      --runningWorkers;
      pending_.pop_back();
      throw;
    }
    if (pending_.size() > static_cast<std::size_t>(std::max(1, maxWorkers.load()))) collectOldest("inner");
  }

  void collectOldest(const char* where) {
    auto task = std::move(pending_.front());
    pending_.pop_front();
    try {
      results_.push_back({std::move(task.pathText), task.result.get()});
    } catch (const std::exception& e) {
      gf_logWarning(fmt::format("liveries search aborted, futs {}, {}", where, e.what()));
    }
  }

  std::int32_t folderNumber_;
  fs::path root_;
  std::string rootText_;
  std::deque<PendingTask> pending_;
  std::vector<FileResult> results_;
  bool stopped_ = false;
  // Last: it is destroyed first, so its threads end before anything they use.
  FileTaskPool pool_;
};

template <typename Process>
std::vector<SectionLivery> lf_splitSections(const std::vector<std::string>& lines, bool anyBracketEnds,
                                            Process process) {
  std::vector<SectionLivery> sections;
  std::vector<std::string> buffer;
  buffer.reserve(48);
  bool inside = false;
  auto flush = [&] {
    if (auto section = process(buffer)) sections.push_back(std::move(*section));
    buffer.clear();
  };
  for (const auto& line : lines) {
    if (!gf_fltsimSectionNumber(line).empty()) {
      if (!buffer.empty()) flush();
      inside = true;
      buffer.push_back(line);
      continue;
    }
    const auto bracket = line.find('[');
    if (bracket != std::string::npos && (anyBracketEnds || bracket < 6)) {
      if (inside && !buffer.empty()) flush();
      buffer.clear();
      inside = false;
    } else if (inside) {
      buffer.push_back(line);
    }
  }
  if (inside && !buffer.empty()) flush();
  return sections;
}

} // namespace

bool gf_isLiveryCfgFile(const fs::path& file) {
  if (gf_toUpper(gf_pathText(file.extension())) != ".CFG") return false;
  const auto stem = gf_toUpper(gf_pathText(file.stem()));
  return stem == "AIRCRAFT" || stem == "SIM";
}

bool gf_isIvaoLibraryFile(const fs::path& file) {
  const auto text = gf_pathText(file);
  return text.find("ivao_x-csl") != std::string::npos || text.find("IVAO_MTL") != std::string::npos;
}

void gf_searchLiveryFolder(std::int32_t folderNumber, const fs::path& folder) {
  FolderWalk walk(folderNumber, folder);
  walk.walk();
  walk.claimTitles();
}

std::vector<SectionLivery> gf_splitFltSimSections(std::int32_t folderNumber, const std::vector<std::string>& lines,
                                                  const std::string& model, const fs::path& file,
                                                  AircraftFolder& aircraftFolder) {
  return lf_splitSections(lines, false, [&](std::vector<std::string>& section) {
    return gf_procesFltSimSection(folderNumber, section, model, file, aircraftFolder);
  });
}

std::vector<SectionLivery> gf_splitIvaoFltSimSections(std::int32_t folderNumber, const std::vector<std::string>& lines,
                                                      const std::string& model, const fs::path& file,
                                                      AircraftFolder& aircraftFolder) {
  return lf_splitSections(lines, true, [&](std::vector<std::string>& section) {
    return gf_procesIvaoFltSimSection(folderNumber, section, model, file, aircraftFolder);
  });
}

std::vector<SectionLivery> gf_searchLiveriesinFile(std::int32_t folderNumber, const fs::path& file) {
  try {
    auto cfg = gf_readCfgFile(file);
    if (cfg.status != CfgFile::Status::read) return {};
    if (!gf_checkFltsimNumbers(cfg.lines, file)) return {};
    const auto model = gf_modelFromAtcModel(cfg.lines, file);
    if (model.empty()) return {};
    AircraftFolder aircraftFolder(gf_aircraftFolderOf(file));
    return gf_splitFltSimSections(folderNumber, cfg.lines, model, file, aircraftFolder);
  } catch (const std::exception& e) {
    gf_log(fmt::format("Exception in lf_searchLiveriesinFile {}: {}", gf_pathText(file), e.what()));
    throw;
  }
}

std::vector<SectionLivery> gf_searchIvaoLiveriesinFile(std::int32_t folderNumber, const fs::path& file) {
  const auto model = gf_ivaoModelFromPath(file);
  if (model.empty()) return {};
  auto cfg = gf_readCfgFile(file);
  if (cfg.status == CfgFile::Status::noEncoding)
    gf_logWarning(fmt::format("No character set found for {}", gf_pathText(file)));
  if (cfg.status != CfgFile::Status::read) return {};
  if (!gf_checkFltsimNumbers(cfg.lines, file)) return {};
  AircraftFolder aircraftFolder(gf_aircraftFolderOf(file));
  return gf_splitIvaoFltSimSections(folderNumber, cfg.lines, model, file, aircraftFolder);
}
