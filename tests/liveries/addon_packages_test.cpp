#include "liveries/addon_packages.h"

#include "core/errors.h"
#include "liveries/livery_scan.h"
#include "liveries/windows_names.h"
#include "liveries_fixture.h"

using namespace liveries_testing;
namespace fs = std::filesystem;

class AddOnPackages : public LiveriesTest {
protected:
  AddOnPackages() { gf_setAddOnRecords(AddOnRecords{addOnsCfg_, simObjectsCfg_}); }

  static std::string component(const std::string& category, const std::string& path, bool named = false) {
    return "<AddOn.Component>\n<Category>" + category + "</Category>\n" + (named ? "<Name>Named</Name>\n" : "") +
           "<Path>" + path + "</Path>\n</AddOn.Component>\n";
  }
  void package(const fs::path& folder, const std::string& components) {
    writeText(folder / "add-on.xml",
              "<?xml version=\"1.0\"?>\n<SimBase.Document>\n" + components + "</SimBase.Document>\n");
  }
  std::vector<std::string> addOnFolders() {
    std::vector<std::string> folders;
    gf_readP3DAddOnsAircraft(folders);
    return folders;
  }
  std::vector<std::string> simObjectsFolders() {
    std::vector<std::string> folders;
    gf_readSimObjectsCfg(folders);
    return folders;
  }
  std::string text(const fs::path& path) const { return gf_pathText(path); }

  fs::path addOnsCfg_ = work("AppData/add-ons.cfg");
  fs::path simObjectsCfg_ = work("ProgramData/simobjects.cfg");
};

TEST_F(AddOnPackages, PackagesAndTheirSimObjectsComponents) {
  const auto packages = work("AI Packages");
  package(packages / "One", component("SimObjects", "SimObjects\\Airplanes") + component("Scenery", "Scenery") +
                                component("simobjects", " " + text(work("Elsewhere")) + " ", true) +
                                component("SimObjects", ""));
  package(packages / "Lights Reborn", component("SimObjects", "SimObjects\\Airplanes"));
  package(packages / "Two", component("SimObjects", "AI\\Lights Reborn"));
  writeText(packages / "Broken" / "add-on.xml", "<SimBase.Document><AddOn.Comp");
  writeText(addOnsCfg_,
            "[DiscoveryPath.0]\nPath=" + text(work("Discovery")) +
                "\n\n" // no package
                "[Package.0]\nTitle=One\nPath= " +
                text(packages / "One") +
                "\nRequired=false\n\n"
                "[package.1]\nTitle=Paths of AI\nPath=" +
                text(packages / "Lights Reborn") +
                "\n\n"
                "[PACKAGE.2]\nPATH=" +
                text(packages / "Two") +
                "\n"
                "[Package.3]\nPath=" +
                text(packages / "Broken") +
                "\n"
                "[Package.4]\nPath=" +
                text(packages / "Missing") +
                "\n"
                "[Package.5]\n// Path=" +
                text(packages / "One") + "\n");
  const std::vector<std::string> expected{text(packages / "One" / "SimObjects" / "Airplanes"), text(work("Elsewhere"))};
  EXPECT_EQ(addOnFolders(), expected);
  EXPECT_TRUE(logged("path found: " + text(packages / "One")));
  EXPECT_TRUE(logged("   exploring " + text(packages / "One" / "add-on.xml")));
  EXPECT_TRUE(logged(text(packages / "Broken" / "add-on.xml") + " not readable: "));
  EXPECT_TRUE(logged("2 AI add-on packages found"));
}

TEST_F(AddOnPackages, APackageTheSystemCannotLookIntoCostsOnlyItsOwnFolders) {
  const auto packages = work("AI Packages");
  package(packages / "Good", component("SimObjects", "SimObjects\\Airplanes"));
  // A name longer than any file system takes, and a name that is no UTF-8.
  const auto tooLong = text(packages / std::string(300, 'x'));
  writeText(addOnsCfg_, "[Package.0]\nPath=" + tooLong + "\n[Package.1]\nPath=" + text(packages) +
                            "\\\xff\xfe\n[Package.2]\nPath=" + text(packages / "Good") + "\n");
  EXPECT_EQ(addOnFolders(), std::vector<std::string>{text(packages / "Good" / "SimObjects" / "Airplanes")});
  EXPECT_TRUE(logged("1 AI add-on package found"));
  EXPECT_FALSE(logged("no AI add-on packages found"));
  std::error_code error;
  const auto status = fs::status(gf_pathFromText(tooLong) / "add-on.xml", error);
  if (error && status.type() != fs::file_type::not_found) {
    EXPECT_TRUE(logged("===> add-on package " + tooLong + " skipped: ")) << error.message();
  }
}

TEST_F(AddOnPackages, RecordsThatAreMissing) {
  EXPECT_TRUE(addOnFolders().empty());
  EXPECT_TRUE(logged(text(addOnsCfg_) + " not found!"));
  EXPECT_TRUE(logged("0 AI add-on packages found"));
  EXPECT_TRUE(simObjectsFolders().empty());
  EXPECT_FALSE(logged(text(simObjectsCfg_)));
}

TEST_F(AddOnPackages, SimObjectsEntries) {
  SIM_INSTALL_PATH.set(text(work("Prepar3D v5")));
  writeText(simObjectsCfg_, "[Entry.0]\r\nTitle=Airplanes\r\nPath=SimObjects\\Airplanes\r\n"
                            "[Entry.1]\r\nTitle=Path to my AI\r\nPath=SimObjects\\MyAI\r\n"
                            "[Entry.2]\r\nPath=" +
                                text(work("AI Aircraft")) +
                                "\r\n[Entry.3]\r\nPath=SimObjects\\MyAI\r\n"
                                "[Entry.4]\r\nPath=SimObjects\\GroundVehicles\\Tugs\r\n"
                                // Folders of other drives are the user's, whatever their names.
                                "[Entry.5]\r\nPath=D:\\AI\\SimObjects\\Airplanes\r\n"
                                "[Entry.6]\r\nPath=D:\\AI\\SimObjects\\MyAI\r\n"
                                // The installation's own stock folder, written in full.
                                "[Entry.7]\r\nPath=" +
                                text(work("Prepar3D v5")) +
                                "\\SimObjects\\Boats\r\n"
                                // A relative folder lies in the installation.
                                "[Entry.8]\r\nPath=Community AI\r\n");
  const auto myAi = text(work("Prepar3D v5") / "SimObjects" / "MyAI");
  EXPECT_EQ(simObjectsFolders(),
            (std::vector<std::string>{myAi, text(work("AI Aircraft")), myAi, "D:\\AI\\SimObjects\\Airplanes",
                                      "D:\\AI\\SimObjects\\MyAI", text(work("Prepar3D v5") / "Community AI")}));
  EXPECT_TRUE(logged("6 AI add-on packages found"));
}

TEST_F(AddOnPackages, RecordsOfTheSimulatorsVersion) {
  gf_setAddOnRecords(std::nullopt);
  SIM_INSTALL_PATH.set("D:\\Lockheed Martin\\Prepar3D V6");
  const auto records = gf_addOnRecords();
  EXPECT_EQ(records.addOnsCfg.filename(), "add-ons.cfg");
  EXPECT_EQ(gf_pathText(records.addOnsCfg.parent_path().filename()), "Prepar3D v6");
  EXPECT_EQ(gf_pathText(records.simObjectsCfg.parent_path().filename()), "Prepar3D v6");
  SIM_INSTALL_PATH.set("D:\\Sim");
  P3D_VERSION.set(4);
  EXPECT_THROW(gf_addOnRecords(), hvm::UserErrorException);
  std::vector<std::string> folders;
  gf_readP3DAddOnsAircraft(folders); // logs and goes on
  EXPECT_TRUE(logged("===> sys error exception 77: P3D install path does not contain v5 or v6. Use hidden parameter "
                     "P3D_VERSION, set it to 5 or 6. in lf_readP3DAddOnsAircraft, no AI add-on packages found"));
  P3D_VERSION.set(P3D_VERSION.defaultValue);
}

TEST_F(AddOnPackages, EachFolderIsWalkedOnce) {
  const auto a = text(work("AI"));
  const auto inside = text(work("AI") / "Inside");
  const auto later = text(work("AI") / "Later");
  const std::vector<std::string> folders{inside, a, "", text(work("ai")), a + "/", later, text(work("AIB")), a};
  // Names compare as Windows compares them: "ai" is the folder "AI". A folder listed before
  // the one it lies in keeps its place in the order.
  EXPECT_EQ(gf_distinctLiveryFolders(folders), (std::vector<std::string>{inside, a, "", text(work("AIB"))}));
  EXPECT_TRUE(logged(later + " lies in " + a + " and is scanned with it"));
  EXPECT_FALSE(logged(inside + " lies in"));
  EXPECT_TRUE(logged(a + " is in the list already, skipped"));
}
