#include "liveries/fltsim_section.h"

#include "core/files.h"
#include "core/log.h"
#include "core/refdata/lookups.h"
#include "core/text.h"
#include "liveries/cfg_lines.h"
#include "liveries/record_fixes.h"
#include "liveries/scan_reports.h"

#include <algorithm>
#include <fmt/format.h>

namespace fs = std::filesystem;

namespace {

enum class Variant { general, ivao };
enum class LineScan { complete, rejected, dropped };

// The keys of one section, each from its first usable line.
struct SectionKeys {
  std::string title;
  std::string airline; // general variant only
  std::string parkingTypes;
  std::string registration;
  std::string modelSuffix;
  std::string simName;
  std::string textureSuffix;
};

class Section {
public:
  Section(Variant variant, CfgLines& lines, const fs::path& file, AircraftFolder& folder)
      : variant_(variant), lines_(lines), file_(file), folder_(folder) {
    while (lines_.size() > 1 && (lines_.back().empty() || lines_.back().starts_with("//"))) lines_.pop_back();
  }

  std::string_view header() const { return lines_.front(); }
  void report(std::string line) const { gf_addIncompleteSectionLine(std::move(line)); }
  void reportKey(std::string_view what) const {
    report(fmt::format("{} {} has more than one {} key", folder_.text(), header(), what));
  }

  LineScan scan(SectionKeys& keys) const {
    std::string value;
    for (const auto& line : lines_) {
      // A commented-out key is no key, wherever it stands.
      if (gf_isCommentLine(line)) continue;
      if (gf_matchTitle(line, value)) {
        if (!keys.title.empty()) {
          reportKey("title");
          return LineScan::rejected;
        }
        keys.title = value;
        continue;
      }
      if (variant_ == Variant::general) {
        if (keys.airline.empty()) {
          if (gf_matchAtcParkingCode(line, value)) {
            if (!takeAirline(value, keys.airline)) return LineScan::dropped;
            continue;
          }
        } else if (line.find("atc_parking_codes") != std::string::npos) {
          reportKey("atc_parking_codes");
          return LineScan::rejected;
        }
      }
      if (keys.parkingTypes.empty()) {
        if (gf_matchAtcParkingTypes(line, value)) {
          gf_normalizeCommaList(value);
          keys.parkingTypes = gf_toUpper(value);
          continue;
        }
      } else if (gf_hasAtcParkingTypesKey(line)) {
        reportKey("atc_parking_types");
        return LineScan::rejected;
      }
      if (keys.registration.empty()) {
        if (gf_matchAtcId(line, value)) {
          takeRegistration(value, keys);
          continue;
        }
      } else if (gf_hasAtcIdKey(line)) {
        report(fmt::format("{}, {}, has more than one atc_id key", folder_.text(), header()));
        return LineScan::rejected;
      }
      if (keys.modelSuffix.empty() && gf_matchModel(line, keys.modelSuffix)) continue;
      if (keys.simName.empty() && gf_matchSim(line, keys.simName)) continue;
      if (keys.textureSuffix.empty()) gf_matchTexture(line, keys.textureSuffix);
    }
    return LineScan::complete;
  }

  // The names of the section's files must stay inside the aircraft folder: a sim= of
  // "\\host\share\x" would send status queries into the network.
  bool namesInsideFolder(const SectionKeys& keys) const {
    for (const auto& [key, value] : {std::pair<const char*, const std::string&>{"model", keys.modelSuffix},
                                     {"texture", keys.textureSuffix},
                                     {"sim", keys.simName}})
      if (!gf_isInsideFolderName(value)) {
        report(
            fmt::format("{} {} {}={} names nothing inside the aircraft folder", folder_.text(), header(), key, value));
        return false;
      }
    return true;
  }

  std::string modelFolder(const SectionKeys& keys) const { return "model." + keys.modelSuffix; }
  std::string textureFolder(const SectionKeys& keys) const { return "texture." + keys.textureSuffix; }
  std::string airFile(const SectionKeys& keys) const { return keys.simName + ".air"; }
  std::string pathText(const std::string& name) const { return gf_pathText(folder_.path() / gf_configPath(name)); }
  bool isDirectory(const std::string& name) const { return folder_.kindOf(name) == FolderListing::Kind::directory; }
  bool isFile(const std::string& name) const { return folder_.kindOf(name) == FolderListing::Kind::regular; }

  bool titleUsable(const std::string& title, const char* missing) const {
    if (title.empty()) {
      report(fmt::format("{} {} {}", folder_.text(), header(), missing));
      return false;
    }
    if (gf_isDontUseTitle(title)) return false;
    if (title.size() > maxTitleBytes) {
      report(fmt::format("{} {} title of {} bytes, longer than the simulator takes: '{}'", folder_.text(), header(),
                         title.size(), title));
      return false;
    }
    return true;
  }

  const AircraftFolder& folder() const { return folder_; }
  const fs::path& file() const { return file_; }

private:
  // False when the section is to be dropped without a word.
  bool takeAirline(std::string code, std::string& airline) const {
    gf_normalizeCommaList(code);
    code = gf_trim(code);
    if (code.size() == 4 && (code[3] == 'X' || code[3] == 'C')) code.pop_back();
    if (gf_isKnownAirline(code)) {
      airline = code;
    } else if (code == "RFO") {
      return false;
    } else {
      gf_addInvalidAirlineLine(code, file_, header());
    }
    return true;
  }

  void takeRegistration(std::string value, SectionKeys& keys) const {
    if (variant_ == Variant::general) value = value.substr(0, value.find(';'));
    if (gf_checkAtcIdList(value, keys.registration)) return;
    if (variant_ == Variant::general)
      report(fmt::format("invalid atc_id={} in: {}", value, keys.title));
    else
      report(fmt::format("invalid atc_id={} in {}", value, keys.title));
  }

  Variant variant_;
  CfgLines& lines_;
  const fs::path& file_;
  AircraftFolder& folder_;
};

bool lf_isWordChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

// The model code at the start of the title (letter case ignored), blanks, then three
// letters, digits or underscores: the airline, in the title's own case.
std::optional<std::string> lf_airlineFromTitle(std::string_view title, std::string_view model) {
  if (title.size() < model.size() || gf_toUpper(title.substr(0, model.size())) != gf_toUpper(model))
    return std::nullopt;
  auto rest = title.substr(model.size());
  rest.remove_prefix(std::min(rest.size(), rest.find_first_not_of(" \t\n\r\v\f")));
  if (rest.size() < 3 || !std::all_of(rest.begin(), rest.begin() + 3, lf_isWordChar)) return std::nullopt;
  if (rest.find_first_of("\r\n") != std::string_view::npos) return std::nullopt;
  return std::string(rest.substr(0, 3));
}

std::optional<SectionLivery> lf_procesGeneral(std::int32_t folder, CfgLines& lines, const std::string& model,
                                              const fs::path& file, AircraftFolder& aircraftFolder) {
  Section section(Variant::general, lines, file, aircraftFolder);
  SectionKeys keys;
  const auto scan = section.scan(keys);
  if (scan == LineScan::dropped) return std::nullopt;
  const auto header = section.header();
  const auto& folderText = aircraftFolder.text();
  if (keys.airline.empty())
    section.report(fmt::format("{} {} icao_airline is missing, or it has invalid info ", gf_pathText(file), header));
  if (scan == LineScan::rejected || !section.namesInsideFolder(keys)) return std::nullopt;
  if (!section.isDirectory(section.modelFolder(keys)) || !section.isDirectory(section.textureFolder(keys)) ||
      !section.isFile(section.airFile(keys))) {
    section.report(
        fmt::format("{} or related path does not exist: {}", section.pathText(section.modelFolder(keys)), header));
    return std::nullopt;
  }
  if (!section.titleUsable(keys.title, "misses title")) return std::nullopt;
  if (keys.airline == "ZZZ") keys.registration.clear();
  if (keys.airline.empty()) {
    const bool heavy = gf_aircraftCategory(model) == SizeCategory::Heavy;
    if (!keys.registration.empty()) {
      // A registration the reference data holds without airline gives none.
      if (const auto data = gf_lookupRegistration(keys.registration); data && !data->airl.empty()) {
        keys.airline = data->airl;
      } else if (heavy) {
        section.report(fmt::format("'{}' '{}' has no airline and regcode not in dbase", folderText, header));
        return std::nullopt;
      } else {
        keys.airline = "PVT";
      }
    } else if (heavy) {
      section.report(fmt::format("'{}' '{}' has no airline and no regcode info", folderText, header));
      return std::nullopt;
    } else {
      keys.airline = "PVT";
      keys.registration = gf_findRegistrationInText(keys.title).value_or(std::string{});
    }
  }
  SectionLivery livery;
  const bool cargo = keys.parkingTypes.find("CARGO") != std::string::npos;
  livery.record = {std::move(keys.airline), model, std::move(keys.title), std::move(keys.registration), folder, cargo};
  livery.header = header;
  return livery;
}

} // namespace

std::string SectionLivery::takenLine(std::string_view folderText) const {
  if (ivao) return fmt::format("{} {} title already exists: {}", folderText, header, record.title);
  return fmt::format("{} {} title '{}' already exists", folderText, header, record.title);
}

AircraftFolder::AircraftFolder(fs::path folder, std::shared_ptr<const FolderListing> listing)
    : path_(std::move(folder)), text_(gf_pathText(path_)), listing_(std::move(listing)) {}

FolderListing::Kind AircraftFolder::kindOf(std::string_view name) {
  if (!listing_) listing_ = std::make_shared<FolderListing>(path_);
  return gf_entryKind(*listing_, path_, name);
}

std::optional<SectionLivery> gf_procesFltSimSection(std::int32_t folder, CfgLines& lines, const std::string& model,
                                                    const fs::path& file, AircraftFolder& aircraftFolder) {
  try {
    return lf_procesGeneral(folder, lines, model, file, aircraftFolder);
  } catch (const std::exception& e) {
    gf_log(fmt::format("Exception in lf_procesFltSimSection: {}, file: {}", e.what(), gf_pathText(file)));
    throw;
  }
}

std::optional<SectionLivery> gf_procesIvaoFltSimSection(std::int32_t folder, CfgLines& lines, const std::string& model,
                                                        const fs::path& file, AircraftFolder& aircraftFolder) {
  Section section(Variant::ivao, lines, file, aircraftFolder);
  SectionKeys keys;
  if (section.scan(keys) != LineScan::complete || !section.namesInsideFolder(keys)) return std::nullopt;
  const auto header = section.header();
  const auto& folderText = aircraftFolder.text();
  for (const auto& [name, directory] :
       {std::pair{section.modelFolder(keys), true}, std::pair{section.airFile(keys), false},
        std::pair{section.textureFolder(keys), true}})
    if (directory ? !section.isDirectory(name) : !section.isFile(name)) {
      section.report(fmt::format("{} {} does not exist", section.pathText(name), header));
      return std::nullopt;
    }
  if (!section.titleUsable(keys.title, "misses title")) return std::nullopt;
  std::string airline;
  if (auto code = lf_airlineFromTitle(keys.title, model)) {
    if (!gf_isKnownAirline(*code)) {
      gf_addInvalidAirlineLine(*code, file, header);
      return std::nullopt;
    }
    if (*code == "ZZZ") keys.registration.clear();
    airline = std::move(*code);
  } else if (!keys.registration.empty()) {
    const auto data = gf_lookupRegistration(keys.registration);
    if (!data || data->airl.empty()) {
      section.report(fmt::format("{} {} misses airlinecode in title: {}, and regcode unknown {}", folderText, header,
                                 keys.title, keys.registration));
      return std::nullopt;
    }
    airline = data->airl;
  } else {
    section.report(
        fmt::format("{} {} misses airlinecode in title: {}, and no regcode", folderText, header, keys.title));
    return std::nullopt;
  }
  SectionLivery livery;
  livery.record = {std::move(airline), model, std::move(keys.title), std::move(keys.registration), folder, false};
  livery.header = header;
  livery.ivao = true;
  return livery;
}
