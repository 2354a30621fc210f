#include "core/shell/simulator_install.h"

#include "core/errors.h"
#include "core/settings/parameters.h"

#include <fmt/format.h>

std::atomic<bool> p3dV5Installed{false};
std::atomic<bool> p3dV6Installed{false};
std::filesystem::path stockSceneryFolder;

std::string gf_getP3DVersion() {
  const auto path = SIM_INSTALL_PATH.get();
  const auto names = [&path](const char* text) { return path.find(text) != std::string::npos; };
  if (names("v5") || names("V5")) return "5";
  if (names("v6") || names("V6")) return "6";
  if (const auto version = P3D_VERSION.get(); version >= 5) return fmt::format("{}", version);
  throw hvm::UserErrorException(
      77, fmt::format("P3D install path does not contain v5 or v6. Use hidden parameter {}, set it to 5 or 6.",
                      P3D_VERSION.name));
}
