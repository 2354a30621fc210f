#include "airports/addon_outputs.h"

#include "airports/airport_file.h"
#include "airports/airport_files.h"
#include "airports/bgl_scan_report.h"
#include "airports/publishers.h"
#include "core/files.h"
#include "core/log.h"
#include "core/refdata/dbase_tables.h"
#include "core/settings/file_names.h"
#include "core/settings/meta_block.h"
#include "core/text.h"
#include "core/text_files.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <fmt/format.h>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace fs = std::filesystem;

std::atomic<bool> airportGenerated{false};

namespace {

constexpr std::string_view warning = "===> ";
constexpr std::string_view simaddon = "simaddon";

// What the manifest knows of a file the scan wrote: what it was made from, and its size
// and time as written. A file made from the same as before and untouched since is not
// written again, so a scan of unchanged scenery costs little more than reading it.
struct FileStamp {
  std::string made;
  std::uintmax_t size = 0;
  std::int64_t time = 0;
};

using FileStamps = std::map<std::string, FileStamp, std::less<>>;

// Every scenery file that holds one airport, and what the one the simulator shows wrote.
struct CodeOutputs {
  std::mutex mutex;
  std::vector<std::pair<SceneryRank, std::string>> sources;
  std::optional<SceneryRank> winner;
  FileStamps files; // by manifest text: the files the winner wrote
};

struct AddonOutputs {
  // Held while an airport's entry is looked up, and for the manifest's lists; never while
  // files are written (each airport has its own lock for that).
  std::mutex linkMutex;
  FileStamps previous; // what the last scan wrote
  std::map<std::string, std::unique_ptr<CodeOutputs>> codes;
  std::set<std::string> forgotten;
  std::atomic<std::int32_t> writeFailures{0};
  PublisherOf publisherOf; // set before the workers start, then only read
  // The scan can make every file it writes again, so they reach the disk together at its
  // end, before the manifest records them, rather than one by one.
  FlushBatch written;
  std::mutex claimMutex; // held while a file new to the manifest is added to it
};

AddonOutputs addonOutputs;

// The manifest names files relative to the program's folder, with forward slashes.
std::string lf_manifestText(const fs::path& file) {
  auto text = gf_pathText(file.lexically_normal());
  for (auto& c : text)
    if (c == '\\') c = '/';
  return text;
}

// Only what the scan can have written: the manifest is a file like any other, and the scan
// removes what it lists.
bool lf_isScanFileText(std::string_view text) {
  for (const auto& folder : {myOrbxFolder, myThirdpartyFolder}) {
    const auto prefix = lf_manifestText(folder) + "/";
    if (!text.starts_with(prefix)) continue;
    const auto name = text.substr(prefix.size());
    if (name.size() != 8 || !(name.ends_with(".xml") || name.ends_with(".txt"))) return false;
    return std::all_of(name.begin(), name.begin() + 4,
                       [](char c) { return (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'); });
  }
  return false;
}

CodeOutputs& lf_codeOutputs(const std::string& code) {
  std::lock_guard lock(addonOutputs.linkMutex);
  auto& entry = addonOutputs.codes[code];
  if (!entry) entry = std::make_unique<CodeOutputs>();
  return *entry;
}

std::optional<std::string> lf_simaddonArchivePath(const std::string& code) {
  if (dbaseTables.simaddonAirports.contains(code)) return fmt::format("archive/{}/{}", simaddon, gf_codeXmlText(code));
  gf_addScanReportLine(fmt::format("{} does not exist as simaddon", code));
  return std::nullopt;
}

std::optional<std::string> lf_thirdPartyArchivePath(const std::string& publisher, const std::string& code,
                                                    std::int32_t& archivedCount) {
  std::string urlPublisher;
  for (const char c : publisher) urlPublisher += c == ' ' ? std::string("%20") : std::string(1, c);
  const auto path = fmt::format("archive/thirdparty/{}/{}", urlPublisher, gf_codeXmlText(code));
  for (const auto& party : dbaseTables.thirdParties) {
    if (party.pub != publisher) continue;
    ThirdPartyKey key{publisher, code, archivedCount};
    for (const auto& entry : party.arpts)
      if (gf_matchThirdPartyEntry(key, entry)) {
        archivedCount = key.number;
        return path;
      }
  }
  gf_addScanReportLine(fmt::format("thirdparty {} {} does not exist", publisher, code));
  return std::nullopt;
}

// What the scan means to write for one airport of one scenery file.
struct AirportPlan {
  std::optional<fs::path> linkFile;
  std::string linkTarget;
  std::optional<fs::path> standFile;
};

// A file there that no scan of ours wrote is the user's own: it stays as it is.
bool lf_isUsersFile(const fs::path& file, const FileStamps& ours) {
  const auto text = lf_manifestText(file);
  std::error_code error;
  return fs::exists(file, error) && !addonOutputs.previous.contains(text) && !ours.contains(text);
}

std::optional<FileStamp> lf_stampOf(const fs::path& file, std::string made) {
  std::error_code error;
  const auto size = fs::file_size(file, error);
  if (error) return std::nullopt;
  const auto time = fs::last_write_time(file, error);
  if (error) return std::nullopt;
  return FileStamp{std::move(made), size, static_cast<std::int64_t>(time.time_since_epoch().count())};
}

// A fingerprint of what a file is made from (FNV-1a over bytes, and over whole words for
// the numbers), not a guard against anyone.
class Fingerprint {
public:
  void add(std::string_view text) {
    for (const char c : text) mix(static_cast<unsigned char>(c));
    mix(0xFF); // ends the text, so "ab"+"c" differs from "a"+"bc"
  }
  void add(std::uint64_t word) { mix(word); }
  void add(double value) { mix(std::bit_cast<std::uint64_t>(value)); }
  std::string text() const { return fmt::format("{:016x}", hash_); }

private:
  void mix(std::uint64_t value) {
    hash_ ^= value;
    hash_ *= 1099511628211ull;
  }
  std::uint64_t hash_ = 14695981039346656037ull;
};

std::string lf_linkMadeOf(const std::string& target) {
  Fingerprint made;
  made.add(std::string_view("link"));
  made.add(target);
  return made.text();
}

// The header of the stand file and the stands it is made from, before they become stand
// records: a stand file found written already never needs them.
std::string lf_standFileMadeOf(const AirportFileData& data, const std::vector<BglStand>& stands) {
  Fingerprint made;
  const auto simulator = simulatorName.get();
  for (const std::string_view text :
       {std::string_view(HVM_VERSION_TEXT), std::string_view(simulator), std::string_view(data.code),
        std::string_view(data.airport_name), std::string_view(data.publisher), std::string_view(data.BGLpath)})
    made.add(text);
  made.add(static_cast<std::uint64_t>(static_cast<std::uint32_t>(data.altitude)));
  made.add(static_cast<std::uint64_t>(stands.size()));
  for (const auto& s : stands) {
    made.add(s.name);
    for (const double value : {s.lat, s.lon, s.heading, s.radius}) made.add(value);
    made.add(static_cast<std::uint64_t>(s.cargo) | static_cast<std::uint64_t>(s.ramp) << 1 |
             static_cast<std::uint64_t>(s.heli) << 2);
  }
  return made.text();
}

// A file new to the manifest is added to it before it is written, by a line of its path
// alone: when the program ends before the scan's end (a crash, a power cut), the next scan
// still knows the file for its own rather than the user's. The manifest is written whole
// at the scan's end; a line cut short by a crash names no file of the scan's.
bool lf_claimInManifest(const std::string& text) {
  std::lock_guard lock(addonOutputs.claimMutex);
  std::ofstream manifest(gf_addonManifestFile(), std::ios::binary | std::ios::app);
  manifest << '\n' << text << '\n';
  manifest.flush();
  return static_cast<bool>(manifest);
}

// Writes one file of a plan, unless the file there is the one this plan would write.
bool lf_writeFile(const FileStamps& before, FileStamps& after, const fs::path& file, std::string made,
                  const std::function<bool()>& write) {
  const auto text = lf_manifestText(file);
  const FileStamp* known = nullptr;
  if (const auto here = before.find(text); here != before.end())
    known = &here->second;
  else if (const auto last = addonOutputs.previous.find(text); last != addonOutputs.previous.end())
    known = &last->second;
  if (known != nullptr && known->made == made) {
    const auto now = lf_stampOf(file, made);
    if (now && now->size == known->size && now->time == known->time) {
      after[text] = *now;
      return true;
    }
  }
  if (known == nullptr && !lf_claimInManifest(text)) {
    gf_logWarning(fmt::format("Could not add {} to {}", text, gf_pathText(gf_addonManifestFile())));
    return false;
  }
  if (!write()) return false;
  after[text] = lf_stampOf(file, std::move(made)).value_or(FileStamp{});
  return true;
}

// Writes the plan of the airport's winning scenery file so far, replacing what a lower one
// wrote. Returns false when a file could not be written.
bool lf_writePlan(CodeOutputs& outputs, const AirportPlan& plan, AirportFileData& data,
                  const std::vector<BglStand>& stands, SceneryRank rank) {
  if (outputs.winner && rank < *outputs.winner) return true;
  FileStamps files;
  bool ok = true;
  const auto keep = [&](const fs::path& file) {
    if (!lf_isUsersFile(file, outputs.files)) return true;
    gf_addScanReportLine(
        fmt::format("{}{} is a stand file of your own: the scan leaves it as it is", warning, gf_pathText(file)));
    return false;
  };
  if (plan.linkFile && keep(*plan.linkFile)) {
    if (lf_writeFile(outputs.files, files, *plan.linkFile, lf_linkMadeOf(plan.linkTarget),
                     [&] { return gf_writeTextToFile(plan.linkTarget, *plan.linkFile); })) {
      airportGenerated.exchange(true);
    } else {
      gf_addScanReportLine(fmt::format("{}Writing {} did not succeed", warning, gf_pathText(*plan.linkFile)));
      ok = false;
    }
  }
  if (plan.standFile && keep(*plan.standFile)) {
    fs::create_directories(plan.standFile->parent_path());
    const auto write = [&] {
      data.stands.clear();
      data.stands.reserve(stands.size());
      for (const auto& s : stands)
        data.stands.emplace_back(s.name, std::vector<StandOptionData>{}, s.lat, s.lon, s.heading,
                                 s.radius * metresPerNm, s.cargo, s.ramp, s.heli);
      return gf_writeAirportFile(data, *plan.standFile, AirportFileMode::Generated);
    };
    if (lf_writeFile(outputs.files, files, *plan.standFile, lf_standFileMadeOf(data, stands), write)) {
      airportGenerated.exchange(true);
    } else {
      gf_addScanReportLine(fmt::format("{}Generating {} did not succeed", warning, gf_pathText(*plan.standFile)));
      ok = false;
    }
  }
  // What a scenery file below this one wrote and this one does not must not hide it.
  for (const auto& [old, stamp] : outputs.files)
    if (!files.contains(old)) gf_removeFile(gf_pathFromText(old));
  outputs.winner = rank;
  outputs.files = std::move(files);
  if (!ok) ++addonOutputs.writeFailures;
  return ok;
}

} // namespace

fs::path gf_addonManifestFile() { return airportsFolder / "addon_scan_files.txt"; }

void gf_beginAddonOutputs(PublisherOf publisherOf) {
  std::lock_guard lock(addonOutputs.linkMutex);
  addonOutputs.publisherOf = std::move(publisherOf);
  addonOutputs.previous.clear();
  addonOutputs.codes.clear();
  addonOutputs.forgotten.clear();
  addonOutputs.writeFailures = 0;
  addonOutputs.written.clear();
  airportGenerated = false;
  TextLinesFile manifest{gf_addonManifestFile(), {}};
  // "path<TAB>made<TAB>size<TAB>time"; a line of a path alone is a file of the scan's too.
  for (const auto& line : manifest.readLines(1024)) {
    const auto fields = gf_splitTrim(line, '\t');
    if (fields.empty() || !lf_isScanFileText(fields[0])) continue;
    FileStamp stamp;
    if (fields.size() == 4) {
      stamp.made = fields[1];
      std::from_chars(fields[2].data(), fields[2].data() + fields[2].size(), stamp.size);
      std::from_chars(fields[3].data(), fields[3].data() + fields[3].size(), stamp.time);
    }
    addonOutputs.previous[fields[0]] = std::move(stamp);
  }
}

bool lf_processAirportRecord(BglAirport airport, const std::string& bglPath, SceneryRank rank) {
  AirportFileData data;
  data.code = airport.code;
  data.airport_name = std::move(airport.name);
  data.altitude = airport.altitude;
  data.BGLpath = bglPath;
  data.publisher = addonOutputs.publisherOf ? addonOutputs.publisherOf(bglPath) : std::string("unknown");
  // Sorted by name before they become stand records, which are heavy to move.
  std::stable_sort(airport.stands.begin(), airport.stands.end(),
                   [](const BglStand& a, const BglStand& b) { return a.name < b.name; });

  const bool isSimaddon = data.publisher == simaddon;
  const auto& folder = isSimaddon ? myOrbxFolder : myThirdpartyFolder;
  AirportPlan plan;
  std::int32_t archivedCount = 0;
  if (data.publisher != "unknown") {
    const auto target = isSimaddon ? lf_simaddonArchivePath(data.code)
                                   : lf_thirdPartyArchivePath(data.publisher, data.code, archivedCount);
    if (target) {
      plan.linkFile = folder / gf_codeTxtPath(data.code);
      plan.linkTarget = *target;
      gf_addScanReportLine(isSimaddon ? fmt::format("{} airport {} linked to {}", simaddon, data.code, *target)
                                      : fmt::format("thirdparty airport {} linked to {}", data.code, *target));
    }
  }
  const auto count = static_cast<std::int32_t>(airport.stands.size());
  const bool moreThanArchived = archivedCount < count && !isSimaddon;
  if (moreThanArchived)
    gf_addScanReportLine(
        fmt::format("{}{} has {} parkpos while archived one has {}", warning, data.code, count, archivedCount));
  if ((!plan.linkFile || moreThanArchived) && count > 0) {
    plan.standFile = folder / gf_codeXmlPath(data.code);
    const auto helipads = airport.helipadCount;
    gf_addScanReportLine(fmt::format(
        "Generated {}: {} position{}{}", gf_codeXmlText(data.code), count, gf_plural(count),
        helipads > 0 ? fmt::format(", of which {} helipad{}", helipads, gf_plural(helipads)) : std::string()));
  }

  // A record without stands and without a link (a file that only flattens the ground, say)
  // takes nothing away from a file that has them.
  if (!plan.linkFile && !plan.standFile) return true;
  auto& outputs = lf_codeOutputs(data.code);
  std::lock_guard lock(outputs.mutex);
  outputs.sources.emplace_back(rank, bglPath);
  const FlushBatch::Scope flushAtTheEnd(addonOutputs.written);
  return lf_writePlan(outputs, plan, data, airport.stands, rank);
}

std::vector<std::string> gf_duplicateAirportLines() {
  std::lock_guard lock(addonOutputs.linkMutex);
  std::vector<std::string> lines;
  for (auto& [code, outputs] : addonOutputs.codes) {
    std::lock_guard codeLock(outputs->mutex);
    if (outputs->sources.size() < 2) continue;
    std::sort(outputs->sources.begin(), outputs->sources.end());
    // A folder listed twice, or inside another listed one, has its files read twice: one file.
    std::set<std::string> files;
    for (const auto& [rank, path] : outputs->sources) files.insert(path);
    if (files.size() < 2) continue;
    lines.push_back(fmt::format("{}{} is in {} scenery files; its stand file comes from {}", warning, code,
                                files.size(), outputs->sources.back().second));
  }
  return lines;
}

std::vector<std::string> gf_generatedCodes(const fs::path& folder) {
  std::lock_guard lock(addonOutputs.linkMutex);
  std::vector<std::string> codes;
  for (auto& [code, outputs] : addonOutputs.codes) {
    std::lock_guard codeLock(outputs->mutex);
    const auto standFile = lf_manifestText(folder / gf_codeXmlPath(code));
    if (outputs->files.contains(standFile)) codes.push_back(code);
  }
  return codes;
}

void gf_forgetAddonOutput(const fs::path& file) {
  std::lock_guard lock(addonOutputs.linkMutex);
  addonOutputs.forgotten.insert(lf_manifestText(file));
}

bool gf_finishAddonOutputs(bool complete) {
  const bool flushed = addonOutputs.written.flush();
  if (!flushed) {
    gf_logWarning("The stand files of the airports scan could not all be brought to the disk: the next scan writes "
                  "them again");
    ++addonOutputs.writeFailures;
  }
  FileStamps manifest;
  {
    std::lock_guard lock(addonOutputs.linkMutex);
    for (auto& [code, outputs] : addonOutputs.codes) {
      std::lock_guard codeLock(outputs->mutex);
      for (const auto& [file, stamp] : outputs->files)
        if (!addonOutputs.forgotten.contains(file)) manifest[file] = stamp;
    }
  }
  for (const auto& [old, stamp] : addonOutputs.previous) {
    if (manifest.contains(old) || addonOutputs.forgotten.contains(old)) continue;
    // A scan cut short has not seen every airport: what the last one wrote stays for now.
    if (complete)
      gf_removeFile(gf_pathFromText(old));
    else
      manifest[old] = stamp;
  }
  std::vector<std::string> lines;
  lines.reserve(manifest.size());
  for (const auto& [file, stamp] : manifest) {
    // Files that may not be whole on the disk are still the scan's, but none counts as made.
    if (flushed)
      lines.push_back(fmt::format("{}\t{}\t{}\t{}", file, stamp.made, stamp.size, stamp.time));
    else
      lines.push_back(file);
  }
  if (gf_writeLinesToFile(lines, gf_addonManifestFile())) return flushed;
  gf_logWarning(fmt::format("Could not write {}: the next scan will take the files it lists for your own",
                            gf_pathText(gf_addonManifestFile())));
  ++addonOutputs.writeFailures;
  return false;
}

std::int32_t gf_addonWriteFailures() { return addonOutputs.writeFailures.load(); }
