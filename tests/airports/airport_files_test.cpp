#include "airport_world.h"

#include "airports/airport_files.h"
#include "airports/archive_downloads.h"
#include "airports/publishers.h"

#include <gtest/gtest.h>

using namespace airports_testing;
using testing_support::LogCapture;
using testing_support::readFile;
using testing_support::writeFile;
namespace fs = std::filesystem;

namespace {

// A path as the texts the program shows: with the platform's separator.
std::string text(const fs::path& path) { return gf_pathText(path); }
std::string text(std::initializer_list<const char*> parts) {
  fs::path path;
  for (const auto* part : parts) path /= part;
  return gf_pathText(path);
}

} // namespace

TEST(AirportFiles, LinkFiles) {
  testing_support::TempDir dir;
  struct Case {
    const char* content;
    std::optional<std::string> target;
  };
  const Case cases[] = {
      {"airports\\my_thirdparty2024\\EHAM.xml   \r\nsecond line\n", "airports\\my_thirdparty2024\\EHAM.xml"},
      {"archive/thirdparty/A%20B/EHAM.xml\n", "archive/thirdparty/A%20B/EHAM.xml"},
      {"D:\\x.xml\\EHAM.xml and a comment", "D:\\x.xml\\EHAM.xml"},
      {"a.xml", "a.xml"},
      {"xml", std::nullopt},
      {".xm", std::nullopt},
      {"airports/EHAM.txt\n", std::nullopt},
      {"\nairports/EHAM.xml\n", std::nullopt},
      {"", std::nullopt},
  };
  for (const auto& c : cases) {
    writeFile(dir / "EHAM.txt", c.content);
    EXPECT_EQ(gf_readLinkFile(dir / "EHAM.txt"), c.target) << c.content;
  }
  EXPECT_EQ(gf_readLinkFile(dir / "NONE.txt"), std::nullopt);
  // Written in another code page: no path to open, and the user is told.
  LogCapture log;
  writeFile(dir / "EHAM.txt", "D:\\Sc\xE8nery\\EHAM.xml\r\n");
  EXPECT_EQ(gf_readLinkFile(dir / "EHAM.txt"), std::nullopt);
  EXPECT_TRUE(log.contains("===> The link file '" + text(dir / "EHAM.txt") + "' is not UTF-8 text: save it as UTF-8"));
  writeFile(dir / "EHAM.txt", "D:\\Sc\xC3\xA8nery\\EHAM.xml\r\n");
  EXPECT_EQ(gf_readLinkFile(dir / "EHAM.txt"), "D:\\Sc\xC3\xA8nery\\EHAM.xml");
  EXPECT_EQ(gf_codeXmlText("EHAM"), "EHAM.xml");
  EXPECT_EQ(gf_codeTxtPath("EHAM"), fs::path("EHAM.txt"));
}

TEST(AirportFiles, OneRuleLocatesAFile) {
  AirportWorld world;
  EXPECT_EQ(gf_findAirportFile("EHAM"), "");
  EXPECT_FALSE(gf_ensureAirportFile("EHAM"));

  world.putInArchive("stock", "EHAM", standFile({{"altitude", "-11"}}, ""));
  gf_forgetArchiveFetches();
  EXPECT_EQ(gf_findAirportFile("EHAM"), "archive/stock/EHAM.xml");
  EXPECT_TRUE(gf_ensureAirportFile("EHAM"));

  writeFile(myOrbxFolder / "EHAM.xml", "x");
  EXPECT_EQ(gf_findAirportFile("EHAM"), text({"airports", "my_ORBX", "EHAM.xml"}));
  writeFile(myOrbxFolder / "EHAM.txt", "airports/my_ORBX/EHAM2.xml\n");
  EXPECT_EQ(gf_findAirportFile("EHAM"), "airports/my_ORBX/EHAM2.xml");
  // A link whose file does not exist: the airport has no file.
  LogCapture log;
  EXPECT_FALSE(gf_ensureAirportFile("EHAM"));
  EXPECT_TRUE(log.contains("===> The stand file 'airports/my_ORBX/EHAM2.xml' of EHAM does not exist"));
  writeFile(myOrbxFolder / "EHAM2.xml", "x");
  EXPECT_TRUE(gf_ensureAirportFile("EHAM"));

  writeFile(myThirdpartyFolder / "EHAM.xml", "x");
  EXPECT_EQ(gf_findAirportFile("EHAM"), text({"airports", "my_thirdparty", "EHAM.xml"}));
  writeFile(myThirdpartyFolder / "EHAM.txt", "archive/thirdparty/A%20B/EHAM.xml");
  EXPECT_EQ(gf_findAirportFile("EHAM"), "archive/thirdparty/A%20B/EHAM.xml");
  EXPECT_FALSE(gf_ensureAirportFile("EHAM"));
  world.putInArchive("thirdparty/A B", "EHAM", standFile({{"altitude", "-11"}}, ""));
  gf_forgetArchiveFetches();
  EXPECT_TRUE(gf_ensureAirportFile("EHAM"));

  // A link naming a file anywhere on the disk is a local file, never an archive name.
  const auto elsewhere = world.root() / "scenery" / "EHAM.xml";
  fs::create_directories(elsewhere.parent_path());
  writeFile(elsewhere, "x");
  writeFile(myThirdpartyFolder / "EHAM.txt", text(elsewhere));
  EXPECT_EQ(gf_findAirportFile("EHAM"), text(elsewhere));
  EXPECT_FALSE(gf_isArchiveName(gf_findAirportFile("EHAM")));
  EXPECT_TRUE(gf_ensureAirportFile("EHAM"));

  // Only a link in my_ORBX: available without any download.
  writeFile(myOrbxFolder / "EDDF.txt", "airports/my_ORBX/EHAM2.xml");
  EXPECT_TRUE(gf_ensureAirportFile("EDDF"));
  EXPECT_EQ(world.stockRequests("EDDF"), 0);

  // Codes that could reach elsewhere have no file.
  for (const auto* code : {"", "../EHAM", "EH/AM", "EH\\AM", "C:EH", "EHAM.xml"}) {
    EXPECT_EQ(gf_findAirportFile(code), "") << code;
    EXPECT_FALSE(gf_ensureAirportFile(code)) << code;
  }
}

TEST(AirportFiles, ArchiveFilesAreFetchedOnce) {
  AirportWorld world;
  world.putInArchive("stock", "KLAX", standFile({{"altitude", "125"}}, ""));
  EXPECT_TRUE(gf_probeStockAirportFile("KLAX"));
  EXPECT_EQ(gf_findAirportFile("KLAX"), "archive/stock/KLAX.xml");
  EXPECT_TRUE(gf_ensureAirportFile("KLAX"));
  const auto fetch = gf_fetchArchiveFile("archive/stock/KLAX.xml");
  ASSERT_TRUE(fetch.ok());
  EXPECT_EQ(readFile(fetch.localCopy).find("<parameter name=\"altitude\" value=\"125\"/>") != std::string::npos, true);
  EXPECT_EQ(world.stockRequests("KLAX"), 1);
  // A failed download is remembered as well, and leaves no file behind.
  EXPECT_FALSE(gf_probeStockAirportFile("KSMO"));
  EXPECT_FALSE(gf_ensureAirportFile("KSMO"));
  EXPECT_EQ(world.stockRequests("KSMO"), 1);
  EXPECT_FALSE(fs::exists("KSMO.xml"));
  std::size_t files = 0;
  for ([[maybe_unused]] const auto& entry : fs::directory_iterator(airportsFolder / "downloaded")) ++files;
  EXPECT_EQ(files, 1u);
  // A copy removed meanwhile is fetched again.
  fs::remove(fetch.localCopy);
  EXPECT_TRUE(gf_fetchArchiveFile("archive/stock/KLAX.xml").ok());
  EXPECT_EQ(world.stockRequests("KLAX"), 2);
}

TEST(AirportFiles, DownloadErrors) {
  AirportWorld world;
  LogCapture log;
  const auto error = gf_downloadAirportFile("archive/stock/NONE.xml", "NONE.xml");
  const auto url = world.server.url("/P3D/archive/stock/NONE.xml");
  EXPECT_EQ(error, "failed to download: '" + url + "'");
  EXPECT_TRUE(log.contains(error));
  EXPECT_FALSE(fs::exists("NONE.xml"));
  world.server.serve("/P3D/archive/stock/CUT.xml",
                     {200, std::string(4000, 'x'), {}, testing_support::TestHttpServer::Behaviour::CutShort});
  EXPECT_FALSE(gf_downloadAirportFile("archive/stock/CUT.xml", "CUT.xml").empty());
  EXPECT_FALSE(fs::exists("CUT.xml"));
}

TEST(AirportFiles, LearnedFilePaths) {
  struct Case {
    const char* name;
    const char* publisher;
    std::string learned;
  };
  const std::vector<Case> cases{
      {"", "P", ""},
      {"archive/stock/EHAM.xml", "whatever", text({"airports", "learned", "stock", "EHAM.xml"})},
      {"archive/simaddon/EHAM.xml", "", text({"airports", "learned", "simaddon", "EHAM.xml"})},
      {"archive/thirdparty/A%20B/EHAM.xml", "P", text({"airports", "learned", "thirdparty", "A B", "EHAM.xml"})},
      {"airports\\my_thirdparty\\EHAM.xml", "P", text({"airports", "learned", "thirdparty", "P", "EHAM.xml"})},
      {"airports/my_thirdparty2024/EHAM.xml", "Fly Tampa",
       text({"airports", "learned", "thirdparty", "Fly Tampa", "EHAM.xml"})},
      {"airports\\my_thirdparty\\EHAM.xml", "", text({"airports", "learned", "thirdparty", "EHAM.xml"})},
      {"airports\\my_ORBX\\EHAM.xml", "simaddon", text({"airports", "learned", "simaddon", "EHAM.xml"})},
      // A publisher text never leads out of the learned folder, nor names a drive.
      {"airports\\my_thirdparty\\EHAM.xml", "..\\..\\..\\Windows",
       text({"airports", "learned", "thirdparty", "_.._.._Windows", "EHAM.xml"})},
      {"airports\\my_thirdparty\\EHAM.xml", "..", text({"airports", "learned", "thirdparty", "EHAM.xml"})},
      {"airports\\my_thirdparty\\EHAM.xml", "C:evil",
       text({"airports", "learned", "thirdparty", "C_evil", "EHAM.xml"})},
      {"archive/thirdparty/../EHAM.xml", "P", text({"airports", "learned", "thirdparty", "EHAM.xml"})},
      // A park file anywhere else keeps its learned file beside the publishers', never in its place.
      {"D:\\Scenery\\EHAM.xml", "P", text({"airports", "learned", "thirdparty", "P", "EHAM.xml"})},
      {"/home/pilot/EHAM.xml", "", text({"airports", "learned", "thirdparty", "EHAM.xml"})},
  };
  for (const auto& c : cases) EXPECT_EQ(text(gf_learnedFilePath(c.name, c.publisher)), c.learned) << c.name;
  EXPECT_EQ(gf_publisherFolderName(" Fly Tampa. "), "Fly Tampa");
  EXPECT_EQ(gf_publisherFolderName("a<b>c|d?e*f\"g\tH"), "a_b_c_d_e_f_g_H");
  EXPECT_EQ(gf_publisherFolderName(". ."), "");
  // A name written in another code page, or cut inside a character, still makes a path.
  EXPECT_EQ(gf_publisherFolderName("Caf\xE9 Scenery"), "Caf_ Scenery");
  EXPECT_EQ(gf_publisherFolderName("A\xC3"), "A_");
  EXPECT_EQ(gf_publisherFolderName("\xC3\xA9t\xC3\xA9"), "\xC3\xA9t\xC3\xA9");
  EXPECT_EQ(gf_publisherFolderName("\xC0\xAF\xED\xA0\x80"), "_____"); // over-long '/', a surrogate
  EXPECT_EQ(text(gf_learnedFilePath("airports\\my_thirdparty\\EHAM.xml", "Caf\xE9")),
            text({"airports", "learned", "thirdparty", "Caf_", "EHAM.xml"}));
  // Names Windows keeps for its devices.
  for (const auto* device : {"CON", "nul", "Aux.Scenery", "COM1", "lpt9"})
    EXPECT_EQ(gf_publisherFolderName(device), std::string("_") + device) << device;
  for (const auto* name : {"CONTOSO", "COM", "COM0", "LPT10", "Console"})
    EXPECT_EQ(gf_publisherFolderName(name), name) << name;
  // A name too long for Windows' paths is cut between characters.
  EXPECT_EQ(gf_publisherFolderName(std::string(70, 'x')), std::string(64, 'x'));
  EXPECT_EQ(gf_publisherFolderName(std::string(63, 'x') + "\xC3\xA9x"), std::string(63, 'x'));
  EXPECT_EQ(gf_publisherFolderName(std::string(60, 'x') + "   .    x"), std::string(60, 'x'));
}

TEST(AirportFiles, PublishersOfSceneryFiles) {
  ReferenceData reference;
  dbaseTables.publishers = {{"FlyTampa", "flytampa"}, {"Aerosoft", "aerosoft", "AS_"}};
  EXPECT_EQ(gf_publisherFromFileName("C:\\ORBX\\FTX_EU\\scenery\\EHAM.bgl").publisher, "simaddon");
  const auto orbx = gf_publisherFromFileName("c:\\p3d\\orbx\\EGLL.bgl");
  EXPECT_EQ(orbx.publisher, "simaddon");
  EXPECT_EQ(orbx.reportLine, "from filename => publisher simaddon");
  EXPECT_EQ(gf_publisherFromFileName("D:\\FLYTAMPA\\Amsterdam\\EHAM.bgl").publisher, "FlyTampa");
  EXPECT_EQ(gf_publisherFromFileName("D:\\as_EDDF\\x.bgl").publisher, "Aerosoft");
  EXPECT_EQ(gf_publisherFromFileName("D:\\Scenery\\x.bgl").publisher, "unknown");
  EXPECT_TRUE(gf_publisherFromFileName("D:\\Scenery\\x.bgl").reportLine.empty());
  // Short aliases only as words of their own: "DD" is no part of "Addon Scenery".
  dbaseTables.publishers.push_back({"Drzewiecki Design", "DD", "Drzewiecki"});
  EXPECT_EQ(gf_publisherFromFileName("C:\\P3D\\Addon Scenery\\KSEA\\scenery\\x.bgl").publisher, "unknown");
  EXPECT_EQ(gf_publisherFromFileName("C:\\DD_EPWA\\scenery\\x.bgl").publisher, "Drzewiecki Design");
  EXPECT_EQ(gf_publisherFromFileName("C:\\Scenery\\dd EPWA\\x.bgl").publisher, "Drzewiecki Design");
  EXPECT_EQ(gf_publisherFromFileName("C:\\DrzewieckiEPWA\\x.bgl").publisher, "Drzewiecki Design");
  dbaseTables.publishers.push_back({"Anyone", ""});
  EXPECT_EQ(gf_publisherFromFileName("D:\\Scenery\\x.bgl").publisher, "Anyone");
  EXPECT_EQ(gf_publisherFromFileName("D:\\flytampa\\x.bgl").publisher, "FlyTampa");
}

TEST(AirportFiles, PublisherAirportEntries) {
  LogCapture log;
  ThirdPartyKey key{"FlyTampa", "EHAM", 0};
  EXPECT_TRUE(gf_matchThirdPartyEntry(key, "EHAM2"));
  EXPECT_EQ(key.number, 2);
  EXPECT_TRUE(gf_matchThirdPartyEntry(key, "EHAM"));
  EXPECT_EQ(key.number, 2);
  EXPECT_TRUE(log.contains("===> FlyTampa EHAM EHAM invalid number"));
  EXPECT_TRUE(gf_matchThirdPartyEntry(key, "EHAM-7x"));
  EXPECT_EQ(key.number, -7);
  EXPECT_TRUE(gf_matchThirdPartyEntry(key, "EHAM99999999999"));
  EXPECT_EQ(key.number, -7);
  EXPECT_FALSE(gf_matchThirdPartyEntry(key, "EHAX1"));
  EXPECT_FALSE(gf_matchThirdPartyEntry(key, "EHA"));
}
