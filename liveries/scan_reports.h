#pragma once
// What a livery scan could not use or had to correct: one line per problem, collected from
// the parallel file tasks, written to report files under output/errors and output/info at
// the end of a scan and counted in a short summary in the log.
#include <filesystem>
#include <mutex>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

// A list of report lines that several file tasks append to.
class ReportList {
public:
  void add(std::string line);
  std::vector<std::string> lines() const;
  std::size_t size() const;
  void clear();

private:
  mutable std::mutex mutex_;
  std::vector<std::string> lines_;
};

struct ScanReports {
  ReportList noFltsimFiles;
  ReportList invalidCfgFiles;
  ReportList incompleteSections;
  ReportList invalidAirlineCodes;
  ReportList invalidModelCodes;
  ReportList modelFixes;
  // Worker thread only.
  std::vector<std::string> registrationConversions;
  // The titles taken in this scan.
  std::mutex titlesMutex;
  std::unordered_set<std::string> scannedTitles;
};

extern ScanReports scanReports;

// The report files.
extern const std::filesystem::path noFltsimReportFile;           // output/info/AircraftCfgWithNoFltsimSection.txt
extern const std::filesystem::path conversionsReportFile;        // output/info/AirlineModelConversions.txt
extern const std::filesystem::path invalidCfgReportFile;         // output/errors/InvalidAircraftCfgFiles.txt
extern const std::filesystem::path incompleteSectionsReportFile; // output/errors/IncompleFltsimSections.txt
extern const std::filesystem::path invalidAirlinesReportFile;    // output/errors/InvalidAirlineCodes.txt
extern const std::filesystem::path invalidModelsReportFile;      // output/errors/InvalidAircraftCodes.txt
extern const std::filesystem::path fixesReportFile;              // output/errors/Fixes.txt
extern const std::filesystem::path inlineRegcodesReportFile;     // output/errors/InlineRegcodes.txt
extern const std::filesystem::path offlineRegcodesReportFile;    // output/info/OfflineRegcodes.txt

// Appends from any thread.
void gf_addNoFltsimFile(std::string line);
void gf_addFixLine(std::string line);
void gf_addInvalidCfgLine(std::string line);
void gf_addIncompleteSectionLine(std::string line);
// "{:12} in {} " and the extra text.
void gf_addInvalidAirlineLine(std::string_view code, const std::filesystem::path& file, std::string_view extra);
// "{:16} in {}".
void gf_addInvalidModelLine(std::string_view code, const std::filesystem::path& file);

// Worker thread, when no file task runs. The previous scan's reports go only once a new
// scan has its result, so a scan that is stopped or fails leaves them as they were.
void gf_removePreviousReports();
void gf_logScanSummary();
void gf_resetScanReports();
