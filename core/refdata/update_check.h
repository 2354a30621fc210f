#pragma once
// Once per process at start-up: fetch "versions.json" from the download base and fetch
// each data file whose published version is newer than the recorded one, or that is
// missing. Every failure is a warning; the program goes on with the files it has.
#include <functional>
#include <string>
#include <string_view>

// Where the check reads and records the data files' versions ("aig", "dbase").
struct DataVersionStore {
  std::function<std::string(std::string_view key)> recorded;
  // Sets the recorded version and saves it at once.
  std::function<void(std::string_view key, const std::string& version)> record;
};

// The versions kept in the settings.
DataVersionStore gf_settingsVersionStore();

void gf_checkDataVersions();
void gf_checkDataVersions(const DataVersionStore& versions);
