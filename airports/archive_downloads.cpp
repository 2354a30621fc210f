#include "airports/archive_downloads.h"

#include "core/files.h"
#include "core/log.h"
#include "core/refdata/downloader.h"
#include "core/settings/file_names.h"

#include <chrono>
#include <fmt/format.h>
#include <map>
#include <mutex>

namespace fs = std::filesystem;

namespace {

// A stand file is small and the archive answers at once or not at all.
constexpr DownloadLimits airportFileLimits{4, 4, 3, 15};
// How long a fetch, or a failed one, stands for the archive's answer.
constexpr auto fetchLifetime = std::chrono::minutes(10);

struct FetchRecord {
  ArchiveFetch fetch;
  std::chrono::steady_clock::time_point when;
};

std::mutex fetchMutex;
std::map<std::string, FetchRecord> fetches;

// "archive/thirdparty/A%20B/EHAM.xml" keeps its copy as "thirdparty_A B_EHAM.xml".
fs::path lf_copyPath(std::string_view archiveName) {
  std::string name(archiveName.substr(archivePrefix.size()));
  for (auto& c : name)
    if (c == '/' || c == '\\' || c == ':' || c == '%') c = '_';
  return airportsFolder / "downloaded" / gf_pathFromText(name);
}

} // namespace

bool gf_isArchiveName(std::string_view name) { return name.starts_with(archivePrefix); }

std::string gf_downloadAirportFile(const std::string& archiveName, const fs::path& target) {
  const auto url = gf_downloadBaseUrl() + archiveName;
  Downloader downloader(airportFileLimits);
  if (downloader.download(url, target, false)) return {};
  auto error = fmt::format("failed to download: '{}'", url);
  gf_log(error);
  return error;
}

ArchiveFetch gf_fetchArchiveFile(const std::string& archiveName) {
  std::lock_guard lock(fetchMutex);
  const auto now = std::chrono::steady_clock::now();
  if (const auto found = fetches.find(archiveName);
      found != fetches.end() && now - found->second.when < fetchLifetime) {
    const auto& fetch = found->second.fetch;
    // A copy removed meanwhile is fetched anew.
    std::error_code error;
    if (!fetch.ok() || fs::exists(fetch.localCopy, error)) return fetch;
  }
  ArchiveFetch fetch;
  const auto copy = lf_copyPath(archiveName);
  std::error_code error;
  fs::create_directories(copy.parent_path(), error);
  if (error) {
    fetch.error = fmt::format("could not create '{}': {}", gf_pathText(copy.parent_path()), error.message());
    gf_log(fetch.error);
  } else {
    fetch.error = gf_downloadAirportFile(archiveName, copy);
    if (fetch.ok()) fetch.localCopy = copy;
  }
  fetches.insert_or_assign(archiveName, FetchRecord{fetch, now});
  return fetch;
}

void gf_forgetArchiveFetches() {
  std::lock_guard lock(fetchMutex);
  fetches.clear();
}

std::string gf_stockArchiveName(std::string_view code) { return fmt::format("{}stock/{}.xml", archivePrefix, code); }

bool gf_probeStockAirportFile(std::string_view code) { return gf_fetchArchiveFile(gf_stockArchiveName(code)).ok(); }
