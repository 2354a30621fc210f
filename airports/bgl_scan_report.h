#pragma once
// The add-on airport scan's report, written to output/info/AirportsScanLog.txt at the end
// of a scan. Lines that a BGL worker adds are kept with that worker's file and join the
// report in the order of the files, so the report reads the same however many workers ran
// and whichever finished first.
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

struct AirportScanReport {
  std::mutex mutex;
  std::vector<std::string> lines;
};

extern AirportScanReport airportScanReport;

// Any thread; the lock is held for the one append.
void gf_addScanReportLine(std::string_view text);
void gf_addScanReportLines(const std::vector<std::string>& lines);
// Empties the report and hands over its lines.
std::vector<std::string> gf_takeScanReport();

// While it lives, the lines this thread adds go into `lines` instead of the report.
class ScanReportCapture {
public:
  explicit ScanReportCapture(std::vector<std::string>& lines);
  ScanReportCapture(const ScanReportCapture&) = delete;
  ScanReportCapture& operator=(const ScanReportCapture&) = delete;
  ~ScanReportCapture();

private:
  std::vector<std::string>* previous_;
};
