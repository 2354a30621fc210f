#include "core/shell/program_folders.h"

#include "core/settings/file_names.h"

#include <array>
#include <filesystem>

namespace fs = std::filesystem;

void gf_createProgramFolders() {
  const std::array<const fs::path*, 11> folders{
      &outputFolder,  &infoFolder,         &errorsFolder,          &airportsFolder,
      &learnedFolder, &learnedStockFolder, &learnedSimaddonFolder, &learnedThirdpartyFolder,
      &myOrbxFolder,  &myThirdpartyFolder, &myRegcodesFolder};
  for (const auto* folder : folders) {
    std::error_code error;
    const auto status = fs::status(*folder, error);
    if (error && status.type() != fs::file_type::not_found && status.type() != fs::file_type::unknown)
      throw fs::filesystem_error("status", *folder, error);
    if (status.type() == fs::file_type::directory) continue;
    if (!fs::create_directories(*folder, error) && error)
      throw fs::filesystem_error("create_directories", *folder, error);
  }
  for (const auto* name : {"AIG-regcodes0.xml", "AIG-regcodes00.xml"}) {
    const auto file = inputFolder / name;
    std::error_code error;
    const bool exists = fs::exists(file, error);
    if (error) throw fs::filesystem_error("exists", file, error);
    if (exists && !fs::remove(file, error)) throw fs::filesystem_error("remove", file, error);
  }
}
