#include "airports/scenery_lists.h"

#include "airports/scenery_paths.h"
#include "core/files.h"
#include "core/log.h"
#include "core/text.h"
#include "core/text_files.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <fmt/format.h>
#include <optional>
#include <pugixml.hpp>
#include <utility>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view stockAreaNames[] = {
    "Cities", "World", "BASE", "0006", "0007", "0103", "0106", "0107", "0206",   "0207",      "0307",
    "0407",   "0505",  "0506", "0507", "0606", "0607", "0706", "0707", "0805",   "0806",      "0807",
    "0900",   "0906",  "0907", "1000", "1006", "1007", "1100", "1102", "1107",   "AFRI",      "ASIA",
    "AUST",   "EURE",  "EURW", "NAMC", "NAME", "NAMW", "OCEN", "SAME", "Global", "Bathymetry"};

bool lf_equalsNoCase(std::string_view a, std::string_view b) { return a.size() == b.size() && gf_containsNoCase(a, b); }

// "[Area.001]": the header of one scenery area; any other "[...]" line starts a section
// that is no area.
std::optional<std::int64_t> lf_areaNumber(std::string_view line) {
  constexpr std::string_view prefix = "[Area.";
  if (line.size() < prefix.size() + 2 || line.back() != ']' || !lf_equalsNoCase(line.substr(0, prefix.size()), prefix))
    return std::nullopt;
  const auto digits = line.substr(prefix.size(), line.size() - prefix.size() - 1);
  std::int64_t number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (error != std::errc{} || end != digits.data() + digits.size()) return std::nullopt;
  return number;
}

struct Area {
  std::int64_t layer = 0;
  bool active = false;
  std::vector<std::string> locals;
};

// "Key=Value" with the key compared without letter case.
std::optional<std::string> lf_keyValue(std::string_view line, std::string_view key) {
  const auto equals = line.find('=');
  if (equals == std::string_view::npos || !lf_equalsNoCase(gf_trim(line.substr(0, equals)), key)) return std::nullopt;
  return gf_trim(line.substr(equals + 1));
}

// The text of a <Path> element as the XML parser would give it: the five predefined
// entities resolved, any other '&' kept.
std::string lf_unescapeXmlText(std::string_view text) {
  constexpr std::pair<std::string_view, char> entities[] = {
      {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
  std::string plain;
  plain.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    bool replaced = false;
    if (text[i] == '&') {
      for (const auto& [entity, c] : entities) {
        if (text.substr(i, entity.size()) == entity) {
          plain += c;
          i += entity.size();
          replaced = true;
          break;
        }
      }
    }
    if (!replaced) plain += text[i++];
  }
  return plain;
}

// A document the parser refuses (an add-on installer wrote a bare '&', or the file was cut
// short) still names its folders: each line's <Path>...</Path> is taken as it stands.
std::vector<std::string> lf_pathsOfDamagedDocument(const fs::path& file) {
  std::vector<std::string> lines;
  lines.reserve(4048);
  std::vector<std::string> paths;
  if (!gf_readExtTextFileToStringVector(file, lines)) return paths;
  for (const auto& line : lines) {
    const auto text = gf_trim(lf_unescapeXmlText(gf_extractPathElement(line)));
    if (!text.empty()) paths.push_back(text);
  }
  return paths;
}

} // namespace

fs::path gf_sceneryConfigFolder(std::string_view majorVersion) {
  // The program data folder is on the system drive, which need not be C:.
  const char* programData = std::getenv("PROGRAMDATA");
  const fs::path root = programData != nullptr && *programData != '\0' ? gf_pathFromText(programData)
                                                                       : gf_pathFromConfigText("C:\\ProgramData");
  return root / "Lockheed Martin" / gf_pathFromText(fmt::format("Prepar3D v{}", majorVersion));
}

bool lf_isStockAreaLine(std::string_view localValue) {
  std::size_t start = 0;
  while (start <= localValue.size()) {
    const auto end = std::min(localValue.find_first_of("\\/", start), localValue.size());
    const auto component = gf_trim(localValue.substr(start, end - start));
    for (const auto name : stockAreaNames)
      if (lf_equalsNoCase(component, name)) return true;
    start = end + 1;
  }
  return false;
}

void lf_readSceneryCfgAreas(std::vector<std::string>& list, const fs::path& configFolder, const fs::path& installFolder,
                            const fs::path& stockFolder) {
  const auto file = configFolder / "scenery.cfg";
  gf_log(fmt::format("\nReading: {} for airport add-ons ...", gf_pathText(file)));
  std::vector<std::string> lines;
  lines.reserve(4048);
  if (!gf_readExtTextFileToStringVector(file, lines)) {
    gf_log(fmt::format("{} not found!", gf_pathText(file)));
    return;
  }
  std::vector<Area> areas;
  bool inArea = false;
  for (const auto& raw : lines) {
    const auto line = gf_trim(raw);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      const auto number = lf_areaNumber(line);
      inArea = number.has_value();
      if (inArea) areas.push_back(Area{*number, false, {}});
      continue;
    }
    if (!inArea) continue;
    auto& area = areas.back();
    if (const auto value = lf_keyValue(line, "Active"))
      area.active = lf_equalsNoCase(*value, "TRUE");
    else if (const auto layer = lf_keyValue(line, "Layer")) {
      std::int64_t number = 0;
      if (std::from_chars(layer->data(), layer->data() + layer->size(), number).ec == std::errc{}) area.layer = number;
    } else if (const auto local = lf_keyValue(line, "Local")) {
      area.locals.push_back(*local);
    }
  }
  // The simulator draws a higher layer over a lower one.
  std::stable_sort(areas.begin(), areas.end(), [](const Area& a, const Area& b) { return a.layer < b.layer; });
  const InsideFolderTest isStock(stockFolder);
  const auto before = list.size();
  for (const auto& area : areas) {
    if (!area.active) continue;
    for (const auto& local : area.locals) {
      if (local.empty() || lf_isStockAreaLine(local)) continue;
      const auto path = gf_pathFromConfigText(local);
      // "D:\\..." names a drive even where tests read the file natively.
      const bool absolute = path.has_root_path() || local.find(":\\") != std::string::npos;
      const auto folder = absolute ? path : installFolder / path;
      if (isStock(folder)) continue;
      const auto text = gf_pathText(folder);
      gf_log(fmt::format("      found:{}", text));
      list.push_back(text);
    }
  }
  gf_log(fmt::format("{} scenery add-on paths found\n", list.size() - before));
}

void lf_readSceneryAddOnsXml(std::vector<std::string>& list, const fs::path& configFolder) {
  const auto file = configFolder / "scenery_add-ons.xml";
  gf_log(fmt::format("\nReading {} for add-on airport ...", gf_pathText(file)));
  pugi::xml_document document;
  const auto loaded = document.load_file(file.c_str());
  if (loaded.status == pugi::status_file_not_found || loaded.status == pugi::status_io_error) {
    gf_log(fmt::format("{} not found!", gf_pathText(file)));
    return;
  }
  std::vector<std::string> paths;
  if (loaded) {
    for (const auto& node : document.select_nodes("//Path")) paths.push_back(gf_trim(node.node().child_value()));
  } else {
    gf_logWarning(fmt::format("{} is no XML document: {} at byte {}; its <Path> lines are read one by one",
                              gf_pathText(file), loaded.description(), loaded.offset));
    paths = lf_pathsOfDamagedDocument(file);
  }
  const auto before = list.size();
  for (auto& text : paths) {
    if (text.empty()) continue;
    gf_log(fmt::format("found path:{}", text));
    list.push_back(std::move(text));
  }
  gf_log(fmt::format("{} scenery add-on paths found\n", list.size() - before));
}
