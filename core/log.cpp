#include "core/log.h"

#include "core/shell/run_state.h"
#include "core/files.h"
#include "core/time.h"
#include "core/version.h"

#include <fmt/format.h>
#include <stdexcept>

std::mutex logMutex;
std::ofstream logStream;

namespace {

void lf_writeLine(std::string_view prefix, std::string_view text) {
  std::lock_guard lock(logMutex);
  if (!logStream.is_open()) return;
  logStream << prefix << text << '\n';
  logStream.flush();
  logStream.clear(); // a failed write must not silence the log for good
}

// "Log.txt" -> "Log0.txt": a 0 before the last '.'.
std::filesystem::path lf_olderLogName(const std::filesystem::path& file, std::string_view zeros) {
  auto text = file.u8string();
  const auto dot = text.rfind(u8'.');
  text.insert(dot, reinterpret_cast<const char8_t*>(zeros.data()), zeros.size());
  return std::filesystem::path(text);
}

void lf_keepOldLogs(const std::filesystem::path& file) {
  namespace fs = std::filesystem;
  if (file.u8string().rfind(u8'.') == std::u8string::npos) return;
  const auto previous = lf_olderLogName(file, "0");
  const auto beforePrevious = lf_olderLogName(file, "00");
  if (fs::exists(previous)) gf_copyFileOver(previous, beforePrevious);
  if (fs::exists(file)) gf_copyFileOver(file, previous);
}

} // namespace

void gf_openLog(const std::filesystem::path& file) {
  lf_keepOldLogs(file);
  {
    std::lock_guard lock(logMutex);
    if (logStream.is_open()) logStream.close();
    logStream.clear();
    logStream.open(file, std::ios::out | std::ios::trunc);
    if (!logStream.is_open()) {
      logStream.clear();
      throw std::runtime_error("Failed to write file " + gf_pathText(file));
    }
  }
  gf_log(fmt::format("{} (utc) {} version {} for {}", gf_utcTimeText(gf_nowSeconds()), programName,
                     gf_versionText(gf_runningVersion()), simulatorTitle));
}

void gf_closeLog() {
  std::lock_guard lock(logMutex);
  if (logStream.is_open()) logStream.close();
  logStream.clear();
}

bool gf_isLogOpen() {
  std::lock_guard lock(logMutex);
  return logStream.is_open();
}

void gf_log(std::string_view text) { lf_writeLine({}, text); }
void gf_logWarning(std::string_view text) { lf_writeLine("===> ", text); }
void gf_logIndented(std::string_view text) { lf_writeLine("          ", text); }

void gf_logWhileRunning(const std::string& text) {
  if (runState.stopRequested.load() || runState.windowClosedByUser.load()) return;
  lf_writeLine({}, text);
}
