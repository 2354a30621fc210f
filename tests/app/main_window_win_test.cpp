// The real program under Wine and a virtual display, used as a person would use it.
#include "app/window_layout.h"
#include "core/settings/parameters.h"
#include "core/settings_fixture.h"
#include "program_driver_win.h"

#include <algorithm>
#include <cstring>
#include <set>

using namespace program_driver;
using settings_testing::entryValue;
using testing_support::readFile;
using testing_support::TempDir;

namespace {

constexpr std::uint32_t blackPixel = 0x000000;
constexpr std::uint32_t whitePixel = 0xFFFFFF;
constexpr std::uint32_t redPixel = 0xFF0000;
constexpr std::uint32_t greenPixel = 0x32CD32;
constexpr std::uint32_t yellowPixel = 0xFFFF00;
constexpr std::uint32_t lightBluePixel = 0x99CCFF;

// A program folder (with its docs folder and the reference data the build made) and a
// settings folder, both of their own. No simulator is installed: a livery folder named by
// hand lets the run start without one, and the run waits for it.
struct Folders {
  TempDir program{"hvm-gui-\xC3\xA9"};
  TempDir settings{"hvm-gui-settings"};
  Folders() {
    fs::create_directory(program / "docs");
    fs::copy(windowsPath(HVM_BUILT_INPUT_DIR), program / "input", fs::copy_options::recursive);
    // The simulator link looks for a simulator where nothing answers: never at a simulator
    // another test serves at the same time.
    testing_support::writeFile(program / "SimConnect.cfg", "[SimConnect]\r\nProtocol=IPv4\r\nAddress=127.0.0.2\r\n"
                                                           "Port=1\r\n");
    write({});
  }
  void write(settings_testing::Entries entries) const {
    entries.emplace_back("lfolder0", "C:\\liveries");
    settings_testing::writeSettings(settingsFile(), entries);
  }
  fs::path settingsFile() const { return settings / "parameters.xml"; }
  std::optional<std::string> stored(const std::string& name) const { return entryValue(settingsFile(), name); }
  bool storedAs(const std::string& name, const std::string& value) const {
    return eventually([&] { return stored(name) == value; });
  }
  std::string log() const { return readFile(program / "Log.txt"); }
  bool logHas(const std::string& text, std::size_t times = 1) const {
    return eventually([&] {
      const auto log = this->log();
      std::size_t found = 0;
      for (auto at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++found;
      return found >= times;
    });
  }
};

bool sameClass(const std::string& actual, const char* expected) {
  return std::equal(actual.begin(), actual.end(), expected, expected + std::strlen(expected),
                    [](char a, char b) { return std::tolower(static_cast<unsigned char>(a)) == std::tolower(b); });
}

// The run has readied the controls. The window takes posted changes in order, but each
// shows the control as it is by then: the "Re-read" button may look enabled while later
// changes are still queued. The install-path box is enabled once, after every other change
// of the run's start but its own text and the "Re-read" button: the two together mean done.
bool runReady(const RunningProgram& program) {
  return eventually([&] {
    return IsWindowEnabled(program.control(ALL_INSTALL_PATH.controlId)) != FALSE &&
           IsWindowEnabled(program.control(REREAD_BUTTON.controlId)) != FALSE;
  });
}

bool checked(const RunningProgram& program, std::uint16_t id) {
  return SendMessageW(program.control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::optional<std::uint32_t> clientPixel(const Screenshot& shot, const RunningProgram& program, int x, int y) {
  const auto origin = program.clientOrigin();
  return shot.at(origin.x + x, origin.y + y);
}

bool anyPixel(const Screenshot& shot, const RunningProgram& program, RECT area, std::uint32_t colour) {
  for (int y = area.top; y < area.bottom; ++y)
    for (int x = area.left; x < area.right; ++x)
      if (clientPixel(shot, program, x, y) == colour) return true;
  return false;
}

void expectControlsAsStarted(const RunningProgram& program) {
  const std::set<std::uint16_t> disabled{LEARN_SOFT.controlId,         RANGE.controlId,      DESTINATION.controlId,
                                         parking_percentage.controlId, MAX_FIT_FL.controlId, UNBLOCK_BUTTON.controlId,
                                         FLUSH_STATIC_BUTTON.controlId};
  for (const auto& c : gf_controlLayout()) {
    SCOPED_TRACE(c.name);
    HWND control = program.control(c.id);
    ASSERT_NE(control, nullptr);
    const char* expectedClass = c.kind == ControlKind::comboBox  ? "ComboBox"
                                : c.kind == ControlKind::editBox ? "Edit"
                                                                 : "Button";
    EXPECT_TRUE(sameClass(className(control), expectedClass)) << className(control);
    const auto place = program.clientRect(control);
    EXPECT_EQ(place.left, c.x);
    EXPECT_EQ(place.top, c.y);
    EXPECT_EQ(place.right - place.left, c.width);
    if (c.kind != ControlKind::comboBox) {
      EXPECT_EQ(place.bottom - place.top, c.height);
    }
    EXPECT_EQ(IsWindowEnabled(control) != FALSE, !disabled.contains(c.id));
    const auto style = static_cast<DWORD>(GetWindowLongW(control, GWL_STYLE));
    EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE), static_cast<DWORD>(WS_CHILD | WS_VISIBLE));
    switch (c.kind) {
    case ControlKind::checkBox: // the handler turns the tick, not the box itself
      EXPECT_EQ(style & BS_TYPEMASK, static_cast<DWORD>(BS_CHECKBOX));
      EXPECT_EQ(controlText(control), "");
      break;
    case ControlKind::button:
      EXPECT_EQ(style & BS_TYPEMASK, static_cast<DWORD>(BS_DEFPUSHBUTTON));
      EXPECT_EQ(controlText(control), c.name);
      break;
    case ControlKind::comboBox: // its list takes the scroll bar
      EXPECT_EQ(style & 3u, static_cast<DWORD>(CBS_DROPDOWNLIST));
      EXPECT_EQ(style & WS_TABSTOP, static_cast<DWORD>(WS_TABSTOP));
      break;
    case ControlKind::editBox: // the box keeps its border to itself
      break;
    }
  }
  for (const auto* box : {&SCAN_LIVERIES, &LOG, &ALWAYS_ON_TOP, &GUID_CHANGES, &AEROWINX, &WEEK, &PARK_SOFT})
    EXPECT_EQ(checked(program, box->controlId), box->defaultValue) << box->name;
  for (const auto* combo : {&MATCHING_DEPTH, &RANGE, &MAX_LIVE_SEL, &AIRP_HEIGHT}) {
    HWND control = program.control(combo->controlId);
    EXPECT_EQ(SendMessageW(control, CB_GETCOUNT, 0, 0), static_cast<LRESULT>(combo->choices.size())) << combo->name;
    EXPECT_EQ(SendMessageW(control, CB_GETCURSEL, 0, 0), combo->choiceRow(combo->defaultValue)) << combo->name;
  }
  EXPECT_EQ(program.control(MAX_FIT.controlId), nullptr); // shown through MAX_FIT_FL
  EXPECT_EQ(controlText(program.control(parking_percentage.controlId)), "");
}

} // namespace

TEST(MainWindow, StartLookUseAndClose) {
  Folders folders;
  RunningProgram program(folders.program.path(), folders.settings.path());
  ASSERT_TRUE(program.started());
  ASSERT_NE(program.findWindow(), nullptr);
  ASSERT_TRUE(runReady(program));

  // The window: its title, a caption with only the system menu, and a client area as large
  // as the layout.
  EXPECT_EQ(controlText(program.window()), "Hivemoor");
  const auto windowStyle = static_cast<DWORD>(GetWindowLongW(program.window(), GWL_STYLE));
  EXPECT_EQ(windowStyle & (WS_CAPTION | WS_SYSMENU), static_cast<DWORD>(WS_CAPTION | WS_SYSMENU));
  EXPECT_EQ(windowStyle & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0u);

  RECT client{};
  GetClientRect(program.window(), &client);
  EXPECT_EQ(client.right, clientWidth);
  EXPECT_EQ(client.bottom, clientHeight);
  expectControlsAsStarted(program);
  EXPECT_EQ(folders.stored("LOG"), "true");

  // What it looks like.
  const auto shot = Screenshot::take("main-window");
  ASSERT_TRUE(shot) << "screenshot (xwd, convert) failed";
  struct Pixel {
    const char* what;
    int x, y;
    std::uint32_t colour;
  };
  const Pixel pixels[] = {{"title band", 300, 3, blackPixel},
                          {"border", 300, 28, whitePixel},
                          {"status band", 300, 50, blackPixel},
                          {"simulator lamp", 411, 100, redPixel},
                          {"RealTraffic lamp", 439, 100, blackPixel},
                          {"controls area", 630, 270, lightBluePixel},
                          {"grid", 300, 196, blackPixel},
                          {"park band", 300, 420, blackPixel},
                          {"status line", 700, 462, greenPixel}};
  for (const auto& p : pixels) EXPECT_EQ(clientPixel(*shot, program, p.x, p.y), p.colour) << p.what;
  const RECT stayOnTopCaption{768, ALWAYS_ON_TOP.rowY, 860, ALWAYS_ON_TOP.rowY + 16};
  EXPECT_FALSE(anyPixel(*shot, program, stayOnTopCaption, yellowPixel));

  // Check boxes.
  program.click(LOG.controlId);
  EXPECT_TRUE(folders.storedAs("LOG", "false"));
  EXPECT_FALSE(checked(program, LOG.controlId));
  program.click(ALWAYS_ON_TOP.controlId);
  EXPECT_TRUE(folders.storedAs("ALWAYS_ON_TOP", "true"));
  EXPECT_TRUE(eventually([&] { return (GetWindowLongW(program.window(), GWL_EXSTYLE) & WS_EX_TOPMOST) != 0; }));
  EXPECT_TRUE(checked(program, ALWAYS_ON_TOP.controlId));
  const auto onTop = Screenshot::take("stay-on-top");
  ASSERT_TRUE(onTop);
  EXPECT_TRUE(anyPixel(*onTop, program, stayOnTopCaption, yellowPixel)) << "the caption turns yellow";
  program.click(ALWAYS_ON_TOP.controlId);
  EXPECT_TRUE(folders.storedAs("ALWAYS_ON_TOP", "false"));
  EXPECT_TRUE(eventually([&] { return (GetWindowLongW(program.window(), GWL_EXSTYLE) & WS_EX_TOPMOST) == 0; }));

  // Combo boxes.
  program.pick(MAX_LIVE_SEL.controlId, MAX_LIVE_SEL.choiceRow(25));
  EXPECT_TRUE(folders.storedAs("MAX_LIVE_SEL", "25"));
  program.pick(AIRP_RANGE.controlId, 0);
  EXPECT_TRUE(folders.storedAs("AIRP_RANGE", "5"));
  EXPECT_EQ(SendMessageW(program.control(AIRP_RANGE.controlId), CB_GETCURSEL, 0, 0), 0);

  // Edit boxes, and the button that goes with the callsign.
  HWND callsignBox = program.control(BLOCK_CALLSIGN.controlId);
  program.type(BLOCK_CALLSIGN.controlId, L"abc");
  ASSERT_TRUE(folders.logHas("callsign 'abc' is not valid"));
  EXPECT_EQ(folders.stored("BLOCK_CALLSIGN"), "");
  program.type(BLOCK_CALLSIGN.controlId, L"dlh4abc");
  EXPECT_TRUE(folders.storedAs("BLOCK_CALLSIGN", "DLH4ABC"));
  EXPECT_TRUE(eventually([&] { return controlText(callsignBox) == "DLH4ABC"; }));
  EXPECT_TRUE(eventually([&] { return IsWindowEnabled(program.control(UNBLOCK_BUTTON.controlId)) != FALSE; }));
  program.click(UNBLOCK_BUTTON.controlId);
  EXPECT_TRUE(folders.storedAs("BLOCK_CALLSIGN", ""));
  EXPECT_TRUE(eventually([&] { return IsWindowEnabled(program.control(UNBLOCK_BUTTON.controlId)) == FALSE; }));
  EXPECT_EQ(controlText(callsignBox), "");
  program.type(BLOCK_CALLSIGN.controlId, L"\u00E6\u00F8x1");
  EXPECT_TRUE(folders.storedAs("BLOCK_CALLSIGN", "\xC3\xA6\xC3\xB8X1"));
  EXPECT_TRUE(eventually([&] { return controlText(callsignBox) == "\xC3\xA6\xC3\xB8X1"; }));

  program.click(REREAD_BUTTON.controlId);
  EXPECT_TRUE(eventually([&] { return IsWindowEnabled(program.control(REREAD_BUTTON.controlId)) == FALSE; }));

  // An install path that does not exist changes nothing; one that does restarts the run.
  const auto p3d = folders.program / "P3D v5";
  fs::create_directory(p3d);
  program.type(ALL_INSTALL_PATH.controlId, (folders.program / "nowhere").wstring());
  ASSERT_TRUE(folders.logHas("This install path does not exist: "));
  EXPECT_EQ(folders.stored("SIM_INSTALL_PATH"), "");
  program.type(ALL_INSTALL_PATH.controlId, p3d.wstring());
  EXPECT_TRUE(folders.storedAs("SIM_INSTALL_PATH", gf_pathText(p3d)));
  EXPECT_TRUE(folders.logHas("Exiting: NEW SETTINGS"));
  EXPECT_TRUE(folders.logHas("Restarting after 3 seconds"));
  EXPECT_TRUE(folders.logHas("*** parameters ***", 2)); // the next run read the settings again
  EXPECT_TRUE(eventually([&] { return controlText(program.control(ALL_INSTALL_PATH.controlId)) == gf_pathText(p3d); }));
  EXPECT_TRUE(eventually([&] { return IsWindowEnabled(program.control(REREAD_BUTTON.controlId)) != FALSE; }));

  // A second copy ends at once and leaves the first one's log alone.
  const auto logBefore = folders.log();
  {
    RunningProgram second(folders.program.path(), folders.settings.path());
    ASSERT_TRUE(second.started());
    const auto result = second.waitForExit();
    EXPECT_TRUE(result.ended);
    EXPECT_EQ(result.code, static_cast<DWORD>(-1));
  }
  EXPECT_EQ(folders.log().substr(0, logBefore.size()), logBefore);

  // Closing saves where the window is and ends the program.
  SetWindowPos(program.window(), nullptr, 150, 90, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  RECT moved{};
  ASSERT_TRUE(eventually([&] {
    GetWindowRect(program.window(), &moved);
    return moved.left == 150 && moved.top == 90;
  }));
  PostMessageW(program.window(), WM_CLOSE, 0, 0);
  const auto result = program.waitForExit();
  ASSERT_TRUE(result.ended);
  EXPECT_EQ(result.code, 0u);
  EXPECT_EQ(folders.stored("MAIN_WINDOW_X"), "150");
  EXPECT_EQ(folders.stored("MAIN_WINDOW_Y"), "90");
  EXPECT_NE(folders.log().find("Exiting: USER CLOSED SIM"), std::string::npos);
}

TEST(MainWindow, ProgramCarriesItsNameAndIcon) {
  HMODULE program = LoadLibraryExW(fs::path(HVM_PROGRAM_EXE).c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(program, nullptr);
  wchar_t name[100] = {};
  EXPECT_EQ(LoadStringW(program, 101, name, 100), 8);
  EXPECT_EQ(std::wstring(name), L"Hivemoor");
  HRSRC icon = FindResourceW(program, MAKEINTRESOURCEW(100), MAKEINTRESOURCEW(14)); // a group icon
  ASSERT_NE(icon, nullptr);
  EXPECT_GT(SizeofResource(program, icon), 0u);
  FreeLibrary(program);
}

TEST(MainWindow, OpensWhereItWasOrOnScreen) {
  Folders folders;
  struct Case {
    std::string x, y;
    LONG left, top;
  };
  // The last place is taken again; one on a monitor that is gone is not: the window opens at
  // its default place, moved left as far as it needs to fit on the screen.
  RECT frame{0, 0, clientWidth, clientHeight};
  AdjustWindowRectEx(&frame, WS_CAPTION | WS_SYSMENU, FALSE, 0);
  RECT work{};
  SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  const LONG defaultLeft = std::min<LONG>(400, work.right - (frame.right - frame.left));
  const Case cases[] = {{"150", "90", 150, 90}, {"-5000", "3000", defaultLeft, 20}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.x);
    folders.write({{"MAIN_WINDOW_X", c.x}, {"MAIN_WINDOW_Y", c.y}});
    RunningProgram program(folders.program.path(), folders.settings.path());
    ASSERT_NE(program.findWindow(), nullptr);
    RECT place{};
    GetWindowRect(program.window(), &place);
    EXPECT_EQ(place.left, c.left);
    EXPECT_EQ(place.top, c.top);
    ASSERT_TRUE(runReady(program));
    PostMessageW(program.window(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(program.waitForExit().ended);
  }
}

TEST(MainWindow, WithoutItsLogTheProgramSaysSoAndGoesOn) {
  Folders folders;
  fs::create_directory(folders.program / "Log.txt"); // no file can be written there
  RunningProgram program(folders.program.path(), folders.settings.path());
  ASSERT_NE(program.findWindow(), nullptr);
  ASSERT_TRUE(runReady(program));
  const auto shot = Screenshot::take("without-log");
  ASSERT_TRUE(shot);
  EXPECT_EQ(clientPixel(*shot, program, 700, 462), redPixel) << "the status line shows the error";
  program.click(LOG.controlId);
  EXPECT_TRUE(folders.storedAs("LOG", "false"));
  PostMessageW(program.window(), WM_CLOSE, 0, 0);
  const auto result = program.waitForExit();
  EXPECT_TRUE(result.ended);
  EXPECT_EQ(result.code, 0u);
}

TEST(MainWindow, OutsideItsFolderItWaitsToBeClosed) {
  Folders folders;
  fs::remove(folders.program / "docs");
  RunningProgram program(folders.program.path(), folders.settings.path());
  ASSERT_NE(program.findWindow(), nullptr);
  ASSERT_TRUE(folders.logHas("Error 41: Hivemoor must be run from the Hivemoor folder!"));
  EXPECT_FALSE(program.waitForExit(500).ended);
  PostMessageW(program.window(), WM_CLOSE, 0, 0);
  const auto result = program.waitForExit();
  EXPECT_TRUE(result.ended);
  EXPECT_EQ(result.code, 0u);
  EXPECT_TRUE(folders.logHas("Exiting: SYSTEM ERROR"));
}

TEST(MainWindow, ClosingDuringARestartEndsTheProgram) {
  Folders folders;
  RunningProgram program(folders.program.path(), folders.settings.path());
  ASSERT_NE(program.findWindow(), nullptr);
  ASSERT_TRUE(runReady(program));
  program.type(ALL_INSTALL_PATH.controlId, folders.program.path().wstring());
  ASSERT_TRUE(folders.logHas("Restarting after 3 seconds"));
  PostMessageW(program.window(), WM_CLOSE, 0, 0);
  const auto result = program.waitForExit();
  ASSERT_TRUE(result.ended);
  EXPECT_EQ(result.code, 0u);
  // No second run was started.
  EXPECT_EQ(folders.log().find("*** parameters ***", folders.log().find("Restarting after")), std::string::npos);
}
