#include "simlink/own_objects.h"

#include "core/log.h"
#include "core/text.h"
#include "simlink/link_state.h"

#include <algorithm>
#include <fmt/format.h>

OwnObjects ownObjects;

namespace {

// Given-up creations are remembered for the run: their aircraft may turn up however late, and
// only an aircraft with their callsign and title is taken for one. The oldest make room
// beyond this many.
constexpr std::size_t abandonedLimit = 256;

// The last entry takes the place of the one removed; the order does not matter.
template <typename Vector> void lf_removeAt(Vector& list, typename Vector::iterator at) {
  if (at != list.end() - 1) *at = std::move(list.back());
  list.pop_back();
}

} // namespace

void gf_addPendingCreate(PendingCreateData pending) { ownObjects.pendingCreates.push_back(std::move(pending)); }

bool gf_sameTitle(std::string_view objectTitle, std::string_view creationTitle) {
  return !creationTitle.empty() && gf_toUpper(gf_trim(objectTitle)) == gf_toUpper(gf_trim(creationTitle));
}

std::optional<std::int32_t> gf_takePending(const std::string& callsign, std::string_view title) {
  auto& list = ownObjects.pendingCreates;
  const auto found = std::find_if(
      list.begin(), list.end(), [&](const auto& p) { return p.callsign == callsign && gf_sameTitle(title, p.title); });
  if (found == list.end()) return std::nullopt;
  const std::int32_t hexId = found->hexId;
  lf_removeAt(list, found);
  return hexId;
}

std::optional<std::string> gf_pendingTitle(const std::string& callsign) {
  const auto& list = ownObjects.pendingCreates;
  const auto found = std::find_if(list.begin(), list.end(), [&](const auto& p) { return p.callsign == callsign; });
  if (found == list.end()) return std::nullopt;
  return found->title;
}

std::optional<std::int32_t> gf_takePendingByPacket(std::uint32_t packetId) {
  auto& list = ownObjects.pendingCreates;
  const auto found = std::find_if(list.begin(), list.end(), [&](const auto& p) { return p.packetId == packetId; });
  if (found == list.end()) return std::nullopt;
  const std::int32_t hexId = found->hexId;
  lf_removeAt(list, found);
  return hexId;
}

void gf_noteAddedObject(std::uint32_t objectId, LinkClock::time_point now) {
  ownObjects.addedObjects.push_back({objectId, now});
}

bool gf_isAddedObject(std::uint32_t objectId) {
  const auto& list = ownObjects.addedObjects;
  return std::any_of(list.begin(), list.end(), [&](const auto& a) { return a.objectId == objectId; });
}

bool gf_takeAddedObject(std::uint32_t objectId) {
  auto& list = ownObjects.addedObjects;
  const auto found = std::find_if(list.begin(), list.end(), [&](const auto& a) { return a.objectId == objectId; });
  if (found == list.end()) return false;
  lf_removeAt(list, found);
  return true;
}

void gf_markOwnObject(std::uint32_t objectId) { ownObjects.createdObjects.insert(objectId); }

void gf_forgetOwnObject(std::uint32_t objectId) { ownObjects.createdObjects.erase(objectId); }

bool gf_isOwnObject(std::uint32_t objectId) {
  return objectId != 0 && objectId != simLinkState.userObjectId.load() && ownObjects.createdObjects.contains(objectId);
}

bool gf_takeAbandoned(const std::string& callsign, std::string_view title) {
  auto& list = ownObjects.abandoned;
  const auto found = std::find_if(
      list.begin(), list.end(), [&](const auto& a) { return a.callsign == callsign && gf_sameTitle(title, a.title); });
  if (found == list.end()) return false;
  list.erase(found); // oldest first
  return true;
}

std::vector<SimResultData> gf_ageOwnObjects(LinkClock::time_point now, bool flightRunning) {
  const LinkClock::duration stood =
      ownObjects.lastAgeing == LinkClock::time_point{} ? LinkClock::duration::zero() : now - ownObjects.lastAgeing;
  ownObjects.lastAgeing = now;
  if (!flightRunning) {
    // The waits stand still with the flight.
    for (auto& p : ownObjects.pendingCreates) p.sentAt += stood;
    for (auto& a : ownObjects.addedObjects) a.at += stood;
    return {};
  }
  std::vector<SimResultData> givenUp;
  std::erase_if(ownObjects.pendingCreates, [&](const PendingCreateData& p) {
    if (now - p.sentAt < ownObjectPatience) return false;
    gf_logWarning(fmt::format("The simulator has not created hexid {} ({}) within {} s, given up", p.hexId, p.callsign,
                              ownObjectPatience.count()));
    givenUp.push_back(gf_createFailedResult(p.hexId, CreateFailure::notIdentified));
    if (!p.callsign.empty()) {
      if (ownObjects.abandoned.size() >= abandonedLimit) ownObjects.abandoned.erase(ownObjects.abandoned.begin());
      ownObjects.abandoned.push_back({p.callsign, p.title, now});
    }
    return true;
  });
  std::erase_if(ownObjects.addedObjects, [&](const OwnObjects::Added& a) { return now - a.at >= ownObjectPatience; });
  return givenUp;
}

void gf_resetOwnObjects() {
  ownObjects.pendingCreates.clear();
  ownObjects.addedObjects.clear();
  ownObjects.createdObjects.clear();
  ownObjects.abandoned.clear();
  ownObjects.lastAgeing = {};
}
