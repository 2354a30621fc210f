#pragma once
// Which simulator objects are Hivemoor's own: the creations sent and not yet recognised,
// the aircraft the simulator announced and not yet identified, and the objects recognised as
// created here. An object is taken as ours only when it carries both the tail number and the
// title of a creation of ours: another program may fly the same real callsign. Positions, client events and removals go
// only to those; the user aircraft and everybody else's objects are never touched. Only the SimClient thread uses these
// lists (the run's reset empties them while it does not run).
#include "simlink/result_queue.h"

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

using LinkClock = std::chrono::steady_clock;

// A creation that was sent and whose object is not known yet.
struct PendingCreateData {
  std::uint32_t packetId = 0; // of the creation packet, named by a creation-failed exception
  std::int32_t hexId = 0;
  std::string callsign;
  LinkClock::time_point sentAt{};
  std::string title; // the container title it was created with
};

// How long a creation or an announced aircraft waits to be identified before it is given up.
inline constexpr std::chrono::seconds ownObjectPatience{30};

struct OwnObjects {
  struct Added {
    std::uint32_t objectId = 0;
    LinkClock::time_point at{};
  };
  // A creation given up on: when its aircraft turns up after all, it is removed again.
  struct Abandoned {
    std::string callsign;
    std::string title;
    LinkClock::time_point at{};
  };
  std::vector<PendingCreateData> pendingCreates;
  std::vector<Added> addedObjects;
  std::unordered_set<std::uint32_t> createdObjects;
  std::vector<Abandoned> abandoned;
  LinkClock::time_point lastAgeing{};
};

extern OwnObjects ownObjects;

void gf_addPendingCreate(PendingCreateData pending);
// Whether an object's title is the title a creation was sent with (the simulator may write
// it in other letter case).
bool gf_sameTitle(std::string_view objectTitle, std::string_view creationTitle);
// The hexid of the first pending creation with this callsign and title, which leaves the list.
std::optional<std::int32_t> gf_takePending(const std::string& callsign, std::string_view title);
// The title of the first pending creation with this callsign, if any.
std::optional<std::string> gf_pendingTitle(const std::string& callsign);
// The hexid of the pending creation sent in this packet, which leaves the list.
std::optional<std::int32_t> gf_takePendingByPacket(std::uint32_t packetId);

void gf_noteAddedObject(std::uint32_t objectId, LinkClock::time_point now);
// Whether the object was announced and not yet identified.
bool gf_isAddedObject(std::uint32_t objectId);
// Whether the object was announced and not yet identified; it leaves the list.
bool gf_takeAddedObject(std::uint32_t objectId);

void gf_markOwnObject(std::uint32_t objectId);
void gf_forgetOwnObject(std::uint32_t objectId);
// Created here, and not the user aircraft (whose id the simulator may reuse in a new flight).
bool gf_isOwnObject(std::uint32_t objectId);

// Whether a given-up creation had this callsign and title; it leaves the list.
bool gf_takeAbandoned(const std::string& callsign, std::string_view title);

// Gives up what waited longer than ownObjectPatience: pending creations (a failed-creation
// result, CreateFailure::notIdentified, is returned for each, and their callsigns and titles
// are remembered for the run, so that their aircraft goes again when it turns up after all),
// and announced aircraft whose identity never came. Only time in which the flight runs
// counts: while it does not, the simulator creates nothing.
std::vector<SimResultData> gf_ageOwnObjects(LinkClock::time_point now, bool flightRunning);

void gf_resetOwnObjects();
