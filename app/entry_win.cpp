// The program's entry point: one instance only, the log first, then the window.
#include "app/window.h"
#include "core/files.h"
#include "core/log.h"
#include "core/settings/settings_file.h"
#include "core/utf16_win.h"
#include "core/version.h"

#include <fmt/format.h>
#include <string>
#include <windows.h>

namespace {

// Owns the single-instance mutex for the life of the process.
class InstanceMutex {
public:
  InstanceMutex()
      : handle_(CreateMutexW(nullptr, FALSE, L"Local\\$Hivemoor$")),
        alreadyRunning_(GetLastError() == ERROR_ALREADY_EXISTS) {}
  InstanceMutex(const InstanceMutex&) = delete;
  InstanceMutex& operator=(const InstanceMutex&) = delete;
  ~InstanceMutex() {
    if (handle_ != nullptr) CloseHandle(handle_);
  }
  bool alreadyRunning() const { return alreadyRunning_; }

private:
  HANDLE handle_;
  bool alreadyRunning_;
};

// Tests run the program with a settings folder of their own, named by this variable; a
// user's program never has it set and keeps its settings in the application-data folder.
void lf_takeSettingsFolderFromEnvironment() {
  wchar_t buffer[MAX_PATH * 4] = {};
  const DWORD length = GetEnvironmentVariableW(L"HIVEMOOR_SETTINGS_FOLDER", buffer, MAX_PATH * 4);
  if (length == 0 || length >= MAX_PATH * 4) return;
  try {
    gf_setSettingsFolder(gf_pathFromText(gf_wideToUtf8(std::wstring_view(buffer, length))));
  } catch (const std::exception&) {
    // A name that is no valid text: the settings stay where they belong.
  }
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  InstanceMutex instanceMutex;
  if (instanceMutex.alreadyRunning()) return -1;
  lf_takeSettingsFolderFromEnvironment();
  std::string logError;
  try {
    gf_openLog();
  } catch (const std::exception& e) {
    // Shown in the window once it exists: the program goes on without its log.
    logError = fmt::format("{}, {} goes on without its log", e.what(), programName);
  }
  int code = 0;
  try {
    code = gf_runGui(instance, logError);
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("wWinMain exception {}", e.what()));
  } catch (...) {
    gf_logWarning("wWinMain exception of unknown type");
  }
  gf_closeLog();
  return code;
}
