#pragma once
// The current user's roaming application-data folder: %APPDATA% on Windows; natively the
// XDG configuration folder ($XDG_CONFIG_HOME, else $HOME/.config), its nearest match.
#include <filesystem>

// The folder, or an empty path after the warning "Could not find the AppData path".
std::filesystem::path gf_getAppDataPath();
