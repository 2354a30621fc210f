#include "core/errors.h"
#include "core/log.h"
#include "core/settings/control_port.h"
#include "core/settings/parameters.h"
#include "core/shell/main_window.h"
#include "core/shell/status_line.h"
#include "simlink/link_handlers.h"
#include "simlink/link_state.h"

#include <fmt/format.h>

namespace {

bool lf_asciiLetterDigitOrSpace(unsigned char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ' ' || c == '\t' ||
         c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool lf_contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

// The simulator the user installed: its text names the version ("v5", "v6", lower case
// only) that the install path names or that the settings give.
bool lf_acceptedVersion(const std::string& simText) {
  const std::string path = ALL_INSTALL_PATH.get();
  const std::int32_t major = simLinkState.simMajorVersion.load();
  if (lf_contains(simText, "v5") && (lf_contains(path, "v5") || lf_contains(path, "V5") || major == 5)) return true;
  return lf_contains(simText, "v6") && (lf_contains(path, "v6") || lf_contains(path, "V6") || major == 6);
}

} // namespace

void gf_handleOpen(const ReceivedMessage& reply) {
  simLinkState.openReplied = true;
  const std::string name = reply.text(recv_offset::applicationName, recv_offset::applicationNameSize);
  if (name.empty()) {
    gf_log("! Simulator name empty?");
    return;
  }
  mainWindow.update(topBandRect, [](DisplayState& d) { d.simConnected = true; });
  // Trademark signs and other bytes beyond ASCII go.
  std::string filtered;
  for (const char c : name)
    if (lf_asciiLetterDigitOrSpace(static_cast<unsigned char>(c))) filtered.push_back(c);
  if (filtered == "KittyHawk" || filtered == "SunRise")
    throw hvm::UserErrorException(78, filtered + ", (MSFS) not being P3D connects ... ?");
  const std::string simText = fmt::format("{} ({}.{}.{}.{})", filtered, reply.u32(recv_offset::versionMajor),
                                          reply.u32(recv_offset::versionMinor), reply.u32(recv_offset::buildMajor),
                                          reply.u32(recv_offset::buildMinor));
  gf_log(fmt::format("{} connected", simText));
  mainWindow.update(topBandRect, [&](DisplayState& d) { d.simulatorText = simText; });
  if (lf_acceptedVersion(simText)) {
    gf_clearMessage();
    return;
  }
  // The user may name another install path, which restarts the run.
  gf_enableControl(ALL_INSTALL_PATH.controlId, true);
  throw hvm::UserErrorException(78, fmt::format("wrong P3D version '{}' connects ... ?)", simText));
}
