#include "core/errors.h"
#include "core/files.h"
#include "core/text_files.h"
#include "support/test_support.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <iterator>
#include <pugixml.hpp>
#include <thread>

namespace fs = std::filesystem;
using testing_support::LogCapture;
using testing_support::readFile;
using testing_support::TempDir;
using testing_support::writeFile;

TEST(Files, ExtractPathElement) {
  struct Case {
    const char* line;
    const char* path;
  };
  for (const auto& c : {Case{"  <Path> C:\\My Scenery\\x </Path>", " C:\\My Scenery\\x "}, Case{"</Path>x<Path>", ""},
                        Case{"<Path>only", ""}, Case{"only</Path>", ""}, Case{"<Path></Path>", ""}, Case{"<Pa", ""}})
    EXPECT_EQ(gf_extractPathElement(c.line), c.path) << c.line;
}

TEST(Files, ListXmlFilesTakesFourLetterStemsOnly) {
  TempDir dir;
  for (const char* name : {"EDDF.xml", "EHAM.XML", "EDDF.txt", "EDDFX.xml", "ABC.xml"}) writeFile(dir / name, "x");
  fs::create_directory(dir / "LFPG.xml");
  auto stems = gf_listXmlFiles(dir.path());
  std::sort(stems.begin(), stems.end());
  EXPECT_EQ(stems, (std::vector<std::string>{"EDDF", "EHAM"}));
  EXPECT_TRUE(gf_listXmlFiles(dir / "missing").empty());
  EXPECT_THROW(gf_listXmlFiles(dir / "EDDF.txt"), fs::filesystem_error);
}

TEST(Files, CountAndCleanFolders) {
  TempDir dir;
  LogCapture log;
  writeFile(dir / "a", "1");
  writeFile(dir / "b", "2");
  fs::create_directory(dir / "sub");
  EXPECT_EQ(gf_countFiles(dir.path()), 2);
  EXPECT_EQ(gf_countFiles(dir / "missing"), 0);
  gf_cleanFolder(dir.path());
  EXPECT_TRUE(fs::is_directory(dir.path()));
  EXPECT_TRUE(fs::is_empty(dir.path()));
  gf_cleanFolder(dir / "missing");
  EXPECT_TRUE(log.contains("Cleaning folder: "));

  fs::create_directories(dir / "full" / "inner");
  writeFile(dir / "full" / "inner" / "f", "x");
  try {
    gf_cleanFolder(dir / "full");
    ADD_FAILURE() << "a folder that is not empty cannot be removed";
  } catch (const hvm::UserErrorException& e) {
    EXPECT_EQ(std::string(e.what()).rfind("5: Filesystem error: ", 0), 0u) << e.what();
  }
}

TEST(Files, SaveXmlDocumentReplacesTheFileInOneStep) {
  TempDir dir;
  LogCapture log;
  pugi::xml_document doc;
  doc.append_child("parameters").append_child("parameter").append_attribute("name") = "RANGE";
  const auto target = dir / "J\xC3\xB6rg.xml";
  ASSERT_TRUE(gf_saveXmlDocument(doc, target));
  const auto saved = readFile(target);
  EXPECT_NE(saved.find("<?xml version=\"1.0\"?>"), std::string::npos);
  EXPECT_NE(saved.find("\t<parameter name=\"RANGE\" />"), std::string::npos);
  EXPECT_TRUE(log.contains("' saved"));
  // Nothing but the target is left behind.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator{}), 1);

  EXPECT_FALSE(gf_saveXmlDocument(doc, dir / "no" / "folder.xml"));
  EXPECT_TRUE(log.contains("could not save to '"));
}

TEST(Files, CopyOverALeftoverOfAnInterruptedCopy) {
  TempDir dir;
  writeFile(dir / "Log.txt", "new");
  writeFile(dir / "Log0.txt", "old");
  // Leftovers under the next names the temporary files take, as a crash in an earlier
  // process leaves them (each process counts its temporary files from 0).
  const auto probe = gf_pathText(gf_temporarySibling(dir / "Log0.txt").filename()); // "Log0.txt.N.tmp"
  const auto next = std::stoul(probe.substr(std::string("Log0.txt.").size())) + 1;
  for (auto n = next; n < next + 3; ++n) writeFile(dir / ("Log0.txt." + std::to_string(n) + ".tmp"), "half");
  gf_copyFileOver(dir / "Log.txt", dir / "Log0.txt");
  EXPECT_EQ(readFile(dir / "Log0.txt"), "new");
  EXPECT_EQ(readFile(dir / "Log.txt"), "new");
}

TEST(Files, RemoveFile) {
  TempDir dir;
  LogCapture log;
  writeFile(dir / "x", "1");
  gf_removeFile(dir / "x");
  EXPECT_FALSE(fs::exists(dir / "x"));
  gf_removeFile(dir / "x");
  EXPECT_TRUE(log.lines().empty());
}

TEST(Files, Utf8PathTexts) {
  const std::string text = "C:/Users/J\xC3\xB6rg/AppData";
  EXPECT_EQ(gf_pathText(gf_pathFromText(text)), text);
}

TEST(Files, AFlushBatchTakesOverTheFlushOfItsThreadOnly) {
  TempDir dir("hvm_flushbatch");
  FlushBatch batch;
  {
    const FlushBatch::Scope scope(batch);
    ASSERT_TRUE(gf_writeTextToFile("first", dir / "a.txt"));
    ASSERT_TRUE(gf_writeTextToFile("second", dir / "b.txt"));
    // Another thread's writes are flushed one by one, as ever.
    std::thread([&] { ASSERT_TRUE(gf_writeTextToFile("other", dir / "c.txt")); }).join();
  }
  ASSERT_TRUE(gf_writeTextToFile("first", dir / "d.txt"));
  // Replaced in one step all the same: whole files under their names, nothing left beside.
  EXPECT_EQ(readFile(dir / "a.txt"), readFile(dir / "d.txt"));
  EXPECT_EQ(readFile(dir / "b.txt").rfind("second", 0), 0u);
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 4);
  EXPECT_EQ(batch.pending(), 2u);
  EXPECT_EQ(gf_flushBatchOfThisThread(), nullptr);

  fs::remove(dir / "b.txt"); // a file removed before the flush is passed by
  EXPECT_TRUE(batch.flush());
  EXPECT_EQ(batch.pending(), 0u);
  EXPECT_TRUE(batch.flush());
}
