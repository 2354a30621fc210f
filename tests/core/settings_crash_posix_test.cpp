#include "settings_fixture.h"

#include "core/settings/parameters.h"
#include "core/settings/settings_file.h"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace settings_testing;
using testing_support::LogCapture;

namespace {
std::int64_t savedEpoch(const std::filesystem::path& file) {
  const auto value = entryValue(file, "LAST_EPOCH_TIME:");
  return value ? std::stoll(*value) : 0;
}
} // namespace

TEST(SettingsCrash, KilledWhileSavingLeavesAWholeFile) {
  SettingsFolder settings;
  // Many entries of the user's own make a long write, in which a kill can land.
  Entries entries;
  for (int i = 0; i < 2000; ++i) entries.emplace_back(fmt::format("NOTE{}", i), "an entry no setting reads");
  writeSettings(settings.file(), entries);
  gf_loadParameters();
  const auto names = readEntries(settings.file());
  ASSERT_EQ(names.size(), 2054u);

  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    for (std::int32_t i = 1; i < 2147483647; ++i) {
      LAST_EPOCH_TIME.set(i);
      gf_saveIntParameter(LAST_EPOCH_TIME);
    }
    _exit(0);
  }
  // Many saves, so the kill is likely to land inside one; any moment must do.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (savedEpoch(settings.file()) < 100 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);

  const auto after = readEntries(settings.file());
  ASSERT_EQ(after.size(), names.size());
  for (std::size_t i = 0; i < after.size(); ++i) EXPECT_EQ(after[i].first, names[i].first);
  EXPECT_GE(savedEpoch(settings.file()), 100);

  LogCapture log;
  gf_loadParameters();
  EXPECT_FALSE(log.contains("not found"));
  EXPECT_GE(LAST_EPOCH_TIME.get(), 100);
  LAST_EPOCH_TIME.set(7);
  EXPECT_TRUE(gf_saveIntParameter(LAST_EPOCH_TIME));
  EXPECT_EQ(entryValue(settings.file(), "LAST_EPOCH_TIME:"), "7");
  LAST_EPOCH_TIME.set(0);
}
