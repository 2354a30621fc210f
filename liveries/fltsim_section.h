#pragma once
// One [fltsim.N] section of an aircraft.cfg or sim.cfg file becomes one livery, or is
// rejected, mostly with a line in the report of incomplete sections. A section counts only
// when its model folder, texture folder and air file exist, its title is usable and an
// airline can be settled. Two variants: ordinary files take the airline from
// atc_parking_codes (else from the registration, else "PVT"); files of the IVAO_MTL library
// take it from the title, after the model code.
#include "liveries/cfg_lines.h"
#include "liveries/scanned_liveries.h"
#include "liveries/windows_names.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// The simulator creates no aircraft whose title is longer.
inline constexpr std::size_t maxTitleBytes = 255;

// A complete section whose title is still to be claimed: the folder walk claims the titles
// of all files in a fixed order, so that which of two sections keeps a title does not
// depend on which file task ran first.
struct SectionLivery {
  LiveryData record;
  std::string header; // the section's [fltsim.N] line
  bool ivao = false;  // of the IVAO variant, whose report lines read otherwise

  // The report line when an earlier section has the title; `folderText` is the aircraft
  // folder's path as text.
  std::string takenLine(std::string_view folderText) const;
};

// The folder of one aircraft.cfg: its text for the reports and its entries, as the folder
// walk listed them or else listed once, by the first section that asks for one.
class AircraftFolder {
public:
  explicit AircraftFolder(std::filesystem::path folder, std::shared_ptr<const FolderListing> listing = nullptr);
  const std::filesystem::path& path() const { return path_; }
  const std::string& text() const { return text_; }
  FolderListing::Kind kindOf(std::string_view name);

private:
  std::filesystem::path path_;
  std::string text_;
  std::shared_ptr<const FolderListing> listing_;
};

// `lines`: the header first; trailing empty and commented lines are dropped from it.
std::optional<SectionLivery> gf_procesFltSimSection(std::int32_t folder, CfgLines& lines, const std::string& model,
                                                    const std::filesystem::path& file, AircraftFolder& aircraftFolder);
std::optional<SectionLivery> gf_procesIvaoFltSimSection(std::int32_t folder, CfgLines& lines, const std::string& model,
                                                        const std::filesystem::path& file,
                                                        AircraftFolder& aircraftFolder);
