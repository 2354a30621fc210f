#pragma once
// Drives the built Hivemoor.exe as a person would: starts it in a program folder of its
// own with a settings folder of its own, finds its window, reads its controls back, clicks,
// picks and types through posted messages, takes screenshots and closes it.
#include "core/files.h"
#include "support/test_support.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <string>
#include <thread>
#include <vector>
#include <windows.h>

namespace program_driver {

namespace fs = std::filesystem;

// Waits for a condition; the time is only an upper bound.
inline bool eventually(const std::function<bool()>& condition, std::chrono::seconds limit = std::chrono::seconds(20)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return true;
}

// A folder of the Unix side as this Windows program sees it (Wine's drive Z: is the root).
inline fs::path windowsPath(const std::string& unixPath) { return gf_pathFromText("Z:" + unixPath); }

inline fs::path testOutputFolder() {
  const auto folder = windowsPath(HVM_TEST_OUTPUT_DIR);
  fs::create_directories(folder);
  return folder;
}

inline std::string className(HWND window) {
  wchar_t name[64] = {};
  const int length = GetClassNameW(window, name, 64);
  return gf_pathText(fs::path(std::wstring(name, length > 0 ? length : 0)));
}

// The text of a control of the other process (asked for, so edit boxes answer too).
inline std::string controlText(HWND control) {
  wchar_t text[1024] = {};
  SendMessageW(control, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text));
  return gf_pathText(fs::path(std::wstring(text)));
}

struct ExitResult {
  bool ended = false;
  DWORD code = 0;
};

class RunningProgram {
public:
  // Starts the program in the folder with the settings folder given through the variable
  // that tests use.
  RunningProgram(const fs::path& folder, const fs::path& settingsFolder) {
    SetEnvironmentVariableW(L"HIVEMOOR_SETTINGS_FOLDER", settingsFolder.c_str());
    std::wstring command = L"\"" + fs::path(HVM_PROGRAM_EXE).wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    const BOOL started =
        CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(), &startup, &info);
    SetEnvironmentVariableW(L"HIVEMOOR_SETTINGS_FOLDER", nullptr);
    if (!started) return;
    process_ = info.hProcess;
    processId_ = info.dwProcessId;
    CloseHandle(info.hThread);
  }
  RunningProgram(const RunningProgram&) = delete;
  RunningProgram& operator=(const RunningProgram&) = delete;
  ~RunningProgram() {
    if (process_ == nullptr) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) {
      if (window_ != nullptr) PostMessageW(window_, WM_CLOSE, 0, 0);
      if (WaitForSingleObject(process_, 20000) != WAIT_OBJECT_0) TerminateProcess(process_, 1);
    }
    CloseHandle(process_);
  }

  bool started() const { return process_ != nullptr; }

  // The program's main window (its class is the program's name).
  HWND findWindow() {
    eventually([this] {
      window_ = nullptr;
      EnumWindows(
          [](HWND candidate, LPARAM data) -> BOOL {
            auto* self = reinterpret_cast<RunningProgram*>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(candidate, &owner);
            if (owner != self->processId_ || className(candidate) != "Hivemoor") return TRUE;
            self->window_ = candidate;
            return FALSE;
          },
          reinterpret_cast<LPARAM>(this));
      return window_ != nullptr && IsWindowVisible(window_);
    });
    return window_;
  }

  HWND window() const { return window_; }
  HWND control(std::uint16_t id) const { return GetDlgItem(window_, id); }

  ExitResult waitForExit(DWORD milliseconds = 20000) const {
    ExitResult result;
    if (process_ == nullptr || WaitForSingleObject(process_, milliseconds) != WAIT_OBJECT_0) return result;
    result.ended = true;
    GetExitCodeProcess(process_, &result.code);
    return result;
  }

  // The place of a control in the main window's client area.
  RECT clientRect(HWND control) const {
    RECT rect{};
    GetWindowRect(control, &rect);
    MapWindowPoints(HWND_DESKTOP, window_, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
  }

  POINT clientOrigin() const {
    POINT origin{0, 0};
    ClientToScreen(window_, &origin);
    return origin;
  }

  // A click on a push button or check box: the notification the control sends its window.
  // (A posted BM_CLICK presses and releases the button through the focus, which a focus
  // change on the display can cancel in between.)
  void click(std::uint16_t id) const {
    PostMessageW(window_, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(control(id)));
  }

  // Picks a row of a combo box's list and tells the window, as the list does.
  void pick(std::uint16_t id, int row) const {
    HWND combo = control(id);
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(row), 0);
    PostMessageW(window_, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
  }

  // Replaces the box's text by typing, then presses Enter.
  void type(std::uint16_t id, const std::wstring& text) const {
    HWND box = control(id);
    SendMessageW(box, EM_SETSEL, 0, -1);
    if (text.empty()) PostMessageW(box, WM_CHAR, VK_BACK, 0);
    for (const wchar_t c : text) PostMessageW(box, WM_CHAR, c, 0);
    PostMessageW(box, WM_CHAR, VK_RETURN, 0);
  }

private:
  HANDLE process_ = nullptr;
  DWORD processId_ = 0;
  HWND window_ = nullptr;
};

// A screenshot of the whole screen, taken by the X server's own tools and kept as PNG
// beside the binary PPM that the test reads.
class Screenshot {
public:
  static std::optional<Screenshot> take(const std::string& name) {
    const std::string folder = HVM_TEST_OUTPUT_DIR;
    testOutputFolder();
    const auto done = folder + "/" + name + ".done";
    std::error_code ignored;
    fs::remove(windowsPath(done), ignored);
    // Wine starts Unix programs but cannot wait for them: the last step leaves a mark.
    const std::string script = "xwd -root -silent -out '" + folder + "/" + name + ".xwd' && convert 'xwd:" + folder +
                               "/" + name + ".xwd' '" + folder + "/" + name + ".png' && convert '" + folder + "/" +
                               name + ".png' '" + folder + "/" + name + ".ppm' && rm -f '" + folder + "/" + name +
                               ".xwd' && touch '" + done + "'";
    std::wstring command = L"/bin/sh -c \"" + gf_pathFromText(script).wstring() + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
      return std::nullopt;
    if (info.hThread != nullptr) CloseHandle(info.hThread);
    if (info.hProcess != nullptr) CloseHandle(info.hProcess);
    if (!eventually([&] { return fs::exists(windowsPath(done)); })) return std::nullopt;
    Screenshot shot;
    const auto pixels = windowsPath(folder + "/" + name + ".ppm");
    const bool read = shot.read(pixels);
    fs::remove(pixels, ignored);
    fs::remove(windowsPath(done), ignored);
    if (!read) return std::nullopt;
    return shot;
  }

  // The colour at a point of the screen, as 0xRRGGBB; none outside the picture.
  std::optional<std::uint32_t> at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width_ || y >= height_) return std::nullopt;
    const auto i = (static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) + static_cast<std::size_t>(x)) * 3;
    return (std::uint32_t{pixels_[i]} << 16) | (std::uint32_t{pixels_[i + 1]} << 8) | std::uint32_t{pixels_[i + 2]};
  }

private:
  bool read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::string magic;
    in >> magic;
    if (magic != "P6") return false;
    int values[3] = {};
    for (auto& value : values) {
      in >> std::ws;
      while (in.peek() == '#') {
        std::string comment;
        std::getline(in, comment);
        in >> std::ws;
      }
      in >> value;
    }
    in.get(); // the one white-space byte before the pixels
    width_ = values[0];
    height_ = values[1];
    if (width_ <= 0 || height_ <= 0 || values[2] != 255) return false;
    pixels_.resize(static_cast<std::size_t>(width_) * static_cast<std::size_t>(height_) * 3);
    in.read(reinterpret_cast<char*>(pixels_.data()), static_cast<std::streamsize>(pixels_.size()));
    return static_cast<bool>(in);
  }

  int width_ = 0;
  int height_ = 0;
  std::vector<unsigned char> pixels_;
};

} // namespace program_driver
