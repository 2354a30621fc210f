// The program's entry point: one instance only, the log first, then the window.
#include "core/log.h"
#include "core/utf16.h"
#include "core/version.h"

#include <fmt/format.h>
#include <string>
#include <windows.h>

namespace {

// Owns the single-instance mutex for the life of the process.
class InstanceMutex {
public:
  InstanceMutex()
      : handle_(CreateMutexW(nullptr, TRUE, L"Local\\$Hivemoor$")),
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

std::wstring lf_wide(const std::string& text) {
  const auto u16 = gf_utf8ToUtf16(text);
  return std::wstring(u16.begin(), u16.end());
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  InstanceMutex instance;
  if (instance.alreadyRunning()) return 0;
  try {
    gf_openLog();
  } catch (const std::exception& e) {
    // Without a log the user would never learn why nothing is recorded: say so, go on.
    MessageBoxW(nullptr, lf_wide(fmt::format("{}\nHivemoor goes on without its log.", e.what())).c_str(), L"Hivemoor",
                MB_OK | MB_ICONWARNING);
  }
  gf_closeLog();
  return 0;
}
