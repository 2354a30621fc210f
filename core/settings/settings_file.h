#pragma once
// parameters.xml: the settings file in the folder Hivemoor of the user's application-data
// folder. Every load-change-save of the file runs under one lock, and every write goes to
// a temporary file that then replaces the old one, so neither two saves at once nor a
// save cut short by a crash can lose the file. A file that exists but cannot be read is
// kept beside it as parameters.xml.bad before a new one is written.
#include "core/settings/parameter.h"

#include <filesystem>
#include <string>
#include <string_view>

namespace pugi {
class xml_document;
class xml_node;
} // namespace pugi

std::filesystem::path gf_settingsFolder();
// The settings folder joined with "parameters.xml".
std::filesystem::path gf_settingsFilePath();
// Points the settings at another folder (tests); an empty path goes back to the folder
// Hivemoor of the application-data folder.
void gf_setSettingsFolder(const std::filesystem::path& folder);

// Reads every setting from the file at the start of a run: a missing file is written anew
// with the defaults; missing entries are added with their defaults; integers are clamped
// (and a clamped value is stored so); unknown entries stay. Then the controls are brought
// up to date, the version update runs and the range is set from RANGE.
void gf_loadParameters();

// Loads the settings file (under the settings lock); false when it does not load.
bool gf_loadSettingsDocument(pugi::xml_document& document);
// Reads one integer setting from a loaded document (clamped; the default when missing);
// returns whether the entry was there. Logs the value only when asked.
bool gf_readIntParameter(const pugi::xml_document& document, IntParameter& parameter, bool log);
// Appends <parameter name=".." value=".."/> to a document or element; false when the
// node cannot take it.
bool gf_appendXmlParameter(pugi::xml_node node, std::string_view name, std::string_view value);

// Write the setting's current value into the file (logged); false when it was not saved
// ("Saving '{}' failed" in the log).
bool gf_saveBoolParameter(BoolParameter& parameter);
bool gf_saveIntParameter(IntParameter& parameter);
bool gf_saveStringParameter(StringParameter& parameter);
// Assigns the text and saves it.
bool gf_setStringParameter(StringParameter& parameter, std::string text);
// Removes the setting's entry from the file; false when the file or the entry is missing.
bool gf_removeParameter(const ParameterBase& parameter);

// lfolder0..9 and afolder0..9: never added to the file by the loader, removed when empty.
bool gf_isFolderParameter(std::string_view name);
