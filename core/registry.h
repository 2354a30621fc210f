#pragma once
// Finding an installed Prepar3D in the registry (HKEY_LOCAL_MACHINE, 64-bit view).
#include <filesystem>

bool gf_isP3DInstalled(int version);
// The version's "SetupPath", or the empty path.
std::filesystem::path gf_readP3DSetupPath(int version);
