#include "liveries/livery_scan.h"

#include "core/errors.h"
#include "core/shell/main_window.h"
#include "liveries_fixture.h"

#include <chrono>
#include <map>
#include <memory>
#include <thread>

using namespace liveries_testing;
namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// Every file below the output folder with its bytes; the scanned-liveries file from its
// <liveries> on, since its meta block carries the date.
std::map<std::string, std::string> lf_outputFiles() {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(outputFolder)) {
    if (!entry.is_regular_file()) continue;
    auto text = fileText(entry.path());
    if (entry.path().filename() == liveriesScannedFile.filename()) text = text.substr(text.find("<liveries>"));
    files[gf_pathText(entry.path().lexically_relative(outputFolder).generic_u8string())] = std::move(text);
  }
  return files;
}

// The text of the UserErrorException the call throws, empty when it throws none.
template <typename Call> std::string lf_userError(Call call) {
  try {
    call();
  } catch (const hvm::UserErrorException& e) {
    return e.what();
  }
  return {};
}

} // namespace

class LiveryScan : public LiveriesTest {
protected:
  static void SetUpTestSuite() {
    installFolder_ = std::make_unique<testing_support::TempDir>("hvm-p3d");
    p3dinstall::Options options;
    options.root = installFolder_->path();
    manifest_ = std::make_unique<p3dinstall::Manifest>(p3dinstall::gf_writeInstallation(options));
  }
  static void TearDownTestSuite() {
    manifest_.reset();
    installFolder_.reset();
  }

  void useInstallation(bool automatic) {
    SIM_INSTALL_PATH.set(gf_pathText(manifest_->simFolder));
    gf_setAddOnRecords(AddOnRecords{manifest_->addOnsCfg, manifest_->simObjectsCfg});
    LIG_AUTOMATIC.set(automatic);
    StringParameter* folders[] = {&lfolder0, &lfolder1, &lfolder2, &lfolder3};
    for (std::size_t i = 0; i < manifest_->liveryFolders.size(); ++i)
      folders[i]->set(automatic ? std::string{} : manifest_->liveryFolders[i]);
    SCAN_LIVERIES.set(true);
  }

  // The scanned-liveries file and every report as the manifest has them, and no others.
  void expectManifestResult() {
    EXPECT_EQ(scannedFileLiveries(), manifest_->liveries);
    for (const auto& [report, lines] : manifest_->reports)
      EXPECT_EQ(fileLines(outputFolder / gf_pathFromText(report)), lines) << report;
    for (const auto& [file, text] : lf_outputFiles())
      EXPECT_TRUE(file == "LiveriesScanned.xml" || manifest_->reports.contains(file)) << file << " was written";
  }

  static inline std::unique_ptr<testing_support::TempDir> installFolder_;
  static inline std::unique_ptr<p3dinstall::Manifest> manifest_;
};

TEST_F(LiveryScan, AutomaticScanGivesTheManifestWithOneWorkerAndWithMany) {
  useInstallation(true);
  gf_scanLiveries();
  expectManifestResult();
  for (const auto& line : manifest_->logLines) EXPECT_TRUE(logged(line)) << line;
  EXPECT_FALSE(SCAN_LIVERIES.get());
  EXPECT_EQ(settings_testing::entryValue(settings_.file(), "SCAN_LIVERIES"), "false");
  EXPECT_TRUE(liveriesProcessed);
  EXPECT_EQ(mainWindow.snapshot().liveryCount, manifest_->liveries.size());
  EXPECT_TRUE(logged("liveries scan automatic starts"));
  const auto oneWorker = lf_outputFiles();

  // The same again with every worker the machine has, and at least four.
  maxWorkers = std::max(4, static_cast<int>(std::thread::hardware_concurrency()));
  SCAN_LIVERIES.set(true);
  gf_scanLiveries();
  EXPECT_EQ(lf_outputFiles(), oneWorker);
  EXPECT_EQ(runningWorkers.load(), 0);
}

TEST_F(LiveryScan, ManualScanOfTheSameFoldersGivesTheSame) {
  useInstallation(false);
  maxWorkers = 3;
  gf_scanLiveries();
  expectManifestResult();
  EXPECT_TRUE(logged("liveries scan manual starts"));
  EXPECT_TRUE(logged(" in total"));
}

TEST_F(LiveryScan, AStoppedScanLeavesThePreviousScanAndStaysRequested) {
  useInstallation(false);
  gf_scanLiveries();
  const auto previous = lf_outputFiles();
  ASSERT_TRUE(previous.contains("LiveriesScanned.xml"));

  // The walk waits for a worker slot while the stop comes.
  SCAN_LIVERIES.set(true);
  maxWorkers = 2;
  runningWorkers = 2;
  std::string error;
  std::thread scan([&] {
    try {
      gf_scanLiveries();
    } catch (const std::exception& e) {
      error = e.what();
    }
  });
  for (int i = 0; i < 30000 && !logged("liveries scan manual starts"); ++i) std::this_thread::sleep_for(1ms);
  runState.stopRequested = true;
  runningWorkers = 0;
  scan.join();
  EXPECT_EQ(error, "");
  EXPECT_EQ(lf_outputFiles(), previous);
  EXPECT_TRUE(SCAN_LIVERIES.get());
  EXPECT_TRUE(logged("liveries scan stopped"));
  EXPECT_EQ(runningWorkers.load(), 0);
}

TEST_F(LiveryScan, AFileThatCannotBeWrittenIsReportedAndTheScanStaysRequested) {
  useInstallation(false);
  // A folder in the file's place: it cannot be replaced.
  fs::create_directories(liveriesScannedFile / "in the way");
  writeText(fixesReportFile, "previous fixes\n");
  try {
    gf_scanLiveries();
    FAIL() << "no error";
  } catch (const hvm::UserErrorException&) {
    FAIL() << "a disk error is no error 51";
  } catch (const std::runtime_error& e) {
    EXPECT_EQ(std::string(e.what()), fmt::format("Could not save the scanned liveries to '{}', the liveries will be "
                                                 "scanned again at the next start",
                                                 gf_pathText(liveriesScannedFile)));
  }
  EXPECT_TRUE(SCAN_LIVERIES.get());
  EXPECT_EQ(fileLines(fixesReportFile), std::vector<std::string>{"previous fixes"});
}

TEST_F(LiveryScan, ADamagedFileIsScannedAgain) {
  useInstallation(false);
  SCAN_LIVERIES.set(false);
  writeText(liveriesScannedFile, "<liveries><liv airl=\"AAL\" type=\"A3");
  gf_scanLiveries();
  EXPECT_TRUE(logged(fmt::format("51: File {} not found, rescan liveries", gf_pathText(liveriesScannedFile))));
  EXPECT_EQ(scannedFileLiveries(), manifest_->liveries);
  EXPECT_FALSE(SCAN_LIVERIES.get());
  EXPECT_TRUE(liveriesProcessed);

  // A good file is simply read.
  gf_clearLiveryTables();
  gf_scanLiveries();
  EXPECT_TRUE(liveriesProcessed);
  EXPECT_EQ(mainWindow.snapshot().liveryCount, manifest_->liveries.size());
}

TEST_F(LiveryScan, WhatTheUserMustSet) {
  LIG_AUTOMATIC.set(false);
  EXPECT_EQ(lf_userError(gf_scanLiveries),
            "48: Set lfolder parameter(-s) to your liveries first, see Manual 5.1 (or check Liveries automatic)");
  writeText(work("a file"), "x");
  lfolder1.set(gf_pathText(work("a file")));
  lfolder2.set(gf_pathText(work("missing")));
  EXPECT_EQ(lf_userError(gf_scanLiveries), "53: no liveries found");
  EXPECT_TRUE(logged(gf_pathText(work("a file")) + " is not a folder name, skipped!"));
  EXPECT_TRUE(logged(gf_pathText(work("missing")) + " does not exist, skipped!"));
  EXPECT_TRUE(SCAN_LIVERIES.get());

  LIG_AUTOMATIC.set(true);
  gf_setAddOnRecords(AddOnRecords{work("none/add-ons.cfg"), work("none/simobjects.cfg")});
  EXPECT_EQ(lf_userError(gf_scanLiveries), "43: Automatic scan has not found any liveries, switch off automatic and "
                                           "set lfolder parameter(-s), Manual 5.1");
}

namespace {

// An aircraft folder with one livery of the airline and model.
void lf_aircraft(const fs::path& folder, const std::string& airline, const std::string& model,
                 const std::string& title) {
  fs::create_directories(folder / "model");
  fs::create_directories(folder / "texture.A");
  writeText(folder / "A.air", "air");
  writeText(folder / "aircraft.cfg", fmt::format("[General]\natc_model={}\n[fltsim.0]\ntitle={}\nsim=A\ntexture=A\n"
                                                 "atc_parking_codes={}\n",
                                                 model, title, airline));
}

} // namespace

TEST_F(LiveryScan, PrioritizedFoldersKeepTheFirstFolderOfAnAirlineAndModel) {
  // Eleven folders: the tenth and the eleventh share the number 10.
  std::string entries;
  for (int i = 1; i <= 11; ++i) {
    const auto folder = work(fmt::format("folder {:02}", i));
    fs::create_directories(folder);
    entries += fmt::format("[Entry.{}]\nPath={}\n", i, gf_pathText(folder));
  }
  lf_aircraft(work("folder 01/a"), "SWA", "B738", "One SWA B738");
  lf_aircraft(work("folder 03/a"), "SWA", "B738", "Three SWA B738");
  lf_aircraft(work("folder 03/b"), "SWA", "A320", "Three SWA A320");
  lf_aircraft(work("folder 10/a"), "UAL", "B738", "Ten UAL B738");
  lf_aircraft(work("folder 11/a"), "UAL", "B738", "Eleven UAL B738");
  lf_aircraft(work("folder 11/b"), "UAL", "A320", "Eleven UAL A320");
  writeText(work("ProgramData/simobjects.cfg"), entries);
  gf_setAddOnRecords(AddOnRecords{work("none/add-ons.cfg"), work("ProgramData/simobjects.cfg")});
  LIG_PRIORITIZE.set(true);
  gf_scanLiveries();
  std::vector<std::string> titles;
  for (const auto& l : scannedFileLiveries()) titles.push_back(l.title);
  EXPECT_EQ(titles, (std::vector<std::string>{"Three SWA A320", "One SWA B738", "Eleven UAL A320", "Eleven UAL B738",
                                              "Ten UAL B738"}));
  EXPECT_TRUE(logged("1 liverie found in " + gf_pathText(work("folder 01"))));
  EXPECT_TRUE(logged("No liveries found in " + gf_pathText(work("folder 02"))));
  EXPECT_TRUE(logged("6 in total"));
}

TEST_F(LiveryScan, AFolderListedBeforeTheFolderItLiesInComesFirst) {
  lf_aircraft(work("AI/Inside/a"), "SWA", "B738", "Inside SWA B738");
  lf_aircraft(work("Other/a"), "SWA", "B738", "Other SWA B738");
  lf_aircraft(work("AI/a"), "SWA", "B738", "AI SWA B738");
  lf_aircraft(work("AI/b"), "UAL", "A320", "AI UAL A320");
  LIG_AUTOMATIC.set(false);
  LIG_PRIORITIZE.set(true);
  lfolder0.set(gf_pathText(work("AI/Inside")));
  lfolder1.set(gf_pathText(work("Other")));
  lfolder2.set(gf_pathText(work("AI")));
  maxWorkers = 2;
  gf_scanLiveries();
  std::vector<std::string> titles;
  for (const auto& l : scannedFileLiveries()) titles.push_back(l.title);
  EXPECT_EQ(titles, (std::vector<std::string>{"Inside SWA B738", "AI UAL A320"}));
  // The inner folder is walked once, with its own number.
  EXPECT_TRUE(logged("1 liverie found in " + gf_pathText(work("AI/Inside"))));
  EXPECT_TRUE(logged("2 liveries found in " + gf_pathText(work("AI"))));
  for (const auto& line : fileLines(incompleteSectionsReportFile))
    EXPECT_EQ(line.find("already exists"), std::string::npos) << line;
}
