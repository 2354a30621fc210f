// The Windows headers come first: no macro of theirs may clash with a setting's name.
#include <windows.h>

#include "settings_fixture.h"

#include "core/settings/parameters.h"
#include "core/settings/settings_file.h"

#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <thread>

namespace fs = std::filesystem;
using namespace settings_testing;
using testing_support::LogCapture;
using testing_support::readFile;

namespace {

constexpr const wchar_t* childFolderVariable = L"HVM_SAVING_CHILD_FOLDER";

struct ChildProcess {
  PROCESS_INFORMATION info{};
  ~ChildProcess() {
    if (info.hProcess != nullptr) {
      TerminateProcess(info.hProcess, 1);
      WaitForSingleObject(info.hProcess, 30000);
      CloseHandle(info.hProcess);
      CloseHandle(info.hThread);
    }
  }
};

std::int64_t savedEpoch(const fs::path& file) {
  const auto value = entryValue(file, "LAST_EPOCH_TIME:");
  return value ? std::stoll(*value) : 0;
}

} // namespace

// Runs only as the child of the test below, which kills it while it saves.
TEST(SettingsCrashChild, SavesUntilKilled) {
  wchar_t folder[2048];
  const DWORD length = GetEnvironmentVariableW(childFolderVariable, folder, 2048);
  if (length == 0 || length >= 2048) GTEST_SKIP() << "only run by SettingsCrash.KilledWhileSavingLeavesAWholeFile";
  gf_setSettingsFolder(fs::path(folder));
  for (auto i = static_cast<std::int32_t>(savedEpoch(gf_settingsFilePath()) + 1); i < 2147483647; ++i) {
    LAST_EPOCH_TIME.set(i);
    gf_saveIntParameter(LAST_EPOCH_TIME);
  }
}

TEST(SettingsCrash, KilledWhileSavingLeavesAWholeFile) {
  SettingsFolder settings("J\xC3\xB6rg");
  // Many entries of the user's own make a long write, in which a kill can land.
  Entries entries;
  for (int i = 0; i < 2000; ++i) entries.emplace_back(fmt::format("NOTE{}", i), "an entry no setting reads");
  writeSettings(settings.file(), entries);
  gf_loadParameters();
  const auto names = readEntries(settings.file());
  ASSERT_EQ(names.size(), 2054u);

  wchar_t exe[MAX_PATH];
  ASSERT_NE(GetModuleFileNameW(nullptr, exe, MAX_PATH), 0u);
  std::wstring command = L"\"" + std::wstring(exe) + L"\" --gtest_filter=SettingsCrashChild.SavesUntilKilled";
  // Three kills, each after many saves (the child counts on from the stored value), so that one is likely to land
  // inside a save; any moment must do.
  for (std::int64_t round = 1; round <= 3; ++round) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES; // no handles: the child's output goes nowhere
    ChildProcess child;
    ASSERT_TRUE(SetEnvironmentVariableW(childFolderVariable, settings.folder().c_str()));
    const BOOL started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr,
                                        nullptr, &startup, &child.info);
    SetEnvironmentVariableW(childFolderVariable, nullptr);
    ASSERT_TRUE(started);

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (savedEpoch(settings.file()) < 50 * round && std::chrono::steady_clock::now() < deadline)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(TerminateProcess(child.info.hProcess, 1));
    ASSERT_EQ(WaitForSingleObject(child.info.hProcess, 30000), WAIT_OBJECT_0);

    const auto after = readEntries(settings.file());
    ASSERT_EQ(after.size(), names.size()) << "round " << round;
    for (std::size_t i = 0; i < after.size(); ++i) EXPECT_EQ(after[i].first, names[i].first);
    EXPECT_GE(savedEpoch(settings.file()), 50 * round);
  }

  LogCapture log;
  gf_loadParameters();
  EXPECT_TRUE(log.contains("from '"));
  EXPECT_FALSE(log.contains("not found"));
  EXPECT_GE(LAST_EPOCH_TIME.get(), 150);
  LAST_EPOCH_TIME.set(7);
  EXPECT_TRUE(gf_saveIntParameter(LAST_EPOCH_TIME));
  EXPECT_EQ(entryValue(settings.file(), "LAST_EPOCH_TIME:"), "7");
  LAST_EPOCH_TIME.set(0);
}

TEST(SettingsCrash, SaveThatCannotReplaceTheFileLeavesItAsItWas) {
  SettingsFolder settings;
  LogCapture log;
  gf_loadParameters();
  const auto before = readFile(settings.file());
  // Another program holds the file open and lets nobody delete or replace it.
  const HANDLE held = CreateFileW(settings.file().c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  RANGE.set(10);
  const bool saved = gf_saveIntParameter(RANGE);
  CloseHandle(held);
  EXPECT_FALSE(saved);
  EXPECT_TRUE(log.contains("Saving '" + gf_pathText(settings.file()) + "' failed"));
  EXPECT_EQ(readFile(settings.file()), before);
  EXPECT_EQ(std::distance(fs::directory_iterator(settings.folder()), fs::directory_iterator{}), 1);
  RANGE.set(40);
}
