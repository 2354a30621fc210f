#pragma once
// The rules between a section of an aircraft.cfg file and a LiveryData record: the model
// code of a file, settled and fixed from the reference data; each title once per scan; the
// titles the registration-code files forbid; and after the scan the airline, model and
// cargo flag of liveries whose registration the reference data knows.
#include "liveries/cfg_lines.h"
#include "liveries/scanned_liveries.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

// The model code of a file of the IVAO_MTL library, from its folder IVAO_<code>; empty
// when none can be settled.
std::string gf_ivaoModelFromPath(const std::filesystem::path& file);
// The model code of an ordinary file, from its first atc_model= line; empty when none can
// be settled.
std::string gf_modelFromAtcModel(const CfgLines& lines, const std::filesystem::path& file);
// A known code as it is, a wrong code as the reference data fixes it, else empty (reported).
std::string gf_settleModelCode(const std::string& code, const std::filesystem::path& file);

// True when the title is new in this scan, which takes it.
bool gf_claimTitle(const std::string& title);
// The record when the title is new in this scan, else an empty record (all texts empty).
LiveryData gf_makeLiveryData(std::int32_t folder, const std::string& airl, const std::string& type, bool passenger,
                             const std::string& title, const std::string& atcid);

bool gf_isDontUseTitle(std::string_view title);
// Fills DontUseTitles from the registration-code files before a scan; never throws.
void gf_loadDontUseTitles();
// Worker thread, after the walk: liveries whose registration the reference data knows take
// its airline (its operator first), model and cargo flag.
void gf_applyRegistrationData();
