#pragma once
// The program's own data files. They are shipped and downloaded enciphered; a reader
// deciphers one into its plain file beside it, reads that and removes it at once.
#include <filesystem>

// Relative to the program's folder, which is the working folder while it runs.
inline const std::filesystem::path input{"input"};

inline const std::filesystem::path dbaseEncName{"dbase.enc"};
inline const std::filesystem::path dbaseXmlName{"dbase.xml"};
inline const std::filesystem::path aigEncName{"AIG-regcodes.enc"};
inline const std::filesystem::path aigXmlName{"AIG-regcodes.xml"};

inline const std::filesystem::path dbaseEncFile = input / dbaseEncName;
inline const std::filesystem::path dbaseXmlFile = input / dbaseXmlName;
inline const std::filesystem::path aigEncFile = input / aigEncName;
inline const std::filesystem::path aigXmlFile = input / aigXmlName;
