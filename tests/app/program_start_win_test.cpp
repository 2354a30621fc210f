// Starts the built program the way a user does and looks at what it leaves in its folder.
#include "program_driver_win.h"

#include <regex>

using namespace program_driver;
using testing_support::readFile;
using testing_support::TempDir;

namespace {

// Runs Hivemoor.exe in the folder until its window shows, closes the window and waits for
// the program to end; returns its exit code.
DWORD runAndClose(const fs::path& folder, const fs::path& settingsFolder) {
  RunningProgram program(folder, settingsFolder);
  if (!program.started()) return static_cast<DWORD>(-2);
  if (program.findWindow() == nullptr) return static_cast<DWORD>(-3);
  PostMessageW(program.window(), WM_CLOSE, 0, 0);
  const auto result = program.waitForExit();
  return result.ended ? result.code : static_cast<DWORD>(-4);
}

std::string firstLine(const fs::path& file) {
  const auto text = readFile(file);
  return text.substr(0, text.find("\r\n"));
}

} // namespace

TEST(ProgramStart, LogBannerAndOlderLogs) {
  TempDir dir("hvm-start-\xC3\xA9");
  TempDir settings("hvm-start-settings");
  for (int run = 0; run < 3; ++run) ASSERT_EQ(runAndClose(dir.path(), settings.path()), 0u);
  const std::regex banner(
      R"(\w{3} \w{3} \d\d \d\d:\d\d:\d\d \d{4} \(utc\) Hivemoor version 11\.0\.3 for Prepar3D v5/v6)");
  for (const char* name : {"Log.txt", "Log0.txt", "Log00.txt"}) {
    ASSERT_TRUE(fs::exists(dir / name)) << name;
    EXPECT_TRUE(std::regex_match(firstLine(dir / name), banner)) << name << ": " << firstLine(dir / name);
  }
  // Text mode: Windows line ends.
  EXPECT_NE(readFile(dir / "Log.txt").find("\r\n"), std::string::npos);
  // The settings went to the folder the test named, not to the user's.
  EXPECT_TRUE(fs::exists(settings / "parameters.xml"));
}
