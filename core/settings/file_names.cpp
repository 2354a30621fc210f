#include "core/settings/file_names.h"

namespace fs = std::filesystem;

// Each folder comes before the paths joined from it.
const fs::path inputFolder{"input"};
const fs::path dbaseFile{inputFolder / "dbase.enc"};
const fs::path dbaseXmlFile{inputFolder / "dbase.xml"};
const fs::path aigRegcodesEncFile{inputFolder / "AIG-regcodes.enc"};
const fs::path aigRegcodesXmlFile{inputFolder / "AIG-regcodes.xml"};
const fs::path myRegcodesFolder{inputFolder / "my_regcodes"};

const fs::path outputFolder{"output"};
const fs::path infoFolder{outputFolder / "info"};
const fs::path errorsFolder{outputFolder / "errors"};
const fs::path liveriesScannedFile{outputFolder / "LiveriesScanned.xml"};

const fs::path airportsFolder{"airports"};
const fs::path learnedFolder{airportsFolder / "learned"};
const fs::path learnedStockFolder{learnedFolder / "stock"};
const fs::path learnedSimaddonFolder{learnedFolder / "simaddon"};
const fs::path learnedThirdpartyFolder{learnedFolder / "thirdparty"};
const fs::path myOrbxFolder{airportsFolder / "my_ORBX"};
const fs::path myThirdpartyFolder{airportsFolder / "my_thirdparty"};
const fs::path myParkAirportsFile{airportsFolder / "my_park_airports.txt"};

const fs::path airportsFileName{"airports_p3d.xml"};
const fs::path docsFolder{"docs"};
const fs::path insideSystemsFolder{"InsideSystems"};
const fs::path tbloFolder{"TBLO"};
const fs::path installerFile{"install_new_version.exe"};
const fs::path settingsFileName{"parameters.xml"};
