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

// "model..." and "texture..." folders beside an aircraft.cfg hold the livery's files.
bool lf_isLiveryFilesFolder(const std::string& name) {
  const auto upper = gf_toUpper(name);
  return upper.starts_with("MODEL") || upper.starts_with("TEXTURE");
}

[[maybe_unused]] std::string lf_text(std::string name) { return name; }
[[maybe_unused]] std::string lf_text(const std::wstring& name) { return gf_pathText(fs::path(name)); }

// The last name of a path as text, without making a path of it.
std::string lf_nameText(const fs::path& path) {
  const auto& native = path.native();
  auto start = native.size();
  while (start > 0 && native[start - 1] != '/' && native[start - 1] != fs::path::preferred_separator) --start;
  return lf_text(native.substr(start));
}

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
  std::string error; // why the file gave nothing, when it failed
};

// What a task found in its folders: the folders below them still to be walked, and the
// liveries of their aircraft.cfg and sim.cfg files.
struct FolderTaskResult {
  std::vector<fs::path> subfolders;
  std::vector<FileResult> files;
};

// The part of the walk a task does: lists folders, reads and cuts their files. Everything
// here runs on the task's thread; it shares nothing but the locked scan reports.
class FolderTask {
public:
  FolderTask(std::int32_t folderNumber, const fs::path& root, const std::vector<std::string>& passBy)
      : folderNumber_(folderNumber), root_(root), passBy_(passBy) {}

  FolderTaskResult operator()(const std::vector<fs::path>& folders) const {
    FolderTaskResult result;
    for (const auto& folder : folders) walkFolder(folder, result);
    return result;
  }

private:
  void walkFolder(const fs::path& folder, FolderTaskResult& result) const {
    auto listing = std::make_shared<FolderListing>();
    // Subfolders by name: most of them, the model and texture folders of an aircraft, are
    // never entered.
    std::vector<std::string> subfolders;
    std::vector<fs::path> cfgFiles;
    std::error_code error;
    fs::directory_iterator it(folder, error);
    // A folder that cannot be read is passed over; the rest of the walk goes on.
    for (const fs::directory_iterator end; !error && it != end; it.increment(error)) {
      try {
        auto name = lf_nameText(it->path());
        const auto kind = gf_entryKind(*it);
        listing->add(name, kind);
        if (kind == FolderListing::Kind::directory && !it->is_symlink())
          subfolders.push_back(std::move(name));
        else if (kind == FolderListing::Kind::regular && gf_isLiveryCfgName(name))
          cfgFiles.push_back(it->path());
      } catch (const std::exception& e) {
        gf_logWarning(fmt::format("liveries search in {} aborted, cause: {}", gf_pathText(it->path()), e.what()));
      }
    }
    if (error)
      gf_logWarning(fmt::format("liveries search in folder {} {} because of iterator problem: {}", gf_pathText(folder),
                                folder == root_ ? "aborted" : "skipped", error.message()));
    const auto folderText = gf_pathText(folder);
    for (const auto& name : subfolders) {
      if (!cfgFiles.empty() && lf_isLiveryFilesFolder(name)) continue;
      // The folder walked has no "airport" below the livery folder, so only the name can
      // bring one: a livery folder may itself lie in a folder whose name holds "airport".
      if (name.find("airport") != std::string::npos || folderText.size() + 1 + name.size() >= maxDescentPathLength)
        continue;
      auto subfolder = folder / gf_pathFromText(name);
      if (!passBy_.empty() && std::find(passBy_.begin(), passBy_.end(), gf_folderKey(subfolder)) != passBy_.end())
        continue;
      result.subfolders.push_back(std::move(subfolder));
    }
    for (const auto& file : cfgFiles) {
      // A file that fails loses its own liveries only; the walker reports it.
      FileResult found{gf_pathText(file), {}, {}};
      try {
        found.sections = gf_isIvaoLibraryFile(file) ? gf_searchIvaoLiveriesinFile(folderNumber_, file, listing)
                                                    : gf_searchLiveriesinFile(folderNumber_, file, listing);
      } catch (const std::exception& e) {
        found.error = e.what();
      }
      result.files.push_back(std::move(found));
    }
  }

  std::int32_t folderNumber_;
  fs::path root_;
  const std::vector<std::string>& passBy_;
};

struct PendingTask {
  std::future<FolderTaskResult> result;
};

// The walker hands the folders it knows of to the tasks, a few at a time, and learns the
// folders below them from the results: listing and reading run on all workers at once. One
// worker slot per task, no more tasks pending than workers, the oldest collected first.
class FolderWalk {
public:
  FolderWalk(std::int32_t folderNumber, const fs::path& root, const std::vector<std::string>& passBy)
      : task_(folderNumber, root, passBy), root_(root), pool_(maxWorkers.load()) {}

  void walk() {
    std::vector<fs::path> folders{root_};
    while (true) {
      stopped_ = stopped_ || gf_stopOrClosed();
      if (!folders.empty() && !stopped_) {
        // The oldest task is the likeliest to end first: waiting for it frees a slot at
        // once, where the slot counter is polled.
        if (lf_slotsTaken() && !pending_.empty()) {
          collectOldest(folders);
          continue;
        }
        gf_waitForWorkerSlot();
        // A stop that came while the walk waited starts nothing more.
        if (gf_stopOrClosed()) continue;
        start(lf_takeBatch(folders));
      } else if (!pending_.empty()) {
        collectOldest(folders, stopped_ || folders.empty() ? "outer" : "inner");
      } else {
        return;
      }
    }
  }

  // Titles go to the sections in the order of their files' paths, and within a file in
  // the order of its sections.
  void claimTitles() {
    std::sort(results_.begin(), results_.end(),
              [](const FileResult& a, const FileResult& b) { return a.pathText < b.pathText; });
    for (auto& result : results_)
      for (auto& section : result.sections) {
        if (gf_claimTitle(section.record.title))
          ScannedLiveryList.push_back(std::move(section.record));
        else
          gf_addIncompleteSectionLine(
              section.takenLine(gf_pathText(gf_aircraftFolderOf(gf_pathFromText(result.pathText)))));
      }
    results_.clear();
  }

private:
  static std::size_t lf_maxWorkers() { return static_cast<std::size_t>(std::max(1, maxWorkers.load())); }
  bool lf_slotsTaken() const {
    return pending_.size() >= lf_maxWorkers() || runningWorkers.load() >= std::max(1, maxWorkers.load());
  }

  // Enough folders to keep every worker busy for a while, few enough that the walk's
  // last folders still spread over the workers.
  static std::vector<fs::path> lf_takeBatch(std::vector<fs::path>& folders) {
    const auto size = std::clamp<std::size_t>(folders.size() / (lf_maxWorkers() * 4), 1, 32);
    std::vector<fs::path> batch(std::make_move_iterator(folders.end() - static_cast<std::ptrdiff_t>(size)),
                                std::make_move_iterator(folders.end()));
    folders.resize(folders.size() - size);
    return batch;
  }

  void start(std::vector<fs::path> folders) {
    auto task = std::make_shared<std::packaged_task<FolderTaskResult()>>([this, folders = std::move(folders)] {
      WorkerSlotRelease release;
      return task_(folders);
    });
    pending_.push_back({task->get_future()});
    ++runningWorkers;
    try {
      pool_.submit([task] { (*task)(); });
    } catch (...) {
      --runningWorkers;
      pending_.pop_back();
      throw;
    }
  }

  // `where`: "inner" while folders wait to be walked, "outer" once the walk only collects.
  void collectOldest(std::vector<fs::path>& folders, const char* where = "inner") {
    auto task = std::move(pending_.front());
    pending_.pop_front();
    try {
      auto result = task.result.get();
      for (auto& folder : result.subfolders) folders.push_back(std::move(folder));
      for (auto& file : result.files) {
        if (!file.error.empty())
          gf_logWarning(fmt::format("liveries search aborted, futs {}, {}", where, file.error));
        else
          results_.push_back(std::move(file));
      }
    } catch (const std::exception& e) {
      gf_logWarning(fmt::format("liveries search aborted, futs {}, {}", where, e.what()));
    }
  }

  FolderTask task_;
  fs::path root_;
  std::deque<PendingTask> pending_;
  std::vector<FileResult> results_;
  bool stopped_ = false;
  // Last: it is destroyed first, so its threads end before anything they use.
  FileTaskPool pool_;
};

template <typename Process>
std::vector<SectionLivery> lf_splitSections(const CfgLines& lines, bool anyBracketEnds, Process process) {
  std::vector<SectionLivery> sections;
  CfgLines buffer;
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

bool gf_isLiveryCfgName(std::string_view name) {
  const auto upper = gf_toUpper(name);
  return upper == "AIRCRAFT.CFG" || upper == "SIM.CFG";
}

bool gf_isLiveryCfgFile(const fs::path& file) { return gf_isLiveryCfgName(gf_pathText(file.filename())); }

bool gf_isIvaoLibraryFile(const fs::path& file) {
  const auto text = gf_pathText(file);
  return text.find("ivao_x-csl") != std::string::npos || text.find("IVAO_MTL") != std::string::npos;
}

void gf_searchLiveryFolder(std::int32_t folderNumber, const fs::path& folder, const std::vector<std::string>& passBy) {
  FolderWalk walk(folderNumber, folder, passBy);
  walk.walk();
  walk.claimTitles();
}

std::vector<SectionLivery> gf_splitFltSimSections(std::int32_t folderNumber, const CfgLines& lines,
                                                  const std::string& model, const fs::path& file,
                                                  AircraftFolder& aircraftFolder) {
  return lf_splitSections(lines, false, [&](CfgLines& section) {
    return gf_procesFltSimSection(folderNumber, section, model, file, aircraftFolder);
  });
}

std::vector<SectionLivery> gf_splitIvaoFltSimSections(std::int32_t folderNumber, const CfgLines& lines,
                                                      const std::string& model, const fs::path& file,
                                                      AircraftFolder& aircraftFolder) {
  return lf_splitSections(lines, true, [&](CfgLines& section) {
    return gf_procesIvaoFltSimSection(folderNumber, section, model, file, aircraftFolder);
  });
}

std::vector<SectionLivery> gf_searchLiveriesinFile(std::int32_t folderNumber, const fs::path& file,
                                                   std::shared_ptr<const FolderListing> listing) {
  try {
    auto cfg = gf_readCfgFile(file);
    if (cfg.status != CfgFile::Status::read) return {};
    if (!gf_checkFltsimNumbers(cfg.lines, file)) return {};
    const auto model = gf_modelFromAtcModel(cfg.lines, file);
    if (model.empty()) return {};
    AircraftFolder aircraftFolder(gf_aircraftFolderOf(file), std::move(listing));
    return gf_splitFltSimSections(folderNumber, cfg.lines, model, file, aircraftFolder);
  } catch (const std::exception& e) {
    gf_log(fmt::format("Exception in lf_searchLiveriesinFile {}: {}", gf_pathText(file), e.what()));
    throw;
  }
}

std::vector<SectionLivery> gf_searchIvaoLiveriesinFile(std::int32_t folderNumber, const fs::path& file,
                                                       std::shared_ptr<const FolderListing> listing) {
  const auto model = gf_ivaoModelFromPath(file);
  if (model.empty()) return {};
  auto cfg = gf_readCfgFile(file);
  if (cfg.status == CfgFile::Status::noEncoding)
    gf_logWarning(fmt::format("No character set found for {}", gf_pathText(file)));
  if (cfg.status != CfgFile::Status::read) return {};
  if (!gf_checkFltsimNumbers(cfg.lines, file)) return {};
  AircraftFolder aircraftFolder(gf_aircraftFolderOf(file), std::move(listing));
  return gf_splitIvaoFltSimSections(folderNumber, cfg.lines, model, file, aircraftFolder);
}
