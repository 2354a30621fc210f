#include "core/log.h"
#include "core/shell/run_state.h"
#include "support/test_support.h"

#include <cctype>
#include <gtest/gtest.h>
#include <string_view>
#include <thread>

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
