#include "p3d_install.h"

#include "core/files.h"
#include "core/utf16.h"

#include <algorithm>
#include <fmt/format.h>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <random>
#include <set>
#include <stdexcept>
#include <tuple>

namespace fs = std::filesystem;

namespace p3dinstall {

namespace {

// Report files below the program's output folder.
constexpr const char* incompleteReport = "errors/IncompleFltsimSections.txt";
constexpr const char* invalidCfgReport = "errors/InvalidAircraftCfgFiles.txt";
constexpr const char* invalidAirlineReport = "errors/InvalidAirlineCodes.txt";
constexpr const char* invalidModelReport = "errors/InvalidAircraftCodes.txt";
constexpr const char* fixesReport = "errors/Fixes.txt";
constexpr const char* inlineReport = "errors/InlineRegcodes.txt";
constexpr const char* noFltsimReport = "info/AircraftCfgWithNoFltsimSection.txt";
constexpr const char* conversionsReport = "info/AirlineModelConversions.txt";

// The scan's limits, as the scan has them.
constexpr std::uintmax_t maxFileBytes = 8u * 1024u * 1024u;
constexpr std::size_t maxLineBytes = 64u * 1024u;

enum class Encoding { utf8, utf8Bom, utf16Le, utf16Be, ansi };

struct Fleet {
  std::string airline; // empty: a private aircraft without atc_parking_codes
  std::string type;
  std::string name; // in titles
  bool cargo = false;
};

const std::vector<Fleet>& lf_testFleet() {
  static const std::vector<Fleet> fleet{
      {"AAL", "A321", "American", false},      {"SWA", "B738", "Southwest", false},
      {"JBU", "A321", "JetBlue", false},       {"UAL", "A320", "United", false},
      {"DAL", "B752", "Delta", false},         {"SKW", "E75L", "SkyWest", false},
      {"FDX", "B763", "FedEx", true},          {"ASA", "A21N", "Alaska", false},
      {"JAL", "B77W", "Japan", false},         {"NKS", "A20N", "Spirit", false},
      {"EVA", "B77L", "EVA Cargo", true},      {"ZZZ", "B738", "Default", false},
      {"", "C172", "Private Cessna", false},   {"ZZZ", "C172", "Default Cessna", false},
      {"", "AS50", "Private Squirrel", false}, {"XOJ", "CL30", "XO", false}};
  return fleet;
}

// The airlines and types of the shared recordings around KLAX.
const std::vector<Fleet>& lf_recordingsFleet() {
  static const std::vector<Fleet> fleet{
      {"AAL", "A321", "American", false},      {"AAL", "A21N", "American", false},
      {"AAL", "B789", "American", false},      {"AAL", "B77W", "American", false},
      {"SWA", "B738", "Southwest", false},     {"SWA", "B737", "Southwest", false},
      {"JBU", "A321", "JetBlue", false},       {"ASA", "A21N", "Alaska", false},
      {"ASA", "A320", "Alaska", false},        {"UAL", "A320", "United", false},
      {"UAL", "B789", "United", false},        {"DAL", "B752", "Delta", false},
      {"DAL", "A321", "Delta", false},         {"DAL", "A359", "Delta", false},
      {"SKW", "E75L", "SkyWest", false},       {"QXE", "E75L", "Horizon", false},
      {"NKS", "A20N", "Spirit", false},        {"JAL", "B77W", "Japan", false},
      {"FJI", "A359", "Fiji", false},          {"VIV", "A20N", "Viva", false},
      {"EVA", "B77L", "EVA Cargo", true},      {"WGN", "MD11", "Western Global", true},
      {"FDX", "B763", "FedEx", true},          {"UPS", "B763", "UPS", true},
      {"GAJ", "B350", "Jetstream", false},     {"XOJ", "CL30", "XO", false},
      {"JSX", "E135", "JSX", false},           {"ZZZ", "A321", "Default", false},
      {"ZZZ", "B738", "Default", false},       {"ZZZ", "A320", "Default", false},
      {"ZZZ", "C172", "Default", false},       {"", "C172", "Private Cessna", false},
      {"", "P28A", "Private Piper", false},    {"", "PC12", "Private Pilatus", false},
      {"", "C152", "Private Cessna", false},   {"", "DA40", "Private Diamond", false},
      {"", "S22T", "Private Cirrus", false},   {"", "AS50", "Private Squirrel", false},
      {"", "R66", "Private Robinson", false},  {"", "R44", "Private Robinson", false},
      {"", "BE40", "Private Beechjet", false}, {"", "GLF4", "Private Gulfstream", false}};
  return fleet;
}

// Titles the program's registration-code file names, with their airline and type.
const std::vector<Fleet>& lf_regcodeTitles() {
  static const std::vector<Fleet> titles{{"AAL", "A321", "AIG Airbus A321-200 American Airlines", false},
                                         {"AAL", "A21N", "AIG Airbus A321neo American Airlines", false},
                                         {"AAL", "B77W", "AIG Boeing 777-300ER American Airlines", false},
                                         {"SWA", "B738", "AIG Boeing 737-800 Southwest Airlines", false},
                                         {"SWA", "B737", "AIG Boeing 737-700 Southwest Airlines", false},
                                         {"JBU", "A321", "AIG Airbus A321-200 JetBlue Airways", false},
                                         {"QXE", "E75L", "AIG Embraer 175 Horizon Air", false},
                                         {"ASA", "A320", "AIG Airbus A320-200 Alaska Airlines", false},
                                         {"DAL", "A359", "AIG Airbus A350-900 Delta Air Lines", false},
                                         {"FDX", "B763", "AIG Boeing 767-300F FedEx", true},
                                         {"FJI", "A359", "AIG Airbus A350-900 Fiji Airways", false}};
  return titles;
}

std::string lf_simName(const std::string& type) { return "HVM_" + type; }

// A candidate livery: which of two sections keeps a title follows from this order.
struct Candidate {
  std::size_t root;
  std::string fileText;
  std::int32_t section;
  ExpectedLivery livery;
  std::string takenLine;
};

class Generator;

// One aircraft folder with its configuration file, written when complete.
class AircraftFile {
public:
  AircraftFile(Generator& generator, std::size_t root, const fs::path& relative,
               const std::string& cfgName = "aircraft.cfg");

  const fs::path& folder() const { return folder_; }
  const fs::path& file() const { return file_; }
  const std::string& folderText() const { return folderText_; }
  const std::string& fileText() const { return fileText_; }
  std::size_t root() const { return root_; }

  void line(std::string text) { lines_.push_back(std::move(text)); }
  // The 1-based number the next line gets.
  std::size_t nextLineNumber() const { return lines_.size() + 1; }
  void general(const std::string& atcModel) {
    line("[General]");
    line("atc_type=HIVEMOOR");
    if (!atcModel.empty()) line("atc_model=" + atcModel);
    line("editable=1");
    line("");
  }
  // "[fltsim.N]" with its texture folder; returns the header.
  std::string section(std::int32_t number, const std::string& texture, bool createTexture = true) {
    const auto header = fmt::format("[fltsim.{}]", number);
    line(header);
    if (createTexture) fs::create_directories(folder_ / gf_pathFromText("texture." + texture));
    return header;
  }
  // The model folder "model" and the air file of a sim name.
  void modelAndAir(const std::string& sim) {
    fs::create_directories(folder_ / "model");
    std::ofstream(folder_ / gf_pathFromText(sim + ".air"), std::ios::binary) << "air";
  }
  // The path text of a name in the folder as the scan writes it in its reports.
  std::string pathText(const std::string& name) const { return gf_pathText(folder_ / gf_pathFromText(name)); }

  void write(Encoding encoding = Encoding::utf8, bool crlf = true) const;

private:
  std::size_t root_;
  fs::path folder_;
  fs::path file_;
  std::string folderText_;
  std::string fileText_;
  std::vector<std::string> lines_;
};

class Generator {
public:
  explicit Generator(const Options& options) : options_(options), random_(options.seed) {}

  Manifest run();

  // Expectations.
  void report(const char* file, std::string line) { reports_[file].push_back(std::move(line)); }
  void candidate(const AircraftFile& aircraft, std::int32_t section, ExpectedLivery livery, std::string takenLine) {
    candidates_.push_back({aircraft.root(), aircraft.fileText(), section, std::move(livery), std::move(takenLine)});
  }
  // The line the general variant writes when a section's airline is missing.
  void missingAirline(const AircraftFile& aircraft, const std::string& header) {
    report(incompleteReport,
           fmt::format("{} {} icao_airline is missing, or it has invalid info ", aircraft.fileText(), header));
  }
  std::string takenLine(const AircraftFile& aircraft, const std::string& header, const std::string& title) {
    return fmt::format("{} {} title '{}' already exists", aircraft.folderText(), header, title);
  }

  const fs::path& rootFolder(std::size_t root) const { return roots_.at(root); }
  std::mt19937& random() { return random_; }
  Manifest& manifest() { return manifest_; }

private:
  void layOut();
  void writeRecords();
  void writeFleet(const std::vector<Fleet>& fleet, std::int32_t files, std::int32_t sections);
  // Spread over the livery folders in turn, numbered through.
  void writeOrdinaryAircraft(const Fleet& fleet, std::int32_t sections, const std::vector<std::string>& titles = {});
  void writeHostileCases();
  void writeKeyCases();
  void writeFileCases();
  void writeEncodings();
  void writeDuplicates();
  void writeIvaoLibrary();
  void writeFoldersNotScanned();
  void writeUnreadableFolder();
  void finish();

  Options options_;
  std::mt19937 random_;
  Manifest manifest_;
  fs::path addons_;
  std::vector<fs::path> roots_;
  std::map<std::string, std::vector<std::string>> reports_;
  std::vector<Candidate> candidates_;
  std::int32_t registrationNumber_ = 100;
  std::int32_t aircraftNumber_ = 0;

  friend class AircraftFile;

public:
  // A registration of no known aircraft, new each time.
  std::string newRegistration() { return fmt::format("N{}HV", registrationNumber_++); }
};

AircraftFile::AircraftFile(Generator& generator, std::size_t root, const fs::path& relative, const std::string& cfgName)
    : root_(root), folder_(generator.rootFolder(root) / relative), file_(folder_ / cfgName),
      folderText_(gf_pathText(folder_)), fileText_(gf_pathText(file_)) {
  fs::create_directories(folder_);
  ++generator.manifest().aircraftFolders;
}

void AircraftFile::write(Encoding encoding, bool crlf) const {
  std::string text;
  for (const auto& l : lines_) text += l + (crlf ? "\r\n" : "\n");
  std::string bytes;
  switch (encoding) {
  case Encoding::utf8:
  case Encoding::ansi:
    bytes = text;
    break;
  case Encoding::utf8Bom:
    bytes = "\xEF\xBB\xBF" + text;
    break;
  case Encoding::utf16Le:
  case Encoding::utf16Be: {
    const bool big = encoding == Encoding::utf16Be;
    bytes = big ? std::string("\xFE\xFF") : std::string("\xFF\xFE");
    for (const auto unit : gf_utf8ToUtf16(text)) {
      const auto hi = static_cast<char>(unit >> 8), lo = static_cast<char>(unit & 0xFF);
      bytes += big ? hi : lo;
      bytes += big ? lo : hi;
    }
    break;
  }
  }
  std::ofstream out(file_, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + fileText_);
}

void lf_writeText(const fs::path& file, const std::string& text) {
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary);
  out << text;
  if (!out) throw std::runtime_error("cannot write " + gf_pathText(file));
}

// Roots of the livery scan, in the order the automatic scan finds them:
//   0 the package Fleet One's SimObjects\Airplanes (relative component path)
//   1 Shared Liveries\SimObjects\Airplanes (package Fleet Two, absolute component path)
//   2 the simulator's SimObjects\MyAI (simobjects.cfg, relative to the installation)
//   3 "my airport stuff\External AI" (simobjects.cfg, absolute; an "airport" above the
//     livery folder must not keep the scan out of its subfolders)
void Generator::layOut() {
  const auto& root = options_.root;
  manifest_.simFolder = root / "Prepar3D v5";
  addons_ = root / "Addons";
  roots_ = {addons_ / "AI Packages" / "Fleet One" / "SimObjects" / "Airplanes",
            addons_ / "Shared Liveries" / "SimObjects" / "Airplanes", manifest_.simFolder / "SimObjects" / "MyAI",
            root / "my airport stuff" / "External AI"};
  for (const auto& folder : roots_) {
    fs::create_directories(folder);
    manifest_.liveryFolders.push_back(gf_pathText(folder));
  }
  const auto simulator = fs::path("Lockheed Martin") / "Prepar3D v5";
  const auto appData = options_.appDataFolder.empty() ? root / "AppData" : options_.appDataFolder;
  const auto programData = options_.programDataFolder.empty() ? root / "ProgramData" : options_.programDataFolder;
  manifest_.addOnsCfg = appData / simulator / "add-ons.cfg";
  manifest_.simObjectsCfg = programData / simulator / "simobjects.cfg";
}

std::string lf_addOnXml(const std::vector<std::string>& components) {
  std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<SimBase.Document Type=\"AddOnXml\" "
                     "version=\"4,0\" id=\"add-on\">\r\n  <AddOn.Name>Hivemoor stand-in</AddOn.Name>\r\n";
  for (const auto& component : components) text += component;
  return text + "</SimBase.Document>\r\n";
}

std::string lf_component(const std::string& category, const std::string& path, const std::string& name = {}) {
  auto text = "  <AddOn.Component>\r\n    <Category>" + category + "</Category>\r\n";
  if (!name.empty()) text += "    <Name>" + name + "</Name>\r\n";
  return text + "    <Path>" + path + "</Path>\r\n  </AddOn.Component>\r\n";
}

void Generator::writeRecords() {
  const auto fleetOne = addons_ / "AI Packages" / "Fleet One";
  const auto fleetTwo = addons_ / "AI Packages" / "Fleet Two";
  const auto lights = addons_ / "Lights Reborn";
  const auto broken = addons_ / "Broken Package";
  // A component inside another one is walked with it, the same folder twice only once.
  lf_writeText(fleetOne / "add-on.xml", lf_addOnXml({lf_component("SimObjects", "SimObjects\\Airplanes"),
                                                     lf_component("SimObjects", "SimObjects\\Airplanes\\Extra"),
                                                     lf_component("Scenery", "Scenery")}));
  fs::create_directories(roots_[0] / "Extra");
  // The absolute path of another folder, after a <Name> line.
  lf_writeText(fleetTwo / "add-on.xml",
               lf_addOnXml({lf_component("SimObjects", gf_pathText(roots_[1]), "Shared liveries"),
                            lf_component("Effects", "Effects")}));
  lf_writeText(lights / "add-on.xml", lf_addOnXml({lf_component("SimObjects", "SimObjects\\Airplanes")}));
  lf_writeText(broken / "add-on.xml", "<SimBase.Document><AddOn.Component><Category>SimObjects</Cat");
  manifest_.logLines.push_back(gf_pathText(broken / "add-on.xml") + " not readable: ");

  std::string addOns = "[DiscoveryPath.0]\r\nPath=" + gf_pathText(options_.root / "Documents" / "Prepar3D v5 Add-ons") +
                       "\r\nTitle=Default\r\nActive=true\r\n\r\n";
  const std::vector<std::pair<std::string, fs::path>> packages{
      {"Fleet One", fleetOne}, {"Paths of AI", fleetTwo},     {"Lights Reborn", lights},
      {"Broken", broken},      {"Fleet One again", fleetOne}, {"No add-on.xml", addons_ / "Nothing here"}};
  for (std::size_t i = 0; i < packages.size(); ++i)
    addOns += fmt::format("[{}.{}]\r\nTitle={}\r\nPath= {}\r\nActive=true\r\nRequired=false\r\n\r\n",
                          i % 2 ? "package" : "Package", i, packages[i].first, gf_pathText(packages[i].second));
  lf_writeText(manifest_.addOnsCfg, addOns);
  manifest_.logLines.push_back(fmt::format("{} is in the list already, skipped", gf_pathText(roots_[0])));

  lf_writeText(manifest_.simObjectsCfg,
               "[Entry.0]\r\nTitle=Airplanes\r\nPath=SimObjects\\Airplanes\r\nRequired=true\r\n"
               "\r\n[Entry.1]\r\nTitle=Rotorcraft\r\nPath=SimObjects\\Rotorcraft\r\n\r\n"
               "[Entry.2]\r\nTitle=Path to my AI\r\nPath=SimObjects\\MyAI\r\n\r\n"
               "[Entry.3]\r\nTitle=External\r\nPath=" +
                   gf_pathText(roots_[3]) + "\r\n");
}

void Generator::writeOrdinaryAircraft(const Fleet& fleet, std::int32_t sections,
                                      const std::vector<std::string>& titles) {
  const auto number = aircraftNumber_++;
  const auto root = static_cast<std::size_t>(number) % roots_.size();
  const auto airlineName = fleet.airline.empty() ? std::string("PVT") : fleet.airline;
  AircraftFile aircraft(*this, root, gf_pathFromText(fmt::format("{} {} {:04}", airlineName, fleet.type, number)));
  aircraft.general(fleet.type);
  const auto sim = lf_simName(fleet.type);
  aircraft.modelAndAir(sim);
  for (std::int32_t i = 0; i < sections; ++i) {
    const auto title = i < static_cast<std::int32_t>(titles.size())
                           ? titles[static_cast<std::size_t>(i)]
                           : fmt::format("Hivemoor {} {} {:04}-{}", fleet.name, fleet.type, number, i);
    const auto header = aircraft.section(i, fmt::format("L{}", i));
    // The keys in the spellings AI libraries use.
    aircraft.line(i % 3 == 1 ? "  Title = " + title + "  " : "title=" + title);
    aircraft.line("sim=" + sim);
    aircraft.line(i % 2 ? "model=" : "Model =");
    aircraft.line(fmt::format("texture=L{}", i));
    aircraft.line(fmt::format("ui_variation={} {}", fleet.name, i));
    aircraft.line("description=Hivemoor stand-in [AI] livery, with \"quotes\" = and more");
    std::string atcid;
    if (!fleet.airline.empty()) {
      aircraft.line((i % 2 ? "ATC_PARKING_CODES=" : "atc_parking_codes=") + fleet.airline + ",XXX");
      aircraft.line(fleet.cargo ? "atc_parking_types=RAMP_CARGO, Cargo" : "atc_parking_types=GATE_MEDIUM");
      if (i % 4 != 3) {
        atcid = newRegistration();
        aircraft.line("atc_id=" + atcid + (i % 4 == 2 ? ";old one" : ""));
      }
    }
    aircraft.line("");
    ++manifest_.sections;
    if (fleet.airline.empty()) missingAirline(aircraft, header);
    if (fleet.airline == "ZZZ") atcid.clear();
    ExpectedLivery livery{fleet.airline.empty() ? "PVT" : fleet.airline, fleet.type, title, atcid, fleet.cargo};
    candidate(aircraft, i, std::move(livery), takenLine(aircraft, header, title));
  }
  // A following section of another kind ends the last livery.
  aircraft.line("[Effects]");
  aircraft.line("wake=fx_wake");
  aircraft.write(number % 2 ? Encoding::utf8 : Encoding::utf8Bom, number % 3 != 0);
}

void Generator::writeFleet(const std::vector<Fleet>& fleet, std::int32_t files, std::int32_t sections) {
  for (std::int32_t n = 0; n < files; ++n)
    writeOrdinaryAircraft(fleet[static_cast<std::size_t>(n) % fleet.size()], sections);
}

// Sections whose keys the scan rejects, corrects or takes in an unusual way.
void Generator::writeKeyCases() {
  AircraftFile a(*this, 0, "Key Cases A320");
  a.general("A320");
  a.modelAndAir("Keys");
  std::int32_t n = 0;
  auto section = [&](const std::string& texture, bool createTexture = true) {
    ++manifest_.sections;
    return a.section(n++, texture, createTexture);
  };
  auto files = [&] {
    a.line("sim=Keys");
    a.line("model=");
  };
  auto take = [&](const std::string& header, ExpectedLivery livery) {
    candidate(a, n - 1, livery, takenLine(a, header, livery.title));
  };

  // An unknown airline code: reported twice, then a private aircraft.
  auto h = section("Q");
  a.line("title=Hivemoor Unknown Airline A320");
  files();
  a.line("texture=Q");
  a.line("atc_parking_codes=QQX");
  report(invalidAirlineReport, fmt::format("{:12} in {} {}", "QQX", a.fileText(), h));
  missingAirline(a, h);
  take(h, {"PVT", "A320", "Hivemoor Unknown Airline A320", "", false});

  // "AALX": the fourth letter of an ICAO parking code goes.
  h = section("X");
  a.line("title=Hivemoor American AALX A320");
  files();
  a.line("texture=X");
  a.line("atc_parking_codes=AALX");
  take(h, {"AAL", "A320", "Hivemoor American AALX A320", "", false});

  // RFO sections go without a word.
  section("R");
  a.line("title=Hivemoor RFO A320");
  files();
  a.line("texture=R");
  a.line("atc_parking_codes=RFO");

  // Two registrations: none is taken.
  h = section("T");
  a.line("title=Hivemoor Two Regs A320");
  files();
  a.line("texture=T");
  a.line("atc_parking_codes=UAL");
  a.line("atc_id=N1HV, N2HV");
  take(h, {"UAL", "A320", "Hivemoor Two Regs A320", "", false});

  // A commented-out second atc_id is no second key.
  h = section("C");
  a.line("title=Hivemoor Commented A320");
  files();
  a.line("texture=C");
  a.line("atc_parking_codes=UAL");
  a.line("atc_id=N3HVX");
  a.line("  //atc_id=N4HVX");
  take(h, {"UAL", "A320", "Hivemoor Commented A320", "N3HVX", false});

  // A second title rejects the section.
  h = section("D");
  a.line("title=Hivemoor Double Title A320");
  files();
  a.line("texture=D");
  a.line("atc_parking_codes=UAL");
  a.line("title=Hivemoor Double Title again");
  report(incompleteReport, fmt::format("{} {} has more than one title key", a.folderText(), h));

  // An invalid registration is reported and left out.
  h = section("S");
  a.line("title=Hivemoor Star Reg A320");
  files();
  a.line("texture=S");
  a.line("atc_parking_codes=UAL");
  a.line("atc_id=**");
  report(incompleteReport, "invalid atc_id=** in: Hivemoor Star Reg A320");
  take(h, {"UAL", "A320", "Hivemoor Star Reg A320", "", false});

  // A default livery keeps no registration.
  h = section("Z");
  a.line("title=Hivemoor Default Reg A320");
  files();
  a.line("texture=Z");
  a.line("atc_parking_codes=ZZZ");
  a.line("atc_id=N5HV");
  take(h, {"ZZZ", "A320", "Hivemoor Default Reg A320", "", false});

  // A missing texture folder.
  h = section("Missing", false);
  a.line("title=Hivemoor Missing Texture A320");
  files();
  a.line("texture=Missing");
  a.line("atc_parking_codes=UAL");
  report(incompleteReport, a.pathText("model.") + " or related path does not exist: " + h);

  // A sim= naming another host is refused before anything asks for it.
  h = section("H");
  a.line("title=Hivemoor Other Host A320");
  a.line("sim=\\\\host\\share\\Keys");
  a.line("model=");
  a.line("texture=H");
  a.line("atc_parking_codes=UAL");
  report(incompleteReport,
         fmt::format("{} {} sim=\\\\host\\share\\Keys names nothing inside the aircraft folder", a.folderText(), h));

  // A title the simulator cannot create.
  h = section("L");
  const std::string longTitle = "Hivemoor " + std::string(291, 'L');
  a.line("title=" + longTitle);
  files();
  a.line("texture=L");
  a.line("atc_parking_codes=UAL");
  report(incompleteReport, fmt::format("{} {} title of {} bytes, longer than the simulator takes: '{}'", a.folderText(),
                                       h, longTitle.size(), longTitle));

  // Registrations the reference data knows: the livery takes their airline and cargo flag.
  h = section("K");
  a.line("title=Hivemoor JetBlue N124AA A321");
  files();
  a.line("texture=K");
  a.line("atc_parking_codes=JBU");
  a.line("atc_id=N124AA");
  take(h, {"JBU", "A320", "Hivemoor JetBlue N124AA A321", "N124AA", false});

  // A registration in the title of a private aircraft.
  h = section("P");
  a.line("title=Hivemoor Private (N24CV)");
  files();
  a.line("texture=P");
  missingAirline(a, h);
  take(h, {"PVT", "A320", "Hivemoor Private (N24CV)", "N24CV", false});

  // The same registration on two liveries: the tables keep the first.
  for (const char* title : {"Hivemoor Shared Reg One", "Hivemoor Shared Reg Two"}) {
    h = section(title + 16);
    a.line(std::string("title=") + title);
    files();
    a.line(std::string("texture=") + (title + 16));
    a.line("atc_parking_codes=UAL");
    a.line("atc_id=N77HV");
    take(h, {"UAL", "A320", title, "N77HV", false});
  }
  a.write();

  // A heavy without airline and registration is refused.
  AircraftFile heavy(*this, 1, "Heavy Without Airline");
  heavy.general("B77W");
  heavy.modelAndAir("Heavy");
  ++manifest_.sections;
  h = heavy.section(0, "A");
  heavy.line("title=Hivemoor Heavy Nobody");
  heavy.line("sim=Heavy");
  heavy.line("model=");
  heavy.line("texture=A");
  missingAirline(heavy, h);
  report(incompleteReport, fmt::format("'{}' '{}' has no airline and no regcode info", heavy.folderText(), h));
  // A freighter registration on a passenger livery.
  ++manifest_.sections;
  h = heavy.section(1, "B");
  heavy.line("title=Hivemoor FedEx N134FE");
  heavy.line("sim=Heavy");
  heavy.line("model=");
  heavy.line("texture=B");
  heavy.line("atc_parking_codes=FDX");
  heavy.line("atc_parking_types=GATE_HEAVY");
  heavy.line("atc_id=N134FE");
  candidate(heavy, 1, {"FDX", "B77W", "Hivemoor FedEx N134FE", "N134FE", false},
            takenLine(heavy, h, "Hivemoor FedEx N134FE"));
  heavy.write();
}

// Files the scan refuses as a whole or in part.
void Generator::writeFileCases() {
  {
    AircraftFile a(*this, 2, "No Atc Model");
    a.general("");
    a.modelAndAir("X");
    a.section(0, "A");
    a.line("title=Hivemoor No Atc Model");
    a.write();
    report(invalidCfgReport, "Line atc_model= is missing in [General] section of " + a.fileText());
  }
  {
    // A wrong model code the reference data fixes.
    AircraftFile a(*this, 2, "Fixed Model", "Aircraft.CFG");
    a.general("B738W");
    a.modelAndAir("Fix");
    ++manifest_.sections;
    const auto h = a.section(0, "A");
    a.line("title=Hivemoor Fixed Model B738");
    a.line("sim=Fix");
    a.line("texture=A");
    a.line("atc_parking_codes=SWA");
    a.write();
    report(fixesReport, fmt::format("Model fix: B738W found in {} changed into B738", a.fileText()));
    candidate(a, 0, {"SWA", "B738", "Hivemoor Fixed Model B738", "", false},
              takenLine(a, h, "Hivemoor Fixed Model B738"));
  }
  {
    AircraftFile a(*this, 2, "Unknown Model");
    a.general("ZZ99");
    a.section(0, "A");
    a.line("title=Hivemoor Unknown Model");
    a.write();
    report(invalidModelReport, fmt::format("{:16} in {}", "ZZ99", a.fileText()));
  }
  {
    AircraftFile a(*this, 2, "No Sections");
    a.general("B738");
    a.write();
    report(noFltsimReport, a.fileText());
  }
  {
    AircraftFile a(*this, 3, "Section Number Too High");
    a.general("B738");
    a.section(10001, "A");
    a.line("title=Hivemoor Number Too High");
    a.write();
    report(invalidCfgReport,
           fmt::format("{} contains a [fltsim.x] section with a number < 0 or > 10000", a.fileText()));
  }
  {
    // Binary junk: no '[' and no '=', so no section and no key; no byte-order mark.
    AircraftFile a(*this, 3, "Binary Junk");
    std::string junk = "JK";
    std::uniform_int_distribution<int> byte(0, 255);
    while (junk.size() < 4096)
      if (const auto c = static_cast<char>(byte(random_)); c != '[' && c != '=') junk += c;
    lf_writeText(a.file(), junk);
    report(noFltsimReport, a.fileText());
    report(invalidCfgReport, "Line atc_model= is missing in [General] section of " + a.fileText());
  }
  {
    // Above the size limit: not read at all.
    AircraftFile a(*this, 3, "Huge File");
    a.general("B738");
    a.modelAndAir("Huge");
    std::size_t size = 0;
    for (std::int32_t i = 0; size <= maxFileBytes; ++i) {
      a.section(i, "A", i == 0);
      a.line(fmt::format("title=Hivemoor Huge {}", i));
      a.line("description=" + std::string(4000, 'h'));
      size += 4050;
    }
    a.write();
    report(invalidCfgReport, fmt::format("{} is larger than {} bytes and was not scanned", a.fileText(), maxFileBytes));
  }
  {
    // A line of a megabyte is left out; the rest of the file counts.
    AircraftFile a(*this, 0, "Endless Line");
    a.general("B738");
    a.modelAndAir("Long");
    ++manifest_.sections;
    const auto h = a.section(0, "A");
    a.line("title=Hivemoor Endless Line B738");
    a.line("sim=Long");
    const auto number = a.nextLineNumber();
    a.line("description=" + std::string(1024 * 1024, 'd'));
    a.line("texture=A");
    a.line("atc_parking_codes=SWA");
    a.write();
    report(invalidCfgReport,
           fmt::format("{} line {} is longer than {} bytes and was left out", a.fileText(), number, maxLineBytes));
    candidate(a, 0, {"SWA", "B738", "Hivemoor Endless Line B738", "", false},
              takenLine(a, h, "Hivemoor Endless Line B738"));
  }
  {
    // sim.cfg in capitals, and files and folders that only look alike.
    AircraftFile a(*this, 1, "Sim Cfg", "SIM.CFG");
    a.general("E75L");
    a.modelAndAir("Sim");
    ++manifest_.sections;
    const auto h = a.section(0, "A");
    a.line("title=Hivemoor SkyWest Sim Cfg");
    a.line("sim=Sim");
    a.line("texture=A");
    a.line("atc_parking_codes=SKW");
    a.write();
    candidate(a, 0, {"SKW", "E75L", "Hivemoor SkyWest Sim Cfg", "", false},
              takenLine(a, h, "Hivemoor SkyWest Sim Cfg"));
    lf_writeText(a.folder() / "aircraft.cfg.bak", "[fltsim.0]\r\ntitle=Hivemoor Backup\r\n");
    lf_writeText(a.folder() / "my_aircraft.cfg", "[fltsim.0]\r\ntitle=Hivemoor Mine\r\n");
    fs::create_directories(a.folder() / "texture.B" / "aircraft.cfg");
  }
}

void Generator::writeEncodings() {
  struct Case {
    const char* name;
    Encoding encoding;
    std::string title;
  };
  // The title of an ANSI file stays as its bytes stand; UTF-16 becomes UTF-8.
  const std::vector<Case> cases{{"Encoding UTF-8", Encoding::utf8, "Hivemoor Viva Aerob\xC3\xBAs UTF-8"},
                                {"Encoding UTF-8 BOM", Encoding::utf8Bom, "Hivemoor Viva Aerob\xC3\xBAs BOM"},
                                {"Encoding UTF-16 LE", Encoding::utf16Le, "Hivemoor Viva Aerob\xC3\xBAs LE"},
                                {"Encoding UTF-16 BE", Encoding::utf16Be, "Hivemoor Viva Aerob\xC3\xBAs BE"},
                                {"Encoding ANSI", Encoding::ansi, "Hivemoor Viva Aerob\xFAs ANSI & <co> \"quoted\""}};
  std::size_t root = 0;
  for (const auto& c : cases) {
    AircraftFile a(*this, root++ % roots_.size(), gf_pathFromText(c.name));
    a.general("A20N");
    a.modelAndAir("Enc");
    ++manifest_.sections;
    const auto h = a.section(0, "A");
    a.line("title=" + c.title);
    a.line("sim=Enc");
    a.line("texture=A");
    a.line("atc_parking_codes=VIV");
    a.write(c.encoding);
    candidate(a, 0, {"VIV", "A20N", c.title, "", false}, takenLine(a, h, c.title));
  }
}

// The same title in several places: the earlier folder of the list keeps it, within a
// folder the file whose path sorts first, within a file the first section.
void Generator::writeDuplicates() {
  auto write = [&](std::size_t root, const std::string& name, const std::vector<std::string>& titles) {
    AircraftFile a(*this, root, gf_pathFromText(name));
    a.general("B738");
    a.modelAndAir("Dup");
    std::vector<std::string> headers;
    for (std::size_t i = 0; i < titles.size(); ++i) {
      ++manifest_.sections;
      headers.push_back(a.section(static_cast<std::int32_t>(i), fmt::format("D{}", i)));
      a.line("title=" + titles[i]);
      a.line("sim=Dup");
      a.line(fmt::format("texture=D{}", i));
      a.line("atc_parking_codes=SWA");
      candidate(a, static_cast<std::int32_t>(i), {"SWA", "B738", titles[i], "", false},
                takenLine(a, headers.back(), titles[i]));
    }
    a.write();
  };
  write(1, "Dup Later Folder", {"Hivemoor Duplicate Across Folders"});
  write(0, "Dup Earlier Folder", {"Hivemoor Duplicate Across Folders"});
  write(2, "Twin 2", {"Hivemoor Duplicate Twins"});
  write(2, "Twin 1", {"Hivemoor Duplicate Twins", "Hivemoor Duplicate In File", "Hivemoor Duplicate In File"});
}

void Generator::writeIvaoLibrary() {
  {
    AircraftFile a(*this, 2, fs::path("IVAO_MTL") / "IVAO_B738w");
    a.line("[fltsim.0]");
    fs::create_directories(a.folder() / "texture.A");
    fs::create_directories(a.folder() / "model.I");
    std::ofstream(a.folder() / "Ivao.air", std::ios::binary) << "air";
    struct Ivao {
      std::string title;
      std::string atcid;
    };
    const std::vector<Ivao> sections{{"B738 AAL IVAO Demo", ""},
                                     {"B738ZZZ IVAO Default", "N6HV"},
                                     {"Demo Livery B738", ""},
                                     {"B738 QQX IVAO Unknown", ""}};
    std::vector<std::string> headers;
    for (std::size_t i = 0; i < sections.size(); ++i) {
      if (i > 0) a.line(fmt::format("[fltsim.{}]", i));
      headers.push_back(fmt::format("[fltsim.{}]", i));
      ++manifest_.sections;
      a.line("title=" + sections[i].title);
      a.line("sim=Ivao");
      a.line("model=I");
      a.line("texture=A");
      a.line("atc_parking_types=CARGO");
      if (!sections[i].atcid.empty()) a.line("atc_id=" + sections[i].atcid);
    }
    a.write();
    candidate(a, 0, {"AAL", "B738", "B738 AAL IVAO Demo", "", false},
              fmt::format("{} {} title already exists: {}", a.folderText(), headers[0], "B738 AAL IVAO Demo"));
    candidate(a, 1, {"ZZZ", "B738", "B738ZZZ IVAO Default", "", false},
              fmt::format("{} {} title already exists: {}", a.folderText(), headers[1], "B738ZZZ IVAO Default"));
    report(incompleteReport, fmt::format("{} {} misses airlinecode in title: Demo Livery B738, and no regcode",
                                         a.folderText(), headers[2]));
    report(invalidAirlineReport, fmt::format("{:12} in {} {}", "QQX", a.fileText(), headers[3]));
  }
  {
    // The X-CSL library has no IVAO_MTL folder to take the model from.
    AircraftFile a(*this, 2, fs::path("ivao_x-csl") / "B738");
    a.general("B738");
    a.write();
    report(invalidModelReport, fmt::format("{:16} in {}", "  ", a.fileText()));
  }
}

// Folders whose liveries the scan must not take.
void Generator::writeFoldersNotScanned() {
  auto valid = [&](const fs::path& folder) {
    fs::create_directories(folder / "model");
    fs::create_directories(folder / "texture.A");
    std::ofstream(folder / "N.air", std::ios::binary) << "air";
    lf_writeText(folder / "aircraft.cfg", fmt::format("[General]\r\natc_model=B738\r\n[fltsim.0]\r\ntitle=Hivemoor Not "
                                                      "Scanned {}\r\nsim=N\r\ntexture=A\r\natc_parking_codes=SWA\r\n",
                                                      gf_pathText(folder.filename())));
  };
  valid(manifest_.simFolder / "SimObjects" / "Airplanes" / "Stock Aircraft");
  valid(addons_ / "Lights Reborn" / "SimObjects" / "Airplanes" / "Lights");
  // A folder whose name holds "airport" is not entered: scenery vehicles live there.
  valid(roots_[3] / "KLAX airport Vehicles");
}

void Generator::writeUnreadableFolder() {
  const auto locked = roots_[0] / "Locked Fleet";
  fs::create_directories(locked / "Inside" / "model");
  fs::create_directories(locked / "Inside" / "texture.A");
  lf_writeText(locked / "Inside" / "aircraft.cfg",
               "[General]\r\natc_model=B738\r\n[fltsim.0]\r\ntitle=Hivemoor Locked\r\nsim=N\r\ntexture=A\r\n"
               "atc_parking_codes=SWA\r\n");
  std::ofstream(locked / "Inside" / "N.air", std::ios::binary) << "air";
  fs::permissions(locked, fs::perms::none);
  manifest_.unreadableFolder = gf_pathText(locked);
  manifest_.logLines.push_back(
      fmt::format("liveries search in folder {} skipped because of iterator problem: ", gf_pathText(locked)));
}

void Generator::writeHostileCases() {
  writeKeyCases();
  writeFileCases();
  writeEncodings();
  writeDuplicates();
  writeIvaoLibrary();
  writeFoldersNotScanned();
}

// What the scan makes of the candidates: titles claimed in the order of folders, file paths
// and sections; registrations the reference data knows; the sorted list; registrations that
// two liveries carry.
void Generator::finish() {
  std::stable_sort(candidates_.begin(), candidates_.end(), [](const Candidate& a, const Candidate& b) {
    return std::tie(a.root, a.fileText, a.section) < std::tie(b.root, b.fileText, b.section);
  });
  const auto reference = gf_standInReference();
  std::set<std::string> titles;
  std::vector<ExpectedLivery> liveries;
  for (auto& c : candidates_) {
    if (!titles.insert(c.livery.title).second) {
      report(incompleteReport, std::move(c.takenLine));
      continue;
    }
    auto livery = c.livery;
    if (const auto found = reference.registrations.find(livery.atcid);
        !livery.atcid.empty() && found != reference.registrations.end()) {
      const auto& data = found->second;
      if (livery.cargo != data.cargo) {
        report(conversionsReport,
               fmt::format("{:80} {} cargo {} => {}", livery.title, livery.atcid, livery.cargo, data.cargo));
        livery.cargo = data.cargo;
      }
      const auto& airline = data.opr.empty() ? data.airl : data.opr;
      if (!airline.empty() && livery.airl != airline) {
        report(conversionsReport,
               fmt::format("{:80} {} airl {} => {}", livery.title, livery.atcid, livery.airl, airline));
        livery.airl = airline;
      }
      if (!data.type.empty() && livery.type != data.type) {
        report(conversionsReport,
               fmt::format("{:80} {} model {} => {}", livery.title, livery.atcid, livery.type, data.type));
        livery.type = data.type;
      }
    }
    liveries.push_back(std::move(livery));
  }
  std::sort(liveries.begin(), liveries.end(), [](const ExpectedLivery& a, const ExpectedLivery& b) {
    return std::tie(a.airl, a.type, a.title) < std::tie(b.airl, b.type, b.title);
  });
  std::map<std::string, std::string> registrations;
  for (const auto& livery : liveries) {
    if (livery.atcid.empty()) continue;
    const auto [found, isNew] = registrations.try_emplace(livery.atcid, livery.title);
    if (!isNew && found->second != livery.title)
      report(inlineReport, fmt::format("{} '{}' => already in use by '{}'", livery.atcid, livery.title, found->second));
  }
  manifest_.liveries = std::move(liveries);
  for (auto& [file, lines] : reports_) {
    const std::string name = file;
    // Every report file is sorted but the conversions and the in-line clashes.
    if (name != conversionsReport && name != inlineReport) std::sort(lines.begin(), lines.end());
    if (name == incompleteReport) lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
  }
  manifest_.reports = std::move(reports_);
}

Manifest Generator::run() {
  if (options_.root.empty()) throw std::runtime_error("no folder for the installation");
  layOut();
  writeRecords();
  if (options_.recordingsFleet) {
    for (const auto& fleet : lf_recordingsFleet())
      writeOrdinaryAircraft(fleet, std::max<std::int32_t>(2, options_.sectionsPerFile));
    for (const auto& title : lf_regcodeTitles()) writeOrdinaryAircraft(title, 1, {title.name});
  }
  writeFleet(lf_testFleet(), options_.aircraftFiles, options_.sectionsPerFile);
  if (options_.hostile) writeHostileCases();
  if (options_.unreadableFolder) writeUnreadableFolder();
  finish();
  return manifest_;
}

} // namespace

DbaseTables gf_standInReference() {
  DbaseTables t;
  const auto& v = gf_vocabulary();
  for (const auto& type : v.types) t.aircraftTypes.insert(type);
  for (const auto& airline : v.airlines) t.icaoAirlines.insert(airline);
  t.largeTypes = {"A320", "A321", "A20N", "A21N", "B737", "B738", "B752", "E75L", "E135"};
  t.heavyTypes = {"B763", "B77W", "B77L", "B789", "A359", "MD11"};
  t.buzjetTypes = {"CL30", "BE40", "GLF4"};
  t.rotorcraftTypes = {"AS50", "R66", "R44"};
  t.highPerfTypes = {"F18H"};
  t.cargoTypes = {"MD11"};
  t.similarGroups = {{"A20N", "A320"}, {"B737", "B738"}, {"R44", "R66"}};
  t.typeFixes = {{"B738W", "B738"}, {"C172SP", "C172"}};
  t.registrations = {{"N124AA", {"AAL", "A321", "", false}},
                     {"N134FE", {"FDX", "B763", "", true}},
                     {"N631QX", {"ASA", "E75L", "QXE", false}},
                     {"N24CV", {"", "C172", "", false}}};
  return t;
}

Vocabulary gf_vocabulary() {
  return {{"AAL", "SWA", "JBU", "ASA", "UAL", "DAL", "SKW", "NKS", "JAL", "FJI",
           "EVA", "VIV", "QXE", "WGN", "GAJ", "XOJ", "JSX", "FDX", "UPS", "ZZZ"},
          {"A320", "A321", "A20N", "A21N", "B737", "B738", "B752", "E75L", "E135", "B763",
           "B77W", "B77L", "B789", "A359", "MD11", "CL30", "BE40", "GLF4", "C172", "P28A",
           "PC12", "C152", "DA40", "S22T", "B350", "AS50", "R66",  "R44",  "F18H"},
          {"QQX", "RFO"},
          {"ZZ99", "B738W"}};
}

Manifest gf_writeInstallation(const Options& options) { return Generator(options).run(); }

nlohmann::json Manifest::toJson() const {
  nlohmann::json liveriesJson = nlohmann::json::array();
  for (const auto& l : liveries)
    liveriesJson.push_back(
        {{"airl", l.airl}, {"type", l.type}, {"title", l.title}, {"atcid", l.atcid}, {"cargo", l.cargo}});
  return {{"simFolder", gf_pathText(simFolder)},
          {"addOnsCfg", gf_pathText(addOnsCfg)},
          {"simObjectsCfg", gf_pathText(simObjectsCfg)},
          {"liveryFolders", liveryFolders},
          {"liveries", liveriesJson},
          {"reports", reports},
          {"logLines", logLines},
          {"unreadableFolder", unreadableFolder},
          {"aircraftFolders", aircraftFolders},
          {"sections", sections}};
}

std::vector<fs::path> gf_listAircraftCfgFiles(const std::vector<std::string>& folders) {
  std::vector<fs::path> files;
  std::vector<fs::path> stack;
  for (const auto& folder : folders) stack.push_back(gf_pathFromText(folder));
  while (!stack.empty()) {
    const auto folder = stack.back();
    stack.pop_back();
    std::vector<fs::path> subfolders;
    bool aircraft = false;
    for (const auto& entry : fs::directory_iterator(folder)) {
      if (entry.is_directory()) subfolders.push_back(entry.path());
      if (entry.is_regular_file() && entry.path().filename() == "aircraft.cfg") {
        files.push_back(entry.path());
        aircraft = true;
      }
    }
    for (const auto& subfolder : subfolders) {
      const auto name = gf_pathText(subfolder.filename());
      if (!aircraft || !(name.starts_with("model") || name.starts_with("texture"))) stack.push_back(subfolder);
    }
  }
  return files;
}

} // namespace p3dinstall
