#include "addon_scan_fixture.h"

#include "airports/addon_outputs.h"
#include "airports/bgl_scan_report.h"
#include "airports/bgl_search.h"
#include "core/errors.h"
#include "core/shell/main_window.h"

#include "installation.h"

#include <fmt/format.h>
#include <map>

using namespace addon_testing;
namespace fs = std::filesystem;

namespace {

std::map<std::string, std::string> folderFiles(const fs::path& folder) {
  std::map<std::string, std::string> files;
  if (!fs::exists(folder)) return files;
  for (const auto& entry : fs::directory_iterator(folder))
    files[gf_pathText(entry.path().filename())] = testing_support::readFile(entry.path());
  return files;
}

// The log lines of the last scan, from its start banner to its end.
std::vector<std::string> lastScanLog(const std::vector<std::string>& lines) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < lines.size(); ++i)
    if (lines[i].find("airports scan") != std::string::npos && lines[i].find("starts") != std::string::npos) start = i;
  return {lines.begin() + static_cast<std::ptrdiff_t>(start), lines.end()};
}

} // namespace

TEST_F(AddonScanTest, ScansTheStandInInstallationTheSameWithOneAndFourWorkers) {
  AFG_AUTOMATIC.set(true);
  const auto airports = bglwriter::writeInstallationScenery({work / "sim", work / "config", standsFolder});
  const auto klax = gf_pathText(airports[0].bglFile);

  maxWorkers = 1;
  const auto first = scan();
  EXPECT_TRUE(first.complete);
  EXPECT_TRUE(first.generated);
  EXPECT_EQ(first.problems, 0);
  EXPECT_EQ(first.writeFailures, 0);

  const auto klaxFile = program("airports/my_thirdparty/KLAX.xml");
  const auto ehamFile = program("airports/my_thirdparty/EHAM.xml");
  // The real gates, not the four stands of the stock scenery's KLAX.
  EXPECT_EQ(headerValue(klaxFile, "num_parkpos"), "148");
  EXPECT_EQ(headerValue(klaxFile, "altitude"), "125");
  EXPECT_EQ(headerValue(klaxFile, "airport_name"), "Los Angeles Intl");
  EXPECT_EQ(headerValue(klaxFile, "publisher"), "unknown");
  EXPECT_EQ(headerValue(klaxFile, "BGLpath"), klax);
  EXPECT_EQ(headerValue(ehamFile, "num_parkpos"), "190");
  const auto names = standNames(klaxFile);
  EXPECT_TRUE(std::is_sorted(names.begin(), names.end()));
  EXPECT_TRUE(contains(names, "G7"));
  // The five cargo positions named car4 share C4 with the gate of that name.
  for (const auto* name : {"C4", "C4a", "C4b", "C4c", "C4d", "C4e"}) EXPECT_TRUE(contains(names, name)) << name;
  // Neither the switched-off area's KSEA nor the statics' KVNY.
  EXPECT_EQ(folderFiles(program("airports/my_thirdparty")).size(), 2u);
  EXPECT_TRUE(folderFiles(program("airports/my_ORBX")).empty());
  EXPECT_FALSE(fs::exists(program("TBLO")));
  EXPECT_FALSE(SCAN_AIRPORTS.get());
  EXPECT_EQ(storedScanAirports(), "false");

  const std::vector<std::string> expectedReport{
      "Scanning for addon airports in " + gf_pathText(work / "sim" / "Custom Scenery" / "KLAX"),
      "===> KLAX has 148 parkpos while archived one has 0",
      "Generated KLAX.xml: 148 positions",
      "Scanning for addon airports in " + gf_pathText(fs::absolute(work / "sim" / "Ecosystem" / "EHAM Schiphol")),
      "===> EHAM has 190 parkpos while archived one has 0",
      "Generated EHAM.xml: 190 positions",
  };
  EXPECT_EQ(report(), expectedReport);
  const auto firstLog = lastScanLog(log.lines());
  const std::vector<std::string> expectedLog{
      "++++++++++++++++++++++++ airports scan automatic  starts +++++++++++++++++++++++++++++",
      "      found:" + gf_pathText(work / "sim" / "Custom Scenery" / "KLAX"),
      "found path:" + gf_pathText(fs::absolute(work / "sim" / "Ecosystem" / "EHAM Schiphol")),
      "The scan will search 2 folders",
      gf_pathText(fs::path("output") / "info" / "AirportsScanLog.txt") + " written",
      "Airports scan successful",
      "-------------------------- airports scan ends    ----------------------------"};
  for (const auto& line : expectedLog) EXPECT_TRUE(contains(firstLog, line)) << line;

  const auto files = folderFiles(program("airports/my_thirdparty"));
  const auto firstReport = report();
  SCAN_AIRPORTS.set(true);
  maxWorkers = 4;
  const auto second = scan();
  EXPECT_TRUE(second.complete);
  EXPECT_EQ(folderFiles(program("airports/my_thirdparty")), files);
  EXPECT_EQ(report(), firstReport);
  EXPECT_EQ(lastScanLog(log.lines()), firstLog);
}

TEST_F(AddonScanTest, TheFileTheSimulatorShowsWinsForAnAirportInSeveralFiles) {
  // Low layer: a simaddon link for KBFI and a plain KLAX; high layer: twelve files with KLAX.
  const auto low = work / "ORBX low";
  writeBgl(low / "KLAX.bgl", airportFile("KLAX", 10));
  writeBgl(low / "KBFI.bgl", airportFile("KBFI", 3));
  const auto high = work / "high";
  for (int i = 0; i < 12; ++i) {
    auto file = airportFile("KLAX", 20 + i);
    file.sections[0].records.push_back(
        std::get<bglwriter::Airport>(airportFile("KBFI", 30 + i).sections[0].records[0]));
    writeBgl(high / fmt::format("f{:02}.bgl", i), file);
  }
  afolder0.set(gf_pathText(low));
  afolder1.set(gf_pathText(high));
  for (int round = 0; round < 3; ++round) {
    SCAN_AIRPORTS.set(true);
    const auto outcome = scan();
    ASSERT_TRUE(outcome.complete);
    EXPECT_EQ(headerValue(program("airports/my_thirdparty/KLAX.xml"), "num_parkpos"), "31") << round;
    // What the low layer wrote must not hide the high layer's stand files.
    EXPECT_FALSE(fs::exists(program("airports/my_ORBX/KBFI.txt"))) << round;
    EXPECT_FALSE(fs::exists(program("airports/my_ORBX/KLAX.xml"))) << round;
    EXPECT_EQ(headerValue(program("airports/my_thirdparty/KBFI.xml"), "num_parkpos"), "41") << round;
    const auto lines = report();
    EXPECT_TRUE(contains(lines, "===> KLAX is in 13 scenery files; its stand file comes from " +
                                    gf_pathText(high / "f11.bgl")));
    EXPECT_TRUE(contains(lines, "simaddon airport KBFI linked to archive/simaddon/KBFI.xml"));
  }
}

TEST_F(AddonScanTest, AFolderListedTwiceIsNoSecondSceneryFile) {
  writeBgl(work / "scenery" / "EDDF.bgl", airportFile("EDDF", 4));
  writeBgl(work / "scenery" / "sub" / "EDDM.bgl", airportFile("EDDM", 3));
  writeBgl(work / "other" / "EDDM.bgl", airportFile("EDDM", 5));
  afolder0.set(gf_pathText(work / "scenery"));
  afolder1.set(gf_pathText(work / "other"));
  afolder2.set(gf_pathText(work / "scenery"));
  afolder3.set(gf_pathText(work / "scenery" / "sub"));
  ASSERT_TRUE(scan().complete);
  const auto lines = report();
  for (const auto& line : lines) EXPECT_EQ(line.find("EDDF is in"), std::string::npos) << line;
  // EDDM is in two files; the folder listed last holds the one the simulator shows.
  EXPECT_TRUE(contains(lines, "===> EDDM is in 2 scenery files; its stand file comes from " +
                                  gf_pathText(work / "scenery" / "sub" / "EDDM.bgl")));
  EXPECT_EQ(headerValue(program("airports/my_thirdparty/EDDM.xml"), "num_parkpos"), "3");
}

TEST_F(AddonScanTest, LinksGeneratedFilesAndOfflineLearningByPublisher) {
  const auto orbx = work / "Orbx" / "scenery";
  writeBgl(orbx / "EHAM.bgl", airportFile("EHAM", 5));    // listed as simaddon: link only
  writeBgl(orbx / "EGLL.bgl", airportFile("EGLL", 2, 1)); // not listed: generated in my_ORBX
  const auto pub = work / "Some Publisher" / "scenery";
  writeBgl(pub / "KSEA.bgl", airportFile("KSEA", 41)); // archived with 40: link and generated
  writeBgl(pub / "KPDX.bgl", airportFile("KPDX", 40)); // archived with 40: link only
  writeBgl(pub / "KBOI.bgl", airportFile("KBOI", 1));  // listed without a count
  writeBgl(pub / "KGEG.bgl", airportFile("KGEG", 2));  // not listed
  afolder0.set(gf_pathText(work / "Orbx"));
  afolder1.set(gf_pathText(work / "Some Publisher"));
  suitable = {"EGLL", "KSEA"};
  const auto outcome = scan();
  EXPECT_TRUE(outcome.complete);
  EXPECT_EQ(outcome.writeFailures, 0);

  EXPECT_EQ(fileLines(program("airports/my_ORBX/EHAM.txt")), (std::vector<std::string>{"archive/simaddon/EHAM.xml"}));
  EXPECT_FALSE(fs::exists(program("airports/my_ORBX/EHAM.xml")));
  EXPECT_EQ(standNames(program("airports/my_ORBX/EGLL.xml")), (std::vector<std::string>{"g1", "g2", "helipad1"}));
  EXPECT_EQ(fileLines(program("airports/my_thirdparty/KSEA.txt")),
            (std::vector<std::string>{"archive/thirdparty/Some%20Publisher/KSEA.xml"}));
  EXPECT_TRUE(fs::exists(program("airports/my_thirdparty/KPDX.txt")));
  EXPECT_FALSE(fs::exists(program("airports/my_thirdparty/KPDX.xml")));
  EXPECT_TRUE(fs::exists(program("airports/my_thirdparty/KBOI.txt")));
  EXPECT_TRUE(fs::exists(program("airports/my_thirdparty/KBOI.xml")));
  EXPECT_TRUE(fs::exists(program("airports/my_thirdparty/KGEG.xml")));
  // Offline learning: both qualifying files go to TBLO; KSEA's generated file leaves, its link stays.
  EXPECT_TRUE(fs::exists(program("TBLO/EGLL.xml")));
  EXPECT_TRUE(fs::exists(program("TBLO/KSEA.xml")));
  EXPECT_FALSE(fs::exists(program("airports/my_thirdparty/KSEA.xml")));
  EXPECT_TRUE(fs::exists(program("airports/my_ORBX/EGLL.xml")));
  EXPECT_EQ(mainWindow.snapshot().offlineLearningCount, 2);
  EXPECT_TRUE(mainWindow.snapshot().airportScanOk);

  const auto lines = report();
  for (const auto* line : {"simaddon airport EHAM linked to archive/simaddon/EHAM.xml",
                           "EGLL does not exist as simaddon", "Generated EGLL.xml: 3 positions, of which 1 helipad",
                           "thirdparty airport KSEA linked to archive/thirdparty/Some%20Publisher/KSEA.xml",
                           "===> KSEA has 41 parkpos while archived one has 40", "Generated KSEA.xml: 41 positions",
                           "thirdparty Some Publisher KGEG does not exist", "Generated KGEG.xml: 2 positions"})
    EXPECT_TRUE(contains(lines, line)) << line;
  EXPECT_FALSE(contains(lines, "Generated KPDX.xml: 40 positions"));
  EXPECT_TRUE(log.contains("===> Some Publisher KBOI KBOI invalid number"));
  EXPECT_TRUE(log.contains("EGLL copied to " + gf_pathText(fs::path("TBLO") / "EGLL.xml")));
  // The manifest lists what the scan leaves, not KSEA.xml that went to TBLO.
  std::vector<std::string> manifest;
  for (const auto& line : fileLines(program("airports/addon_scan_files.txt")))
    manifest.push_back(line.substr(0, line.find('\t')));
  EXPECT_TRUE(contains(manifest, "airports/my_thirdparty/KSEA.txt"));
  EXPECT_FALSE(contains(manifest, "airports/my_thirdparty/KSEA.xml"));
}

TEST_F(AddonScanTest, UsersOwnStandFilesStayAndAStoppedScanLosesNothing) {
  const auto scenery = work / "scenery";
  writeBgl(scenery / "EDDF.bgl", airportFile("EDDF", 4));
  writeBgl(scenery / "EDDM.bgl", airportFile("EDDM", 3));
  testing_support::writeFile(program("airports/my_thirdparty/EDDF.xml"), "my own EDDF");
  testing_support::writeFile(program("airports/my_thirdparty/LOWW.xml"), "my own LOWW");
  afolder0.set(gf_pathText(scenery));
  ASSERT_TRUE(scan().complete);
  EXPECT_EQ(testing_support::readFile(program("airports/my_thirdparty/EDDF.xml")), "my own EDDF");
  EXPECT_EQ(headerValue(program("airports/my_thirdparty/EDDM.xml"), "num_parkpos"), "3");
  EXPECT_TRUE(contains(report(), "===> " + gf_pathText(fs::path("airports") / "my_thirdparty" / "EDDF.xml") +
                                     " is a stand file of your own: the scan leaves it as it is"));

  // The scenery changes: the scan's own EDDM file goes, the user's files stay.
  fs::remove(scenery / "EDDM.bgl");
  writeBgl(scenery / "LSZH.bgl", airportFile("LSZH", 2));
  SCAN_AIRPORTS.set(true);
  ASSERT_TRUE(scan().complete);
  EXPECT_FALSE(fs::exists(program("airports/my_thirdparty/EDDM.xml")));
  EXPECT_TRUE(fs::exists(program("airports/my_thirdparty/LSZH.xml")));
  EXPECT_EQ(testing_support::readFile(program("airports/my_thirdparty/LOWW.xml")), "my own LOWW");
  EXPECT_EQ(testing_support::readFile(program("airports/my_thirdparty/EDDF.xml")), "my own EDDF");

  // A stop: nothing of the last scan is removed and the next start scans again.
  fs::remove(scenery / "LSZH.bgl");
  SCAN_AIRPORTS.set(true);
  gf_requestStop(ExitReason::NewSettings, 0);
  const auto stopped = scan();
  EXPECT_FALSE(stopped.complete);
  EXPECT_FALSE(mainWindow.snapshot().airportScanOk);
  EXPECT_TRUE(fs::exists(program("airports/my_thirdparty/LSZH.xml")));
  EXPECT_TRUE(SCAN_AIRPORTS.get());
  EXPECT_TRUE(log.contains("The airports scan was stopped: it runs again at the next start"));
  EXPECT_FALSE(log.contains("Warning: Scan has not found any add-on airports"));
  gf_resetRunFlags();
  ASSERT_TRUE(scan().complete);
  EXPECT_FALSE(fs::exists(program("airports/my_thirdparty/LSZH.xml")));
  EXPECT_FALSE(SCAN_AIRPORTS.get());
}

TEST_F(AddonScanTest, EachScanTellsItsOwnSuccess) {
  writeBgl(work / "one" / "EDDF.bgl", airportFile("EDDF", 4));
  fs::create_directories(work / "none");
  afolder0.set(gf_pathText(work / "one"));
  EXPECT_TRUE(scan().generated);
  EXPECT_TRUE(contains(lastScanLog(log.lines()), "Airports scan successful"));
  afolder0.set(gf_pathText(work / "none"));
  SCAN_AIRPORTS.set(true);
  EXPECT_FALSE(scan().generated);
  const auto second = lastScanLog(log.lines());
  EXPECT_FALSE(contains(second, "Airports scan successful"));
  EXPECT_TRUE(contains(second, "Warning: Scan has not found any add-on airports"));
  EXPECT_TRUE(contains(second, "The scan will search 1 folder"));
}

TEST_F(AddonScanTest, DamagedFilesFailedWritesAndFoldersThatCannotBeSearched) {
  const auto scenery = work / "scenery";
  auto damaged = airportFile("EDDF", 4);
  std::get<bglwriter::Airport>(damaged.sections[0].records[0]).sizeOverride = 100000;
  writeBgl(scenery / "a_damaged.bgl", damaged);
  writeBgl(scenery / "b_good.bgl", airportFile("EDDM", 2));
  testing_support::writeFile(scenery / "c_short.bgl", "BGL");
  testing_support::writeFile(work / "a file", "not a folder");
  afolder0.set(gf_pathText(scenery));
  afolder1.set(gf_pathText(work / "missing"));
  afolder2.set(gf_pathText(work / "a file"));
  const auto outcome = scan();
  EXPECT_TRUE(outcome.complete);
  EXPECT_EQ(outcome.problems, 1);
  EXPECT_TRUE(fs::exists(program("airports/my_thirdparty/EDDM.xml")));
  EXPECT_TRUE(contains(report(), "===> Damaged airport record at 92 (size 100000) skipped in " +
                                     gf_pathText(scenery / "a_damaged.bgl")));
  EXPECT_TRUE(log.contains(gf_pathText(work / "missing") + " does not exist, skipped!"));
  EXPECT_TRUE(log.contains(gf_pathText(work / "a file") + " is not a folder name, skipped!"));
  EXPECT_FALSE(mainWindow.snapshot().airportScanOk);
  // A damaged file would be as damaged at the next start: it does not keep the scan on.
  EXPECT_FALSE(SCAN_AIRPORTS.get());

  // A link that cannot be written keeps the scan on; an error in a worker costs its file only.
  writeBgl(work / "ORBX" / "EHAM.bgl", airportFile("EHAM", 2));
  writeBgl(work / "ORBX" / "EGLL.bgl", airportFile("EGLL", 2));
  fs::remove_all(program("airports/my_ORBX"));
  testing_support::writeFile(program("airports/my_ORBX"), "no folder");
  afolder0.set(gf_pathText(work / "ORBX"));
  afolder1.set("");
  afolder2.set("");
  SCAN_AIRPORTS.set(true);
  maxWorkers = 1; // EGLL's failed worker is collected when EHAM's has started
  const auto failing = scan();
  EXPECT_GT(failing.writeFailures, 0);
  EXPECT_TRUE(SCAN_AIRPORTS.get());
  EXPECT_TRUE(log.contains("===> Exception in lf_processBGLfile: " + gf_pathText(work / "ORBX" / "EGLL.bgl")));
  {
    const auto lines = report();
    const auto inner = std::find(lines.begin(), lines.end(), "===>  airports search aborted, futs inner, ");
    ASSERT_LE(inner + 4, lines.end());
    EXPECT_EQ(inner[2], "2");
    EXPECT_EQ(inner[3], gf_pathText(work / "ORBX" / "EGLL.bgl"));
  }
  // Collected at the end of the folder's search, the line names the folder.
  maxWorkers = 4;
  SCAN_AIRPORTS.set(true);
  scan();
  const auto atEnd = report();
  EXPECT_TRUE(std::any_of(atEnd.begin(), atEnd.end(), [&](const std::string& line) {
    return line.starts_with("===>  airports search in " + gf_pathText(work / "ORBX") + " aborted, futs outer error: ");
  }));
  EXPECT_TRUE(contains(report(), "===> Writing " + gf_pathText(fs::path("airports") / "my_ORBX" / "EHAM.txt") +
                                     " did not succeed"));

  // A folder the iterator cannot open.
  gf_takeScanReport();
  const auto search = lf_searchBGLfiles(work / "a file", 0, setup.stockFolder);
  EXPECT_EQ(search.files, 0);
  const auto lines = gf_takeScanReport();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1].rfind("===>  airports search in folder " + gf_pathText(work / "a file") +
                               " aborted because of iterator problem: ",
                           0),
            0u);
}

TEST_F(AddonScanTest, ManualModeNeedsFoldersOutsideTheStockScenery) {
  try {
    scan();
    FAIL() << "no error without folders";
  } catch (const hvm::UserErrorException& e) {
    EXPECT_STREQ(e.what(), "49: Set afolder parameter(-s) to your add-on airports first, see Manual 6.1");
  }
  fs::create_directories(work / "addon");
  afolder0.set(gf_pathText(work / "addon"));
  afolder3.set(gf_pathText(work / "sim" / "SCENERY" / "World"));
  try {
    scan();
    FAIL() << "no error for a stock folder";
  } catch (const hvm::UserErrorException& e) {
    EXPECT_STREQ(e.what(), "42: parameter afolder3 points to stock airports instead of add-on airports!");
  }
  EXPECT_TRUE(SCAN_AIRPORTS.get());
  EXPECT_TRUE(fs::exists(program("TBLO")));
}

TEST_F(AddonScanTest, ALowerSceneryFileNeverReplacesAHigherOne) {
  const auto airportWith = [](int stands) {
    BglAirport airport;
    airport.code = "KLAX";
    for (int i = 1; i <= stands; ++i) {
      BglStand stand;
      stand.name = fmt::format("g{}", i);
      stand.lat = 33.9 + 0.001 * i;
      stand.lon = -118.4;
      stand.radius = 20 / 1852.0;
      airport.stands.push_back(stand);
    }
    return airport;
  };
  gf_beginAddonOutputs(testPublisher);
  // The higher file's worker happens to finish first.
  EXPECT_TRUE(lf_processAirportRecord(airportWith(5), "/x/high/KLAX.bgl", {1, 0, 0}));
  EXPECT_TRUE(lf_processAirportRecord(airportWith(2), "/x/ORBX/KLAX.bgl", {0, 7, 0}));
  EXPECT_TRUE(lf_processAirportRecord(airportWith(3), "/x/high/KLAX.bgl", {1, 0, 1})); // later in the same file
  EXPECT_TRUE(lf_processAirportRecord(airportWith(0), "/x/top/KLAX.bgl", {2, 0, 0}));  // no stands: no contender
  EXPECT_EQ(headerValue(program("airports/my_thirdparty/KLAX.xml"), "num_parkpos"), "3");
  EXPECT_FALSE(fs::exists(program("airports/my_ORBX/KLAX.xml")));
  EXPECT_EQ(gf_duplicateAirportLines(),
            (std::vector<std::string>{"===> KLAX is in 2 scenery files; its stand file comes from /x/high/KLAX.bgl"}));
  EXPECT_TRUE(gf_finishAddonOutputs(true));
  const auto manifest = fileLines(program("airports/addon_scan_files.txt"));
  ASSERT_EQ(manifest.size(), 1u);
  EXPECT_EQ(manifest[0].substr(0, manifest[0].find('\t')), "airports/my_thirdparty/KLAX.xml");
}

TEST_F(AddonScanTest, FilesOfAScanTheProgramNeverFinishedAreStillTheScans) {
  const auto scenery = work / "scenery";
  writeBgl(scenery / "EDDF.bgl", airportFile("EDDF", 4));
  afolder0.set(gf_pathText(scenery));
  ASSERT_TRUE(scan().complete);
  const auto eddf = program("airports/my_thirdparty/EDDF.xml");
  const auto eddm = program("airports/my_thirdparty/EDDM.xml");

  // The program ends in the middle of a scan: EDDM.xml is written, the scan's end never comes.
  BglAirport airport;
  airport.code = "EDDM";
  BglStand stand;
  stand.name = "g1";
  stand.lat = 48.35;
  stand.lon = 11.78;
  stand.radius = 20 / 1852.0;
  airport.stands.push_back(stand);
  gf_beginAddonOutputs(testPublisher);
  ASSERT_TRUE(lf_processAirportRecord(airport, gf_pathText(scenery / "EDDM.bgl"), {0, 0, 0}));
  ASSERT_TRUE(fs::exists(eddm));

  // The next scan does not find EDDM: the file is the scan's to remove, not a stand file of the user's.
  SCAN_AIRPORTS.set(true);
  ASSERT_TRUE(scan().complete);
  EXPECT_FALSE(fs::exists(eddm));
  EXPECT_TRUE(fs::exists(eddf));
  const auto manifest = fileLines(program("airports/addon_scan_files.txt"));
  ASSERT_EQ(manifest.size(), 1u);
  EXPECT_EQ(manifest[0].substr(0, manifest[0].find('\t')), "airports/my_thirdparty/EDDF.xml");
}

TEST_F(AddonScanTest, AnAirportMadeFromTheSameAsBeforeIsNotWrittenAgain) {
  const auto scenery = work / "scenery";
  writeBgl(scenery / "EDDF.bgl", airportFile("EDDF", 4));
  writeBgl(scenery / "EDDM.bgl", airportFile("EDDM", 3));
  writeBgl(scenery / "EDDH.bgl", airportFile("EDDH", 2));
  afolder0.set(gf_pathText(scenery));
  ASSERT_TRUE(scan().complete);
  const auto eddf = program("airports/my_thirdparty/EDDF.xml");
  const auto eddm = program("airports/my_thirdparty/EDDM.xml");
  const auto eddh = program("airports/my_thirdparty/EDDH.xml");
  const auto eddfTime = fs::last_write_time(eddf);
  const auto eddfText = testing_support::readFile(eddf);

  writeBgl(scenery / "EDDM.bgl", airportFile("EDDM", 5)); // the scenery changed
  testing_support::writeFile(eddh, "edited");             // the scan's own file was changed by hand
  SCAN_AIRPORTS.set(true);
  ASSERT_TRUE(scan().complete);
  EXPECT_EQ(fs::last_write_time(eddf), eddfTime);
  EXPECT_EQ(testing_support::readFile(eddf), eddfText);
  EXPECT_EQ(headerValue(eddm, "num_parkpos"), "5");
  EXPECT_EQ(headerValue(eddh, "num_parkpos"), "2");
  EXPECT_TRUE(contains(report(), "Generated EDDF.xml: 4 positions")); // the report tells the same either way
}

TEST_F(AddonScanTest, TheManifestCannotMakeTheScanRemoveOtherFiles) {
  testing_support::writeFile(work / "victim.xml", "keep");
  testing_support::writeFile(program("airports/my_thirdparty/LOWW.txt.bak"), "keep");
  testing_support::writeFile(program("airports/my_thirdparty/EDDF.xml"), "scan's own, from the last scan");
  testing_support::writeFile(program("airports/addon_scan_files.txt"), "../victim.xml\n"
                                                                       "airports/my_thirdparty/../../../victim.xml\n"
                                                                       "airports/my_thirdparty/LOWW.txt.bak\n"
                                                                       "airports/my_thirdparty/EDDF.xml\n");
  fs::create_directories(work / "none");
  afolder0.set(gf_pathText(work / "none"));
  ASSERT_TRUE(scan().complete);
  EXPECT_TRUE(fs::exists(work / "victim.xml"));
  EXPECT_TRUE(fs::exists(program("airports/my_thirdparty/LOWW.txt.bak")));
  EXPECT_FALSE(fs::exists(program("airports/my_thirdparty/EDDF.xml")));
}
