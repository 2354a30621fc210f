#pragma once
// The walk of one livery folder: its folders are listed, and every aircraft.cfg or sim.cfg in
// them read and cut into [fltsim.N] sections, by tasks that run as many at once as the scans'
// worker counter allows; each task takes a few folders and gives back the folders below them.
// The walker waits for every task it started, then claims the titles of all files in the
// order of their paths, so the result is the same whatever the number of workers and
// whatever order the file system lists its entries in.
//
// The model and texture folders of an aircraft folder (one that holds an aircraft.cfg or
// sim.cfg) are not entered: they hold the livery's files, thousands of folders in a large
// installation, and no aircraft of their own.
#include "liveries/fltsim_section.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// aircraft.cfg or sim.cfg in any letter case.
bool gf_isLiveryCfgFile(const std::filesystem::path& file);
bool gf_isLiveryCfgName(std::string_view name);
// Files of the IVAO model libraries follow other rules.
bool gf_isIvaoLibraryFile(const std::filesystem::path& file);

// Worker thread. Merges the folder's liveries into ScannedLiveryList. Starts no further task
// once a stop is requested. The folders of `passBy` (keys of gf_folderKey) are not entered.
void gf_searchLiveryFolder(std::int32_t folderNumber, const std::filesystem::path& folder,
                           const std::vector<std::string>& passBy = {});

// The file tasks; they report what they reject and return the file's complete sections.
// `listing`: the file's folder as the walk listed it; without one the task lists it.
std::vector<SectionLivery> gf_searchLiveriesinFile(std::int32_t folderNumber, const std::filesystem::path& file,
                                                   std::shared_ptr<const FolderListing> listing = nullptr);
std::vector<SectionLivery> gf_searchIvaoLiveriesinFile(std::int32_t folderNumber, const std::filesystem::path& file,
                                                       std::shared_ptr<const FolderListing> listing = nullptr);
std::vector<SectionLivery> gf_splitFltSimSections(std::int32_t folderNumber, const CfgLines& lines,
                                                  const std::string& model, const std::filesystem::path& file,
                                                  AircraftFolder& aircraftFolder);
std::vector<SectionLivery> gf_splitIvaoFltSimSections(std::int32_t folderNumber, const CfgLines& lines,
                                                      const std::string& model, const std::filesystem::path& file,
                                                      AircraftFolder& aircraftFolder);
