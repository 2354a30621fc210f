#include "settings_fixture.h"

#include "core/log.h"
#include "core/settings/parameters.h"
#include "core/settings/settings_file.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <thread>

namespace fs = std::filesystem;
using namespace settings_testing;
using testing_support::LogCapture;
using testing_support::readFile;
using testing_support::writeFile;

namespace {

constexpr const char* newFile = R"(<?xml version="1.0"?>
<parameters>
	<parameter name="RANDOM" value="true" />
	<parameter name="AEROWINX" value="false" />
	<parameter name="AFG_AUTOMATIC" value="true" />
	<parameter name="COLLISION_USER_AIR" value="true" />
	<parameter name="COLLISION_USER_GND" value="true" />
	<parameter name="COLLISION_LIVE_PARKED_GND" value="false" />
	<parameter name="SUPPRESS_STUB" value="true" />
	<parameter name="LOG" value="true" />
	<parameter name="ALWAYS_ON_TOP" value="false" />
	<parameter name="SCAN_LIVERIES" value="true" />
	<parameter name="LIG_AUTOMATIC" value="true" />
	<parameter name="LIG_PRIORITIZE" value="false" />
	<parameter name="SCAN_AIRPORTS" value="true" />
	<parameter name="LIGHT_AIRCRAFT" value="true" />
	<parameter name="HELICOPTERS" value="true" />
	<parameter name="HIGH_PERF_AIRCRAFT" value="true" />
	<parameter name="NAV_LIGHTS_WHILE_PARKED" value="true" />
	<parameter name="AUTO_RANGE" value="true" />
	<parameter name="LEARN_SOFT" value="true" />
	<parameter name="STRAIGHT_PBS_ONLY" value="false" />
	<parameter name="PARK_SOFT" value="true" />
	<parameter name="PARK_FAKE" value="false" />
	<parameter name="WEEK" value="false" />
	<parameter name="INITIAL_LOAD_ONLY" value="false" />
	<parameter name="GUID_CHANGES" value="true" />
	<parameter name="CUSTOM_PARKING_PERCENTAGE" value="-1" />
	<parameter name="MAIN_WINDOW_X" value="400" />
	<parameter name="MAIN_WINDOW_Y" value="20" />
	<parameter name="LATERAL_RANGE" value="40" />
	<parameter name="AIRPORT_RANGE" value="20" />
	<parameter name="AUTO_RANGE_ABOVE_HEIGHT" value="49000" />
	<parameter name="AIRPORT_HEIGHT" value="18000" />
	<parameter name="LAST_EPOCH_TIME:" value="0" />
	<parameter name="HOLDING_THRESHOLD_METERS" value="250" />
	<parameter name="MAX_HOLDING_MINUTES" value="20" />
	<parameter name="CUSTOM_MAX_PARK" value="-1" />
	<parameter name="MAX_LIVE" value="-1" />
	<parameter name="P3D_VERSION" value="5" />
	<parameter name="MATCHING_DEPTH" value="4" />
	<parameter name="RANGE" value="40" />
	<parameter name="MAX_FIT" value="47" />
	<parameter name="AR_ABOVE_HEIGHT" value="48000" />
	<parameter name="MAX_PARK_SEL" value="500" />
	<parameter name="MAX_LIVE_SEL" value="500" />
	<parameter name="AIRP_RANGE" value="20" />
	<parameter name="AIRP_HEIGHT" value="18000" />
	<parameter name="PROGRAM_VERSION" value="11.0.3" />
	<parameter name="SIM_INSTALL_PATH" value="" />
	<parameter name="PORT_NUMBER" value="10747" />
	<parameter name="PROGRAM_INSTALL_PATH" value="" />
	<parameter name="AIG_VERSION" value="" />
	<parameter name="DBASE_VERSION" value="" />
	<parameter name="DESTINATION" value="" />
	<parameter name="BLOCK_CALLSIGN" value="" />
</parameters>
)";

std::string withoutCarriageReturns(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
  return text;
}

std::size_t countLines(const LogCapture& log, const std::string& text) {
  const auto lines = log.lines();
  return static_cast<std::size_t>(std::count(lines.begin(), lines.end(), text));
}

// Every listed setting away from its default, so that a load visibly resets them.
void scrambleSettings() {
  LOG.set(false);
  SCAN_LIVERIES.set(false);
  RANGE.set(10);
  MAX_LIVE.set(7);
  PORT_NUMBER.set("1");
  BLOCK_CALLSIGN.set("ABC");
  PROGRAM_VERSION.set("x");
}

} // namespace

TEST(SettingsFile, FirstStartWritesEveryDefaultInTableOrder) {
  SettingsFolder settings;
  LogCapture log;
  RecordingPort port;
  scrambleSettings();
  lfolder2.set("kept in memory");

  gf_loadParameters();

  EXPECT_EQ(withoutCarriageReturns(readFile(settings.file())), newFile);
  EXPECT_EQ(readEntries(settings.file()).size(), 54u);
  EXPECT_TRUE(LOG.get());
  EXPECT_TRUE(SCAN_LIVERIES.get());
  EXPECT_EQ(RANGE.get(), 40);
  EXPECT_EQ(MAX_LIVE.get(), -1);
  EXPECT_EQ(PORT_NUMBER.get(), "10747");
  EXPECT_EQ(BLOCK_CALLSIGN.get(), "");
  EXPECT_EQ(PROGRAM_VERSION.get(), "11.0.3");
  EXPECT_EQ(lfolder2.get(), "kept in memory");
  lfolder2.set("");

  const auto lines = log.lines();
  const auto path = gf_pathText(settings.file());
  const std::string stars(34, '*');
  const std::vector<std::string> head{"", stars + " parameters " + stars,
                                      path + " not found, default values taken:", "RANDOM=true", "AEROWINX=false"};
  ASSERT_GE(lines.size(), head.size());
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + 5), head);
  EXPECT_EQ(countLines(log, "PORT_NUMBER=\"10747\""), 1u);
  EXPECT_EQ(countLines(log, "LAST_EPOCH_TIME:=0"), 1u);
  EXPECT_EQ(countLines(log, "'" + path + "' saved"), 1u);
  EXPECT_FALSE(log.contains("lfolder"));
  EXPECT_EQ(countLines(log, std::string(80, '*')), 1u);
  // The version update stores the running version after the closing banner.
  EXPECT_EQ(lines.back(), "PROGRAM_VERSION=\"11.0.3\"");

  // Check boxes ticked, numbers and the callsign written into their controls, and the
  // range's row selected.
  const auto calls = port.calls();
  EXPECT_EQ(std::count_if(calls.begin(), calls.end(), [](const auto& c) { return c.rfind("check ", 0) == 0; }), 24);
  for (const char* call : {"check 32779 1", "check 32771 0", "text 32818 40", "text 32853 47", "text 32841 18000",
                           "text 32828 ", "row 32818 15"})
    EXPECT_TRUE(port.saw(call)) << call;
  EXPECT_EQ(rangeNm.load(), 40.0);
  EXPECT_EQ(rangeMetres.load(), 74463);
}

TEST(SettingsFile, LoadKeepsTheFileAndAddsWhatIsMissing) {
  SettingsFolder settings;
  LogCapture log;
  writeSettings(settings.file(), {{"PROGRAM_VERSION", "11.0.3"},
                                  {"MY_OWN_NOTE", "keep me"},
                                  {"RANGE", "20"},
                                  {"RANGE", "65"},
                                  {"MAX_LIVE_SEL", "1000"},
                                  {"HOLDING_THRESHOLD_METERS", "5"},
                                  {"LOG", "no"},
                                  {"BLOCK_CALLSIGN", "DLH1,BAW2"}});
  gf_loadParameters();

  EXPECT_EQ(RANGE.get(), 20) << "the first of two equal names counts";
  EXPECT_EQ(MAX_LIVE_SEL.get(), 500);
  EXPECT_EQ(HOLDING_THRESHOLD_METERS.get(), 10);
  EXPECT_FALSE(LOG.get());
  EXPECT_EQ(BLOCK_CALLSIGN.get(), "DLH1,BAW2");
  EXPECT_TRUE(log.contains("from '" + gf_pathText(settings.file()) + "'"));

  const auto entries = readEntries(settings.file());
  ASSERT_EQ(entries.size(), 8u + 54u - 6u);
  // The file's own entries stay first, in place and as written: values beyond the limits
  // are clamped in memory only.
  const Entries head{{"PROGRAM_VERSION", "11.0.3"},
                     {"MY_OWN_NOTE", "keep me"},
                     {"RANGE", "20"},
                     {"RANGE", "65"},
                     {"MAX_LIVE_SEL", "1000"},
                     {"HOLDING_THRESHOLD_METERS", "5"},
                     {"LOG", "no"},
                     {"BLOCK_CALLSIGN", "DLH1,BAW2"}};
  EXPECT_EQ(Entries(entries.begin(), entries.begin() + 8), head);
  // Missing ones follow with their defaults, in table order.
  EXPECT_EQ(entries[8], (std::pair<std::string, std::string>{"RANDOM", "true"}));
  EXPECT_EQ(entries.back(), (std::pair<std::string, std::string>{"DESTINATION", ""}));

  // A second start finds everything and changes nothing.
  const auto before = readFile(settings.file());
  gf_loadParameters();
  EXPECT_EQ(readFile(settings.file()), before);
  EXPECT_EQ(MAX_LIVE_SEL.get(), 500);
  // Saving the setting stores the value in use.
  gf_saveIntParameter(MAX_LIVE_SEL);
  EXPECT_EQ(entryValue(settings.file(), "MAX_LIVE_SEL"), "500");
}

TEST(SettingsFile, LenientValueRules) {
  struct Case {
    const char* text; // nullptr: the entry has no value attribute
    const char* name;
    std::int32_t expected;
  };
  // LOG reads as 1 or 0 here.
  const Case cases[] = {
      {"1", "LOG", 1},
      {"t", "LOG", 1},
      {"True", "LOG", 1},
      {"yes", "LOG", 1},
      {"Y", "LOG", 1},
      {"0", "LOG", 0},
      {"no", "LOG", 0},
      {"false", "LOG", 0},
      {"", "LOG", 0},
      {" true", "LOG", 0},
      {"on", "LOG", 0},
      {nullptr, "LOG", 0},
      {"1000", "MAX_LIVE_SEL", 500},
      {"-5", "MAX_LIVE_SEL", 0},
      {"abc", "MAX_LIVE_SEL", 0},
      {"75", "MAX_LIVE_SEL", 75},
      {"33", "MAX_LIVE_SEL", 33}, // clamped to the limits only, not to a choice
      {"  -120", "MAIN_WINDOW_X", -120},
      {"+7", "MAIN_WINDOW_X", 7},
      {"0x1F", "MAIN_WINDOW_X", 31},
      {"12abc", "MAIN_WINDOW_X", 12},
      {"-99999999999", "MAIN_WINDOW_X", -30000},
      {"99999999999", "LAST_EPOCH_TIME:", 2147483647},
      {"4294967296", "LAST_EPOCH_TIME:", 2147483647},
      {nullptr, "P3D_VERSION", 5},
      {"", "CUSTOM_PARKING_PERCENTAGE", 0},
  };
  LogCapture log;
  for (const auto& c : cases) {
    SettingsFolder settings;
    pugi::xml_document document;
    auto entry = document.append_child("parameters").append_child("parameter");
    entry.append_attribute("name") = c.name;
    if (c.text != nullptr) entry.append_attribute("value") = c.text;
    ASSERT_TRUE(gf_writeXmlDocument(document, settings.file()));
    gf_loadParameters();
    const std::string name = c.name;
    const std::int32_t value = name == "LOG"                         ? LOG.get()
                               : name == "MAX_LIVE_SEL"              ? MAX_LIVE_SEL.get()
                               : name == "MAIN_WINDOW_X"             ? MAIN_WINDOW_X.get()
                               : name == "P3D_VERSION"               ? P3D_VERSION.get()
                               : name == "CUSTOM_PARKING_PERCENTAGE" ? CUSTOM_PARKING_PERCENTAGE.get()
                                                                     : LAST_EPOCH_TIME.get();
    EXPECT_EQ(value, c.expected) << c.name << " = " << (c.text ? c.text : "(no value)");
    // An element without a value attribute keeps having none.
    if (c.text == nullptr) {
      pugi::xml_document saved;
      ASSERT_TRUE(saved.load_file(settings.file().c_str()));
      EXPECT_FALSE(saved.child("parameters").first_child().attribute("value")) << c.name;
    }
  }
}

TEST(SettingsFile, FolderEntriesAreNeverAddedAndRemovedWhenEmpty) {
  SettingsFolder settings;
  LogCapture log;
  for (auto* folder : folderParameters()) folder->set("stale");
  writeSettings(settings.file(), {{"PROGRAM_VERSION", "11.0.3"}, {"lfolder3", ""}, {"afolder1", "D:\\Scenery\\EDDF"}});
  gf_loadParameters();

  EXPECT_EQ(afolder1.get(), "D:\\Scenery\\EDDF");
  EXPECT_EQ(lfolder3.get(), "");
  EXPECT_EQ(lfolder0.get(), "") << "a folder entry missing from the file takes its default";
  EXPECT_EQ(countLines(log, "Parameter 'lfolder3' removed"), 1u);
  EXPECT_EQ(countLines(log, "afolder1=\"D:\\Scenery\\EDDF\""), 1u);
  EXPECT_EQ(entryValue(settings.file(), "afolder1"), "D:\\Scenery\\EDDF");
  for (const auto& [name, value] : readEntries(settings.file())) {
    if (name != "afolder1") {
      EXPECT_FALSE(gf_isFolderParameter(name)) << name;
    }
  }
  // The next start has nothing more to remove.
  gf_loadParameters();
  EXPECT_EQ(countLines(log, "Parameter 'lfolder3' removed"), 1u);
  EXPECT_EQ(countLines(log, "afolder1=\"D:\\Scenery\\EDDF\""), 2u);
  afolder1.set("");
}

TEST(SettingsFile, UnreadableFileIsKeptAsBadBeforeDefaultsAreWritten) {
  const std::string damaged = "<parameters><parameter name=\"RANGE\" value=\"20\"/><parame";
  SettingsFolder settings;
  LogCapture log;
  writeFile(settings.file(), damaged);
  gf_loadParameters();

  auto bad = settings.file();
  bad += ".bad";
  EXPECT_EQ(readFile(bad), damaged);
  EXPECT_EQ(RANGE.get(), 40);
  EXPECT_EQ(readEntries(settings.file()).size(), 54u);
  const auto kept = "===> '" + gf_pathText(settings.file()) + "' could not be read (";
  EXPECT_TRUE(log.contains(kept));
  EXPECT_TRUE(log.contains("kept as '" + gf_pathText(bad) + "'"));

  // A single save onto a damaged file keeps it aside as well.
  writeFile(settings.file(), "not xml at all");
  RANGE.set(25);
  EXPECT_TRUE(gf_saveIntParameter(RANGE));
  EXPECT_EQ(readFile(bad), "not xml at all");
  EXPECT_EQ(readEntries(settings.file()), (Entries{{"RANGE", "25"}}));
}

TEST(SettingsFile, SettingsPathThatIsNoFileIsLeftAlone) {
  SettingsFolder settings;
  LogCapture log;
  fs::create_directories(settings.file());
  writeFile(settings.file() / "note.txt", "mine");
  RANGE.set(10);
  gf_loadParameters();
  EXPECT_EQ(RANGE.get(), 40);
  EXPECT_TRUE(log.contains("could not be read (not a file) nor be kept"));
  EXPECT_EQ(readFile(settings.file() / "note.txt"), "mine");
  EXPECT_FALSE(gf_saveIntParameter(RANGE));
  EXPECT_TRUE(log.contains("Saving '" + gf_pathText(settings.file()) + "' failed"));
  EXPECT_EQ(readFile(settings.file() / "note.txt"), "mine");
}

TEST(SettingsFile, DocumentWithoutParametersElement) {
  SettingsFolder settings;
  LogCapture log;
  writeFile(settings.file(), "<settings><parameter name=\"RANGE\" value=\"20\"/></settings>");
  RANGE.set(10);
  gf_loadParameters();
  EXPECT_EQ(RANGE.get(), 40);
  // Nothing was added to the document; the version update's save appends <parameters>.
  pugi::xml_document document;
  ASSERT_TRUE(document.load_file(settings.file().c_str()));
  EXPECT_STREQ(document.first_child().name(), "settings");
  EXPECT_EQ(std::distance(document.first_child().begin(), document.first_child().end()), 1);
  EXPECT_EQ(readEntries(settings.file()), (Entries{{"PROGRAM_VERSION", "11.0.3"}}));
}

TEST(SettingsFile, SingleSaves) {
  SettingsFolder settings;
  LogCapture log;
  writeFile(settings.file(), "<parameters><parameter name=\"LOG\" value=\"true\"/><parameter name=\"RANGE\"/>"
                             "<parameter name=\"PORT_NUMBER\" value=\"10747\"/></parameters>");

  LOG.set(false);
  EXPECT_TRUE(gf_saveBoolParameter(LOG));
  MAX_LIVE_SEL.set(75);
  EXPECT_TRUE(gf_saveIntParameter(MAX_LIVE_SEL));
  EXPECT_TRUE(gf_setStringParameter(PORT_NUMBER, "J\xC3\xB6rg's \"port\" <&>"));
  RANGE.set(12);
  EXPECT_TRUE(gf_saveIntParameter(RANGE));
  EXPECT_EQ(
      readEntries(settings.file()),
      (Entries{
          {"LOG", "false"}, {"RANGE", ""}, {"PORT_NUMBER", "J\xC3\xB6rg's \"port\" <&>"}, {"MAX_LIVE_SEL", "75"}}));
  pugi::xml_document document;
  ASSERT_TRUE(document.load_file(settings.file().c_str()));
  EXPECT_FALSE(document.child("parameters").find_child_by_attribute("name", "RANGE").attribute("value"));
  for (const char* line : {"LOG=false", "MAX_LIVE_SEL=75", "RANGE=12", "PORT_NUMBER=\"J\xC3\xB6rg's \"port\" <&>\""})
    EXPECT_EQ(countLines(log, line), 1u) << line;
  EXPECT_FALSE(log.contains("saved"));

  EXPECT_TRUE(gf_removeParameter(MAX_LIVE_SEL));
  EXPECT_FALSE(gf_removeParameter(MAX_LIVE_SEL));
  EXPECT_EQ(countLines(log, "Parameter 'MAX_LIVE_SEL' removed"), 1u);
  EXPECT_FALSE(entryValue(settings.file(), "MAX_LIVE_SEL"));

  // The file deleted while the program runs: a save makes a file of that setting alone.
  fs::remove(settings.file());
  EXPECT_FALSE(gf_removeParameter(RANGE));
  RANGE.set(40);
  EXPECT_TRUE(gf_saveIntParameter(RANGE));
  EXPECT_EQ(readEntries(settings.file()), (Entries{{"RANGE", "40"}}));

  // The folder gone: the save fails, says so, and leaves nothing behind.
  gf_setSettingsFolder(settings.folder() / "missing");
  EXPECT_FALSE(gf_saveIntParameter(RANGE));
  EXPECT_TRUE(log.contains("Saving '" + gf_pathText(settings.folder() / "missing" / "parameters.xml") + "' failed"));
  EXPECT_EQ(std::distance(fs::directory_iterator(settings.folder()), fs::directory_iterator{}), 1);
  PORT_NUMBER.set("10747");
}

TEST(SettingsFile, SavesFromManyThreadsAtOnceKeepEveryChange) {
  SettingsFolder settings;
  gf_loadParameters();
  IntParameter* const settingsChanged[] = {&MAIN_WINDOW_X,
                                           &MAIN_WINDOW_Y,
                                           &HOLDING_THRESHOLD_METERS,
                                           &MAX_HOLDING_MINUTES,
                                           &LAST_EPOCH_TIME,
                                           &CUSTOM_PARKING_PERCENTAGE,
                                           &MAX_FIT,
                                           &P3D_VERSION};
  constexpr int rounds = 20;
  std::vector<std::thread> threads;
  for (auto* parameter : settingsChanged)
    threads.emplace_back([parameter] {
      for (int round = 1; round <= rounds; ++round) {
        parameter->set(parameter->clamp(parameter->min + round));
        gf_saveIntParameter(*parameter);
      }
    });
  for (auto& thread : threads) thread.join();

  for (auto* parameter : settingsChanged)
    EXPECT_EQ(entryValue(settings.file(), parameter->name), std::to_string(parameter->clamp(parameter->min + rounds)))
        << parameter->name;
  EXPECT_EQ(readEntries(settings.file()).size(), 54u);
  // Nothing but the file is left in the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(settings.folder()), fs::directory_iterator{}), 1);
}

TEST(SettingsFile, FolderWithNonAsciiName) {
  SettingsFolder settings("J\xC3\xB6rg/Hivemoor");
  LogCapture log;
  gf_loadParameters();
  DESTINATION.set("EDDF");
  ASSERT_TRUE(gf_saveStringParameter(DESTINATION));
  DESTINATION.set("");
  gf_loadParameters();
  EXPECT_EQ(DESTINATION.get(), "EDDF");
  EXPECT_TRUE(log.contains("from '" + gf_pathText(settings.file()) + "'"));
  // The folder carries the name itself, not its bytes read in another code page.
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(settings.dir().path()))
    names.push_back(gf_pathText(entry.path().filename()));
  EXPECT_EQ(names, std::vector<std::string>{"J\xC3\xB6rg"});
  DESTINATION.set("");
}

TEST(SettingsFile, WhatACrashLeftBehindDoesNotDisturbTheNextStart) {
  SettingsFolder settings;
  LogCapture log;
  writeSettings(settings.file(), {{"PROGRAM_VERSION", "11.0.3"}, {"RANGE", "65"}});
  // A save cut short leaves only a part of its temporary file beside the old one.
  writeFile(settings.folder() / "parameters.xml.0.tmp",
            "<?xml version=\"1.0\"?>\n<parameters>\n\t<parameter name=\"RA");
  gf_loadParameters();
  EXPECT_EQ(RANGE.get(), 65);
  EXPECT_FALSE(log.contains("not found"));
  RANGE.set(80);
  EXPECT_TRUE(gf_saveIntParameter(RANGE));
  EXPECT_EQ(entryValue(settings.file(), "RANGE"), "80");
}

TEST(SettingsFile, ReadIntParameterForTheWindowPosition) {
  SettingsFolder settings;
  LogCapture log;
  writeSettings(settings.file(), {{"MAIN_WINDOW_X", "-40000"}});
  pugi::xml_document document;
  ASSERT_TRUE(gf_loadSettingsDocument(document));
  EXPECT_TRUE(gf_readIntParameter(document, MAIN_WINDOW_X, false));
  EXPECT_EQ(MAIN_WINDOW_X.get(), -30000);
  MAIN_WINDOW_Y.set(77);
  EXPECT_FALSE(gf_readIntParameter(document, MAIN_WINDOW_Y, true));
  EXPECT_EQ(MAIN_WINDOW_Y.get(), 20);
  EXPECT_EQ(log.lines(), std::vector<std::string>{"MAIN_WINDOW_Y=20"});
  fs::remove(settings.file());
  EXPECT_FALSE(gf_loadSettingsDocument(document));
}

TEST(SettingsFile, AppendXmlParameter) {
  pugi::xml_document document;
  EXPECT_TRUE(gf_appendXmlParameter(document, "a", "1"));
  auto element = document.append_child("parameters");
  EXPECT_TRUE(gf_appendXmlParameter(element, "LAST_EPOCH_TIME:", ""));
  EXPECT_FALSE(gf_appendXmlParameter(element.append_child(pugi::node_pcdata), "b", "2"));
  EXPECT_FALSE(gf_appendXmlParameter(pugi::xml_node(), "b", "2"));
  EXPECT_STREQ(element.child("parameter").attribute("name").value(), "LAST_EPOCH_TIME:");
  EXPECT_STREQ(element.child("parameter").attribute("name").next_attribute().name(), "value");
}
