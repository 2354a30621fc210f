#include "airports/bgl_scan_report.h"

AirportScanReport airportScanReport;

namespace {

thread_local std::vector<std::string>* t_capture = nullptr;

} // namespace

void gf_addScanReportLine(std::string_view text) {
  if (t_capture != nullptr) {
    t_capture->emplace_back(text);
    return;
  }
  std::lock_guard lock(airportScanReport.mutex);
  airportScanReport.lines.emplace_back(text);
}

void gf_addScanReportLines(const std::vector<std::string>& lines) {
  if (t_capture != nullptr) {
    t_capture->insert(t_capture->end(), lines.begin(), lines.end());
    return;
  }
  std::lock_guard lock(airportScanReport.mutex);
  airportScanReport.lines.insert(airportScanReport.lines.end(), lines.begin(), lines.end());
}

std::vector<std::string> gf_takeScanReport() {
  std::lock_guard lock(airportScanReport.mutex);
  std::vector<std::string> lines;
  lines.swap(airportScanReport.lines);
  return lines;
}

ScanReportCapture::ScanReportCapture(std::vector<std::string>& lines) : previous_(t_capture) { t_capture = &lines; }

ScanReportCapture::~ScanReportCapture() { t_capture = previous_; }
