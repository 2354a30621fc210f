#include "airport_world.h"

#include "airports/park_airport.h"
#include "core/settings/parameters.h"

#include <chrono>
#include <csignal>
#include <gtest/gtest.h>
#include <pugixml.hpp>
#include <set>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace airports_testing;
using testing_support::readFile;
using testing_support::writeFile;
namespace fs = std::filesystem;

namespace {

// A park airport with much learned: 500 stands with 20 options each.
void bigPark() {
  setParkAirport("EHAM");
  parkAirportFileInfo = {"Schiphol", "stock", -11};
  standList.clear();
  for (int k = 0; k < 500; ++k) {
    StandData stand(fmt::format("S{}", k), {}, 52.3 + k * 1e-4, 4.76, 0, 20, false, false, false);
    for (int o = 0; o < 20; ++o)
      stand.options.push_back(makeOption(fmt::format("PH-{:03}", o), o + 1, o % 7 + 1, bit(o)));
    standList.push_back(std::move(stand));
  }
  parkLearnedFile = {learnedStockFolder / "EHAM.xml", LearnedFileState::Merged, {}};
}

// MAX_FIT of the file, -1 when it does not load whole.
int savedMaxFit(const fs::path& file) {
  pugi::xml_document document;
  if (!document.load_file(file.c_str())) return -1;
  if (document.child("parkpositions").select_nodes("parkpos").size() != 500) return -1;
  return document.select_node("/parameters/parameter[@name='MAX_FIT']").node().attribute("value").as_int(-1);
}

} // namespace

TEST(LearnedSavingCrash, TheOldFileIsNeverWrittenInPlace) {
  AirportWorld world;
  bigPark();
  const auto learned = learnedStockFolder / "EHAM.xml";
  writeFile(learned, "the learned file before");
  // A second name of the old file: a save in place would change what it shows.
  fs::create_hard_link(learned, world.root() / "before.xml");
  gf_saveLearnedAirport();
  EXPECT_EQ(readFile(world.root() / "before.xml"), "the learned file before");
  EXPECT_EQ(savedMaxFit(learned), MAX_FIT.get());
}

TEST(LearnedSavingCrash, KilledWhileSavingLeavesAWholeFile) {
  AirportWorld world;
  AirportSettingsGuard settings;
  bigPark();
  const auto learned = learnedStockFolder / "EHAM.xml";
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    for (int i = 0;; ++i) {
      MAX_FIT.set(i % 48);
      gf_saveLearnedAirport();
    }
  }
  // Several saves, so the kill is likely to land inside one; any moment must do.
  std::set<int> seen;
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (seen.size() < 4 && std::chrono::steady_clock::now() < deadline) {
    if (const auto value = savedMaxFit(learned); value >= 0) seen.insert(value);
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  kill(child, SIGKILL);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_GE(seen.size(), 4u);
  EXPECT_GE(savedMaxFit(learned), 0) << "the learned file is not whole";
}
