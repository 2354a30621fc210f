#include "airports/scenery_lists.h"
#include "airports/scenery_paths.h"
#include "core/files.h"
#include "support/test_support.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

using testing_support::LogCapture;
using testing_support::TempDir;
using testing_support::writeFile;

namespace fs = std::filesystem;

namespace {

struct SceneryConfig {
  TempDir root{"hvm_scenery"};
  fs::path config = root / "config";
  fs::path install = root / "P3D v5";
  fs::path stock = root / "P3D v5" / "Scenery";

  SceneryConfig() { fs::create_directories(config); }
  std::vector<std::string> areas() const {
    std::vector<std::string> list;
    lf_readSceneryCfgAreas(list, config, install, stock);
    return list;
  }
  std::string joined(std::string_view relative) const { return gf_pathText(install / gf_pathFromConfigText(relative)); }
};

std::string utf16le(std::string_view ascii) {
  std::string bytes = "\xFF\xFE";
  for (const char c : ascii) {
    bytes += c;
    bytes += '\0';
  }
  return bytes;
}

} // namespace

TEST(SceneryPaths, StockFolderComparedByComponentAndWithoutLetterCase) {
  TempDir root("hvm_stock");
  const auto stock = root / "P3D v5" / "Scenery";
  struct Case {
    fs::path path;
    bool stock;
  };
  const Case cases[] = {
      {stock, true},
      {stock / "World" / "scenery", true},
      {root / "p3d V5" / "SCENERY" / "0106", true}, // another letter case is the same folder
      {root / "P3D v5" / "Scenery" / ".." / "Scenery" / "x", true},
      {root / "P3D v5" / "SceneryExtra" / "KLAX", false}, // begins with the stock text, but is another folder
      {root / "Backup" / "P3D v5" / "Scenery", false},    // contains the stock text, but elsewhere
      {root / "P3D v5" / "Custom Scenery", false},
      {root / "P3D v5", false},
  };
  for (const auto& c : cases) EXPECT_EQ(lf_isStockScenery(c.path, stock), c.stock) << gf_pathText(c.path);
  // Without a known stock folder nothing is stock (rather than everything).
  EXPECT_FALSE(lf_isStockScenery(stock, fs::path()));

  for (const auto* yes : {".BGL", ".bgl"}) EXPECT_TRUE(lf_isBGLextension(yes));
  for (const auto* no : {".Bgl", ".bgL", "bgl", ".bgl2", ""}) EXPECT_FALSE(lf_isBGLextension(no));
}

TEST(SceneryLists, ActiveAreasThatAreNotStockInLayerOrder) {
  SceneryConfig s;
  LogCapture log;
  writeFile(s.config / "scenery.cfg", "[General]\r\n"
                                      "Title=Prepar3D Scenery\r\n"
                                      "Local=General\\IsNoArea\r\n"
                                      "\r\n"
                                      "[Area.001]\r\n"
                                      "Title=Default Terrain\r\n"
                                      "Local=Scenery\\World\r\n"
                                      "Layer=1\r\n"
                                      "Active=TRUE\r\n"
                                      "[Area.002]\r\n"
                                      "Title=Custom\r\n"
                                      "Local=Scenery\\Custom\r\n"
                                      "Active=TRUE\r\n"
                                      "[Area.130]\r\n"
                                      "Title=My area airport\r\n"
                                      "Local=D:\\myarea\\KSEA\r\n"
                                      "Layer=130\r\n"
                                      "Active=True\r\n"
                                      "[AREA.120]\r\n"
                                      "Title=Two folders\r\n"
                                      "Local=Addon Scenery\\MyAirport\r\n"
                                      "Local=Addon Scenery\\MyAirport Objects\r\n"
                                      "Layer=120\r\n"
                                      "Required=FALSE\r\n"
                                      "Active=true\r\n"
                                      "[Area.121]\r\n"
                                      "Local=Addon Scenery\\Off\r\n"
                                      "Active=FALSE\r\n"
                                      "Layer=121\r\n"
                                      "[Area.122]\r\n"
                                      "Local=Addon Scenery\\World Airports Pack\r\n"
                                      "Local=Addon Scenery\\Global\r\n"
                                      "Layer=122\r\n"
                                      "Active=TRUE\r\n");
  EXPECT_EQ(s.areas(), (std::vector<std::string>{s.joined("Addon Scenery\\MyAirport"),
                                                 s.joined("Addon Scenery\\MyAirport Objects"),
                                                 s.joined("Addon Scenery\\World Airports Pack"),
                                                 gf_pathText(gf_pathFromConfigText("D:\\myarea\\KSEA"))}));
  EXPECT_TRUE(log.contains("      found:" + s.joined("Addon Scenery\\MyAirport")));
  EXPECT_TRUE(log.contains("4 scenery add-on paths found"));
}

TEST(SceneryLists, EncodingsAndMissingFiles) {
  SceneryConfig s;
  writeFile(s.config / "scenery.cfg", utf16le("[Area.100]\r\nLocal=Addon Scenery\\EDDF\r\nActive=TRUE\r\n"));
  EXPECT_EQ(s.areas(), (std::vector<std::string>{s.joined("Addon Scenery\\EDDF")}));

  SceneryConfig none;
  LogCapture log;
  std::vector<std::string> list;
  lf_readSceneryCfgAreas(list, none.config, none.install, none.stock);
  lf_readSceneryAddOnsXml(list, none.config);
  EXPECT_TRUE(list.empty());
  EXPECT_TRUE(log.contains(gf_pathText(none.config / "scenery.cfg") + " not found!"));
  EXPECT_TRUE(log.contains(gf_pathText(none.config / "scenery_add-ons.xml") + " not found!"));
}

TEST(SceneryLists, AddOnPackagesFromTheXmlDocument) {
  SceneryConfig s;
  LogCapture log;
  writeFile(s.config / "scenery_add-ons.xml",
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
            "<SimBase.Document Type=\"AddOnXml\" version=\"4,0\" id=\"add-on\">\n"
            "  <AddOn.Component><Category>Scenery</Category>\n"
            "    <Path>E:\\Addons\\KSEA\\scenery</Path></AddOn.Component>\n"
            "  <AddOn.Component>\n"
            "    <Path>\n      E:\\Addons\\Z\xC3\xBCrich\n    </Path>\n" // a path on lines of its own
            "  </AddOn.Component>\n"
            "  <!-- <Path>E:\\commented\\out</Path> -->\n"
            "  <AddOn.Component><Path></Path><Path>F:\\Second</Path></AddOn.Component>\n"
            "</SimBase.Document>\n");
  std::vector<std::string> list{"before"};
  lf_readSceneryAddOnsXml(list, s.config);
  EXPECT_EQ(list, (std::vector<std::string>{"before", "E:\\Addons\\KSEA\\scenery", "E:\\Addons\\Z\xC3\xBCrich",
                                            "F:\\Second"}));
  EXPECT_TRUE(log.contains("found path:E:\\Addons\\KSEA\\scenery"));
  EXPECT_TRUE(log.contains("3 scenery add-on paths found"));

  // A damaged document (a bare '&', cut short) loses none of its folders.
  writeFile(s.config / "scenery_add-ons.xml", "<SimBase.Document>\n"
                                              "  <AddOn.Component><Path>E:\\Flight & Co\\KBOS</Path>\n"
                                              "  <AddOn.Component><Path> E:\\A&amp;B\\EDDF </Path>\n"
                                              "  <AddOn.Component><Path></Path>\n");
  std::vector<std::string> broken;
  lf_readSceneryAddOnsXml(broken, s.config);
  EXPECT_EQ(broken, (std::vector<std::string>{"E:\\Flight & Co\\KBOS", "E:\\A&B\\EDDF"}));
  EXPECT_TRUE(log.contains("===> " + gf_pathText(s.config / "scenery_add-ons.xml") + " is no XML document: "));
}

TEST(SceneryLists, StockAreaNamesAreWholeFolderNames) {
  for (const auto* stock :
       {"Scenery\\World", "Scenery\\0106", "scenery\\cities", "Scenery\\BASE\\", "Global", "Scenery\\Bathymetry"})
    EXPECT_TRUE(lf_isStockAreaLine(stock)) << stock;
  for (const auto* addon : {"Addon Scenery\\World Airports", "D:\\Worldwide\\KLAX", "D:\\AUSTRALIA\\YSSY",
                            "D:\\Globalair\\X", "Addon Scenery\\01060"})
    EXPECT_FALSE(lf_isStockAreaLine(addon)) << addon;
  EXPECT_EQ(gf_sceneryConfigFolder("6").filename(), "Prepar3D v6");
  EXPECT_EQ(gf_sceneryConfigFolder("5").parent_path().filename(), "Lockheed Martin");
}
