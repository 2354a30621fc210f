#include "liveries/regcodes.h"

#include "core/files.h"
#include "core/log.h"
#include "core/refdata/stream_cipher.h"
#include "core/settings/file_names.h"
#include "core/shell/status_line.h"
#include "core/text.h"
#include "core/text_files.h"
#include "liveries/livery_tables.h"
#include "liveries/scan_reports.h"
#include "liveries/scanned_liveries.h"
#include "records/aircraft.h"

#include <algorithm>
#include <fmt/format.h>
#include <pugixml.hpp>
#include <system_error>

namespace fs = std::filesystem;

std::unordered_map<std::string, std::string_view, TextHash, std::equal_to<>> RegcodeMap;
std::vector<std::string_view> SpecialTitles;
TextSet DontUseTitles;
std::vector<std::string> OfflineRegcodeReport;

namespace {

std::unordered_set<std::string_view> specialTitleSet;

bool lf_isTrue(const char* text) {
  return text[0] && std::string_view("1tTyY").find(text[0]) != std::string_view::npos;
}

const char* lf_liveryWord(std::size_t count) { return count == 1 ? "livery" : "liveries"; }

bool lf_validRegcodeLength(const std::string& reg) { return reg.size() >= 3 && reg.size() <= 12; }

// One line of a user's file; false when the line is reported.
bool lf_readMyRegcodeLine(const std::string& line, const fs::path& file, std::list<RegcodeData>& entries) {
  const auto fields = gf_splitTrim(line, ';');
  const auto path = gf_pathText(file);
  if (fields.size() == 1) {
    if (!fields[0].empty()) entries.push_back({fields[0], {}, false});
    return true;
  }
  if (fields.size() != 2 && fields.size() != 3) {
    gf_logWarning(fmt::format("{}: wrong format '{}'", path, line));
    return false;
  }
  auto regs = gf_splitToList(fields[1]);
  if (regs.empty()) return true;
  if (regs.size() == 1) {
    if (!lf_validRegcodeLength(regs.front())) {
      gf_logWarning(fmt::format("wrong regcode length '{}' in {}", regs.front(), path));
      return false;
    }
    entries.push_back({fields[0], std::move(regs), true});
    return true;
  }
  bool ok = true;
  for (auto it = regs.begin(); it != regs.end();) {
    if (lf_validRegcodeLength(*it)) {
      ++it;
      continue;
    }
    gf_logWarning(fmt::format("wrong regcode length '{}' in {}", *it, path));
    ok = false;
    it = regs.erase(it);
  }
  if (regs.empty()) {
    gf_logWarning(fmt::format("{} ; regs empty?", path));
    return false;
  }
  entries.push_back({fields[0], std::move(regs), fields.size() == 3 && fields[2] == "#"});
  return ok;
}

void lf_mergeRegcodes(std::list<RegcodeData> entries) {
  std::size_t added = 0, replaced = 0, special = 0;
  for (const auto& entry : entries) {
    const auto title = gf_findLiveryTitle(entry.title);
    if (title.empty() || entry.regs.empty()) continue;
    for (const auto& reg : entry.regs) {
      const auto [found, isNew] = RegcodeMap.try_emplace(reg, title);
      if (isNew) {
        ++added;
      } else if (found->second != title) {
        OfflineRegcodeReport.push_back(
            fmt::format("   regcode {} for '{}', instead of the same for '{}'", reg, title, found->second));
        found->second = title;
        ++replaced;
      }
    }
    if (entry.special) {
      SpecialTitles.push_back(title);
      specialTitleSet.insert(title);
      ++special;
    }
  }
  auto summary = fmt::format("{} new regcode{} added", added, gf_plural(added));
  if (replaced > 0) summary += fmt::format(", {} regcode{} replaced", replaced, gf_plural(replaced));
  if (special > 0) summary += fmt::format(", {} regcode{} defined as special", special, gf_plural(special));
  OfflineRegcodeReport.push_back(std::move(summary));
}

void lf_processAigRegcodes() {
  OfflineRegcodeReport.push_back(fmt::format("Processing file {}", gf_pathText(aigRegcodesXmlFile)));
  std::list<RegcodeData> entries;
  if (!gf_readAigRegcodes(entries))
    OfflineRegcodeReport.push_back(fmt::format("There were errors processing the AIG-regcode file '{}', see Log.txt",
                                               gf_pathText(aigRegcodesXmlFile)));
  lf_mergeRegcodes(std::move(entries));
}

void lf_processMyRegcodes() {
  OfflineRegcodeReport.push_back(fmt::format("Processing files in {}", gf_pathText(myRegcodesFolder)));
  std::list<RegcodeData> entries;
  if (!gf_readMyRegcodeFiles(myRegcodesFolder, entries))
    gf_showMessage(fmt::format("There were errors processing the regcode files in folder '{}', see Log.txt",
                               gf_pathText(myRegcodesFolder)),
                   true);
  lf_mergeRegcodes(std::move(entries));
}

} // namespace

bool gf_isSpecialTitle(std::string_view title) { return specialTitleSet.contains(title); }

void gf_clearRegcodes() {
  SpecialTitles.clear();
  specialTitleSet.clear();
  RegcodeMap.clear();
}

bool gf_readAigRegcodes(std::list<RegcodeData>& entries) {
  const auto path = gf_pathText(aigRegcodesXmlFile);
  pugi::xml_document document;
  if (!document.load_file(aigRegcodesXmlFile.c_str())) {
    gf_logWarning(fmt::format("Failed to load {}", path));
    return false;
  }
  bool ok = true;
  std::string previousTitle;
  for (const auto element : document.child("AIG-regcodes").children("livery")) {
    std::string title = element.attribute("title").value();
    if (title.empty()) continue;
    if (title == previousTitle) {
      gf_logWarning(fmt::format("SAME AS PREVIOUS title '{}'", title));
      ok = false;
      continue;
    }
    previousTitle = title;
    entries.push_back({std::move(title), gf_splitToList(element.attribute("reg").value()),
                       lf_isTrue(element.attribute("special").value())});
  }
  gf_log(fmt::format("{} {} read from {}", entries.size(), lf_liveryWord(entries.size()), path));
  return ok;
}

bool gf_readMyRegcodeFiles(const fs::path& folder, std::list<RegcodeData>& entries) {
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.is_regular_file() && gf_toUpper(gf_pathText(entry.path().extension())) == ".TXT")
      files.push_back(entry.path());
  // The listing's order is the file system's; the names' order is the same everywhere.
  std::sort(files.begin(), files.end());
  bool ok = true;
  for (const auto& file : files) {
    gf_log(fmt::format("Processing regcodes file '{}'", gf_pathText(file)));
    TextLinesFile text{file, {}};
    for (const auto& line : text.readLines(512))
      if (!line.empty() && !lf_readMyRegcodeLine(line, file, entries)) ok = false;
  }
  gf_log(fmt::format("{} {}", entries.size(), lf_liveryWord(entries.size())));
  return ok;
}

void gf_readAigDontUseTitles() {
  std::list<RegcodeData> entries;
  gf_readAigRegcodes(entries);
  std::size_t count = 0;
  for (auto& entry : entries)
    if (entry.regs.empty()) {
      DontUseTitles.insert(std::move(entry.title));
      ++count;
    }
  gf_log(fmt::format("{} don't use title{} read", count, gf_plural(count)));
}

void gf_readMyDontUseTitles() {
  std::list<RegcodeData> entries;
  gf_readMyRegcodeFiles(myRegcodesFolder, entries);
  std::size_t count = 0;
  for (auto& entry : entries)
    if (entry.regs.empty()) {
      DontUseTitles.insert(std::move(entry.title));
      ++count;
    }
  gf_log(fmt::format("{} don't use title{} read from files in {}", count, gf_plural(count),
                     gf_pathText(myRegcodesFolder)));
}

void gf_addInlineRegcodes() {
  std::vector<std::string> clashes;
  for (const auto& livery : ScannedLiveryList) {
    if (livery.atcid.empty()) continue;
    const auto title = gf_findLiveryTitle(livery.title);
    if (title.empty()) {
      clashes.push_back(fmt::format("==> [{}] {} '{}' not available, system error, should not happen?",
                                    gf_airlineTypeText(livery.airl, livery.type), livery.atcid, livery.title));
      continue;
    }
    const auto [found, isNew] = RegcodeMap.try_emplace(livery.atcid, title);
    if (!isNew && found->second != title)
      clashes.push_back(fmt::format("{} '{}' => already in use by '{}'", livery.atcid, livery.title, found->second));
  }
  if (clashes.empty()) return;
  fs::create_directories(errorsFolder);
  if (!gf_writeLinesToFile(clashes, inlineRegcodesReportFile))
    gf_logWarning(fmt::format("could not write {}", gf_pathText(inlineRegcodesReportFile)));
  gf_log(fmt::format("{} in-line regcode clashes, see '{}'", clashes.size(), gf_pathText(inlineRegcodesReportFile)));
}

void gf_processOfflineRegcodes() {
  OfflineRegcodeReport.clear();
  if (gf_streamDecrypt(aigRegcodesEncFile, aigRegcodesXmlFile)) {
    lf_processAigRegcodes();
    gf_removeFile(aigRegcodesXmlFile);
  }
  // The user's own files count also when the program's file is missing or damaged.
  if (gf_countFiles(myRegcodesFolder) > 0) lf_processMyRegcodes();
  if (OfflineRegcodeReport.empty()) return;
  fs::create_directories(infoFolder);
  // Written beside and put in place: an old report held open by an editor stays as it was.
  if (!gf_writeLinesToFile(OfflineRegcodeReport, offlineRegcodesReportFile))
    gf_logWarning(fmt::format("could not write {}", gf_pathText(offlineRegcodesReportFile)));
  else
    gf_log(fmt::format("Offline regcode files processed, results can be found in '{}'",
                       gf_pathText(offlineRegcodesReportFile)));
  if (!SpecialTitles.empty()) gf_log(fmt::format("{} special liveries", SpecialTitles.size()));
}
