#pragma once
// The program's folders and files. Relative paths are relative to the working folder,
// which is the program's folder.
#include <filesystem>

extern const std::filesystem::path inputFolder;        // input
extern const std::filesystem::path dbaseFile;          // input/dbase.enc
extern const std::filesystem::path dbaseXmlFile;       // input/dbase.xml, only while it is read
extern const std::filesystem::path aigRegcodesEncFile; // input/AIG-regcodes.enc
extern const std::filesystem::path aigRegcodesXmlFile; // input/AIG-regcodes.xml
extern const std::filesystem::path myRegcodesFolder;   // input/my_regcodes

extern const std::filesystem::path outputFolder;        // output
extern const std::filesystem::path infoFolder;          // output/info
extern const std::filesystem::path errorsFolder;        // output/errors
extern const std::filesystem::path liveriesScannedFile; // output/LiveriesScanned.xml

extern const std::filesystem::path airportsFolder;          // airports
extern const std::filesystem::path learnedFolder;           // airports/learned
extern const std::filesystem::path learnedStockFolder;      // airports/learned/stock
extern const std::filesystem::path learnedSimaddonFolder;   // airports/learned/simaddon
extern const std::filesystem::path learnedThirdpartyFolder; // airports/learned/thirdparty
extern const std::filesystem::path myOrbxFolder;            // airports/my_ORBX
extern const std::filesystem::path myThirdpartyFolder;      // airports/my_thirdparty
extern const std::filesystem::path myParkAirportsFile;      // airports/my_park_airports.txt

extern const std::filesystem::path airportsFileName;    // airports_p3d.xml, in input
extern const std::filesystem::path docsFolder;          // docs: marks the program's folder
extern const std::filesystem::path insideSystemsFolder; // InsideSystems, in the application-data folder
extern const std::filesystem::path tbloFolder;          // TBLO
extern const std::filesystem::path installerFile;       // install_new_version.exe, left by an update
extern const std::filesystem::path settingsFileName;    // parameters.xml, in the settings folder
