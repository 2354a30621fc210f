#include "core/log.h"
#include "core/log_throttle.h"
#include "core/shell/run_state.h"
#include "support/test_support.h"

#include <cctype>
#include <chrono>
#include <fmt/format.h>
#include <gtest/gtest.h>
#include <string_view>
#include <thread>
#include <vector>

using testing_support::readFile;
using testing_support::ScopedCurrentPath;
using testing_support::TempDir;
using testing_support::writeFile;

namespace {
std::string firstLine(const std::filesystem::path& file) {
  const auto text = readFile(file);
  return text.substr(0, text.find('\n'));
}

// Whether the line has the shape: '#' stands for a digit, '@' for a letter, digit or '_',
// every other character for itself; one CR may end the line.
bool hasShape(std::string_view line, std::string_view shape) {
  if (line.size() == shape.size() + 1 && line.back() == '\r') line.remove_suffix(1);
  if (line.size() != shape.size()) return false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const auto c = static_cast<unsigned char>(line[i]);
    const bool fits = shape[i] == '#'   ? std::isdigit(c) != 0
                      : shape[i] == '@' ? std::isalnum(c) != 0 || c == '_'
                                        : line[i] == shape[i];
    if (!fits) return false;
  }
  return true;
}
} // namespace

TEST(Log, BannerAndTwoOlderLogsOverThreeStarts) {
  TempDir dir;
  ScopedCurrentPath cwd(dir.path());
  for (int run = 1; run <= 3; ++run) {
    gf_openLog();
    gf_log("run " + std::to_string(run));
    gf_closeLog();
  }
  EXPECT_TRUE(
      hasShape(firstLine("Log.txt"), "@@@ @@@ ## ##:##:## #### (utc) Hivemoor version 11.0.3 for Prepar3D v5/v6"))
      << firstLine("Log.txt");
  EXPECT_NE(readFile("Log.txt").find("run 3"), std::string::npos);
  EXPECT_NE(readFile("Log0.txt").find("run 2"), std::string::npos);
  EXPECT_NE(readFile("Log00.txt").find("run 1"), std::string::npos);
}

TEST(Log, PreviousLogWithoutCurrentOne) {
  TempDir dir;
  ScopedCurrentPath cwd(dir.path());
  writeFile("Log0.txt", "older\n");
  gf_openLog();
  gf_closeLog();
  EXPECT_EQ(readFile("Log00.txt"), "older\n");
  EXPECT_EQ(readFile("Log0.txt"), "older\n");
}

TEST(Log, WritersBeforeOpenOrAfterAFailedOpenWriteNothing) {
  TempDir dir;
  ScopedCurrentPath cwd(dir.path());
  gf_closeLog();
  EXPECT_NO_THROW(gf_log("nobody hears this"));
  // A folder where the log file should be cannot be opened as a file.
  std::filesystem::create_directory(dir / "Blocked.txt");
  EXPECT_THROW(gf_openLog(dir / "Blocked.txt"), std::runtime_error);
  EXPECT_FALSE(gf_isLogOpen());
  EXPECT_NO_THROW(gf_logWarning("still nothing"));
}

TEST(Log, LinePrefixesAndTheRunningGate) {
  testing_support::LogCapture log;
  gf_log("");
  gf_logWarning("");
  gf_logIndented("");
  gf_logWarning("careful");
  gf_logIndented("inner");
  gf_logWhileRunning("running");
  runState.stopRequested = true;
  gf_logWhileRunning("stopping");
  gf_log("plain still written");
  runState.stopRequested = false;
  runState.windowClosedByUser = true;
  gf_logWhileRunning("closed");
  runState.windowClosedByUser = false;
  EXPECT_EQ(log.lines(), (std::vector<std::string>{"", "===> ", "          ", "===> careful", "          inner",
                                                   "running", "plain still written"}));
}

TEST(Log, LinesOfManyThreadsNeverInterleave) {
  testing_support::LogCapture log;
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([t] {
      for (int i = 0; i < 200; ++i) gf_log(std::string(50, static_cast<char>('a' + t)));
    });
  for (auto& thread : threads) thread.join();
  const auto lines = log.lines();
  ASSERT_EQ(lines.size(), 1600u);
  for (const auto& line : lines) EXPECT_EQ(line, std::string(50, line[0]));
}

namespace {

std::vector<std::string> written;
void collect(std::string_view line) { written.emplace_back(line); }

} // namespace

TEST(LogThrottle, LinesArePrintableAndCut) {
  struct Case {
    std::string_view text;
    std::size_t limit;
    std::string shown;
  };
  using namespace std::string_view_literals;
  for (const Case& c : std::vector<Case>{
           {"lat:12x", 300, "lat:12x"},
           {"a\0b\nc\xFF"sv, 300, "a\\x00b\\x0Ac\\xFF"},
           {"abcdefghij", 5, "abcde... (10 bytes)"},
           // An escape is never cut in half.
           {"abcd\x01zz", 6, "abcd... (7 bytes)"},
           {"", 300, ""},
       }) {
    EXPECT_EQ(gf_printableCut(c.text, c.limit), c.shown) << c.text;
  }
  EXPECT_EQ(gf_printableCut(std::string(20000, '\x80')).size(), 300u + std::string_view("... (20000 bytes)").size());
  EXPECT_EQ(gf_messageKind("lat:abc"), "lat");
  EXPECT_EQ(gf_messageKind("? Strange QNH 5 found in x"), "Strange");
  EXPECT_EQ(gf_messageKind("hexid incorrect12"), "hexid");
  EXPECT_EQ(gf_messageKind(":::"), "other");
}

TEST(LogThrottle, AKindIsWrittenOnceAMinuteAndTheRestCounted) {
  using namespace std::chrono_literals;
  written.clear();
  LogThrottle throttle;
  const auto t0 = LogThrottle::Clock::time_point{} + 1h;
  throttle.write("lat", "lat:1", &collect, t0);
  throttle.write("lat", "lat:2", &collect, t0 + 10s);
  throttle.write("gs", "gs:x", &collect, t0 + 20s);
  throttle.write("lat", "lat:3", &collect, t0 + 59s);
  EXPECT_EQ(written, (std::vector<std::string>{"lat:1", "gs:x"}));
  // A minute after the last one written: the count, then the line.
  throttle.write("lat", "lat:4", &collect, t0 + 60s);
  throttle.write("lat", "lat:5", &collect, t0 + 61s);
  EXPECT_EQ(written, (std::vector<std::string>{"lat:1", "gs:x", "2 more lines of the kind 'lat' not logged", "lat:4"}));
  throttle.flush(&collect);
  EXPECT_EQ(written.back(), "1 more line of the kind 'lat' not logged");
  // Flushed: a fresh start writes at once.
  written.clear();
  throttle.write("lat", "lat:6", &collect, t0 + 62s);
  throttle.flush(&collect);
  EXPECT_EQ(written, (std::vector<std::string>{"lat:6"}));

  // Kinds beyond the first 32 share one.
  written.clear();
  for (int i = 0; i < 40; ++i) throttle.write(fmt::format("kind{}", i), fmt::format("line {}", i), &collect, t0);
  EXPECT_EQ(written.size(), 33u);
  throttle.flush(&collect);
  EXPECT_EQ(written.back(), "7 more lines of the kind 'other' not logged");
}
