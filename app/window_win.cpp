// The main window: its class, creation and procedure, the message loop, and the way other
// threads reach it (repaints, control changes and window actions, all posted).
#include "app/window_win.h"
#include "app/painting.h"
#include "app/run_wiring.h"
#include "app/window.h"
#include "app/window_actions.h"
#include "app/window_layout.h"
#include "app/window_position.h"
#include "app/worker.h"
#include "core/files.h"
#include "core/log.h"
#include "core/settings/control_port.h"
#include "core/settings/parameters.h"
#include "core/settings/settings_file.h"
#include "core/shell/main_window.h"
#include "core/shell/repaint.h"
#include "core/shell/run_state.h"
#include "core/shell/status_line.h"
#include "core/version.h"

#include <atomic>
#include <filesystem>
#include <fmt/format.h>
#include <vector>

namespace {

constexpr UINT startRunMessage = WM_APP + 1;
constexpr UINT saveAndQuitMessage = WM_APP + 2;
constexpr UINT applyControlMessage = WM_APP + 3; // wParam control id, lParam aspect
constexpr UINT topmostMessage = WM_APP + 4;      // wParam 1 on, 0 off

constexpr DWORD windowStyle = WS_CAPTION | WS_SYSMENU;

// After the close button, the run gets this long to end before the program ends anyway.
constexpr UINT_PTR closeGuardTimer = 1;
constexpr UINT closeGuardMilliseconds = 10000;

// The main window; stored first thing on every message, read by other threads to post.
std::atomic<HWND> mainHwnd{nullptr};
std::atomic<DWORD> guiThreadId{0};

// GUI thread only.
bool closeRequested = false;
bool quitting = false;

void lf_repaint(const PaintRect& area, bool erase) {
  if (HWND window = mainHwnd.load()) {
    const RECT rect{area.left, area.top, area.right, area.bottom};
    InvalidateRect(window, &rect, erase ? TRUE : FALSE);
  }
}

void lf_applyControl(std::uint16_t controlId, ControlAspect aspect) {
  HWND window = mainHwnd.load();
  if (window == nullptr) return;
  if (GetCurrentThreadId() == guiThreadId.load())
    gf_applyControlState(window, controlId, aspect);
  else
    PostMessageW(window, applyControlMessage, controlId, static_cast<LPARAM>(aspect));
}

void lf_windowAction(WindowAction action) {
  HWND window = mainHwnd.load();
  if (window == nullptr) return;
  switch (action) {
  case WindowAction::startRun:
    PostMessageW(window, startRunMessage, 0, 0);
    break;
  case WindowAction::saveAndQuit:
    PostMessageW(window, saveAndQuitMessage, 0, 0);
    break;
  case WindowAction::topmostOn:
    PostMessageW(window, topmostMessage, 1, 0);
    break;
  case WindowAction::topmostOff:
    PostMessageW(window, topmostMessage, 0, 0);
    break;
  }
}

void lf_saveAndQuit(HWND window) {
  if (quitting) return;
  quitting = true;
  KillTimer(window, closeGuardTimer);
  // The program ends even when its place cannot be saved.
  try {
    RECT rect{};
    if (GetWindowRect(window, &rect)) gf_saveWindowPosition(rect.left, rect.top);
  } catch (const std::exception& e) {
    gf_reportHandlerFailure("lf_saveAndQuit", e.what());
  } catch (...) {
    gf_reportHandlerFailure("lf_saveAndQuit", "of unknown type");
  }
  PostQuitMessage(0);
}

void lf_close(HWND window) {
  try {
    gf_showMessage(fmt::format("Close window button clicked, closing {} ...", programName), false);
  } catch (const std::exception& e) {
    gf_reportHandlerFailure("lf_close", e.what());
  }
  gf_stopByCloseButton();
  closeRequested = true;
  // Closing always ends the program: at once when no run is going on, and otherwise when
  // the run has ended or at the latest when the guard runs out.
  if (!workerRunning.load())
    lf_saveAndQuit(window);
  else
    SetTimer(window, closeGuardTimer, closeGuardMilliseconds, nullptr);
}

void lf_startRun(HWND window) {
  if (closeRequested) {
    lf_saveAndQuit(window);
    return;
  }
  try {
    gf_startWorker();
  } catch (const std::exception& e) {
    gf_logWarning(fmt::format("The run could not be started: {}", e.what()));
    gf_showError(fmt::format("The run could not be started: {}", e.what()));
  }
}

bool lf_handleWmCommand(HWND window, WPARAM wParam) {
  const auto id = LOWORD(wParam);
  const auto notification = HIWORD(wParam);
  return gf_handleCommand(id, notification,
                          [window](std::uint16_t controlId) { return gf_readComboPick(window, controlId); });
}

// Ends the paint whatever happens while painting.
class PaintScope {
public:
  explicit PaintScope(HWND window) : window_(window), dc_(BeginPaint(window, &paint_)) {}
  PaintScope(const PaintScope&) = delete;
  PaintScope& operator=(const PaintScope&) = delete;
  ~PaintScope() { EndPaint(window_, &paint_); }
  HDC dc() const { return dc_; }

private:
  HWND window_;
  PAINTSTRUCT paint_{};
  HDC dc_;
};

LRESULT lf_handleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
  case WM_CREATE:
    gf_createControls(window, reinterpret_cast<const CREATESTRUCTW*>(lParam)->hInstance);
    return 0;
  case WM_PAINT: {
    PaintScope paint(window);
    gf_paintWindow(paint.dc());
    return 0;
  }
  case WM_CLOSE:
    lf_close(window);
    return 0;
  case WM_TIMER:
    if (wParam != closeGuardTimer) break;
    gf_logWarning(fmt::format("The run did not end within {} seconds of closing, {} ends",
                              closeGuardMilliseconds / 1000, programName));
    lf_saveAndQuit(window);
    return 0;
  case WM_COMMAND:
    if (lf_handleWmCommand(window, wParam)) return 0;
    break;
  case WM_CTLCOLOREDIT:
  case WM_CTLCOLORSTATIC: {
    HDC dc = reinterpret_cast<HDC>(wParam);
    // Edit boxes are white, also while disabled (their text then greys); the check boxes
    // take the colour of the controls area.
    const auto* layout = gf_findControlLayout(static_cast<std::uint16_t>(GetDlgCtrlID(reinterpret_cast<HWND>(lParam))));
    const auto& c = layout != nullptr && layout->kind == ControlKind::editBox ? white : lightBlue;
    const auto colour = RGB(c.red, c.green, c.blue);
    SetBkMode(dc, OPAQUE);
    SetBkColor(dc, colour);
    SetDCBrushColor(dc, colour);
    return reinterpret_cast<LRESULT>(GetStockObject(DC_BRUSH));
  }
  case startRunMessage:
    lf_startRun(window);
    return 0;
  case saveAndQuitMessage:
    lf_saveAndQuit(window);
    return 0;
  case applyControlMessage:
    gf_applyControlState(window, static_cast<std::uint16_t>(wParam), static_cast<ControlAspect>(lParam));
    return 0;
  case topmostMessage:
    SetWindowPos(window, wParam != 0 ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    return 0;
  case WM_DESTROY:
    PostQuitMessage(0);
    return 0;
  default:
    break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK lf_wndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  mainHwnd.store(window);
  try {
    return lf_handleMessage(window, message, wParam, lParam);
  } catch (const std::exception& e) {
    gf_reportHandlerFailure("lf_wndProc", e.what());
  } catch (...) {
    gf_reportHandlerFailure("lf_wndProc", "of unknown type");
  }
  return 0;
}

BOOL CALLBACK lf_addMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (GetMonitorInfoW(monitor, &info)) {
    auto& monitors = *reinterpret_cast<std::vector<ScreenBox>*>(data);
    const ScreenBox box{info.rcWork.left, info.rcWork.top, info.rcWork.right, info.rcWork.bottom};
    // The primary monitor first.
    if ((info.dwFlags & MONITORINFOF_PRIMARY) != 0)
      monitors.insert(monitors.begin(), box);
    else
      monitors.push_back(box);
  }
  return TRUE;
}

std::vector<ScreenBox> lf_monitorWorkAreas() {
  std::vector<ScreenBox> monitors;
  EnumDisplayMonitors(nullptr, nullptr, lf_addMonitor, reinterpret_cast<LPARAM>(&monitors));
  return monitors;
}

bool lf_initInstance(HINSTANCE instance, const wchar_t* className) {
  for (int i = 1; !mainWindow.guiReady(); Sleep(50))
    if (++i == 20) return false;
  gf_readWindowPosition();
  // The window is as large as the layout's client area needs with this frame.
  RECT frame{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&frame, windowStyle, FALSE, 0);
  const int width = frame.right - frame.left;
  const int height = frame.bottom - frame.top;
  const auto place =
      gf_onScreenPosition({MAIN_WINDOW_X.get(), MAIN_WINDOW_Y.get()}, width, height, lf_monitorWorkAreas());
  HWND window = CreateWindowExW(0, className, className, windowStyle, place.x, place.y, width, height, nullptr, nullptr,
                                instance, nullptr);
  if (window == nullptr) return false;
  mainHwnd.store(window);
  ShowWindow(window, SW_SHOW);
  return UpdateWindow(window) != FALSE;
}

bool lf_registerClass(HINSTANCE instance, const wchar_t* className) {
  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = lf_wndProc;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(100));
  windowClass.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(100), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = className;
  return RegisterClassExW(&windowClass) != 0;
}

void lf_installHandlers() {
  gf_wireRunServices();
  windowControls.setApplier(lf_applyControl);
  gf_setControlPort(&windowControls);
  gf_setRepaintHandler(lf_repaint);
  gf_setWindowActionHandler(lf_windowAction);
}

void lf_removeHandlers() {
  gf_setWindowActionHandler(nullptr);
  gf_setRepaintHandler(nullptr);
  gf_setControlPort(nullptr);
  windowControls.setApplier(nullptr);
  mainHwnd.store(nullptr);
}

// The settings folder exists before the first run saves into it.
bool lf_makeSettingsFolder() {
  namespace fs = std::filesystem;
  const auto folder = gf_settingsFolder();
  try {
    std::error_code error;
    const auto status = fs::status(folder, error);
    if (error && status.type() != fs::file_type::not_found) throw fs::filesystem_error("exists", folder, error);
    if (status.type() == fs::file_type::not_found && !fs::create_directories(folder, error) && error)
      throw fs::filesystem_error("create_directories", folder, error);
    return true;
  } catch (const fs::filesystem_error& e) {
    gf_log(fmt::format("Failed to create directory: {}", e.what()));
    return false;
  }
}

int lf_messageLoop() {
  MSG message{};
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}

} // namespace

void gf_reportHandlerFailure(const char* where, const char* what) noexcept {
  try {
    gf_logWarning(fmt::format("{} exception {}", where, what));
    gf_showMessage(fmt::format("{} exception {}", where, what), false);
  } catch (...) {
    // Nothing more can be told.
  }
}

int gf_runGui(void* instanceHandle, const std::string& startError) {
  const auto instance = static_cast<HINSTANCE>(instanceHandle);
  guiThreadId.store(GetCurrentThreadId());
  wchar_t title[100] = {};
  if (LoadStringW(instance, 101, title, 100) == 0) {
    gf_log("Failed to load application title");
    return 0;
  }
  if (!lf_registerClass(instance, title)) {
    gf_log("Failed to register window class");
    return 0;
  }
  lf_installHandlers();
  int code = 0;
  if (!lf_initInstance(instance, title)) {
    gf_log("initInstance failed");
  } else {
    // The user must learn of it, and the program goes on without blocking.
    if (!startError.empty()) gf_showError(startError);
    if (lf_makeSettingsFolder()) {
      PostMessageW(mainHwnd.load(), startRunMessage, 0, 0);
      code = lf_messageLoop();
    }
  }
  lf_removeHandlers();
  if (!gf_joinWorker(3000)) {
    // The run would go on using what the program's end destroys: end here and now.
    gf_logWarning("The run has not ended, the program ends without it");
    gf_closeLog();
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(code));
  }
  return code;
}
