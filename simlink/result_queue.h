#pragma once
// The results the SimClient thread hands to live traffic: created objects, removed objects,
// ground data of the aircraft in range, static CG data and refused creations. The SimClient
// thread appends one result at a time under resultMutex; live traffic takes them all at the
// start of each tick under the same mutex. Where both are held, resultMutex is taken before
// the command mutex; the SimClient thread never holds both.
#include <cstdint>
#include <mutex>
#include <vector>

enum SimResultCode : std::int32_t {
  simResultLiveCreated = 0,   // objectId, value hexId (above 10000), y altitude above ground ft
  simResultStaticCreated = 1, // objectId, value hexId (1..10000)
  simResultRemoved = 2,       // objectId
  simResultGroundData = 3,    // objectId, value on-ground 0/1, x ground altitude ft, y altitude above ground ft
  simResultStaticCg = 4,      // objectId, x static CG to ground ft, y static pitch rad
  simResultCreateFailed = 6,  // value hexId of the failed creation, x why it failed (CreateFailure)
};

// Why a creation failed, carried in x of its simResultCreateFailed result. Only the first two
// say that the livery title cannot be created; the others say nothing about the title, and a
// title must not be counted as uncreatable for them.
enum class CreateFailure : std::int32_t {
  refusedBySimulator = 0, // the simulator's creation-failed exception
  titleTooLong = 1,       // 256 bytes or more: the simulator cannot be asked for it
  callsignTooLong = 2,    // 12 bytes or more: the tail number's field takes 11
  notIdentified = 3,      // no object of it was identified within 30 s of running flight
};

struct SimResultData {
  std::int32_t objectId = 0;
  std::int32_t value = 0;
  std::int32_t counter = 0; // always 0 from the link; live traffic counts with it
  std::int32_t code = 0;
  double x = 0.0;
  double y = 0.0;
  bool operator==(const SimResultData&) const = default;
};

struct SimResultQueue {
  std::mutex resultMutex;
  std::vector<SimResultData> results;
};

extern SimResultQueue simResults;

void gf_pushSimResult(const SimResultData& result);

// The result {0, hexId, 0, 6, why, 0} of a failed creation.
SimResultData gf_createFailedResult(std::int32_t hexId, CreateFailure why);
// Why the creation of a simResultCreateFailed result failed.
CreateFailure gf_createFailure(const SimResultData& result);
// Whether the failure says that the creation's livery title cannot be created.
bool gf_titleUncreatable(const SimResultData& result);
