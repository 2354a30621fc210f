#include "core/settings/settings_file.h"

#include "core/files.h"
#include "core/log.h"
#include "core/settings/control_port.h"
#include "core/settings/file_names.h"
#include "core/settings/parameters.h"
#include "core/settings/settings_version.h"
#include "core/shell/appdata.h"
#include "core/text.h"

#include <fmt/format.h>
#include <functional>
#include <mutex>
#include <pugixml.hpp>
#include <set>
#include <vector>

namespace fs = std::filesystem;

namespace {

// Taken around every load-change-save of the settings file and around the folder.
std::mutex settingsMutex;
fs::path settingsFolder;
bool settingsFolderKnown = false;

fs::path lf_folderLocked() {
  if (!settingsFolderKnown) {
    settingsFolder = gf_getAppDataPath() / "Hivemoor";
    settingsFolderKnown = true;
  }
  return settingsFolder;
}

fs::path lf_filePathLocked() { return lf_folderLocked() / settingsFileName; }

// The six ways of reading, in the order of reading, logging and appending; a new file
// holds the entries in this order. Built on first use: the settings are globals of
// another file.
struct SettingsLists {
  std::vector<BoolParameter*> plainBools;
  std::vector<CheckBoxParameter*> checkBoxes;
  std::vector<IntParameter*> plainInts;
  std::vector<std::pair<IntParameter*, const ParameterControl*>> shownInts;
  std::vector<StringParameter*> plainTexts;
  std::vector<TextEditParameter*> shownTexts;
};

const SettingsLists& lf_lists() {
  static const SettingsLists lists{
      {&RANDOM},
      {&AEROWINX,
       &AFG_AUTOMATIC,
       &COLLISION_USER_AIR,
       &COLLISION_USER_GND,
       &COLLISION_LIVE_PARKED_GND,
       &SUPPRESS_STUB,
       &LOG,
       &ALWAYS_ON_TOP,
       &SCAN_LIVERIES,
       &LIG_AUTOMATIC,
       &LIG_PRIORITIZE,
       &SCAN_AIRPORTS,
       &LIGHT_AIRCRAFT,
       &HELICOPTERS,
       &HIGH_PERF_AIRCRAFT,
       &NAV_LIGHTS_WHILE_PARKED,
       &AUTO_RANGE,
       &LEARN_SOFT,
       &STRAIGHT_PBS_ONLY,
       &PARK_SOFT,
       &PARK_FAKE,
       &WEEK,
       &INITIAL_LOAD_ONLY,
       &GUID_CHANGES},
      {&CUSTOM_PARKING_PERCENTAGE, &MAIN_WINDOW_X, &MAIN_WINDOW_Y, &LATERAL_RANGE, &AIRPORT_RANGE,
       &AUTO_RANGE_ABOVE_HEIGHT, &AIRPORT_HEIGHT, &LAST_EPOCH_TIME, &HOLDING_THRESHOLD_METERS, &MAX_HOLDING_MINUTES,
       &CUSTOM_MAX_PARK, &MAX_LIVE, &P3D_VERSION},
      {{&MATCHING_DEPTH, &MATCHING_DEPTH},
       {&RANGE, &RANGE},
       {&MAX_FIT, &MAX_FIT},
       {&AR_ABOVE_HEIGHT, &AR_ABOVE_HEIGHT},
       {&MAX_PARK_SEL, &MAX_PARK_SEL},
       {&MAX_LIVE_SEL, &MAX_LIVE_SEL},
       {&AIRP_RANGE, &AIRP_RANGE},
       {&AIRP_HEIGHT, &AIRP_HEIGHT}},
      {&PROGRAM_VERSION, &SIM_INSTALL_PATH, &PORT_NUMBER, &lfolder0, &lfolder1, &lfolder2,
       &lfolder3,        &lfolder4,         &lfolder5,    &lfolder6, &lfolder7, &lfolder8,
       &lfolder9,        &afolder0,         &afolder1,    &afolder2, &afolder3, &afolder4,
       &afolder5,        &afolder6,         &afolder7,    &afolder8, &afolder9, &PROGRAM_INSTALL_PATH,
       &AIG_VERSION,     &DBASE_VERSION,    &DESTINATION},
      {&BLOCK_CALLSIGN}};
  return lists;
}

enum class FileState { loaded, missing, damaged };

// pugixml reports a file it cannot open as not found, so whether it exists is asked apart.
// Only a regular file is handed to the parser: a folder or a pipe of that name would have
// it ask for an absurd buffer or wait for ever.
FileState lf_loadFile(pugi::xml_document& document, const fs::path& path, std::string& problem) {
  std::error_code ignored;
  const auto type = fs::status(path, ignored).type();
  if (type != fs::file_type::none && type != fs::file_type::not_found && type != fs::file_type::regular) {
    problem = "not a file";
    return FileState::damaged;
  }
  const auto result = document.load_file(path.c_str());
  if (result) return FileState::loaded;
  document.reset(); // a failed parse leaves what it read so far
  if (fs::status(path, ignored).type() == fs::file_type::not_found) return FileState::missing;
  problem = result.description();
  return FileState::damaged;
}

// A file that does not load may still hold the user's settings: it goes aside before a
// new file takes its place, and when it cannot go aside nothing is written over it.
bool lf_keepDamagedFile(const fs::path& path, const std::string& problem) {
  auto kept = path;
  kept += ".bad";
  std::error_code ignored;
  if (fs::is_regular_file(path, ignored) && gf_replaceFile(path, kept)) {
    gf_logWarning(
        fmt::format("'{}' could not be read ({}), kept as '{}'", gf_pathText(path), problem, gf_pathText(kept)));
    return true;
  }
  gf_logWarning(fmt::format("'{}' could not be read ({}) nor be kept as '{}'; it is left as it is", gf_pathText(path),
                            problem, gf_pathText(kept)));
  return false;
}

pugi::xml_node lf_findEntry(const pugi::xml_document& document, const std::string& name) {
  try {
    return document.select_node(fmt::format("/parameters/parameter[@name='{}']", name).c_str()).node();
  } catch (const pugi::xpath_exception& e) {
    gf_log(e.what());
    return {};
  }
}

// Only an existing value attribute is set.
void lf_setXmlValue(pugi::xml_node entry, const std::string& text) {
  if (auto value = entry.attribute("value")) value.set_value(text.c_str());
}

std::string lf_boolText(bool value) { return value ? "true" : "false"; }
std::string lf_intText(std::int32_t value) { return fmt::format("{}", value); }

void lf_logAppendFailed(const std::string& name, const std::string& value) {
  gf_logWhileRunning(fmt::format("{}Adding Init XML parameter '{}' with value '{}' failed!", "===> ", name, value));
}

// --- a new document ---

void lf_appendBoolDefault(pugi::xml_node root, BoolParameter& parameter) {
  if (!gf_appendXmlParameter(root, parameter.name, lf_boolText(parameter.defaultValue)))
    lf_logAppendFailed(parameter.name, lf_boolText(parameter.defaultValue));
  parameter.set(parameter.defaultValue);
  parameter.logValue();
}

void lf_appendIntDefault(pugi::xml_node root, IntParameter& parameter) {
  if (!gf_appendXmlParameter(root, parameter.name, lf_intText(parameter.defaultValue)))
    lf_logAppendFailed(parameter.name, lf_intText(parameter.defaultValue));
  parameter.set(parameter.defaultValue);
  parameter.logValue();
}

void lf_appendStringDefault(pugi::xml_node root, StringParameter& parameter) {
  if (!gf_appendXmlParameter(root, parameter.name, parameter.defaultValue))
    lf_logAppendFailed(parameter.name, parameter.defaultValue);
  parameter.set(parameter.defaultValue);
  parameter.logValue();
}

void lf_writeNewDocument(pugi::xml_document& document) {
  const auto& [plainBools, checkBoxes, plainInts, shownInts, plainTexts, shownTexts] = lf_lists();
  auto root = document.append_child("parameters");
  for (auto* p : plainBools) lf_appendBoolDefault(root, *p);
  for (auto* p : checkBoxes) lf_appendBoolDefault(root, *p);
  for (auto* p : plainInts) lf_appendIntDefault(root, *p);
  for (const auto& [p, control] : shownInts) lf_appendIntDefault(root, *p);
  for (auto* p : plainTexts)
    if (!gf_isFolderParameter(p->name)) lf_appendStringDefault(root, *p);
  for (auto* p : shownTexts) lf_appendStringDefault(root, *p);
}

// --- a loaded document ---

void lf_appendIfMissing(bool found, pugi::xml_node parameters, const std::string& name, const std::string& value) {
  if (!found && parameters) gf_appendXmlParameter(parameters, name, value);
}

bool lf_readOrAppendBool(pugi::xml_document& document, BoolParameter& parameter) {
  const auto entry = lf_findEntry(document, parameter.name);
  parameter.set(entry ? entry.attribute("value").as_bool() : parameter.defaultValue);
  lf_appendIfMissing(static_cast<bool>(entry), document.child("parameters"), parameter.name,
                     lf_boolText(parameter.defaultValue));
  parameter.logValue();
  return static_cast<bool>(entry);
}

// pugixml's integer rule: leading blanks, sign, decimal or 0x hexadecimal, saturating at
// the int32 limits; no attribute or no number reads 0.
std::int32_t lf_entryInt(pugi::xml_node entry) { return entry.attribute("value").as_int(); }

bool lf_readOrAppendInt(pugi::xml_document& document, IntParameter& parameter) {
  const auto entry = lf_findEntry(document, parameter.name);
  // A value beyond the limits is clamped in memory only: the file keeps what the user
  // wrote until the setting is saved.
  parameter.set(entry ? parameter.clamp(lf_entryInt(entry)) : parameter.defaultValue);
  lf_appendIfMissing(static_cast<bool>(entry), document.child("parameters"), parameter.name,
                     lf_intText(parameter.defaultValue));
  parameter.logValue();
  return static_cast<bool>(entry);
}

bool lf_readOrAppendString(pugi::xml_document& document, StringParameter& parameter) {
  const auto entry = lf_findEntry(document, parameter.name);
  parameter.set(entry ? entry.attribute("value").as_string() : parameter.defaultValue);
  lf_appendIfMissing(static_cast<bool>(entry), document.child("parameters"), parameter.name, parameter.defaultValue);
  parameter.logValue();
  return static_cast<bool>(entry);
}

bool lf_readFolderParameter(pugi::xml_document& document, StringParameter& parameter) {
  auto entry = lf_findEntry(document, parameter.name);
  parameter.set(entry ? entry.attribute("value").as_string() : parameter.defaultValue);
  if (!parameter.get().empty()) {
    parameter.logValue();
  } else if (entry) {
    auto parameters = document.child("parameters");
    if (entry.parent() == parameters) parameters.remove_child(entry);
    gf_logWhileRunning(fmt::format("Parameter '{}' removed", parameter.name));
  }
  return static_cast<bool>(entry);
}

void lf_readDocument(pugi::xml_document& document, std::set<std::string>& namesInFile) {
  const auto& [plainBools, checkBoxes, plainInts, shownInts, plainTexts, shownTexts] = lf_lists();
  const auto note = [&](bool found, const std::string& name) {
    if (found) namesInFile.insert(name);
  };
  for (auto* p : plainBools) note(lf_readOrAppendBool(document, *p), p->name);
  for (auto* p : checkBoxes) note(lf_readOrAppendBool(document, *p), p->name);
  for (auto* p : plainInts) note(lf_readOrAppendInt(document, *p), p->name);
  for (const auto& [p, control] : shownInts) note(lf_readOrAppendInt(document, *p), p->name);
  for (auto* p : plainTexts)
    note(gf_isFolderParameter(p->name) ? lf_readFolderParameter(document, *p) : lf_readOrAppendString(document, *p),
         p->name);
  for (auto* p : shownTexts) note(lf_readOrAppendString(document, *p), p->name);
}

void lf_readParameterFile(std::set<std::string>& namesInFile) {
  std::lock_guard lock(settingsMutex);
  const auto path = lf_filePathLocked();
  gf_log(gf_makeBanner(70, 0, true, false, "parameters"));
  pugi::xml_document document;
  std::string problem;
  const auto state = lf_loadFile(document, path, problem);
  if (state == FileState::loaded) {
    gf_log(fmt::format("from '{}'", gf_pathText(path)));
    lf_readDocument(document, namesInFile);
    gf_saveXmlDocument(document, path);
  } else {
    const bool mayWrite = state == FileState::missing || lf_keepDamagedFile(path, problem);
    gf_log(fmt::format("{} not found, default values taken:", gf_pathText(path)));
    lf_writeNewDocument(document);
    if (mayWrite) gf_saveXmlDocument(document, path);
  }
  gf_log(gf_makeBanner(70, 10, false, true, ""));
}

// Controls are told outside the settings lock: the window may act on them at once.
void lf_refreshControls() {
  const auto& lists = lf_lists();
  for (auto* p : lists.checkBoxes) gf_setControlCheck(p->controlId, p->get());
  for (const auto& [p, control] : lists.shownInts) gf_setControlText(control->controlId, lf_intText(p->get()));
  for (auto* p : lists.shownTexts) gf_setControlText(p->controlId, p->get());
}

// The one procedure of the three single-setting saves.
bool lf_saveParameter(const ParameterBase& parameter, const std::function<std::string()>& valueText,
                      const std::function<void()>& logValue) {
  std::lock_guard lock(settingsMutex);
  const auto path = lf_filePathLocked();
  const auto text = valueText();
  pugi::xml_document document;
  std::string problem;
  const auto state = lf_loadFile(document, path, problem);
  bool mayWrite = true;
  if (state == FileState::loaded) {
    auto parameters = document.child("parameters");
    if (!parameters) parameters = document.append_child("parameters");
    if (auto entry = lf_findEntry(document, parameter.name))
      lf_setXmlValue(entry, text);
    else
      gf_appendXmlParameter(parameters, parameter.name, text);
  } else {
    // The file then holds this setting alone; the next start adds the others.
    if (state == FileState::damaged) mayWrite = lf_keepDamagedFile(path, problem);
    gf_appendXmlParameter(document.append_child("parameters"), parameter.name, text);
  }
  logValue();
  const bool saved = mayWrite && gf_writeXmlDocument(document, path);
  if (!saved) gf_logWhileRunning(fmt::format("Saving '{}' failed", gf_pathText(path)));
  return saved;
}

} // namespace

fs::path gf_settingsFolder() {
  std::lock_guard lock(settingsMutex);
  return lf_folderLocked();
}

fs::path gf_settingsFilePath() {
  std::lock_guard lock(settingsMutex);
  return lf_filePathLocked();
}

void gf_setSettingsFolder(const fs::path& folder) {
  std::lock_guard lock(settingsMutex);
  settingsFolder = folder;
  settingsFolderKnown = !folder.empty();
}

void gf_loadParameters() {
  std::set<std::string> namesInFile;
  lf_readParameterFile(namesInFile);
  lf_refreshControls();
  gf_updateSettingsVersion(namesInFile);
  gf_setRange(RANGE.get());
}

bool gf_loadSettingsDocument(pugi::xml_document& document) {
  std::lock_guard lock(settingsMutex);
  std::string problem;
  return lf_loadFile(document, lf_filePathLocked(), problem) == FileState::loaded;
}

bool gf_readIntParameter(const pugi::xml_document& document, IntParameter& parameter, bool log) {
  const auto entry = lf_findEntry(document, parameter.name);
  parameter.set(entry ? parameter.clamp(lf_entryInt(entry)) : parameter.defaultValue);
  if (log) parameter.logValue();
  return static_cast<bool>(entry);
}

bool gf_appendXmlParameter(pugi::xml_node node, std::string_view name, std::string_view value) {
  if (node.type() != pugi::node_document && node.type() != pugi::node_element) return false;
  auto entry = node.append_child("parameter");
  if (!entry) return false;
  auto nameAttribute = entry.append_attribute("name");
  auto valueAttribute = entry.append_attribute("value");
  return nameAttribute && valueAttribute && nameAttribute.set_value(std::string(name).c_str()) &&
         valueAttribute.set_value(std::string(value).c_str());
}

bool gf_saveBoolParameter(BoolParameter& parameter) {
  return lf_saveParameter(
      parameter, [&] { return lf_boolText(parameter.get()); }, [&] { parameter.logValue(); });
}

bool gf_saveIntParameter(IntParameter& parameter) {
  return lf_saveParameter(
      parameter, [&] { return lf_intText(parameter.get()); }, [&] { parameter.logValue(); });
}

bool gf_saveStringParameter(StringParameter& parameter) {
  return lf_saveParameter(
      parameter, [&] { return parameter.get(); }, [&] { parameter.logValue(); });
}

bool gf_setStringParameter(StringParameter& parameter, std::string text) {
  parameter.set(std::move(text));
  return gf_saveStringParameter(parameter);
}

bool gf_removeParameter(const ParameterBase& parameter) {
  std::lock_guard lock(settingsMutex);
  const auto path = lf_filePathLocked();
  pugi::xml_document document;
  std::string problem;
  if (lf_loadFile(document, path, problem) != FileState::loaded) return false;
  auto parameters = document.child("parameters");
  if (!parameters) return false;
  const auto entry = lf_findEntry(document, parameter.name);
  if (!entry) return false;
  if (entry.parent() == parameters) parameters.remove_child(entry);
  gf_logWhileRunning(fmt::format("Parameter '{}' removed", parameter.name));
  if (!gf_writeXmlDocument(document, path)) gf_logWhileRunning(fmt::format("Saving '{}' failed", gf_pathText(path)));
  return true;
}

bool gf_isFolderParameter(std::string_view name) {
  return name.find("lfolder") != std::string_view::npos || name.find("afolder") != std::string_view::npos;
}
