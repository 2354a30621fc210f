#pragma once
// Stand files of the program's online archive. Archive names have the forms
// "archive/stock/ICAO.xml", "archive/simaddon/ICAO.xml" and
// "archive/thirdparty/PUBLISHER/ICAO.xml" (blanks of the publisher as "%20") below the
// download base. These downloads run on the worker thread, which also runs the traffic:
// they give up after a few seconds, and each archive file is fetched once for a while, so
// that asking whether an airport has a file, comparing its stands and reading it cost one
// download, not one each.
#include <filesystem>
#include <string>
#include <string_view>

inline constexpr std::string_view archivePrefix = "archive/";

// Whether a stand file name is an archive name (by its prefix), not a local path.
bool gf_isArchiveName(std::string_view name);

// Downloads the download base of the airport files followed by the archive name into the
// target, in text mode. An error text ("failed to download: '{}'" with the URL, also logged),
// empty on success; a failed download leaves no file at the target.
std::string gf_downloadAirportFile(const std::string& archiveName, const std::filesystem::path& target);

struct ArchiveFetch {
  std::filesystem::path localCopy; // empty when the fetch failed
  std::string error;               // empty on success
  bool ok() const { return error.empty(); }
};
// The archive file as a local copy in airports/downloaded, downloaded unless it was
// fetched (or failed) in the last ten minutes.
ArchiveFetch gf_fetchArchiveFile(const std::string& archiveName);
// Forgets every fetch, so the next one downloads again (tests).
void gf_forgetArchiveFetches();

// Whether the archive holds a stock file for the airport.
bool gf_probeStockAirportFile(std::string_view code);
std::string gf_stockArchiveName(std::string_view code);
