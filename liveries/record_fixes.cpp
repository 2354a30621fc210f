#include "liveries/record_fixes.h"

#include "core/files.h"
#include "core/log.h"
#include "core/refdata/dbase_tables.h"
#include "core/refdata/lookups.h"
#include "core/refdata/stream_cipher.h"
#include "core/settings/file_names.h"
#include "core/text.h"
#include "liveries/cfg_lines.h"
#include "liveries/regcodes.h"
#include "liveries/scan_reports.h"
#include "liveries/windows_names.h"

#include <algorithm>
#include <array>
#include <fmt/format.h>

namespace fs = std::filesystem;

namespace {

bool lf_isWordChar(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

std::size_t lf_lastSeparatorBefore(std::string_view text, std::size_t end) {
  for (auto i = end; i > 0; --i)
    if (gf_isPathSeparator(text[i - 1])) return i - 1;
  return std::string_view::npos;
}

// "...\IVAO_MTL\IVAO_<code>\aircraft.cfg", letter case ignored, any character in place of
// the dot of the file name: the code, or nothing.
std::optional<std::string> lf_ivaoLibraryCode(std::string_view text) {
  if (text.find_first_of("\r\n") != std::string_view::npos) return std::nullopt;
  const auto fileStart = lf_lastSeparatorBefore(text, text.size());
  if (fileStart == std::string_view::npos) return std::nullopt;
  const auto name = gf_toUpper(text.substr(fileStart + 1));
  if (name.size() != 12 || name.substr(0, 8) != "AIRCRAFT" || name.substr(9) != "CFG") return std::nullopt;
  const auto folderStart = lf_lastSeparatorBefore(text, fileStart);
  if (folderStart == std::string_view::npos) return std::nullopt;
  const auto folder = text.substr(folderStart + 1, fileStart - folderStart - 1);
  if (folder.size() < 6 || gf_toUpper(folder.substr(0, 5)) != "IVAO_") return std::nullopt;
  const auto code = folder.substr(5);
  if (!std::all_of(code.begin(), code.end(), lf_isWordChar)) return std::nullopt;
  const auto libraryStart = lf_lastSeparatorBefore(text, folderStart);
  if (libraryStart == std::string_view::npos || libraryStart == 0) return std::nullopt;
  if (gf_toUpper(text.substr(libraryStart + 1, folderStart - libraryStart - 1)) != "IVAO_MTL") return std::nullopt;
  return std::string(code);
}

// The model renames of the IVAO library's folder names; case-sensitive, the first that applies.
std::string lf_renameIvaoModel(std::string code) {
  static const std::array<std::pair<std::string_view, std::size_t>, 9> renames{{{"B744F", 1},
                                                                                {"T154M", 1},
                                                                                {"T154B2", 2},
                                                                                {"GLID_SH", 3},
                                                                                {"GLID_A13", 4},
                                                                                {"GLID_A25", 4},
                                                                                {"GLID_KA6", 4},
                                                                                {"GLID_KA8", 4},
                                                                                {"GLID_L13", 4}}};
  if (!code.empty() && code.back() == 'w') {
    code.pop_back();
    return code;
  }
  for (const auto& [name, drop] : renames)
    if (code == name) return code.substr(0, code.size() - drop);
  return code;
}

} // namespace

std::string gf_settleModelCode(const std::string& code, const fs::path& file) {
  if (gf_isKnownAircraftType(code)) return code;
  if (const auto fixed = dbaseTables.typeFixes.find(code); fixed != dbaseTables.typeFixes.end()) {
    gf_addFixLine(fmt::format("Model fix: {} found in {} changed into {}", code, gf_pathText(file), fixed->second));
    return fixed->second;
  }
  gf_addInvalidModelLine(code, file);
  return {};
}

std::string gf_ivaoModelFromPath(const fs::path& file) {
  const auto code = lf_ivaoLibraryCode(gf_pathText(file));
  if (!code) {
    gf_addInvalidModelLine("  ", file);
    return {};
  }
  return gf_settleModelCode(lf_renameIvaoModel(*code), file);
}

std::string gf_modelFromAtcModel(const CfgLines& lines, const fs::path& file) {
  for (const auto& line : lines)
    if (auto value = gf_atcModelValue(line); !value.empty()) return gf_settleModelCode(value, file);
  gf_addInvalidCfgLine("Line atc_model= is missing in [General] section of " + gf_pathText(file));
  return {};
}

bool gf_claimTitle(const std::string& title) {
  std::lock_guard lock(scanReports.titlesMutex);
  return scanReports.scannedTitles.insert(title).second;
}

LiveryData gf_makeLiveryData(std::int32_t folder, const std::string& airl, const std::string& type, bool passenger,
                             const std::string& title, const std::string& atcid) {
  if (!gf_claimTitle(title)) return {};
  return {airl, type, title, atcid, folder, !passenger};
}

bool gf_isDontUseTitle(std::string_view title) { return DontUseTitles.contains(std::string(title)); }

void gf_loadDontUseTitles() {
  try {
    if (gf_streamDecrypt(aigRegcodesEncFile, aigRegcodesXmlFile)) {
      gf_readAigDontUseTitles();
      gf_removeFile(aigRegcodesXmlFile);
    }
    if (gf_countFiles(myRegcodesFolder) > 0) gf_readMyDontUseTitles();
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("exception: {}", e.what()));
    gf_removeFile(aigRegcodesXmlFile);
  }
}

void gf_applyRegistrationData() {
  auto& lines = scanReports.registrationConversions;
  for (auto& livery : ScannedLiveryList) {
    if (livery.atcid.empty()) continue;
    const auto data = gf_lookupRegistration(livery.atcid);
    if (!data) continue;
    if (livery.cargo != data->cargo) {
      lines.push_back(fmt::format("{:80} {} cargo {} => {}", livery.title, livery.atcid, livery.cargo, data->cargo));
      livery.cargo = data->cargo;
    }
    // A record without airline or model tells nothing about them.
    const auto& airline = data->opr.empty() ? data->airl : data->opr;
    if (!airline.empty() && livery.airl != airline) {
      lines.push_back(fmt::format("{:80} {} airl {} => {}", livery.title, livery.atcid, livery.airl, airline));
      livery.airl = airline;
    }
    if (!data->type.empty() && livery.type != data->type) {
      lines.push_back(fmt::format("{:80} {} model {} => {}", livery.title, livery.atcid, livery.type, data->type));
      livery.type = data->type;
    }
  }
}
