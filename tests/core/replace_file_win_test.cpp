// Replacing a file that another program reads at that moment.
#include "core/files.h"
#include "support/test_support.h"

#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

TEST(ReplaceFileWin, WaitsForAReaderThatLetsGoSoon) {
  TempDir dir;
  const auto target = dir / "parameters.xml";
  writeFile(target, "old");
  auto reader = std::make_unique<std::ifstream>(target, std::ios::binary);
  ASSERT_TRUE(reader->is_open());
  // The reader holds the file (without sharing its deletion) while the new one is written.
  std::thread letGo([&reader] {
    std::this_thread::sleep_for(std::chrono::milliseconds(150));
    reader.reset();
  });
  const bool written = gf_writeReplacing(target, std::ios::binary, [](std::ostream& out) { out << "new"; });
  letGo.join();
  EXPECT_TRUE(written);
  EXPECT_EQ(readFile(target), "new");
}

TEST(ReplaceFileWin, GivesUpOnAReaderThatHoldsOnAndKeepsTheOldFile) {
  TempDir dir;
  const auto target = dir / "parameters.xml";
  writeFile(target, "old");
  std::ifstream reader(target, std::ios::binary);
  ASSERT_TRUE(reader.is_open());
  EXPECT_FALSE(gf_writeReplacing(target, std::ios::binary, [](std::ostream& out) { out << "new"; }));
  reader.close();
  EXPECT_EQ(readFile(target), "old");
  // Nothing is left beside it.
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir.path())) ++files;
  EXPECT_EQ(files, 1u);
}
