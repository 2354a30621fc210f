// Starts the built program the way a user does and looks at what it leaves in its folder.
#include "core/files.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <regex>
#include <windows.h>

using testing_support::readFile;
using testing_support::TempDir;

namespace {

// Runs Hivemoor.exe in the given folder and waits for it to end.
DWORD runProgram(const std::filesystem::path& folder) {
  std::wstring command = L"\"" + std::filesystem::path(HVM_PROGRAM_EXE).wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &process))
    return static_cast<DWORD>(-1);
  const DWORD waited = WaitForSingleObject(process.hProcess, 60000);
  DWORD code = static_cast<DWORD>(-2);
  if (waited == WAIT_OBJECT_0)
    GetExitCodeProcess(process.hProcess, &code);
  else
    TerminateProcess(process.hProcess, 1);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

std::string firstLine(const std::filesystem::path& file) {
  const auto text = readFile(file);
  return text.substr(0, text.find("\r\n"));
}

} // namespace

TEST(ProgramStart, LogBannerAndOlderLogs) {
  TempDir dir("hvm-start-\xC3\xA9");
  for (int run = 0; run < 3; ++run) ASSERT_EQ(runProgram(dir.path()), 0u);
  const std::regex banner(
      R"(\w{3} \w{3} \d\d \d\d:\d\d:\d\d \d{4} \(utc\) Hivemoor version 11\.0\.3 for Prepar3D v5/v6)");
  for (const char* name : {"Log.txt", "Log0.txt", "Log00.txt"}) {
    ASSERT_TRUE(std::filesystem::exists(dir / name)) << name;
    EXPECT_TRUE(std::regex_match(firstLine(dir / name), banner)) << name << ": " << firstLine(dir / name);
  }
  // Text mode: Windows line ends.
  EXPECT_NE(readFile(dir / "Log.txt").find("\r\n"), std::string::npos);
}
